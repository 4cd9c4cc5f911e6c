// Reads one registry value as text on top of the platform's raw query: the sub-key's shape is
// checked first, REG_SZ becomes its text and REG_DWORD its decimal number. Never shows a message.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace varnix::platform {

// True when the sub-key neither begins nor ends with a backslash and has no two in a row.
bool IsValidKeyPath(std::string_view subKey);

// True on success, with `value` set; on any failure `value` is left as it was.
bool LeggiValoreRegistro(Platform& platform, RegistryRoot root, const std::string& subKey,
                         const std::string& valueName, std::string& value);

}  // namespace varnix::platform
