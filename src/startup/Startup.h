// The start of a run: the console's load handler, which prepares the console, asks the library
// for its version, loads the service window (data folder, configuration, parameters, timer) and
// then chooses the run mode from the command line. Run-once and version modes end the process
// through the shell port before returning.
#pragma once

#include <string>

#include "exchange/CommandRun.h"
#include "startup/RunMode.h"

namespace varnix::engine {
class Session;
}

namespace varnix::startup {

class Startup {
  public:
    explicit Startup(engine::Session& session) : session_(session) {}

    // Returns the mode chosen; when the configuration could not be read, no mode is chosen and
    // the process is already ending (Resident is returned with the shell told to end).
    RunMode Form_Load(const std::string& commandLine);

  private:
    void RunOnce(const std::string& configPath);
    // Waits up to kRunOnceLockWaitMs for the command file's claim; the last answer.
    exchange::CommandRun::Claim HoldCommandFile();

    engine::Session& session_;
};

}  // namespace varnix::startup
