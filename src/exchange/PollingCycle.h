// One tick of the resident mode's polling timer: looks for the cash register's command file,
// asks the terminal's status until it counts as connected, runs the dispatcher, deletes the
// command file (retrying while the cash register still holds it) and drives the two lamps. The
// timer stays off from the first step to the last, so no cycle ever runs inside another. One
// object lives for the whole run: what it saw of a file being written carries over to the next
// tick.
//
// This system's own rules on top of the plain polling, so that a payment never runs twice:
// a standard command file runs only once its writer is done with it (see CommandFileReady), and
// then under CommandRun's rules (one poller per command file, at most once, fail closed). Only
// the resident mode polls: the test console and the About box run no command file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "exchange/CommandFile.h"
#include "platform/Files.h"

namespace varnix::exchange {

struct Context;

// How long a command file must have held still before it runs: ending with CR LF (its close not
// seen); and, where no close can be seen, without a final CR LF (or
// empty). Still means: no change this program saw (size, time stamp, bytes, a watch's event),
// timed on its own monotonic clock, never by the file's time stamp against the local clock (a
// file server's clock may lag). And how long one cycle waits for a file about to be ready,
// rather than leaving it to the next tick.
inline constexpr std::int64_t kSettleMs = 300;
// A file its writer is known to have closed (or moved into place) and that nobody has touched
// since for this long is ready, and the watch brings the cycle forward to that moment instead of
// leaving it to the next tick. Twice the gaps of a register that writes line by line, opening
// and closing the file for each line 50 ms apart, so such a file is not run half written; and
// short against the tick, so a command runs about a tenth of a second after its writer is done.
inline constexpr std::int64_t kCloseQuietMs = 100;
inline constexpr std::int64_t kSettleUnterminatedMs = 2000;
inline constexpr std::int64_t kSettleWaitInCycleMs = 1000;
// A write seen without its close, and nothing since for this long: the writer is taken to be
// gone (a tool that only set the time). Only where an open handle cannot be seen: a file with a
// handle open on it (Open) never runs, however long it is silent.
inline constexpr std::int64_t kWriterPauseLimitMs = 10000;

inline constexpr const char* kIoFolderMissing =
    "Cartella per file di I/O non trovata. Creare cartella.";

class PollingCycle {
  public:
    explicit PollingCycle(Context& context) : context_(context) {}

    void Timer1_Timer();

  private:
    // Whether the command file may be run now: its writer is done and it has held still.
    bool CommandFileReady(const std::string& path);
    // Takes the deletions the watch has seen since the last look: the file there now is new.
    void TakeRemovals();
    // Whether this process may poll the command file now; says once why not.
    bool HoldCommandFile(const std::string& path);

    Context& context_;
    std::unique_ptr<platform::WriterWatch> watch_;
    std::string watchedPath_;
    std::uint64_t removalsSeen_ = 0;
    std::uint64_t changesTimed_ = 0;
    std::optional<platform::FileStat> seen_;  // the command file as last seen
    std::int64_t lastLookMs_ = 0;             // when it was last looked at
    std::int64_t lastChangeMs_ = 0;           // the last change seen to it
    std::string claimReported_;               // the message last given for the claim
};

}  // namespace varnix::exchange
