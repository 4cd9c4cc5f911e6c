// A round status lamp: a filled circle with a dark rim. It paints its whole square itself, so a
// change of colour repaints the lamp alone, not the group box behind it.
#pragma once

#include <QColor>
#include <QWidget>

namespace varnix::qt {

class LampWidget : public QWidget {
  public:
    explicit LampWidget(QWidget* parent = nullptr);

    // True when the colour changed (the lamp then repaints).
    bool SetColor(const QColor& color);
    QColor Color() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

}  // namespace varnix::qt
