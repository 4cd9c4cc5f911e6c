// varnixpos-cli: VarnixPos's four run modes with no windows and no Qt.
#include <cstdio>

#include "frontends/HistoryLines.h"
#include "frontends/Usage.h"
#include "frontends/headless/HeadlessFrontEnd.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    if (varnix::frontends::AsksForHelp(argc, argv)) {
        std::fputs(varnix::frontends::UsageText("varnixpos-cli").c_str(), stdout);
        return 0;
    }
    if (const auto request = varnix::frontends::AsksForHistory(argc, argv)) {
        return varnix::frontends::PrintHistory(varnix::platform::HostPlatform(), "varnixpos-cli",
                                               *request, varnix::headless::ForTerminal);
    }
    const std::string commandLine = varnix::platform::HostPlatform().CommandLineText(argc, argv);
    varnix::headless::HeadlessFrontEnd frontEnd;
    return frontEnd.Run(commandLine);
}
