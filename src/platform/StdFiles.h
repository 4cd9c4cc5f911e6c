// Whole-file reads and writes through the C library in binary mode, shared by both platform
// implementations. Paths are byte strings handed to the C library unchanged (the ANSI code page
// on Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnix::platform::stdfiles {

std::optional<std::string> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, std::string_view bytes);
bool AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace varnix::platform::stdfiles
