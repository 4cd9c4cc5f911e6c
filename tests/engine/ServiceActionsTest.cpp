#include <gtest/gtest.h>

#include "fakes/EngineDriver.h"

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

}  // namespace
}  // namespace varnix::engine
