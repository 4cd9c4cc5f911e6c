// The entry points of the windowed module (libvarnixpos-qt.so), the side that is loaded:
// the application with its windows, and a lone message box for the run-once mode.
// varnixpos finds them through QtModuleLoader.
#include <QApplication>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <xcb/xcb.h>
#endif

#include "frontends/Runner.h"
#include "frontends/qt/MessageBox.h"
#include "frontends/qt/QtFrontEnd.h"
#include "frontends/qt/QtModuleAbi.h"
#include "frontends/qt/Translation.h"

extern "C" VARNIX_QT_EXPORT int varnix_qt_run(int argc, char** argv, const char* commandLine) {
    using namespace varnix;
    QApplication app(argc, argv);
    qt::InstallItalianTranslation(app);
    // The tray keeps the process alive with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
    qt::QtFrontEnd frontEnd;
    frontends::Runner runner(frontEnd, frontEnd, frontEnd, frontEnd);
    frontEnd.Attach(runner);
    frontEnd.CloseOnStopSignals();

    runner.Start(commandLine);
    if (frontEnd.Ended()) {
        return frontEnd.ExitCode();
    }
    frontEnd.RefreshViews();
    return QApplication::exec();
}

extern "C" VARNIX_QT_EXPORT int varnix_qt_message_box(const char* text, const char* title,
                                                      int okCancel, int critical) {
    using namespace varnix;
    // Made at the first box and kept, never destroyed: the process ends soon after, and a
    // QApplication torn down among the static destructors outlives its display connection.
    static int argc = 1;
    static char name[] = "varnixpos";
    static char* argv[] = {name, nullptr};
    static QApplication* const app = [] {
        auto* made = new QApplication(argc, argv);
        qt::InstallItalianTranslation(*made);
        return made;
    }();
    (void)app;
    const auto answer = qt::ShowMessageBox(
        text, title, okCancel != 0 ? ports::Buttons::OkCancel : ports::Buttons::Ok,
        critical != 0 ? ports::Icon::Critical : ports::Icon::None, nullptr);
    return answer == ports::Answer::Ok ? 1 : 0;
}

extern "C" VARNIX_QT_EXPORT int varnix_qt_display_opens() {
#ifdef _WIN32
    return 1;
#else
    // Qt picks X11 unless told otherwise; other platforms (offscreen, wayland) are left to Qt.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0' && std::strcmp(platform, "xcb") != 0) {
        return 1;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        return std::getenv("WAYLAND_DISPLAY") != nullptr ? 1 : 0;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool opens = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return opens ? 1 : 0;
#endif
}
