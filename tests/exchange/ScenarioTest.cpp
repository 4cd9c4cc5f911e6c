// The engine from start-up to result files, on real files in a private data folder, with fake
// ports and a fake library: what the cash register would find after each scenario.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/FileNames.h"
#include "exchange/ExchangeRecordWriter.h"
#include "exchange/PollingCycle.h"
#include "fakes/EngineDriver.h"
#include "startup/Startup.h"

namespace varnix {
namespace {

using fakes::EngineDriver;
using startup::RunMode;

std::string Golden(const std::string& name, const std::string& dataFolder = "") {
    std::string text =
        testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/exchange/golden/" + name);
    for (auto at = text.find("{DATA}"); at != std::string::npos; at = text.find("{DATA}")) {
        text.replace(at, 6, dataFolder);
    }
    return text;
}

class ScenarioTest : public ::testing::Test {
  protected:
    ScenarioTest() { engine.CreateDataFolder(); }

    // Starts resident and runs the first cycle, which connects.
    void StartConnected() {
        ASSERT_EQ(engine.Start(), RunMode::Resident);
        engine.Tick();
        ASSERT_TRUE(engine.session->terminalConnected);
    }

    EngineDriver engine;
    engine::Session& session = *engine.session;
};

TEST_F(ScenarioTest, FirstStartWritesTheDefaultConfigurationThenReadsIt) {
    EXPECT_EQ(engine.Start(), RunMode::Resident);
    EXPECT_EQ(engine.ReadData("ConfigVnxPos.TXT"),
              Golden("ConfigVnxPos_first_start.TXT", engine.dataFolder));
    EXPECT_EQ(session.settings.InputFilePath, engine.Data("SRINPF.TXT"));
    EXPECT_EQ(session.settings.ConfigFilePath, engine.Data("ConfigVnxPos.TXT"));
    EXPECT_EQ(session.service.txtLogFileName.Text(), engine.Data("LogVnxPos.TXT"));
    EXPECT_TRUE(engine.timer.IsEnabled());
    EXPECT_EQ(engine.timer.Interval(), 900);
    EXPECT_TRUE(session.service.trayIconShown);
    EXPECT_TRUE(session.service.visible);
    EXPECT_FALSE(session.console.visible);
    EXPECT_EQ(session.console.cmbConnessione.Text(), "Ethernet");
    EXPECT_EQ(session.console.cmbCOM.Text(), "COM1");
    EXPECT_EQ(session.console.DllVersion.caption, "1.0.0     ");
    EXPECT_TRUE(engine.dialogs.shown.empty());
    EXPECT_FALSE(engine.shell.Ended());
}

TEST(ScenarioWithoutDataFolderTest, MissingDataFolderEndsTheProcessAndNothingElseHappens) {
    EngineDriver engine;
    engine.Start("-E whatever");
    EXPECT_EQ(engine.dialogs.Texts(),
              std::vector<std::string>{"ERRORE: File di configurazione non trovato"});
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{1});
    EXPECT_FALSE(engine.session->service.trayIconShown);
    EXPECT_FALSE(engine.timer.IsEnabled());
    EXPECT_FALSE(platform::HostPlatform().FolderExists(engine.dataFolder));
    EXPECT_EQ(engine.Tick(3), 0);
}

TEST_F(ScenarioTest, FirstCycleAsksForTheStatusAndTurnsTheLampGreen) {
    ASSERT_EQ(engine.Start(), RunMode::Resident);
    EXPECT_EQ(session.service.ShapeDump.fill, forms::kRed);
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_TRUE(session.terminalConnected);
    EXPECT_EQ(session.service.ShapeDump.fill, forms::kGreen);
    EXPECT_EQ(session.service.Shape1.fill, forms::kRed);
    EXPECT_FALSE(engine.DataExists("POSDUMPIN.TXT"));
    EXPECT_EQ(engine.ReadData("POSDUMPOUT.TXT"), Golden("POSDUMPOUT_status.TXT"));
    EXPECT_TRUE(engine.timer.IsEnabled());
    EXPECT_TRUE(session.service.cmdSalvaDati.enabled);

    engine.WriteData("POSDUMPOUT.TXT", "kept");
    engine.Tick(3);  // connected: no more requests
    EXPECT_FALSE(engine.DataExists("POSDUMPIN.TXT"));
    EXPECT_EQ(engine.ReadData("POSDUMPOUT.TXT"), "kept");
}

TEST_F(ScenarioTest, CommandFileIsPickedUpRunAndDeletedAfterTheOldResultGoes) {
    StartConnected();
    engine.WriteData("SROUTF.TXT", "old result");
    engine.WriteData("SRINPF.TXT", "pos_pagame,a2,p0\r\n");
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    // The status exchange left the outcome record blank-padded, and its blanks now fill the
    // description box: the result file carries them, as the cash register has always seen.
    EXPECT_EQ(engine.ReadData("SROUTF.TXT"), Golden("SROUTF_after_status.TXT"));
    EXPECT_GE(engine.clock.sleptMs, 20000);  // the 20 s wait passed on the fake clock
    EXPECT_EQ(session.service.txtAmount.Text(), "2");
    EXPECT_EQ(session.console.txtImporto.Text(), "2        ");
    EXPECT_EQ(session.service.Shape1.fill, forms::kRed);
    EXPECT_FALSE(engine.DataExists("LogVnxPos.TXT"));
}

TEST_F(ScenarioTest, NonStandardInputIsRunEveryCycleAndNeverDeleted) {
    engine.WriteData("ConfigVnxPos.TXT", "TIPO:COM\r\nINPF:CMD.TXT\r\nOUTF:SROUTF.TXT\r\n");
    StartConnected();
    engine.WriteData("CMD.TXT", "POS_TOTTER\r\n");
    engine.WriteData("SROUTF.TXT", "not deleted");
    EXPECT_EQ(engine.Tick(3), 3);
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 3U);
    EXPECT_TRUE(engine.DataExists("CMD.TXT"));
    EXPECT_EQ(engine.ReadData("SROUTF.TXT"), "not deleted");
}

