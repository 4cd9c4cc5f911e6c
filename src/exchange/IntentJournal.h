// The intent journal of one command file: which of its versions (by their bytes) is running or has
// run and is still on the disk, with the command line in flight and its place in the file. A
// command about to run is on the disk before the caller goes on, and when it cannot be put there
// the caller is told so and does not send it; every change replaces the whole file, so it is never
// torn; a damaged line (a torn write on a disk that tears renames) is skipped on reading, never
// fatal. Only the process holding the command file's claim reads or writes its journal, so no
// other process's entries are ever dropped; an entry left Running was left by a process that
// ended. The file goes away once nothing in it is still on the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/CommandFile.h"
#include "platform/Platform.h"

namespace varnix::exchange {

class IntentJournal {
  public:
    enum class Mark { None, Running, Done, Hold };

    struct Entry {
        Mark mark = Mark::None;
        FileIdentity identity;
        std::uint64_t lineIndex = 0;  // the running line's place among the file's lines, from 0
        std::string line;             // the command line running, or last run
    };

    explicit IntentJournal(platform::Platform& platform) : platform_(platform) {}

    // Reads the journal of `commandPath` kept at `journalPath` (again, every time: another
    // process may have held the command file meanwhile). A missing or unreadable journal is an
    // empty one; an empty `journalPath` is one that can never be saved.
    void Open(const std::string& journalPath, const std::string& commandPath);
    const std::string& JournalPath() const { return path_; }
    // Keeps what is in memory, to be saved at `journalPath` from now on (its folder may have
    // been removed and made again).
    void Relocate(const std::string& journalPath) { path_ = journalPath; }

    // Whether the dump and the log hold a crash's record that the register has not yet answered
    // with a command of its own: kept here so that a second restart keeps it too.
    bool HoldsRecord() const { return holdsRecord_; }
    void SetHoldsRecord(bool holds);

    Mark Find(const FileIdentity& identity) const;
    // The entries of this process and those that ran before it (not the interrupted ones).
    const std::vector<Entry>& Entries() const { return entries_; }
    // Records that the line at `lineIndex` of the file is about to run, on the disk before this
    // returns. False when it could not be saved: the caller must not send it to the terminal.
    bool Begin(const FileIdentity& identity, std::uint64_t lineIndex, const std::string& line);
    bool Finish(const FileIdentity& identity);
    void Forget(const FileIdentity& identity);
    // Keeps only the entry of the bytes the command file holds now (`current`; none when the file
    // is gone): a file with other bytes, or none, means the ones recorded have gone.
    void ForgetAllBut(const FileIdentity* current);
    // The entries a previous process left running. Each stays in the journal until Resolve
    // takes it out (kept as done, when its file could not be deleted), so a crash while they are
    // dealt with leaves them to the next start.
    std::vector<Entry> Interrupted() const { return interrupted_; }
    void Resolve(const FileIdentity& identity, bool keepAsDone);

    // The journal's text, and back: one header line naming the command file and one line per
    // entry, each with a checksum.
    static std::string Format(const std::string& commandPath, const std::vector<Entry>& entries);
    static std::vector<Entry> Parse(std::string_view text, std::size_t* damaged = nullptr);

    // Whether the journal read had lines it could not trust (or no header): one of them may
    // have said that the command file on the disk was running.
    bool Damaged() const { return damaged_; }

  private:
    // Only the record of a command about to run must be on the disk before going on (a lost one
    // could let a payment run twice); the later changes only tidy up, and a lost one costs at most
    // an interrupted exchange recorded for a command that had finished.
    bool Save(bool synced = false);
    Entry* FindEntry(const FileIdentity& identity);

    platform::Platform& platform_;
    std::string path_;
    std::string commandPath_;
    std::vector<Entry> entries_;
    std::vector<Entry> interrupted_;
    bool holdsRecord_ = false;
    bool damaged_ = false;
};

}  // namespace varnix::exchange
