// The console window frmMain: a view of the console model. Every button forwards to its action
// (engine::ConsoleActions); the view then shows whatever the action changed.
#pragma once

#include <QWidget>
#include <functional>

#include "frontends/qt/FormBinder.h"

namespace varnix::forms {
class ConsoleForm;
}
namespace varnix::engine {
class ConsoleActions;
}

namespace varnix::qt {

class ConsoleWindow : public QWidget {
  public:
    ConsoleWindow(forms::ConsoleForm& model, engine::ConsoleActions& actions,
                  std::function<void()> afterAction);

    // Shows the model; `paintNow` paints what changed before returning (see FormBinder::Pull).
    void Pull(bool paintNow = false);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    forms::ConsoleForm& model_;
    engine::ConsoleActions& actions_;
    std::function<void()> afterAction_;
    FormBinder binder_;
    QLabel* terminalCaption_ = nullptr;
};

}  // namespace varnix::qt
