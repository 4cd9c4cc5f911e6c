// The two link-parameter records handed to the terminal library's Init functions. Each record's
// bytes are its fields in declaration order, exactly as drawn here; each serial code is the
// decimal position of the matching console list item.
#pragma once

#include <cstddef>
#include <type_traits>

#include "iae17/FixedText.h"

namespace varnix::iae17 {

// EthParams, 22 bytes:
//   +0               +16       +22
//   | IPAddress (16) | Port (6) |
struct EthParams {
    static constexpr std::size_t kSize = 22;

    FixedText<16> IPAddress;  // dotted text
    FixedText<6> Port;        // decimal text
};

// ComParams, 14 bytes:
//   +0            +6            +8            +10         +12           +14
//   | ComPort (6) | BaudRate (2) | DataBits (2) | Parity (2) | StopBits (2) |
struct ComParams {
    static constexpr std::size_t kSize = 14;

    FixedText<6> ComPort;   // "COM1" .. "COM20"
    FixedText<2> BaudRate;  // "0" 300 .. "5" 19200
    FixedText<2> DataBits;  // "0" 7 bits, "1" 8 bits
    FixedText<2> Parity;    // "0" none, "1" odd, "2" even
    FixedText<2> StopBits;  // "0" 1 stop bit, "1" 2 stop bits
};

// A record is its packed bytes: the fields' widths must add up to the size the library expects.
template <typename Record>
constexpr bool kIsPackedRecord =
    std::is_standard_layout_v<Record>&& std::is_trivially_copyable_v<Record> &&
    sizeof(Record) == Record::kSize;

static_assert(kIsPackedRecord<EthParams>);
static_assert(kIsPackedRecord<ComParams>);

}  // namespace varnix::iae17
