// The real varnixpos-cli (and the windowed varnixpos, headless), as a cash register or a script
// starts them.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <signal.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "exchange/CommandRun.h"
#include "integration/Process.h"
#include "platform/Platform.h"
#include "text/LineSplitter.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
  protected:
    // Sets up POS_TOTTER to run once on the simulator at `port`, or with no port on a serial
    // link, and returns the switch that names its configuration.
    std::string RunOnce(int port = 0) const {
        const std::string link = "TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:" + std::to_string(port);
        testing::WriteFile(data + "RunOnce.TXT", (port > 0 ? link : "TIPO:COM") +
                                                     "\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
        testing::WriteFile(data + "SRINPF.TXT", "POS_TOTTER\r\n");
        return "-E" + data + "RunOnce.TXT";  // the path starts right after the switch
    }
    std::string Dump() const { return testing::ReadFile(data + "POSDUMPOUT.TXT"); }
    bool Exists(const std::string& name) const { return fs::exists(data + name); }
    // The journal every process keeps for a command file, wherever its data folder is.
    static std::string JournalOf(const std::string& commandPath) {
        auto& p = platform::HostPlatform();
        return exchange::CommandRun::JournalPathFor(p, p.CanonicalPath(commandPath));
    }
    // A resident's configuration: the terminal simulator at `port`, the command file in `io`.
    static std::string Config(int port, const std::string& io = "") {
        return "TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:" + std::to_string(port) + "\r\nINPF:" + io +
               "SRINPF.TXT\r\nOUTF:" + io + "SROUTF.TXT\r\n";
    }

    const std::string bin = testing::ExecutableFolder();
    const std::string cli = bin + "varnixpos-cli";
    testing::TempDir home;
    const std::string data = home.MakeFolder("share/ZANDRIKVarnixPos");
    // The children inherit these; offscreen keeps the windowed program headless.
    testing::ScopedEnv dataHome{"XDG_DATA_HOME", home.path() + "share"};
    testing::ScopedEnv configHome{"XDG_CONFIG_HOME", home.path() + "config"};
    testing::ScopedEnv headless{"QT_QPA_PLATFORM", "offscreen"};
    testing::ScopedEnv noLibraryPath{"LD_LIBRARY_PATH", std::nullopt};
};

TEST_F(CliTest, VersionPrintsTheAboutTextsFromBothPrograms) {
    for (const auto& [program, option] : {std::pair{cli, "-V"}, {bin + "varnixpos", "-v"}}) {
        if (!fs::exists(program)) {
            continue;  // built without Qt
        }
        testing::Process run({program, option});
        EXPECT_EQ(run.Wait(20), 0);
        EXPECT_EQ(run.Stdout(),
                  testing::ReadFile(VARNIX_TEST_DATA_DIR "/integration/golden/version.txt"))
            << program;
    }
}

TEST_F(CliTest, MissingDataFolderEndsWithTheErrorOnStandardError) {
    fs::remove_all(data);
    testing::Process run({cli});
    EXPECT_EQ(run.Wait(20), 1);
    EXPECT_EQ(run.Stderr(), "ZANDRIK VarnixPos: ERRORE: File di configurazione non trovato\n");
}

