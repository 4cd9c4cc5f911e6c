// The host platform's files, registry and per-user folders, and the data folder found through
// them.
#include <gtest/gtest.h>

#include "config/DataFolder.h"
#include "fakes/FaultyFiles.h"
#include "fakes/TestEnv.h"
#include "platform/RegFile.h"
#include "platform/Registry.h"
#ifndef _WIN32
#include "platform/posix/PosixPlatform.h"
#endif

namespace varnix::platform {
namespace {

using Env = std::optional<std::string>;
using testing::Join;
constexpr const char* kSubKey = "SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX";
constexpr const char* kKey = "HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX";

TEST(HostPlatformTest, FilesKeepTheirBytesExactly) {
    testing::TempDir dir;
    Platform& p = HostPlatform();
    const std::string file = dir / "a.TXT";
    const std::string bytes("line\r\nwith\0nul\r\n\xE8", 17);
    EXPECT_TRUE(p.WriteWholeFile(file, bytes) && p.AppendToFile(file, "more"));
    EXPECT_EQ(p.ReadWholeFile(file), bytes + "more");
    EXPECT_TRUE(p.WriteWholeFile(file, "short"));
    EXPECT_EQ(p.ReadWholeFile(file), "short");
    // What each path is: a folder may be named with its trailing separator.
    const auto kind = [&p](const std::string& path) {
        return std::string(p.FileExists(path) ? "file" : "") +
               (p.FolderExists(path) ? "folder" : "");
    };
    EXPECT_EQ(Join({kind(file), kind(dir.path()), kind("")}), "file|folder|");
    EXPECT_FALSE(p.ReadWholeFile(dir.path()));
    EXPECT_TRUE(p.RemoveFile(file));
    EXPECT_EQ(kind(file), "");
    EXPECT_FALSE(p.RemoveFile(file) || p.ReadWholeFile(file));
    EXPECT_FALSE(p.WriteWholeFile(dir.InMissingFolder("a.TXT"), "x") ||
                 p.AppendToFile(dir.InMissingFolder("a.TXT"), "x"));
}

TEST(RegistryTest, KeyShapesAndRawAnswersBecomeText) {
    EXPECT_TRUE(IsValidKeyPath(kSubKey));
    EXPECT_TRUE(IsValidKeyPath("SOFTWARE"));
    for (const char* bad : {"\\SOFTWARE\\X", "SOFTWARE\\X\\", "SOFTWARE\\\\X"}) {
        EXPECT_FALSE(IsValidKeyPath(bad)) << bad;
    }
    // clang-format off
    const std::tuple<RegistryQuery, bool, std::string> cases[] = {
        {{0, kRegSz, std::string("D:\\Cassa\0", 9)}, true, "D:\\Cassa"},
        {{0, kRegSz, "no terminator"}, true, "no terminator"},
        {{0, kRegSz, std::string("a\0b\0", 4)}, true, std::string("a\0b", 3)},
        {{0, kRegDword, std::string("\x2a\0\0\0", 4)}, true, "42"},
        {{0, kRegDword, "\xFF\xFF\xFF\xFF"}, true, "-1"}, {{0, 3, "\x01\x02"}, true, ""},
        {{2, 0, ""}, false, "unchanged"}, {{234, 0, ""}, false, "unchanged"}};
    // clang-format on
    fakes::FaultyFiles platform;
    const auto read = [&platform](const char* key) {
        std::string value = "unchanged";
        const bool ok = LeggiValoreRegistro(platform, RegistryRoot::CurrentUser, key, "V", value);
        return std::pair(ok, value);
    };
    for (const auto& [answer, ok, text] : cases) {
        platform.registry = answer;
        EXPECT_EQ(read("SOFTWARE\\X"), std::pair(ok, text));
    }
    EXPECT_EQ(read("\\SOFTWARE"), std::pair(false, std::string("unchanged")));
    EXPECT_EQ(platform.registryQueries, 8);  // a bad key shape never reaches the registry
}

TEST(RegFileTest, ReadsStringsDwordsEscapesAndUtf16) {
    const auto file = RegFile::Parse(
        testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/platform/golden/export.reg"));
    const auto data = [&file](const std::string& key, const char* name) {
        return file.Find(key, name)->data;
    };
    EXPECT_EQ(Join({data(kKey, "customPATHdatadir"), data(kKey, "Count"), data(kKey, "Bin"),
                    data(kKey, ""), data(kKey + std::string("\\"), "Multi")}),
              Join({std::string("C:\\Dati \"x\"\0", 12), std::string("\x2a\0\0\0", 4),
                    "\x01\x02\x03", std::string("default\0", 8), std::string("A\0\0\0", 4)}));
    EXPECT_EQ(std::tuple(file.Find(kKey, "Count")->type, file.Find(kKey, "Multi")->type),
              std::tuple(kRegDword, 7U));

    // As Windows exports it: UTF-16 with its byte order mark.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n"
                              "\"V\"=\"caff\xE8\"\r\n")) {
        utf16 += {c, '\0'};
    }
    EXPECT_EQ(RegFile::Parse(utf16).Find("HKEY_CURRENT_USER\\K", "V")->data,
              std::string("caff\xE8\0", 6));
}

TEST(RegFileTest, MalformedInputHoldsNoValueAndNeverFails) {
    const std::string header = "Windows Registry Editor Version 5.00\n";
    const std::string key = header + "[HKEY_CURRENT_USER\\K]\n";
    // clang-format off
    const std::string inputs[] = {
        "", "[HKEY_CURRENT_USER\\K]\n\"V\"=\"x\"\n" /* no header */, key + "\"V\"=\"unterminated\n",
        header + "\"V\"=\"outside any key\"\n[HKEY_CURRENT_USER\\K]\n", key + "\"V\"=hex:zz\n",
        key + "\"V\"=dword:123456789\n", key + "\"V\"=\"x\"\n\"V\"=-\n", key + "\"V\"\"x\"\n",
        header + "[-HKEY_CURRENT_USER\\K]\n\"V\"=\"x\"\n", header + "[HKEY_CURRENT_USER\\K\n\"V\"=\"x\"\n",
        std::string("\xFF\xFE\x41", 3)};
    // clang-format on
    for (const auto& input : inputs) {
        EXPECT_FALSE(RegFile::Parse(input).Find("HKEY_CURRENT_USER\\K", "V")) << input;
    }
}

// Every per-user location of the platform points into a temporary folder.
class HomeTest : public ::testing::Test {
  protected:
    void TearDown() override { testing::SetDataFolderOverride(std::nullopt); }

