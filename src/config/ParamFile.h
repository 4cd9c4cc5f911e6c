// The parameter file ParamVnxPos.TXT: four lines remembering the service window's log switch,
// tray switch and the positions of its two test lists. Neither routine ever reports a failure.
#pragma once

#include <string>

#include "forms/ServiceWindow.h"
#include "platform/Platform.h"

namespace varnix::config {

void SalvaParametri(platform::Platform& platform, const std::string& path,
                    const forms::ServiceWindow& service);

// A file that cannot be read clears both switches and leaves the lists; lines the file does not
// have change nothing; a list position is taken only when it is numeric and below the list's size.
void LeggiParametri(platform::Platform& platform, const std::string& path,
                    forms::ServiceWindow& service);

}  // namespace varnix::config
