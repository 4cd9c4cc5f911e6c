#include <gtest/gtest.h>

#include "fakes/EngineDriver.h"
#include "platform/PlatformWrapper.h"

#include <optional>

namespace varnix {
namespace {

// Refuses to delete the command file a given number of times, as Windows does while the cash
// register still holds it open.
class HeldCommandFile : public platform::PlatformWrapper {
  public:
    HeldCommandFile() : PlatformWrapper(platform::HostPlatform()) {}
    bool RemoveFile(const std::string& path) override {
        if (path.ends_with("SRINPF.TXT") && refusals > 0) {
            --refusals;
            ++attempts;
            return false;
        }
        return PlatformWrapper::RemoveFile(path);
    }
    int refusals = 0;
    int attempts = 0;
};

class PollingCycleTest : public ::testing::Test {
  protected:
    PollingCycleTest() {
        engine.CreateDataFolder();
        engine.WriteData("ConfigVnxPos.TXT", "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    }
    void StartConnected() {
        engine.Start();
        engine.Tick();
        ASSERT_TRUE(engine.session->terminalConnected);
    }

    HeldCommandFile files;
    fakes::EngineDriver engine{nullptr, &files};
};

TEST_F(PollingCycleTest, HeldCommandFileIsRetriedUntilItCanBeDeleted) {
    StartConnected();
    files.refusals = 4;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    const int sleepsBefore = engine.clock.sleeps;
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_EQ(files.attempts, 4);
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 1U);  // run once, not once per retry
    // Four waits of 100 ms (two steps each) besides the cycle's own and the tick's.
    EXPECT_EQ(engine.clock.sleeps - sleepsBefore, 4 * 2 + 4 + 4 + 1);
    EXPECT_TRUE(engine.timer.IsEnabled());
    EXPECT_TRUE(engine.session->service.cmdSalvaDati.enabled);
}

TEST_F(PollingCycleTest, RetriesAreBoundedAndTheFileIsRunAgainLater) {
    StartConnected();
    files.refusals = 100;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    EXPECT_EQ(files.attempts, 10);  // the first try and nine more
    EXPECT_TRUE(engine.DataExists("SRINPF.TXT"));
    EXPECT_TRUE(engine.timer.IsEnabled());
    files.refusals = 0;
    engine.Tick();
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 2U);
}

TEST_F(PollingCycleTest, LampsAndSaveButtonDuringACycle) {
    StartConnected();
    auto& service = engine.session->service;
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
    EXPECT_EQ(lamp.front(), forms::kYellow);  // looking for files
    EXPECT_EQ(lamp.back(), forms::kRed);      // processing
    EXPECT_FALSE(saveEnabled[1]);             // no save while the command runs
    EXPECT_EQ(service.Shape1.fill, forms::kRed);
}

}  // namespace
}  // namespace varnix

namespace varnix {
namespace {

// Refuses to read the command file while `locked`, as when the cash register holds it.
class UnreadableCommandFile : public platform::PlatformWrapper {
  public:
    UnreadableCommandFile() : PlatformWrapper(platform::HostPlatform()) {}
    std::optional<std::string> ReadWholeFile(const std::string& path) override {
        if (locked && path.ends_with("SRINPF.TXT")) {
            return std::nullopt;
        }
        return PlatformWrapper::ReadWholeFile(path);
    }
    bool locked = false;
};

class LosslessPickupTest : public ::testing::Test {
  protected:
    LosslessPickupTest() {
        engine.CreateDataFolder();
        engine.WriteData("ConfigVnxPos.TXT", "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
        engine.Start();
        engine.Tick();
    }
    std::size_t Runs() const { return engine.fakeLibrary.Operations().size(); }

    UnreadableCommandFile files;
    fakes::EngineDriver engine{nullptr, &files};
};

TEST_F(LosslessPickupTest, UnreadableCommandFileIsKeptForALaterCycle) {
    files.locked = true;
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick(3);
    EXPECT_TRUE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(Runs(), 0U);
    files.locked = false;
    engine.Tick();
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(Runs(), 1U);
}

TEST_F(LosslessPickupTest, HalfWrittenFileWaitsForItsLineEnd) {
    engine.WriteData("SRINPF.TXT", "POS_TOT");
    engine.Tick();
    EXPECT_EQ(Runs(), 0U);
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");  // the writer finished
    engine.Tick();
    EXPECT_EQ(Runs(), 1U);
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
}

TEST_F(LosslessPickupTest, FileFinishedWithoutLineEndRunsOnceItStopsChanging) {
    engine.WriteData("SRINPF.TXT", "POS_TOT");
    engine.Tick();
    engine.WriteData("SRINPF.TXT", "POS_TOTTER");  // still growing
    engine.Tick();
    EXPECT_EQ(Runs(), 0U);
    engine.Tick();  // unchanged since the last cycle: the writer is done
    EXPECT_EQ(Runs(), 1U);
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(engine.fakeLibrary.Operations()[0].name, "IAE17AX_TerminalBalance");
}

TEST_F(LosslessPickupTest, EmptyFileIsTakenAsNotYetWritten) {
    engine.WriteData("SRINPF.TXT", "");  // created, not written yet
    engine.Tick();
    EXPECT_TRUE(engine.DataExists("SRINPF.TXT"));
    engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
    engine.Tick();
    EXPECT_EQ(Runs(), 1U);

    engine.WriteData("SRINPF.TXT", "");  // and one that stays empty goes after a tick
    engine.Tick();
    EXPECT_TRUE(engine.DataExists("SRINPF.TXT"));
    engine.Tick();
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(Runs(), 1U);
}

}  // namespace
}  // namespace varnix