TEST_F(CliTest, RunOnceAgainstTheSimulatorLeavesTheDump) {
    testing::Simulator simulator;
    ASSERT_GT(simulator.TcpPort(), 0);
    testing::WriteFile(data + "ConfigVnxPos.TXT", "TIPO:COM\r\n");  // -E names another file
    testing::Process run({cli, RunOnce(simulator.TcpPort())});
    EXPECT_EQ(run.Wait(30), 0) << run.Stderr();
    EXPECT_FALSE(Exists("SRINPF.TXT"));
    EXPECT_TRUE(Dump().starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = OK\r\n"));
    EXPECT_EQ(simulator.Journal({}).size(), 1U);
    // Its console shows the exchange: time, operation, amount ("-": none), outcome.
    const auto shown = text::SplitLines(simulator.process->Stdout());
    ASSERT_EQ(shown.size(), 2U) << simulator.process->Stdout();
    EXPECT_EQ(shown[1].substr(std::min<std::size_t>(shown[1].size(), 19)),
              "  IAE17AX_TerminalBalance  -  totals 0");
}

TEST_F(CliTest, SimulatorKilledInTheMiddleOfAnAnswerIsALinkError) {
    testing::Simulator simulator({"--delay-ms", "3000"});
    ASSERT_GT(simulator.TcpPort(), 0);
    testing::Process run({cli, RunOnce(simulator.TcpPort())});
    // The request is in, the answer pending.
    ASSERT_TRUE(testing::Eventually([&] { return simulator.Journal({}).size() == 1; }, 5));
    simulator.process->Signal(SIGKILL);
    EXPECT_EQ(run.Wait(30), 0);
    EXPECT_TRUE(Dump().starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = ETH ERROR\r\n"));
    EXPECT_FALSE(Exists("SRINPF.TXT"));
}

TEST_F(CliTest, MissingTerminalLibraryIsReportedAndTheRunStillEnds) {
    // A copy of the program in a folder without the library beside it.
    const std::string lonely = home.MakeFolder("bin") + "varnixpos-cli";
    fs::copy_file(cli, lonely);
    testing::Process run({lonely, RunOnce()});
    EXPECT_EQ(run.Wait(20), 7);  // the run-once mode's code for a library that could not load
    EXPECT_EQ(run.Stderr(),
              "ZANDRIK VarnixPos: ZANDRIK_Totali:Libreria del terminale non trovata: "
              "libIae17.so,53\n");
    EXPECT_FALSE(Exists("SRINPF.TXT"));
    // The command never reached a terminal: KO with the library's reason, in the dump and in
    // the history alike.
    EXPECT_TRUE(
        Dump().starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = KO\r\n"
                           "ESITO_TRANSAZ = 01\r\n"))
        << Dump();
    EXPECT_NE(
        Dump().find("\r\nERROR_DESCRIZ = Libreria del terminale non trovata: libIae17.so\r\n"),
        std::string::npos);
    testing::Process history({lonely, "--history", "1"});
    EXPECT_EQ(history.Wait(20), 0);
    EXPECT_TRUE(
        history.Stdout().ends_with(" ms  Libreria del terminale non trovata: libIae17.so\n"))
        << history.Stdout();
    EXPECT_NE(history.Stdout().find("  POS_TOTTER  KO  -  -  "), std::string::npos);
}

TEST_F(CliTest, RunOnceSaysWhyItRanNothingFromACommandFileItCannotRead) {
    // On Linux a file another program has open reads as any other: what this build takes for
    // held is a file it cannot open. Root opens any file, so as root the run goes into a user
    // namespace of its own, where the file's mode counts.
    std::vector<std::string> argv = {cli, RunOnce()};
    fs::permissions(data + "SRINPF.TXT", fs::perms::none);
    if (::geteuid() == 0) {
        argv.insert(argv.begin(), {"/usr/bin/unshare", "-U"});
    }
    testing::Process run(argv);
    const int code = run.Wait(20);
    if (code != 5 && run.Stderr().find("unshare") != std::string::npos) {
        GTEST_SKIP() << "SKIPPED LOUDLY: no user namespace here: " << run.Stderr();
    }
    EXPECT_EQ(code, 5);
    EXPECT_EQ(run.Stderr(), "ZANDRIK VarnixPos: Impossibile leggere il file comandi " + data +
                                "SRINPF.TXT (aperto da un altro programma o senza permesso di "
                                "lettura): nessun comando eseguito\n");
    EXPECT_TRUE(Exists("SRINPF.TXT"));
}

TEST_F(CliTest, ResidentPicksUpACommandFileAndStopsCleanlyOnSigterm) {
    testing::Process run({cli});
    // Once the first status request ran, it is polling.
    ASSERT_TRUE(testing::Eventually([&] { return Exists("POSDUMPOUT.TXT"); }, 5));
    testing::WriteFile(data + "SRINPF.TXT", "POS_STATUS;\r\n");
    EXPECT_TRUE(testing::Eventually([&] { return !Exists("SRINPF.TXT"); }, 5));
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(20), 0);
    EXPECT_EQ(testing::ReadFile(data + "ParamVnxPos.TXT"), "0\r\n0\r\n6\r\n0\r\n");
    EXPECT_EQ(run.Stderr(), "ZANDRIK VarnixPos: Vuoi terminare l'esecuzione ?\n");
    // A line per exchange: the start-up's status request, marked as VarnixPos's own, then the
    // command file's.
    const auto lines = text::SplitLines(run.Stdout());
    ASSERT_EQ(lines.size(), 2U) << run.Stdout();
    EXPECT_NE(lines[0].find("  POS_STATUS (VarnixPos)  OK 00  -  -  "), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("  POS_STATUS  OK  -  -  "), std::string::npos) << lines[1];
    // And the same, afterwards, from the history: VarnixPos's own requests only with --all; a
    // count that is no positive number is refused, and nothing printed.
    const struct {
        std::string program;
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string err;
    } cases[] = {
        {cli, {"5"}, 0, lines[1] + "\n", ""},
        {bin + "varnixpos", {"5"}, 0, lines[1] + "\n", ""},
        {cli, {"--all"}, 0, run.Stdout(), ""},
        {cli, {"1", "--all"}, 0, lines[1] + "\n", ""},
        {cli,
         {"-3"},
         2,
         "",
         "varnixpos-cli: --history vuole un numero intero positivo di scambi, "
         "non \"-3\"\n"},
        {cli,
         {"abc"},
         2,
         "",
         "varnixpos-cli: --history vuole un numero intero positivo di "
         "scambi, non \"abc\"\n"},
        {cli,
         {"0"},
         2,
         "",
         "varnixpos-cli: --history vuole un numero intero positivo di scambi, "
         "non \"0\"\n"},
        {cli,
         {"2", "3"},
         2,
         "",
         "varnixpos-cli: argomento non previsto: \"3\" (uso: --history [N] "
         "[--all])\n"},
    };
    for (const auto& c : cases) {
        if (!fs::exists(c.program)) {
            continue;  // built without Qt
        }
        std::vector<std::string> argv{c.program, "--history"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        testing::Process history(argv);
        EXPECT_EQ(history.Wait(20), c.exitCode) << c.args[0];
        EXPECT_EQ(history.Stdout(), c.out) << c.args[0];
        EXPECT_EQ(history.Stderr(), c.err) << c.args[0];
    }
}

TEST_F(CliTest, HelpIsAWholeArgumentWithNoRunModeSwitch) {
    struct Case {
        std::string program;
        std::vector<std::string> args;
        int exitCode;
        bool usage;  // printed the usage instead of running a mode
    };
    const Case cases[] = {
        {cli, {"--help"}, 0, true},
        {cli, {"-x", "/?"}, 0, true},
        {bin + "varnixpos", {"-h"}, 0, true},
        {cli, {"-V", "-h"}, 0, false},  // the switch decides: the version
        {bin + "pos-simulator", {"--foo"}, 2, false},
    };
    for (const auto& c : cases) {
        if (!fs::exists(c.program)) {
            continue;  // built without Qt
        }
        std::vector<std::string> argv{c.program};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        testing::Process run(argv);
        EXPECT_EQ(run.Wait(20), c.exitCode) << c.args.back();
        EXPECT_EQ(run.Stdout().starts_with("Uso: "), c.usage) << c.args.back();
    }
    testing::Process simulator({bin + "pos-simulator", "--foo"});
    simulator.Wait(20);
    EXPECT_TRUE(simulator.Stderr().starts_with("pos-simulator: unknown option --foo\n"));
}

TEST_F(CliTest, TestSetOptionsAreCheckedAndARunEndsWithItsReport) {
    const std::string sim = bin + "pos-simulator";
    const std::string set = home / "set.json";
    testing::WriteFile(set, R"({"no_repeat_within_s": 0, "steps": [{"name": "a",
        "instruction": {"it": "Paga", "en": "Pay"}, "expect": {"command": "POS_PAGEXT"},
        "time_limit_s": 1}]})");
    testing::WriteFile(home / "bad.json", "{\"steps\": [");
    // Whatever would spoil the run is refused before its first step.
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string error;
    } refused[] = {
        {{"--test-set", home / "missing.json"}, 2, "cannot read the test set"},
        {{"--test-set", home / "bad.json"}, 2, "bad.json: non \xC3\xA8 JSON valido: il file"},
        {{"--test-set", set, "--lang", "fr"},
         2,
         "--lang fr: il test set ha le istruzioni in it, en"},
        {{"--tcp", "9999", "--test-set", set}, 2, "--tcp 9999: VarnixPos takes ports 1 to 9998"},
        {{"--outcome", "ok", "--test-set", set}, 2, "--outcome has no effect with --test-set"},
        {{"--report", home / "r"}, 2, "--report goes with --test-set"},
        {{"--test-set", set, "--history", home.path()}, 2, "is not a file"},
        {{"--test-set", set, "--history", home.InMissingFolder("h.jsonl")}, 2, "no such folder"},
        {{"--test-set", set, "--report", set}, 3, "cannot create the report folder"},
        {{"--test-set", set, "--report", set + "/r"}, 3, "Not a directory"},
        {{"--from-history", set}, 2, "--from-history goes with --record-test-set"},
        {{"--record-test-set", home / "rec.json", "--from-history", set},
         2,
         "no exchange with the terminal in it"},
        {{"--record-test-set", set}, 2, "the file exists; a recording never replaces it"},
        // Misspelt: not there at the start, nor once the first step is over.
        {{"--test-set", set, "--report", home / "h", "--history", home / "Storico.jsonl"},
         2,
         "lo storico non \xC3\xA8 comparso"},
    };
    for (const auto& c : refused) {
        std::vector<std::string> argv{sim, "--tcp", "0"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        testing::Process run(argv);
        EXPECT_EQ(run.Wait(20), c.exitCode) << c.error;
        EXPECT_NE(run.Stderr().find(c.error), std::string::npos) << run.Stderr();
        if (c.error.find("storico") == std::string::npos) {
            EXPECT_EQ(run.Stdout().find("[1/"), std::string::npos) << c.error;
        }
    }
    // A port of its own choosing is one VarnixPos can be configured with.
    testing::Process any({sim, "--tcp", "0"});
    ASSERT_TRUE(
        testing::Eventually([&] { return any.Stdout().find('\n') != std::string::npos; }, 10));
    const int port = std::atoi(any.Stdout().substr(any.Stdout().find(':') + 1).c_str());
    EXPECT_TRUE(port >= 1024 && port <= 9998) << any.Stdout();
    any.Signal(SIGTERM);
    any.Wait(10);
    // Nobody pays: the step fails when its second is up, and the report says so.
    testing::Process run(
        {sim, "--tcp", "0", "--test-set", set, "--lang", "en", "--report", home / "report"});
    EXPECT_EQ(run.Wait(20), 1);
    EXPECT_NE(run.Stdout().find("[1/1] a: Pay (entro 1 s)\n      FALLITO (1"), std::string::npos)
        << run.Stdout();
    EXPECT_NE(testing::ReadFile(home / "report/report.xml").find(R"(tests="1" failures="1")"),
              std::string::npos);
    // Stopped early: still a report, the step not judged.
    testing::WriteFile(set, R"({"steps": [{"name": "a", "expect": {"command": "POS_TOTTER"}}]})");
    testing::Process stopped({sim, "--tcp", "0", "--test-set", set, "--report", home / "stopped"});
    ASSERT_TRUE(testing::Eventually(
        [&] { return stopped.Stdout().find("[1/1]") != std::string::npos; }, 10));
    stopped.Signal(SIGTERM);
    EXPECT_EQ(stopped.Wait(20), 1);
    EXPECT_NE(testing::ReadFile(home / "stopped/report.xml")
                  .find(R"(failures="0" errors="1" skipped="0")"),
              std::string::npos);
}

