// The two link-parameter records handed to the terminal library's Init functions, with their
// packed byte layouts. Each serial code is the decimal position of the matching console list item.
#pragma once

#include <cstddef>

#include "terminal/FixedText.h"

namespace varnix::terminal {

// EthParams, 22 bytes:
//   +0               +16      +22
//   | IPAddress (16) | Port(6) |
struct EthParams {
    static constexpr std::size_t kIPAddressOffset = 0;
    static constexpr std::size_t kPortOffset = 16;
    static constexpr std::size_t kSize = 22;

    FixedText<16> IPAddress;  // dotted text
    FixedText<6> Port;        // decimal text
};
static_assert(EthParams::kPortOffset == EthParams::kIPAddressOffset + 16);
static_assert(EthParams::kSize == EthParams::kPortOffset + 6);

// ComParams, 14 bytes:
//   +0           +6           +8           +10        +12          +14
//   | ComPort(6) | BaudRate(2) | DataBits(2) | Parity(2) | StopBits(2) |
struct ComParams {
    static constexpr std::size_t kComPortOffset = 0;
    static constexpr std::size_t kBaudRateOffset = 6;
    static constexpr std::size_t kDataBitsOffset = 8;
    static constexpr std::size_t kParityOffset = 10;
    static constexpr std::size_t kStopBitsOffset = 12;
    static constexpr std::size_t kSize = 14;

    FixedText<6> ComPort;   // "COM1" .. "COM20"
    FixedText<2> BaudRate;  // "0" 300 .. "5" 19200
    FixedText<2> DataBits;  // "0" 7 bits, "1" 8 bits
    FixedText<2> Parity;    // "0" none, "1" odd, "2" even
    FixedText<2> StopBits;  // "0" 1 stop bit, "1" 2 stop bits
};
static_assert(ComParams::kBaudRateOffset == ComParams::kComPortOffset + 6);
static_assert(ComParams::kDataBitsOffset == ComParams::kBaudRateOffset + 2);
static_assert(ComParams::kParityOffset == ComParams::kDataBitsOffset + 2);
static_assert(ComParams::kStopBitsOffset == ComParams::kParityOffset + 2);
static_assert(ComParams::kSize == ComParams::kStopBitsOffset + 2);

}  // namespace varnix::terminal
