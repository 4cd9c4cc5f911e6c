#include "config/ParamFile.h"

#include "text/AnsiText.h"

namespace varnix::config {

namespace {

// The list itself refuses what it does not have (-1 clears the selection).
void SelectStoredPosition(forms::ComboBox& list, const std::string& line) {
    const auto value = text::ParseNumber(text::TrimBlanks(line));
    if (value && *value < list.ListCount()) {
        list.SetListIndex(text::RoundHalfEven(*value));
    }
}

}  // namespace

void SalvaParametri(platform::Platform& platform, const std::string& path,
                    const forms::ServiceWindow& service) {
    std::string contents;
    contents += service.chkEnableLog.checked ? "1" : "0";
    contents += text::kCrLf;
    contents += service.chbNoIcon.checked ? "1" : "0";
    contents += text::kCrLf;
    contents += std::to_string(service.ComboSecondi.ListIndex());
    contents += text::kCrLf;
    contents += std::to_string(service.ComboResult.ListIndex());
    contents += text::kCrLf;
    platform.WriteWholeFile(path, contents);
}

void LeggiParametri(platform::Platform& platform, const std::string& path,
                    forms::ServiceWindow& service) {
    const auto contents = platform.ReadWholeFile(path);
    if (!contents) {
        // Every read fails and counts as an empty line.
        service.chkEnableLog.checked = false;
        service.chbNoIcon.checked = false;
        return;
    }
    const auto lines = text::SplitLines(*contents);
    if (lines.size() > 0) {
        service.chkEnableLog.checked = lines[0] == "1";
    }
    if (lines.size() > 1) {
        service.chbNoIcon.checked = lines[1] == "1";
    }
    if (lines.size() > 2) {
        SelectStoredPosition(service.ComboSecondi, lines[2]);
    }
    if (lines.size() > 3) {
        SelectStoredPosition(service.ComboResult, lines[3]);
    }
}

}  // namespace varnix::config