TEST_F(CliTest, StoppedPollingIsTriedAgainAndSighupReadsTheConfiguration) {
    // The input folder is missing: the cycle stops polling, and the CLI says it will try again.
    const auto configure = [&](const std::string& io) {
        testing::WriteFile(
            data + "ConfigVnxPos.TXT",
            "TIPO:COM\r\nINPF:" + io + "SRINPF.TXT\r\nOUTF:" + io + "SROUTF.TXT\r\n");
    };
    const auto stopped = [](testing::Process& run) {
        return testing::Eventually(
            [&] {
                return run.Stderr().find("Ricerca dei file comandi sospesa") != std::string::npos;
            },
            10);
    };
    const std::string io = home.path() + "io/";
    configure(io);
    testing::Process retried({cli});
    ASSERT_TRUE(stopped(retried));
    fs::create_directories(io);
    testing::WriteFile(io + "SRINPF.TXT", "POS_STATUS\r\n");
    EXPECT_TRUE(testing::Eventually([&] { return !fs::exists(io + "SRINPF.TXT"); }, 10));
    retried.Signal(SIGTERM);
    EXPECT_EQ(retried.Wait(20), 0);

    // A try again reads no configuration: only SIGHUP brings the new input folder in.
    configure(home.path() + "missing/");
    testing::Process reloaded({cli});
    ASSERT_TRUE(stopped(reloaded));
    testing::WriteFile(io + "SRINPF.TXT", "POS_STATUS\r\n");
    configure(io);
    reloaded.Signal(SIGHUP);
    EXPECT_TRUE(testing::Eventually([&] { return !fs::exists(io + "SRINPF.TXT"); }, 10));
    reloaded.Signal(SIGTERM);
    EXPECT_EQ(reloaded.Wait(20), 0);
}