TEST_F(ScenarioTest, MissingInputFolderStopsPollingUntilASave) {
    const std::string missing = engine.home.path() + "io" + platform::HostPlatform().Separator();
    engine.WriteData("ConfigVnxPos.TXT",
                     "INPF:" + missing + "SRINPF.TXT\r\nOUTF:" + missing + "SROUTF.TXT\r\n");
    ASSERT_EQ(engine.Start(), RunMode::Resident);
    EXPECT_EQ(engine.Tick(5), 1);
    EXPECT_EQ(engine.dialogs.Texts(),
              (std::vector<std::string>{"Directory del file di Input non presente !",
                                        "Directory del file di Output non presente !",
                                        exchange::kIoFolderMissing}));
    EXPECT_FALSE(engine.timer.IsEnabled());

    std::filesystem::create_directories(missing);
    session.serviceActions.cmdSalvaDati_Click();  // answered OK
    EXPECT_TRUE(engine.timer.IsEnabled());
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_TRUE(session.terminalConnected);
    EXPECT_TRUE(platform::HostPlatform().FileExists(missing + "POSDUMPOUT.TXT"));
}

TEST_F(ScenarioTest, EmptyResultPathLeavesPollingIdle) {
    engine.WriteData("ConfigVnxPos.TXT", "OUTF:\r\n");
    ASSERT_EQ(engine.Start(), RunMode::Resident);
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    EXPECT_EQ(engine.Tick(2), 2);
    EXPECT_TRUE(engine.DataExists("SRINPF.TXT"));
    EXPECT_FALSE(engine.DataExists("POSDUMPIN.TXT"));
    EXPECT_EQ(engine.clock.sleeps, 2 * 6 + 2);  // 300 ms each, plus the two 900 ms ticks
}

TEST_F(ScenarioTest, RunOnceExecutesTheCommandFileAndEnds) {
    const std::string io = engine.home.MakeFolder("io");
    testing::WriteFile(io + "cfg.txt", "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    testing::WriteFile(io + "SRINPF.TXT", "POS_PAGAME,A1,P0,X,Y,Z\r\n");
    testing::WriteFile(io + "SROUTF.TXT", "old");
    EXPECT_EQ(engine.Start("-E\"" + io + "cfg.txt\""), RunMode::RunOnce);
    EXPECT_EQ(testing::ReadFile(io + "POSDUMPOUT.TXT"), Golden("POSDUMPOUT_refused.TXT"));
    EXPECT_FALSE(platform::HostPlatform().FileExists(io + "SRINPF.TXT"));
    EXPECT_FALSE(platform::HostPlatform().FileExists(io + "SROUTF.TXT"));
    EXPECT_EQ(engine.fakeLibrary.frees, 2);
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(engine.timer.IsEnabled());
    EXPECT_EQ(session.console.cmbConnessione.Text(), "RS232");
}

TEST_F(ScenarioTest, RunOnceWithoutCommandFileStillClearsTheOldResultAndEnds) {
    const std::string io = engine.home.MakeFolder("io");
    testing::WriteFile(io + "cfg.txt", "INPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    testing::WriteFile(io + "SROUTF.TXT", "old");
    EXPECT_EQ(engine.Start("-E" + io + "cfg.txt"), RunMode::RunOnce);
    EXPECT_FALSE(platform::HostPlatform().FileExists(io + "SROUTF.TXT"));
    EXPECT_FALSE(platform::HostPlatform().FileExists(io + "POSDUMPOUT.TXT"));
    EXPECT_EQ(engine.fakeLibrary.frees, 2);
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{0});
}

TEST_F(ScenarioTest, RunOnceKeepsTheBlankAfterTheSwitch) {
    // "-E <path>" names " <path>": that file is not there, so the data folder's settings stay.
    const std::string io = engine.home.MakeFolder("io");
    testing::WriteFile(io + "cfg.txt", "INPF:SRINPF.TXT\r\n");
    EXPECT_EQ(engine.Start("-e " + io + "cfg.txt"), RunMode::RunOnce);
    EXPECT_EQ(session.settings.ConfigFilePath, " " + io + "cfg.txt");
    EXPECT_EQ(session.settings.InputFilePath, engine.Data("SRINPF.TXT"));
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{0});
}

