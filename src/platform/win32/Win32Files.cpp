// The Windows side of the file identity (file index and volume serial), piecewise reading,
// durable replacing (write-through rename, waiting briefly for a reader to let go), writer
// watching (a writer's open handle makes an exclusive open fail with a sharing violation; the
// folder's change notifications time the changes and bring the next look forward), the
// machine-wide claim (a named mutex) and canonical paths.
#include "platform/win32/WindowsHeaders.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/ProcessClaims.h"
#include "platform/TimedWatch.h"
#include "platform/win32/Win32Platform.h"
#include "text/AnsiText.h"
#include "text/Hash.h"

namespace varnix::platform {

namespace {

// How long a replace waits for another process to let go of the file it replaces, and in what
// steps.
constexpr ULONGLONG kReplaceRetryMs = 2000;
constexpr DWORD kReplaceRetryStepMs = 50;

// FILETIME counts 100 ns steps since 1601; file times are kept in nanoseconds since 1970.
constexpr std::int64_t kFileTimeTo1970 = 116444736000000000LL;

std::int64_t FileTimeNs(const FILETIME& time) {
    const std::int64_t ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) |
                               static_cast<std::int64_t>(time.dwLowDateTime);
    return (ticks - kFileTimeTo1970) * 100;
}

std::optional<FileStat> StatHandle(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    FileStat stat;
    stat.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stat.mtimeNs = FileTimeNs(info.ftLastWriteTime);
    stat.fileId = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stat.volume = info.dwVolumeSerialNumber;
    return stat;
}

// Opened so that the register can still write, rename and delete its file meanwhile.
HANDLE OpenShared(const std::string& path, DWORD access) {
    return ::CreateFileA(path.c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

  private:
    HANDLE handle_;
};

class Win32ReadableFile : public ReadableFile {
  public:
    explicit Win32ReadableFile(HANDLE handle) : handle_(handle) {}

    std::optional<std::size_t> Read(char* buffer, std::size_t capacity) override {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(capacity, 1U << 30));
        if (::ReadFile(handle_.get(), buffer, want, &read, nullptr) == 0) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(read);
    }
    bool Seek(std::uint64_t offset) override {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(offset);
        return ::SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN) != 0;
    }
    std::optional<FileStat> Stat() override { return StatHandle(handle_.get()); }

  private:
    Handle handle_;
};

