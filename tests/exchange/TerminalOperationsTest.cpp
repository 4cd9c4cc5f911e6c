#include "exchange/TerminalOperations.h"

#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "fakes/TestSession.h"

namespace varnix::exchange {
namespace {

std::string Golden(const std::string& name) {
    return testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/exchange/golden/" + name);
}

class TerminalOperationsTest : public ::testing::Test {
  protected:
    TerminalOperationsTest() {
        UseEthernet("127.0.0.1", "9100");
        session.console.txtTerminale.SetText("10001761");
        session.service.FillTestLists();
    }

    void UseEthernet(const char* ip, const char* port) {
        session.settings.ConnectionType = 0;
        session.settings.EthParams.IPAddress.Assign(ip);
        session.settings.EthParams.Port.Assign(port);
        session.console.txtIP.SetText(ip);
        session.console.txtPorta.SetText(port);
    }

    fakes::TestSession test;
    engine::Session& session = test.session;
    TerminalOperations ops{session};
};

TEST_F(TerminalOperationsTest, EthernetSettingsAreCheckedAddressFirst) {
    struct Case {
        const char* ip;
        const char* port;
        const char* message;
    };
    const Case cases[] = {
        {"10.0.0.1", "9999", ""},
        {"10.0.0.1.5", "1", ""},
        {"192.168.1.256", "80", kInvalidIp},
        {"", "80", kInvalidIp},
        {"10.0.0.1", "0", kInvalidPort},
        {"10.0.0.1", "      ", kInvalidPort},
        {"10.0.0.1", "abc", kInvalidPort},
        {"10.0.0.1", "10000", kInvalidPort},
        {"10.0.0.1", " 12a", ""},
    };
    for (const auto& c : cases) {
        UseEthernet(c.ip, c.port);
        EXPECT_EQ(ops.CheckConnectionSettings(), c.message) << c.ip << " " << c.port;
        EXPECT_EQ(ops.ZANDRIK_Status(), c.message);
    }
    session.settings.EthParams = {};  // never assigned: NULs
    EXPECT_EQ(ops.CheckConnectionSettings(), kInvalidIp);

    session.settings.ConnectionType = 1;
    EXPECT_EQ(ops.CheckConnectionSettings(), "");
    EXPECT_EQ(ops.ZANDRIK_Status(), "");
    EXPECT_EQ(session.console.txtEsito.Text(), "OK");
    EXPECT_TRUE(test.library.calls.empty());  // the status check never calls the terminal
}

TEST_F(TerminalOperationsTest, OperationsSendTheirFunctionWithTheConfiguredLink) {
    session.console.txtImporto.SetText("1250");
    session.console.txtImportoAccredito.SetText("300");
    struct Case {
        std::string (TerminalOperations::*op)();
        const char* function;
        const char* amount;
    };
    const Case cases[] = {
        {&TerminalOperations::ZANDRIK_EseguiPagamentoEsteso, "IAE17AX_PaymentExt", "1250     "},
        {&TerminalOperations::ZANDRIK_Accredito, "IAE17AX_Refund", "300      "},
        {&TerminalOperations::ZANDRIK_Storno, "IAE17AX_Void", "1250     "},
        {&TerminalOperations::ZANDRIK_Totali, "IAE17AX_TerminalBalance", "         "},
        {&TerminalOperations::ZANDRIK_Chiusura, "IAE17AX_Closure", "         "},
    };
    test.library.code = 3;
    for (const auto& c : cases) {
        test.library.calls.clear();
        EXPECT_EQ((ops.*c.op)(), "");
        ASSERT_EQ(test.library.calls.size(), 2U);
        EXPECT_EQ(test.library.calls[0].name, "IAE17AX_InitEth");
        EXPECT_EQ(test.library.calls[1].name, c.function);
        EXPECT_EQ(test.library.calls[1].request.Amount.Text(), c.amount);
        EXPECT_EQ(session.console.txtEsito.Text(), "TIMEOUT ERROR");
    }
    ops.ZANDRIK_Storno();
    EXPECT_EQ(test.library.Operations().back().data.STAN.Text(), "1250   ");
}

TEST_F(TerminalOperationsTest, RefusalsReturnTheirMessageWithoutCallingTheLibrary) {
    session.console.txtImporto.SetText("");
    session.console.txtImportoAccredito.SetText("");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamentoEsteso(), kInvalidAmount);
    EXPECT_EQ(ops.ZANDRIK_Storno(), kInvalidAmount);
    EXPECT_EQ(ops.ZANDRIK_Accredito(), kInvalidAmount);
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), kInvalidAmount);
    UseEthernet("10.0.0", "80");
    EXPECT_EQ(ops.ZANDRIK_Totali(), kInvalidIp);
    EXPECT_TRUE(test.library.calls.empty());
}

