// The path and address routines every part of the system shares. Windows paths separate with
// "\" and may carry a drive ("C:"); POSIX paths separate with "/" only, so that a ":" inside a
// Linux file name is never mistaken for a drive.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace varnix::config {

using platform::PathStyle;

#ifdef _WIN32
constexpr PathStyle kHostStyle = PathStyle::Windows;
#else
constexpr PathStyle kHostStyle = PathStyle::Posix;
#endif

constexpr char SeparatorOf(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

// The path up to and including its last separator (or, on Windows, drive colon); "" if none.
std::string GetPathFolder(std::string_view path, PathStyle style = kHostStyle);

// A value without any separator names a file in some folder given elsewhere.
bool IsBareFileName(std::string_view path, PathStyle style = kHostStyle);

// Dotted IPv4 check: at least four "."-separated parts, the first four numeric and at most 255;
// parts after the fourth and signs are not looked at.
bool IsValidIP(std::string_view text);

}  // namespace varnix::config
