// The run-once mode of varnixpos on a display: the headless front end, whose message boxes are
// real windows. Qt is loaded only when the first box appears, so a command that runs cleanly
// costs no more than varnixpos-cli. Without the windowed module the boxes go to standard error.
#pragma once

#include "frontends/app/QtModuleLoader.h"
#include "frontends/headless/HeadlessFrontEnd.h"

namespace varnix::app {

class RunOnceFrontEnd : public headless::HeadlessFrontEnd {
  public:
    explicit RunOnceFrontEnd(QtModuleLoader& module) : module_(module) {}

    ports::Answer Show(const std::string& text, const std::string& title, ports::Buttons buttons,
                       ports::Icon icon) override;

  private:
    QtModuleLoader& module_;
};

}  // namespace varnix::app