TEST_F(TerminalOperationsTest, RunTimeErrorsShowTheLabelledBoxOrReachTheCaller) {
    test.library.missing = true;
    EXPECT_EQ(ops.ZANDRIK_Totali(), "");
    EXPECT_EQ(ops.ZANDRIK_Chiusura(), "");
    EXPECT_EQ(test.dialogs.Texts(),
              (std::vector<std::string>{
                  "ZANDRIK_Totali:Libreria del terminale non trovata: libIae17.so,53",
                  "ZANDRIK_Chiusura:Libreria del terminale non trovata: libIae17.so,53"}));
    EXPECT_THROW(ops.ZANDRIK_Accredito(), RuntimeError);
}

TEST_F(TerminalOperationsTest, SimulatedPaymentWaitsThenWritesTheSampleResult) {
    session.settings.ConnectionType = 1;  // serial: no address checks
    session.settings.EthParams = {};
    session.console.txtImporto.SetText("2");
    session.service.ComboSecondi.SetListIndex(0);  // 1 s
    session.service.txtReadFile.SetText("old view");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), "");
    EXPECT_EQ(test.clock.sleeps, 20);  // 1000 ms in 50 ms steps, events pumped after each
    EXPECT_EQ(test.events.pumps, 20);
    const std::string path = test.dir / config::kResultFileName;
    EXPECT_EQ(testing::ReadFile(path), Golden("SROUTF_simulated_ok.TXT"));
    EXPECT_EQ(session.service.txtAmount.Text(), "2");
    EXPECT_EQ(session.service.txtTipo.Text(), "0");
    EXPECT_EQ(session.service.txtRisultatoFinale.Text(), path);
    EXPECT_EQ(session.service.txtReadFile.Text().substr(0, 33),
              "TIPO_COMANDO = POS_PAGAME,A2,P0;\r");
    EXPECT_TRUE(test.library.calls.empty());
    EXPECT_TRUE(test.dialogs.shown.empty());
}

TEST_F(TerminalOperationsTest, SimulatedOutcomeFollowsTheExpectedResult) {
    struct Case {
        int position;
        const char* lines;  // lines 2 and 3, or nothing
    };
    const Case cases[] = {
        {0, "ESITO_COMANDO = OK\r\nESITO_TRANSAZ = 00\r\n"},
        {1, "ESITO_COMANDO = COM ERROR\r\nESITO_TRANSAZ = 01\r\n"},
        {4, "ESITO_COMANDO = KO\r\nESITO_TRANSAZ = 01\r\n"},
        {6, "ESITO_COMANDO = OK\r\nESITO_TRANSAZ = 00\r\n"},
        {8, "ESITO_COMANDO = KO\r\nESITO_TRANSAZ = 01\r\n"},
        {-1, ""},
    };
    session.service.ComboSecondi.SetText("0");
    for (const auto& c : cases) {
        session.service.ComboResult.SetListIndex(c.position);
        ops.ZANDRIK_EseguiPagamento();
        const std::string file = testing::ReadFile(test.dir / config::kResultFileName);
        const auto head = file.find("\r\n") + 2;
        EXPECT_EQ(file.substr(head, file.find("DATAORA") - head), c.lines) << c.position;
    }
    EXPECT_EQ(test.clock.sleeps, 0);
}

TEST_F(TerminalOperationsTest, SimulatedPaymentGoesOnAfterAFailingStep) {
    session.service.ComboSecondi.SetText("abc");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), "");
    EXPECT_EQ(test.dialogs.Texts(),
              std::vector<std::string>{"ZANDRIK_EseguiPagamento:Tipo non corrispondente,13"});
    EXPECT_TRUE(testing::ReadFile(test.dir / config::kResultFileName).starts_with("TIPO_COMANDO"));

    test.dialogs.shown.clear();
    session.settings.DataFolder = test.dir.path() + "missing/";
    session.service.ComboSecondi.SetText("0");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), "");
    EXPECT_EQ(
        test.dialogs.Texts(),
        (std::vector<std::string>{"ZANDRIK_EseguiPagamento:Errore di accesso al percorso/file,75",
                                  "FILE NON TROVATO"}));
}

}  // namespace
}  // namespace varnix::exchange
