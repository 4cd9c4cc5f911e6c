#include "platform/BinaryImage.h"

#include <cstdint>

namespace varnix::platform {

namespace {

std::uint32_t Little(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
    }
    return value;
}

// The machine field of a PE file's COFF header.
constexpr std::uint32_t kMachineI386 = 0x014C;
constexpr std::uint32_t kMachineAmd64 = 0x8664;
constexpr std::uint32_t kMachineArm64 = 0xAA64;

}  // namespace

ImageBits BitsOfImage(std::string_view header) {
    if (header.size() >= 5 && header.substr(0, 4) ==
                                  "\x7F"
                                  "ELF") {
        // EI_CLASS: 1 for 32-bit objects, 2 for 64-bit ones.
        return header[4] == 1   ? ImageBits::Bits32
               : header[4] == 2 ? ImageBits::Bits64
                                : ImageBits::Unknown;
    }
    if (header.size() < 0x40 || header.substr(0, 2) != "MZ") {
        return ImageBits::Unknown;
    }
    // e_lfanew: where the "PE\0\0" signature and the COFF header start.
    const std::uint32_t pe = Little(header, 0x3C, 4);
    if (pe > header.size() || header.size() - pe < 6 ||
        header.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return ImageBits::Unknown;
    }
    switch (Little(header, pe + 4, 2)) {
        case kMachineI386:
            return ImageBits::Bits32;
        case kMachineAmd64:
        case kMachineArm64:
            return ImageBits::Bits64;
        default:
            return ImageBits::Unknown;
    }
}

std::string BitnessMismatch(const std::string& fileName, ImageBits file) {
    if (file == ImageBits::Unknown || file == kProcessBits) {
        return {};
    }
    // Windows-1252 text, as every message of the core: \xE8 is "e" with a grave accent.
    const bool file64 = file == ImageBits::Bits64;
    return fileName + (file64 ? " \xE8 a 64 bit: serve la versione a 32 bit"
                              : " \xE8 a 32 bit: serve la versione a 64 bit");
}

}  // namespace varnix::platform
