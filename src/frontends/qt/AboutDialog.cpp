#include "frontends/qt/AboutDialog.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "forms/AboutBox.h"
#include "frontends/qt/FormBinder.h"

namespace varnix::qt {

QIcon ApplicationIcon() {
    QIcon icon(QStringLiteral(":/varnixpos/varnixpos.ico"));
    if (icon.availableSizes().isEmpty()) {
        return QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    return icon;
}

AboutDialog::AboutDialog(forms::AboutBox& model, QWidget* owner) : QDialog(owner) {
    setObjectName("frmAbout");
    setWindowTitle(FromAnsi(model.caption));
    setModal(true);
    auto* root = new QHBoxLayout(this);
    auto* icon = new QLabel;
    icon->setObjectName("picIcon");
    icon->setPixmap(ApplicationIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    root->addWidget(icon);
    auto* texts = new QVBoxLayout;
    root->addLayout(texts);
    const auto label = [&](const Label& l, const char* name, bool bold) {
        auto* widget = new QLabel(FromAnsi(l.caption));
        widget->setObjectName(name);
        // The title stays on one line; the description wraps.
        widget->setWordWrap(!bold);
        if (bold) {
            QFont font = widget->font();
            font.setBold(true);
            font.setPointSize(font.pointSize() + 2);
            widget->setFont(font);
        }
        texts->addWidget(widget);
    };
    const auto separator = [&] {
        auto* line = new QFrame;
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        texts->addWidget(line);
    };
    label(model.lblTitle, "lblTitle", true);
    label(model.lblVersion, "lblVersion", false);
    separator();
    label(model.lblDescription, "lblDescription", false);
    separator();
    auto* ok = new QPushButton(FromAnsi(model.cmdOKCaption));
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    texts->addLayout(buttons);
    setMinimumWidth(460);
}

}  // namespace varnix::qt
