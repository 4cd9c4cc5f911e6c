// The About box frmAbout: a modal view of the About box model, over its owner, until OK or the
// close box.
#pragma once

#include "frontends/win32/Window.h"

namespace varnix::forms {
class AboutBox;
}

namespace varnix::win32 {

class AboutWindow : public Window {
  public:
    AboutWindow(const forms::AboutBox& model, HWND owner);
    ~AboutWindow() override;

    // Returns when the box is closed; a WM_QUIT meanwhile closes it and stays queued.
    void ShowModal();

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    HWND owner_;
    HFONT font_ = nullptr;
    HFONT titleFont_ = nullptr;
    bool done_ = false;
};

}  // namespace varnix::win32
