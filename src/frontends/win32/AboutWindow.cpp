#include "frontends/win32/AboutWindow.h"

#include "forms/AboutBox.h"
#include "frontends/win32/FormBinder.h"

namespace varnix::win32 {

namespace {

constexpr int kWidth = 530;
constexpr int kHeight = 172;

}  // namespace

AboutWindow::AboutWindow(const forms::AboutBox& model, HWND owner) : owner_(owner) {
    Create("VarnixPosAbout", model.caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, owner);
    HWND window = Handle();
    FormBinder layout(window);
    const auto scale = [&layout](int pixels) { return layout.Scale(pixels); };
    // The binder lays out at the screen's dpi; its font goes with it, so the box keeps copies.
    LOGFONTA body{};
    ::GetObjectA(layout.Font(), sizeof body, &body);
    font_ = ::CreateFontIndirectA(&body);
    LOGFONTA title = body;
    title.lfWeight = FW_BOLD;
    title.lfHeight = title.lfHeight < 0 ? title.lfHeight - scale(3) : title.lfHeight + scale(3);
    titleFont_ = ::CreateFontIndirectA(&title);

    const auto make = [&](const char* windowClass, const char* text, DWORD style, int x, int y,
                          int width, int height, int id, HFONT font) {
        HWND control = ::CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style,
                                         scale(x), scale(y), scale(width), scale(height), window,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    HWND icon = make("STATIC", "", SS_ICON, 12, 12, 32, 32, 0, font_);
    ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(ApplicationIcon()), 0);
    // The title stays on one line; the description wraps.
    make("STATIC", model.lblTitle.caption.c_str(), SS_LEFTNOWORDWRAP | SS_NOPREFIX, 60, 12, 460, 24,
         0, titleFont_);
    make("STATIC", model.lblVersion.caption.c_str(), SS_LEFT | SS_NOPREFIX, 60, 40, 460, 16, 0,
         font_);
    make("STATIC", "", SS_ETCHEDHORZ, 60, 62, 460, 2, 0, font_);
    make("STATIC", model.lblDescription.caption.c_str(), SS_LEFT | SS_NOPREFIX, 60, 70, 460, 48, 0,
         font_);
    make("STATIC", "", SS_ETCHEDHORZ, 60, 124, 460, 2, 0, font_);
    HWND ok = make("BUTTON", model.cmdOKCaption.c_str(), WS_TABSTOP | BS_DEFPUSHBUTTON, 430, 136,
                   90, 25, IDOK, font_);

    // Centred over the owner, or over the screen without one.
    RECT frame{0, 0, scale(kWidth), scale(kHeight)};
    ::AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT over{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (owner != nullptr && ::IsWindowVisible(owner) != FALSE) {
        ::GetWindowRect(owner, &over);
    }
    ::SetWindowPos(window, nullptr, over.left + (over.right - over.left - width) / 2,
                   over.top + (over.bottom - over.top - height) / 2, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetFocus(ok);
}

AboutWindow::~AboutWindow() {
    if (titleFont_ != nullptr) {
        ::DeleteObject(titleFont_);
    }
    if (font_ != nullptr) {
        ::DeleteObject(font_);
    }
}

void AboutWindow::ShowModal() {
    const bool ownerWasEnabled = owner_ != nullptr && ::IsWindowEnabled(owner_) != FALSE;
    if (ownerWasEnabled) {
        ::EnableWindow(owner_, FALSE);
    }
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    ::SetFocus(::GetDlgItem(Handle(), IDOK));
    MSG message;
    while (!done_) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            ::PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
            break;
        }
        if (::IsDialogMessageA(Handle(), &message) == FALSE) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    // The owner is enabled before the box goes, so that it, not another program, is activated.
    if (ownerWasEnabled) {
        ::EnableWindow(owner_, TRUE);
    }
    ::ShowWindow(Handle(), SW_HIDE);
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                done_ = true;
                return 0;
            }
            break;
        case WM_CLOSE:
            done_ = true;
            return 0;
        default:
            break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace varnix::win32
