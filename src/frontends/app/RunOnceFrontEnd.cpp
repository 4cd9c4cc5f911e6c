#include "frontends/app/RunOnceFrontEnd.h"

namespace varnix::app {

ports::Answer RunOnceFrontEnd::Show(const std::string& text, const std::string& title,
                                    ports::Buttons buttons, ports::Icon icon) {
    std::string error;
    if (!module_.Load(error)) {
        return HeadlessFrontEnd::Show(text, title, buttons, icon);
    }
    return module_.ShowMessageBox(text, title, buttons, icon);
}

}  // namespace varnix::app
