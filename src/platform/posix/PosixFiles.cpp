// The POSIX side of the file identity, piecewise reading, durable replacing, writer watching
// (inotify where the kernel has it, its events timed as they come) and the machine-wide claim (an
// abstract socket name on Linux, flock elsewhere).
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/eventfd.h>
#include <sys/inotify.h>
#endif

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "text/Hash.h"

#include "platform/TimedWatch.h"
#include "platform/posix/PosixPlatform.h"

namespace varnix::platform {

namespace {

FileStat FromStat(const struct stat& st) {
    FileStat stat;
    stat.size = static_cast<std::uint64_t>(st.st_size);
    stat.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stat.fileId = static_cast<std::uint64_t>(st.st_ino);
    stat.volume = static_cast<std::uint64_t>(st.st_dev);
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
// open, a close after writing (or a rename into place) that the writer is done. A thread of its
// own reads the events the moment they come, so each change is timed on this machine's monotonic
// clock, not by the file's time stamp (a file server's clock may be off by seconds).
class InotifyWatch : public TimedWatch {
  public:
    InotifyWatch(int fd, int wake, std::string folder, std::string name)
        : fd_(fd), wake_(wake), folder_(std::move(folder)), name_(std::move(name)) {
        AddWatch();
        reader_ = std::thread([this] { ReadEvents(); });
    }
    InotifyWatch(const InotifyWatch&) = delete;
    InotifyWatch& operator=(const InotifyWatch&) = delete;
    ~InotifyWatch() override {
        const std::uint64_t one = 1;
        while (::write(wake_.get(), &one, sizeof one) < 0 && errno == EINTR) {
        }
        reader_.join();
    }

    WriterState State() override {
        const std::lock_guard<std::mutex> hold(mutex_);
        // Whatever the kernel has queued by now counts, even if the reader thread has not woken
        // yet (timed now: a little late, never early).
        Drain();
        if (watch_ < 0) {
            AddWatch();  // the folder may have come into being since
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

    void ReadEvents() {
        std::array<pollfd, 2> fds{{{fd_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}}};
        for (;;) {
            // While the folder is gone, look for it again every 50 ms: the first file written
            // into a folder made anew must be seen being written, not found already there.
            int timeoutMs = -1;
            {
                const std::lock_guard<std::mutex> hold(mutex_);
                timeoutMs = watch_ < 0 ? 50 : -1;
            }
            if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
                return;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                return;
            }
            const std::lock_guard<std::mutex> hold(mutex_);
            const std::uint64_t closes = closes_;
            Drain();
            if (watch_ < 0) {
                AddWatch();
            }
            // Only the reader thread calls back: a look from the poller (State) drains too, but
            // is the poller already looking.
            if (closes_ != closes) {
                TellReady();
            }
        }
    }

    // Reads every queued event (the descriptor never blocks); the caller holds the mutex.
    void Drain() {
        alignas(inotify_event) std::array<char, 8192> buffer{};
        for (;;) {
            const auto n = ::read(fd_.get(), buffer.data(), buffer.size());
            if (n <= 0) {
                return;
            }
            for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                Apply(*event);
                at += sizeof(inotify_event) + event->len;
            }
        }
    }

    void Apply(const inotify_event& event) {
        if ((event.mask & (IN_Q_OVERFLOW | IN_IGNORED)) != 0) {
            state_ = WriterState::Unknown;  // events were lost, or the folder went away
            // Whatever was in a folder that went away went with it: a removal.
            RecordChange((event.mask & IN_IGNORED) != 0);
            if ((event.mask & IN_IGNORED) != 0) {
                watch_ = -1;
            }
            return;
        }
        if (event.len == 0 || name_ != event.name) {
            return;
        }
        const bool removed = (event.mask & (IN_DELETE | IN_MOVED_FROM)) != 0;
        RecordChange(removed);
        if (removed) {
            state_ = WriterState::Unknown;
        } else if ((event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0) {
            state_ = WriterState::Closed;
            ++closes_;
        } else if ((event.mask & (IN_CREATE | IN_MODIFY)) != 0) {
            state_ = WriterState::Writing;
        }
    }

    Descriptor fd_;
    Descriptor wake_;
    std::string folder_;
    std::string name_;
    int watch_ = -1;
    WriterState state_ = WriterState::Unknown;
    std::uint64_t closes_ = 0;
    std::thread reader_;
};
#endif

// Held as long as the descriptor is open; the kernel closes it when the process ends.
class DescriptorLock : public ProcessLock {
  public:
    explicit DescriptorLock(int fd) : fd_(fd) {}

  private:
    Descriptor fd_;
};

ExclusiveClaim Unavailable(const char* what) {
    return {ExclusiveClaim::Outcome::Unavailable, nullptr,
            std::string(what) + ": " + std::strerror(errno)};
}

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
    const int wake = ::eventfd(0, EFD_CLOEXEC);
    if (wake < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<InotifyWatch>(fd, wake, FolderOf(path), NameOf(path));
#else
    (void)path;
    return nullptr;
#endif
}

ExclusiveClaim PosixPlatform::ClaimExclusive(const std::string& name) {
    const std::string key = "varnixpos/" + text::HashName(name);
#ifdef __linux__
    // A name in the abstract socket namespace: no file stands for it, so deleting or recreating
    // a folder cannot take it away, and it belongs to the whole machine (every user's process
    // meets it); the kernel drops it with the last descriptor, however the process ends.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Unavailable("socket");
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, key.data(), key.size());  // sun_path[0] = 0: abstract
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + key.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EADDRINUSE) {
            return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
        }
        errno = error;
        return Unavailable("bind");
    }
    return {ExclusiveClaim::Outcome::Held, std::make_unique<DescriptorLock>(fd), {}};
#else
    // No abstract sockets: a lock on a file of the shared folder, which only a user who deletes
    // what VarnixPos keeps there could disturb.
    const std::string folder = SharedFolder("varnixpos-claims");
    if (folder.empty()) {
        return Unavailable(("/var/tmp/varnixpos-claims"));
    }
    const std::string path = folder + '/' + key.substr(key.find('/') + 1);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Unavailable("open");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
        }
        errno = error;
        return Unavailable("flock");
    }
    return {ExclusiveClaim::Outcome::Held, std::make_unique<DescriptorLock>(fd), {}};
