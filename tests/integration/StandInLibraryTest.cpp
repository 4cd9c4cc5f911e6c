// The real stand-in library, loaded the way the application loads it, against the real
// simulator over loopback TCP and a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/Session.h"
#include "exchange/TerminalLink.h"
#include "exchange/TerminalOperations.h"
#include "fakes/FakePorts.h"
#include "fakes/TestEnv.h"
#include "iae17/LoadedTerminalLibrary.h"
#include "integration/LoopbackGuard.h"
#include "integration/SimulatorProcess.h"
#include "platform/RuntimeError.h"
#include "text/AnsiText.h"

namespace varnix {
namespace {

using iae17::LoadedTerminalLibrary;

class StandInLibraryTest : public ::testing::Test {
  protected:
    StandInLibraryTest() {
        session.console.txtTerminale.SetText("10001761");
        UseEthernet(simulator.TcpPort());
    }

    // The link a parametrized test runs on: "tcp" or a serial port name.
    void UseLink(const std::string& link) {
        if (link == "tcp") {
            UseEthernet(simulator.TcpPort());
        } else {
            UseSerial(link);
        }
    }
    std::string LinkError(const std::string& link) const {
        return link == "tcp" ? "ETH ERROR" : "COM ERROR";
    }

    void UseEthernet(int port, const std::string& ip = "127.0.0.1") {
        session.settings.ConnectionType = 0;
        session.console.cmbConnessione.SetText("Ethernet");
        session.console.txtIP.SetText(ip);
        session.console.txtPorta.SetText(std::to_string(port));
        exchange::OpenTerminalLink(session, 0);  // the settings follow the console's fields
    }

    void UseSerial(const std::string& comPort) {
        session.settings.ConnectionType = 1;
        session.console.cmbConnessione.SetText("RS232");
        session.console.cmbCOM.SetText(comPort);
    }

    // Runs an extended payment of `amount` cents and returns the status box.
    std::string PayExt(const std::string& amount) {
        session.console.txtImporto.SetText(amount);
        EXPECT_EQ(ops.ZANDRIK_EseguiPagamentoEsteso(), "");
        return session.console.txtEsito.Text();
    }

