#include "config/DataFolder.h"

#include <gtest/gtest.h>

#include "fakes/TestEnv.h"

namespace varnix::config {
namespace {

using platform::HostPlatform;

// Points every per-user location of the platform into a temporary folder.
class DataFolderTest : public ::testing::Test {
  protected:
    void TearDown() override { testing::SetDataFolderOverride(std::nullopt); }

    testing::TempDir home_;
    testing::ScopedEnv config_{"XDG_CONFIG_HOME", home_.path() + "config"};
    testing::ScopedEnv data_{"XDG_DATA_HOME", home_.path() + "share"};
    const char sep_ = HostPlatform().Separator();
    const std::string defaultFolder_ =
        Read_CSIDL_COMMON_APPDATA(HostPlatform()) + sep_ + "ZANDRIKVarnixPos" + sep_;
};

TEST_F(DataFolderTest, OverrideWithOrWithoutTrailingSeparatorNamesTheSameFolder) {
    const std::string cassa = home_.MakeFolder("Cassa");  // ends with the separator
    for (const std::string& value : {cassa, cassa.substr(0, cassa.size() - 1)}) {
        testing::SetDataFolderOverride(value);
        EXPECT_EQ(GetCustomDataDir(HostPlatform()), cassa.substr(0, cassa.size() - 1));
        EXPECT_EQ(ResolveDataFolder(HostPlatform()), cassa) << value;
    }
}

TEST_F(DataFolderTest, UnusableOverrideFallsBackToTheDefaultSilently) {
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>(home_.path() + "missing")}) {
        testing::SetDataFolderOverride(value);
        EXPECT_EQ(GetCustomDataDir(HostPlatform()), "");
        EXPECT_EQ(ResolveDataFolder(HostPlatform()), defaultFolder_);
    }
}

TEST_F(DataFolderTest, DefaultLivesUnderTheApplicationDataFolderWhichIsNeverLeftOut) {
    const std::string appData = Read_CSIDL_COMMON_APPDATA(HostPlatform());
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), sep_);
    EXPECT_TRUE(HostPlatform().FolderExists(appData));
    // The data folder itself is the installer's business, never ours.
    EXPECT_FALSE(HostPlatform().FolderExists(defaultFolder_));
#ifndef _WIN32
    EXPECT_EQ(appData, home_.path() + "share");
#endif
}

#ifndef _WIN32
TEST_F(DataFolderTest, PosixFallsBackToHomeWhenTheXdgVariableIsUnsetOrRelative) {
    testing::ScopedEnv homeVar("HOME", home_.path() + "user");
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("relative/share")}) {
        testing::ScopedEnv data("XDG_DATA_HOME", value);
        EXPECT_EQ(Read_CSIDL_COMMON_APPDATA(HostPlatform()), home_.path() + "user/.local/share");
    }
}
#endif

}  // namespace
}  // namespace varnix::config
