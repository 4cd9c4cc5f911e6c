// A standard command file's run under this system's at-most-once rules, one object for the
// resident's polling cycle and for run-once alike, so that the rules are written once:
// - one poller per command file: the process claims the file's canonical path among all the
//   machine's processes (Platform::ClaimExclusive: nothing on the disk that a register clearing
//   its folder could delete) and checks the claim on every cycle; without it nothing runs;
// - the journal of that command path (machine-wide, not in the data folder) says which bytes ran:
//   the same bytes are never sent again while the file has not gone, and a command that reaches
//   the terminal is sent only once its intent is on the disk (fail closed);
// - whatever a process that ended left running is recorded as unknown, and the commands after it
//   in the same file as not run, before anything else runs; that record stays the one the
//   register reads until it sends a command of its own;
// - the file is deleted only while it still holds the bytes that ran.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/CommandFile.h"
#include "exchange/Dispatcher.h"
#include "exchange/IntentJournal.h"
#include "platform/Files.h"

namespace varnix::exchange {

struct Context;

// The texts recorded or shown when a rule stops a command.
inline constexpr const char* kIntentNotRecorded =
    "Comando non inviato al terminale: impossibile registrarne l'esecuzione su disco";
// What a damaged journal leaves of the command file on the disk: it may have been running.
inline constexpr const char* kJournalDamagedOutcome = "Esito sconosciuto: giornale danneggiato";
inline constexpr const char* kAlreadyRunUndeletable =
    "File comandi gi\xE0 eseguito, non viene eseguito di nuovo, ma non si riesce a cancellarlo: ";

class CommandRun {
  public:
    explicit CommandRun(Context& context) : context_(context), journal_(PlatformOf(context)) {}

    enum class Claim { Held, Busy, Unavailable };
    // Makes sure this process alone polls `inputPath` (an empty path needs nobody). On taking a
    // path it reads that path's journal and recovers what an ended process left running there.
    Claim Hold(const std::string& inputPath);
    void Release();
    // What the user is told when Hold did not answer Held.
    std::string ClaimMessage(const std::string& inputPath) const;
    // What the user is told when Open found the file but could not read it (on Windows the
    // register still has it open; on POSIX it cannot be opened for reading).
    static std::string UnreadableMessage(const std::string& inputPath);
    // Whether taking the current path recovered a command an ended process left running there.
    bool RecoveredAny() const { return recoveredAny_; }

    // The command file at the held path opened once, checked against the journal.
    enum class Found { None, Unreadable, AlreadyRun, New };
    Found Open();
    // The file was seen deleted or replaced since the last look: the bytes recorded are gone,
    // and the same bytes written again are a new command.
    void SeenGone();
    // Runs a New file through the dispatcher, each command's intent on the disk before it runs.
    // False when the file could not be read to its end. `stopBeforeLine` as LineHooks has it.
    bool Execute(const std::function<bool()>& stopBeforeLine = {});
    // Whether some terminal-bound command of the last Execute was not sent because its intent
    // could not be recorded.
    bool RefusedAny() const { return refusedAny_; }
    // Whether the last Execute was stopped before the file's end (the rest recorded as not run).
    bool StoppedEarly() const { return stoppedEarly_; }

    // Deletes the file opened if it still holds the bytes that ran (or were found run), and
    // then forgets it. Kept: it changed, or could not be read; Undeletable: the journal keeps it
    // as run, so it is never sent again.
    enum class Consumed { Deleted, Kept, Undeletable };
    Consumed Consume();
    // Says once per version of the file that one which ran cannot be deleted.
    void ReportUndeletable();

    // The journal of the held path.
    IntentJournal& Journal() { return journal_; }
    // Where the journal of a (canonical) command path is kept; empty when the machine's shared
    // folder cannot be made.
    static std::string JournalPathFor(platform::Platform& platform,
                                      const std::string& canonicalPath);

  private:
    static platform::Platform& PlatformOf(Context& context);
    void RecoverInterrupted();
    // Records every command of `file` from the line `firstLine` on (counted from 0) as not sent,
    // with `outcome`.
    void RecordCommandsOf(CommandFile& file, std::uint64_t firstLine, const char* outcome,
                          Dispatcher& dispatcher);

    Context& context_;
    IntentJournal journal_;
    std::unique_ptr<platform::ProcessLock> claim_;        // on the canonical path
    std::unique_ptr<platform::ProcessLock> folderClaim_;  // on the folder's identity and name
    std::string claimKey_;
    std::string heldPath_;       // as configured
    std::string canonicalPath_;  // as claimed
    bool recoveredAny_ = false;
    bool refusedAny_ = false;
    bool read_ = true;
    bool stoppedEarly_ = false;
    std::uint64_t firstLine_ = 0;  // the lines before it ran already (appended to since)
    std::optional<CommandFile> file_;
    bool alreadyRun_ = false;
    std::vector<FileIdentity> reported_;
    std::string lastClaimReason_;
};

}  // namespace varnix::exchange
