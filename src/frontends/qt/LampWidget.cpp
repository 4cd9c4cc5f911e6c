#include "frontends/qt/LampWidget.h"

#include <QPainter>

namespace varnix::qt {

LampWidget::LampWidget(QWidget* parent) : QWidget(parent) {
    setFixedSize(22, 22);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool LampWidget::SetColor(const QColor& color) {
    if (color == color_) {
        return false;
    }
    color_ = color;
    update();
    return true;
}

void LampWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x55, 0x55, 0x55));
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
}

}  // namespace varnix::qt
