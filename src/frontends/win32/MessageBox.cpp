#include "frontends/win32/MessageBox.h"

#include "forms/AboutBox.h"

namespace varnix::win32 {

ports::Answer ShowMessageBox(HWND owner, const std::string& text, const std::string& title,
                             ports::Buttons buttons, ports::Icon icon) {
    UINT style = buttons == ports::Buttons::OkCancel ? MB_OKCANCEL : MB_OK;
    if (icon == ports::Icon::Critical) {
        style |= MB_ICONSTOP;
    }
    // Without an owner (the run-once mode has no window) the box must not open behind the
    // program that started us.
    if (owner == nullptr) {
        style |= MB_SETFOREGROUND | MB_TASKMODAL;
    }
    const std::string shownTitle = title.empty() ? forms::AboutBox::kApplicationTitle : title;
    return ::MessageBoxA(owner, text.c_str(), shownTitle.c_str(), style) == IDOK
               ? ports::Answer::Ok
               : ports::Answer::Cancel;
}

}  // namespace varnix::win32
