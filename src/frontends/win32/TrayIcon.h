// The service window's notification-area icon. Its events come to the window as WM_MOUSEMOVE
// whose X coordinate is the mouse message (WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, ...), the form the
// service window model reads them in; the icon's own id in wParam tells them from real moves.
#pragma once

#include "frontends/win32/WindowsApi.h"

namespace varnix::win32 {

class TrayIcon {
  public:
    explicit TrayIcon(HWND window);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Shows or removes the icon. Showing fails while there is no notification area; it is tried
    // again now and then, since a taskbar may start after us.
    void SetShown(bool shown);
    bool Shown() const { return shown_; }
    // Explorer restarted ("TaskbarCreated"): the icon must be added again.
    void Readd();

    static bool IsTrayEvent(WPARAM wParam) { return wParam == kIconId; }
    static UINT TaskbarCreatedMessage();

  private:
    bool Add();

    // The id of the described TrayIconData. It equals MK_LBUTTON, so a move over the window with
    // the left button down reads as a tray event too: the model then sees its X, as it would.
    static constexpr UINT kIconId = 1;
    static constexpr DWORD kRetryMs = 5000;
    HWND window_;
    bool shown_ = false;
    bool wanted_ = false;
    DWORD lastTry_ = 0;
};

}  // namespace varnix::win32
