// Runs the whole engine headless for scenario tests: a Session on fake ports (time advances only
// when the engine sleeps, so a 20 s simulated payment costs nothing), a private home folder whose
// XDG variables and registry stand-in point the data folder into it, and ticks of the polling
// timer on demand.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "engine/Session.h"
#include "fakes/FakeLibrary.h"
#include "fakes/FakePorts.h"
#include "fakes/TestEnv.h"
#include "startup/Startup.h"

namespace varnix::fakes {

// Serial, so no address check stands in the way; both files in the data folder.
constexpr const char* kSerialConfig = "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n";

class EngineDriver {
  public:
    // With `library` null the recording fake library is used; with `platform` null the host's.
    explicit EngineDriver(iae17::TerminalLibrary* library = nullptr,
                          platform::Platform* platform = nullptr);

    // Creates the data folder, as an installer would.
    void CreateDataFolder() { std::filesystem::create_directories(dataFolder); }
    // The console's load handler with this command-line text.
    startup::RunMode Start(const std::string& commandLine = "") {
        return startup::Startup(*session).Form_Load(commandLine);
    }
    // Creates the data folder with this configuration (none: the first-start one), starts
    // resident and runs the first cycle, which asks for the status. True once connected.
    bool Connect(const std::string& config = kSerialConfig);
    // Runs `count` polling cycles, each only if the timer is on and the process has not ended.
    // Returns how many ran.
    int Tick(int count = 1);

    std::string Data(const std::string& name) const { return dataFolder + name; }
    std::string ReadData(const std::string& name) const { return testing::ReadFile(Data(name)); }
    // Written a while ago: the file has long held still, so a cycle runs it at once.
    void WriteData(const std::string& name, const std::string& bytes) const {
        WriteFreshData(name, bytes);
        testing::SetFileAge(Data(name), 10);
    }
    // Written just now.
    void WriteFreshData(const std::string& name, const std::string& bytes) const {
        testing::WriteFile(Data(name), bytes);
    }
    bool DataExists(const std::string& name) const {
        return platform::HostPlatform().FileExists(Data(name));
    }

    testing::TempDir home;
    testing::ScopedEnv dataHome{"XDG_DATA_HOME", home.path() + "share"};
    testing::ScopedEnv configHome{"XDG_CONFIG_HOME", home.path() + "config"};
    std::string dataFolder;

    FakeDialogs dialogs;
    FakeEventPump events;
    FakeTimer timer;
    FakeClock clock;
    FakeShell shell;
    FakeLibrary fakeLibrary;
    std::unique_ptr<engine::Session> session;
};

}  // namespace varnix::fakes
