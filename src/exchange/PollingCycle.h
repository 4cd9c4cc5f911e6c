// One tick of the resident mode's polling timer: looks for the cash register's command file,
// asks the terminal's status until it counts as connected, runs the dispatcher, deletes the
// command file (retrying while the cash register still holds it) and drives the two lamps. The
// timer stays off from the first step to the last, so no cycle ever runs inside another. One
// object lives for the whole run: what it saw of a half-written file carries over to the next tick.
#pragma once

#include <optional>
#include <string>

namespace varnix::exchange {

struct Context;

inline constexpr const char* kIoFolderMissing =
    "Cartella per file di I/O non trovata. Creare cartella.";

class PollingCycle {
  public:
    explicit PollingCycle(Context& context) : context_(context) {}

    void Timer1_Timer();

  private:
    // Whether the command file may be run now (see the .cpp for the two cases held back).
    bool CommandFileReady(const std::string& path);

    Context& context_;
    // A command file seen empty or without its final line end, as it was at that cycle: it runs
    // when a later cycle finds it unchanged.
    std::optional<std::string> unterminatedCommand_;
};

}  // namespace varnix::exchange