    testing::TempDir home;
    testing::ScopedEnv config{"XDG_CONFIG_HOME", home.path() + "config"};
    testing::ScopedEnv data{"XDG_DATA_HOME", home.path() + "share"};
    const char sep = HostPlatform().Separator();
    const std::string defaultFolder =
        config::Read_CSIDL_COMMON_APPDATA(HostPlatform()) + sep + "ZANDRIKVarnixPos" + sep;
};

TEST_F(HomeTest, OverrideInTheRegistryNamesTheDataFolderOnlyWhenItExists) {
    const auto read = [](const char* key) {
        std::string value = "none";
        LeggiValoreRegistro(HostPlatform(), RegistryRoot::CurrentUser, key, "CustomPathDataDir",
                            value);
        return value;
    };
    testing::SetDataFolderOverride("C:\\Cassa\\Dati");
    EXPECT_EQ(read(kSubKey), "C:\\Cassa\\Dati");
    EXPECT_EQ(read("SOFTWARE\\ZANDRIK Engineering\\NoSuchKey"), "none");
    testing::SetDataFolderOverride(std::nullopt);
    EXPECT_EQ(read(kSubKey), "none");

    // The override without its trailing separator, and the data folder with it.
    const auto found = [] {
        return Join(
            {config::GetCustomDataDir(HostPlatform()), config::ResolveDataFolder(HostPlatform())});
    };
    const std::string cassa = home.MakeFolder("Cassa");
    for (const std::string& value : {cassa, cassa.substr(0, cassa.size() - 1)}) {
        testing::SetDataFolderOverride(value);
        EXPECT_EQ(found(), Join({cassa.substr(0, cassa.size() - 1), cassa})) << value;
    }
    for (const Env& value : {Env(), Env(""), Env(home.path() + "missing")}) {
        testing::SetDataFolderOverride(value);
        EXPECT_EQ(found(), Join({"", defaultFolder}));
    }
    // The default lives under the application-data folder, which is made when missing; the data
    // folder itself is the installer's business, never ours.
    const std::string appData = config::Read_CSIDL_COMMON_APPDATA(HostPlatform());
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), sep);
    EXPECT_TRUE(HostPlatform().FolderExists(appData));
    EXPECT_FALSE(HostPlatform().FolderExists(defaultFolder));
#ifndef _WIN32
    EXPECT_EQ(appData, home.path() + "share");
#endif
}

#ifndef _WIN32
TEST_F(HomeTest, PosixFoldersFallBackToHomeAndLoseTheirTrailingSlashes) {
    {
        testing::ScopedEnv homeVar("HOME", home.path() + "user");
        for (const Env& value : {Env(), Env("relative/share")}) {
            testing::ScopedEnv dataVar("XDG_DATA_HOME", value);
            testing::ScopedEnv configVar("XDG_CONFIG_HOME", value);
            EXPECT_EQ(HostPlatform().CommonAppDataFolder(), home.path() + "user/.local/share");
            EXPECT_EQ(PosixPlatform::RegistryFilePath(),
                      home.path() + "user/.config/varnixpos/registry.reg");
        }
    }
    testing::ScopedEnv configVar("XDG_CONFIG_HOME", std::nullopt);
    for (const Env& homeValue : {Env(), Env("")}) {
        testing::ScopedEnv homeVar("HOME", homeValue);
        EXPECT_EQ(PosixPlatform::RegistryFilePath(), "");  // no registry at all
    }
    const std::pair<std::string, std::string> folders[] = {
        {"/", "/"}, {"//", "/"}, {home.path() + "share//", home.path() + "share"}};
    for (const auto& [value, folder] : folders) {
        testing::ScopedEnv dataVar("XDG_DATA_HOME", value);
        EXPECT_EQ(HostPlatform().CommonAppDataFolder(), folder) << value;
    }
}

TEST(HostPlatformTest, PosixCommandLineAndLibraryErrors) {
    const char* argv[] = {"varnixpos", "-E", "/x/c.txt"};
    EXPECT_EQ(HostPlatform().CommandLineText(3, argv), "-E /x/c.txt");
    EXPECT_EQ(HostPlatform().CommandLineText(1, argv), "");
    // The loader's own reason, which names the file, not just the name.
    std::string error;
    EXPECT_EQ(HostPlatform().LoadLibraryFile("libVarnixNoSuch.so", error), nullptr);
    EXPECT_NE(error, "libVarnixNoSuch.so");
    EXPECT_NE(error.find("libVarnixNoSuch.so"), std::string::npos) << error;
}
#endif

}  // namespace
}  // namespace varnix::platform
