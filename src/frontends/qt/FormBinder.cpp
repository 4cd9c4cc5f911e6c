#include "frontends/qt/FormBinder.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "text/AnsiText.h"

namespace varnix::qt {

namespace {

// Views are pulled after every action and every tick: a setter is called only when the model
// differs from what the widget shows, so an idle window repaints nothing.
// Each returns whether it changed the widget.
bool SyncEnabled(QWidget* widget, bool enabled) {
    if (widget->testAttribute(Qt::WA_ForceDisabled) == enabled) {
        widget->setEnabled(enabled);
        return true;
    }
    return false;
}

bool SyncVisible(QWidget* widget, bool visible) {
    if (widget->isHidden() == visible) {
        widget->setVisible(visible);
        return true;
    }
    return false;
}

}  // namespace

QString FromAnsi(const std::string& ansi) {
    return QString::fromStdString(text::Cp1252ToUtf8(ansi));
}

std::string ToAnsi(const QString& text) {
    return text::Utf8ToCp1252(text.toStdString());
}

void FormBinder::Bind(QLineEdit* widget, TextBox& model) {
    if (!model.toolTip.empty()) {
        widget->setToolTip(FromAnsi(model.toolTip));
    }
    // The limit is the model's, not the widget's: a value the program assigns may be longer than
    // what may be typed (the console's address and port arrive blank-padded to 16 and 6), and
    // must show whole. A typed character takes the place of trailing padding; only a box full of
    // text refuses it.
    QObject::connect(widget, &QLineEdit::textEdited, [widget, &model](const QString& typed) {
        QString text = typed;
        const int limit = model.maxLength;
        if (limit > 0 && text.size() > limit) {
            while (text.size() > limit && text.endsWith(QLatin1Char(' '))) {
                text.chop(1);
            }
            const QSignalBlocker block(widget);
            const int cursor = widget->cursorPosition();
            if (text.size() > limit) {
                widget->setText(FromAnsi(model.Text()));
                widget->setCursorPosition(cursor > 0 ? cursor - 1 : 0);
                return;
            }
            widget->setText(text);
            widget->setCursorPosition(cursor < text.size() ? cursor
                                                           : static_cast<int>(text.size()));
        }
        model.SetText(ToAnsi(text));
    });
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        const QString text = FromAnsi(model.Text());
        if (widget->text() != text) {
            const QSignalBlocker block(widget);
            widget->setText(text);
            if (model.showsEnd) {
                // The cursor at the end keeps the end in view, whatever the box's width.
                widget->setCursorPosition(static_cast<int>(text.size()));
                if (model.toolTip.empty()) {
                    widget->setToolTip(text);
                }
            } else if (widget->isReadOnly()) {
                // A result too long for its box shows from its start, and whole in the tool tip.
                widget->setCursorPosition(0);
                if (model.toolTip.empty()) {
                    widget->setToolTip(text);
                }
            }
            changed = true;
        }
        changed = SyncEnabled(widget, model.enabled) || changed;
        changed = SyncVisible(widget, model.visible) || changed;
        return changed;
    });
}

void FormBinder::Bind(QPlainTextEdit* widget, TextBox& model) {
    if (!model.toolTip.empty()) {
        widget->setToolTip(FromAnsi(model.toolTip));
    }
    QObject::connect(widget, &QPlainTextEdit::textChanged, [widget, &model] {
        std::string text = ToAnsi(widget->toPlainText());
        // The box shows CR LF lines; Qt keeps LF.
        std::string crlf;
        for (char c : text) {
            if (c == '\n') {
                crlf += "\r\n";
            } else {
                crlf.push_back(c);
            }
        }
        model.SetText(crlf);
    });
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        std::string lf;
        for (char c : model.Text()) {
            if (c != '\r') {
                lf.push_back(c);
            }
        }
        const QString text = FromAnsi(lf);
        if (widget->toPlainText() != text) {
            const QSignalBlocker block(widget);
            widget->setPlainText(text);
            changed = true;
        }
        return changed;
    });
}

