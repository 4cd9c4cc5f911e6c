// varnixpos: VarnixPos with its windows. Without a display it runs the same modes headless.
#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "core/Session.h"
#include "headless/HeadlessFrontEnd.h"
#include "platform/Platform.h"
#include "ports/SystemClock.h"
#include "startup/Startup.h"
#include "terminal/LoadedTerminalLibrary.h"
#include "ui/qt/QtFrontEnd.h"

namespace {

bool DisplayAvailable() {
#ifdef _WIN32
    return true;
#else
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    if (platformName != nullptr && std::strcmp(platformName, "offscreen") == 0) {
        return false;
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
#endif
}

}  // namespace

int main(int argc, char** argv) {
    using namespace varnix;
    platform::Platform& platform = platform::HostPlatform();
    const std::string commandLine = platform.CommandLineText(argc, argv);
    if (!DisplayAvailable()) {
        return headless::HeadlessFrontEnd().Run(commandLine);
    }

    QApplication app(argc, argv);
    // The tray keeps the process alive with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
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
