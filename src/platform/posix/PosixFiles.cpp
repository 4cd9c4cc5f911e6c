// The POSIX side of the file identity, piecewise reading, durable replacing, writer watching
// (inotify where the kernel has it) and the process lock (flock).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif

#include <array>
#include <cerrno>
#include <ctime>

#include "platform/posix/PosixPlatform.h"

namespace varnix::platform {

namespace {

std::int64_t WallClockNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

FileStat FromStat(const struct stat& st) {
    FileStat stat;
    stat.size = static_cast<std::uint64_t>(st.st_size);
    stat.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stat.fileId = static_cast<std::uint64_t>(st.st_ino);
    stat.volume = static_cast<std::uint64_t>(st.st_dev);
    stat.ageMs = (WallClockNs() - stat.mtimeNs) / 1000000;
    return stat;
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

class PosixReadableFile : public ReadableFile {
  public:
    explicit PosixReadableFile(int fd) : fd_(fd) {}

    std::optional<std::size_t> Read(char* buffer, std::size_t capacity) override {
        for (;;) {
            const auto n = ::read(fd_.get(), buffer, capacity);
            if (n >= 0) {
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR) {
                return std::nullopt;
            }
        }
    }
    bool Seek(std::uint64_t offset) override {
        return ::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
    }
    std::optional<FileStat> Stat() override {
        struct stat st {};
        if (::fstat(fd_.get(), &st) != 0) {
            return std::nullopt;
        }
        return FromStat(st);
    }

  private:
    Descriptor fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

#ifdef __linux__
// Follows one name in one folder through inotify: a creation or a write means a writer has it
// open, a close after writing (or a rename into place) that the writer is done.
class InotifyWatch : public WriterWatch {
  public:
    InotifyWatch(int fd, std::string folder, std::string name)
        : fd_(fd), folder_(std::move(folder)), name_(std::move(name)) {
        AddWatch();
    }

    WriterState State() override {
        if (watch_ < 0) {
            AddWatch();  // the folder may have come into being since
        }
        alignas(inotify_event) std::array<char, 8192> buffer{};
        for (;;) {
            const auto n = ::read(fd_.get(), buffer.data(), buffer.size());
            if (n <= 0) {
                break;
            }
            for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                Apply(*event);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return state_;
    }

  private:
    void AddWatch() {
        watch_ = ::inotify_add_watch(
            fd_.get(), folder_.c_str(),
            IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE);
        state_ = WriterState::Unknown;
    }

    void Apply(const inotify_event& event) {
        if ((event.mask & (IN_Q_OVERFLOW | IN_IGNORED)) != 0) {
            state_ = WriterState::Unknown;  // events were lost, or the folder went away
            if ((event.mask & IN_IGNORED) != 0) {
                watch_ = -1;
            }
            return;
        }
        if (event.len == 0 || name_ != event.name) {
            return;
        }
        if ((event.mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
            state_ = WriterState::Unknown;
        } else if ((event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0) {
            state_ = WriterState::Closed;
        } else if ((event.mask & (IN_CREATE | IN_MODIFY)) != 0) {
            state_ = WriterState::Writing;
        }
    }

    Descriptor fd_;
    std::string folder_;
    std::string name_;
    int watch_ = -1;
    WriterState state_ = WriterState::Unknown;
};
#endif

class FlockLock : public ProcessLock {
  public:
    explicit FlockLock(int fd) : fd_(fd) {}
    bool Guards() const override { return true; }

  private:
    Descriptor fd_;  // closing it releases the lock
};

}  // namespace

std::optional<FileStat> PosixPlatform::StatFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return FromStat(st);
}

std::unique_ptr<ReadableFile> PosixPlatform::OpenForReading(const std::string& path) {
    if (!FileExists(path)) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<PosixReadableFile>(fd);
}

bool PosixPlatform::ReplaceContents(const std::string& path, std::string_view bytes, bool synced) {
    // Written beside and renamed over; synced, the data first and the folder after the rename,
    // so that the rename holds too.
    // The temporary name is new each time and made exclusively: a link or a file someone left
    // under a fixed name in a shared folder is never written through.
    std::string temporary = path + ".XXXXXX";
    {
        const Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
        if (fd.get() < 0) {
            return false;
        }
        if (::fchmod(fd.get(), 0644) != 0 || !WriteAll(fd.get(), bytes) ||
            (synced && ::fdatasync(fd.get()) != 0)) {
            ::unlink(temporary.c_str());
            return false;
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (!synced) {
        return true;
    }
    const Descriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.get() >= 0 && ::fsync(folder.get()) == 0;
}

std::unique_ptr<WriterWatch> PosixPlatform::WatchWriters(const std::string& path) {
#ifdef __linux__
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<InotifyWatch>(fd, FolderOf(path), NameOf(path));
#else
    (void)path;
    return nullptr;
#endif
}

std::unique_ptr<ProcessLock> PosixPlatform::TryLock(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::fchmod(fd, 0666);  // another user's process must be able to take it in turn
    } else {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);  // created by another user
    }
    if (fd < 0) {
        // No lock can be had here at all: running unguarded beats refusing every command.
        return std::make_unique<ProcessLock>();
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FlockLock>(fd);
}

}  // namespace varnix::platform
