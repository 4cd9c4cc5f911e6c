// Chooses the run mode from the command-line text: "-E", "-V" and "-I" are looked for anywhere in
// the text, case ignored, in that order; the first found decides. The run-once mode's
// configuration path is everything after "-E" with the double quotes removed, nothing trimmed.
#pragma once

#include <string>
#include <string_view>

namespace varnix::startup {

enum class RunMode { RunOnce, Version, Interactive, Resident };

struct RunModeChoice {
    RunMode mode = RunMode::Resident;
    std::string configPath;  // run-once only
    bool operator==(const RunModeChoice&) const = default;
};

RunModeChoice ChooseRunMode(std::string_view commandLine);

}  // namespace varnix::startup
