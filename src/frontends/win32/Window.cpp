#include "frontends/win32/Window.h"

namespace varnix::win32 {

namespace {

constexpr int kIconResource = 1;  // frontends/resources/version.rc.in

}  // namespace

HICON ApplicationIcon() {
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kIconResource));
    return icon != nullptr ? icon : ::LoadIconA(nullptr, IDI_APPLICATION);
}

Window::~Window() {
    if (window_ != nullptr) {
        // The derived part is gone already: the last messages go to the default procedure.
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

void Window::Create(const char* className, const char* title, DWORD style, HWND parent,
                    HMENU menu) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA known{};
    known.cbSize = sizeof known;
    if (::GetClassInfoExA(instance, className, &known) == 0) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Window::Route;
        windowClass.hInstance = instance;
        windowClass.hIcon = ApplicationIcon();
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = className;
        ::RegisterClassExA(&windowClass);
    }
    ::CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, parent, menu, instance, this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

}  // namespace varnix::win32
