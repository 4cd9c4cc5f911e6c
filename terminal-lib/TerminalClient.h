// The client side of one terminal exchange: opens the remembered link (loopback TCP, or the
// simulator's pseudo-terminal for a COM port), sends one request frame, waits for the answer and
// turns what happened into a result code. Never throws.
#pragma once

#include <cstdint>
#include <string>

#include "terminal-lib/protocol/Protocol.h"

namespace varnix::standin {

struct LinkSettings {
    enum class Kind { None, Ethernet, Serial };
    Kind kind = Kind::None;
    std::string address;  // Ethernet: as given, blanks and NULs trimmed
    std::string port;
    std::string comPort;   // Serial: "COM3"
    int baudCode = 4;      // list positions: 300, 1200, 2400, 4800, 9600, 19200
    int dataBitsCode = 1;  // 7, 8
    int parityCode = 0;    // none, odd, even
    int stopBitsCode = 0;  // 1, 2
};

// Milliseconds; read from VARNIXPOS_IAE17_CONNECT_MS and VARNIXPOS_IAE17_ANSWER_MS at each call.
struct Timeouts {
    int connectMs = 3000;
    int answerMs = 60000;
    static Timeouts FromEnvironment();
};

// Result codes: 1 nothing listening, refused address or dropped link; 2 malformed or unexpected
// answer; 3 no answer in time; otherwise the code the terminal answered, with `data` filled.
std::int16_t Exchange(const LinkSettings& link, const Timeouts& timeouts,
                      const proto::Request& request, std::uint32_t seq, iae17::PackedData& data);

}  // namespace varnix::standin
