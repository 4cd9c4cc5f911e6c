// The host platform's files, registry and per-user folders, and the data folder found through
// them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <vector>

#include <cstdio>
#include <cstdlib>

#include "config/DataFolder.h"
#include "fakes/FaultyFiles.h"
#include "fakes/TestEnv.h"
#include "platform/BinaryImage.h"
#include "platform/RegFile.h"
#include "platform/Registry.h"
#ifdef _WIN32
#include <chrono>
#include <thread>

#include "platform/win32/WindowsHeaders.h"
#else
#include "platform/posix/PosixPlatform.h"
#endif

namespace varnix::platform {
namespace {

using Env = std::optional<std::string>;
using testing::Join;
constexpr const char* kSubKey = "SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX";
constexpr const char* kKey = "HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX";

// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

TEST(HostPlatformTest, FilesKeepTheirBytesExactly) {
    testing::TempDir dir;
    Platform& p = HostPlatform();
    const std::string file = dir / "a.TXT";
    const std::string bytes("line\r\nwith\0nul\r\n\xE8", 17);
    EXPECT_TRUE(p.WriteWholeFile(file, bytes) && p.AppendToFile(file, "more"));
    const auto appended = p.ReadWholeFile(file);
    EXPECT_TRUE(p.WriteWholeFile(file, "short"));
    EXPECT_EQ(std::pair(appended, p.ReadWholeFile(file)),
              std::pair(std::optional(bytes + "more"), std::optional<std::string>("short")));
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

TEST(HostPlatformTest, IdentityPiecewiseReadingAndDurableReplacing) {
    testing::TempDir dir;
    Platform& p = HostPlatform();
    const std::string file = dir / "SRINPF.TXT";
    ASSERT_TRUE(p.WriteWholeFile(file, "abc\r\n"));
    const auto stat = p.StatFile(file);
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->size, 5U);
    auto reader = p.OpenForReading(file);
    ASSERT_TRUE(reader);
    std::string piece(2, '\0');
    EXPECT_EQ(reader->Read(piece.data(), 2), 2U);
    EXPECT_EQ(piece, "ab");
    EXPECT_TRUE(reader->Seek(4) && reader->Read(piece.data(), 2) == 1U && piece[0] == '\n');
    EXPECT_TRUE(reader->Stat() && reader->Stat()->SameAs(*stat));
    reader.reset();

    // Replaced by a new file: other bytes, another identity, nothing left beside it.
    ASSERT_TRUE(p.ReplaceContents(file, "xyz", true) && p.ReplaceContents(file + "2", "", false));
    EXPECT_EQ(p.ReadWholeFile(file), std::optional<std::string>("xyz"));
    EXPECT_FALSE(p.StatFile(file)->SameAs(*stat));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"SRINPF.TXT", "SRINPF.TXT2"}));
    EXPECT_FALSE(p.ReplaceContents(dir.InMissingFolder("J.TXT"), "x", true));
    EXPECT_FALSE(p.StatFile(dir / "none") || p.StatFile(dir.path()) ||
                 p.OpenForReading(dir.path()));
}

#ifdef _WIN32
// A register reading its result file as Windows programs commonly open one: sharing reading and
// writing, not deletion, so a rename over the file fails while it is open.
HANDLE OpenAsAReader(const std::string& path) {
    return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(HostPlatformTest, ReplacingWaitsBrieflyForAReaderToLetGo) {
    using namespace std::chrono_literals;
    testing::TempDir dir;
    Platform& p = HostPlatform();
    const std::string file = dir / "SROUTF.TXT";
    ASSERT_TRUE(p.WriteWholeFile(file, "old"));

    // The reader lets go once the replace has begun (its temporary file is there) and has had a
    // while to fail; the wait for the temporary file is bounded, so a replace that never begins
    // fails the test instead of hanging it.
    HANDLE reader = OpenAsAReader(file);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread holder([&] {
        for (int i = 0; i < 500 && Names(dir.path()).size() < 2; ++i) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(300ms);
        ::CloseHandle(reader);
    });
    const bool replaced = p.ReplaceContents(file, "new", false);
    holder.join();
    EXPECT_TRUE(replaced);
    EXPECT_EQ(p.ReadWholeFile(file), std::optional<std::string>("new"));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"SROUTF.TXT"});

    // A reader that never lets go: the replace gives up after its bound, and the old bytes stay
    // with nothing left beside them.
    reader = OpenAsAReader(file);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(p.ReplaceContents(file, "newer", true));
    const auto waited = std::chrono::steady_clock::now() - start;
    ::CloseHandle(reader);
    EXPECT_TRUE(waited >= 1900ms && waited < 30s)
        << std::chrono::duration_cast<std::chrono::milliseconds>(waited).count() << " ms";
    EXPECT_EQ(p.ReadWholeFile(file), std::optional<std::string>("new"));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"SROUTF.TXT"});
}
#endif

