// varnixpos-cli: VarnixPos's four run modes with no windows and no Qt.
#include "frontends/headless/HeadlessFrontEnd.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    const std::string commandLine = varnix::platform::HostPlatform().CommandLineText(argc, argv);
    varnix::headless::HeadlessFrontEnd frontEnd;
    return frontEnd.Run(commandLine);
}
