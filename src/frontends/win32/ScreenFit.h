// Sizing and placing the top-level windows so that they are wholly on the work area (the screen
// less the taskbar), down to 1024x768.
#pragma once

#include "frontends/win32/WindowsApi.h"

namespace varnix::win32 {

// Sizes `window` for a client area of `width` x `height` pixels, no larger than the work area, and
// puts it at `offsetX` from the work area's left edge, or as far right as still fits.
void FitAndPlace(HWND window, int width, int height, int offsetX);

}  // namespace varnix::win32
