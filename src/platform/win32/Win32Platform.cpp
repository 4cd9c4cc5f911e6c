#include "platform/win32/Win32Platform.h"

#include "platform/win32/WindowsHeaders.h"

#include <vector>
// windows.h first: shlobj.h depends on its types.
#include <shlobj.h>

#include <cstring>
#include <string>

#include "platform/StdFiles.h"
#include "text/AnsiText.h"

namespace varnix::platform {

namespace {

constexpr REGSAM kOpenAccess = 0x2003F;
constexpr DWORD kQueryBufferSize = 1024;

}  // namespace

RegistryQuery Win32Platform::QueryRegistryValue(RegistryRoot root, const std::string& subKey,
                                                const std::string& valueName) {
    RegistryQuery answer;
    HKEY rootKey = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY key = nullptr;
    LONG rc = ::RegOpenKeyExA(rootKey, subKey.c_str(), 0, kOpenAccess, &key);
    if (rc != ERROR_SUCCESS) {
        answer.status = rc;
        return answer;
    }
    char buffer[kQueryBufferSize];
    DWORD size = kQueryBufferSize;
    DWORD type = 0;
    rc = ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                            &size);
    ::RegCloseKey(key);
    answer.status = rc;
    if (rc == ERROR_SUCCESS) {
        answer.type = type;
        answer.data.assign(buffer, size <= kQueryBufferSize ? size : kQueryBufferSize);
    }
    return answer;
}

std::string Win32Platform::CommonAppDataFolder() {
    // A buffer of blanks: a shell that fails without writing leaves no NUL, which reads as
    // failure below.
    char buffer[MAX_PATH + 1];
    std::memset(buffer, ' ', sizeof buffer);
    if (!::SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_COMMON_APPDATA, TRUE)) {
        return {};
    }
    const void* nul = std::memchr(buffer, '\0', sizeof buffer);
    if (nul == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(buffer), static_cast<const char*>(nul));
}

std::string Win32Platform::SharedFolder(const std::string& relative) {
    // The machine-wide application-data folder: every user's process sees the same one, and the
    // installer lets every user write below its folder of VarnixPos.
    std::string folder = CommonAppDataFolder();
    if (folder.empty()) {
        return {};
    }
    for (const auto& part : text::Split(relative, '\\')) {
        if (part.empty()) {
            continue;
        }
        folder += '\\' + part;
        if (::CreateDirectoryA(folder.c_str(), nullptr) == 0 &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
    return FolderExists(folder) ? folder : std::string();
}

bool Win32Platform::FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::FolderExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::RemoveFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != 0;
}

std::optional<std::string> Win32Platform::ReadWholeFile(const std::string& path) {
    if (!FileExists(path)) {
        return std::nullopt;
    }
    return stdfiles::ReadWholeFile(path);
}

bool Win32Platform::WriteWholeFile(const std::string& path, std::string_view bytes) {
    return stdfiles::WriteWholeFile(path, bytes);
}

bool Win32Platform::AppendToFile(const std::string& path, std::string_view bytes) {
    return stdfiles::AppendToFile(path, bytes);
}

void Win32Platform::SleepMs(int milliseconds) {
    if (milliseconds > 0) {
        ::Sleep(static_cast<DWORD>(milliseconds));
    }
}

void* Win32Platform::LoadLibraryFile(const std::string& fileName, std::string& error) {
    // The loader's own order starts with the executable's folder.
    HMODULE module = ::LoadLibraryA(fileName.c_str());
    if (module == nullptr) {
        error = fileName + " (" + std::to_string(::GetLastError()) + ")";
    }
    return static_cast<void*>(module);
}

std::string Win32Platform::ExecutableFolder() {
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return {};
    }
    std::string folder(path, n);
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

std::optional<ProgramVersion> Win32Platform::ExecutableVersion() {
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return std::nullopt;
    }
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(path, 0, size, data.data())) {
        return std::nullopt;
    }
    void* fixedPointer = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(data.data(), "\\", &fixedPointer, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedPointer);
    ProgramVersion version;
    version.major = HIWORD(fixed->dwFileVersionMS);
    version.minor = LOWORD(fixed->dwFileVersionMS);
    version.revision = LOWORD(fixed->dwFileVersionLS);
    // The strings of the Italian, Windows-1252 block the resource carries.
    const auto text = [&data](const char* name) {
        void* value = nullptr;
        UINT chars = 0;
        const std::string query = std::string("\\StringFileInfo\\041004E4\\") + name;
        if (!::VerQueryValueA(data.data(), query.c_str(), &value, &chars) || chars == 0) {
            return std::string();
        }
        return std::string(static_cast<const char*>(value), chars - 1);
    };
    version.title = text("ProductName");
    version.comments = text("Comments");
    return version;
}

Platform::GenericFunction Win32Platform::FindFunction(void* library, const std::string& name) {
    FARPROC address = ::GetProcAddress(static_cast<HMODULE>(library), name.c_str());
    GenericFunction function = nullptr;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
}

std::string Win32Platform::CommandLineText(int /*argc*/, const char* const* /*argv*/) {
    // The raw command line, less the program name and the blanks after it: quotes inside the
    // arguments stay, since the run-once mode removes them itself.
    const char* p = ::GetCommandLineA();
    if (p == nullptr) {
        return {};
    }
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') {
            ++p;
        }
    }
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    return p;
}

Platform& HostPlatform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace varnix::platform
