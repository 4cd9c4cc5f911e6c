#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "fakes/TestSession.h"

namespace varnix::forms {
namespace {

class ParamFileTest : public ::testing::Test {
  protected:
    ParamFileTest() { window.FillTestLists(); }

    fakes::TestSession test;
    ServiceWindow& window = test.session.service;
    engine::ServiceActions& actions = test.session.serviceActions;
    const std::string path = test.dir / config::kParamFileName;
};

TEST_F(ParamFileTest, SavesTheFourControlsAsFourLinesAndReadsThemBack) {
    window.chkEnableLog.checked = true;
    window.ComboSecondi.SetListIndex(7);
    window.ComboResult.SetText("typed, not picked");
    actions.SalvaParametri();
    EXPECT_EQ(testing::ReadFile(path), "1\r\n0\r\n7\r\n-1\r\n");

    window.chkEnableLog.checked = false;
    window.chbNoIcon.checked = true;
    window.ComboSecondi.SetListIndex(0);
    window.ComboResult.SetListIndex(8);
    actions.SalvaParametri();
    fakes::TestSession other;
    other.session.settings.DataFolder = test.dir.path();
    ServiceWindow& read = other.session.service;
    read.FillTestLists();
    other.session.serviceActions.LeggiParametri();
    EXPECT_FALSE(read.chkEnableLog.checked);
    EXPECT_TRUE(read.chbNoIcon.checked);
    EXPECT_EQ(read.ComboSecondi.Text(), "1");
    EXPECT_EQ(read.ComboResult.Text(), "SROUTF_9_TIMEOUT_SCADUTO.TXT");
    EXPECT_EQ(config::LogFilePath(test.dir.path()), test.dir / "LogVnxPos.TXT");

    // Into a missing data folder the save is silent, and the read finds nothing.
    test.session.settings.DataFolder = test.dir.InMissingFolder("");
    actions.SalvaParametri();
    actions.LeggiParametri();
    EXPECT_FALSE(window.chkEnableLog.checked);
    EXPECT_TRUE(test.dialogs.shown.empty());
}

TEST_F(ParamFileTest, ReadsEachLineByItsOwnRule) {
    struct Case {
        const char* contents;  // nullptr: no file at all
        bool log;
        bool noIcon;
        int secondi;
        int result;
    };
    // Before each read: both switches ticked, 20 s and the third result selected.
    const Case cases[] = {
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
        std::remove(path.c_str());
        if (c.contents) {
            testing::WriteFile(path, c.contents);
        }
        window.chkEnableLog.checked = true;
        window.chbNoIcon.checked = true;
        window.ComboSecondi.SetListIndex(6);
        window.ComboResult.SetListIndex(2);
        actions.LeggiParametri();
        EXPECT_EQ(std::tuple(window.chkEnableLog.checked, window.chbNoIcon.checked,
                             window.ComboSecondi.ListIndex(), window.ComboResult.ListIndex()),
                  std::tuple(c.log, c.noIcon, c.secondi, c.result))
            << (c.contents ? c.contents : "(no file)");
    }
}

}  // namespace
}  // namespace varnix::forms
