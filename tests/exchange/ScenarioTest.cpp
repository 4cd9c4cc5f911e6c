// The engine from start-up to result files, on real files in a private data folder, with fake
// ports, a fake library and the faults a cash register's machine can throw at it: what the cash
// register and the user would find after each scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "config/FileNames.h"
#include "exchange/CommandFile.h"
#include "exchange/CommandRun.h"
#include "exchange/Dispatcher.h"
#include "exchange/ExchangeHistory.h"
#include "exchange/IntentJournal.h"
#include "exchange/PollingCycle.h"
#include "exchange/ResultFile.h"
#include "fakes/EngineDriver.h"
#include "fakes/FaultyFiles.h"
#include "fakes/WriteRecorder.h"
#include "platform/RuntimeError.h"
#include "startup/RunMode.h"
#include "text/AnsiText.h"

namespace varnix {
namespace {

using startup::RunMode;
using testing::Golden;
using testing::Join;

// A table kept beside the tests: one row a line, TABs between its fields.
std::vector<std::vector<std::string>> Rows(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : text::SplitLines(
             testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/exchange/golden/" + name))) {
        rows.push_back(text::Split(line, '\t'));
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

class ScenarioTest : public ::testing::Test {
  protected:
    // The exchange files in the data folder (or in `folder`), the terminal operations made,
    // whether polling goes on, then every box shown and every exit, in order.
    static std::string State(const fakes::EngineDriver& e, const std::string& folder = "") {
        std::string state;
        const std::string at = folder.empty() ? e.dataFolder : folder;
        for (const char* name : {"SRINPF", "SROUTF", "POSDUMPIN", "POSDUMPOUT", "LogVnxPos"}) {
            state += platform::HostPlatform().FileExists(at + name + ".TXT")
                         ? name + std::string(" ")
                         : "";
        }
        state += "| " + std::to_string(e.fakeLibrary.Operations().size()) + " ops" +
                 (e.timer.IsEnabled() ? " | polling" : " | idle");
        for (const auto& text : e.dialogs.Texts()) {
            state += " | " + text;
        }
        for (int code : e.shell.exitCodes) {
            state += " | exit " + std::to_string(code);
        }
        return state;
    }
    std::string State(const std::string& folder = "") const { return State(engine, folder); }
    // The journal of a driver's command file, where every process looks for it.
    static std::string JournalOf(const fakes::EngineDriver& e,
                                 const std::string& name = "SRINPF.TXT") {
        auto& p = platform::HostPlatform();
        return exchange::CommandRun::JournalPathFor(p, p.CanonicalPath(e.Data(name)));
    }
    // A journal as a process that ended while it ran `line` (at `index`) of the file left it.
    static void LeaveRunning(const fakes::EngineDriver& e, const std::string& line,
                             std::uint64_t index, bool finished = false) {
        auto& p = platform::HostPlatform();
        const std::string path = e.Data("SRINPF.TXT");
        exchange::IntentJournal journal(p);
        journal.Open(JournalOf(e), p.CanonicalPath(path));
        const auto identity = exchange::CommandFile(p, path).Identity();
        ASSERT_TRUE(journal.Begin(identity, index, line));
        if (finished) {
            journal.Finish(identity);
        }
    }
    void StartResident() {
        engine.CreateDataFolder();
        ASSERT_EQ(engine.Start(), RunMode::Resident);
    }

    fakes::FaultyFiles files;
    fakes::EngineDriver engine{nullptr, &files};
    engine::Session& session = *engine.session;
    forms::ServiceWindow& service = session.service;
    forms::ConsoleForm& console = session.console;
};

TEST_F(ScenarioTest, StartUpInEachModeAndWithoutADataFolder) {
    StartResident();
    EXPECT_EQ(engine.ReadData("ConfigVnxPos.TXT"),
              Golden("ConfigVnxPos_first_start.TXT", engine.dataFolder));
    EXPECT_EQ(
        Join({session.settings.InputFilePath, session.settings.ConfigFilePath,
              service.txtLogFileName.Text(), State(), std::to_string(engine.timer.Interval()),
              console.cmbConnessione.Text(), console.cmbCOM.Text(), console.DllVersion.caption}),
        Join({engine.Data("SRINPF.TXT"), engine.Data("ConfigVnxPos.TXT"),
              engine.Data("LogVnxPos.TXT"), "| 0 ops | polling|900|Ethernet|COM1|1.0.0     "}));
    EXPECT_TRUE(service.trayIconShown && service.visible && !console.visible);

    fakes::EngineDriver missing;  // no data folder: the process ends and nothing else happens
    missing.Start("-E whatever");
    EXPECT_EQ(missing.Tick(3), 0);
    EXPECT_EQ(State(missing),
              "| 0 ops | idle | ERRORE: File di configurazione non trovato | exit 1");
    EXPECT_FALSE(missing.session->service.trayIconShown ||
                 platform::HostPlatform().FolderExists(missing.dataFolder));

    fakes::EngineDriver version;
    version.CreateDataFolder();
    EXPECT_EQ(version.Start("-v"), RunMode::Version);
    EXPECT_EQ(version.shell.aboutShown, std::vector<std::string>{"Versione 0.0.0.2"});
    EXPECT_EQ(version.shell.exitCodes, std::vector<int>{0});
    fakes::EngineDriver interactive;
    interactive.CreateDataFolder();
    EXPECT_EQ(interactive.Start("-I"), RunMode::Interactive);
    EXPECT_TRUE(interactive.session->console.visible &&
                interactive.session->console.txtTerminale.visible && !interactive.shell.Ended());
}

TEST_F(ScenarioTest, FirstCycleAsksForTheStatusAndTurnsTheLampGreen) {
    StartResident();
    EXPECT_EQ(service.ShapeDump.fill, forms::kRed);
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_TRUE(session.terminalConnected && service.cmdSalvaDati.enabled);
    EXPECT_EQ(std::pair(service.ShapeDump.fill, service.Shape1.fill),
              std::pair(forms::kGreen, forms::kRed));
    EXPECT_EQ(State(), "POSDUMPOUT | 0 ops | polling");
    EXPECT_EQ(engine.ReadData("POSDUMPOUT.TXT"), Golden("POSDUMPOUT_status.TXT"));
    engine.WriteData("POSDUMPOUT.TXT", "kept");
    engine.Tick(3);  // connected: no more requests
    EXPECT_EQ(Join({State(), engine.ReadData("POSDUMPOUT.TXT")}),
              "POSDUMPOUT | 0 ops | polling|kept");
}

TEST_F(ScenarioTest, CommandFileIsPickedUpRunAndDeletedAfterTheOldResultGoes) {
    ASSERT_TRUE(engine.Connect(""));
    engine.WriteData("SROUTF.TXT", "old result");
    engine.WriteData("SRINPF.TXT", "pos_pagame,a2,p0\r\n");
    EXPECT_EQ(engine.Tick(), 1);
    // The status exchange left the outcome record blank-padded, and its blanks now fill the
    // description box: the result file carries them, as the cash register has always seen.
    EXPECT_EQ(engine.ReadData("SROUTF.TXT"), Golden("SROUTF_after_status.TXT"));
    EXPECT_GE(engine.clock.sleptMs, 20000);  // the 20 s wait passed on the fake clock
    EXPECT_EQ(Join({State(), service.txtAmount.Text(), console.txtImporto.Text()}),
              "SROUTF POSDUMPOUT | 0 ops | polling|2|2        ");
    EXPECT_EQ(service.Shape1.fill, forms::kRed);
}

TEST_F(ScenarioTest, NonStandardInputIsRunEveryCycleAndNeverDeleted) {
    ASSERT_TRUE(engine.Connect("TIPO:COM\r\nINPF:CMD.TXT\r\nOUTF:SROUTF.TXT\r\n"));
    engine.WriteData("CMD.TXT", "POS_TOTTER\r\n");
    engine.WriteData("SROUTF.TXT", "not deleted");
    EXPECT_EQ(engine.Tick(3), 3);
    EXPECT_EQ(Join({State(), engine.ReadData("CMD.TXT"), engine.ReadData("SROUTF.TXT")}),
              "SROUTF POSDUMPOUT | 3 ops | polling|POS_TOTTER\r\n|not deleted");
}

TEST_F(ScenarioTest, MissingInputFolderStopsPollingUntilASave) {
    const std::string io = engine.home.path() + "io" + platform::HostPlatform().Separator();
    EXPECT_FALSE(
        engine.Connect("TIPO:COM\r\nINPF:" + io + "SRINPF.TXT\r\nOUTF:" + io + "SROUTF.TXT\r\n"));
    EXPECT_EQ(engine.Tick(4), 0);
    EXPECT_EQ(State(io),
              "| 0 ops | idle | Directory del file di Input non presente ! | Directory del file di "
              "Output non presente ! | " +
                  std::string(exchange::kIoFolderMissing));
    std::filesystem::create_directories(io);
    engine.dialogs.shown.clear();
    session.serviceActions.cmdSalvaDati_Click();  // answered OK
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_TRUE(session.terminalConnected);
    EXPECT_EQ(State(io), "POSDUMPOUT | 0 ops | polling | Vuoi salvare i dati ?");

    // Removed while polling, then made again and saved: connected, nothing to complain about.
    std::filesystem::remove_all(io);
    EXPECT_EQ(engine.Tick(3), 3);
    std::filesystem::create_directories(io);
    session.serviceActions.cmdSalvaDati_Click();
    testing::WriteFile(io + "SRINPF.TXT", "POS_TOTTER\r\n");
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_EQ(State(io), "| 1 ops | polling | Vuoi salvare i dati ? | Vuoi salvare i dati ?");
}

TEST_F(ScenarioTest, EmptyResultPathLeavesPollingIdle) {
    EXPECT_FALSE(engine.Connect("OUTF:\r\n"));
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    EXPECT_EQ(engine.Tick(2), 2);
    EXPECT_EQ(State(), "SRINPF | 0 ops | polling");
    EXPECT_EQ(engine.clock.sleeps, 3 * 6 + 3);  // 300 ms each, plus the three 900 ms ticks
}

TEST_F(ScenarioTest, RunOnceExecutesTheCommandFileAndEnds) {
    engine.CreateDataFolder();
    const std::string io = engine.home.MakeFolder("io");
    testing::WriteFile(io + "cfg.txt", fakes::kSerialConfig);
    testing::WriteFile(io + "SRINPF.TXT", "POS_PAGAME,A1,P0,X,Y,Z\r\n");
    testing::WriteFile(io + "SROUTF.TXT", "old");
    EXPECT_EQ(engine.Start("-E\"" + io + "cfg.txt\""), RunMode::RunOnce);
    EXPECT_EQ(testing::ReadFile(io + "POSDUMPOUT.TXT"), Golden("POSDUMPOUT_refused.TXT"));
    EXPECT_EQ(
        Join({State(io), std::to_string(engine.fakeLibrary.frees), console.cmbConnessione.Text()}),
        "POSDUMPOUT | 0 ops | idle | exit 0|2|RS232");

    // Without a command file the old result still goes.
    fakes::EngineDriver other;
    other.CreateDataFolder();
    const std::string io2 = other.home.MakeFolder("io");
    testing::WriteFile(io2 + "cfg.txt", "INPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    testing::WriteFile(io2 + "SROUTF.TXT", "old");
    EXPECT_EQ(other.Start("-E" + io2 + "cfg.txt"), RunMode::RunOnce);
    EXPECT_EQ(Join({State(other, io2), std::to_string(other.fakeLibrary.frees)}),
              "| 0 ops | idle | exit 4|2");  // no command file

    // "-e <path>" names " <path>": that file is not there, so the data folder's settings stay.
    fakes::EngineDriver third;
    third.CreateDataFolder();
    EXPECT_EQ(third.Start("-e " + io2 + "cfg.txt"), RunMode::RunOnce);
    EXPECT_EQ(Join({third.session->settings.ConfigFilePath, third.session->settings.InputFilePath}),
              Join({" " + io2 + "cfg.txt", third.Data("SRINPF.TXT")}));
    EXPECT_EQ(third.shell.exitCodes, std::vector<int>{2});  // its configuration was not found
}

TEST_F(ScenarioTest, RunOnceDeletesOnlyTheBytesItRanAndStopsBetweenLines) {
    // The unreadable path ending and the text rewritten during the wait are nullptr for none.
    // clang-format off
    struct Case { const char *commands, *unreadable; int linesBeforeStop; const char *rewritten, *state; };
    const Case cases[] = {
        // Run-once tries no more: a file it cannot read is said, by name.
        {"POS_TOTTER\r\n", "SRINPF.TXT", -1, nullptr, "SRINPF | 0 ops | idle | Impossibile leggere il file comandi SRINPF.TXT (aperto da un altro programma o senza permesso di lettura): nessun comando eseguito | exit 5"},
        // Stopped after the first line: the second is recorded as not run, and the exit says so.
        {"POS_TOTTER\r\nPOS_CHCASS\r\n", nullptr, 1, nullptr, "POSDUMPOUT | 1 ops | idle | exit 8"},
        {"POS_PAGAME,A5\r\n", nullptr, -1, "POS_TOTTER\r\n", "SRINPF SROUTF POSDUMPOUT | 0 ops | idle | exit 0"}};
    // clang-format on
    for (const auto& c : cases) {
        fakes::FaultyFiles faulty;
        fakes::EngineDriver run{nullptr, &faulty};
        run.CreateDataFolder();
        run.WriteData("ParamVnxPos.TXT", "0\r\n0\r\n0\r\n0\r\n");  // a one-second wait
        run.WriteData("cfg.txt", fakes::kSerialConfig);
        run.WriteData("SRINPF.TXT", c.commands);
        faulty.unreadable = c.unreadable ? std::optional<std::string>(c.unreadable) : std::nullopt;
        run.shell.linesBeforeStop = c.linesBeforeStop;
        if (c.rewritten != nullptr) {
            run.events.onPump = [&run, &c] { run.WriteData("SRINPF.TXT", c.rewritten); };
        }
        run.Start("-E" + run.Data("cfg.txt"));
        std::string state = State(run);
        for (auto at = state.find(run.dataFolder); at != std::string::npos;
             at = state.find(run.dataFolder)) {
            state.erase(at, run.dataFolder.size());
        }
        EXPECT_EQ(state, c.state) << c.commands;
    }
}

TEST_F(ScenarioTest, RunOnceWaitsForTheClaimAndNeverRunsAFileTwice) {
    // Each case prepares the data folder, then runs POS_TOTTER once; nothing may reach the
    // terminal but in the first case, and with the claim held elsewhere nothing is touched.
    enum class Before { Nothing, ClaimHeld, RanBefore, CutShort, CutShortOtherData };
    const std::pair<Before, const char*> cases[] = {
        {Before::Nothing, "POSDUMPOUT | 1 ops | idle | exit 0"},
        {Before::ClaimHeld, "SRINPF SROUTF | 0 ops | idle | exit 6"},
        {Before::RanBefore, "SROUTF | 0 ops | idle | exit 8"},  // its result stays to be read
        {Before::CutShort, "POSDUMPOUT | 0 ops | idle | exit 8"},
        {Before::CutShortOtherData, "POSDUMPOUT | 0 ops | idle | exit 8"}};
    for (const auto& [before, state] : cases) {
        fakes::EngineDriver run;
        run.CreateDataFolder();
        run.WriteData("cfg.txt", fakes::kSerialConfig);
        run.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
        run.WriteData("SROUTF.TXT", "the last result");
        auto& p = platform::HostPlatform();
        platform::ExclusiveClaim other;
        if (before == Before::ClaimHeld) {
            other = p.ClaimExclusive(p.CanonicalPath(run.Data("SRINPF.TXT")));
        } else if (before != Before::Nothing) {
            LeaveRunning(run, "POS_TOTTER", 0, before == Before::RanBefore);
        }
        if (before == Before::CutShortOtherData) {
            // The restart runs with another data folder: the command path alone finds the journal.
            testing::SetDataFolderOverride(run.home.MakeFolder("other"));
        }
        run.Start("-E" + run.Data("cfg.txt"));
        testing::SetDataFolderOverride(std::nullopt);
        EXPECT_EQ(State(run), state);
        if (before == Before::ClaimHeld) {
            EXPECT_GE(run.clock.MonotonicMs(), startup::kRunOnceLockWaitMs);
        }
        if (before == Before::CutShort || before == Before::CutShortOtherData) {
            EXPECT_NE(run.ReadData("POSDUMPOUT.TXT")
                          .find("ESITO_COMANDO = KO\r\nESITO_TRANSAZ = 01\r\nDATAORA_TRANS = "
                                "20240305_140709\r\nERROR_DESCRIZ = Esito sconosciuto: "
                                "esecuzione interrotta\r\n"),
                      std::string::npos);
        }
        // Nothing left to remember, but that the dump holds a crash's record for the register.
        EXPECT_EQ(p.FileExists(JournalOf(run)),
                  before == Before::CutShort || before == Before::CutShortOtherData);
    }
}

TEST_F(ScenarioTest, IntentIsOnTheDiskBeforeTheTerminalHearsOfTheCommand) {
    ASSERT_TRUE(engine.Connect());
    std::string journalDuringCall;
    engine.fakeLibrary.onCall = [&] { journalDuringCall = testing::ReadFile(JournalOf(engine)); };
    engine.WriteData("SRINPF.TXT", "; nota\r\nPOS_TOTTER;\r\n");
    engine.Tick();
    EXPECT_NE(journalDuringCall.find("RUNNING\t"), std::string::npos);
    EXPECT_NE(journalDuringCall.find("\t1\tPOS_TOTTER\t"), std::string::npos);  // its line
    // Run and deleted: nothing left to remember.
    EXPECT_EQ(State(), "POSDUMPOUT | 1 ops | polling");
    EXPECT_FALSE(platform::HostPlatform().FileExists(JournalOf(engine)));
}

TEST_F(ScenarioTest, SecondResidentOnTheSameCommandFileEndsBeforeShowingAnything) {
    engine.CreateDataFolder();
    engine.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
    engine.WriteData("SROUTF.TXT", "the result the register is about to read");
    auto& p = platform::HostPlatform();
    const auto first = p.ClaimExclusive(p.CanonicalPath(engine.Data("SRINPF.TXT")));
    ASSERT_EQ(first.outcome, platform::ExclusiveClaim::Outcome::Held);
    engine.Start();
    EXPECT_EQ(Join({Join(engine.dialogs.Texts()), std::to_string(engine.timer.IsEnabled()),
                    std::to_string(service.visible), std::to_string(service.trayIconShown)}),
              "VarnixPos \xE8 gi\xE0 in esecuzione per " + engine.Data("SRINPF.TXT") + "|0|0|0");
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{startup::kExitLockBusy});
    EXPECT_TRUE(p.FileExists(engine.Data("SROUTF.TXT")));
}

TEST_F(ScenarioTest, TestConsoleAndVersionRunNoCommandFileAndWorkBesideTheResident) {
    for (const char* mode : {"-I", "-V"}) {
        fakes::EngineDriver other;
        other.CreateDataFolder();
        other.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
        other.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
        auto& p = platform::HostPlatform();
        const auto resident = p.ClaimExclusive(p.CanonicalPath(other.Data("SRINPF.TXT")));
        other.Start(mode);
        other.session->ports.timer.SetEnabled(true);  // as "Salva Dati" would
        other.Tick(3);
        EXPECT_EQ(State(other).substr(0, 15), "SRINPF | 0 ops ") << mode;
    }
}

TEST_F(ScenarioTest, AnInterruptedFileIsRecordedWholeAndItsRecordStaysTheOneToRead) {
    engine.CreateDataFolder();
    engine.WriteData("ParamVnxPos.TXT", "1\r\n0\r\n0\r\n0\r\n");  // logging on
    engine.WriteData("SRINPF.TXT",
                     "POS_PAGEXT,A100,P0\r\nPOS_PAGEXT,A200,P0\r\n; nota\r\nPOS_TOTTER\r\n");
    LeaveRunning(engine, "POS_PAGEXT,A100,P0", 0);
    ASSERT_TRUE(engine.Connect());
    engine.Tick(3);  // the cycle's own status requests come and go
    const std::string unknown = "ERROR_DESCRIZ = Esito sconosciuto: esecuzione interrotta\r\n";
    for (const char* file : {"POSDUMPOUT.TXT", "LogVnxPos.TXT"}) {
        const std::string record = engine.ReadData(file);
        EXPECT_NE(record.find("POS_PAGEXT,A100,P0"), std::string::npos) << file;
        EXPECT_NE(record.find(unknown), std::string::npos) << file;
    }
    // Each command of the file in the history: the one cut short, the two after it never sent.
    const std::string history = engine.ReadData("HistoryVnxPos.jsonl");
    for (const char* line : {"POS_PAGEXT,A100,P0", "POS_PAGEXT,A200,P0", "POS_TOTTER"}) {
        EXPECT_NE(history.find(line), std::string::npos) << line;
    }
    EXPECT_NE(history.find(exchange::kNotRunOutcome), std::string::npos);
    EXPECT_EQ(State(), "POSDUMPOUT LogVnxPos | 0 ops | polling");
    // A second restart, with no command of the register in between, keeps it too.
    session.commands.Release();
    session.holdRecordForRegister = false;
    engine.Tick(2);
    EXPECT_NE(engine.ReadData("POSDUMPOUT.TXT").find(unknown), std::string::npos);
    // The register's next command is the next record.
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    EXPECT_EQ(engine.ReadData("POSDUMPOUT.TXT").find(unknown), std::string::npos);
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 1U);
}

TEST_F(ScenarioTest, NothingUnsureReadsAsApproved) {
    // A damaged journal may have said the file on the disk was running: not sent, unknown. A
    // line no keyword takes after an approved command: its own record is KO, not the OK before.
    const std::pair<bool, const char*> cases[] = {
        {true, "ERROR_DESCRIZ = Esito sconosciuto: giornale danneggiato"},
        {false, "TIPO_COMANDO  =  POS_PAGEXT,A1251,P0\r\nESITO_COMANDO = KO"}};
    for (const auto& [damagedJournal, expected] : cases) {
        fakes::EngineDriver run;
        run.CreateDataFolder();
        run.WriteData("cfg.txt", fakes::kSerialConfig);
        run.WriteData("SRINPF.TXT", "POS_TOTTER\r\n POS_PAGEXT,A1251,P0\r\n");
        if (damagedJournal) {
            testing::WriteFile(JournalOf(run),
                               "VARNIXPOS-JOURNAL 2\tx\r\nRUNNING\t1 2\t0\tX\t9\r\n");
        }
        run.Start("-E" + run.Data("cfg.txt"));
        EXPECT_NE(run.ReadData("POSDUMPOUT.TXT").find(expected), std::string::npos)
            << run.ReadData("POSDUMPOUT.TXT");
        EXPECT_EQ(run.fakeLibrary.Operations().size(), damagedJournal ? 0U : 1U);
        EXPECT_FALSE(run.DataExists("SRINPF.TXT"));
    }
}

TEST_F(ScenarioTest, AnIntentThatCannotBeRecordedSendsNothingToTheTerminal) {
    // The journal cannot be written (a full or read-only disk): the terminal-bound command is
    // recorded as not sent; the simulated payment reaches no terminal and still runs.
    for (const bool runOnce : {false, true}) {
        fakes::FaultyFiles faulty;
        faulty.unwritable = config::kJournalFilePrefix;
        fakes::EngineDriver run{nullptr, &faulty};
        run.CreateDataFolder();
        run.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
        run.WriteData("ParamVnxPos.TXT", "0\r\n0\r\n0\r\n0\r\n");
        run.WriteData("SRINPF.TXT", "POS_PAGEXT,A100,P0\r\nPOS_PAGAME,A5,P0\r\n");
        if (runOnce) {
            run.Start("-E" + run.Data("ConfigVnxPos.TXT"));
        } else {
            ASSERT_EQ(run.Start(), RunMode::Resident);
            run.session->service.ComboSecondi.SetText("0");
            run.Tick(2);
        }
        const std::string history = run.ReadData("HistoryVnxPos.jsonl");
        EXPECT_NE(history.find(exchange::kIntentNotRecorded), std::string::npos);
        EXPECT_EQ(
            Join({std::to_string(run.fakeLibrary.Operations().size()),
                  std::to_string(run.ReadData("SROUTF.TXT").empty()),
                  std::to_string(platform::HostPlatform().FileExists(run.Data("SRINPF.TXT")))}),
            "0|0|0")
            << runOnce;
        if (runOnce) {
            EXPECT_EQ(run.shell.exitCodes, std::vector<int>{startup::kExitIntentNotRecorded});
        }
    }
}

TEST_F(ScenarioTest, WhatTheRegisterDoesToAFileWhileItRunsNeverSendsALineTwice) {
    // While the terminal works on the first command the register changes the file: what reaches
    // the terminal in all, over the cycle and the next two (or two run-once starts).
    enum class Change { Append, DeleteAndRewrite, DeleteAndWriteAnother };
    const std::tuple<Change, bool, const char*> cases[] = {
        {Change::Append, false, "TerminalBalance Closure"},
        {Change::Append, true, "TerminalBalance Closure"},
        // Deleted and written again while it ran: the same bytes are the command that ran, saved
        // again (it goes); other bytes are a new command.
        {Change::DeleteAndRewrite, false, "TerminalBalance"},
        {Change::DeleteAndWriteAnother, false, "TerminalBalance Closure"}};
    for (const auto& [change, runOnce, sent] : cases) {
        fakes::FaultyFiles faulty;
        faulty.writer = platform::WriterState::Closed;
        fakes::EngineDriver run{nullptr, &faulty};
        run.CreateDataFolder();
        run.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
        run.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
        bool changed = false;
        run.fakeLibrary.onCall = [&, change = change] {
            if (!std::exchange(changed, true)) {
                if (change == Change::Append) {
                    platform::HostPlatform().AppendToFile(run.Data("SRINPF.TXT"), "POS_CHCASS\r\n");
                } else {
                    ++faulty.removals;
                    run.WriteFreshData("SRINPF.TXT", change == Change::DeleteAndRewrite
                                                         ? "POS_TOTTER\r\n"
                                                         : "POS_CHCASS\r\n");
                }
            }
        };
        std::string names;
        const auto collect = [&names](const fakes::EngineDriver& driver) {
            for (const auto& op : driver.fakeLibrary.Operations()) {
                names += (names.empty() ? "" : " ") +
                         op.name.substr(std::string_view("IAE17AX_").size());
            }
        };
        if (runOnce) {
            run.Start("-E" + run.Data("ConfigVnxPos.TXT"));
            collect(run);
            run.session->commands.Release();  // as its process ends
            fakes::EngineDriver again{nullptr, &faulty};
            again.CreateDataFolder();
            again.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
            // The same command file, from a second process.
            testing::WriteFile(
                again.Data("cfg.txt"),
                "INPF:" + run.Data("SRINPF.TXT") + "\r\nOUTF:" + run.Data("SROUTF.TXT") + "\r\n");
            again.Start("-E" + again.Data("cfg.txt"));
            collect(again);
        } else {
            ASSERT_EQ(run.Start(), RunMode::Resident);
            run.Tick(3);
            collect(run);
        }
        EXPECT_EQ(names, sent) << static_cast<int>(change) << runOnce;
    }
}

TEST_F(ScenarioTest, TheSameBytesAreTheSameCommandUntilTheFileHasGone) {
    files.writer = platform::WriterState::Closed;
    ASSERT_TRUE(engine.Connect());
    files.heldRemovals = 100;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    // Saved again by the register, unchanged, as a new file: still the command that ran.
    engine.WriteFreshData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick(2);
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 1U);
    // Seen deleted and written again: a new command, even with the same bytes.
    ++files.removals;
    files.heldRemovals = 0;
    engine.Tick();
    EXPECT_EQ(Join({std::to_string(engine.fakeLibrary.Operations().size()), State()}),
              "2|POSDUMPOUT | 2 ops | polling | " + std::string(exchange::kAlreadyRunUndeletable) +
                  engine.Data("SRINPF.TXT"));
}

TEST_F(ScenarioTest, LoggingKeepsOnlyTheLastExchange) {
    engine.CreateDataFolder();
    engine.WriteData("ParamVnxPos.TXT", "1\r\n0\r\n0\r\n0\r\n");
    iae17::POSData answer;
    for (const auto& [field, bytes] :
         {std::pair{0, "10001761"}, {6, "000042"}, {7, "1250"}, {17, "RICEVUTA TOTALI"}}) {
        iae17::SetFieldBytes(answer, field, bytes);
    }
    engine.fakeLibrary.answer = answer;
    ASSERT_TRUE(engine.Connect(""));
    for (const char* command : {"POS_STATUS\r\n", "POS_TOTTER;\r\n"}) {
        engine.WriteData("SRINPF.TXT", command);
        engine.Tick();
    }
    EXPECT_EQ(engine.ReadData("LogVnxPos.TXT"), Golden("LogVnxPos_totals.TXT"));
    EXPECT_EQ(service.lblValTerminalId.caption, "10001761 ");
}

TEST_F(ScenarioTest, DispatcherRecordsUnknownKeywordsAndSkipsComments) {
    StartResident();
    engine.WriteData("SRINPF.TXT", "; POS_TOTTER\r\n:POS_CHCASS\r\n\r\nPOS_PWD\r\n");
    engine.Tick();
    EXPECT_EQ(engine.ReadData("POSDUMPOUT.TXT"), Golden("POSDUMPOUT_unknown.TXT"));
    EXPECT_EQ(State(), "POSDUMPIN POSDUMPOUT | 0 ops | polling");
    EXPECT_FALSE(session.terminalConnected);  // the standard file went first: no status yet
}

TEST_F(ScenarioTest, CloseRequestSavesParametersAsksAndEnds) {
    StartResident();
    engine.dialogs.answers = {ports::Answer::Cancel, ports::Answer::Ok};
    service.chkEnableLog.checked = true;
    session.serviceActions.m_esci_Click();  // polling resumes after Cancel
    EXPECT_EQ(State(), "| 0 ops | polling | Vuoi terminare l'esecuzione ?");
    EXPECT_EQ(engine.ReadData("ParamVnxPos.TXT"), "1\r\n0\r\n6\r\n0\r\n");
    session.serviceActions.m_esci_Click();
    EXPECT_EQ(Join({State(), std::to_string(engine.fakeLibrary.frees)}),
              "| 0 ops | idle | Vuoi terminare l'esecuzione ? | Vuoi terminare l'esecuzione ? | "
              "exit 0|1");
    EXPECT_FALSE(service.trayIconShown);
}

TEST_F(ScenarioTest, NoCycleRunsWhileTheCloseQuestionIsUp) {
    StartResident();
    bool pollingDuringTheQuestion = true;
    engine.dialogs.onShow = [&] { pollingDuringTheQuestion = engine.timer.IsEnabled(); };
    engine.dialogs.answers = {ports::Answer::Cancel};
    EXPECT_FALSE(session.serviceActions.Form_QueryUnload());  // as a stop signal asks it
    EXPECT_EQ(std::pair(pollingDuringTheQuestion, engine.timer.IsEnabled()),
              std::pair(false, true));
}

TEST_F(ScenarioTest, HeldCommandFileIsRetriedBoundedlyAndRunOnlyOnce) {
    ASSERT_TRUE(engine.Connect());
    files.heldRemovals = 4;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    const int sleepsBefore = engine.clock.sleeps;
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_EQ(Join({std::to_string(files.refusedRemovals), State()}),
              "4|POSDUMPOUT | 1 ops | polling");  // run once, not once per retry
    // Four waits of 100 ms (two steps each) besides the cycle's own, the tick's and the 100 ms
    // of quiet after the writer's close.
    EXPECT_EQ(engine.clock.sleeps - sleepsBefore, 4 * 2 + 4 + 4 + 1 + 2);
    EXPECT_TRUE(service.cmdSalvaDati.enabled);

    files.heldRemovals = 100;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    // The first try and nine more.
    EXPECT_EQ(Join({std::to_string(files.refusedRemovals), State()}),
              std::to_string(4 + 10) + "|SRINPF POSDUMPOUT | 2 ops | polling");
    // The file that ran is never run again: later cycles try once to delete it, and say so once.
    engine.Tick(3);
    EXPECT_EQ(Join({std::to_string(files.refusedRemovals), State()}),
              std::to_string(4 + 10 + 3) + "|SRINPF POSDUMPOUT | 2 ops | polling | " +
                  exchange::kAlreadyRunUndeletable + engine.Data("SRINPF.TXT"));
    engine.dialogs.shown.clear();
    files.heldRemovals = 0;
    engine.Tick();
    EXPECT_EQ(State(), "POSDUMPOUT | 2 ops | polling");
    // Written again as a new file, the same command runs again.
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    EXPECT_EQ(State(), "POSDUMPOUT | 3 ops | polling");
}

TEST_F(ScenarioTest, LampsAndSaveButtonDuringACycle) {
    ASSERT_TRUE(engine.Connect());
    std::vector<forms::Rgb> lamp;
    std::vector<bool> saveEnabled;
    engine.events.onPump = [&] {
        lamp.push_back(service.Shape1.fill);
        saveEnabled.push_back(service.cmdSalvaDati.enabled);
        EXPECT_FALSE(engine.timer.IsEnabled());  // never a tick inside a cycle
    };
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    ASSERT_GE(lamp.size(), 3U);
    // Yellow looking for files, red processing, and no save while the command runs.
    EXPECT_EQ(std::tuple(lamp.front(), lamp.back(), service.Shape1.fill,
                         std::ranges::count(saveEnabled, false) > 0),
              std::tuple(forms::kYellow, forms::kRed, forms::kRed, true));
}

TEST_F(ScenarioTest, CommandFileRunsOnlyOnceItsWriterIsDoneAndItHeldStill) {
    // Each step may write the command file anew ("-": leaves it; "\r\n": a line end), says what
    // the platform tells of its writer, and ticks once; time moves only by the engine's waits.
    files.writer = platform::WriterState::Writing;
    ASSERT_TRUE(engine.Connect());
    const std::map<std::string, platform::WriterState> writers = {
        {"writing", platform::WriterState::Writing},
        {"open", platform::WriterState::Open},
        {"closed", platform::WriterState::Closed},
        {"unknown", platform::WriterState::Unknown}};
    const auto steps = Rows("command-file-steps.txt");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        files.unreadable = steps[i].at(2) == "unreadable" ? std::optional<std::string>("SRINPF.TXT")
                                                          : std::nullopt;
        files.writer = writers.at(steps[i].at(1));
        std::string contents = steps[i].at(0);
        if (contents.ends_with("\\r\\n")) {
            contents.replace(contents.size() - 4, 4, "\r\n");
        }
        if (contents != "-") {
            engine.WriteFreshData("SRINPF.TXT", contents);
        }
        engine.Tick();
        EXPECT_EQ(State(), steps[i].at(3) + " | polling") << "step " << i << ": " << steps[i].at(4);
    }
}

TEST_F(ScenarioTest, StillnessIsTimedByWhatThisProgramSawNotByTheFileTimeStamp) {
    // Ticks until the command runs (at most 20): how many it took, by the engine's own clock.
    const auto ticksToRun = [this](int most) {
        const std::size_t before = engine.fakeLibrary.Operations().size();
        for (int tick = 1; tick <= most; ++tick) {
            engine.Tick();
            if (engine.fakeLibrary.Operations().size() > before) {
                return tick;
            }
        }
        return 0;
    };
    files.writer = platform::WriterState::Unknown;
    ASSERT_TRUE(engine.Connect());
    // The watch's word that the file was closed brings the next cycle forward by the quiet time.
    ASSERT_TRUE(files.onReady);
    files.onReady();
    EXPECT_EQ(engine.timer.broughtForward, std::vector<int>{int{exchange::kCloseQuietMs}});
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    // A file server whose clock lags: the file looks an hour old, yet it was just seen, and
    // unterminated it waits two seconds of this program's own time.
    engine.WriteData("SRINPF.TXT", "POS_TOTTER");
    std::filesystem::last_write_time(engine.Data("SRINPF.TXT"), anHourAgo);
    EXPECT_EQ(ticksToRun(20), 2);
    // A handle open on it (Windows sees them all): never, however long it stays silent.
    files.writer = platform::WriterState::Open;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    EXPECT_EQ(ticksToRun(20), 0);
    // A write seen without its close: ten seconds of silence, then it runs as it stands.
    files.writer = platform::WriterState::Writing;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\nPOS_TOT");
    const std::int64_t start = engine.clock.MonotonicMs();
    EXPECT_GT(ticksToRun(20), 0);
    EXPECT_GE(engine.clock.MonotonicMs() - start, exchange::kWriterPauseLimitMs);
    // Closed half a second ago by the watch's own timing: runs at once, no wait in the cycle.
    files.writer = platform::WriterState::Closed;
    files.changeAgeMs = 500;
    ++files.changes;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    const int sleeps = engine.clock.sleeps;
    EXPECT_EQ(ticksToRun(1), 1);
    EXPECT_LT(engine.clock.sleeps - sleeps, 12);  // the cycle's own waits, no settling
    // Closed 50 ms ago: the rest of the short quiet time after a close, in the same cycle; the
    // same file whose close was not seen waits the longer settle from when it was first seen.
    const auto cycleMs = [&](platform::WriterState writer, std::int64_t ageMs) {
        files.writer = writer;
        files.changeAgeMs = ageMs;
        ++files.changes;
        engine.WriteFreshData("SRINPF.TXT", "POS_TOTTER\r\n");
        const std::int64_t begin = engine.clock.MonotonicMs();
        EXPECT_EQ(ticksToRun(1), 1);
        return engine.clock.MonotonicMs() - begin;
    };
    const std::int64_t unsettled = cycleMs(platform::WriterState::Closed, 500);
    EXPECT_EQ(cycleMs(platform::WriterState::Closed, 50) - unsettled, exchange::kCloseQuietMs - 50);
    EXPECT_EQ(cycleMs(platform::WriterState::Unknown, 50) - unsettled, exchange::kSettleMs);
    // Closed with a piece of a line (a writer that appends and closes each time): the longer
    // wait, so "A12" of "A1250" is never sent as an amount.
    engine.WriteData("SRINPF.TXT", "POS_PAGEXT,A12");
    ++files.changes;
    files.changeAgeMs = 400;
    EXPECT_EQ(ticksToRun(1), 0);
}

TEST_F(ScenarioTest, ADeletionBeforeTheReadIsNeverTakenForOneWhileTheCommandRan) {
    // The register deletes its file and writes it again while the cycle waits for it to settle
    // (the watch counts the deletion then): what runs is the file as read, once, and it goes.
    files.writer = platform::WriterState::Closed;
    ASSERT_TRUE(engine.Connect());
    files.changeAgeMs = 0;
    ++files.changes;
    engine.WriteFreshData("SRINPF.TXT", "POS_PAGEXT,A1250,P0\r\n");
    int pumps = 0;
    engine.events.onPump = [&] {
        if (++pumps == 2) {  // the first pump of the settle wait
            ++files.removals;
            ++files.changes;
            engine.WriteFreshData("SRINPF.TXT", "POS_PAGEXT,A1250,P0\r\n");
        }
    };
    engine.Tick(3);
    EXPECT_EQ(State(), "POSDUMPOUT | 1 ops | polling");
}

TEST_F(ScenarioTest, AHistoryThatCannotBeWrittenIsSaidOnceWhileItLasts) {
    ASSERT_TRUE(engine.Connect());
    const auto boxesAfter = [this](const std::string& command) {
        engine.WriteFreshData("SRINPF.TXT", command + "\r\n");
        engine.Tick();
        return std::ranges::count_if(engine.dialogs.Texts(), [](const std::string& text) {
            return text.starts_with(exchange::kHistoryNotWritten);
        });
    };
    files.unwritable = config::kHistoryFileName;
    EXPECT_EQ(boxesAfter("POS_TOTTER"), 1);
    EXPECT_EQ(boxesAfter("POS_TOTTER"), 1) << "once while it lasts";
    EXPECT_FALSE(engine.ReadData("POSDUMPOUT.TXT").empty()) << "the exchange itself is kept";
    files.unwritable.reset();
    EXPECT_EQ(boxesAfter("POS_TOTTER"), 1);
    files.unwritable = config::kHistoryFileName;
    EXPECT_EQ(boxesAfter("POS_TOTTER"), 2) << "failing again after a line went in";
}

TEST_F(ScenarioTest, ReadOnlyDataFolderIsReportedAndPollingGoesOn) {
    engine.CreateDataFolder();
    engine.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
    ASSERT_EQ(engine.Start(), RunMode::Resident);
    files.readOnly = true;
    engine.WriteData("SRINPF.TXT", "POS_PAGAME,A2,P0\r\n");
    service.ComboSecondi.SetText("0");
    EXPECT_EQ(engine.Tick(3), 3);
    // The payment could not leave its result: one box each time; the command file stays, since
    // it could not be deleted, and is retried a bounded number of times per cycle.
    EXPECT_EQ(engine.dialogs.Texts().at(0),
              "ZANDRIK_EseguiPagamento:Errore di accesso al percorso/file,75");
    EXPECT_FALSE(engine.shell.Ended());

    // Once the folder can be written again the file goes, unrun: its payment ran already.
    files.readOnly = false;
    engine.Tick();
    EXPECT_EQ(State(),
              "| 0 ops | polling | ZANDRIK_EseguiPagamento:Errore di accesso al "
              "percorso/file,75 | FILE NON TROVATO | " +
                  std::string(exchange::kHistoryNotWritten) + engine.Data("HistoryVnxPos.jsonl") +
                  " | " + exchange::kAlreadyRunUndeletable + engine.Data("SRINPF.TXT"));
}

TEST_F(ScenarioTest, HugeCommandFilesRunWithoutTrouble) {
    ASSERT_TRUE(engine.Connect());
    // 50 MB of comments and unknown keywords, one real command at the end.
    std::string big;
    big.reserve(50U << 20U);
    while (big.size() < (50U << 20U)) {
        big += "; una riga di commento qualunque\r\nPOS_PWD,X1\r\n";
    }
    engine.WriteData("SRINPF.TXT", big + "POS_TOTTER\r\n");
    big = {};
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_EQ(State(), "POSDUMPOUT | 1 ops | polling");
    // One line of 10 MB: the fields are cut to their widths.
    engine.WriteData("SRINPF.TXT", "POS_PAGEXT,A" + std::string(10U << 20U, '7') + "\r\n");
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_EQ(Join({State(), engine.fakeLibrary.Operations().at(1).request.Amount.Text()}),
              "POSDUMPOUT | 2 ops | polling|777777777");
}

TEST_F(ScenarioTest, ACommandThatNeverReachedATerminalIsKoWithTheLibrarysReason) {
    // Each terminal-bound command, run once with the log on, against a library that cannot be
    // loaded (missing, other bitness: every call fails, the release at the end too) or that
    // lacks the command's own function (the link opened).
    struct Failure {
        RuntimeError error;
        bool onlyTheOperation;
        int exitCode;
    };
    const Failure failures[] = {
        {RuntimeError(kErrFileNotFound, "Libreria del terminale non trovata: libIae17.so"), false,
         startup::kExitLibraryMissing},
        {RuntimeError(kErrLoadingLibrary,
                      "Libreria del terminale non utilizzabile: libIae17.so "
                      "\xE8 a 64 bit: serve la versione a 32 bit"),
         false, startup::kExitLibraryMissing},
        {RuntimeError(kErrEntryPointNotFound, "Punto di ingresso X non trovato in libIae17.so"),
         true, startup::kExitRan}};
    const std::pair<const char*, iae17::Function> commands[] = {
        {"POS_PAGEXT,A1250", iae17::Function::PaymentExt},
        {"POS_ACCRED,A500", iae17::Function::Refund},
        {"POS_STORNO,S000052", iae17::Function::Void},
        {"POS_TOTTER", iae17::Function::TerminalBalance},
        {"POS_CHCASS", iae17::Function::Closure}};
    for (const auto& [command, function] : commands) {
        for (const auto& failure : failures) {
            fakes::EngineDriver run;
            run.CreateDataFolder();
            run.WriteData("ParamVnxPos.TXT", "1\r\n0\r\n0\r\n0\r\n");
            run.WriteData("cfg.txt", fakes::kSerialConfig);
            run.WriteData("SRINPF.TXT", command + std::string("\r\n"));
            run.fakeLibrary.failure = failure.error;
            run.fakeLibrary.lacking = failure.onlyTheOperation ? iae17::FunctionName(function) : "";
            run.Start("-E" + run.Data("cfg.txt"));
            const std::string reason = failure.error.Description();
            const std::string head = "TIPO_COMANDO  = " + std::string(command) +
                                     "\r\nESITO_COMANDO = KO\r\nESITO_TRANSAZ = 01\r\n"
                                     "DATAORA_TRANS = 20240305_140709\r\nERROR_DESCRIZ = " +
                                     reason + "\r\nEXERR_DESCRIZ = \r\n";
            const auto history = exchange::ExchangeHistory::ReadNewest(
                platform::HostPlatform(), run.Data("HistoryVnxPos.jsonl"), 2);
            ASSERT_EQ(history.size(), 1U) << command;
            EXPECT_EQ(Join({run.ReadData("POSDUMPOUT.TXT").substr(0, head.size()),
                            run.ReadData("LogVnxPos.TXT").substr(0, head.size()),
                            history[0].outcome + " " + history[0].description,
                            std::to_string(run.fakeLibrary.Operations().size()),
                            std::to_string(run.shell.exitCodes.at(0))}),
                      Join({head, head, "KO " + reason, "0", std::to_string(failure.exitCode)}))
                << command << ": " << reason;
        }
    }

    // Resident: the exchange does not make the terminal count as connected either, so the
    // dump goes on recording and the lamp stays red. (A driver of its own, made last: on Windows
    // the data folder is the registry's, which each driver points at its own.)
    fakes::EngineDriver resident;
    resident.fakeLibrary.failure = failures[0].error;
    resident.CreateDataFolder();
    resident.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
    ASSERT_EQ(resident.Start(), RunMode::Resident);
    resident.WriteData("SRINPF.TXT", "POS_PAGEXT,A1250\r\n");
    resident.Tick();
    EXPECT_NE(resident.ReadData("POSDUMPOUT.TXT").find("ESITO_COMANDO = KO\r\n"), std::string::npos)
        << State(resident);
    EXPECT_EQ(
        std::pair(resident.session->terminalConnected, resident.session->service.ShapeDump.fill),
        std::pair(false, forms::kRed));
}

TEST_F(ScenarioTest, ResultDumpAndLogAreOnlyEverReplacedWhole) {
    // A rule of this system's own: the register reads these files as soon as they exist, so no
    // change may leave one empty or holding its head alone. Each case: its command file (none:
    // the resident's status request, or the service window's sample result), the library
    // missing or not, and which files it writes.
    struct Case {
        const char* commands;
        bool libraryMissing;
        const char* written;
    };
    const Case cases[] = {{"POS_TOTTER\r\n", false, "POSDUMPOUT.TXT|LogVnxPos.TXT"},
                          {"POS_PAGAME,A2,P0\r\nPOS_TOTTER\r\n", false,
                           "SROUTF.TXT|POSDUMPOUT.TXT|LogVnxPos.TXT|POSDUMPOUT.TXT|LogVnxPos.TXT"},
                          {"POS_PAGEXT,A5\r\n", true, "POSDUMPOUT.TXT|LogVnxPos.TXT"},
                          {"", false, "POSDUMPOUT.TXT|LogVnxPos.TXT|SROUTF.TXT"}};
    const std::string separators = std::string(exchange::resultfile::kSeparator) + "\r\n" +
                                   exchange::resultfile::kSeparator + "\r\n";
    for (const auto& c : cases) {
        fakes::WriteRecorder recorder;
        fakes::EngineDriver run{nullptr, &recorder};
        run.CreateDataFolder();
        run.WriteData("ParamVnxPos.TXT", "1\r\n0\r\n0\r\n0\r\n");
        run.WriteData("cfg.txt", fakes::kSerialConfig);
        run.fakeLibrary.missing = c.libraryMissing;
        if (*c.commands != '\0') {
            run.WriteData("SRINPF.TXT", c.commands);
            run.Start("-E" + run.Data("cfg.txt"));
        } else {
            run.WriteData("ConfigVnxPos.TXT", fakes::kSerialConfig);
            run.Start();
            run.Tick();
            run.session->serviceActions.cmdSend_Click();
        }
        std::vector<std::string> written;
        std::map<std::string, std::string> last;
        for (const auto& change : recorder.changes) {
            written.push_back(change.name);
            last[change.name] = change.bytes;
            EXPECT_EQ(change.how, "replace") << change.name;
            EXPECT_TRUE(change.bytes.starts_with("TIPO_COMANDO  = ") &&
                        change.bytes.ends_with(separators))
                << change.name << ":\n"
                << change.bytes;
        }
        EXPECT_EQ(Join(written), c.written) << c.commands;
        for (const auto& [name, bytes] : last) {
            EXPECT_EQ(run.ReadData(name), bytes) << name;
        }
    }
}

TEST(RunModeTest, FirstSwitchFoundInOrderDecides) {
    const std::map<std::string, RunMode> modes = {{"RunOnce", RunMode::RunOnce},
                                                  {"Version", RunMode::Version},
                                                  {"Interactive", RunMode::Interactive},
                                                  {"Resident", RunMode::Resident}};
    for (const auto& row : Rows("run-modes.txt")) {
        EXPECT_EQ(startup::ChooseRunMode(row.at(0)),
                  (startup::RunModeChoice{modes.at(row.at(1)), row.at(2)}))
            << '"' << row[0] << '"';
    }
}

}  // namespace
}  // namespace varnix
