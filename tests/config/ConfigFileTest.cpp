#include "config/ConfigFile.h"

#include <gtest/gtest.h>

#include <functional>

#include "config/FileNames.h"
#include "fakes/TestSession.h"
#include "platform/PlatformWrapper.h"

namespace varnix::config {
namespace {

using platform::HostPlatform;

class ConfigFileTest : public ::testing::Test {
  protected:
    ConfigFileTest() {
        settings.DataFolder = dir.path();
        editor.CaricaValoriDefault(dir / kCommandFileName, dir / kResultFileName);
    }

    std::string Read(const std::string& contents) {
        testing::WriteFile(configPath, contents);
        return reader.LeggiDatiConfigurazione(configPath);
    }

    fakes::TestSession test;
    const testing::TempDir& dir = test.dir;
    const std::string configPath = dir / kConfigFileName;
    Settings& settings = test.session.settings;
    fakes::FakeDialogs& dialogs = test.dialogs;
    forms::ConsoleForm& console = test.session.console;
    forms::ServiceWindow& editor = test.session.service;
    ConfigFile reader = test.session.ConfigFile();
};

TEST_F(ConfigFileTest, FirstStartFileHoldsTheTenDefaultLinesByteForByte) {
    reader.SalvaDatiConfigurazioneConPrefisso(configPath);
    const std::string df = dir.path();
    EXPECT_EQ(testing::ReadFile(configPath),
              "TIPO:ETH\r\nPCOM:1\r\nBAUD:9600\r\nPARI:N\r\nBITS:7\r\nSTOP:1\r\n"
              "INPF:" +
                  df + "SRINPF.TXT\r\nOUTF:" + df +
                  "SROUTF.TXT\r\n"
                  "IPAD:192.168.1.101\r\nPORT:1000\r\n");
}

TEST_F(ConfigFileTest, DefaultsSavedAndReadBackGiveTheDefaultSettings) {
    reader.SalvaDatiConfigurazioneConPrefisso(configPath);
    ASSERT_EQ(reader.LeggiDatiConfigurazione(configPath), "");
    EXPECT_EQ(settings.ConnectionType, 0);
    EXPECT_EQ(settings.EthParams.IPAddress.Text(), "192.168.1.101   ");
    EXPECT_EQ(settings.EthParams.Port.Text(), "1000  ");
    EXPECT_EQ(settings.ComParams.ComPort.Text(), "1     ");
    EXPECT_EQ(settings.ComParams.BaudRate.Text(), "4 ");
    EXPECT_EQ(settings.ComParams.Parity.Text(), "0 ");
    EXPECT_EQ(settings.ComParams.DataBits.Text(), "0 ");
    EXPECT_EQ(settings.ComParams.StopBits.Text(), "0 ");
    EXPECT_EQ(settings.InputFilePath, dir / "SRINPF.TXT");
    EXPECT_EQ(settings.OutputFilePath, dir / "SROUTF.TXT");
    EXPECT_FALSE(settings.ecrIdRequired);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ConfigFileTest, EditedValuesSurviveSaveAndRead) {
    editor.cboTIPO.SetText("COM");
    editor.cmbComExtended.SetText("7");  // typed, not picked
    editor.cmdBaud.SetText("19200");
    editor.cmbParity.SetText("E");
    editor.cmbDataBits.SetText("8");
    editor.cmbStopBit.SetText("2");
    editor.txtIpAddress.SetText("10.1.2.3");
    editor.txtPortEth.SetText("8080");
    reader.SalvaDatiConfigurazioneConPrefisso(configPath);

    fakes::TestSession fresh;
    forms::ServiceWindow& freshEditor = fresh.session.service;
    ASSERT_EQ(fresh.session.ConfigFile().LeggiDatiConfigurazione(configPath), "");
    const Settings& read = fresh.session.settings;
    const forms::ConsoleForm& readConsole = fresh.session.console;
    EXPECT_EQ(read.ConnectionType, 1);
    EXPECT_EQ(read.ComParams.ComPort.Text(), "7     ");
    EXPECT_EQ(read.ComParams.BaudRate.Text(), "5 ");
    EXPECT_EQ(read.ComParams.Parity.Text(), "2 ");
    EXPECT_EQ(read.ComParams.DataBits.Text(), "1 ");
    EXPECT_EQ(read.ComParams.StopBits.Text(), "1 ");
    for (auto* pair : {&freshEditor.cboTIPO, &freshEditor.cmbComExtended, &freshEditor.cmdBaud,
                       &freshEditor.cmbParity, &freshEditor.cmbDataBits, &freshEditor.cmbStopBit}) {
        EXPECT_FALSE(pair->Text().empty());
    }
    EXPECT_EQ(freshEditor.cmbComExtended.Text(), "7");
    EXPECT_EQ(freshEditor.txtIpAddress.Text(), "10.1.2.3");
    EXPECT_EQ(freshEditor.txtPortEth.Text(), "8080");
    EXPECT_EQ(readConsole.txtIP.Text(), "10.1.2.3        ");
    EXPECT_EQ(readConsole.txtPorta.Text(), "8080  ");
}

// One line read on top of known settings, and what it must leave.
struct EntryCase {
    const char* line;
    std::function<void(const Settings&, const forms::ServiceWindow&)> check;
};

TEST_F(ConfigFileTest, EachEntryIsAcceptedOrRefusedByItsOwnRule) {
    const auto ip = [](const char* text) {
        return [text](const Settings& s, const forms::ServiceWindow&) {
            EXPECT_EQ(s.EthParams.IPAddress.Text(), text);
        };
    };
    const auto port = [](const char* text) {
        return [text](const Settings& s, const forms::ServiceWindow&) {
            EXPECT_EQ(s.EthParams.Port.Text(), text);
        };
    };
    const auto field = [](auto member, const char* code) {
        return [member, code](const Settings& s, const forms::ServiceWindow&) {
            EXPECT_EQ((s.ComParams.*member).Text(), code);
        };
    };
    using iae17::ComParams;
    const EntryCase cases[] = {
        {"ipad: 10.0.0.7", ip("10.0.0.7        ")},
        {"IPAD:10.0.0.7.9", ip("10.0.0.7.9      ")},
        {"IPAD:-1.0.0.7", ip("-1.0.0.7        ")},
        {"IPAD:10.0.0.256", ip("192.168.1.101   ")},
        {"IPAD:10.0.0", ip("192.168.1.101   ")},
        {"IPAD:1.2.3.4.5.6.7.8.9.10", ip("1.2.3.4.5.6.7.8.")},
        {"PORT:8080", port("8080  ")},
        {"PORT:9998", port("9998  ")},
        {"PORT:9999", port("1000  ")},
        {"PORT:12345", port("1000  ")},
        {"PORT:abc", port("1000  ")},
        {"  PORT :  8080  ", port("1000  ")},
        {"  PORT:  8080  ", port("8080  ")},
        {"BAUD:115200", field(&ComParams::BaudRate, "4 ")},
        {"BAUD:300", field(&ComParams::BaudRate, "0 ")},
        {"BAUD:1200", field(&ComParams::BaudRate, "1 ")},
        {"BAUD:2400", field(&ComParams::BaudRate, "2 ")},
        {"BAUD:4800", field(&ComParams::BaudRate, "3 ")},
        {"BAUD:19200", field(&ComParams::BaudRate, "5 ")},
        {"BAUD:abc", field(&ComParams::BaudRate, "4 ")},
        {"PARI:e", field(&ComParams::Parity, "2 ")},
        {"PARI:O", field(&ComParams::Parity, "1 ")},
        {"PARI:N", field(&ComParams::Parity, "0 ")},
        {"PARI:even", field(&ComParams::Parity, "0 ")},
        {"PARI:", field(&ComParams::Parity, "1 ")},
        {"STOP:2", field(&ComParams::StopBits, "1 ")},
        {"STOP:1", field(&ComParams::StopBits, "0 ")},
        {"STOP:two", field(&ComParams::StopBits, "0 ")},
        {"BITS:7", field(&ComParams::DataBits, "0 ")},
        {"BITS:8", field(&ComParams::DataBits, "1 ")},
        {"PCOM:12", field(&ComParams::ComPort, "12    ")},
        {"PCOM:x", field(&ComParams::ComPort, "3     ")},
        {"TIPO:eth",
         [](const Settings& s, const forms::ServiceWindow& e) {
             EXPECT_EQ(s.ConnectionType, 0);
             EXPECT_EQ(e.cboTIPO.Text(), "ETH");
         }},
        {"TIPO:rs232",
         [](const Settings& s, const forms::ServiceWindow& e) {
             EXPECT_EQ(s.ConnectionType, 1);
             EXPECT_EQ(e.cboTIPO.Text(), "COM");
         }},
        {"ECRI:s",
         [](const Settings& s, const forms::ServiceWindow&) { EXPECT_TRUE(s.ecrIdRequired); }},
        {"ECRI:N",
         [](const Settings& s, const forms::ServiceWindow&) { EXPECT_FALSE(s.ecrIdRequired); }},
        {"ECRI:1",
         [](const Settings& s, const forms::ServiceWindow&) { EXPECT_FALSE(s.ecrIdRequired); }},
        {";IPAD:10.0.0.9", ip("192.168.1.101   ")},
        {"   ;IPAD:10.0.0.9", ip("192.168.1.101   ")},
        // Keys are tested in order and the first accepted one takes the line.
        {"TIPO:COM IPAD:10.0.0.9", ip("192.168.1.101   ")},
        {"IPAD:7 BITS:", field(&ComParams::DataBits, "1 ")},
    };
    for (const auto& c : cases) {
        Settings known;
        known.EthParams.IPAddress.Assign("192.168.1.101");
        known.EthParams.Port.Assign("1000");
        known.ComParams.BaudRate.Assign("9");
        known.ComParams.Parity.Assign("1");
        known.ComParams.ComPort.Assign("3");
        known.ComParams.DataBits.Assign("0");
        known.ecrIdRequired = std::string(c.line) == "ECRI:N";
        settings = known;
        Read(std::string(c.line) + "\r\n");
        SCOPED_TRACE(c.line);
        c.check(settings, editor);
    }
}

TEST_F(ConfigFileTest, PathValuesStartAtTheSixthCharacterWithQuotesRemoved) {
    const std::string io = dir.MakeFolder("I O");
    ASSERT_EQ(Read("INPF:\"" + io + "SRINPF.TXT\"\r\nOUTF:SROUTF.TXT\r\n"), "");
    EXPECT_EQ(settings.InputFilePath, io + "SRINPF.TXT");
    EXPECT_EQ(editor.txtINPF.Text(), io + "SRINPF.TXT");
    EXPECT_EQ(settings.OutputFilePath, dir / "SROUTF.TXT");  // a bare name: the file's folder
    EXPECT_TRUE(dialogs.shown.empty());

    // Blanks before the key shift the value: the line is misread, as it always was.
    Read("  INPF:" + io + "SRINPF.TXT\r\n");
    EXPECT_EQ(settings.InputFilePath, "F:" + io + "SRINPF.TXT");
}

TEST_F(ConfigFileTest, MissingPathFoldersAreReportedAndKept) {
    const std::string missing = dir.path() + "nowhere" + HostPlatform().Separator();
    ASSERT_EQ(Read("INPF:" + missing + "SRINPF.TXT\r\nOUTF:" + missing + "SROUTF.TXT\r\n"), "");
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{kInputFolderMissing, kOutputFolderMissing}));
    EXPECT_EQ(dialogs.shown[0].title, ports::kDefaultTitle);
    EXPECT_EQ(settings.InputFilePath, missing + "SRINPF.TXT");
    EXPECT_EQ(settings.OutputFilePath, missing + "SROUTF.TXT");
}

