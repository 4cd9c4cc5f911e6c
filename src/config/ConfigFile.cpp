#include "config/ConfigFile.h"

#include <array>
#include <optional>

#include "config/Paths.h"
#include "text/AnsiText.h"

namespace varnix::config {

namespace {

// The keys in the order the reader tests them; a line may carry a key anywhere.
enum Key { kTipo, kIpad, kPort, kPcom, kBaud, kStop, kBits, kPari, kEcri, kInpf, kOutf, kKeyCount };
constexpr std::array<const char*, kKeyCount> kKeys = {
    "TIPO:", "IPAD:", "PORT:", "PCOM:", "BAUD:", "STOP:",
    "BITS:", "PARI:", "ECRI:", "INPF:", "OUTF:"};

// The value of an ordinary entry: the second ":"-field of the trimmed line, trimmed.
std::optional<std::string> SecondField(const std::string& line) {
    const auto fields = text::Split(text::TrimBlanks(line), ':');
    if (fields.size() < 2) {
        return std::nullopt;
    }
    return std::string(text::TrimBlanks(fields[1]));
}

// Serial speed to the code of the console's speed list; unknown speeds run at 9600.
const char* BaudCode(int speed) {
    switch (speed) {
        case 300:
            return "0";
        case 1200:
            return "1";
        case 2400:
            return "2";
        case 4800:
            return "3";
        case 19200:
            return "5";
        default:
            return "4";
    }
}

bool NumericEquals(const std::string& value, double expected) {
    const auto number = text::ParseNumber(value);
    return number && *number == expected;
}

}  // namespace

std::string ConfigFile::LeggiDatiConfigurazione(const std::string& path) {
    if (!platform_.FileExists(path)) {
        return kConfigNotFound;
    }
    console_.ClearResult();
    const auto contents = platform_.ReadWholeFile(path);
    if (!contents) {
        return kConfigNotReadable;
    }
    for (const auto& line : text::SplitLines(*contents)) {
        if (line.empty() || text::TrimBlanks(line).starts_with(';')) {
            continue;
        }
        for (int key = 0; key < kKeyCount; ++key) {
            if (text::ContainsNoCase(line, kKeys[static_cast<std::size_t>(key)]) &&
                ApplyEntry(key, line, path)) {
                break;
            }
        }
    }
    return "";
}

bool ConfigFile::ApplyEntry(int key, const std::string& line, const std::string& path) {
    if (key == kInpf || key == kOutf) {
        ApplyPath(key == kInpf, line, path);
        return true;
    }
    const auto field = SecondField(line);
    if (!field) {
        return false;
    }
    const std::string& value = *field;
    auto& eth = settings_.EthParams;
    auto& com = settings_.ComParams;
    switch (key) {
        case kTipo: {
            const bool ethernet = text::ToUpper(value).find("ETH") != std::string::npos;
            settings_.ConnectionType = ethernet ? 0 : 1;
            service_.cboTIPO.SetText(ethernet ? "ETH" : "COM");
            return true;
        }
        case kIpad:
            if (!IsValidIP(value)) {
                return false;
            }
            eth.IPAddress.Assign(value);
            console_.txtIP.SetText(eth.IPAddress.Text());
            service_.txtIpAddress.SetText(text::TrimBlanks(eth.IPAddress.Text()));
            return true;
        case kPort: {
            const auto number = text::ParseNumber(value);
            if (!number || !(*number < 9999)) {
                return false;
            }
            eth.Port.Assign(value);
            console_.txtPorta.SetText(eth.Port.Text());
            service_.txtPortEth.SetText(value);
            return true;
        }
        case kPcom:
            if (!text::IsNumeric(value)) {
                return false;
            }
            com.ComPort.Assign(value);
            service_.cmbComExtended.SetText(value);
            return true;
        case kBaud: {
            const auto number = text::ParseNumber(value);
            const int speed = number ? text::RoundHalfEven(*number) : 0;
            com.BaudRate.Assign(BaudCode(speed));
            service_.cmdBaud.SetText(std::to_string(speed));
            return true;
        }
        case kStop:
            com.StopBits.Assign(NumericEquals(value, 2) ? "1" : "0");
            service_.cmbStopBit.SetText(value);
            return true;
        case kBits:
            com.DataBits.Assign(NumericEquals(value, 7) ? "0" : "1");
            service_.cmbDataBits.SetText(value);
            return true;
        case kPari: {
            if (value.empty()) {
                return false;
            }
            const std::string upper = text::ToUpper(value);
            com.Parity.Assign(upper == "E" ? "2" : upper == "O" ? "1" : "0");
            service_.cmbParity.SetText(upper);
            return true;
        }
        case kEcri:
            settings_.ecrIdRequired = text::ToUpper(value) == "S";
            return true;
        default:
            return false;
    }
}

void ConfigFile::ApplyPath(bool input, const std::string& line, const std::string& path) {
    // The value starts at the sixth character of the raw line, so the key must open the line.
    std::string value = text::RemoveAll(
        text::TrimBlanks(line.size() > 5 ? std::string_view(line).substr(5) : std::string_view()),
        '"');
    std::string& setting = input ? settings_.InputFilePath : settings_.OutputFilePath;
    forms::TextBox& field = input ? service_.txtINPF : service_.txtOUTF;
    if (value.empty()) {
        // An empty value would otherwise name the configuration file's own folder, and the
        // polling cycle deletes whatever OUTF names: an empty setting leaves polling idle instead.
        setting.clear();
        field.SetText("");
        return;
    }
    if (IsBareFileName(value, platform_.Style())) {
        value = GetPathFolder(path, platform_.Style()) + value;
    }
    setting = value;
    field.SetText(value);
    const std::string folder = GetPathFolder(value, platform_.Style());
    if (!platform_.FolderExists(folder.empty() ? "." : folder)) {
        dialogs_.Inform(input ? kInputFolderMissing : kOutputFolderMissing);
    }
}

void ConfigFile::SalvaDatiConfigurazioneConPrefisso(const std::string& currfile) {
    const std::array<std::pair<const char*, const std::string*>, 10> lines = {{
        {"TIPO:", &service_.cboTIPO.Text()},
        {"PCOM:", &service_.cmbComExtended.Text()},
        {"BAUD:", &service_.cmdBaud.Text()},
        {"PARI:", &service_.cmbParity.Text()},
        {"BITS:", &service_.cmbDataBits.Text()},
        {"STOP:", &service_.cmbStopBit.Text()},
        {"INPF:", &service_.txtINPF.Text()},
        {"OUTF:", &service_.txtOUTF.Text()},
        {"IPAD:", &service_.txtIpAddress.Text()},
        {"PORT:", &service_.txtPortEth.Text()},
    }};
    std::string contents;
    for (const auto& [key, value] : lines) {
        contents += key;
        contents += *value;
        contents += text::kCrLf;
    }
    platform_.WriteWholeFile(currfile, contents);
}

}  // namespace varnix::config
