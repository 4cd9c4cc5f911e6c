#include <gtest/gtest.h>

#include "fakes/TestEnv.h"
#include "platform/Platform.h"

namespace varnix::platform {
namespace {

TEST(HostPlatformTest, FilesKeepTheirBytesExactly) {
    testing::TempDir dir;
    Platform& p = HostPlatform();
    const std::string file = dir / "a.TXT";
    const std::string bytes("line\r\nwith\0nul\r\n\xE8", 17);
    EXPECT_TRUE(p.WriteWholeFile(file, bytes));
    EXPECT_EQ(p.ReadWholeFile(file), bytes);
    EXPECT_TRUE(p.AppendToFile(file, "more"));
    EXPECT_EQ(p.ReadWholeFile(file), bytes + "more");
    EXPECT_TRUE(p.WriteWholeFile(file, "short"));
    EXPECT_EQ(p.ReadWholeFile(file), "short");

    EXPECT_TRUE(p.FileExists(file));
    EXPECT_FALSE(p.FolderExists(file));
    EXPECT_TRUE(p.FolderExists(dir.path()));  // with its trailing separator
    EXPECT_FALSE(p.FileExists(dir.path()));
    EXPECT_FALSE(p.ReadWholeFile(dir.path()));
    EXPECT_FALSE(p.FileExists(""));
    EXPECT_FALSE(p.FolderExists(""));

    EXPECT_TRUE(p.RemoveFile(file));
    EXPECT_FALSE(p.FileExists(file));
    EXPECT_FALSE(p.RemoveFile(file));
    EXPECT_FALSE(p.ReadWholeFile(file));
}

TEST(HostPlatformTest, WritingIntoAMissingFolderFailsQuietly) {
    testing::TempDir dir;
    const std::string file = dir.path() + "missing" + HostPlatform().Separator() + "a.TXT";
    EXPECT_FALSE(HostPlatform().WriteWholeFile(file, "x"));
    EXPECT_FALSE(HostPlatform().AppendToFile(file, "x"));
}

#ifndef _WIN32
TEST(HostPlatformTest, PosixCommandLineIsTheArgumentsJoinedByBlanks) {
    const char* argv[] = {"varnixpos", "-E", "/x/c.txt"};
    EXPECT_EQ(HostPlatform().CommandLineText(3, argv), "-E /x/c.txt");
    EXPECT_EQ(HostPlatform().CommandLineText(1, argv), "");
}
#endif

}  // namespace
}  // namespace varnix::platform
