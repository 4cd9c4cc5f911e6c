// The console window frmMain: a view of the console model. Every button forwards to its action
// (engine::ConsoleActions); the view then shows whatever the action changed.
#pragma once

#include <functional>
#include <memory>

#include "frontends/win32/FormBinder.h"
#include "frontends/win32/Window.h"

namespace varnix::forms {
class ConsoleForm;
}
namespace varnix::engine {
class ConsoleActions;
}

namespace varnix::win32 {

class ConsoleView : public Window {
  public:
    ConsoleView(forms::ConsoleForm& model, engine::ConsoleActions& actions,
                std::function<void()> afterAction, int offsetX);

    // Shows the model; `paintNow` paints what changed before returning (see FormBinder::Pull).
    void Pull(bool paintNow = false);

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Build();

    forms::ConsoleForm& model_;
    engine::ConsoleActions& actions_;
    std::function<void()> afterAction_;
    std::unique_ptr<FormBinder> binder_;
    HWND terminalCaption_ = nullptr;
    bool busy_ = false;
};

}  // namespace varnix::win32
