// The About box frmAbout: a modal view of the About model.
#pragma once

#include <QDialog>

namespace varnix::ui {
class AboutBox;
}

namespace varnix::ui::qt {

class AboutDialog : public QDialog {
  public:
    AboutDialog(AboutBox& model, QWidget* owner);
};

}  // namespace varnix::ui::qt
