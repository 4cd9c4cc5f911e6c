// The windowed module's two entry points: the application with its windows, and a lone message
// box for the run-once mode.
#include <QApplication>

#include "core/Session.h"
#include "platform/Platform.h"
#include "ports/SystemClock.h"
#include "startup/Startup.h"
#include "terminal/LoadedTerminalLibrary.h"
#include "ui/qt/MessageBox.h"
#include "ui/qt/QtFrontEnd.h"
#include "ui/qt/QtModuleAbi.h"

extern "C" VARNIX_QT_EXPORT int varnix_qt_run(int argc, char** argv, const char* commandLine) {
    using namespace varnix;
    QApplication app(argc, argv);
    // The tray keeps the process alive with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::Platform& platform = platform::HostPlatform();
    ports::SystemClock clock(platform);
    terminal::LoadedTerminalLibrary library(platform);
    ui::qt::QtFrontEnd frontEnd;
    Session session(platform, ports::Ports{frontEnd, frontEnd, frontEnd, clock, frontEnd}, library);
    frontEnd.Attach(session);

    startup::Startup(session).Form_Load(commandLine);
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
    static QApplication* const app = new QApplication(argc, argv);
    (void)app;
    const auto answer = ui::qt::ShowMessageBox(
        text, title, okCancel != 0 ? ports::Buttons::OkCancel : ports::Buttons::Ok,
        critical != 0 ? ports::Icon::Critical : ports::Icon::None, nullptr);
    return answer == ports::Answer::Ok ? 1 : 0;
}