TEST_F(ScenarioTest, LoggingKeepsOnlyTheLastExchange) {
    engine.WriteData("ParamVnxPos.TXT", "1\r\n0\r\n0\r\n0\r\n");
    iae17::POSData answer;
    iae17::SetFieldBytes(answer, 0, "10001761");
    iae17::SetFieldBytes(answer, 6, "000042");
    iae17::SetFieldBytes(answer, 7, "1250");
    iae17::SetFieldBytes(answer, 17, "RICEVUTA TOTALI");
    engine.fakeLibrary.answer = answer;
    StartConnected();
    engine.WriteData("SRINPF.TXT", "POS_STATUS\r\n");
    engine.Tick();
    engine.WriteData("SRINPF.TXT", "POS_TOTTER;\r\n");
    engine.Tick();
    EXPECT_EQ(engine.ReadData("LogVnxPos.TXT"), Golden("LogVnxPos_totals.TXT"));
    EXPECT_EQ(session.service.lblValTerminalId.caption, "10001761 ");
}

TEST_F(ScenarioTest, DispatcherRecordsUnknownKeywordsAndSkipsComments) {
    ASSERT_EQ(engine.Start(), RunMode::Resident);
    engine.WriteData("SRINPF.TXT", "; POS_TOTTER\r\n:POS_CHCASS\r\n\r\nPOS_PWD\r\n");
    engine.Tick();
    EXPECT_EQ(engine.ReadData("POSDUMPOUT.TXT"), Golden("POSDUMPOUT_unknown.TXT"));
    EXPECT_TRUE(engine.fakeLibrary.Operations().empty());
    EXPECT_FALSE(session.terminalConnected);  // the standard file went first: no status yet
    EXPECT_TRUE(engine.DataExists("POSDUMPIN.TXT"));
}

TEST_F(ScenarioTest, CloseRequestSavesParametersAsksAndEnds) {
    ASSERT_EQ(engine.Start(), RunMode::Resident);
    engine.dialogs.answers = {ports::Answer::Cancel, ports::Answer::Ok};
    session.service.chkEnableLog.checked = true;
    session.serviceActions.m_esci_Click();
    EXPECT_FALSE(engine.shell.Ended());
    EXPECT_TRUE(engine.timer.IsEnabled());  // polling resumes after Cancel
    EXPECT_EQ(engine.ReadData("ParamVnxPos.TXT"), "1\r\n0\r\n6\r\n0\r\n");
    session.serviceActions.m_esci_Click();
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(session.service.trayIconShown);
    EXPECT_EQ(engine.fakeLibrary.frees, 1);
    EXPECT_EQ(engine.dialogs.Texts(), (std::vector<std::string>{"Vuoi terminare l'esecuzione ?",
                                                                "Vuoi terminare l'esecuzione ?"}));
}

TEST_F(ScenarioTest, VersionAndInteractiveModes) {
    EXPECT_EQ(engine.Start("-v"), RunMode::Version);
    EXPECT_EQ(engine.shell.aboutShown, std::vector<std::string>{"Versione 0.0.0.2"});
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{0});

    EngineDriver interactive;
    interactive.CreateDataFolder();
    EXPECT_EQ(interactive.Start("-I"), RunMode::Interactive);
    EXPECT_TRUE(interactive.session->console.visible);
    EXPECT_TRUE(interactive.session->console.txtTerminale.visible);
    EXPECT_FALSE(interactive.shell.Ended());
}

}  // namespace
}  // namespace varnix
