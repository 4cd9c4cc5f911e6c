// One tick of the resident mode's polling timer: looks for the cash register's command file,
// asks the terminal's status until it counts as connected, runs the dispatcher, deletes the
// command file (retrying while the cash register still holds it) and drives the two lamps. The
// timer stays off from the first step to the last, so no cycle ever runs inside another.
#pragma once

#include <string>

namespace varnix {
class Session;
}

namespace varnix::exchange {

inline constexpr const char* kIoFolderMissing =
    "Cartella per file di I/O non trovata. Creare cartella.";

class PollingCycle {
  public:
    explicit PollingCycle(Session& session) : session_(session) {}

    void Timer1_Timer();

  private:
    // Whether the command file may be run now (see the .cpp for the two cases held back).
    bool CommandFileReady(const std::string& path);

    Session& session_;
};

}  // namespace varnix::exchange
