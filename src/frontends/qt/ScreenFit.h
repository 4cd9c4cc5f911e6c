// Keeps the windows on a small screen (a 1024x768 register screen, a 1366x768 laptop): each
// window's content sits in a scroll area so the window may be smaller than its content, the
// first size is at most what the screen's free area holds, and windows are placed inside it.
#pragma once

#include <QSize>

class QWidget;

namespace varnix::qt {

// A scroll area showing `content`, to stand in the window where the content itself would.
QWidget* Scrolled(QWidget* content);

// Resizes `window` to `preferred`, cut to the free area of its screen (room left for a frame).
void FitToScreen(QWidget* window, QSize preferred);

// Places `window`'s frame at the free area's top plus `offsetX` from its left, pulled back inside
// the free area when it would stick out on the right or at the bottom.
void PlaceOnScreen(QWidget* window, int offsetX);

}  // namespace varnix::qt