// Whether a writer holds the file comes from a probe: every other handle, the writer's included
// and whatever sharing it asked for, makes an open that shares nothing fail, so an open handle is
// always seen (Open, never a guess that a long silence could end). When the file changes comes
// from the folder's change notifications, read by a thread of its own and timed on this
// machine's monotonic clock; after a change the thread probes until the writer has let go, and
// then says the file may be ready.
class SharingWatch : public TimedWatch {
  public:
    explicit SharingWatch(std::string path)
        : path_(std::move(path)),
          stop_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          armed_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        const auto slash = path_.find_last_of("\\/");
        folder_ = slash == std::string::npos ? std::string(".") : path_.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
        const int length = ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
        if (length > 0) {
            name_.resize(static_cast<std::size_t>(length));
            ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, name_.data(), length);
            name_.pop_back();  // the terminator, counted in the length
        }
        if (stop_.valid() && armed_.valid()) {
            reader_ = std::thread([this] { ReadChanges(); });
            // Changes are kept for the thread only from its first read on: a file written right
            // after the watch is made must be seen being written too.
            ::WaitForSingleObject(armed_.get(), kArmWaitMs);
        }
    }
    SharingWatch(const SharingWatch&) = delete;
    SharingWatch& operator=(const SharingWatch&) = delete;
    ~SharingWatch() override {
        if (reader_.joinable()) {
            ::SetEvent(stop_.get());
            reader_.join();
        }
    }

    WriterState State() override { return Probe(); }

  private:
    using Clock = std::chrono::steady_clock;
    // The first probe waits this long after the last change (a burst of writes is one change);
    // while the writer holds the file, probes follow each other this far apart, for at most
    // kProbeForMs after the last change (then the polling tick looks on its own).
    static constexpr DWORD kFirstProbeMs = 20;
    static constexpr DWORD kProbeStepMs = 50;
    static constexpr std::int64_t kProbeForMs = 2000;
    // A folder that cannot be watched (missing, or gone) is looked for again this often; one
    // whose file system sends no notifications, this often.
    static constexpr DWORD kReopenMs = 250;
    static constexpr DWORD kUnsupportedRetryMs = 10000;
    // How long the watch's making waits for its thread to start reading.
    static constexpr DWORD kArmWaitMs = 2000;

    WriterState Probe() const {
        const HANDLE probe = ::CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            ::CloseHandle(probe);
            return WriterState::Closed;
        }
        return ::GetLastError() == ERROR_SHARING_VIOLATION ? WriterState::Open
                                                           : WriterState::Unknown;
    }

    void ReadChanges() {
        const Handle changed(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!changed.valid()) {
            return;
        }
        for (;;) {
            // The folder is opened so that others may still rename or delete it; when it goes,
            // the pending read ends with an error and the handle is let go at once.
            const Handle folder(::CreateFileA(
                folder_.c_str(), FILE_LIST_DIRECTORY,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
            // A folder that is missing, or one whose file system sends no notifications (some
            // network shares), is tried again later; meanwhile the polling tick looks on its own.
            if (!folder.valid()) {
                ::SetEvent(armed_.get());  // nothing to wait for: the tick looks on its own
            }
            const DWORD retryMs =
                folder.valid()
                    ? (WatchFolder(folder.get(), changed.get()) ? kReopenMs : kUnsupportedRetryMs)
                    : kReopenMs;
            if (stopping_ || ::WaitForSingleObject(stop_.get(), retryMs) == WAIT_OBJECT_0) {
                return;
            }
        }
    }

    // Reads the folder's notifications until it goes away (true) or cannot be read (false), or
    // the watch ends (stopping_).
    bool WatchFolder(HANDLE folder, HANDLE changed) {
        // Aligned for the notification records, which hold DWORDs.
        alignas(FILE_NOTIFY_INFORMATION) std::array<char, 16384> buffer{};
        bool probing = false;  // while a change waits for its writer to let go
        Clock::time_point nextProbe{};
        Clock::time_point probeUntil{};  // the last probe after that change
        for (;;) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = changed;
            ::ResetEvent(changed);
            if (::ReadDirectoryChangesW(folder, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FALSE,
                                        FILE_NOTIFY_CHANGE_FILE_NAME |
                                            FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE,
                                        nullptr, &overlapped, nullptr) == 0) {
                ::SetEvent(armed_.get());
                return false;
            }
            ::SetEvent(armed_.get());
            for (;;) {
                DWORD waitMs = INFINITE;
                if (probing) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                          nextProbe - Clock::now())
                                          .count();
                    waitMs = static_cast<DWORD>(std::max<std::int64_t>(0, left));
                }
                const std::array<HANDLE, 2> handles{changed, stop_.get()};
                const DWORD woke = ::WaitForMultipleObjects(2, handles.data(), FALSE, waitMs);
                if (woke == WAIT_TIMEOUT) {
                    const WriterState state = Probe();
                    if (state == WriterState::Open && Clock::now() < probeUntil) {
                        nextProbe = Clock::now() + std::chrono::milliseconds(kProbeStepMs);
                        continue;
                    }
                    probing = false;
                    if (state == WriterState::Closed) {
                        const std::lock_guard<std::mutex> hold(mutex_);
                        TellReady();
                    }
                    continue;
                }
                DWORD bytes = 0;
                if (woke != WAIT_OBJECT_0) {
                    stopping_ = true;
                    ::CancelIoEx(folder, &overlapped);
                    ::GetOverlappedResult(folder, &overlapped, &bytes, TRUE);
                    return true;
                }
                if (::GetOverlappedResult(folder, &overlapped, &bytes, FALSE) == 0) {
                    Record(true);  // the folder went away, and whatever was in it
                    return true;
                }
                if (Apply(buffer.data(), bytes)) {
                    // A burst of writes is one change: the first probe waits a little.
                    probing = true;
                    nextProbe = Clock::now() + std::chrono::milliseconds(kFirstProbeMs);
                    probeUntil = Clock::now() + std::chrono::milliseconds(kProbeForMs);
                }
                break;  // read the next notifications
            }
        }
    }

    // Takes one batch of notifications; whether it touched the watched name. An empty batch
    // means the system dropped some: every name may have changed.
    bool Apply(const char* records, DWORD bytes) {
        if (bytes == 0) {
            Record(false);
            return true;
        }
        bool touched = false;
        for (DWORD at = 0; at < bytes;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(records + at);
            const std::wstring name(record->FileName, record->FileNameLength / sizeof(WCHAR));
            if (!name_.empty() && ::lstrcmpiW(name.c_str(), name_.c_str()) == 0) {
                touched = true;
                Record(record->Action == FILE_ACTION_REMOVED ||
                       record->Action == FILE_ACTION_RENAMED_OLD_NAME);
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            at += record->NextEntryOffset;
        }
        return touched;
    }

    void Record(bool removed) {
        const std::lock_guard<std::mutex> hold(mutex_);
        RecordChange(removed);
    }

    std::string path_;
    std::string folder_;
    std::wstring name_;
    Handle stop_;
    Handle armed_;           // set once the thread reads the folder's changes (or cannot)
    bool stopping_ = false;  // the reader thread's own
    std::thread reader_;
};

// Owned by the thread that claimed it (the user-interface thread, which lives as long as the
// process); Windows gives it up when the process ends, however it ends.
class MutexLock : public ProcessLock {
  public:
    MutexLock(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() override {
        ::ReleaseMutex(handle_.get());
        ReleaseProcessClaim(name_);
    }

  private:
    Handle handle_;
    std::string name_;
};

std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) {
        ::LocalFree(text);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "errore " + std::to_string(error) : message;
}

}  // namespace

