// The real varnixpos-cli, as a cash register or a script starts it.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "fakes/TestEnv.h"
#include "integration/ChildProcess.h"
#include "integration/SimulatorProcess.h"

namespace varnix {
namespace {

class CliTest : public ::testing::Test {
  protected:
    CliTest() { std::filesystem::create_directories(data); }

    testing::ChildProcess Cli(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {testing::ExecutableFolder() + "varnixpos-cli"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testing::ChildProcess(argv, {{"XDG_DATA_HOME", home.path() + "share"},
                                            {"XDG_CONFIG_HOME", home.path() + "config"}});
    }

    // Waits (boundedly) until `path` exists or stops existing.
    static bool WaitFor(const std::string& path, bool exists) {
        for (int i = 0; i < 250; ++i) {
            if (std::filesystem::exists(path) == exists) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    testing::TempDir home;
    const std::string data = home.path() + "share/ZANDRIKVarnixPos/";
};

TEST_F(CliTest, VersionPrintsTheAboutTexts) {
    auto cli = Cli({"-V"});
    EXPECT_EQ(cli.Wait(20), 0);
    EXPECT_EQ(cli.Stdout(),
              "ZANDRIK VarnixPos per sistemi Windows 32/64 bit\nVersione 0.0.0.2\n"
              "Programma di TEST per sviluppatori per  \"Scambio Importo\" con POS Ingenico "
              "(compat. x Windows XP, VISTA/7/8/ 10)\n");
}

TEST_F(CliTest, WindowedAppRunsHeadlessWithoutADisplay) {
    std::vector<std::string> argv = {testing::ExecutableFolder() + "varnixpos", "-v"};
    if (!std::filesystem::exists(argv[0])) {
        GTEST_SKIP() << "built without Qt";
    }
    testing::ChildProcess app(argv, {{"XDG_DATA_HOME", home.path() + "share"},
                                     {"XDG_CONFIG_HOME", home.path() + "config"},
                                     {"QT_QPA_PLATFORM", "offscreen"},
                                     {"DISPLAY", ""},
                                     {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(app.Wait(20), 0);
    EXPECT_NE(app.Stdout().find("Versione 0.0.0.2\n"), std::string::npos);
}

TEST_F(CliTest, MissingDataFolderEndsWithTheErrorOnStandardError) {
    std::filesystem::remove_all(data);
    auto cli = Cli({});
    EXPECT_EQ(cli.Wait(20), 1);
    EXPECT_EQ(cli.Stderr(), "ZANDRIK VarnixPos: ERRORE: File di configurazione non trovato\n");
}

TEST_F(CliTest, RunOnceAgainstTheSimulatorLeavesTheDump) {
    testing::SimulatorProcess simulator({"--tcp", "low"});
    ASSERT_TRUE(simulator.Running());
    testing::WriteFile(data + "cfg.txt",
                       "TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:" + std::to_string(simulator.TcpPort()) +
                           "\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    testing::WriteFile(data + "ConfigVnxPos.TXT", "TIPO:COM\r\n");
    testing::WriteFile(data + "SRINPF.TXT", "POS_TOTTER\r\n");
    auto cli = Cli({"-E" + data + "cfg.txt"});  // the path starts right after the switch
    EXPECT_EQ(cli.Wait(30), 0) << cli.Stderr();
    EXPECT_FALSE(std::filesystem::exists(data + "SRINPF.TXT"));
    const std::string dump = testing::ReadFile(data + "POSDUMPOUT.TXT");
    EXPECT_TRUE(dump.starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = OK\r\n")) << dump;
    EXPECT_EQ(simulator.JournalLines().size(), 1U);
}

TEST_F(CliTest, SimulatorKilledInTheMiddleOfAnAnswerIsALinkError) {
    testing::SimulatorProcess simulator({"--tcp", "low", "--delay-ms", "3000"});
    ASSERT_TRUE(simulator.Running());
    testing::WriteFile(data + "ConfigVnxPos.TXT",
                       "TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:" + std::to_string(simulator.TcpPort()) +
                           "\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    testing::WriteFile(data + "SRINPF.TXT", "POS_TOTTER\r\n");
    auto cli = Cli({"-E" + data + "ConfigVnxPos.TXT"});
    for (int i = 0; i < 100 && simulator.JournalLines().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(simulator.JournalLines().size(), 1U);  // the request is in, the answer pending
    simulator.Kill();
    EXPECT_EQ(cli.Wait(30), 0);
    const std::string dump = testing::ReadFile(data + "POSDUMPOUT.TXT");
    EXPECT_TRUE(dump.starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = ETH ERROR\r\n"))
        << dump;
    EXPECT_FALSE(std::filesystem::exists(data + "SRINPF.TXT"));
}

TEST_F(CliTest, MissingTerminalLibraryIsReportedAndTheRunStillEnds) {
    // A copy of the program in a folder without the library beside it.
    const std::string lonely = home.MakeFolder("bin") + "varnixpos-cli";
    std::filesystem::copy_file(testing::ExecutableFolder() + "varnixpos-cli", lonely);
    std::filesystem::permissions(lonely, std::filesystem::perms::owner_all);
    testing::WriteFile(data + "ConfigVnxPos.TXT",
                       "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    testing::WriteFile(data + "SRINPF.TXT", "POS_TOTTER\r\n");
    testing::ChildProcess cli({lonely, "-E" + data + "ConfigVnxPos.TXT"},
                              {{"XDG_DATA_HOME", home.path() + "share"},
                               {"XDG_CONFIG_HOME", home.path() + "config"},
                               {"LD_LIBRARY_PATH", ""}});
    EXPECT_EQ(cli.Wait(20), 0);
    EXPECT_EQ(cli.Stderr(),
              "ZANDRIK VarnixPos: ZANDRIK_Totali:Libreria del terminale non trovata: "
              "libIae17.so,53\n");
    EXPECT_FALSE(std::filesystem::exists(data + "SRINPF.TXT"));
}

TEST_F(CliTest, ResidentPicksUpACommandFileAndStopsCleanlyOnSigterm) {
    auto cli = Cli({});
    ASSERT_TRUE(WaitFor(data + "ConfigVnxPos.TXT", true));
    ASSERT_TRUE(WaitFor(data + "POSDUMPOUT.TXT", true));  // the first status request ran
    testing::WriteFile(data + "SRINPF.TXT", "POS_STATUS\r\n");
    EXPECT_TRUE(WaitFor(data + "SRINPF.TXT", false));
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(20), 0);
    EXPECT_EQ(testing::ReadFile(data + "ParamVnxPos.TXT"), "0\r\n0\r\n6\r\n0\r\n");
    EXPECT_EQ(cli.Stderr(), "ZANDRIK VarnixPos: Vuoi terminare l'esecuzione ?\n");
}

}  // namespace
}  // namespace varnix
#endif
