#include "iae17/LoadedTerminalLibrary.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "fakes/TestEnv.h"
#include "platform/PlatformWrapper.h"
#include "platform/RuntimeError.h"

namespace varnix::iae17 {
namespace {

extern "C" short FakeFree() {
    return 42;
}

// A platform whose library loads only when told to, exports the names it is given, and whose
// executable folder holds the files the test writes.
class LibraryPlatform : public platform::PlatformWrapper {
  public:
    explicit LibraryPlatform(std::string folder)
        : PlatformWrapper(platform::HostPlatform()), folder_(std::move(folder)) {}

    void* LoadLibraryFile(const std::string& /*fileName*/, std::string& error) override {
        error = "bad format";
        return loads ? this : nullptr;
    }
    GenericFunction FindFunction(void* /*library*/, const std::string& name) override {
        asked.push_back(name);
        return exported.count(name) != 0 ? reinterpret_cast<GenericFunction>(&FakeFree) : nullptr;
    }
    std::string ExecutableFolder() override { return folder_; }

    bool loads = true;
    std::set<std::string> exported;
    std::vector<std::string> asked;

  private:
    std::string folder_;
};

// The error number and text an action raises.
std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        return std::to_string(error.Number()) + " " + error.Description();
    }
    return "no error";
}

TEST(LoadedTerminalLibraryTest, FindsPlainThenDecoratedNames) {
    testing::TempDir dir;
    for (const char* name : {"IAE17AX_Free", "_IAE17AX_Free@0", "IAE17AX_Free@0"}) {
        LibraryPlatform platform(dir.path());
        platform.exported = {name};
        LoadedTerminalLibrary library(platform, "Iae17.dll");
        EXPECT_EQ(library.Free(), 42) << name;
    }
    LibraryPlatform platform(dir.path());
    LoadedTerminalLibrary library(platform, "Iae17.dll");
    POSRequest request;
    POSData data;
    EXPECT_EQ(Failure([&] { library.Call(Function::Payment, request, data); }),
              std::to_string(kErrEntryPointNotFound) +
                  " Punto di ingresso IAE17AX_Payment non trovato in Iae17.dll");
    EXPECT_EQ(platform.asked, (std::vector<std::string>{"IAE17AX_Payment", "_IAE17AX_Payment@8",
                                                        "IAE17AX_Payment@8"}));
}

TEST(LoadedTerminalLibraryTest, ALibraryOfTheOtherBitnessIsNamedAsSuch) {
    testing::TempDir dir;
    LibraryPlatform platform(dir.path());
    platform.loads = false;
    LoadedTerminalLibrary library(platform, "Iae17.dll");
    const auto failure = [&library] { return Failure([&library] { library.Free(); }); };
    EXPECT_EQ(failure(), "53 Libreria del terminale non trovata: Iae17.dll");
    // The other bitness's ELF class byte: 1 for a 64-bit process, 2 for a 32-bit one.
    const char otherClass = sizeof(void*) == 8 ? 1 : 2;
    testing::WriteFile(dir / "Iae17.dll", std::string("\x7F") + "ELF" + otherClass + "rest");
    EXPECT_EQ(failure(),
              "48 Libreria del terminale non utilizzabile: Iae17.dll \xE8 a " +
                  std::string(sizeof(void*) == 8 ? "32 bit: serve la versione a 64 bit"
                                                 : "64 bit: serve la versione a 32 bit"));
}

}  // namespace
}  // namespace varnix::iae17
