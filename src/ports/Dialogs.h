// Message boxes and questions, raised by the core and answered by whatever front end runs it:
// Qt dialogs, a line on standard error in the headless front end, a recording fake in tests.
// Every message the core shows goes through here.
#pragma once

#include <string>

namespace varnix::ports {

enum class Buttons { Ok, OkCancel };
enum class Icon { None, Critical };
enum class Answer { Ok, Cancel };

// The title a front end shows when the core gives none: the application's own title.
inline const std::string kDefaultTitle;
inline const std::string kAttentionTitle = "Attenzione";

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    virtual Answer Show(const std::string& text, const std::string& title, Buttons buttons,
                        Icon icon) = 0;

    // Asks for the path of a file to write, offering `suggested`; "" when the user cancels (and
    // always where there is nobody to ask).
    virtual std::string AskSavePath(const std::string& /*title*/,
                                    const std::string& /*suggested*/) {
        return {};
    }

    // An OK box with the default title.
    void Inform(const std::string& text) { Show(text, kDefaultTitle, Buttons::Ok, Icon::None); }

    // A field check's complaint: critical-stop icon, OK, title "Attenzione".
    void Warn(const std::string& text) { Show(text, kAttentionTitle, Buttons::Ok, Icon::Critical); }

    // An OK/Cancel confirmation with the default title; true on OK.
    bool Confirm(const std::string& text) {
        return Show(text, kDefaultTitle, Buttons::OkCancel, Icon::None) == Answer::Ok;
    }
};

}  // namespace varnix::ports
