// What the platform tells of a file beyond its bytes: its identity on the disk, a handle to read
// it piece by piece, whether a writer still holds it, and a claim on a name that only one process
// of the machine can hold at a time. Every call answers; none throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace varnix::platform {

// A file as the file system knows it. `fileId` and `volume` name the file itself (inode and
// device, or the Windows file index and volume serial): a file written anew under the same name
// gets another id. No field says how old the file is against this machine's clock: a file
// server's clock may lag or run ahead, so only a change seen between two looks tells time.
struct FileStat {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t fileId = 0;
    std::uint64_t volume = 0;

    // Same file, same size, same modification time.
    bool SameAs(const FileStat& other) const {
        return size == other.size && mtimeNs == other.mtimeNs && fileId == other.fileId &&
               volume == other.volume;
    }
};

// An open file read from its start, one piece at a time.
class ReadableFile {
  public:
    virtual ~ReadableFile() = default;
    // Up to `capacity` bytes; 0 at the end; nothing on a read error.
    virtual std::optional<std::size_t> Read(char* buffer, std::size_t capacity) = 0;
    virtual bool Seek(std::uint64_t offset) = 0;
    // The open file's own identity (the one read, even if its name now leads elsewhere).
    virtual std::optional<FileStat> Stat() = 0;
};

// Whether some process still has a file open for writing.
enum class WriterState {
    Unknown,  // the platform cannot tell (no watch, or the file was there before the watch)
    Writing,  // a write was seen and its close was not: the writer may still be at it, or gone
    Open,     // some handle is open on it right now (Windows sees every one): not done, surely
    Closed,   // its last writer has closed it
};

// Watches one path for writers. Created once and asked on every look, so that a platform which
// learns of writers through events (Linux's inotify) can collect them between looks.
class WriterWatch {
  public:
    virtual ~WriterWatch() = default;
    virtual WriterState State() = 0;
    // How long ago, on the monotonic clock, the watch last saw the file change (written, closed,
    // created, moved in or away); nothing when it has seen no change or cannot time one.
    virtual std::optional<std::int64_t> LastChangeAgeMs() { return std::nullopt; }
    // How many changes the watch has seen: a new one is a new change to time, an old one is not.
    virtual std::uint64_t Changes() { return 0; }
    // How many times the file has been seen deleted or moved away since the watch began.
    virtual std::uint64_t Removals() { return 0; }
    // Called on the watch's own thread each time the file may have just become ready: its
    // writer closed it, or it was moved into place. The callback only posts (it must not block
    // nor call back into the watch); a platform that cannot tell never calls it.
    virtual void OnReady(const std::function<void()>& /*callback*/) {}
};

// A name held by one process of the machine at a time, until the object is destroyed or the
// process ends (the operating system lets go even after a crash).
class ProcessLock {
  public:
    virtual ~ProcessLock() = default;
};

struct ExclusiveClaim {
    enum class Outcome {
        Held,         // this process holds the name now
        Busy,         // another process holds it
        Unavailable,  // the system would not say (`reason`): nobody can be sure to be alone
    };
    Outcome outcome = Outcome::Unavailable;
    std::unique_ptr<ProcessLock> lock;  // while Held
    std::string reason;
};

}  // namespace varnix::platform
