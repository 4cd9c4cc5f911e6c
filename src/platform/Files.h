// What the platform tells of a file beyond its bytes: its identity on the disk, a handle to read
// it piece by piece, whether a writer still holds it, and an exclusive lock between processes.
// Every call answers; none throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace varnix::platform {

// A file as the file system knows it. `fileId` and `volume` name the file itself (inode and
// device, or the Windows file index and volume serial): a file written anew under the same name
// gets another id. `ageMs` is how long ago it was last modified, by the wall clock at the moment
// of asking (negative when its time lies in the future).
struct FileStat {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t fileId = 0;
    std::uint64_t volume = 0;
    std::int64_t ageMs = 0;

    // Same file, same size, same modification time; the age is not part of it.
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
    Writing,  // a writer has it open
    Closed,   // its last writer has closed it
};

// Watches one path for writers. Created once and asked on every look, so that a platform which
// learns of writers through events (Linux's inotify) can collect them between looks.
class WriterWatch {
  public:
    virtual ~WriterWatch() = default;
    virtual WriterState State() = 0;
};

// An exclusive lock between processes, held until the object is destroyed or the process ends
// (the operating system releases it even after a crash).
class ProcessLock {
  public:
    virtual ~ProcessLock() = default;
    // False for the stand-in handed out where no lock could be had at all (its folder missing):
    // the caller runs unguarded and may try again later.
    virtual bool Guards() const { return false; }
};

}  // namespace varnix::platform