void FormBinder::Bind(QComboBox* widget, ComboBox& model) {
    widget->setEditable(model.IsEditable());
    if (model.IsEditable()) {
        // What the user types is what the list holds: no item completes it behind the cursor,
        // and Enter does not make it an item (the items are the model's).
        widget->setCompleter(nullptr);
        widget->setInsertPolicy(QComboBox::NoInsert);
    }
    if (!model.toolTip.empty()) {
        widget->setToolTip(FromAnsi(model.toolTip));
    }
    QObject::connect(widget, QOverload<int>::of(&QComboBox::activated),
                     [&model](int index) { model.SetListIndex(index); });
    if (model.IsEditable()) {
        QObject::connect(widget, &QComboBox::editTextChanged,
                         [widget, &model](const QString& text) {
                             if (widget->signalsBlocked()) {
                                 return;
                             }
                             model.SetText(ToAnsi(text));
                         });
    }
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        const QSignalBlocker block(widget);
        QStringList items;
        for (const auto& item : model.Items()) {
            items << FromAnsi(item);
        }
        QStringList shown;
        for (int i = 0; i < widget->count(); ++i) {
            shown << widget->itemText(i);
        }
        if (shown != items) {
            widget->clear();
            widget->addItems(items);
            changed = true;
        }
        // While the user types into an editable list the model follows the
        // widget; pushing the selection back would replace the text under the
        // cursor at every refresh.
        const bool typing = model.IsEditable() && widget->lineEdit() != nullptr &&
                            widget->lineEdit()->hasFocus() &&
                            widget->currentText() == FromAnsi(model.Text());
        if (!typing && widget->currentIndex() != model.ListIndex()) {
            widget->setCurrentIndex(model.ListIndex());
            changed = true;
        }
        if (!typing && model.IsEditable()) {
            const QString text = FromAnsi(model.Text());
            if (widget->currentText() != text) {
                widget->setEditText(text);
                changed = true;
            }
        }
        changed = SyncEnabled(widget, model.enabled) || changed;
        changed = SyncVisible(widget, model.visible) || changed;
        return changed;
    });
}

void FormBinder::Bind(QCheckBox* widget, CheckBox& model) {
    QObject::connect(widget, &QCheckBox::toggled, [&model](bool on) { model.checked = on; });
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        if (widget->isChecked() != model.checked) {
            const QSignalBlocker block(widget);
            widget->setChecked(model.checked);
            changed = true;
        }
        changed = SyncEnabled(widget, model.enabled) || changed;
        return changed;
    });
}

void FormBinder::Bind(QPushButton* widget, Button& model, std::function<void()> onClick) {
    QObject::connect(widget, &QPushButton::clicked, std::move(onClick));
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        changed = SyncEnabled(widget, model.enabled) || changed;
        changed = SyncVisible(widget, model.visible) || changed;
        return changed;
    });
}

void FormBinder::Bind(QLabel* widget, Label& model) {
    if (!model.toolTip.empty()) {
        widget->setToolTip(FromAnsi(model.toolTip));
    }
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        const QString text = FromAnsi(model.caption);
        if (widget->text() != text) {
            widget->setText(text);
            changed = true;
        }
        changed = SyncVisible(widget, model.visible) || changed;
        return changed;
    });
}

void FormBinder::BindLamp(LampWidget* widget, Lamp& model) {
    Add(widget, [widget, &model]() -> bool {
        bool changed = false;
        changed = widget->SetColor(QColor(model.fill.r, model.fill.g, model.fill.b));
        return changed;
    });
}

QLineEdit* FormBinder::Line(TextBox& model, const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    Bind(edit, model);
    return edit;
}

QComboBox* FormBinder::List(ComboBox& model, const char* name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    Bind(combo, model);
    return combo;
}

void FormBinder::Add(QWidget* widget, std::function<bool()> pull) {
    pulls_.push_back({widget, std::move(pull)});
}

void FormBinder::Pull(bool paintNow) const {
    for (const auto& [widget, pull] : pulls_) {
        if (pull() && paintNow && widget->isVisible()) {
            widget->repaint();
        }
    }
}

}  // namespace varnix::qt
