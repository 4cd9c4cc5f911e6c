#include "exchange/Dispatcher.h"

#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "exchange/CommandHandlers.h"
#include "fakes/TestSession.h"
#include "platform/PlatformWrapper.h"

namespace varnix::exchange {
namespace {

class HandlerTest : public ::testing::Test {
  protected:
    HandlerTest() {
        session.settings.ConnectionType = 0;
        session.settings.EthParams.IPAddress.Assign("127.0.0.1");
        session.settings.EthParams.Port.Assign("9100");
        session.console.txtTerminale.SetText("1");
        session.service.FillTestLists();
        session.service.ComboSecondi.SetText("0");
    }

    std::string Run(const std::string& line) {
        bool matched = false;
        return Dispatcher(session).RunLine(line, matched);
    }

    fakes::TestSession test;
    engine::Session& session = test.session;
};

TEST_F(HandlerTest, FieldsAreReadByLetterCheckedAndCutToTheirWidth) {
    struct Case {
        const char* line;
        bool ecrIdRequired;
        const char* result;
        const char* amount;  // POSRequest.Amount afterwards; it held "3" before
        std::size_t calls;   // library operations made
    };
    const Case cases[] = {
        {"POS_PAGEXT,A2,P0", false, "", "2        ", 1},
        {"POS_PAGEXT,P1,A123456789012", false, "", "123456789", 1},
        {"POS_PAGEXT,A", false, "", "         ", 1},  // blanks pass the amount check
        {"POS_PAGEXT,A5,A6", false, "", "6        ", 1},
        {"POS_PAGEXT,P0", false, "", "3        ", 1},  // no A: the amount held before
        {"POS_PAGEXT,T1,E2,A4,P0,X", false, kMissingParameters, "4        ", 0},
        {"POS_PAGEXT,A4,P0", true, kMissingParameters, "4        ", 0},
        {"POS_PAGEXT,E9,A4,P0", true, "", "4        ", 1},
        {"POS_ACCRED,A77,P3", false, "", "77       ", 1},  // P is no letter of the refund
        {"POS_ACCRED,T,E,A8,P3", false, kMissingParameters, "8        ", 0},
        {"POS_TOTTERXYZ,A1,B,C,D,E,F", false, "", "         ", 1},
        {"POS_PREAUT,A1", false, kNotAvailable, "3        ", 0},
        {"POS_PREINT", false, kNotAvailable, "3        ", 0},
        {"POS_CHPREA", false, kNotAvailable, "3        ", 0},
        {"POS_STATUS,A1", false, "", "3        ", 0},
        {"POS_PWD,A1", false, "", "3        ", 0},
    };
    for (const auto& c : cases) {
        session.records.request.Amount.Assign("3");
        session.ecrIdRequired = c.ecrIdRequired;
        test.library.calls.clear();
        EXPECT_EQ(Run(c.line), c.result) << c.line;
        EXPECT_EQ(session.records.request.Amount.Text(), c.amount) << c.line;
        EXPECT_EQ(test.library.Operations().size(), c.calls) << c.line;
    }
}

TEST_F(HandlerTest, PaymentTypeSelectsItsListPositionOnlyWhenThereIsOne) {
    Run("POS_PAGEXT,A2,P2");
    EXPECT_EQ(session.console.cmbPagamento.Text(), "Credito");
    EXPECT_EQ(session.console.txtImporto.Text(), "2        ");
    Run("POS_PAGEXT,A2,P7");
    EXPECT_EQ(session.console.cmbPagamento.Text(), "Credito");
    EXPECT_EQ(test.library.Operations().back().request.PaymentType.Text(), "2 ");
    Run("POS_PAGEXT,A2,PX");
    EXPECT_EQ(session.console.cmbPagamento.Text(), "Credito");
}

TEST_F(HandlerTest, VoidTakesSOrAAsTheTransactionAndShowsItFirst) {
    Run("POS_STORNO,A0000052");
    EXPECT_EQ(test.library.Operations().back().data.STAN.Text(), "0000052");
    Run("POS_STORNO,S12");
    EXPECT_EQ(test.library.Operations().back().data.STAN.Text(), "12     ");

    session.settings.EthParams.IPAddress.Assign("10.0.0");  // the status check now fails
    EXPECT_EQ(Run("POS_STORNO,S77"), kNoConnection);
    EXPECT_EQ(session.console.txtImporto.Text(), "77     ");  // filled before the check
    EXPECT_EQ(Run("POS_PAGEXT,A99"), kNoConnection);
    EXPECT_NE(session.console.txtImporto.Text(), "99       ");
    EXPECT_EQ(Run("POS_TOTTER"), kNoConnection);
    EXPECT_EQ(Run("POS_STATUS"), "Indirizzo IP non valido");
    session.settings.EthParams.Port.Assign("0");
    session.settings.EthParams.IPAddress.Assign("127.0.0.1");
    EXPECT_EQ(Run("POS_STATUS"), "Porta Eth non valida");
    EXPECT_EQ(test.library.Operations().size(), 2U);
}

TEST_F(HandlerTest, RefundErrorsAreSkippedByItsHandler) {
    test.library.missing = true;
    EXPECT_EQ(Run("POS_ACCRED,A5"), "");
    EXPECT_TRUE(test.dialogs.shown.empty());  // the refund has no box of its own
    EXPECT_EQ(Run("POS_TOTTER"), "");
    EXPECT_EQ(test.dialogs.shown.size(), 1U);
}

class DispatcherTest : public HandlerTest {
  protected:
    DispatcherTest() {
        session.settings.InputFilePath = test.dir / config::kCommandFileName;
        session.service.txtLogFileName.SetText(test.dir / config::kLogFileName);
    }
    std::string RunFile(const std::string& contents) {
        testing::WriteFile(session.settings.InputFilePath, contents);
        return Dispatcher(session).EseguiFileComandi(session.settings.InputFilePath, false);
    }
    bool DumpExists() const {
        return platform::HostPlatform().FileExists(test.dir / config::kDumpFileName);
    }
};

TEST_F(DispatcherTest, LinesAreUpperCasedFilteredAndRunInOrder) {
    EXPECT_EQ(RunFile("pos_totter;\r\n;POS_CHCASS\r\n POS_CHCASS\r\nPOS_PREAUT;;\r\n"),
              kNotAvailable);
    ASSERT_EQ(test.library.Operations().size(), 1U);
    EXPECT_EQ(test.library.Operations()[0].name, "IAE17AX_TerminalBalance");
    const std::string dump = testing::ReadFile(test.dir / config::kDumpFileName);
    EXPECT_TRUE(dump.starts_with("TIPO_COMANDO  = POS_PREAUT;\r\n")) << dump;  // one ";" only

    EXPECT_EQ(RunFile("POS_TOTTER\r\nPOS_CHCASS"), "");
    EXPECT_EQ(test.library.Operations().back().name, "IAE17AX_Closure");
}

TEST_F(DispatcherTest, EmptyOrCommentOnlyFilesWriteNothing) {
    for (const char* contents : {"", "; nothing\r\n:\r\n\r\n", ";"}) {
        EXPECT_EQ(RunFile(contents), "");
        EXPECT_FALSE(DumpExists());
    }
    EXPECT_EQ(Dispatcher(session).EseguiFileComandi(test.dir / "none.TXT", false),
              kCommandFileNotFound);
    EXPECT_EQ(Dispatcher(session).EseguiFileComandi("", false), kCommandFileNotFound);
    EXPECT_FALSE(DumpExists());
}

TEST_F(DispatcherTest, ConnectedWithLoggingOffLeavesNoTrace) {
    session.terminalConnected = true;
    RunFile("POS_TOTTER\r\n");
    EXPECT_FALSE(DumpExists());
    EXPECT_FALSE(platform::HostPlatform().FileExists(test.dir / config::kLogFileName));
    session.service.chkEnableLog.checked = true;
    RunFile("POS_TOTTER\r\n");
    EXPECT_TRUE(platform::HostPlatform().FileExists(test.dir / config::kLogFileName));
    EXPECT_FALSE(DumpExists());
}

// A command file that exists but cannot be read, as while the cash register holds it.
class LockedFiles : public platform::PlatformWrapper {
  public:
    LockedFiles() : PlatformWrapper(platform::HostPlatform()) {}
    std::optional<std::string> ReadWholeFile(const std::string&) override { return std::nullopt; }
};

TEST(DispatcherLockedTest, UnreadableFileReturnsAtOnce) {
    LockedFiles locked;
    fakes::TestSession test(locked);
    const std::string path = test.dir / config::kCommandFileName;
    testing::WriteFile(path, "POS_TOTTER\r\n");
    EXPECT_EQ(Dispatcher(test.session).EseguiFileComandi(path, false), "");
    EXPECT_TRUE(test.library.calls.empty());
}

}  // namespace
}  // namespace varnix::exchange
