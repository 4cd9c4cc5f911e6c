#include "frontends/qt/MessageBox.h"

#include <QMessageBox>

#include "forms/AboutBox.h"
#include "frontends/qt/FormBinder.h"

namespace varnix::qt {

ports::Answer ShowMessageBox(const std::string& text, const std::string& title,
                             ports::Buttons buttons, ports::Icon icon, QWidget* parent) {
    QMessageBox box(icon == ports::Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    FromAnsi(title.empty() ? forms::AboutBox::kApplicationTitle : title),
                    FromAnsi(text),
                    buttons == ports::Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::Ok,
                    parent);
    box.setObjectName("messageBox");
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? ports::Answer::Ok : ports::Answer::Cancel;
}

}  // namespace varnix::qt
