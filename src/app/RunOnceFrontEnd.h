// The run-once mode of varnixpos on a display: the headless front end, whose message boxes are
// real windows. Qt is loaded only when the first box appears, so a command that runs cleanly
// costs no more than varnixpos-cli. Without the windowed module the boxes go to standard error.
#pragma once

#include "app/QtModule.h"
#include "headless/HeadlessFrontEnd.h"

namespace varnix::app {

class RunOnceFrontEnd : public headless::HeadlessFrontEnd {
  public:
    explicit RunOnceFrontEnd(QtModule& module) : module_(module) {}

    ports::Answer Show(const std::string& text, const std::string& title, ports::Buttons buttons,
                       ports::Icon icon) override;

  private:
    QtModule& module_;
};

}  // namespace varnix::app
