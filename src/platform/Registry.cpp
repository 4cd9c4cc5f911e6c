#include "platform/Registry.h"

#include <cstdint>

namespace varnix::platform {

bool IsValidKeyPath(std::string_view subKey) {
    if (!subKey.empty() && (subKey.front() == '\\' || subKey.back() == '\\')) {
        return false;
    }
    return subKey.find("\\\\") == std::string_view::npos;
}

bool LeggiValoreRegistro(Platform& platform, RegistryRoot root, const std::string& subKey,
                         const std::string& valueName, std::string& value) {
    if (!IsValidKeyPath(subKey)) {
        return false;
    }
    const RegistryQuery query = platform.QueryRegistryValue(root, subKey, valueName);
    if (query.status != 0) {
        return false;
    }
    std::string data = query.data;
    if (!data.empty() && data.back() == '\0') {
        data.pop_back();
    }
    if (query.type == kRegSz) {
        value = data;
    } else if (query.type == kRegDword) {
        // The number comes from the raw four bytes: dropping a trailing NUL above would eat
        // the top byte of every small value.
        std::uint32_t v = 0;
        for (std::size_t i = query.data.size() < 4 ? query.data.size() : 4; i > 0; --i) {
            v = (v << 8) | static_cast<unsigned char>(query.data[i - 1]);
        }
        // The same reading as the &h notation the value would be formatted from: signed 32-bit.
        value = std::to_string(static_cast<std::int32_t>(v));
    } else {
        value.clear();
    }
    return true;
}

}  // namespace varnix::platform
