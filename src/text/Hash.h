// FNV-1a, 64 bits: a quick fingerprint of bytes, enough to tell two versions of a small text file
// apart and to turn a path into a short name. Not for anything an adversary chooses to collide.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnix::text {

inline constexpr std::uint64_t kHashSeed = 0xcbf29ce484222325ULL;

inline std::uint64_t HashBytes(std::string_view bytes, std::uint64_t hash = kHashSeed) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The hash as 16 lower-case hex digits: a name that fits anywhere a file or object name goes.
inline std::string HashName(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::uint64_t hash = HashBytes(bytes);
    std::string name(16, '0');
    for (auto it = name.rbegin(); it != name.rend(); ++it) {
        *it = kDigits[hash & 0xFU];
        hash >>= 4U;
    }
    return name;
}

}  // namespace varnix::text
