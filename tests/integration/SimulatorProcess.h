// Runs the real pos-simulator beside the tests: started from build/bin with the given options,
// its endpoints read from its first lines of output (bounded wait), stopped with SIGTERM and
// reaped within a bounded time. Under Wine the simulator runs natively, started by the test
// script, and is found through VARNIXPOS_SIM_TCP_PORT and VARNIXPOS_SIM_JOURNAL.
#pragma once

#include <string>
#include <vector>

namespace varnix::testing {

class SimulatorProcess {
  public:
    explicit SimulatorProcess(const std::vector<std::string>& args);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool Running() const { return tcpPort_ > 0 || !serialPorts_.empty(); }
    int TcpPort() const { return tcpPort_; }
    const std::string& JournalPath() const { return journal_; }
    std::vector<std::string> JournalLines() const;
    // Stops it now: SIGTERM, then SIGKILL if it has not ended within five seconds.
    void Stop();
    // Kills it outright (SIGKILL), as a crash would.
    void Kill();

  private:
    void Spawn(const std::vector<std::string>& args);

    int pid_ = -1;
    int tcpPort_ = 0;
    std::vector<std::string> serialPorts_;
    std::string journal_;
    std::size_t journalStart_ = 0;
};

// The folder of the running test executable, where pos-simulator and the library live.
std::string ExecutableFolder();

}  // namespace varnix::testing
