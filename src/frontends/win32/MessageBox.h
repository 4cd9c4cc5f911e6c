// The core's message boxes as MessageBoxA: its text and title as they are (Windows-1252), the
// application's title when the core gives none, the critical-stop icon for a field check.
#pragma once

#include <string>

#include "frontends/win32/WindowsApi.h"
#include "ports/Dialogs.h"

namespace varnix::win32 {

ports::Answer ShowMessageBox(HWND owner, const std::string& text, const std::string& title,
                             ports::Buttons buttons, ports::Icon icon);

}  // namespace varnix::win32
