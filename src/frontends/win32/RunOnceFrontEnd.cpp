#include "frontends/win32/RunOnceFrontEnd.h"

#include "frontends/win32/MessageBox.h"

namespace varnix::win32 {

ports::Answer RunOnceFrontEnd::Show(const std::string& text, const std::string& title,
                                    ports::Buttons buttons, ports::Icon icon) {
    return ShowMessageBox(nullptr, text, title, buttons, icon);
}

}  // namespace varnix::win32
