// Finds the data folder: the per-user registry override CustomPathDataDir when it names an
// existing folder, otherwise ZANDRIKVarnixPos under the machine-wide application-data folder.
// Never creates the data folder itself and never shows a message.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace varnix::config {

inline constexpr const char* kOverrideSubKey = "SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX";
inline constexpr const char* kOverrideValueName = "CustomPathDataDir";
inline constexpr const char* kDataFolderName = "ZANDRIKVarnixPos";

// The override folder without a trailing separator, or "" when there is no usable override.
std::string GetCustomDataDir(platform::Platform& platform);

// The machine-wide application-data folder without a trailing separator, or "" on failure.
std::string Read_CSIDL_COMMON_APPDATA(platform::Platform& platform);

// The data folder, always ending with the platform's separator.
std::string ResolveDataFolder(platform::Platform& platform);

}  // namespace varnix::config
