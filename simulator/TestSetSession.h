// A test-set run on the simulator's event loop: announces each step, lets the step's script
// answer the requests, follows VarnixPos's exchange history, and ends with the reports written.
#pragma once

#include <asio.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "simulator/HistoryTail.h"
#include "simulator/SimulatorServer.h"
#include "simulator/TestReport.h"
#include "simulator/TestRun.h"

namespace varnix::sim {

class TestSetSession {
  public:
    // Exit codes of a test run.
    static constexpr int kAllPassed = 0;
    static constexpr int kNotAllPassed = 1;  // a step failed or could not be judged
    static constexpr int kNoHistory = 2;     // --history names no file VarnixPos writes
    static constexpr int kNoReport = 3;      // the report could not be written
    static constexpr int kNoLink = 3;        // the port could not be opened again

    struct Options {
        std::string setFile;
        std::string reportFolder;
        std::string historyPath;  // "" when the history is not followed
    };

    TestSetSession(asio::io_context& io, SimulatorServer& server, TestSet set, Options options,
                   std::ostream& out, std::ostream& err);

    // Writes the report of a run yet to start (false, said on `err`, when it cannot be), installs
    // the script in the server and announces the first step. `onFinished` runs once the final
    // report is written.
    bool Start(std::function<void()> onFinished);
    // Ends the run now (the developer stopped it): the steps not yet over are not judged.
    void Interrupt();
    int ExitCode() const { return exitCode_; }

  private:
    static constexpr int kTickMs = 100;
    // A VarnixPos that writes the history at --history has written it this long after the
    // terminal's first answer (its own status polls write it even sooner).
    static constexpr int kHistoryGraceMs = 5000;

    std::int64_t NowMs() const;
    void Tick();
    void Schedule();
    void Flush();
    bool WriteReport();
    // False, with the run ended, when the history has not appeared when it should have.
    bool HistoryAppeared();
    // Ends the run; `failure` is the exit code when the run could not go on, kAllPassed else.
    void Finish(int failure);

    SimulatorServer& server_;
    Options options_;
    std::ostream& out_;
    std::ostream& err_;
    TestRun run_;
    std::optional<HistoryTail> history_;
    asio::steady_timer timer_;
    std::chrono::steady_clock::time_point started_;
    std::string startedAt_;
    std::function<void()> onFinished_;
    bool finished_ = false;
    std::uint64_t reportedRevision_ = 0;
    bool historySeen_ = false;
    int exitCode_ = kNotAllPassed;
};

}  // namespace varnix::sim