TEST_F(CliTest, SecondResidentOnTheSameCommandFileSaysSoAndEnds) {
    testing::Process first({cli});
    ASSERT_TRUE(testing::Eventually([&] { return Exists("POSDUMPOUT.TXT"); }, 5));
    testing::Process second({cli});
    EXPECT_EQ(second.Wait(20), 6);
    // Standard error speaks UTF-8.
    EXPECT_NE(
        second.Stderr().find("VarnixPos \u00e8 gi\u00e0 in esecuzione per " + data + "SRINPF.TXT"),
        std::string::npos)
        << second.Stderr();
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(20), 0);
}

TEST_F(CliTest, KilledMidPaymentTheFileIsRecordedWholeAndNeverSentAgain) {
    testing::Simulator simulator({"--delay-ms", "1500"});
    ASSERT_GT(simulator.TcpPort(), 0);
    testing::WriteFile(data + "ConfigVnxPos.TXT", Config(simulator.TcpPort()));
    testing::WriteFile(data + "SRINPF.TXT", "POS_PAGEXT,A1234\r\nPOS_PAGEXT,A99\r\n");
    {
        testing::Process resident({cli});
        // The terminal has the payment, its answer is pending: the process dies.
        ASSERT_TRUE(testing::Eventually(
            [&] {
                return simulator.Journal({}).size() == 1 &&
                       fs::exists(JournalOf(data + "SRINPF.TXT"));
            },
            10));
        resident.Signal(SIGKILL);
        resident.Wait(10);
    }
    ASSERT_TRUE(Exists("SRINPF.TXT"));
    // The restart may even use another data folder: the command file's journal is found.
    testing::TempDir otherHome;
    otherHome.MakeFolder("share/ZANDRIKVarnixPos");
    fs::copy_file(data + "ConfigVnxPos.TXT",
                  otherHome.path() + "share/ZANDRIKVarnixPos/ConfigVnxPos.TXT");
    testing::WriteFile(otherHome.path() + "share/ZANDRIKVarnixPos/ConfigVnxPos.TXT",
                       Config(simulator.TcpPort(), data));
    testing::ScopedEnv otherData{"XDG_DATA_HOME", otherHome.path() + "share"};
    testing::Process restarted({cli});
    EXPECT_TRUE(testing::Eventually([&] { return !Exists("SRINPF.TXT"); }, 10));
    // Several of the restart's own status cycles later, the register still reads the truth.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(
        Dump().starts_with("TIPO_COMANDO  = POS_PAGEXT,A1234\r\nESITO_COMANDO = KO\r\n"
                           "ESITO_TRANSAZ = 01\r\n"))
        << Dump();
    EXPECT_NE(Dump().find("ERROR_DESCRIZ = Esito sconosciuto: esecuzione interrotta\r\n"),
              std::string::npos);
    restarted.Signal(SIGTERM);
    EXPECT_EQ(restarted.Wait(20), 0);
    // The second payment is named as not run, and one payment reached the terminal.
    const std::string history =
        testing::ReadFile(otherHome.path() + "share/ZANDRIKVarnixPos/HistoryVnxPos.jsonl");
    EXPECT_NE(history.find("Comando non eseguito: esecuzione interrotta"), std::string::npos)
        << history;
    EXPECT_NE(history.find("POS_PAGEXT,A99"), std::string::npos);
    EXPECT_EQ(std::ranges::count(simulator.Journal({"function"}), "IAE17AX_PaymentExt"), 1);
    // The journal keeps only that the dump holds the crash's record for the register.
    EXPECT_NE(testing::ReadFile(JournalOf(data + "SRINPF.TXT")).find("HOLD\t"), std::string::npos);
}