TEST(HostPlatformTest, WriterWatchSeesTheWriterUntilItClosesAndTimesWhatItSaw) {
    testing::TempDir dir;
    Platform& p = HostPlatform();
    const std::string file = dir / "SRINPF.TXT";
    const auto watch = p.WatchWriters(file);
    ASSERT_TRUE(watch);
    // Events come on the watch's own time: wait (bounded) for each to be seen.
    const auto becomes = [&](WriterState state) {
        return testing::Eventually([&] { return watch->State() == state; }, 5);
    };
    EXPECT_FALSE(watch->LastChangeAgeMs());
    std::atomic<int> readies = 0;  // the watch's own thread says when the file may be ready
    watch->OnReady([&readies] { ++readies; });
    std::FILE* writer = std::fopen(file.c_str(), "wb");
    ASSERT_NE(writer, nullptr);
    std::fputs("POS_", writer);
    std::fflush(writer);
#ifdef _WIN32
    EXPECT_EQ(watch->State(), WriterState::Open);  // every open handle is seen
#else
    EXPECT_TRUE(becomes(WriterState::Writing));
#endif
    EXPECT_EQ(readies, 0) << "a writer still at it";
    std::fclose(writer);
    EXPECT_TRUE(testing::Eventually([&] { return readies > 0; }, 5)) << "the close was not told";
    EXPECT_TRUE(becomes(WriterState::Closed));
    const std::uint64_t removals = watch->Removals();
    const auto age = watch->LastChangeAgeMs();
    ASSERT_TRUE(age);
    EXPECT_TRUE(*age >= 0 && *age < 5000) << *age;
    p.RemoveFile(file);
    EXPECT_TRUE(becomes(WriterState::Unknown));
    EXPECT_TRUE(testing::Eventually([&] { return watch->Removals() == removals + 1; }, 5));
#ifndef _WIN32
    // The folder deleted and made again: the first file written there is seen being written.
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the watch finds it again
    writer = std::fopen(file.c_str(), "wb");
    ASSERT_NE(writer, nullptr);
    std::fputs("POS_TOTTER\r\n", writer);
    std::fflush(writer);
    EXPECT_TRUE(becomes(WriterState::Writing));
    std::fclose(writer);
    EXPECT_TRUE(becomes(WriterState::Closed));
#endif
}

TEST(HostPlatformTest, AClaimIsExclusiveUntilReleasedAndOnePathHasOneCanonicalName) {
    Platform& p = HostPlatform();
    testing::TempDir dir;
    const std::string name = p.CanonicalPath(dir / "SRINPF.TXT");
    auto held = p.ClaimExclusive(name);
    ASSERT_EQ(held.outcome, ExclusiveClaim::Outcome::Held);
    EXPECT_EQ(p.ClaimExclusive(name).outcome, ExclusiveClaim::Outcome::Busy);
    EXPECT_EQ(p.ClaimExclusive(name + "2").outcome, ExclusiveClaim::Outcome::Held);
    // Nothing on the disk stands for it: the folder can go and come back.
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path());
    EXPECT_EQ(p.ClaimExclusive(name).outcome, ExclusiveClaim::Outcome::Busy);
    held.lock.reset();
    EXPECT_EQ(p.ClaimExclusive(name).outcome, ExclusiveClaim::Outcome::Held);

    // Ways of naming one file; a missing folder is named as written, made absolute.
    const std::string sep(1, p.Separator());
    std::filesystem::create_directories(dir / "sub");
    EXPECT_EQ(p.CanonicalPath(dir / "sub" + sep + ".." + sep + "SRINPF.TXT"), name);
#ifdef _WIN32
    EXPECT_EQ(p.CanonicalPath(text::ToUpper(dir / "srinpf.txt")), name);
#else
    std::filesystem::create_directory_symlink(dir.path(), dir / "link");
    EXPECT_EQ(p.CanonicalPath(dir / "link" + sep + "SRINPF.TXT"), name);
    // A folder missing for a while: the same file by every spelling all the same.
    EXPECT_EQ(p.CanonicalPath(dir / "link" + sep + "gone" + sep + sep + "X.TXT"),
              p.CanonicalPath(dir / "gone" + sep + "." + sep + "X.TXT"));
