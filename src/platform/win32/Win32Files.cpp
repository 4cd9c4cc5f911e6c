// The Windows side of the file identity (file index and volume serial), piecewise reading,
// durable replacing (write-through rename, waiting briefly for a reader to let go), writer
// watching (a writer's open handle makes an exclusive open fail with a sharing violation) and the
// process lock (LockFileEx).
#include "platform/win32/WindowsHeaders.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/win32/Win32Platform.h"

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
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    FileStat stat;
    stat.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stat.mtimeNs = FileTimeNs(info.ftLastWriteTime);
    stat.fileId = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stat.volume = info.dwVolumeSerialNumber;
    stat.ageMs = (FileTimeNs(now) - stat.mtimeNs) / 1000000;
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
        // Every other handle, the writer's included, makes an open that shares nothing fail.
        const HANDLE probe = ::CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            ::CloseHandle(probe);
            return WriterState::Closed;
        }
        return ::GetLastError() == ERROR_SHARING_VIOLATION ? WriterState::Writing
                                                           : WriterState::Unknown;
    }

  private:
    std::string path_;
};

class FileRangeLock : public ProcessLock {
  public:
    explicit FileRangeLock(HANDLE handle) : handle_(handle) {}
    bool Guards() const override { return true; }

  private:
    Handle handle_;  // closing it releases the lock
};

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

std::unique_ptr<ProcessLock> Win32Platform::TryLock(const std::string& path) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::make_unique<ProcessLock>();  // no lock to be had: run unguarded
    }
    OVERLAPPED at{};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) ==
        0) {
        ::CloseHandle(file);
        return nullptr;
    }
    return std::make_unique<FileRangeLock>(file);
}

}  // namespace varnix::platform
