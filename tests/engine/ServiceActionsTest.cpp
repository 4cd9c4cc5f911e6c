#include <gtest/gtest.h>

#include <cstdio>

#include "config/FileNames.h"

#include "fakes/EngineDriver.h"
#include "fakes/TestSession.h"

namespace varnix::engine {
namespace {

using Texts = std::vector<std::string>;

class ServiceActionsTest : public ::testing::Test {
  protected:
    ServiceActionsTest() {
        engine.CreateDataFolder();
        engine.Start();
        engine.dialogs.shown.clear();
    }

    fakes::EngineDriver engine;
    forms::ServiceWindow& window = engine.session->service;
    ServiceActions& actions = engine.session->serviceActions;
};

TEST_F(ServiceActionsTest, ManualTransactionWritesTheSampleAfterTheChosenWait) {
    window.txtAmount.SetText("abc");
    window.txtTipo.SetText("2");
    window.ComboSecondi.SetText("3");
    window.ComboResult.SetListIndex(4);
    engine.WriteData("SROUTF.TXT", "old");
    engine.WriteData("SROUTF_5_TRANSAZIONE_RIFIUTATA_DAL_POS.TXT", "sample");
    engine.timer.SetEnabled(true);
    bool oldGoneDuringWait = false;
    engine.events.onPump = [&] {
        oldGoneDuringWait = !engine.DataExists("SROUTF.TXT");
        EXPECT_FALSE(engine.timer.IsEnabled());
    };
    actions.cmdSend_Click();
    EXPECT_EQ(engine.dialogs.Texts(), Texts{"Invio dati: POS_PAGAME,A1,P2;"});
    EXPECT_TRUE(oldGoneDuringWait);
    EXPECT_EQ(engine.clock.sleeps, 60);
    EXPECT_EQ(engine.ReadData("SROUTF.TXT"), testing::Golden("SROUTF_manual.TXT"));
    EXPECT_EQ(window.txtRisultatoFinale.Text(), engine.Data("SROUTF.TXT"));
    EXPECT_TRUE(window.txtReadFile.Text().starts_with("TIPO_COMANDO = POS_PAGAME,A1,P2;\r\n"));
    EXPECT_TRUE(engine.timer.IsEnabled());
}

TEST_F(ServiceActionsTest, ManualTransactionStopsOnCancelOrWithoutAnExpectedResult) {
    engine.WriteData("SROUTF.TXT", "old");
    window.txtReadFile.SetText("shown");
    engine.dialogs.answers = {ports::Answer::Cancel};
    actions.cmdSend_Click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    EXPECT_TRUE(engine.timer.IsEnabled());

    window.ComboResult.SetText("typed, not picked");
    actions.cmdSend_Click();
    EXPECT_EQ(engine.dialogs.Texts().back(), "ATTENZIONE: SELEZIONARE OUTPUT !");
    EXPECT_EQ(engine.ReadData("SROUTF.TXT"), "old");
    EXPECT_EQ(engine.clock.sleeps, 0);
    EXPECT_TRUE(engine.timer.IsEnabled());
}

TEST_F(ServiceActionsTest, TestCommandAndAboutBoxKeepTheTimerAsItWas) {
    for (bool timerOn : {true, false}) {
        engine.timer.SetEnabled(timerOn);
        actions.cmdEseguiTest_Click();
        EXPECT_EQ(engine.ReadData("SRINPF.TXT"), "POS_PAGAME,A2,P0\r\n");
        EXPECT_EQ(engine.timer.IsEnabled(), timerOn);
        EXPECT_TRUE(window.cmdEseguiTest.enabled);
        actions.mInfo_Click();
        EXPECT_EQ(engine.timer.IsEnabled(), timerOn);
    }
    EXPECT_EQ(engine.clock.sleeps, 40);
    EXPECT_EQ(engine.shell.aboutShown, Texts(2, "Versione 0.0.0.2"));
}

TEST_F(ServiceActionsTest, SaveWritesTheEditorOnOkOnly) {
    const std::string before = engine.ReadData("ConfigVnxPos.TXT");
    window.cboTIPO.SetText("COM");
    window.cmbComExtended.SetText("7");
    engine.dialogs.answers = {ports::Answer::Cancel, ports::Answer::Ok};
    engine.timer.SetEnabled(false);
    actions.cmdSalvaDati_Click();
    EXPECT_EQ(engine.ReadData("ConfigVnxPos.TXT"), before);
    EXPECT_TRUE(engine.timer.IsEnabled());  // the wait runs and polling resumes either way
    EXPECT_EQ(engine.clock.sleeps, 10);

    window.txtConfFile.SetText("elsewhere.TXT");  // the save ignores the path box
    actions.cmdSalvaDati_Click();
    EXPECT_TRUE(engine.ReadData("ConfigVnxPos.TXT").starts_with("TIPO:COM\r\nPCOM:7\r\n"));
    const auto& settings = engine.session->settings;
    EXPECT_EQ(std::to_string(settings.ConnectionType) + settings.ComParams.ComPort.Text(),
              "17     ");
    EXPECT_EQ(engine.dialogs.Texts(), Texts(2, "Vuoi salvare i dati ?"));
}

TEST_F(ServiceActionsTest, TrayEventsRestoreOrOpenTheMenu) {
    window.minimized = true;
    window.Form_Resize();
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(window.trayIconShown);
    EXPECT_FALSE(window.Form_MouseMove(0x203));
    EXPECT_TRUE(window.visible && !window.minimized);
    EXPECT_TRUE(window.Form_MouseMove(516) && window.Form_MouseMove(517));
    EXPECT_FALSE(window.Form_MouseMove(512));
}

TEST_F(ServiceActionsTest, ParametersAreSavedAsFourLinesAndReadBack) {
    window.chkEnableLog.checked = true;
    window.chbNoIcon.checked = false;
    window.ComboSecondi.SetListIndex(7);
    window.ComboResult.SetText("typed, not picked");
    actions.SalvaParametri();
    EXPECT_EQ(engine.ReadData("ParamVnxPos.TXT"), "1\r\n0\r\n7\r\n-1\r\n");
    EXPECT_EQ(config::LogFilePath(engine.dataFolder), engine.Data("LogVnxPos.TXT"));

    // Before each read: both switches ticked, 20 s and the third result selected.
    // clang-format off
    const std::tuple<const char*, bool, bool, int, int> cases[] = {
        {"1\r\n0\r\n6\r\n0\r\n", true, false, 6, 0}, {"1 \r\n1\r\n 6 \r\n8\r\n", false, true, 6, 8},
        {"0\r\n0\r\n8\r\n9\r\n", false, false, 6, 2},   // beyond both lists: ignored
        {"1\r\n1\r\n-1\r\n-2\r\n", true, true, -1, 2},  // -1 clears, -2 is refused
        {"1\r\n1\r\nx\r\n2.5\r\n", true, true, 6, 2}, {"0\r\n", false, true, 6, 2},  // lines missing
        {"1\r\n0\r\n", true, false, 6, 2}, {"0\r\n1\r\n3\r\n", false, true, 3, 2},
        {"", true, true, 6, 2}, {nullptr, false, false, 6, 2}};  // no file: both switches clear
    // clang-format on
    for (const auto& [contents, log, noIcon, secondi, result] : cases) {
        std::remove(engine.Data("ParamVnxPos.TXT").c_str());
        if (contents) {
            engine.WriteData("ParamVnxPos.TXT", contents);
        }
        window.chkEnableLog.checked = window.chbNoIcon.checked = true;
        window.ComboSecondi.SetListIndex(6);
        window.ComboResult.SetListIndex(2);
        actions.LeggiParametri();
        EXPECT_EQ(std::tuple(window.chkEnableLog.checked, window.chbNoIcon.checked,
                             window.ComboSecondi.ListIndex(), window.ComboResult.ListIndex()),
                  std::tuple(log, noIcon, secondi, result))
            << (contents ? contents : "(no file)");
    }
    engine.session->settings.DataFolder = engine.home.InMissingFolder("");
    actions.SalvaParametri();  // silently
    EXPECT_TRUE(engine.dialogs.shown.empty());
}

TEST_F(ServiceActionsTest, ReadFileShowsTheResultWithItsFirstLineRebuiltThenClears) {
    actions.btnReadFile_Click();
    EXPECT_EQ(engine.dialogs.Texts(), Texts{"FILE NON TROVATO"});
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    engine.WriteData("SROUTF.TXT", "anything at all\r\nESITO_COMANDO = OK\r\nlast");
    window.txtAmount.SetText("10");
    window.txtTipo.SetText("2");
    actions.btnReadFile_Click();
    EXPECT_EQ(window.txtReadFile.Text(),
              "TIPO_COMANDO = POS_PAGAME,A10,P2;\r\nESITO_COMANDO = OK\r\nlast\r\n");
    actions.btnReadFile_Click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    engine.WriteData("SROUTF.TXT", "");
    actions.btnReadFile_Click();
    EXPECT_TRUE(window.txtReadFile.IsEmpty());
    EXPECT_EQ(engine.dialogs.shown.size(), 1U);
}

TEST(SleepDelayTest, WaitsWholeFiftyMillisecondStepsPumpingAfterEach) {
    const std::pair<double, int> cases[] = {{49, 0},   {50, 1},      {75, 1},
                                            {99.4, 1}, {500, 10},    {0, 0},
                                            {-100, 0}, {30000, 600}, {1638375, 32767}};
    for (const auto& [timeout, steps] : cases) {
        fakes::TestSession test;
        test.session.ports.SleepDelay(timeout);
        EXPECT_EQ(std::tuple(test.clock.sleeps, test.clock.sleptMs, test.events.pumps),
                  std::tuple(steps, steps * 50LL, steps))
            << timeout;
    }
    fakes::TestSession test;
    EXPECT_THROW(test.session.ports.SleepDelay(1638400), RuntimeError);
    EXPECT_THROW(test.session.ports.SleepDelay(1e30), RuntimeError);
    EXPECT_EQ(test.clock.sleeps, 0);
}

}  // namespace
}  // namespace varnix::engine
