#include "frontends/qt/MessageBox.h"

#include <QGridLayout>
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
    // A short text makes a narrow box, and the window manager then cuts its title: the box is
    // kept at least as wide as its title, with room for the frame's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 120;
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box.exec() == QMessageBox::Ok ? ports::Answer::Ok : ports::Answer::Cancel;
}

}  // namespace varnix::qt