#endif
    EXPECT_NE(p.CanonicalPath("SRINPF.TXT").find(sep), std::string::npos);
    // A folder's identity is the same by every path that reaches it, and no other's.
    const auto id = p.FolderIdentity(dir.path());
    ASSERT_TRUE(id);
    EXPECT_EQ(p.FolderIdentity(dir / "sub" + sep + ".."), id);
    EXPECT_NE(p.FolderIdentity(dir / "sub"), id);
    EXPECT_FALSE(p.FolderIdentity(dir.InMissingFolder("x")) || p.FolderIdentity(name));
#ifndef _WIN32
    EXPECT_EQ(p.FolderIdentity(dir / "link"), id);
#endif
    EXPECT_EQ(p.CanonicalPath(dir.InMissingFolder("X.TXT")).back(), 'T');
    EXPECT_FALSE(p.SharedFolder(std::string("VarnixPosTest") + sep + "sub").empty());
}

TEST(RegistryTest, KeyShapesAndRawAnswersBecomeText) {
    EXPECT_EQ((std::vector{IsValidKeyPath(kSubKey), IsValidKeyPath("SOFTWARE"),
                           IsValidKeyPath("\\SOFTWARE\\X"), IsValidKeyPath("SOFTWARE\\X\\"),
                           IsValidKeyPath("SOFTWARE\\\\X")}),
              (std::vector{true, true, false, false, false}));
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
        key + "\"V\"=\"x\" and more\n", std::string("\xFF\xFE\x41", 3)};
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
    const std::string set = Join({read(kSubKey), read("SOFTWARE\\ZANDRIK Engineering\\NoSuchKey")});
    testing::SetDataFolderOverride(std::nullopt);
    EXPECT_EQ(Join({set, read(kSubKey)}), "C:\\Cassa\\Dati|none|none");

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
    EXPECT_TRUE(appData.back() != sep && HostPlatform().FolderExists(appData) &&
                !HostPlatform().FolderExists(defaultFolder));
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
            EXPECT_EQ(
                Join({HostPlatform().CommonAppDataFolder(), PosixPlatform::RegistryFilePath()}),
                Join({home.path() + "user/.local/share",
                      home.path() + "user/.config/varnixpos/registry.reg"}));
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
    EXPECT_EQ(
        Join({HostPlatform().CommandLineText(3, argv), HostPlatform().CommandLineText(1, argv)}),
        "-E /x/c.txt|");
    // The loader's own reason, which names the file, not just the name.
    std::string error;
    EXPECT_EQ(HostPlatform().LoadLibraryFile("libVarnixNoSuch.so", error), nullptr);
    EXPECT_TRUE(error != "libVarnixNoSuch.so" &&
                error.find("libVarnixNoSuch.so") != std::string::npos)
        << error;
}
#endif

// A PE header: "MZ", e_lfanew at 0x3C (normally pointing at 0x40), "PE\0\0", then the machine.
std::string Pe(unsigned machine, char lfanew = 0x40) {
    std::string bytes = "MZ" + std::string(0x46, '\0');
    bytes[0x3C] = lfanew;
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    bytes[0x44] = static_cast<char>(machine & 0xFF);
    bytes[0x45] = static_cast<char>(machine >> 8);
    return bytes;
}

TEST(BinaryImageTest, TellsThirtyTwoFromSixtyFourBitsAndOnlyTheOtherIsAMismatch) {
    const auto elf = [](char elfClass) {
        return std::string("\x7F") + "ELF" + elfClass + std::string(11, '\0');
    };
    constexpr ImageBits k32 = ImageBits::Bits32, k64 = ImageBits::Bits64, kNo = ImageBits::Unknown;
    // The e_lfanew of 0x7F points past the end of what was read.
    // clang-format off
    const std::pair<std::string, ImageBits> cases[] = {
        {Pe(0x14C), k32}, {Pe(0x8664), k64}, {Pe(0xAA64), k64}, {Pe(0x1C0), kNo}, {elf(1), k32},
        {elf(2), k64}, {elf(3), kNo}, {Pe(0x14C, 0x7F), kNo}, {Pe(0x14C).substr(0, 0x30), kNo},
        {"MZ" + std::string(0x50, 'x'), kNo}, {"", kNo}, {elf(1).substr(0, 3), kNo}};
    // clang-format on
    for (const auto& [header, bits] : cases) {
        EXPECT_EQ(BitsOfImage(header), bits) << header.size();
    }
    const bool is64 = kProcessBits == k64;
    EXPECT_EQ(Join({BitnessMismatch("Iae17.dll", is64 ? k32 : k64),
                    BitnessMismatch("Iae17.dll", kProcessBits), BitnessMismatch("Iae17.dll", kNo)}),
              std::string("Iae17.dll \xE8 a ") + (is64 ? "32 bit: serve la versione a 64 bit||"
                                                       : "64 bit: serve la versione a 32 bit||"));
}

}  // namespace
}  // namespace varnix::platform
