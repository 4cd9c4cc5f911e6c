// The real stand-in library, loaded the way the application loads it, against the real simulator
// over loopback TCP and a pseudo-terminal; the simulator's journal shows what reached it.
#include <gtest/gtest.h>

#include "exchange/TerminalLink.h"
#include "exchange/TerminalOperations.h"
#include "fakes/EngineDriver.h"
#include "iae17/LoadedTerminalLibrary.h"
#include "integration/Process.h"
#include "text/AnsiText.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>

#include <atomic>
#include <cerrno>
#include <cstring>

static std::atomic<int> gRefused{0};

// Every connect() in this process, the library's included, comes here: only loopback and local
// sockets go through, anything else is refused and counted, so a test can prove none was tried.
extern "C" int connect(int fd, const sockaddr* address, socklen_t length) {
    sockaddr_in in{};
    sockaddr_in6 in6{};
    std::memcpy(&in, address, std::min<std::size_t>(length, sizeof in));
    std::memcpy(&in6, address, std::min<std::size_t>(length, sizeof in6));
    const bool loopback = (in.sin_family == AF_INET && (ntohl(in.sin_addr.s_addr) >> 24) == 127) ||
                          (in6.sin6_family == AF_INET6 && IN6_IS_ADDR_LOOPBACK(&in6.sin6_addr)) ||
                          in.sin_family == AF_UNIX;
    if (!loopback) {
        ++gRefused;
        errno = ENETUNREACH;
        return -1;
    }
    using Connect = int (*)(int, const sockaddr*, socklen_t);
    static const auto real = reinterpret_cast<Connect>(::dlsym(RTLD_NEXT, "connect"));
    return real(fd, address, length);
}
#endif

namespace varnix {
namespace {

using Strings = std::vector<std::string>;

class StandInLibraryTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        ASSERT_GT(simulator.TcpPort(), 0);
        session.console.txtTerminale.SetText("10001761");
    }

    // "tcp" or a serial port; not `live`, the same kind of link with nothing behind it.
    void UseLink(const std::string& link, bool live = true, const std::string& ip = "127.0.0.1") {
        const bool tcp = link == "tcp";
        session.settings.ConnectionType = tcp ? 0 : 1;
        session.console.cmbConnessione.SetText(tcp ? "Ethernet" : "RS232");
        session.console.txtIP.SetText(ip);
        session.console.txtPorta.SetText(live ? std::to_string(simulator.TcpPort()) : "1");
        session.console.cmbCOM.SetText(live ? link : "COM9");
        exchange::OpenTerminalLink(session, tcp ? 0 : 1);  // the settings follow the console
    }

    // Runs an extended payment of `amount` cents and returns the status box.
    std::string PayExt(const std::string& amount) {
        session.console.txtImporto.SetText(amount);
        EXPECT_EQ(ops.ZANDRIK_EseguiPagamentoEsteso(), "");
        return session.console.txtEsito.Text();
    }

    iae17::LoadedTerminalLibrary library{platform::HostPlatform()};
    fakes::EngineDriver engine{&library};
    engine::Session& session = *engine.session;
    exchange::TerminalOperations ops{session};
    testing::ScopedEnv runtime{"XDG_RUNTIME_DIR", engine.home.path()};
    testing::ScopedEnv answerTimeout{"VARNIXPOS_IAE17_ANSWER_MS", "1500"};
    testing::Simulator simulator{{"--serial", "COM7"}};
};

using OverEachLink = StandInLibraryTest;

TEST_P(OverEachLink, EveryOperationReachesTheTerminalOnce) {
    UseLink(GetParam());
    auto& console = session.console;
    console.txtImporto.SetText("1250");
    console.txtImportoPreAut.SetText("5000");
    using C = engine::ConsoleActions;
    // The void names the payment before it; the pre-authorisation's code comes back in its
    // outcome, and its top-up and closing send it.
    for (auto click :
         {&C::btnPagamento_Click, &C::btnStorno_Click, &C::btnAccredito_Click,
          &C::btnPreautorizzazione_Click, &C::btnIntegrativa_Click, &C::btnPreautChiusura_Click,
          &C::btnTotali_Click, &C::btnStatus_Click, &C::btnChiusura_Click}) {
        console.txtCodicePreautorizzazione.SetText(text::TrimBlanks(console.txtCodPreaut.Text()));
        (session.consoleActions.*click)();
        EXPECT_EQ(console.txtEsito.Text(), "OK");
    }
    EXPECT_EQ(PayExt("700"), "OK");
    EXPECT_NE(console.txtTermId.Text().find("10001761"), std::string::npos);
    EXPECT_EQ(
        simulator.Journal({"function", "outcome"}),
        text::SplitLines(testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) +
                                           "/integration/golden/every-operation-journal.txt")));
    EXPECT_EQ(simulator.Journal({"link"}), Strings(10, GetParam()));
    EXPECT_TRUE(engine.dialogs.shown.empty());
    iae17::VersionBuffer version{};
    // Braces evaluate in order: the version is read before it is shown; a second release is
    // harmless.
    EXPECT_EQ(testing::Join({std::to_string(library.GetVersion(version)),
                             std::string(version.data(), version.size()),
                             std::to_string(library.Free()), std::to_string(library.Free())}),
              "0|SIM 1.0.0 |0|0");
}

TEST_P(OverEachLink, EveryResultCodeIsReachable) {
    UseLink(GetParam());
    const std::string linkError = GetParam() == "tcp" ? "ETH ERROR" : "COM ERROR";
    Strings statuses;
    for (const char* amount :
         {"990002", "990003", "990004", "990005", "990006", "990001", "990007"}) {
        statuses.push_back(PayExt(amount));
    }
    // 990006 drops the link mid-answer, the refusal (990001) comes over the link back up, and an
    // unknown code (990007) leaves the text before it.
    EXPECT_EQ(statuses, (Strings{"TIMEOUT ERROR", "PROTOCOL ERROR", "FUNCTION ERROR",
                                 "PASSWORD ERROR", linkError, "OK", "OK"}));
    EXPECT_EQ(text::TrimBlanks(session.console.txtEsitoTrans.Text()), "05");
    EXPECT_EQ(text::TrimBlanks(session.console.txtDescrKO.Text()), "TRANSAZIONE RIFIUTATA");
    EXPECT_EQ(simulator.Journal({}).size(), statuses.size());

    UseLink(GetParam(), false);
    EXPECT_EQ(PayExt("100"), linkError);
    EXPECT_EQ(simulator.Journal({}).size(), statuses.size());
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Links, OverEachLink, ::testing::Values("tcp"));
#else
INSTANTIATE_TEST_SUITE_P(Links, OverEachLink, ::testing::Values("tcp", "COM7"));

TEST_F(StandInLibraryTest, NonLoopbackAddressFailsWithoutAConnectionAttempt) {
    const int before = gRefused.load();
    UseLink("tcp", true, "192.0.2.10");
    session.consoleActions.btnTotali_Click();
    EXPECT_EQ(session.console.txtEsito.Text(), "ETH ERROR");
    EXPECT_EQ(gRefused.load(), before);
    EXPECT_TRUE(simulator.Journal({}).empty());
    // The guard is armed: such an attempt would have been counted.
    sockaddr_in far{AF_INET, htons(9100), {htonl(0xC000020A)}, {}};
    EXPECT_EQ(::connect(-1, reinterpret_cast<const sockaddr*>(&far), sizeof far), -1);
    EXPECT_EQ(gRefused.load(), before + 1);
}

#endif

}  // namespace
}  // namespace varnix