std::optional<FileStat> Win32Platform::StatFile(const std::string& path) {
    const Handle file(OpenShared(path, FILE_READ_ATTRIBUTES));
    if (!file.valid()) {
        return std::nullopt;
    }
    return StatHandle(file.get());
}

std::unique_ptr<ReadableFile> Win32Platform::OpenForReading(const std::string& path) {
    if (!FileExists(path)) {
        return nullptr;
    }
    const HANDLE file = OpenShared(path, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32ReadableFile>(file);
}

bool Win32Platform::ReplaceContents(const std::string& path, std::string_view bytes, bool synced) {
    // A name of its own each time, made exclusively: nothing someone left under a fixed name in
    // a shared folder is ever written through.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    const auto create = [&] {
        HANDLE handle = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
            temporary = path + "." + std::to_string(::GetCurrentProcessId()) + "-" +
                        std::to_string(counter++) + ".new";
            handle = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
                break;
            }
        }
        return handle;
    };
    {
        const Handle file(create());
        if (!file.valid()) {
            return false;
        }
        DWORD written = 0;
        if (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                        nullptr) == 0 ||
            written != bytes.size() || (synced && ::FlushFileBuffers(file.get()) == 0)) {
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    // A register that holds the old file open (without FILE_SHARE_DELETE, say) makes the rename
    // fail until it lets go, which a reader does within moments: tried again for a while, in
    // short steps. A lasting refusal of the same kind (a read-only file) costs that while once;
    // anything else fails at once. Either way the temporary file goes.
    const ULONGLONG deadline = ::GetTickCount64() + kReplaceRetryMs;
    for (;;) {
        if (::MoveFileExA(temporary.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | (synced ? MOVEFILE_WRITE_THROUGH : 0)) != 0) {
            return true;
        }
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                          error == ERROR_LOCK_VIOLATION;
        if (!held || ::GetTickCount64() >= deadline) {
            ::DeleteFileA(temporary.c_str());
            return false;
        }
        ::Sleep(kReplaceRetryStepMs);
    }
}

std::unique_ptr<WriterWatch> Win32Platform::WatchWriters(const std::string& path) {
    return std::make_unique<SharingWatch>(path);
}

ExclusiveClaim Win32Platform::ClaimExclusive(const std::string& name) {
    // A kernel object in the global namespace: every session's and every user's process meets
    // it, no file stands for it, and nobody can delete it from under the holder.
    const std::string objectName = "Global\\VarnixPos-" + text::HashName(name);
    // A mutex lets its owner in again: this process's own claims are refused before it.
    if (!TakeProcessClaim(objectName)) {
        return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
    }
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, objectName.c_str());
    if (mutex == nullptr) {
        const DWORD error = ::GetLastError();
        ReleaseProcessClaim(objectName);
        // Made by another user's process, which holds it still (it goes with its last handle).
        if (error == ERROR_ACCESS_DENIED) {
            return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
        }
        return {ExclusiveClaim::Outcome::Unavailable, nullptr, SystemMessage(error)};
    }
    const DWORD wait = ::WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        return {ExclusiveClaim::Outcome::Held, std::make_unique<MutexLock>(mutex, objectName), {}};
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(mutex);
    ReleaseProcessClaim(objectName);
    if (wait == WAIT_TIMEOUT) {
        return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
    }
    return {ExclusiveClaim::Outcome::Unavailable, nullptr, SystemMessage(error)};
}

std::optional<std::string> Win32Platform::FolderIdentity(const std::string& folderPath) {
    // A folder opens only with backup semantics; no right is asked, so nothing is kept from
    // anyone.
    const Handle folder(::CreateFileA(folderPath.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder.valid() || ::GetFileInformationByHandle(folder.get(), &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return std::to_string(info.dwVolumeSerialNumber) + ':' +
           std::to_string((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                          info.nFileIndexLow);
}

std::string Win32Platform::CanonicalPath(const std::string& path) {
    // Full, with the folder's long name when it exists, in upper case: Windows names files
    // without regard to case, so "c:\\io\\srinpf.txt" and "C:\\IO\\SRINPF.TXT" are one file.
    std::string full(MAX_PATH, '\0');
    DWORD length =
        ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length =
            ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(length > 0 && length < full.size() ? length : 0);
    if (full.empty()) {
        full = path;
    }
    const auto slash = full.find_last_of('\\');
    if (slash != std::string::npos) {
        const std::string folder = full.substr(0, slash + 1);
        std::string longFolder(MAX_PATH * 2, '\0');
        const DWORD n = ::GetLongPathNameA(folder.c_str(), longFolder.data(),
                                           static_cast<DWORD>(longFolder.size()));
        if (n > 0 && n < longFolder.size()) {
            longFolder.resize(n);
            if (longFolder.back() != '\\') {
                longFolder += '\\';
            }
            full = longFolder + full.substr(slash + 1);
        }
    }
    return text::ToUpper(full);
}

}  // namespace varnix::platform