TEST_F(CliTest, OnePollerPerCommandFileWhateverHappensToItsFolderOrDataFolder) {
    testing::Simulator simulator;
    ASSERT_GT(simulator.TcpPort(), 0);
    const std::string io = home.MakeFolder("io");
    testing::WriteFile(data + "ConfigVnxPos.TXT", Config(simulator.TcpPort(), io));
    testing::Process first({cli});
    ASSERT_TRUE(testing::Eventually([&] { return fs::exists(io + "POSDUMPOUT.TXT"); }, 5));
    // The register clears its folder under the running resident.
    fs::remove_all(io);
    fs::create_directories(io);
    // A second resident on the same command file, with a data folder of its own: refused.
    testing::TempDir otherHome;
    otherHome.MakeFolder("share/ZANDRIKVarnixPos");
    testing::WriteFile(otherHome.path() + "share/ZANDRIKVarnixPos/ConfigVnxPos.TXT",
                       Config(simulator.TcpPort(), io));
    {
        testing::ScopedEnv otherData{"XDG_DATA_HOME", otherHome.path() + "share"};
        testing::Process second({cli});
        EXPECT_EQ(second.Wait(20), 6) << second.Stderr();
    }
    // Two registers with folders of their own share one data folder: each is served, once.
    const std::string io2 = home.MakeFolder("io2");
    testing::WriteFile(data + "Second.TXT", Config(simulator.TcpPort(), io2));
    testing::WriteFile(io2 + "SRINPF.TXT", "POS_PAGEXT,A7\r\n");
    testing::Process once({cli, "-E" + data + "Second.TXT"});
    EXPECT_EQ(once.Wait(20), 0) << once.Stderr();
    testing::WriteFile(io + "SRINPF.TXT", "POS_PAGEXT,A8\r\n");
    EXPECT_TRUE(testing::Eventually([&] { return !fs::exists(io + "SRINPF.TXT"); }, 10));
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(20), 0);
    const auto amounts = simulator.Journal({"amount"});
    EXPECT_EQ(std::ranges::count(amounts, "7") + std::ranges::count(amounts, "8"), 2)
        << amounts.size();
}

