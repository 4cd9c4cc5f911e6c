// One tick of the resident mode's polling timer: looks for the cash register's command file,
// asks the terminal's status until it counts as connected, runs the dispatcher, deletes the
// command file (retrying while the cash register still holds it) and drives the two lamps. The
// timer stays off from the first step to the last, so no cycle ever runs inside another. One
// object lives for the whole run: what it saw of a file being written carries over to the next
// tick.
//
// This system's own rules on top of the plain polling, so that a payment never runs twice:
// a standard command file runs only once its writer is done with it (see CommandFileReady), is
// read once, runs at most once (the intent journal), and is deleted only while it is still the
// file that ran; and only the process holding the command file's lock polls it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/CommandFile.h"
#include "platform/Files.h"

namespace varnix::exchange {

struct Context;

// How long a command file must have held still before it runs: with its writer known to have
// closed it, or ending with CR LF; and, where no close can be seen, without a final CR LF (or
// empty). And how long one cycle waits for a file about to be ready, rather than leaving it to
// the next tick.
inline constexpr std::int64_t kSettleMs = 300;
inline constexpr std::int64_t kSettleUnterminatedMs = 2000;
inline constexpr std::int64_t kSettleWaitInCycleMs = 1000;
// A writer that keeps the file open but has written nothing for this long is taken to be gone.
inline constexpr std::int64_t kWriterPauseLimitMs = 10000;

inline constexpr const char* kIoFolderMissing =
    "Cartella per file di I/O non trovata. Creare cartella.";
inline constexpr const char* kAlreadyRunUndeletable =
    "File comandi gi\xE0 eseguito, non viene eseguito di nuovo, ma non si riesce a cancellarlo: ";

class PollingCycle {
  public:
    explicit PollingCycle(Context& context) : context_(context) {}

    void Timer1_Timer();

  private:
    // Whether the command file may be run now: its writer is done and it has held still.
    bool CommandFileReady(const std::string& path);
    // Says once per file that a command file which ran cannot be deleted (and will not run again).
    void ReportUndeletable(const std::string& path, const FileIdentity& identity);

    Context& context_;
    std::unique_ptr<platform::WriterWatch> watch_;
    std::string watchedPath_;
    std::optional<platform::FileStat> seen_;  // the command file as last seen
    std::int64_t stillSinceMs_ = 0;           // since when it has looked like that
    std::vector<FileIdentity> reported_;
    bool lockReported_ = false;
};

}  // namespace varnix::exchange
