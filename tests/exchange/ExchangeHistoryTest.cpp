// The exchange history: its lines, its rotation, and what the engine puts into it.
#include <gtest/gtest.h>

#include <string>

#include "exchange/ExchangeHistory.h"
#include "fakes/EngineDriver.h"
#include "fakes/TestEnv.h"

namespace varnix::exchange {
namespace {

using testing::Join;

HistoryEntry Sample(const std::string& command) {
    HistoryEntry entry;
    entry.time = "2026-12-06 09:41:07";
    entry.durationMs = 812;
    entry.mode = "resident";
    entry.command = command;
    entry.file = "SRINPF.TXT";
    entry.outcome = "KO";
    entry.transaction = "01";
    entry.description = "Carta rifiutata \"\xE8\x80\"";  // è € and quotes, in Windows-1252
    entry.posData = {{"TerminalId", "10001761"}, {"Ticket", "riga 1\r\nriga 2"}};
    entry.resultFile = "TIPO_COMANDO  = X\r\n";
    entry.record = "TIPO_COMANDO  = " + command + "\r\n";
    return entry;
}

TEST(ExchangeHistoryTest, AnEntrySurvivesItsLineAndATornLineIsNone) {
    const HistoryEntry entry = Sample("POS_PAGEXT,A1250");
    const std::string line = ExchangeHistory::ToJsonLine(entry);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find("\"description\":\"Carta rifiutata \\\"\xC3\xA8\xE2\x82\xAC\\\"\""),
              std::string::npos)
        << line;  // UTF-8 in the file
    EXPECT_EQ(ExchangeHistory::FromJsonLine(line), entry);
    EXPECT_FALSE(ExchangeHistory::FromJsonLine(line.substr(0, line.size() / 2)));
    EXPECT_FALSE(ExchangeHistory::FromJsonLine("[1,2]") || ExchangeHistory::FromJsonLine(""));
}

TEST(ExchangeHistoryTest, RotatesAtItsLimitKeepingThreeGenerationsNewestFirst) {
    testing::TempDir dir;
    auto& platform = platform::HostPlatform();
    const std::string path = dir / "HistoryVnxPos.jsonl";
    for (int n = 1; n <= 6; ++n) {
        ASSERT_TRUE(
            ExchangeHistory::Append(platform, path, Sample("POS_TOTTER,T" + std::to_string(n))));
        // One unreadable line that brings the file to its limit exactly; the first time a byte
        // short of it, so that file takes the next run too.
        const std::uint64_t limit = ExchangeHistory::kRotateBytes - (n == 1 ? 1U : 0U);
        if (const std::uint64_t size = platform.StatFile(path)->size; size < limit) {
            platform.AppendToFile(
                path, std::string(static_cast<std::size_t>(limit - size - 1), 'x') + "\n");
        }
    }
    // .1 to .3 hold the runs before; the first two went with the oldest generation.
    EXPECT_EQ(Join({std::to_string(platform.FileExists(path + ".3")),
                    std::to_string(platform.FileExists(path + ".4"))}),
              "1|0");
    platform.AppendToFile(path, "{\"command\":\"POS_CHC");  // torn by a power loss
    std::string commands;
    for (const auto& entry : ExchangeHistory::ReadNewest(platform, path, 10)) {
        commands += entry.command + " ";
    }
    EXPECT_EQ(commands, "POS_TOTTER,T6 POS_TOTTER,T5 POS_TOTTER,T4 POS_TOTTER,T3 ");
    EXPECT_EQ(ExchangeHistory::ReadNewest(platform, path, 2).back().command, "POS_TOTTER,T5");
}

TEST(ExchangeHistoryTest, EveryCommandRunIsKeptWithItsOutcomeAndResultFile) {
    fakes::EngineDriver engine;
    engine.CreateDataFolder();
    engine.WriteData("ParamVnxPos.TXT", "0\r\n0\r\n0\r\n0\r\n");  // a one-second wait
    ASSERT_TRUE(engine.Connect());
    engine.WriteData("SRINPF.TXT",
                     "; commento\r\nPOS_TOTTER\r\nPOS_PWD,X1\r\nPOS_PAGAME,A5,P0\r\n");
    engine.Tick();
    const auto entries = ExchangeHistory::ReadNewest(platform::HostPlatform(),
                                                     engine.Data("HistoryVnxPos.jsonl"), 10);
    // The two commands, newest first, and the start-up's status request: no comment, no
    // unknown keyword.
    ASSERT_EQ(entries.size(), 3U);
    EXPECT_EQ(Join({entries[0].command, entries[0].mode, entries[0].outcome,
                    std::to_string(entries[0].durationMs >= 1000), entries[1].command,
                    std::to_string(entries[1].resultFile.empty()), entries[2].command,
                    entries[1].file, entries[2].file}),
              "POS_PAGAME,A5,P0|resident|OK|1|POS_TOTTER|1|POS_STATUS|SRINPF.TXT|POSDUMPIN.TXT");
    EXPECT_EQ(entries[0].resultFile, engine.ReadData("SROUTF.TXT"));
    EXPECT_TRUE(entries[1].record.starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = OK"));
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
    EXPECT_EQ(Join({window.rows[0].command, window.rows[1].command, window.rows[2].command,
                    std::to_string(window.visible), std::to_string(engine.shell.historiesShown)}),
              "POS_CHCASS|POS_TOTTER|POS_STATUS|1|1");
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
              "Data e ora;Comando;Esito;Esito transazione;Durata\r\n" + window.rows[1].time +
                  ";POS_TOTTER;OK;" + window.rows[1].transaction + ";" + window.rows[1].duration +
                  "\r\n");
    engine.dialogs.savePath = engine.Data("missing/storico.csv");
    session.historyActions.cmdEsporta_Click();
    engine.dialogs.savePath = "";
    session.historyActions.cmdEsporta_Click();
    EXPECT_EQ(Join(engine.dialogs.Texts()),
              "Errore di accesso al percorso/file: " + engine.Data("missing/storico.csv"));
}

TEST(ExchangeHistoryTest, CsvQuotesWhatWouldSplitAField) {
    forms::HistoryWindow window;
    window.SetRows({{"t", "POS_PAGEXT,A1;X", "K\"O", "", "1 ms", "record"}});
    EXPECT_EQ(window.Csv().substr(window.Csv().find("\r\n") + 2),
              "t;\"POS_PAGEXT,A1;X\";\"K\"\"O\";;1 ms\r\n");
}

}  // namespace
}  // namespace varnix::exchange
