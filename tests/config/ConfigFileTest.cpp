#include "config/ConfigFile.h"

#include <gtest/gtest.h>

#include <map>

#include "config/FileNames.h"
#include "config/Paths.h"
#include "fakes/FaultyFiles.h"
#include "fakes/TestSession.h"
#include "text/AnsiText.h"

namespace varnix::config {
namespace {

using State = std::map<std::string, std::string>;

// A table kept beside the tests: one row a line, TABs between its fields.
std::vector<std::vector<std::string>> Rows(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : text::SplitLines(
             testing::ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/config/golden/" + name))) {
        rows.push_back(text::Split(line, '\t'));
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

class ConfigFileTest : public ::testing::Test {
  protected:
    ConfigFileTest() { editor.CaricaValoriDefault(dir / kCommandFileName, dir / kResultFileName); }

    std::string Read(const std::string& contents) {
        testing::WriteFile(configPath, contents);
        return reader.LeggiDatiConfigurazione(configPath);
    }

    // Everything an entry may set, by its key; paths inside the test folder start with "~".
    State Now() const {
        const auto local = [this](const std::string& path) {
            return path.starts_with(dir.path()) ? "~" + path.substr(dir.path().size()) : path;
        };
        const auto& eth = settings.EthParams;
        const auto& com = settings.ComParams;
        // clang-format off
        return {{"TIPO", std::to_string(settings.ConnectionType) + editor.cboTIPO.Text()},
                {"IPAD", eth.IPAddress.Text()}, {"PORT", eth.Port.Text()},
                {"PCOM", com.ComPort.Text()}, {"BAUD", com.BaudRate.Text()},
                {"STOP", com.StopBits.Text()}, {"BITS", com.DataBits.Text()},
                {"PARI", com.Parity.Text()}, {"ECRI", settings.ecrIdRequired ? "S" : "N"},
                {"INPF", local(settings.InputFilePath)}, {"OUTF", local(settings.OutputFilePath)}};
        // clang-format on
    }

    fakes::FaultyFiles files;
    fakes::TestSession test{files};
    const testing::TempDir& dir = test.dir;
    const std::string configPath = dir / kConfigFileName;
    Settings& settings = test.session.settings;
    fakes::FakeDialogs& dialogs = test.dialogs;
    forms::ConsoleForm& console = test.session.console;
    forms::ServiceWindow& editor = test.session.service;
    ConfigFile reader = test.session.ConfigFile();
};

TEST_F(ConfigFileTest, DefaultsAndEditedValuesAreSavedByteForByteAndReadBack) {
    reader.SalvaDatiConfigurazioneConPrefisso(configPath);
    EXPECT_EQ(testing::ReadFile(configPath),
              testing::Golden("ConfigVnxPos_first_start.TXT", dir.path()));
    ASSERT_EQ(reader.LeggiDatiConfigurazione(configPath), "");
    State defaults, edited;
    for (const auto& row : Rows("saved-settings.txt")) {
        defaults[row.at(0)] = row.at(1);
        edited[row.at(0)] = row.at(2);
    }
    EXPECT_EQ(Now(), defaults);
    EXPECT_TRUE(dialogs.shown.empty());

    editor.cboTIPO.SetText("COM");
    editor.cmbComExtended.SetText("7");  // typed, not picked
    editor.cmdBaud.SetText("19200");
    editor.cmbParity.SetText("E");
    editor.cmbDataBits.SetText("8");
    editor.cmbStopBit.SetText("2");
    editor.txtIpAddress.SetText("10.1.2.3");
    editor.txtPortEth.SetText("8080");
    reader.SalvaDatiConfigurazioneConPrefisso(configPath);
    settings = {};
    editor.CaricaValoriDefault("", "");
    ASSERT_EQ(reader.LeggiDatiConfigurazione(configPath), "");
    EXPECT_EQ(Now(), edited);
    EXPECT_EQ(
        testing::Join({editor.cmbComExtended.Text(), editor.cmdBaud.Text(), editor.cmbParity.Text(),
                       editor.cmbDataBits.Text(), editor.cmbStopBit.Text(),
                       editor.txtIpAddress.Text(), editor.txtPortEth.Text(), editor.txtINPF.Text(),
                       console.txtIP.Text(), console.txtPorta.Text()}),
        "7|19200|E|8|2|10.1.2.3|8080|" + dir / "SRINPF.TXT" + "|10.1.2.3        |8080  ");
}

TEST_F(ConfigFileTest, EachLineSetsWhatItsFirstAcceptedKeyNamesAndNothingElse) {
    // Each line on known settings, and what the key it starts with must hold afterwards (no
    // value: the line changes nothing). Keys are tested in order, every one sees the line's
    // second ":"-field, and the first accepted one takes the line.
    for (const auto& row : Rows("lines.txt")) {
        const std::string& line = row.at(0);
        settings = {};
        settings.ConnectionType = 7;
        settings.InputFilePath = "in";
        settings.OutputFilePath = "out";
        editor.cboTIPO.SetListIndex(-1);
        settings.EthParams.IPAddress.Assign("192.168.1.101");
        settings.EthParams.Port.Assign("1000");
        settings.ComParams.ComPort.Assign("9");
        for (auto* field : {&settings.ComParams.BaudRate, &settings.ComParams.Parity,
                            &settings.ComParams.DataBits, &settings.ComParams.StopBits}) {
            field->Assign("9");
        }
        State expected = Now();
        if (row.size() > 1) {
            expected[std::string(text::TrimBlanks(text::ToUpper(line)).substr(0, 4))] = row[1];
        }
        Read(line + "\r\n");
        EXPECT_EQ(Now(), expected) << line;
    }
    Read("IPAD:7 BITS:\r\n");  // the address refused, the empty bit count taken
    EXPECT_EQ(settings.ComParams.DataBits.Text() + settings.EthParams.Port.Text(), "1 1000  ");
    settings.ecrIdRequired = true;
    Read("ECRI:N\r\n");
    EXPECT_FALSE(settings.ecrIdRequired);
    settings.ecrIdRequired = true;
    Read("PARI::ECRI:S\r\n");  // the empty parity refused, the same empty value taken by ECRI:
    EXPECT_FALSE(settings.ecrIdRequired);
#ifdef _WIN32
    // There "INPF:x OUTF:" names a file whose folder ends at the drive separator: none exists.
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{kInputFolderMissing});
#else
    EXPECT_TRUE(dialogs.shown.empty());
#endif
}

TEST_F(ConfigFileTest, PathValuesStartAtTheSixthCharacterWithQuotesRemoved) {
    const std::string io = dir.MakeFolder("I O");
    ASSERT_EQ(Read("INPF:\"" + io + "SRINPF.TXT\"\r\nOUTF:SROUTF.TXT\r\n"), "");
    // A bare name lives in the configuration file's folder.
    EXPECT_EQ(
        testing::Join({settings.InputFilePath, editor.txtINPF.Text(), settings.OutputFilePath}),
        testing::Join({io + "SRINPF.TXT", io + "SRINPF.TXT", dir / "SROUTF.TXT"}));
    // An empty value never names the configuration file's own folder.
    ASSERT_EQ(Read("OUTF:\r\nINPF:  \"\"  \r\n"), "");
    EXPECT_EQ(settings.OutputFilePath + settings.InputFilePath, "");
    EXPECT_TRUE(dialogs.shown.empty());
    // Blanks before the key shift the value: the line is misread, as it always was.
    Read("  INPF:" + io + "SRINPF.TXT\r\n");
    EXPECT_EQ(settings.InputFilePath, "F:" + io + "SRINPF.TXT");

    // Missing folders are reported, and the paths kept.
    dialogs.shown.clear();
    ASSERT_EQ(Read("INPF:" + dir.InMissingFolder("I.TXT") +
                   "\r\nOUTF:" + dir.InMissingFolder("O.TXT") + "\r\n"),
              "");
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{kInputFolderMissing, kOutputFolderMissing}));
    EXPECT_EQ(dialogs.shown[0].title, ports::kDefaultTitle);
    EXPECT_EQ(settings.InputFilePath + settings.OutputFilePath,
              dir.InMissingFolder("I.TXT") + dir.InMissingFolder("O.TXT"));
}

TEST_F(ConfigFileTest, ReadClearsTheConsoleResultAndMergesIntoEarlierSettings) {
    console.txtEsito.SetText("OK");
    console.txtPAN.SetText("1234");
    Read("IPAD:10.0.0.1\nPORT:2000\n");  // LF line ends are read too
    Read("PORT:3000\r\n");
    EXPECT_EQ(console.txtEsito.Text() + console.txtPAN.Text(), "");
    EXPECT_EQ(settings.EthParams.IPAddress.Text() + settings.EthParams.Port.Text(),
              "10.0.0.1        3000  ");
}

TEST_F(ConfigFileTest, MissingOrUnreadableFileChangesNothing) {
    console.txtEsito.SetText("OK");
    settings.InputFilePath = "kept";
    EXPECT_EQ(reader.LeggiDatiConfigurazione(dir / "absent.TXT"), kConfigNotFound);
    EXPECT_EQ(reader.LeggiDatiConfigurazione(dir.path()), kConfigNotFound);  // a folder
    EXPECT_EQ(console.txtEsito.Text() + settings.InputFilePath, "OKkept");

    reader.SalvaDatiConfigurazioneConPrefisso(dir.InMissingFolder(kConfigFileName));
    EXPECT_TRUE(dialogs.shown.empty());  // the writer fails silently

    files.unreadable = "";  // as while another process locks it
    EXPECT_EQ(Read("IPAD:10.0.0.1\r\n"), kConfigNotReadable);
    EXPECT_EQ(settings.EthParams.IPAddress.Text(), std::string(16, '\0'));
}

constexpr PathStyle kW = PathStyle::Windows;
constexpr PathStyle kP = PathStyle::Posix;

TEST(PathsTest, FolderEndsAtTheLastSeparatorOfThePlatform) {
    for (const auto& row : Rows("path-folders.txt")) {
        EXPECT_EQ(GetPathFolder(row.at(1), row.at(0) == "W" ? kW : kP), row.at(2)) << row[1];
    }
    EXPECT_EQ((std::vector{IsBareFileName("SROUTF.TXT", kW), IsBareFileName("D:\\SROUTF.TXT", kW),
                           IsBareFileName("D:SROUTF.TXT", kW), IsBareFileName("/d/SROUTF.TXT", kP),
                           IsBareFileName("D:\\SROUTF.TXT", kP)}),
              (std::vector{true, false, true, false, true}));
}

}  // namespace
}  // namespace varnix::config
