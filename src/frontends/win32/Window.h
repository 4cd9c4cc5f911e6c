// A top-level window whose messages reach a C++ object. Each window class is registered once, at
// the first window of its kind; the object owns its window and destroys it with itself.
#pragma once

#include "frontends/win32/WindowsApi.h"

namespace varnix::win32 {

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return window_; }

  protected:
    // `parent` HWND_MESSAGE makes a window that only receives messages (timers).
    void Create(const char* className, const char* title, DWORD style, HWND parent = nullptr,
                HMENU menu = nullptr);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

// The application's icon from the executable's resources, the system's when it carries none.
HICON ApplicationIcon();

}  // namespace varnix::win32