#endif
}

std::optional<std::string> PosixPlatform::FolderIdentity(const std::string& folderPath) {
    struct stat st {};
    if (folderPath.empty() || ::stat(folderPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return std::to_string(static_cast<std::uint64_t>(st.st_dev)) + ':' +
           std::to_string(static_cast<std::uint64_t>(st.st_ino));
}

std::string PosixPlatform::CanonicalPath(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::array<char, PATH_MAX> cwd{};
        if (::getcwd(cwd.data(), cwd.size()) != nullptr) {
            absolute = std::string(cwd.data()) + '/' + absolute;
        }
    }
    // The longest part of the path that exists is resolved (links followed); the rest, which
    // does not exist yet (a command folder deleted for a while), is tidied as written. Either
    // way two spellings of one file come out the same, folder or no folder.
    std::vector<std::string> rest;
    std::string existing = absolute;
    std::array<char, PATH_MAX> resolved{};
    for (;;) {
        while (existing.size() > 1 && existing.back() == '/') {
            existing.pop_back();
        }
        if (::realpath(existing.c_str(), resolved.data()) != nullptr || existing.size() <= 1) {
            break;
        }
        const auto slash = existing.find_last_of('/');
        rest.push_back(existing.substr(slash + 1));
        existing.erase(slash == 0 ? 1 : slash);
    }
    std::string canonical = existing.size() <= 1 && resolved[0] == '\0' ? "/" : resolved.data();
    for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
        if (it->empty() || *it == ".") {
            continue;
        }
        if (*it == "..") {
            const auto slash = canonical.find_last_of('/');
            canonical.erase(slash == 0 ? 1 : slash);
            continue;
        }
        canonical += (canonical.back() == '/' ? "" : "/") + *it;
    }
    return canonical;
}

}  // namespace varnix::platform
