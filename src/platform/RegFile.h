// Reads a file in the Windows Registry Editor export format ("Windows Registry Editor Version
// 5.00" or "REGEDIT4", [HKEY_...\Key] sections, "Name"="text", dword:, hex: and hex(n): values)
// and answers value look-ups the way the registry would. Never throws: a file without the
// header holds no values, and a line it cannot parse is passed over.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace varnix::platform {

struct RegValue {
    std::uint32_t type = 0;
    std::string data;  // the bytes the registry stores: REG_SZ text ends with one NUL
};

class RegFile {
  public:
    static RegFile Parse(std::string_view contents);

    // `keyPath` is the full key, root included ("HKEY_CURRENT_USER\SOFTWARE\..."); key and
    // value names compare without regard to case, as in the registry. "" names the default value.
    std::optional<RegValue> Find(std::string_view keyPath, std::string_view valueName) const;

  private:
    static std::string NormalizeKey(std::string_view keyPath);

    std::map<std::string, std::map<std::string, RegValue>> keys_;
};

}  // namespace varnix::platform
