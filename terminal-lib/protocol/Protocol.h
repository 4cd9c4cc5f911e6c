// The wire protocol between the stand-in terminal library and the terminal simulator: one
// request frame, one answer frame, over TCP or a serial line. Frames are 7-bit ASCII so that
// any serial setting carries them; docs/terminal-protocol.md draws the layout.
//
//   STX "VX1" SP type SP seq(8 hex) SP len(8 hex) SP payload(2*len hex) ETX crc(4 hex) CR LF
//
// Decoders accept any bytes without crashing: a frame is complete, needs more bytes, or is
// malformed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "iae17/Records.h"

namespace varnix::proto {

inline constexpr char kStx = '\x02';
inline constexpr char kEtx = '\x03';
inline constexpr char kRequest = 'Q';
inline constexpr char kAnswer = 'A';
inline constexpr std::uint32_t kMaxPayload = 64 * 1024;

struct Frame {
    char type = 0;
    std::uint32_t seq = 0;
    std::string payload;  // binary
};

std::string EncodeFrame(const Frame& frame);

enum class DecodeStatus { NeedMore, Complete, Malformed };

// Looks at the start of `buffer`. On Complete, `frame` is filled and `consumed` says how many
// bytes the frame took.
DecodeStatus DecodeFrame(std::string_view buffer, Frame& frame, std::size_t& consumed);

std::uint16_t Crc16(std::string_view bytes);  // CRC-16/CCITT-FALSE

// Function codes on the wire: 1..10 in the order of iae17::Function.
struct Request {
    int function = 0;  // 1..10
    iae17::PackedRequest request{};
    iae17::PackedData data{};
};
struct Answer {
    std::int16_t result = 0;
    iae17::PackedData data{};
};

std::string EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(std::string_view payload);
std::string EncodeAnswer(const Answer& answer);
std::optional<Answer> DecodeAnswer(std::string_view payload);

// Where the simulator links the pseudo-terminal that stands for serial port `comPort` ("COM3"):
// $XDG_RUNTIME_DIR/varnixpos/COM3, or /tmp/varnixpos-<uid>/COM3 without XDG_RUNTIME_DIR.
std::string SerialLinkFolder();
std::string SerialLinkPath(std::string_view comPort);

}  // namespace varnix::proto
