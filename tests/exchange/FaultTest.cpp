// Faults the engine must survive with a clear outcome: a data folder it cannot write, the input
// folder removed while polling, and command files far larger than any cash register writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/EngineDriver.h"
#include "platform/PlatformWrapper.h"

namespace varnix {
namespace {

// Every write fails, as in a read-only data folder (root ignores file modes, so the tests say it
// through the platform).
class ReadOnlyFiles : public platform::PlatformWrapper {
  public:
    ReadOnlyFiles() : PlatformWrapper(platform::HostPlatform()) {}
    bool WriteWholeFile(const std::string& path, std::string_view bytes) override {
        return !readOnly && PlatformWrapper::WriteWholeFile(path, bytes);
    }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        return !readOnly && PlatformWrapper::AppendToFile(path, bytes);
    }
    bool RemoveFile(const std::string& path) override {
        return !readOnly && PlatformWrapper::RemoveFile(path);
    }
    bool readOnly = false;
};

TEST(FaultTest, ReadOnlyDataFolderIsReportedAndPollingGoesOn) {
    ReadOnlyFiles files;
    fakes::EngineDriver engine(nullptr, &files);
    engine.CreateDataFolder();
    engine.WriteData("ConfigVnxPos.TXT", "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    ASSERT_EQ(engine.Start(), startup::RunMode::Resident);
    files.readOnly = true;
    engine.WriteData("SRINPF.TXT", "POS_PAGAME,A2,P0\r\n");
    engine.session->service.ComboSecondi.SetText("0");
    EXPECT_EQ(engine.Tick(3), 3);
    // The payment could not leave its result: one box each time; the command file stays, since
    // it could not be deleted, and is retried a bounded number of times per cycle.
    const auto texts = engine.dialogs.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "ZANDRIK_EseguiPagamento:Errore di accesso al percorso/file,75");
    EXPECT_TRUE(engine.timer.IsEnabled());
    EXPECT_FALSE(engine.shell.Ended());

    files.readOnly = false;
    engine.dialogs.shown.clear();
    engine.Tick();
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_TRUE(engine.DataExists("SROUTF.TXT"));
    EXPECT_TRUE(engine.dialogs.shown.empty());
}

TEST(FaultTest, InputFolderRemovedWhilePollingThenRecreatedAndSaved) {
    fakes::EngineDriver engine;
    engine.CreateDataFolder();
    const std::string io = engine.home.MakeFolder("io");
    engine.WriteData("ConfigVnxPos.TXT",
                     "TIPO:COM\r\nINPF:" + io + "SRINPF.TXT\r\nOUTF:" + io + "SROUTF.TXT\r\n");
    ASSERT_EQ(engine.Start(), startup::RunMode::Resident);
    engine.Tick();
    std::filesystem::remove_all(io);
    EXPECT_EQ(engine.Tick(3), 3);  // connected: nothing to find, nothing to complain about
    std::filesystem::create_directories(io);
    engine.session->serviceActions.cmdSalvaDati_Click();
    testing::WriteFile(io + "SRINPF.TXT", "POS_TOTTER\r\n");
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_FALSE(std::filesystem::exists(io + "SRINPF.TXT"));
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 1U);
}

TEST(FaultTest, HugeCommandFilesRunWithoutTrouble) {
    fakes::EngineDriver engine;
    engine.CreateDataFolder();
    engine.WriteData("ConfigVnxPos.TXT", "TIPO:COM\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n");
    ASSERT_EQ(engine.Start(), startup::RunMode::Resident);
    engine.Tick();

    // 50 MB of comments and unknown keywords, one real command at the end.
    std::string big;
    big.reserve(50U << 20U);
    while (big.size() < (50U << 20U)) {
        big += "; una riga di commento qualunque\r\nPOS_PWD,X1\r\n";
    }
    big += "POS_TOTTER\r\n";
    engine.WriteData("SRINPF.TXT", big);
    big.clear();
    EXPECT_EQ(engine.Tick(), 1);
    EXPECT_FALSE(engine.DataExists("SRINPF.TXT"));
    EXPECT_EQ(engine.fakeLibrary.Operations().size(), 1U);

    // One line of 10 MB: the fields are cut to their widths.
    engine.WriteData("SRINPF.TXT", "POS_PAGEXT,A" + std::string(10U << 20U, '7') + "\r\n");
    EXPECT_EQ(engine.Tick(), 1);
    ASSERT_EQ(engine.fakeLibrary.Operations().size(), 2U);
    EXPECT_EQ(engine.fakeLibrary.Operations()[1].request.Amount.Text(), "777777777");
}

}  // namespace
}  // namespace varnix
