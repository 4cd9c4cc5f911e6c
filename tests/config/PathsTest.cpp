#include "config/Paths.h"

#include <gtest/gtest.h>

namespace varnix::config {
namespace {

struct FolderCase {
    PathStyle style;
    const char* path;
    const char* folder;
};

class GetPathFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(GetPathFolderTest, CutsAfterTheLastSeparator) {
    const auto& c = GetParam();
    EXPECT_EQ(GetPathFolder(c.path, c.style), c.folder) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, GetPathFolderTest,
    ::testing::Values(FolderCase{PathStyle::Windows, "C:\\IO\\SRINPF.TXT", "C:\\IO\\"},
                      FolderCase{PathStyle::Windows, "C:\\IO\\", "C:\\IO\\"},
                      FolderCase{PathStyle::Windows, "C:SRINPF.TXT", "C:"},
                      FolderCase{PathStyle::Windows, "SRINPF.TXT", ""},
                      FolderCase{PathStyle::Windows, "C:\\a/b.txt", "C:\\"},
                      FolderCase{PathStyle::Posix, "/io/SRINPF.TXT", "/io/"},
                      FolderCase{PathStyle::Posix, "/io/a:b/SRINPF.TXT", "/io/a:b/"},
                      FolderCase{PathStyle::Posix, "/io/x:SRINPF.TXT", "/io/"},
                      FolderCase{PathStyle::Posix, "C:\\IO\\SRINPF.TXT", ""},
                      FolderCase{PathStyle::Posix, "", ""}));

TEST(IsBareFileNameTest, LooksForThePlatformSeparatorOnly) {
    EXPECT_TRUE(IsBareFileName("SROUTF.TXT", PathStyle::Windows));
    EXPECT_FALSE(IsBareFileName("D:\\SROUTF.TXT", PathStyle::Windows));
    EXPECT_TRUE(IsBareFileName("D:SROUTF.TXT", PathStyle::Windows));
    EXPECT_FALSE(IsBareFileName("/d/SROUTF.TXT", PathStyle::Posix));
    EXPECT_TRUE(IsBareFileName("D:\\SROUTF.TXT", PathStyle::Posix));
}

struct IpCase {
    const char* text;
    bool valid;
};

class IsValidIPTest : public ::testing::TestWithParam<IpCase> {};

TEST_P(IsValidIPTest, ChecksTheFirstFourParts) {
    EXPECT_EQ(IsValidIP(GetParam().text), GetParam().valid) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, IsValidIPTest,
                         ::testing::Values(IpCase{"10.0.0.7", true}, IpCase{"192.168.1.101", true},
                                           IpCase{"10.0.0.7.9", true}, IpCase{"-1.0.0.7", true},
                                           IpCase{" 10 . 0 . 0 . 7 ", true},
                                           IpCase{"10.0.0.255", true},
                                           IpCase{"192.168.1.256", false},
                                           IpCase{"10.0.0.256", false}, IpCase{"10.0.0", false},
                                           IpCase{"", false}, IpCase{"a.b.c.d", false},
                                           IpCase{"10..0.7", false}, IpCase{"10.0.0.7.x", true}));

}  // namespace
}  // namespace varnix::config
