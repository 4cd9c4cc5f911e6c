// The Windows side of the file identity (file index and volume serial), piecewise reading,
// durable replacing (write-through rename, waiting briefly for a reader to let go), writer
// watching (a writer's open handle makes an exclusive open fail with a sharing violation), the
// machine-wide claim (a named mutex) and canonical paths.
#include "platform/win32/WindowsHeaders.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>

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

class SharingWatch : public WriterWatch {
  public:
    explicit SharingWatch(std::string path) : path_(std::move(path)) {}

    WriterState State() override {
        // Every other handle, the writer's included and whatever sharing it asked for, makes an
        // open that shares nothing fail: an open handle is always seen here, so it is Open (never
        // a guess that a long silence could end).
        const HANDLE probe = ::CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            ::CloseHandle(probe);
            return WriterState::Closed;
        }
        return ::GetLastError() == ERROR_SHARING_VIOLATION ? WriterState::Open
                                                           : WriterState::Unknown;
    }

  private:
    std::string path_;
};

// A mutex is owned by a thread, and its owner may take it again: the claims this process holds
// are kept here too, so that a second claim of the same name from within it is refused as well.
std::mutex& OwnClaimsMutex() {
    static std::mutex mutex;
    return mutex;
}
std::set<std::string>& OwnClaims() {
    static std::set<std::string> claims;
    return claims;
}

// Owned by the thread that claimed it (the user-interface thread, which lives as long as the
// process); Windows gives it up when the process ends, however it ends.
class MutexLock : public ProcessLock {
  public:
    MutexLock(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() override {
        ::ReleaseMutex(handle_.get());
        const std::lock_guard<std::mutex> hold(OwnClaimsMutex());
        OwnClaims().erase(name_);
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
    const std::lock_guard<std::mutex> own(OwnClaimsMutex());
    if (OwnClaims().count(objectName) != 0) {
        return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
    }
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, objectName.c_str());
    if (mutex == nullptr) {
        const DWORD error = ::GetLastError();
        // Made by another user's process, which holds it still (it goes with its last handle).
        if (error == ERROR_ACCESS_DENIED) {
            return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
        }
        return {ExclusiveClaim::Outcome::Unavailable, nullptr, SystemMessage(error)};
    }
    const DWORD wait = ::WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        OwnClaims().insert(objectName);
        return {ExclusiveClaim::Outcome::Held, std::make_unique<MutexLock>(mutex, objectName), {}};
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(mutex);
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
