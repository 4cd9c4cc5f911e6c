// The system's message box on Qt: the critical-stop icon or none, the application's title when
// none is given, OK or OK and Cancel with OK the default. Shared by the windowed front end and by
// the run-once mode, which shows boxes without any window of its own.
#pragma once

#include <string>

#include "ports/Dialogs.h"

class QWidget;

namespace varnix::qt {

ports::Answer ShowMessageBox(const std::string& text, const std::string& title,
                             ports::Buttons buttons, ports::Icon icon, QWidget* parent);

}  // namespace varnix::qt
