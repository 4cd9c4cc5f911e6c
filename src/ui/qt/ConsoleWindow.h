// The console window frmMain: a view of the console model. Every button forwards to the model's
// action; the view then shows whatever the action changed.
#pragma once

#include <QWidget>
#include <functional>

#include "ui/qt/FormBinder.h"

namespace varnix::ui {
class ConsoleForm;
}

namespace varnix::ui::qt {

class ConsoleWindow : public QWidget {
  public:
    ConsoleWindow(ConsoleForm& model, std::function<void()> afterAction);

    void Pull();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    ConsoleForm& model_;
    std::function<void()> afterAction_;
    FormBinder binder_;
    QLabel* terminalCaption_ = nullptr;
};

}  // namespace varnix::ui::qt
