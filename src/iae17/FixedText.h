// A fixed-width text field of a terminal record. Assigned text is left-justified, padded with
// blanks and cut to the width; a field that was never assigned holds NUL bytes. The bytes are
// exactly what goes to the terminal library.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace varnix::iae17 {

template <std::size_t Width>
class FixedText {
  public:
    static constexpr std::size_t kWidth = Width;

    FixedText() { bytes_.fill('\0'); }

    void Assign(std::string_view text) {
        bytes_.fill(' ');
        text.copy(bytes_.data(), text.size() < Width ? text.size() : Width);
    }

    // All Width bytes, NULs and padding included.
    std::string Text() const { return std::string(bytes_.data(), Width); }

    // Raw access for marshalling to and from the packed record layout.
    const char* data() const { return bytes_.data(); }
    char* data() { return bytes_.data(); }

    bool operator==(const FixedText&) const = default;

  private:
    std::array<char, Width> bytes_;
};

}  // namespace varnix::iae17
