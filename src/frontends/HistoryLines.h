// The exchange history as a terminal shows it: one line per exchange with the "Storico" table's
// columns (start, command, outcome, amount, STAN, duration, and the reason when KO), printed live
// by the resident varnixpos-cli and on request by `--history [N] [--all]` of varnixpos and
// varnixpos-cli, whole arguments taken like --help, only when no run-mode switch is on the
// command line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "exchange/ExchangeHistory.h"
#include "platform/Platform.h"

namespace varnix::frontends {

inline constexpr std::size_t kDefaultHistoryCount = 20;

// The line of one exchange, Windows-1252, without its line end.
std::string ExchangeLine(const exchange::HistoryEntry& entry);

struct HistoryRequest {
    std::size_t count = kDefaultHistoryCount;
    bool all = false;   // the polling cycle's own status requests too
    std::string error;  // what is wrong with the arguments; nothing is printed then
};

// What `--history` asks for; nothing when the command line does not ask.
std::optional<HistoryRequest> AsksForHistory(int argc, const char* const* argv);

struct HistoryText {
    std::string out;   // the lines, oldest first
    std::string err;   // a message for standard error
    int exitCode = 0;  // 0; 1 when there is no history to read; 2 for wrong arguments
};

// The answer to `request` from the data folder's history, each line through `forTerminal`.
HistoryText ReadHistoryText(platform::Platform& platform, const std::string& program,
                            const HistoryRequest& request,
                            std::string (*forTerminal)(const std::string&));
// The same written to standard output and standard error; returns the exit code.
int PrintHistory(platform::Platform& platform, const std::string& program,
                 const HistoryRequest& request, std::string (*forTerminal)(const std::string&));

}  // namespace varnix::frontends
