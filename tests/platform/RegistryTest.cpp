#include "platform/Registry.h"

#include <gtest/gtest.h>

#include "fakes/TestEnv.h"
#include "platform/PlatformWrapper.h"
#include "platform/RegFile.h"

namespace varnix::platform {
namespace {

TEST(IsValidKeyPathTest, RefusesBadShapes) {
    EXPECT_TRUE(IsValidKeyPath("SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX"));
    EXPECT_TRUE(IsValidKeyPath("SOFTWARE"));
    EXPECT_FALSE(IsValidKeyPath("\\SOFTWARE\\X"));
    EXPECT_FALSE(IsValidKeyPath("SOFTWARE\\X\\"));
    EXPECT_FALSE(IsValidKeyPath("SOFTWARE\\\\X"));
}

// Answers every query with a fixed result and counts the queries.
class ScriptedRegistry : public PlatformWrapper {
  public:
    ScriptedRegistry() : PlatformWrapper(HostPlatform()) {}
    RegistryQuery QueryRegistryValue(RegistryRoot, const std::string&,
                                     const std::string&) override {
        ++queries;
        return answer;
    }
    RegistryQuery answer;
    int queries = 0;
};

TEST(LeggiValoreRegistroTest, TurnsTheRawAnswerIntoText) {
    struct Case {
        RegistryQuery answer;
        bool ok;
        std::string value;
    };
    const Case cases[] = {
        {{0, kRegSz, std::string("D:\\Cassa\0", 9)}, true, "D:\\Cassa"},
        {{0, kRegSz, "no terminator"}, true, "no terminator"},
        {{0, kRegSz, std::string("a\0b\0", 4)}, true, std::string("a\0b", 3)},
        {{0, kRegDword, std::string("\x2a\0\0\0", 4)}, true, "42"},
        {{0, kRegDword, "\xFF\xFF\xFF\xFF"}, true, "-1"},
        {{0, 3, "\x01\x02"}, true, ""},
        {{2, 0, ""}, false, "unchanged"},
        {{234, 0, ""}, false, "unchanged"},
    };
    for (const auto& c : cases) {
        ScriptedRegistry platform;
        platform.answer = c.answer;
        std::string value = "unchanged";
        EXPECT_EQ(
            LeggiValoreRegistro(platform, RegistryRoot::CurrentUser, "SOFTWARE\\X", "V", value),
            c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(LeggiValoreRegistroTest, BadKeyShapeNeverReachesTheRegistry) {
    ScriptedRegistry platform;
    std::string value = "kept";
    EXPECT_FALSE(
        LeggiValoreRegistro(platform, RegistryRoot::CurrentUser, "\\SOFTWARE", "V", value));
    EXPECT_EQ(platform.queries, 0);
    EXPECT_EQ(value, "kept");
}

constexpr const char* kKey = "HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX";

TEST(RegFileTest, ReadsStringsDwordsAndEscapes) {
    const auto file = RegFile::Parse(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX]\r\n"
        "\"CustomPathDataDir\"=\"C:\\\\Dati \\\"x\\\"\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Bin\"=hex:01,02,\\\r\n  03\r\n"
        "\"Multi\"=hex(7):41,00,00,00\r\n"
        "@=\"default\"\r\n");
    EXPECT_EQ(file.Find(kKey, "customPATHdatadir")->data, std::string("C:\\Dati \"x\"\0", 12));
    EXPECT_EQ(file.Find(kKey, "Count")->type, kRegDword);
    EXPECT_EQ(file.Find(kKey, "Count")->data, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(file.Find(kKey, "Bin")->data, "\x01\x02\x03");
    EXPECT_EQ(file.Find(kKey, "Multi")->type, 7U);
    EXPECT_EQ(file.Find(kKey, "")->data, std::string("default\0", 8));
    EXPECT_EQ(file.Find(std::string(kKey) + "\\", "Count")->type, kRegDword);
}

TEST(RegFileTest, ReadsUtf16ExportsAsWindowsWritesThem) {
    const std::string ansi =
        "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n"
        "\"V\"=\"caff\xE8\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : ansi) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    EXPECT_EQ(RegFile::Parse(utf16).Find("HKEY_CURRENT_USER\\K", "V")->data,
              std::string("caff\xE8\0", 6));
}

TEST(RegFileTest, MalformedInputHoldsNoValueAndNeverFails) {
    const char* header = "Windows Registry Editor Version 5.00\n";
    const std::string inputs[] = {
        "",
        "[HKEY_CURRENT_USER\\K]\n\"V\"=\"x\"\n",  // no header
        std::string(header) + "\"V\"=\"outside any key\"\n[HKEY_CURRENT_USER\\K]\n",
        std::string(header) + "[HKEY_CURRENT_USER\\K]\n\"V\"=\"unterminated\n",
        std::string(header) + "[HKEY_CURRENT_USER\\K]\n\"V\"=dword:123456789\n",
        std::string(header) + "[HKEY_CURRENT_USER\\K]\n\"V\"=hex:zz\n",
        std::string(header) + "[HKEY_CURRENT_USER\\K]\n\"V\"=\"x\"\n\"V\"=-\n",
        std::string(header) + "[-HKEY_CURRENT_USER\\K]\n\"V\"=\"x\"\n",
        std::string(header) + "[HKEY_CURRENT_USER\\K\n\"V\"=\"x\"\n",
        std::string(header) + "[HKEY_CURRENT_USER\\K]\n\"V\"\"x\"\n",
        std::string("\xFF\xFE\x41", 3),
    };
    for (const auto& input : inputs) {
        EXPECT_FALSE(RegFile::Parse(input).Find("HKEY_CURRENT_USER\\K", "V")) << input;
    }
}

TEST(HostRegistryTest, ReadsTheDataFolderOverrideWhereTheUserSetsIt) {
    testing::TempDir home;
    testing::ScopedEnv config("XDG_CONFIG_HOME", home.path() + "config");
    testing::SetDataFolderOverride("C:\\Cassa\\Dati");
    std::string value;
    EXPECT_TRUE(LeggiValoreRegistro(HostPlatform(), RegistryRoot::CurrentUser,
                                    "SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX",
                                    "CustomPathDataDir", value));
    EXPECT_EQ(value, "C:\\Cassa\\Dati");
    EXPECT_FALSE(LeggiValoreRegistro(HostPlatform(), RegistryRoot::CurrentUser,
                                     "SOFTWARE\\ZANDRIK Engineering\\NoSuchKey",
                                     "CustomPathDataDir", value));
    testing::SetDataFolderOverride(std::nullopt);
    EXPECT_FALSE(LeggiValoreRegistro(HostPlatform(), RegistryRoot::CurrentUser,
                                     "SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX",
                                     "CustomPathDataDir", value));
}

}  // namespace
}  // namespace varnix::platform
