// Ties Qt widgets to the control models of a form, both ways: Pull() shows the model in every
// bound widget (without echoing signals back), and user edits go straight into the model. The
// widgets decide nothing; text crosses as Windows-1252 bytes in the model, UTF-8 in Qt.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "forms/Controls.h"
#include "frontends/qt/LampWidget.h"

namespace varnix::qt {

// The control models the views bind to.
using forms::Button;
using forms::CheckBox;
using forms::ComboBox;
using forms::Label;
using forms::Lamp;
using forms::Rgb;
using forms::TextBox;

QString FromAnsi(const std::string& ansi);
std::string ToAnsi(const QString& text);

class FormBinder {
  public:
    void Bind(QLineEdit* widget, TextBox& model);
    void Bind(QPlainTextEdit* widget, TextBox& model);
    void Bind(QComboBox* widget, ComboBox& model);
    void Bind(QCheckBox* widget, CheckBox& model);
    void Bind(QPushButton* widget, Button& model, std::function<void()> onClick);
    void Bind(QLabel* widget, Label& model);
    void BindLamp(LampWidget* widget, Lamp& model);

    // A new widget bound to `model`, named for the tests and the screenshots.
    QLineEdit* Line(TextBox& model, const char* name);
    QComboBox* List(ComboBox& model, const char* name);

    // Shows the models in their widgets. With `paintNow` each widget that changed is painted
    // before Pull returns: the core redraws a form before a call that blocks (a terminal
    // operation takes tens of seconds), and no event loop runs until that call returns.
    void Pull(bool paintNow = false) const;

  private:
    void Add(QWidget* widget, std::function<bool()> pull);

    struct Binding {
        QWidget* widget;
        std::function<bool()> pull;  // true when it changed the widget
    };
    std::vector<Binding> pulls_;
};

}  // namespace varnix::qt