TEST_F(CliTest, AJournalThatCannotBeWrittenSendsNoPayment) {
    // A journal folder on a full disk: a small tmpfs over it, in a mount namespace of this
    // test's own, so nothing else on the machine sees it.
    if (::geteuid() != 0 || !fs::exists("/usr/bin/unshare")) {
        GTEST_SKIP() << "SKIPPED LOUDLY: needs root and unshare to mount a full disk";
    }
    testing::Simulator simulator;
    ASSERT_GT(simulator.TcpPort(), 0);
    testing::WriteFile(data + "RunOnce.TXT", Config(simulator.TcpPort()));
    testing::WriteFile(data + "SRINPF.TXT", "POS_PAGEXT,A1234\r\n");
    const std::string journals = fs::path(JournalOf(data + "SRINPF.TXT")).parent_path().string();
    const std::string script = "mount -t tmpfs -o size=8k tmpfs '" + journals + "' && " +
                               "(dd if=/dev/zero of='" + journals +
                               "/fill' bs=1k count=64 2>/dev/null; true) && exec '" + cli + "' -E" +
                               data + "RunOnce.TXT";
    testing::Process once(
        {"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c", script});
    const int code = once.Wait(30);
    if (code == 32 || once.Stderr().find("mount") != std::string::npos) {
        GTEST_SKIP() << "SKIPPED LOUDLY: no mount namespace here: " << once.Stderr();
    }
    EXPECT_EQ(code, 9) << once.Stderr();
    EXPECT_TRUE(simulator.Journal({}).empty());
    EXPECT_NE(Dump().find("ERROR_DESCRIZ = Comando non inviato al terminale"), std::string::npos)
        << Dump();
    EXPECT_FALSE(Exists("SRINPF.TXT"));
}

}  // namespace
}  // namespace varnix
#endif
