// The intent journal: a small file in the data folder naming each standard command file that is
// running or has run and is still on the disk, by its identity, with the command line in flight.
// A command about to run is on the disk before the caller goes on, so after a crash the journal
// tells which command was interrupted; every change replaces the whole file, so it is never torn; a
// damaged line (a torn write on a disk that tears renames) is skipped on reading, never fatal.
// Entries leave once their file is gone, so the journal holds only what is still on the disk.
#pragma once

#include <string>
#include <vector>

#include "exchange/CommandFile.h"
#include "platform/Platform.h"

namespace varnix::exchange {

class IntentJournal {
  public:
    enum class Mark { None, Running, Done };

    struct Entry {
        Mark mark = Mark::None;
        FileIdentity identity;
        std::string path;  // the command file's
        std::string line;  // the command line running, or last run
    };

    explicit IntentJournal(platform::Platform& platform) : platform_(platform) {}

    // Reads the journal at `journalPath` (once per path: later calls with the same path keep
    // what is in memory). A missing or unreadable journal is an empty one.
    void Open(const std::string& journalPath);

    Mark Find(const FileIdentity& identity) const;
    // Records that `line` of the file is about to run. False when it could not be saved (the
    // memory keeps it all the same, so this process will not run the file again).
    bool Begin(const std::string& path, const FileIdentity& identity, const std::string& line);
    bool Finish(const FileIdentity& identity);
    void Forget(const FileIdentity& identity);
    // Drops the entries whose file is gone or has another identity now; Running entries of an
    // earlier process stay until resolved.
    void ForgetGone();
    // The entries a previous process left running. Each stays in the journal until Resolve
    // takes it out (kept as done, when its file could not be deleted), so a crash while they are
    // dealt with leaves them to the next start.
    std::vector<Entry> Interrupted() const { return interrupted_; }
    void Resolve(const FileIdentity& identity, bool keepAsDone);

    // The journal's text, and back: one header line and one line per entry.
    static std::string Format(const std::vector<Entry>& entries);
    static std::vector<Entry> Parse(std::string_view text);

  private:
    // Only the record of a command about to run must be on the disk before going on (a lost one
    // could let a payment run twice); the later changes only tidy up, and a lost one costs at most
    // an interrupted exchange recorded for a command that had finished.
    bool Save(bool synced = false);
    Entry* FindEntry(const FileIdentity& identity);

    platform::Platform& platform_;
    std::string path_;
    std::vector<Entry> entries_;
    std::vector<Entry> interrupted_;
};

}  // namespace varnix::exchange
