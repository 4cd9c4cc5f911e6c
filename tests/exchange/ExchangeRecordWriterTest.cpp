#include "exchange/ExchangeRecordWriter.h"

#include <gtest/gtest.h>

#include "exchange/TerminalLink.h"
#include "fakes/TestSession.h"
#include "text/AnsiText.h"

namespace varnix::exchange {
namespace {

class ExchangeRecordWriterTest : public ::testing::Test {
  protected:
    ExchangeRecordWriterTest() { session.settings.InputFilePath = test.dir / "SRINPF.TXT"; }

    std::string Write(const std::string& command, const std::string& detail) {
        writer.WriteCommunicationResult(out, command, detail);
        writer.WritePosData(out);
        return testing::ReadFile(out);
    }

    fakes::TestSession test;
    engine::Session& session = test.session;
    ExchangeRecordWriter writer{session};
    const std::string out = test.dir / "POSDUMPOUT.TXT";
};

TEST_F(ExchangeRecordWriterTest, TimeoutRecordMatchesTheGoldenFile) {
    session.console.txtEsito.SetText("TIMEOUT ERROR");
    EXPECT_EQ(Write("POS_TOTTER", ""),
              testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) +
                                "/exchange/golden/POSDUMPOUT_timeout.TXT"));
}

TEST_F(ExchangeRecordWriterTest, HeadValuesFollowTheResultBoxes) {
    struct Case {
        const char* esito;
        const char* esitoTrans;
        const char* descrKO;
        const char* lines;  // lines 2, 3 and 5
    };
    const Case cases[] = {
        {"OK", "", "", "OK|00|"},
        {"", "", "", "KO|00|ERRORE GENERICO, PROBABILI PARAMETRI NON CORRETTI"},
        {"OK", "05 ", "RIFIUTATA ", "OK|05 |RIFIUTATA "},
        {"OK", "", "CARTA ", "OK|01|CARTA "},
        {"OK", "   ", "", "OK|   |"},  // blanks count as filled
    };
    for (const auto& c : cases) {
        session.console.txtEsito.SetText(c.esito);
        session.console.txtEsitoTrans.SetText(c.esitoTrans);
        session.console.txtDescrKO.SetText(c.descrKO);
        const auto lines = text::SplitLines(Write("POS_STATUS", "detail"));
        EXPECT_EQ(lines[1].substr(16) + "|" + lines[2].substr(16) + "|" + lines[4].substr(16),
                  c.lines);
        EXPECT_EQ(lines[3], "DATAORA_TRANS = 20240305_140709");
        EXPECT_EQ(lines[5], "EXERR_DESCRIZ = detail");
    }
}

TEST_F(ExchangeRecordWriterTest, OutcomeRecordLosesItsNulsAndKeepsTheTicketOnOneLine) {
    auto& data = session.records.data;
    iae17::SetFieldBytes(data, 0, std::string("1001\0\0\0\0\0", 9));
    data.Ticket.Assign(std::string(4097, 'T'));
    const auto lines = text::SplitLines(Write("POS_TOTTER", ""));
    ASSERT_EQ(lines.size(), 27U);
    EXPECT_EQ(lines[7], "POSDATA.TerminalId = 1001");
    EXPECT_EQ(lines[24], "POSDATA.Ticket = " + std::string(4097, 'T'));
    EXPECT_EQ(data.TerminalId.Text(), "1001     ");  // stored back blank-padded
    ShowResult(session, 0);
    EXPECT_EQ(session.console.txtAcqId.Text(), std::string(12, ' '));
}

TEST_F(ExchangeRecordWriterTest, SecondRecordReplacesTheFirst) {
    Write("POS_TOTTER", "first");
    const std::string second = Write("POS_CHCASS", "second");
    EXPECT_TRUE(second.starts_with("TIPO_COMANDO  = POS_CHCASS\r\n"));
    EXPECT_EQ(second.find("first"), std::string::npos);
    EXPECT_EQ(text::SplitLines(second).size(), 27U);
}

TEST_F(ExchangeRecordWriterTest, MissingExchangeFolderIsReportedAndOnlyTheBlockIsAppended) {
    testing::WriteFile(out, "old\r\n");
    session.settings.InputFilePath =
        test.dir.path() + "missing" + platform::HostPlatform().Separator() + "SRINPF.TXT";
    const std::string written = Write("POS_TOTTER", "");
    EXPECT_EQ(test.dialogs.Texts(), std::vector<std::string>{kExchangeFolderMissing});
    EXPECT_TRUE(written.starts_with("old\r\n-----"));
}

TEST_F(ExchangeRecordWriterTest, DateIsReadBeforeTime) {
    EXPECT_EQ(writer.CurrDateTime(), "20240305_140709");
    test.clock.now = {2016, 7, 21, 8, 32, 12};
    EXPECT_EQ(writer.CurrDateTime(), "20160721_083212");
}

}  // namespace
}  // namespace varnix::exchange
