// One run of VarnixPos: the process-wide state (settings, the terminal records, the
// terminal-connected flag), the two forms, and the outside services they use. Everything the
// system decides works on one Session; tests build one with fakes.
#pragma once

#include <optional>
#include <string>

#include "config/Settings.h"
#include "platform/Platform.h"
#include "ports/Ports.h"
#include "terminal/Records.h"
#include "terminal/TerminalLibrary.h"
#include "ui/console/ConsoleForm.h"
#include "ui/service/AboutBox.h"
#include "ui/service/ServiceWindow.h"

namespace varnix {

class Session {
  public:
    Session(platform::Platform& platformRef, ports::Ports portsRef,
            terminal::TerminalLibrary& libraryRef)
        : platform(platformRef), ports(portsRef), library(libraryRef) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    platform::Platform& platform;
    ports::Ports ports;
    terminal::TerminalLibrary& library;

    config::Settings settings;
    terminal::Records records;
    bool terminalConnected = false;
    bool ecrIdRequired = false;  // the dispatcher's copy, read by the command handlers
    // A command file seen empty or without its final line end, as it was at that cycle: it runs
    // when a later cycle finds it unchanged.
    std::optional<std::string> unterminatedCommand;

    ui::ConsoleForm console{*this};
    ui::ServiceWindow service{*this};
    ui::AboutBox about;
};

}  // namespace varnix
