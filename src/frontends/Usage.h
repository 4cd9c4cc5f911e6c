// The usage text of varnixpos and varnixpos-cli. Asked for with -h, --help or /? as a whole
// argument — none of them holds "-E", "-V" or "-I", so the run-mode switches, found anywhere on
// the command line, never see them — and only when no switch chose a mode.
#pragma once

#include <string>

namespace varnix::frontends {

bool AsksForHelp(int argc, const char* const* argv);

std::string UsageText(const std::string& program);

}  // namespace varnix::frontends
