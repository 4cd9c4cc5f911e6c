#include "config/Paths.h"

#include <gtest/gtest.h>

namespace varnix::config {
namespace {

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

TEST(PathsTest, FolderEndsAtTheLastSeparatorOfThePlatform) {
    struct Case {
        PathStyle style;
        const char* path;
        const char* folder;
    };
    // clang-format off
    const Case cases[] = {
        {W, "C:\\IO\\SRINPF.TXT", "C:\\IO\\"}, {W, "C:\\IO\\", "C:\\IO\\"}, {W, "C:SRINPF.TXT", "C:"},
        {W, "SRINPF.TXT", ""}, {W, "C:\\a/b.txt", "C:\\"}, {P, "/io/SRINPF.TXT", "/io/"},
        {P, "/io/a:b/SRINPF.TXT", "/io/a:b/"}, {P, "/io/x:SRINPF.TXT", "/io/"},
        {P, "C:\\IO\\SRINPF.TXT", ""}, {P, "", ""}};
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(GetPathFolder(c.path, c.style), c.folder) << c.path;
    }
    EXPECT_TRUE(IsBareFileName("SROUTF.TXT", W));
    EXPECT_FALSE(IsBareFileName("D:\\SROUTF.TXT", W));
    EXPECT_TRUE(IsBareFileName("D:SROUTF.TXT", W));
    EXPECT_FALSE(IsBareFileName("/d/SROUTF.TXT", P));
    EXPECT_TRUE(IsBareFileName("D:\\SROUTF.TXT", P));
}

TEST(PathsTest, AddressIsCheckedOnItsFirstFourParts) {
    for (const char* valid : {"10.0.0.7", "192.168.1.101", "10.0.0.7.9", "-1.0.0.7",
                              " 10 . 0 . 0 . 7 ", "10.0.0.255", "10.0.0.7.x"}) {
        EXPECT_TRUE(IsValidIP(valid)) << valid;
    }
    for (const char* invalid :
         {"192.168.1.256", "10.0.0.256", "10.0.0", "", "a.b.c.d", "10..0.7"}) {
        EXPECT_FALSE(IsValidIP(invalid)) << invalid;
    }
}

}  // namespace
}  // namespace varnix::config
