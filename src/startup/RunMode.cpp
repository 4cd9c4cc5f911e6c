#include "startup/RunMode.h"

#include "text/AnsiText.h"

namespace varnix::startup {

RunModeChoice ChooseRunMode(std::string_view commandLine) {
    if (const auto at = text::FindNoCase(commandLine, "-E"); at != std::string_view::npos) {
        return {RunMode::RunOnce, text::RemoveAll(commandLine.substr(at + 2), '"')};
    }
    if (text::ContainsNoCase(commandLine, "-V")) {
        return {RunMode::Version, {}};
    }
    if (text::ContainsNoCase(commandLine, "-I")) {
        return {RunMode::Interactive, {}};
    }
    return {RunMode::Resident, {}};
}

}  // namespace varnix::startup
