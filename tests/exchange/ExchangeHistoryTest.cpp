// The exchange history: what the engine puts into it, its lines (the earlier layout's too), a
// torn last line, the disk budget, and the "Storico" window built from it.
#include <gtest/gtest.h>

#include <string>

#include "exchange/ExchangeHistory.h"
#include "fakes/EngineDriver.h"
#include "fakes/TestEnv.h"

namespace varnix::exchange {
namespace {

using testing::Join;

std::string Cells(const HistoryEntry& entry, std::size_t from = 1) {
    const auto cells = HistoryRowOf(entry).cells;
    return Join(
        std::vector<std::string>(cells.begin() + static_cast<std::ptrdiff_t>(from), cells.end()));
}

iae17::POSData Answer(const char* result, const char* stan, const char* reason) {
    iae17::POSData data;  // the fields not assigned here keep their NULs
    data.TerminalId.Assign("10001761");
    data.TransactionResult.Assign(result);
    data.STAN.Assign(stan);
    data.KODescription.Assign(reason);
    data.Ticket.Assign("ZANDRIK POS SIMULATOR\r\nTRANSAZIONE");
    return data;
}

TEST(ExchangeHistoryTest, EachExchangeShowsItsOwnValuesAndMarksWhatAnEarlierOneLeft) {
    fakes::EngineDriver engine;
    engine.CreateDataFolder();
    engine.WriteData("ParamVnxPos.TXT", "1\r\n0\r\n0\r\n0\r\n");  // the log holds each record
    ASSERT_TRUE(engine.Connect());
    const struct {
        const char* line;
        std::int16_t code;
        std::optional<iae17::POSData> answer;
        const char* row;  // the cells after the start
    } cases[] = {
        {"POS_PAGEXT,A1250,P0", 0, Answer("00", "000052", ""),
         "POS_PAGEXT,A1250,P0|OK 00|12,50|000052|0 ms|"},
        // No A field: the amount sent is the last one; the terminal kept its STAN.
        {"POS_PAGEXT,P0", 0, std::nullopt, "POS_PAGEXT,P0|OK 00|12,50*|000052*|0 ms|"},
        {"POS_ACCRED,A5,P0,X,Y", 0, std::nullopt,
         "POS_ACCRED,A5,P0,X,Y|KO|0,05|000052*|0 ms|"
         "Parametri mancanti"},
        {"POS_PAGEXT,A990", 0, Answer("01", "000053", "CARTA RIFIUTATA"),
         "POS_PAGEXT,A990|OK 01|9,90|000053|0 ms|CARTA RIFIUTATA"},
        {"POS_TOTTER", 3, std::nullopt, "POS_TOTTER|KO||000053*|0 ms|TIMEOUT ERROR"},
        {"POS_STATUS", 0, std::nullopt, "POS_STATUS|OK 01*||000053*|0 ms|"},
    };
    const std::string path = engine.Data("HistoryVnxPos.jsonl");
    for (const auto& c : cases) {
        engine.fakeLibrary.code = c.code;
        engine.fakeLibrary.answer = c.answer;
        engine.WriteData("SRINPF.TXT", std::string(c.line) + "\r\n");
        engine.Tick();
        const auto newest = ExchangeHistory::ReadNewest(platform::HostPlatform(), path, 1);
        ASSERT_EQ(newest.size(), 1U);
        const HistoryEntry& entry = newest[0];
        EXPECT_EQ(Cells(entry), c.row);
        EXPECT_EQ(entry.start, "2024-03-05 14:07:09");
        // Kept without padding, the record comes back exactly as the log has it.
        EXPECT_EQ(ExchangeHistory::RecordOf(entry), engine.ReadData("LogVnxPos.TXT")) << c.line;
        EXPECT_EQ(ExchangeHistory::FromJsonLine(ExchangeHistory::ToJsonLine(entry)), entry);
        EXPECT_LT(ExchangeHistory::ToJsonLine(entry).size(), 700U) << c.line;
    }
    // The start-up's status request is VarnixPos's own: marked, and left out on request.
    const auto all = ExchangeHistory::ReadNewest(platform::HostPlatform(), path, 100);
    ASSERT_EQ(all.size(), std::size(cases) + 1);
    EXPECT_EQ(HistoryRowOf(all.back()).cells[1], "POS_STATUS (VarnixPos)");
    EXPECT_EQ(ExchangeHistory::ReadNewest(platform::HostPlatform(), path, 100, false).size(),
              std::size(cases));
}

TEST(ExchangeHistoryTest, LinesOfTheEarlierLayoutStillRead) {
    const struct {
        std::string line;
        std::string row;  // all cells
        std::string record;
    } cases[] = {
        {R"({"time":"2026-12-06 09:41:07","duration_ms":2812,"mode":"resident",)"
         R"("command":"POS_PAGEXT,A1250","file":"SRINPF.TXT","handler":"","outcome":"OK",)"
         R"("transaction":"00","description":"","posdata":{"TerminalId":"10001761",)"
         R"("STAN":"000052"},"result_file":null,"record":"TIPO_COMANDO  = POS_PAGEXT,A1250\r\n"})",
         "2026-12-06 09:41:04|POS_PAGEXT,A1250|OK 00||000052|2812 ms|",
         "TIPO_COMANDO  = POS_PAGEXT,A1250\r\n"},
        // The start lies before midnight; a refusal shows the handler's text.
        {R"({"command":"POS_STATUS","duration_ms":2500,"handler":"Indirizzo IP non valido",)"
         R"("file":"POSDUMPIN.TXT","outcome":"OK","record":"R","time":"2026-01-01 00:00:01"})",
         "2025-12-31 23:59:58|POS_STATUS (VarnixPos)|KO|||2500 ms|Indirizzo IP non valido", "R"},
    };
    for (const auto& c : cases) {
        const auto entry = ExchangeHistory::FromJsonLine(c.line);
        ASSERT_TRUE(entry) << c.line;
        EXPECT_EQ(Cells(*entry, 0), c.row);
        EXPECT_EQ(ExchangeHistory::RecordOf(*entry), c.record);
    }
}

TEST(ExchangeHistoryTest, AfterATornLastLineTheNextExchangeStartsALineOfItsOwn) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string path = dir / "HistoryVnxPos.jsonl";
    HistoryEntry entry;
    entry.command = "POS_TOTTER";
    ASSERT_TRUE(ExchangeHistory::Append(platform, path, entry));
    platform.AppendToFile(path, R"({"command":"POS_PAGEXT,A1)");  // a power loss mid-append
    entry.command = "POS_CHCASS";
    ASSERT_TRUE(ExchangeHistory::Append(platform, path, entry));
    ASSERT_TRUE(ExchangeHistory::Append(platform, path, entry));
    std::string commands;
    for (const auto& read : ExchangeHistory::ReadNewest(platform, path, 10)) {
        commands += read.command + " ";
    }
    EXPECT_EQ(commands, "POS_CHCASS POS_CHCASS POS_TOTTER ");
}

TEST(ExchangeHistoryTest, TheBudgetKeepsTwentyThousandExchangesAfterEveryRotation) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string path = dir / "HistoryVnxPos.jsonl";
    // An approved payment with a longer receipt than the simulator's: 40 rows of 24 characters.
    HistoryEntry entry;
    entry.start = entry.time = "2026-12-06 09:41:07";
    entry.durationMs = 2812;
    entry.mode = "resident";
    entry.command = "POS_PAGEXT,A1250,P0";
    entry.file = "SRINPF.TXT";
    entry.outcome = "OK";
    entry.transaction = "00";
    entry.amount = "1250";
    for (const auto& field : iae17::kPOSDataFields) {
        const std::string value = std::string(field.name) == "Ticket"
                                      ? std::string(960, 'T')
                                      : std::string(field.width / 2, '7');
        entry.posData.emplace_back(field.name,
                                   value + std::string(field.width - value.size(), ' '));
    }
    const std::string line = ExchangeHistory::ToJsonLine(entry) + "\n";
    // Every generation as full as appending leaves it, then one append more: right after a
    // rotation the fewest exchanges are kept.
    std::string full;
    for (std::uint64_t n = 0; n < ExchangeHistory::kRotateBytes / line.size(); ++n) {
        full += line;
    }
    for (int n = 0; n <= ExchangeHistory::kGenerations; ++n) {
        platform.WriteWholeFile(n == 0 ? path : path + "." + std::to_string(n), full);
    }
    ASSERT_TRUE(ExchangeHistory::Append(platform, path, entry));
    std::uint64_t total = 0;
    for (int n = 0; n <= ExchangeHistory::kGenerations + 1; ++n) {
        const auto stat = platform.StatFile(n == 0 ? path : path + "." + std::to_string(n));
        total += stat ? stat->size : 0;
    }
    EXPECT_EQ(platform.StatFile(path)->size, line.size());
    EXPECT_LE(total, ExchangeHistory::kBudgetBytes);
    EXPECT_GE(ExchangeHistory::ReadNewest(platform, path, 100'000).size(), 20'000U);
}

TEST(ExchangeHistoryTest, TheStoricoWindowFiltersShowsTheRecordAndExports) {
    fakes::EngineDriver engine;
    ASSERT_TRUE(engine.Connect());
    for (const char* command : {"POS_TOTTER\r\n", "POS_CHCASS;\r\n"}) {
        engine.WriteData("SRINPF.TXT", command);
        engine.Tick();
    }
    auto& session = *engine.session;
    auto& window = session.history;
    session.historyActions.mnuStorico_Click();
    ASSERT_EQ(window.rows.size(), 3U);
    EXPECT_EQ(Join({window.rows[0].cells[1], window.rows[1].cells[1], window.rows[2].cells[1],
                    std::to_string(window.visible), std::to_string(engine.shell.historiesShown)}),
              "POS_CHCASS|POS_TOTTER|POS_STATUS (VarnixPos)|1|1");
    EXPECT_TRUE(window.txtDettaglio.Text().starts_with("TIPO_COMANDO  = POS_CHCASS\r\n"));

    window.txtFiltro.SetText("totter");  // case ignored
    session.historyActions.txtFiltro_Change();
    EXPECT_EQ(window.shown, std::vector<std::size_t>{1});
    EXPECT_TRUE(window.txtDettaglio.Text().starts_with("TIPO_COMANDO  = POS_TOTTER\r\n"));
    session.historyActions.lstStorico_Click(5);  // past the end: nothing selected
    EXPECT_EQ(Join({std::to_string(window.selected), window.txtDettaglio.Text()}), "-1|");

    // Exported as shown; cancelled, nothing is written; an unwritable place is said so.
    engine.dialogs.savePath = engine.Data("storico.csv");
    session.historyActions.cmdEsporta_Click();
    EXPECT_EQ(engine.ReadData("storico.csv"),
              "Inizio;Comando;Esito;Importo;STAN;Durata (ms);Motivo\r\n" + window.rows[1].cells[0] +
                  ";POS_TOTTER;" + window.rows[1].cells[2] + ";;;0;\r\n");
    engine.dialogs.savePath = engine.Data("missing/storico.csv");
    session.historyActions.cmdEsporta_Click();
    engine.dialogs.savePath = "";
    session.historyActions.cmdEsporta_Click();
    EXPECT_EQ(Join(engine.dialogs.Texts()),
              "Errore di accesso al percorso/file: " + engine.Data("missing/storico.csv"));
}

TEST(ExchangeHistoryTest, CsvQuotesWhatWouldSplitAFieldAndGivesDurationsAsNumbers) {
    forms::HistoryWindow window;
    window.SetRows({{{"t", "POS_PAGEXT,A1;X", "K\"O", "", "", "1 ms", ""}, "record"},
                    {{"u", "POS_TOTTER", "OK", "", "", "12345 ms", "1 ms"}, "record"}});
    EXPECT_EQ(window.Csv().substr(window.Csv().find("\r\n") + 2),
              "t;\"POS_PAGEXT,A1;X\";\"K\"\"O\";;;1;\r\nu;POS_TOTTER;OK;;;12345;1 ms\r\n");
}

}  // namespace
}  // namespace varnix::exchange
