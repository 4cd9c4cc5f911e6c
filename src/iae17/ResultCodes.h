// The terminal library's result codes and the texts the console shows for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace varnix::iae17 {

inline constexpr std::int16_t kResultOk = 0;
inline constexpr std::int16_t kResultLinkError = 1;
inline constexpr std::int16_t kResultProtocolError = 2;
inline constexpr std::int16_t kResultTimeoutError = 3;
inline constexpr std::int16_t kResultFunctionError = 4;
inline constexpr std::int16_t kResultPasswordError = 100;

// The text for `code`; a link error reads "ETH ERROR" or "COM ERROR" by connection type.
// Codes outside the table have no text.
std::optional<std::string> ResultText(int code, bool ethernet);

}  // namespace varnix::iae17