TEST_F(ConfigFileTest, EmptyPathValueNeverNamesTheConfigurationFolder) {
    settings.OutputFilePath = "old";
    ASSERT_EQ(Read("OUTF:\r\nINPF:  \"\"  \r\n"), "");
    EXPECT_EQ(settings.OutputFilePath, "");
    EXPECT_EQ(settings.InputFilePath, "");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ConfigFileTest, MissingFileChangesNothing) {
    console.txtEsito.SetText("OK");
    settings.InputFilePath = "kept";
    EXPECT_EQ(reader.LeggiDatiConfigurazione(dir / "absent.TXT"), kConfigNotFound);
    EXPECT_EQ(reader.LeggiDatiConfigurazione(dir.path()), kConfigNotFound);  // a folder
    EXPECT_EQ(console.txtEsito.Text(), "OK");
    EXPECT_EQ(settings.InputFilePath, "kept");
}

TEST_F(ConfigFileTest, ReadClearsTheConsoleResultAndMergesIntoEarlierSettings) {
    console.txtEsito.SetText("OK");
    console.txtPAN.SetText("1234");
    Read("IPAD:10.0.0.1\nPORT:2000\n");  // LF line ends are read too
    Read("PORT:3000\r\n");
    EXPECT_EQ(console.txtEsito.Text(), "");
    EXPECT_EQ(console.txtPAN.Text(), "");
    EXPECT_EQ(settings.EthParams.IPAddress.Text(), "10.0.0.1        ");
    EXPECT_EQ(settings.EthParams.Port.Text(), "3000  ");
}

// A configuration file that exists but cannot be read, as when another process locks it.
class UnreadableFiles : public platform::PlatformWrapper {
  public:
    UnreadableFiles() : PlatformWrapper(HostPlatform()) {}
    std::optional<std::string> ReadWholeFile(const std::string&) override { return std::nullopt; }
};

TEST_F(ConfigFileTest, UnreadableFileGivesAClearOutcome) {
    UnreadableFiles locked;
    fakes::TestSession lockedTest(locked);
    testing::WriteFile(configPath, "IPAD:10.0.0.1\r\n");
    EXPECT_EQ(lockedTest.session.ConfigFile().LeggiDatiConfigurazione(configPath),
              kConfigNotReadable);
    EXPECT_EQ(lockedTest.session.settings.EthParams.IPAddress.Text(), std::string(16, '\0'));
}

TEST_F(ConfigFileTest, WriterIsSilentWhenItCannotWrite) {
    reader.SalvaDatiConfigurazioneConPrefisso(dir.path() + "missing" + HostPlatform().Separator() +
                                              kConfigFileName);
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace varnix::config
