// What every exchange step works on: the process-wide state (settings, the terminal records, the
// terminal-connected flag), the two forms whose fields are the operations' working store, and the
// outside services. One exists per run, owned by the engine's Session; tests build one on fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "config/ConfigFile.h"
#include "config/FileNames.h"
#include "config/Settings.h"
#include "exchange/CommandRun.h"
#include "exchange/ExchangeHistory.h"
#include "forms/AboutBox.h"
#include "forms/ConsoleForm.h"
#include "forms/HistoryWindow.h"
#include "forms/ServiceWindow.h"
#include "iae17/Records.h"
#include "iae17/TerminalLibrary.h"
#include "platform/Platform.h"
#include "ports/Ports.h"

namespace varnix::exchange {

struct Context {
    Context(platform::Platform& platformRef, ports::Ports portsRef,
            iae17::TerminalLibrary& libraryRef)
        : platform(platformRef), ports(portsRef), library(libraryRef) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    platform::Platform& platform;
    ports::Ports ports;
    iae17::TerminalLibrary& library;

    config::Settings settings;
    iae17::Records records;
    bool terminalConnected = false;
    bool ecrIdRequired = false;  // the dispatcher's copy, read by the command handlers
    // How many library calls the terminal answered with OK: the history tells by it whether an
    // exchange's outcome record is the terminal's answer or what an earlier one left.
    std::uint64_t terminalAnswers = 0;
    // Whether the resident has said that the history cannot be written; said again only after a
    // line went in.
    bool historyFailureSaid = false;

    forms::ConsoleForm console;
    forms::ServiceWindow service;
    forms::AboutBox about;
    forms::HistoryWindow history;

    // The standard command file's run under the at-most-once rules: the claim that keeps every
    // other process off it, and its journal.
    CommandRun commands{*this};
    // Set when a crash's interrupted command was recorded: until the register's next command the
    // cycle's own status requests leave the dump and the log alone, so the register reads that.
    bool holdRecordForRegister = false;

    // How this process runs ("resident", "run-once", "interactive"), for the history; and who hears
    // of every exchange recorded (the CLI prints a line for each).
    std::string runMode = "resident";
    std::function<void(const HistoryEntry&)> onExchangeRecorded;

    // The configuration file's reader and writer, working on this run's settings and forms.
    config::ConfigFile ConfigFile() {
        return config::ConfigFile(platform, ports.dialogs, settings, console, service);
    }
    // A file of the data folder by its bare name.
    std::string DataFile(const char* name) const { return settings.DataFolder + name; }
};

}  // namespace varnix::exchange
