// varnixpos: VarnixPos with its windows, which live in a module loaded when they are needed.
// Without a display it runs the same modes headless.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontends/HistoryLines.h"
#include "frontends/Usage.h"
#include "frontends/app/QtModuleLoader.h"
#include "frontends/app/RunOnceFrontEnd.h"
#include "frontends/headless/HeadlessFrontEnd.h"
#include "platform/Platform.h"
#include "startup/RunMode.h"

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
    if (frontends::AsksForHelp(argc, argv)) {
        std::fputs(frontends::UsageText("varnixpos").c_str(), stdout);
        return 0;
    }
    platform::Platform& platform = platform::HostPlatform();
    if (const auto request = frontends::AsksForHistory(argc, argv)) {
        return frontends::PrintHistory(platform, "varnixpos", *request, headless::ForTerminal);
    }
    const std::string commandLine = platform.CommandLineText(argc, argv);
    if (!DisplayAvailable()) {
        return headless::HeadlessFrontEnd().Run(commandLine);
    }
    app::QtModuleLoader module(platform);
    // The run-once mode shows no window of its own (the service window would only flash by):
    // it starts without Qt and loads it for a message box only.
    if (startup::ChooseRunMode(commandLine).mode == startup::RunMode::RunOnce) {
        return app::RunOnceFrontEnd(module).Run(commandLine);
    }
    std::string error;
    if (!module.Load(error)) {
        std::fprintf(stderr, "varnixpos: no windows (%s); running without them\n", error.c_str());
        return headless::HeadlessFrontEnd().Run(commandLine);
    }
    return module.Run(argc, argv, commandLine);
}
