#include "frontends/win32/ScreenFit.h"

#include <algorithm>

namespace varnix::win32 {

void FitAndPlace(HWND window, int width, int height, int offsetX) {
    RECT work{0, 0, 1024, 768};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT frame{0, 0, width, height};
    const auto style = static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongA(window, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&frame, style, ::GetMenu(window) != nullptr ? TRUE : FALSE, exStyle);
    const int frameWidth = std::min(frame.right - frame.left, work.right - work.left);
    const int frameHeight = std::min(frame.bottom - frame.top, work.bottom - work.top);
    const int x = std::max(work.left, std::min(work.left + offsetX, work.right - frameWidth));
    ::SetWindowPos(window, nullptr, x, work.top, frameWidth, frameHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace varnix::win32
