#include "frontends/win32/TrayIcon.h"

#include <cstring>

#include "forms/ServiceWindow.h"
#include "frontends/win32/Window.h"

namespace varnix::win32 {

TrayIcon::TrayIcon(HWND window) : window_(window) {}

TrayIcon::~TrayIcon() {
    SetShown(false);
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

bool TrayIcon::Add() {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_MOUSEMOVE;
    data.hIcon = ApplicationIcon();
    std::strncpy(data.szTip, forms::ServiceWindow::kTrayTip, sizeof data.szTip - 1);
    lastTry_ = ::GetTickCount();
    return ::Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

void TrayIcon::SetShown(bool shown) {
    wanted_ = shown;
    if (shown && !shown_) {
        if (lastTry_ == 0 || ::GetTickCount() - lastTry_ >= kRetryMs) {
            shown_ = Add();
        }
    } else if (!shown && shown_) {
        NOTIFYICONDATAA data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = kIconId;
        ::Shell_NotifyIconA(NIM_DELETE, &data);
        shown_ = false;
        lastTry_ = 0;
    }
}

void TrayIcon::Readd() {
    if (wanted_) {
        shown_ = Add();
    }
}

}  // namespace varnix::win32
