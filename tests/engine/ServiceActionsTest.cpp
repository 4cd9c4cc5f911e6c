#include <gtest/gtest.h>

#include "fakes/EngineDriver.h"
#include "text/AnsiText.h"

namespace varnix::engine {

using forms::ServiceWindow;
namespace {

class ServiceActionsTest : public ::testing::Test {
  protected:
    ServiceActionsTest() {
        engine.CreateDataFolder();
        engine.Start();
        engine.dialogs.shown.clear();
    }

    fakes::EngineDriver engine;
    ServiceWindow& window = engine.session->service;
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
    EXPECT_EQ(engine.dialogs.Texts(), std::vector<std::string>{"Invio dati: POS_PAGAME,A1,P2;"});
    EXPECT_TRUE(oldGoneDuringWait);
    EXPECT_EQ(engine.clock.sleeps, 60);
    const std::string file = engine.ReadData("SROUTF.TXT");
    EXPECT_TRUE(
        file.starts_with("TIPO_COMANDO  = TIPO_COMANDO = POS_PAGAME,A1,P2;\r\n"
                         "ESITO_COMANDO = OK\r\nESITO_TRANSAZ = 00\r\n"
                         "DATAORA_TRANS = 20240305_140709\r\nERROR_DESCRIZ = \r\n"
                         "EXERR_DESCRIZ = \r\n"));
    EXPECT_EQ(text::SplitLines(file).size(), 27U);
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

TEST_F(ServiceActionsTest, TestCommandFileIsWrittenAndTheTimerRestored) {
    for (bool timerOn : {true, false}) {
        engine.timer.SetEnabled(timerOn);
        actions.cmdEseguiTest_Click();
        EXPECT_EQ(engine.ReadData("SRINPF.TXT"), "POS_PAGAME,A2,P0\r\n");
        EXPECT_EQ(engine.timer.IsEnabled(), timerOn);
        EXPECT_TRUE(window.cmdEseguiTest.enabled);
    }
    EXPECT_EQ(engine.clock.sleeps, 40);
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
    const std::string after = engine.ReadData("ConfigVnxPos.TXT");
    EXPECT_TRUE(after.starts_with("TIPO:COM\r\nPCOM:7\r\n"));
    EXPECT_EQ(engine.session->settings.ConnectionType, 1);
    EXPECT_EQ(engine.session->settings.ComParams.ComPort.Text(), "7     ");
    EXPECT_EQ(engine.dialogs.Texts(),
              (std::vector<std::string>{"Vuoi salvare i dati ?", "Vuoi salvare i dati ?"}));
}

TEST_F(ServiceActionsTest, AboutBoxKeepsTheTimerAsItWas) {
    for (bool timerOn : {true, false}) {
        engine.timer.SetEnabled(timerOn);
        actions.mInfo_Click();
        EXPECT_EQ(engine.timer.IsEnabled(), timerOn);
    }
    const auto& about = engine.session->about;
    EXPECT_EQ(engine.shell.aboutShown.size(), 2U);
    EXPECT_EQ(about.lblVersion.caption, "Versione 0.0.0.2");
    EXPECT_EQ(about.lblTitle.caption, "ZANDRIK VarnixPos per sistemi Windows 32/64 bit");
    EXPECT_EQ(about.lblDescription.caption,
              "Programma di TEST per sviluppatori per  \"Scambio Importo\" con POS Ingenico "
              "(compat. x Windows XP, VISTA/7/8/ 10)");
}

TEST_F(ServiceActionsTest, TrayEventsRestoreOrOpenTheMenu) {
    window.minimized = true;
    window.Form_Resize();
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(window.trayIconShown);
    EXPECT_FALSE(window.Form_MouseMove(0x203));
    EXPECT_TRUE(window.visible);
    EXPECT_FALSE(window.minimized);
    EXPECT_TRUE(window.Form_MouseMove(516));
    EXPECT_TRUE(window.Form_MouseMove(517));
    EXPECT_FALSE(window.Form_MouseMove(512));
}

}  // namespace
}  // namespace varnix::engine
