// The run-once mode (-E) of varnixpos.exe: the headless front end, no window of its own, but its
// message boxes are real ones (MessageBoxA), since a GUI program has no console to write them to.
#pragma once

#include "frontends/headless/HeadlessFrontEnd.h"

namespace varnix::win32 {

class RunOnceFrontEnd : public headless::HeadlessFrontEnd {
  public:
    ports::Answer Show(const std::string& text, const std::string& title, ports::Buttons buttons,
                       ports::Icon icon) override;
};

}  // namespace varnix::win32
