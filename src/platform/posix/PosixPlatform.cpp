#include "platform/posix/PosixPlatform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/RegFile.h"
#include "platform/StdFiles.h"
#include "text/AnsiText.h"

namespace varnix::platform {

namespace {

// Win32 status codes, so that callers see the same answers on every platform.
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;
constexpr std::size_t kQueryBufferSize = 1024;

// An XDG base directory: the variable when it holds an absolute path, else $HOME + fallback.
std::string XdgDir(const char* variable, const char* homeRelative) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return std::string(home) + homeRelative;
}

bool MakeDirectories(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) {
        return false;
    }
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace

std::string PosixPlatform::RegistryFilePath() {
    const auto base = XdgDir("XDG_CONFIG_HOME", "/.config");
    return base.empty() ? std::string() : base + "/varnixpos/registry.reg";
}

RegistryQuery PosixPlatform::QueryRegistryValue(RegistryRoot root, const std::string& subKey,
                                                const std::string& valueName) {
    RegistryQuery answer;
    answer.status = kErrorFileNotFound;
    const auto path = RegistryFilePath();
    if (path.empty()) {
        return answer;
    }
    const auto contents = stdfiles::ReadWholeFile(path);
    if (!contents) {
        return answer;
    }
    const std::string rootName =
        root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    const auto value = RegFile::Parse(*contents).Find(rootName + "\\" + subKey, valueName);
    if (!value) {
        return answer;
    }
    if (value->data.size() > kQueryBufferSize) {
        answer.status = kErrorMoreData;
        return answer;
    }
    answer.status = 0;
    answer.type = value->type;
    answer.data = value->data;
    return answer;
}

std::string PosixPlatform::CommonAppDataFolder() {
    auto folder = XdgDir("XDG_DATA_HOME", "/.local/share");
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (folder.empty() || !MakeDirectories(folder)) {
        return {};
    }
    return folder;
}

std::string PosixPlatform::SharedFolder(const std::string& relative) {
    // /var/tmp outlives a reboot, which a journal of payments must; every user may write there.
    // A folder made here is open to every user like /var/tmp itself (sticky: nobody removes
    // another's files).
    std::string folder = "/var/tmp";
    for (const auto& part : text::Split(relative, '/')) {
        if (part.empty()) {
            continue;
        }
        folder += '/' + part;
        if (::mkdir(folder.c_str(), 0777) == 0) {
            ::chmod(folder.c_str(), 01777);
        } else if (errno != EEXIST) {
            return {};
        }
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? folder : std::string();
}

bool PosixPlatform::FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixPlatform::FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixPlatform::RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::optional<std::string> PosixPlatform::ReadWholeFile(const std::string& path) {
    if (!FileExists(path)) {
        return std::nullopt;  // fopen would happily open a folder for reading
    }
    return stdfiles::ReadWholeFile(path);
}

bool PosixPlatform::WriteWholeFile(const std::string& path, std::string_view bytes) {
    return stdfiles::WriteWholeFile(path, bytes);
}

bool PosixPlatform::AppendToFile(const std::string& path, std::string_view bytes) {
    // One write to a file opened for appending lands whole after whatever another process
    // appended (stdio would cut a long line into 4 KB writes, and two processes sharing a data
    // folder would tear each other's history lines).
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    bool written = true;
    while (!bytes.empty()) {
        const auto n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            written = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return ::close(fd) == 0 && written;
}

void PosixPlatform::SleepMs(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::string PosixPlatform::ExecutableFolder() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return {};
    }
    std::string folder(self, static_cast<std::size_t>(n));
    folder.erase(folder.find_last_of('/') + 1);
    return folder;
}

void* PosixPlatform::LoadLibraryFile(const std::string& fileName, std::string& error) {
    // Beside the executable first: the stand-in library ships there, and a developer's own
    // build must win over anything installed system-wide.
    const std::string folder = ExecutableFolder();
    if (!folder.empty()) {
        if (void* handle = ::dlopen((folder + fileName).c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return handle;
        }
    }
    if (void* handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        return handle;
    }
    const char* reason = ::dlerror();
    error = reason != nullptr ? reason : fileName;
    return nullptr;
}

Platform::GenericFunction PosixPlatform::FindFunction(void* library, const std::string& name) {
    void* symbol = ::dlsym(library, name.c_str());
    GenericFunction function = nullptr;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

std::string PosixPlatform::CommandLineText(int argc, const char* const* argv) {
    // Joined with single blanks, so that "-E /x/c.txt" leaves " /x/c.txt" after the switch,
    // exactly as the Windows command line would.
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text.push_back(' ');
        }
        text += argv[i];
    }
    return text;
}

Platform& HostPlatform() {
    static PosixPlatform platform;
    return platform;
}

}  // namespace varnix::platform
