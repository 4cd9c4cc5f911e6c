// The About box frmAbout: a modal view of the About model.
#pragma once

#include <QDialog>

namespace varnix::forms {
class AboutBox;
}

namespace varnix::qt {

class AboutDialog : public QDialog {
  public:
    AboutDialog(forms::AboutBox& model, QWidget* owner);
};

}  // namespace varnix::qt
