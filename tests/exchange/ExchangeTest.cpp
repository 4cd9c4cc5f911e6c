// One command line, one terminal operation and one exchange record at a time, on a session with
// an Ethernet terminal on loopback, no simulated wait and its files in a temporary folder.
#include <gtest/gtest.h>

#include "config/FileNames.h"
#include "exchange/CommandHandlers.h"
#include "exchange/Dispatcher.h"
#include "exchange/ExchangeRecordWriter.h"
#include "exchange/TerminalLink.h"
#include "exchange/TerminalOperations.h"
#include "fakes/FaultyFiles.h"
#include "fakes/TestSession.h"
#include "iae17/Records.h"
#include "iae17/ResultCodes.h"
#include "text/AnsiText.h"

namespace varnix::exchange {
namespace {

using testing::Join;
using Texts = std::vector<std::string>;

// A table kept beside the tests: one row a line, TABs between its fields.
std::vector<Texts> Rows(const std::string& name) {
    std::vector<Texts> rows;
    for (const auto& line : text::SplitLines(
             testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/exchange/golden/" + name))) {
        rows.push_back(text::Split(line, '\t'));
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

class ExchangeTest : public ::testing::Test {
  protected:
    ExchangeTest() {
        UseEthernet("127.0.0.1", "9100");
        console.txtTerminale.SetText("10001761");
        session.service.FillTestLists();
        session.service.ComboSecondi.SetText("0");
        session.settings.InputFilePath = dir / config::kCommandFileName;
        session.service.txtLogFileName.SetText(dir / config::kLogFileName);
    }

    void UseEthernet(const char* ip, const char* port) {
        session.settings.ConnectionType = 0;
        session.settings.EthParams.IPAddress.Assign(ip);
        session.settings.EthParams.Port.Assign(port);
        console.txtIP.SetText(ip);
        console.txtPorta.SetText(port);
    }
    std::string Run(const std::string& line) {
        bool matched = false;
        return Dispatcher(session).RunLine(line, matched);
    }
    std::string RunFile(const std::string& contents) {
        testing::WriteFile(session.settings.InputFilePath, contents);
        return Dispatcher(session).EseguiFileComandi(session.settings.InputFilePath, false);
    }
    // Which of the dump and the log the folder holds.
    std::string Traces() const {
        return Join({platform::HostPlatform().FileExists(dump) ? "dump" : "",
                     platform::HostPlatform().FileExists(dir / config::kLogFileName) ? "log" : ""});
    }
    // The record as the writer leaves it in the dump file.
    std::string Write(const std::string& command, const std::string& detail) {
        writer.WriteRecord(dump, command, detail);
        return testing::ReadFile(dump);
    }
    iae17::POSRequest Sent() const { return library.Operations().back().request; }

    fakes::FaultyFiles files;
    fakes::TestSession test{files};
    const testing::TempDir& dir = test.dir;
    engine::Session& session = test.session;
    forms::ConsoleForm& console = session.console;
    fakes::FakeLibrary& library = test.library;
    TerminalOperations ops{session};
    ExchangeRecordWriter writer{session};
    const std::string dump = dir / config::kDumpFileName;
};

TEST_F(ExchangeTest, FieldsAreReadByLetterCheckedAndCutToTheirWidth) {
    // Each line, with the cash-register id required (1) or not: what it returns, the amount it
    // leaves in the request (which held "3") and how many terminal operations it made. Blanks
    // pass the amount check, and without an A the amount held before stays.
    for (const auto& row : Rows("command-fields.txt")) {
        const std::string& line = row.at(1);
        session.records.request.Amount.Assign("3");
        session.ecrIdRequired = row[0] == "1";
        library.calls.clear();
        EXPECT_EQ(Join({Run(line), session.records.request.Amount.Text(),
                        std::to_string(library.Operations().size())}),
                  row.at(2))
            << line;
    }
}

TEST_F(ExchangeTest, PaymentTypeSelectsItsListPositionOnlyWhenThereIsOne) {
    for (const char* line : {"POS_PAGEXT,A2,P2", "POS_PAGEXT,A2,P7", "POS_PAGEXT,A2,PX"}) {
        Run(line);
        EXPECT_EQ(console.cmbPagamento.Text() + "|" + console.txtImporto.Text(),
                  "Credito|2        ");
    }
    EXPECT_EQ(Sent().PaymentType.Text(), "2 ");
    // Without a connection the fields stay as read: only a payment's P sets the type.
    UseEthernet("10.0.0", "9100");
    for (const auto& [line, type] : {std::pair{"POS_ACCRED,A5,P3", "9 "},
                                     {"POS_PAGEXT,T1,E2,A5", "9 "},
                                     {"POS_PAGAME,A5,P3", "3 "}}) {
        session.records.request.PaymentType.Assign("9");
        EXPECT_EQ(Join({Run(line), session.records.request.PaymentType.Text()}),
                  Join({kNoConnection, type}));
    }
}

TEST_F(ExchangeTest, VoidTakesSOrAAsTheTransactionAndShowsItFirst) {
    Run("POS_STORNO,A0000052");
    Run("POS_STORNO,S12");
    EXPECT_EQ(
        Join({library.Operations()[0].data.STAN.Text(), library.Operations()[1].data.STAN.Text()}),
        "0000052|12     ");

    // The status check now fails: the void's box was filled before it, the other commands leave
    // it, and the status command answers with the reason.
    UseEthernet("10.0.0", "9100");
    const std::string voided = Run("POS_STORNO,S77") + "|" + console.txtImporto.Text();
    EXPECT_EQ(
        Join({voided, Run("POS_PAGEXT,A99"), Run("POS_TOTTER"), console.txtImporto.Text(),
              Run("POS_STATUS"), std::to_string(library.Operations().size())}),
        Join({kNoConnection, "77     ", kNoConnection, kNoConnection, "77     ", kInvalidIp, "2"}));

    library.missing = true;  // the refund's handler skips the error: no box of its own
    UseEthernet("127.0.0.1", "9100");
    EXPECT_EQ(
        Join({Run("POS_ACCRED,A5"), Run("POS_TOTTER"), std::to_string(test.dialogs.shown.size())}),
        "||1");
}

TEST_F(ExchangeTest, CommandFileLinesAreUpperCasedFilteredAndRunInOrder) {
    EXPECT_EQ(RunFile("pos_totter;\r\n;POS_CHCASS\r\n POS_CHCASS\r\nPOS_PREAUT;;\r\n"),
              kNotAvailable);
    EXPECT_TRUE(testing::ReadFile(dump).starts_with("TIPO_COMANDO  = POS_PREAUT;\r\n"));  // one ";"
    EXPECT_EQ(RunFile("POS_TOTTER\r\nPOS_CHCASS"), "");
    const auto calls = library.Operations();
    ASSERT_EQ(calls.size(), 3U);
    EXPECT_EQ(Join({calls[0].name, calls[1].name, calls[2].name}),
              "IAE17AX_TerminalBalance|IAE17AX_TerminalBalance|IAE17AX_Closure");
}

TEST_F(ExchangeTest, CommandFileWithNothingToRunOrConnectedWithoutLogLeavesNoTrace) {
    for (const char* contents : {"", "; nothing\r\n:\r\n\r\n", ";"}) {
        EXPECT_EQ(RunFile(contents), "");
    }
    Dispatcher dispatcher(session);
    files.unreadable = "";  // as while the cash register holds it
    EXPECT_EQ(Join({dispatcher.EseguiFileComandi(dir / "none.TXT", false),
                    dispatcher.EseguiFileComandi("", false), RunFile("POS_TOTTER\r\n"), Traces(),
                    std::to_string(library.calls.size())}),
              Join({kCommandFileNotFound, kCommandFileNotFound, "", "|", "0"}));

    files.unreadable.reset();
    session.terminalConnected = true;
    RunFile("POS_TOTTER\r\n");
    const std::string withoutLog = Traces();
    session.service.chkEnableLog.checked = true;
    RunFile("POS_TOTTER\r\n");
    EXPECT_EQ(Join({withoutLog, Traces()}), "|||log");
}

TEST_F(ExchangeTest, EthernetSettingsAreCheckedAddressFirst) {
    for (const auto& row : Rows("ethernet-settings.txt")) {
        UseEthernet(row.at(0).c_str(), row.at(1).c_str());
        EXPECT_EQ(Join({ops.CheckConnectionSettings(), ops.ZANDRIK_Status()}),
                  Join({row.at(2), row[2]}))
            << row[0] << '|' << row[1];
    }
    session.settings.EthParams = {};  // never assigned: NULs
    const std::string unassigned = ops.CheckConnectionSettings();
    session.settings.ConnectionType = 1;  // serial: nothing to check
    // The status check never calls the terminal.
    EXPECT_EQ(Join({unassigned, ops.CheckConnectionSettings(), ops.ZANDRIK_Status(),
                    console.txtEsito.Text(), std::to_string(library.calls.size())}),
              Join({kInvalidIp, "", "", "OK", "0"}));
}

TEST_F(ExchangeTest, OperationsSendTheirFunctionWithTheConfiguredLink) {
    console.txtImporto.SetText("1250");
    console.txtImportoAccredito.SetText("300");
    using Op = std::string (TerminalOperations::*)();
    using T = TerminalOperations;
    // Each operation, its function, the amount it sends and the outcome record's STAN, which
    // only the void fills: with the transaction to void.
    // clang-format off
    const std::tuple<Op, const char*, const char*, const char*> cases[] = {
        {&T::ZANDRIK_EseguiPagamentoEsteso, "IAE17AX_PaymentExt", "1250     ", "9      "},
        {&T::ZANDRIK_Accredito, "IAE17AX_Refund", "300      ", "9      "},
        {&T::ZANDRIK_Storno, "IAE17AX_Void", "1250     ", "1250   "},
        {&T::ZANDRIK_Totali, "IAE17AX_TerminalBalance", "         ", "9      "},
        {&T::ZANDRIK_Chiusura, "IAE17AX_Closure", "         ", "9      "}};
    // clang-format on
    library.code = 3;
    for (const auto& [op, function, amount, stan] : cases) {
        library.calls.clear();
        session.records.data.STAN.Assign("9");
        EXPECT_EQ((ops.*op)(), "");
        ASSERT_EQ(library.calls.size(), 2U);
        EXPECT_EQ(Join({library.calls[0].name, library.calls[1].name, Sent().Amount.Text(),
                        library.calls[1].data.STAN.Text(), console.txtEsito.Text()}),
                  Join({"IAE17AX_InitEth", function, amount, stan, "TIMEOUT ERROR"}));
    }
}

TEST_F(ExchangeTest, RefusalsAndRunTimeErrorsOfTheOperations) {
    console.txtImporto.SetText("");
    console.txtImportoAccredito.SetText("");
    EXPECT_EQ(Join({ops.ZANDRIK_EseguiPagamentoEsteso(), ops.ZANDRIK_Storno(),
                    ops.ZANDRIK_Accredito(), ops.ZANDRIK_EseguiPagamento()}),
              Join({kInvalidAmount, kInvalidAmount, kInvalidAmount, kInvalidAmount}));
    UseEthernet("10.0.0", "80");
    EXPECT_EQ(Join({ops.ZANDRIK_Totali(), std::to_string(library.calls.size())}),
              Join({kInvalidIp, "0"}));

    // A missing library: the labelled box, or the error reaches the caller.
    UseEthernet("127.0.0.1", "9100");
    console.txtImportoAccredito.SetText("5");
    library.missing = true;
    EXPECT_EQ(Join({ops.ZANDRIK_Totali(), ops.ZANDRIK_Chiusura()}), "|");
    EXPECT_EQ(test.dialogs.Texts(),
              (Texts{"ZANDRIK_Totali:Libreria del terminale non trovata: libIae17.so,53",
                     "ZANDRIK_Chiusura:Libreria del terminale non trovata: libIae17.so,53"}));
    EXPECT_THROW(ops.ZANDRIK_Accredito(), RuntimeError);
}

TEST_F(ExchangeTest, SimulatedPaymentWaitsThenWritesTheSampleResult) {
    session.settings.ConnectionType = 1;  // serial: no address checks
    session.settings.EthParams = {};
    console.txtImporto.SetText("2");
    auto& service = session.service;
    service.ComboSecondi.SetListIndex(0);  // 1 s
    service.txtReadFile.SetText("old view");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), "");
    // 1000 ms in 50 ms steps, events pumped after each.
    EXPECT_EQ(std::pair(test.clock.sleeps, test.events.pumps), std::pair(20, 20));
    const std::string path = dir / config::kResultFileName;
    EXPECT_EQ(testing::ReadFile(path), testing::Golden("SROUTF_simulated_ok.TXT"));
    EXPECT_EQ(Join({service.txtAmount.Text(), service.txtTipo.Text(),
                    service.txtRisultatoFinale.Text(), service.txtReadFile.Text().substr(0, 33),
                    std::to_string(library.calls.size() + test.dialogs.shown.size())}),
              Join({"2", "0", path, "TIPO_COMANDO = POS_PAGAME,A2,P0;\r", "0"}));

    // The outcome follows the expected result chosen.
    // clang-format off
    const std::pair<int, const char*> outcomes[] = {
        {0, "OK\r\nESITO_TRANSAZ = 00"}, {1, "COM ERROR\r\nESITO_TRANSAZ = 01"}, {4, "KO\r\nESITO_TRANSAZ = 01"},
        {6, "OK\r\nESITO_TRANSAZ = 00"}, {8, "KO\r\nESITO_TRANSAZ = 01"}, {-1, nullptr}};
    // clang-format on
    service.ComboSecondi.SetText("0");
    for (const auto& [position, lines] : outcomes) {
        service.ComboResult.SetListIndex(position);
        ops.ZANDRIK_EseguiPagamento();
        const std::string file = testing::ReadFile(path);
        const auto head = file.find("\r\n") + 2;
        EXPECT_EQ(file.substr(head, file.find("DATAORA") - head),
                  lines ? "ESITO_COMANDO = " + std::string(lines) + "\r\n" : "");
    }
    EXPECT_EQ(test.clock.sleeps, 20);
    service.ComboSecondi.SetText("50");  // typed: any number of whole seconds
    test.clock.sleeps = 0;
    ops.ZANDRIK_EseguiPagamento();
    EXPECT_EQ(test.clock.sleeps, 1000);
}

TEST_F(ExchangeTest, SimulatedPaymentGoesOnAfterAFailingStep) {
    session.service.ComboSecondi.SetText("abc");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), "");
    EXPECT_TRUE(testing::ReadFile(dir / config::kResultFileName).starts_with("TIPO_COMANDO"));
    session.settings.DataFolder = dir.InMissingFolder("");
    session.service.ComboSecondi.SetText("0");
    EXPECT_EQ(ops.ZANDRIK_EseguiPagamento(), "");
    EXPECT_EQ(test.dialogs.Texts(),
              (Texts{"ZANDRIK_EseguiPagamento:Tipo non corrispondente,13",
                     "ZANDRIK_EseguiPagamento:Errore di accesso al percorso/file,75",
                     "FILE NON TROVATO"}));
}

TEST_F(ExchangeTest, RecordHeadFollowsTheResultBoxesAndTheClock) {
    console.txtEsito.SetText("TIMEOUT ERROR");
    EXPECT_EQ(Write("POS_TOTTER", ""), testing::Golden("POSDUMPOUT_timeout.TXT"));
    // The three boxes, and the record's lines 2, 3 and 5: blanks count as filled.
    test.clock.now = {2016, 7, 21, 8, 32, 12};
    for (const auto& row : Rows("record-head.txt")) {
        console.txtEsito.SetText(row.at(0));
        console.txtEsitoTrans.SetText(row.at(1));
        console.txtDescrKO.SetText(row.at(2));
        const auto got = text::SplitLines(Write("POS_STATUS", "detail"));
        EXPECT_EQ(Join({got[1].substr(16), got[2].substr(16), got[4].substr(16), got[3], got[5]}),
                  row.at(3) + "|DATAORA_TRANS = 20160721_083212|EXERR_DESCRIZ = detail")
            << row[3];
    }
}

TEST_F(ExchangeTest, OutcomeRecordLosesItsNulsKeepsTheTicketOnOneLineAndReplacesTheLast) {
    auto& data = session.records.data;
    iae17::SetFieldBytes(data, 0, std::string("1001\0\0\0\0\0", 9));
    data.Ticket.Assign(std::string(4097, 'T'));
    const auto first = text::SplitLines(Write("POS_TOTTER", "first"));
    const auto lines = text::SplitLines(Write("POS_CHCASS", "second"));
    ASSERT_EQ(std::pair(first.size(), lines.size()), (std::pair<std::size_t, std::size_t>(27, 27)));
    ShowResult(session, 0);
    // The terminal id is stored back blank-padded.
    EXPECT_EQ(Join({first[7], first[24], lines[0], lines[5], data.TerminalId.Text(),
                    console.txtAcqId.Text()}),
              Join({"POSDATA.TerminalId = 1001", "POSDATA.Ticket = " + std::string(4097, 'T'),
                    "TIPO_COMANDO  = POS_CHCASS", "EXERR_DESCRIZ = second", "1001     ",
                    std::string(12, ' ')}));

    // Into a missing exchange folder: reported, and the file keeps its last whole record.
    testing::WriteFile(dump, "old\r\n");
    session.settings.InputFilePath = dir.InMissingFolder("SRINPF.TXT");
    EXPECT_EQ(Write("POS_TOTTER", ""), "old\r\n");
    EXPECT_EQ(test.dialogs.Texts(), Texts{kExchangeFolderMissing});
}

using namespace iae17;

// Each field gets a distinct marker, which must land at the drawn offset of the packed bytes.
TEST(RecordsTest, RecordsPackAtTheDrawnOffsets) {
    POSRequest r;
    const auto mark = [](auto&... fields) {
        char marker = 'a';
        (fields.Assign(std::string(1, marker++)), ...);
    };
    mark(r.Amount, r.EcrId, r.PaymentType, r.TerminalId, r.ContractText, r.PreauthorizationCode,
         r.STAN);
    const auto packed = Pack(r);
    std::string markers;
    for (std::size_t offset : {0U, 9U, 18U, 20U, 29U, 158U, 168U}) {
        markers += packed[offset];
    }
    EXPECT_EQ(markers, "abcdefg");
    EXPECT_EQ(std::string(packed.data() + 175, POSRequest::kSize - 175),
              std::string(POSRequest::kSize - 175, '\0'));  // reserved

    EthParams eth;
    eth.IPAddress.Assign("127.0.0.1");
    eth.Port.Assign("9100");
    EXPECT_EQ(std::string(Pack(eth).data(), EthParams::kSize), "127.0.0.1       9100  ");
    ComParams com;
    mark(com.ComPort, com.BaudRate, com.DataBits, com.Parity, com.StopBits);
    EXPECT_EQ(std::string(Pack(com).data(), ComParams::kSize), "a     b c d e ");
}

TEST(RecordsTest, OutcomeFieldsRoundTripThroughThePackedLayout) {
    PackedData bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('a' + (i % 26));
    }
    POSData data;
    Unpack(bytes, data);
    EXPECT_EQ(Pack(data), bytes);
    for (int i = 0; i < static_cast<int>(kPOSDataFields.size()); ++i) {
        const auto& f = kPOSDataFields[static_cast<std::size_t>(i)];
        EXPECT_EQ(FieldText(data, i), std::string(bytes.data() + f.offset, f.width)) << f.name;
    }
    const std::string stan = data.STAN.Text();
    SetFieldBytes(data, 6, "123");
    EXPECT_EQ(Join({stan, data.STAN.Text(), std::to_string(data.Ticket.Text().size())}),
              Join({std::string(bytes.data() + 55, 7), std::string("123\0\0\0\0", 7), "4097"}));
}

TEST(ResultCodesTest, EveryCodeHasItsTextAndOthersNone) {
    using Text = std::optional<std::string>;
    EXPECT_EQ((std::vector{ResultText(0, true), ResultText(1, true), ResultText(1, false),
                           ResultText(2, false), ResultText(3, true), ResultText(4, true),
                           ResultText(100, true), ResultText(5, true), ResultText(-1, true)}),
              (std::vector<Text>{"OK", "ETH ERROR", "COM ERROR", "PROTOCOL ERROR", "TIMEOUT ERROR",
                                 "FUNCTION ERROR", "PASSWORD ERROR", std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace varnix::exchange
