// The whole engine with the real stand-in library against the real simulator: every keyword of
// the command file dropped as a cash register would, and the simulator's journal proving that
// each terminal command reached the terminal exactly once.
#include <gtest/gtest.h>

#include "fakes/EngineDriver.h"
#include "iae17/LoadedTerminalLibrary.h"
#include "integration/SimulatorProcess.h"

namespace varnix {
namespace {

class EngineAgainstSimulatorTest : public ::testing::Test {
  protected:
    EngineAgainstSimulatorTest() {
        engine.CreateDataFolder();
        engine.WriteData("ConfigVnxPos.TXT", "TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:" +
                                                 std::to_string(simulator.TcpPort()) +
                                                 "\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    }

    // Drops one command file, runs one cycle, and returns the journal lines it added.
    std::vector<std::string> Drop(const std::string& command) {
        const std::size_t before = simulator.JournalLines().size();
        engine.WriteData("SRINPF.TXT", command + "\r\n");
        EXPECT_EQ(engine.Tick(), 1);
        EXPECT_FALSE(engine.DataExists("SRINPF.TXT")) << command;
        auto lines = simulator.JournalLines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
    }

    testing::SimulatorProcess simulator{{"--tcp", "low"}};
    iae17::LoadedTerminalLibrary library{platform::HostPlatform()};
    fakes::EngineDriver engine{&library};
};

TEST_F(EngineAgainstSimulatorTest, EveryKeywordReachesTheTerminalAtMostOnce) {
    ASSERT_TRUE(simulator.Running());
    ASSERT_EQ(engine.Start(), startup::RunMode::Resident);
    engine.Tick();
    ASSERT_TRUE(engine.session->terminalConnected);
    EXPECT_TRUE(simulator.JournalLines().empty());  // the status check never calls the terminal

    struct Case {
        const char* command;
        const char* function;  // nullptr: no terminal call
    };
    const Case cases[] = {
        {"POS_PAGEXT,T1,E2,A1250,P1", "IAE17AX_PaymentExt"},
        {"POS_ACCRED,A300", "IAE17AX_Refund"},
        {"POS_TOTTER", "IAE17AX_TerminalBalance"},
        {"POS_STORNO,S000001", "IAE17AX_Void"},
        {"POS_CHCASS", "IAE17AX_Closure"},
        {"POS_PAGAME,A2,P0", nullptr},
        {"POS_PREAUT", nullptr},
        {"POS_PREINT", nullptr},
        {"POS_CHPREA", nullptr},
        {"POS_STATUS", nullptr},
    };
    engine.session->service.ComboSecondi.SetText("1");
    for (const auto& c : cases) {
        const auto added = Drop(c.command);
        if (c.function == nullptr) {
            EXPECT_TRUE(added.empty()) << c.command;
            if (std::string(c.command).starts_with("POS_PAGAME")) {
                // The simulated payment answers in the result file, until the next pickup.
                EXPECT_TRUE(
                    engine.ReadData("SROUTF.TXT")
                        .starts_with("TIPO_COMANDO  = TIPO_COMANDO = POS_PAGAME,A2,P0\r\n"));
            }
            continue;
        }
        ASSERT_EQ(added.size(), 1U) << c.command;
        EXPECT_NE(added[0].find(std::string("\"function\":\"") + c.function + "\""),
                  std::string::npos);
        EXPECT_EQ(engine.session->console.txtEsito.Text(), "OK") << c.command;
    }
    const auto journal = simulator.JournalLines();
    EXPECT_NE(journal[0].find("\"amount\":\"1250\""), std::string::npos);
    EXPECT_NE(journal[0].find("\"payment_type\":\"1\""), std::string::npos);
    EXPECT_NE(journal[3].find("\"void_stan\":\"000001\""), std::string::npos);
    EXPECT_NE(journal[3].find("\"outcome\":\"approved\""), std::string::npos);
}

TEST_F(EngineAgainstSimulatorTest, RunOnceLeavesTheDumpAndFreesTheLibraryTwice) {
    ASSERT_TRUE(simulator.Running());
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    EXPECT_EQ(engine.Start("-E" + engine.Data("ConfigVnxPos.TXT")), startup::RunMode::RunOnce);
    EXPECT_EQ(engine.shell.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    const std::string dump = engine.ReadData("POSDUMPOUT.TXT");
    EXPECT_TRUE(dump.starts_with("TIPO_COMANDO  = POS_TOTTER\r\nESITO_COMANDO = OK\r\n")) << dump;
    EXPECT_NE(dump.find("POSDATA.TerminalId = 10001761 \r\n"), std::string::npos);
    EXPECT_EQ(simulator.JournalLines().size(), 1U);
    EXPECT_EQ(library.Free(), 0);  // a third release is as harmless as the second
}

}  // namespace
}  // namespace varnix
