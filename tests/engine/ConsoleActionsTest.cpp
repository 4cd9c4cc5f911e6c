#include <gtest/gtest.h>

#include "exchange/TerminalLink.h"
#include "fakes/TestSession.h"
#include "forms/ConsoleForm.h"

namespace varnix::engine {

using forms::AmountSource;
using forms::Button;
using forms::ConsoleForm;
using forms::kGreen;
using forms::kRed;
namespace {

class ConsoleActionsTest : public ::testing::Test {
  protected:
    ConsoleActionsTest() { console.txtTerminale.SetText("10001761"); }

    fakes::TestSession test;
    engine::Session& session = test.session;
    ConsoleForm& console = session.console;
    ConsoleActions& actions = session.consoleActions;
    fakes::FakeLibrary& library = test.library;
};

TEST_F(ConsoleActionsTest, SetPOSDataTakesTheAmountFromTheChosenSource) {
    console.txtImporto.SetText("1250");
    console.txtImportoAccredito.SetText("300");
    console.txtImportoPreAut.SetText("77");
    auto& request = session.records.request;
    request.ContractText.Assign("kept");

    console.SetPOSData(session.records.request, AmountSource::Credit);
    EXPECT_EQ(request.Amount.Text(), "300      ");
    EXPECT_EQ(request.ContractText.Text().substr(0, 4), "kept");
    console.SetPOSData(session.records.request, AmountSource::Payment);
    EXPECT_EQ(request.Amount.Text(), "1250     ");
    console.SetPOSData(session.records.request, AmountSource::Preauthorization);
    EXPECT_EQ(request.Amount.Text(), "77       ");
    EXPECT_EQ(request.ContractText.Text().substr(0, 34), "Testo preautorizzazione contratto ");
    console.SetPOSData(session.records.request, AmountSource::None);
    EXPECT_EQ(request.Amount.Text(), std::string(9, ' '));
    console.txtImporto.SetText("1234567890");
    console.SetPOSData(session.records.request, AmountSource::Payment);
    EXPECT_EQ(request.Amount.Text(), "123456789");

    EXPECT_EQ(request.TerminalId.Text(), "10001761 ");
    EXPECT_EQ(request.EcrId.Text(), "99999999 ");
    EXPECT_EQ(request.PaymentType.Text(), "0 ");
    EXPECT_EQ(request.STAN.Text(), std::string(7, '\0'));  // only the void operation sets it
}

TEST_F(ConsoleActionsTest, ShowResultShowsTextsOutcomesAndLinkFailures) {
    auto& data = session.records.data;
    data.TerminalId.Assign("10001761");
    data.PAN.Assign("4***1234");
    iae17::SetFieldBytes(data, 2, std::string("ICC\0", 4));

    session.settings.ConnectionType = 1;
    exchange::ShowResult(session, 0);
    EXPECT_EQ(console.txtEsito.Text(), "OK");
    EXPECT_EQ(console.txtTermId.Text(), "10001761 ");  // trailing blanks included
    EXPECT_EQ(console.txtPAN.Text(), "4***1234            ");
    EXPECT_EQ(console.txtTipoTrans.Text(), "ICC");  // ends at the NUL
    EXPECT_EQ(console.txtAcqId.Text(), "");         // never assigned: empty box

    session.terminalConnected = true;
    session.service.ShapeDump.fill = kGreen;
    console.txtPAN.SetText("");
    exchange::ShowResult(session, 1);
    EXPECT_EQ(console.txtEsito.Text(), "COM ERROR");
    EXPECT_FALSE(session.terminalConnected);
    EXPECT_EQ(session.service.ShapeDump.fill, kRed);
    EXPECT_EQ(console.txtPAN.Text(), "");  // outcome boxes only on success

    for (int code : {5, -1}) {
        exchange::ShowResult(session, code);
        EXPECT_EQ(console.txtEsito.Text(), "COM ERROR");
    }
}

TEST_F(ConsoleActionsTest, CheckConsoleFieldsStopsAtTheFirstMissingField) {
    struct Case {
        int connection;
        const char* ip;
        const char* port;
        const char* terminal;
        const char* cassa;
        const char* message;  // nullptr: passes
    };
    const Case cases[] = {
        {0, "", "8080", "1", "2", "Attenzione il campo indirizzo IP deve essere compilato"},
        {0, "1.2.3.4", "", "", "", "Attenzione il campo Porta deve essere compilato"},
        {0, "1.2.3.4", "1", "", "2", "Attenzione il campo Id Terminale deve essere compilato"},
        {1, "", "", "1", "", "Attenzione il campo Id Cassa deve essere compilato"},
        {1, "", "", "1", "2", nullptr},
        {0, " ", " ", " ", " ", nullptr},  // blanks count as content
    };
    for (const auto& c : cases) {
        test.dialogs.shown.clear();
        console.cmbConnessione.SetListIndex(c.connection);
        console.txtIP.SetText(c.ip);
        console.txtPorta.SetText(c.port);
        console.txtTerminale.SetText(c.terminal);
        console.txtCassa.SetText(c.cassa);
        EXPECT_EQ(console.CheckConsoleFields(test.dialogs), c.message == nullptr);
        if (c.message != nullptr) {
            ASSERT_EQ(test.dialogs.shown.size(), 1U);
            EXPECT_EQ(test.dialogs.shown[0].text, c.message);
            EXPECT_EQ(test.dialogs.shown[0].title, "Attenzione");
            EXPECT_EQ(test.dialogs.shown[0].icon, ports::Icon::Critical);
        } else {
            EXPECT_TRUE(test.dialogs.shown.empty());
        }
    }
}

TEST_F(ConsoleActionsTest, BusyStateLeavesOnlyStatoEnabled) {
    console.DisableButtons();
    for (const Button* b :
         {&console.btnPagamento, &console.btnAccredito, &console.btnStorno,
          &console.btnPreautorizzazione, &console.btnIntegrativa, &console.btnPreautChiusura,
          &console.btnTotali, &console.btnChiusura, &console.btnStornoPreautorizzazione}) {
        EXPECT_FALSE(b->enabled);
    }
    EXPECT_TRUE(console.btnStatus.enabled);
    EXPECT_EQ(console.mousePointer, 11);
    console.EnableButtons();
    EXPECT_TRUE(console.btnPagamento.enabled);
    EXPECT_EQ(console.mousePointer, 0);
}

TEST_F(ConsoleActionsTest, ButtonsSendTheirFunctionAndAmount) {
    struct Case {
        void (ConsoleActions::*click)();
        const char* function;
        const char* amount;  // as sent
    };
    console.txtImporto.SetText("1250");
    console.txtImportoAccredito.SetText("40");
    console.txtImportoPreAut.SetText("500");
    console.txtCodicePreautorizzazione.SetText("PA1");
    const Case cases[] = {
        {&ConsoleActions::btnPagamento_Click, "IAE17AX_Payment", "1        "},
        {&ConsoleActions::btnAccredito_Click, "IAE17AX_Refund", "1        "},
        {&ConsoleActions::btnStorno_Click, "IAE17AX_Void", "1250     "},
        {&ConsoleActions::btnPreautorizzazione_Click, "IAE17AX_Preauthorization", "500      "},
        {&ConsoleActions::btnIntegrativa_Click, "IAE17AX_PreauthorizationInt", "500      "},
        {&ConsoleActions::btnPreautChiusura_Click, "IAE17AX_PreauthorizationClose", "500      "},
        {&ConsoleActions::btnTotali_Click, "IAE17AX_TerminalBalance", "         "},
        {&ConsoleActions::btnChiusura_Click, "IAE17AX_Closure", "         "},
        {&ConsoleActions::btnStatus_Click, "IAE17AX_Status", "         "},  // request as left
    };
    ConsoleActions& form = actions;  // a local: GCC's vptr check misreads a member reference here
    for (const auto& c : cases) {
        library.calls.clear();
        (form.*c.click)();
        ASSERT_EQ(library.calls.size(), 2U) << c.function;
        EXPECT_EQ(library.calls[0].name, "IAE17AX_InitRS232");
        EXPECT_EQ(library.calls[1].name, c.function);
        EXPECT_EQ(library.calls[1].request.Amount.Text(), c.amount) << c.function;
        EXPECT_EQ(console.txtEsito.Text(), "OK");
        EXPECT_TRUE(console.btnPagamento.enabled);
    }
    EXPECT_TRUE(test.dialogs.shown.empty());
}

TEST_F(ConsoleActionsTest, LinkFollowsTheConsolesOwnChoice) {
    console.cmbCOM.SetListIndex(4);
    console.cmbBaud.SetListIndex(5);
    actions.btnTotali_Click();
    EXPECT_EQ(library.calls[0].com.ComPort.Text(), "COM5  ");
    EXPECT_EQ(library.calls[0].com.BaudRate.Text(), "5 ");
    EXPECT_EQ(library.calls[0].com.DataBits.Text(), "1 ");

    library.calls.clear();
    console.cmbConnessione.SetText("Ethernet");
    console.txtIP.SetText("127.0.0.1");
    console.txtPorta.SetText("9100");
    actions.btnTotali_Click();
    EXPECT_EQ(library.calls[0].name, "IAE17AX_InitEth");
    EXPECT_EQ(library.calls[0].eth.IPAddress.Text(), "127.0.0.1       ");
    EXPECT_EQ(session.settings.EthParams.Port.Text(), "9100  ");  // shared working values
}

TEST_F(ConsoleActionsTest, RequiredFieldsStopTheOperationWithTheirMessage) {
    console.txtImportoPreAut.SetText("");
    console.txtCodicePreautorizzazione.SetText("");
    actions.btnIntegrativa_Click();
    console.txtImportoPreAut.SetText("5");
    actions.btnPreautChiusura_Click();
    console.txtImporto.SetText("");
    actions.btnPagamento_Click();
    EXPECT_EQ(test.dialogs.Texts(),
              (std::vector<std::string>{
                  "Attenzione il campo Importo Preautorizzazione deve essere compilato",
                  "Attenzione il campo Codice Preautorizzazione deve essere compilato",
                  "Attenzione il campo Importo deve essere compilato"}));
    EXPECT_TRUE(library.calls.empty());
    EXPECT_TRUE(console.btnPagamento.enabled);
}

TEST_F(ConsoleActionsTest, StornoSendsTheStanOfTheLastOutcome) {
    iae17::POSData approved;
    approved.STAN.Assign("000052");
    library.answer = approved;
    actions.btnTotali_Click();
    library.answer.reset();
    console.txtImporto.SetText("1250");
    actions.btnStorno_Click();
    const auto voidCall = library.Operations().back();
    EXPECT_EQ(voidCall.data.STAN.Text(), "000052 ");
    EXPECT_EQ(voidCall.request.Amount.Text(), "1250     ");
}

TEST_F(ConsoleActionsTest, MissingLibraryIsReportedAndNeverLeavesTheConsoleBusy) {
    library.missing = true;
    actions.btnTotali_Click();
    EXPECT_TRUE(console.btnTotali.enabled);
    EXPECT_EQ(console.mousePointer, 0);
    ASSERT_EQ(test.dialogs.shown.size(), 1U);
    EXPECT_EQ(test.dialogs.shown[0].text,
              "IAE17AX_TerminalBalance:Libreria del terminale non trovata: libIae17.so,53");
    actions.btnStornoPreautorizzazione_Click();
    EXPECT_EQ(test.dialogs.shown.size(), 1U);
}

}  // namespace
}  // namespace varnix::engine
