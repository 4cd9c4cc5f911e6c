#include "frontends/qt/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>

namespace varnix::qt {

namespace {

// What a window manager's frame usually takes: a title bar and thin borders.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

QRect FreeArea(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

QWidget* Scrolled(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

void FitToScreen(QWidget* window, QSize preferred) {
    const QRect free = FreeArea(window);
    window->resize(qMin(preferred.width(), free.width() - kFrameWidth),
                   qMin(preferred.height(), free.height() - kFrameHeight));
}

void PlaceOnScreen(QWidget* window, int offsetX) {
    const QRect free = FreeArea(window);
    const QSize frame(window->width() + kFrameWidth, window->height() + kFrameHeight);
    int x = free.left() + offsetX;
    if (x + frame.width() > free.right() + 1) {
        x = qMax(free.left(), free.right() + 1 - frame.width());
    }
    // A top-level widget's position is that of its frame, so the title bar starts on screen.
    window->move(x, free.top());
}

}  // namespace varnix::qt
