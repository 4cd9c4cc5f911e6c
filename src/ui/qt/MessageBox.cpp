#include "ui/qt/MessageBox.h"

#include <QMessageBox>

#include "ui/qt/FormBinder.h"
#include "ui/service/AboutBox.h"

namespace varnix::ui::qt {

ports::Answer ShowMessageBox(const std::string& text, const std::string& title,
                             ports::Buttons buttons, ports::Icon icon, QWidget* parent) {
    QMessageBox box(icon == ports::Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    FromAnsi(title.empty() ? ui::AboutBox::kApplicationTitle : title),
                    FromAnsi(text),
                    buttons == ports::Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::Ok,
                    parent);
    box.setObjectName("messageBox");
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? ports::Answer::Ok : ports::Answer::Cancel;
}

}  // namespace varnix::ui::qt
