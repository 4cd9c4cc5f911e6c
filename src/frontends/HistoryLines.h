// The exchange history as a terminal shows it: one line per exchange (time, command, outcome,
// transaction outcome, duration), printed live by the resident varnixpos-cli and on request by
// `varnixpos-cli --history [N]`, a whole argument taken like --help, only when no run-mode switch
// is on the command line.
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

// How many exchanges `--history [N]` asks for; nothing when the command line does not ask.
std::optional<std::size_t> AsksForHistory(int argc, const char* const* argv);

// Prints the newest `count` exchanges of the data folder's history, oldest first, each line
// through `forTerminal`; returns the exit code (0; 1 when there is no history to read).
int PrintHistory(platform::Platform& platform, std::size_t count,
                 std::string (*forTerminal)(const std::string&));

}  // namespace varnix::frontends
