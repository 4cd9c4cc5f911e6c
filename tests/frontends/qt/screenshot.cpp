// screenshot: saves the whole X screen, or a rectangle of it, as a PNG. Used by the Xvfb test of
// the real application, so no screenshot tool need be installed.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: screenshot OUTPUT.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    // Without a rectangle, from 0,0 with width and height -1: the whole screen.
    const auto at = [&](int i) { return argc == 6 ? std::atoi(argv[i]) : (i < 4 ? 0 : -1); };
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, at(2), at(3), at(4), at(5));
    return shot.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
