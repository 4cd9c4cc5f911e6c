#include "config/Paths.h"

#include "text/AnsiText.h"

namespace varnix::config {

std::string GetPathFolder(std::string_view path, PathStyle style) {
    const std::string_view stops = style == PathStyle::Windows ? ":\\" : "/";
    const auto pos = path.find_last_of(stops);
    if (pos == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, pos + 1));
}

bool IsBareFileName(std::string_view path, PathStyle style) {
    return path.find(SeparatorOf(style)) == std::string_view::npos;
}

bool IsValidIP(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const auto parts = text::Split(text, '.');
    if (parts.size() < 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const auto value = text::ParseNumber(parts[i]);
        if (!value || *value > 255) {
            return false;
        }
    }
    return true;
}

}  // namespace varnix::config
