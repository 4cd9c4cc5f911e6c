// The About box frmAbout: a modal view of the About model.
#pragma once

#include <QDialog>
#include <QIcon>

namespace varnix::forms {
class AboutBox;
}

namespace varnix::qt {

// The application's own icon (the one the Windows build carries), for the About box, the tray and
// the windows; a stock icon if it cannot be read.
QIcon ApplicationIcon();

class AboutDialog : public QDialog {
  public:
    AboutDialog(forms::AboutBox& model, QWidget* owner);
};

}  // namespace varnix::qt
