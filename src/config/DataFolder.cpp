#include "config/DataFolder.h"

#include "platform/Registry.h"

namespace varnix::config {

std::string GetCustomDataDir(platform::Platform& platform) {
    std::string value;
    if (!platform::LeggiValoreRegistro(platform, platform::RegistryRoot::CurrentUser,
                                       kOverrideSubKey, kOverrideValueName, value) ||
        value.empty()) {
        return {};
    }
    // A NUL inside the value can name no folder (the file calls would see only part of it):
    // such an override is invalid, and the default location serves as for a missing folder.
    if (value.find('\0') != std::string::npos) {
        return {};
    }
    const char sep = platform.Separator();
    if (value.back() == sep) {
        value.pop_back();
    }
    // A value naming a missing folder is ignored without a word: the default location serves.
    return platform.FolderExists(value + sep) ? value : std::string();
}

std::string Read_CSIDL_COMMON_APPDATA(platform::Platform& platform) {
    return platform.CommonAppDataFolder();
}

std::string ResolveDataFolder(platform::Platform& platform) {
    const char sep = platform.Separator();
    const std::string custom = GetCustomDataDir(platform);
    if (!custom.empty()) {
        return custom + sep;
    }
    return Read_CSIDL_COMMON_APPDATA(platform) + sep + kDataFolderName + sep;
}

}  // namespace varnix::config