    testing::TempDir dir;
    testing::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path().substr(0, dir.path().size() - 1)};
    testing::ScopedEnv answerTimeout{"VARNIXPOS_IAE17_ANSWER_MS", "1500"};
    testing::SimulatorProcess simulator{{"--tcp", "low", "--serial", "COM7"}};
    fakes::FakeDialogs dialogs;
    fakes::FakeEventPump events;
    fakes::FakeTimer timer;
    fakes::FakeClock clock;
    fakes::FakeShell shell;
    LoadedTerminalLibrary library{platform::HostPlatform()};
    engine::Session session{platform::HostPlatform(),
                            ports::Ports{dialogs, events, timer, clock, shell}, library};
    exchange::TerminalOperations ops{session};
};

class OverEachLink : public StandInLibraryTest,
                     public ::testing::WithParamInterface<std::string> {};

TEST_P(OverEachLink, EveryOperationReachesTheTerminalExactlyOnce) {
    ASSERT_TRUE(simulator.Running());
    UseLink(GetParam());
    auto& console = session.console;
    console.txtImporto.SetText("1250");
    console.txtImportoPreAut.SetText("5000");
    auto& actions = session.consoleActions;
    using Click = void (engine::ConsoleActions::*)();
    for (Click click :
         {&engine::ConsoleActions::btnPagamento_Click, &engine::ConsoleActions::btnAccredito_Click,
          &engine::ConsoleActions::btnTotali_Click, &engine::ConsoleActions::btnStatus_Click,
          &engine::ConsoleActions::btnPreautorizzazione_Click}) {
        (actions.*click)();
        EXPECT_EQ(console.txtEsito.Text(), "OK");
    }
    // The pre-authorisation's code comes back in the outcome, and its top-up and closing use it.
    console.txtCodicePreautorizzazione.SetText(text::TrimBlanks(console.txtCodPreaut.Text()));
    actions.btnIntegrativa_Click();
    EXPECT_EQ(console.txtEsito.Text(), "OK");
    EXPECT_EQ(text::TrimBlanks(console.txtImpPreaut.Text()), "10000");
    actions.btnPreautChiusura_Click();
    EXPECT_EQ(console.txtEsito.Text(), "OK");

    for (auto op : {&exchange::TerminalOperations::ZANDRIK_EseguiPagamentoEsteso,
                    &exchange::TerminalOperations::ZANDRIK_Accredito,
                    &exchange::TerminalOperations::ZANDRIK_Totali}) {
        console.txtEsito.SetText("");
        EXPECT_EQ((ops.*op)(), "");
        EXPECT_EQ(console.txtEsito.Text(), "OK");
    }
    EXPECT_FALSE(console.txtSTAN.IsEmpty());
    EXPECT_NE(console.txtTermId.Text().find("10001761"), std::string::npos);
    EXPECT_EQ(ops.ZANDRIK_Chiusura(), "");
    EXPECT_EQ(console.txtEsito.Text(), "OK");

    const auto journal = simulator.JournalLines();
    const std::string link = GetParam() == "tcp" ? "tcp" : GetParam();
    const char* expected[] = {"IAE17AX_Payment",
                              "IAE17AX_Refund",
                              "IAE17AX_TerminalBalance",
                              "IAE17AX_Status",
                              "IAE17AX_Preauthorization",
                              "IAE17AX_PreauthorizationInt",
                              "IAE17AX_PreauthorizationClose",
                              "IAE17AX_PaymentExt",
                              "IAE17AX_Refund",
                              "IAE17AX_TerminalBalance",
                              "IAE17AX_Closure"};
    ASSERT_EQ(journal.size(), std::size(expected));
    for (std::size_t i = 0; i < journal.size(); ++i) {
        EXPECT_NE(journal[i].find(std::string("\"function\":\"") + expected[i] + "\""),
                  std::string::npos)
            << journal[i];
        EXPECT_NE(journal[i].find("\"link\":\"" + link + "\""), std::string::npos);
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_P(OverEachLink, EveryResultCodeIsReachable) {
    ASSERT_TRUE(simulator.Running());
    UseLink(GetParam());
    struct Case {
        const char* amount;
        const char* esito;
    };
    const Case cases[] = {
        {"990002", "TIMEOUT ERROR"},
        {"990003", "PROTOCOL ERROR"},
        {"990004", "FUNCTION ERROR"},
        {"990005", "PASSWORD ERROR"},
        {"990006", nullptr},
        {"990001", "OK"},
        {"990007", "OK"},  // an unknown code leaves the previous text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PayExt(c.amount), c.esito ? c.esito : LinkError(GetParam())) << c.amount;
    }
    EXPECT_EQ(text::TrimBlanks(session.console.txtEsitoTrans.Text()), "05");  // the refusal
    EXPECT_EQ(text::TrimBlanks(session.console.txtDescrKO.Text()), "TRANSAZIONE RIFIUTATA");

    EXPECT_EQ(session.console.txtEsito.Text(), "OK");
    EXPECT_EQ(simulator.JournalLines().size(), std::size(cases));
}

TEST_F(StandInLibraryTest, NothingListeningIsALinkError) {
    UseEthernet(1);  // nothing listens on port 1
    EXPECT_EQ(PayExt("100"), "ETH ERROR");
}

TEST_F(StandInLibraryTest, VoidNamesAnEarlierApprovedTransaction) {
    ASSERT_TRUE(simulator.Running());
    ASSERT_EQ(PayExt("1250"), "OK");
    const std::string stan(text::TrimBlanks(session.console.txtSTAN.Text()));
    session.console.txtImporto.SetText(stan);
    EXPECT_EQ(ops.ZANDRIK_Storno(), "");
    EXPECT_EQ(text::TrimBlanks(session.console.txtEsitoTrans.Text()), "00");
    EXPECT_EQ(ops.ZANDRIK_Storno(), "");  // the same transaction cannot be voided twice
    EXPECT_EQ(text::TrimBlanks(session.console.txtDescrKO.Text()), "STAN NON TROVATO");
    EXPECT_EQ(ops.ZANDRIK_Totali(), "");
    EXPECT_EQ(text::TrimBlanks(session.console.txtTotaliPOS.Text()), "0");
}

TEST_F(StandInLibraryTest, LibraryLoadsLazilyAndFreeTwiceIsHarmless) {
    iae17::VersionBuffer version{};
    EXPECT_EQ(library.GetVersion(version), 0);
    EXPECT_EQ(std::string(version.data(), version.size()), "SIM 1.0.0 ");
    EXPECT_EQ(library.Free(), 0);
    EXPECT_EQ(library.Free(), 0);

    LoadedTerminalLibrary missing(platform::HostPlatform(), "libIae17-missing.so");
    try {
        missing.Free();
        ADD_FAILURE() << "a missing library must raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), kErrFileNotFound);
        EXPECT_NE(e.Description().find("libIae17-missing.so"), std::string::npos);
    }
}

#ifndef _WIN32
TEST_F(StandInLibraryTest, FunctionMissingFromTheLibraryIsNamed) {
    LoadedTerminalLibrary wrong(platform::HostPlatform(), "libm.so.6");
    try {
        iae17::POSRequest request;
        iae17::POSData data;
        wrong.Call(iae17::Function::Closure, request, data);
        ADD_FAILURE() << "a missing function must raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), kErrEntryPointNotFound);
        EXPECT_NE(e.Description().find("IAE17AX_Closure"), std::string::npos);
    }
}

TEST_F(StandInLibraryTest, SerialLinkComesBackAfterADropAndNeedsTheSimulator) {
    ASSERT_TRUE(simulator.Running());
    UseSerial("COM7");
    EXPECT_EQ(PayExt("700"), "OK");
    EXPECT_EQ(PayExt("990006"), "COM ERROR");  // dropped mid-answer
    EXPECT_EQ(PayExt("701"), "OK");            // the simulator brought the link back
    EXPECT_EQ(PayExt("990004"), "FUNCTION ERROR");

    UseSerial("COM9");  // no simulator behind it
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PayExt("702"), "COM ERROR");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));

    const auto journal = simulator.JournalLines();
    ASSERT_EQ(journal.size(), 4U) << ::testing::PrintToString(journal);
    EXPECT_NE(journal[0].find("\"link\":\"COM7\""), std::string::npos);
}

TEST_F(StandInLibraryTest, NonLoopbackAddressFailsWithoutAConnectionAttempt) {
    const int before = testing::RefusedConnections();
    UseEthernet(9100, "192.0.2.10");
    session.consoleActions.btnTotali_Click();
    EXPECT_EQ(session.console.txtEsito.Text(), "ETH ERROR");
    EXPECT_EQ(testing::RefusedConnections(), before);
    EXPECT_TRUE(simulator.JournalLines().empty());
}
#endif

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Links, OverEachLink, ::testing::Values(std::string("tcp")));
#else
INSTANTIATE_TEST_SUITE_P(Links, OverEachLink,
                         ::testing::Values(std::string("tcp"), std::string("COM7")));
#endif

}  // namespace
}  // namespace varnix
