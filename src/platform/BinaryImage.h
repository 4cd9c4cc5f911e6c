// Tells a 32-bit program file from a 64-bit one by its header bytes (Windows PE, ELF), so that a
// terminal library of the wrong bitness is reported as such and not as missing: the vendor's
// library is usually 32-bit, and the loader's own answer ("bad format") says nothing useful.
#pragma once

#include <string>
#include <string_view>

namespace varnix::platform {

enum class ImageBits { Unknown, Bits32, Bits64 };

// The bitness of the program file that starts with `header` (the first kilobytes are enough).
ImageBits BitsOfImage(std::string_view header);

// The bitness of this process.
constexpr ImageBits kProcessBits = sizeof(void*) == 8 ? ImageBits::Bits64 : ImageBits::Bits32;

// "Iae17.dll è a 64 bit: serve la versione a 32 bit" when `file` is known and differs from this
// process; "" otherwise.
std::string BitnessMismatch(const std::string& fileName, ImageBits file);

}  // namespace varnix::platform
