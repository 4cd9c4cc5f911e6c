#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "fakes/TestSession.h"

namespace varnix::forms {
namespace {

class ParamFileTest : public ::testing::Test {
  protected:
    ParamFileTest() { window.FillTestLists(); }

    fakes::TestSession test;
    const testing::TempDir& dir = test.dir;
    config::Settings& settings = test.session.settings;
    ServiceWindow& window = test.session.service;
    const std::string path = dir / config::kParamFileName;
};

TEST_F(ParamFileTest, SavesTheFourControlsAsFourLines) {
    window.chkEnableLog.checked = true;
    window.ComboSecondi.SetListIndex(7);
    window.ComboResult.SetText("typed, not picked");
    test.session.serviceActions.SalvaParametri();
    EXPECT_EQ(testing::ReadFile(path), "1\r\n0\r\n7\r\n-1\r\n");
}

struct ReadCase {
    const char* contents;  // nullptr: no file at all
    bool log;
    bool noIcon;
    int secondi;
    int result;
};

TEST_F(ParamFileTest, ReadsEachLineByItsOwnRule) {
    // Before each read: both switches ticked, 20 s and the third result selected.
    const ReadCase cases[] = {
        {"1\r\n0\r\n6\r\n0\r\n", true, false, 6, 0},
        {"1 \r\n1\r\n 6 \r\n8\r\n", false, true, 6, 8},
        {"0\r\n0\r\n8\r\n9\r\n", false, false, 6, 2},   // beyond both lists: ignored
        {"1\r\n1\r\n-1\r\n-2\r\n", true, true, -1, 2},  // -1 clears, -2 is refused
        {"1\r\n1\r\nx\r\n2.5\r\n", true, true, 6, 2},
        {"0\r\n", false, true, 6, 2},  // missing lines change nothing
        {"", true, true, 6, 2},
        {nullptr, false, false, 6, 2},  // no file: every read fails, both switches clear
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents ? c.contents : "(no file)");
        std::remove(path.c_str());
        if (c.contents) {
            testing::WriteFile(path, c.contents);
        }
        window.chkEnableLog.checked = true;
        window.chbNoIcon.checked = true;
        window.ComboSecondi.SetListIndex(6);
        window.ComboResult.SetListIndex(2);
        test.session.serviceActions.LeggiParametri();
        EXPECT_EQ(window.chkEnableLog.checked, c.log);
        EXPECT_EQ(window.chbNoIcon.checked, c.noIcon);
        EXPECT_EQ(window.ComboSecondi.ListIndex(), c.secondi);
        EXPECT_EQ(window.ComboResult.ListIndex(), c.result);
    }
}

TEST_F(ParamFileTest, RoundTripsAndLogPathFollowsTheDataFolder) {
    window.chbNoIcon.checked = true;
    window.ComboSecondi.SetListIndex(0);
    window.ComboResult.SetListIndex(8);
    test.session.serviceActions.SalvaParametri();
    fakes::TestSession otherTest;
    otherTest.session.settings.DataFolder = settings.DataFolder;
    ServiceWindow& other = otherTest.session.service;
    other.FillTestLists();
    otherTest.session.serviceActions.LeggiParametri();
    EXPECT_FALSE(other.chkEnableLog.checked);
    EXPECT_TRUE(other.chbNoIcon.checked);
    EXPECT_EQ(other.ComboSecondi.Text(), "1");
    EXPECT_EQ(other.ComboResult.Text(), "SROUTF_9_TIMEOUT_SCADUTO.TXT");
    EXPECT_EQ(config::LogFilePath(settings.DataFolder), dir / "LogVnxPos.TXT");
}

TEST_F(ParamFileTest, SaveIntoAMissingDataFolderIsSilent) {
    settings.DataFolder = dir.path() + "missing" + platform::HostPlatform().Separator();
    test.session.serviceActions.SalvaParametri();
    test.session.serviceActions.LeggiParametri();
    EXPECT_FALSE(window.chkEnableLog.checked);
}

}  // namespace
}  // namespace varnix::forms
