#include "terminal-lib/protocol/Protocol.h"

#include "iae17/Functions.h"

#include <array>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace varnix::proto {

namespace {

constexpr std::string_view kMagic = "VX1";
constexpr char kHex[] = "0123456789ABCDEF";
// STX, "VX1", SP, type, SP, 8 hex, SP, 8 hex, SP
constexpr std::size_t kHeaderSize = 1 + 3 + 1 + 1 + 1 + 8 + 1 + 8 + 1;
constexpr std::size_t kTrailerSize = 1 + 4 + 2;  // ETX, crc, CR LF

void AppendHex(std::string& out, std::uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out.push_back(kHex[(value >> (4 * i)) & 0xFU]);
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::uint32_t> ParseHex(std::string_view s) {
    std::uint32_t value = 0;
    for (char c : s) {
        const int d = HexValue(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

}  // namespace

std::uint16_t Crc16(std::string_view bytes) {
    unsigned crc = 0xFFFFU;
    for (char c : bytes) {
        crc ^= static_cast<unsigned>(static_cast<unsigned char>(c)) << 8U;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000U) != 0 ? ((crc << 1U) ^ 0x1021U) : (crc << 1U);
            crc &= 0xFFFFU;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

std::string EncodeFrame(const Frame& frame) {
    std::string out;
    out.reserve(kHeaderSize + frame.payload.size() * 2 + kTrailerSize);
    out.push_back(kStx);
    out += kMagic;
    out.push_back(' ');
    out.push_back(frame.type);
    out.push_back(' ');
    AppendHex(out, frame.seq, 8);
    out.push_back(' ');
    AppendHex(out, static_cast<std::uint32_t>(frame.payload.size()), 8);
    out.push_back(' ');
    for (char c : frame.payload) {
        AppendHex(out, static_cast<unsigned char>(c), 2);
    }
    out.push_back(kEtx);
    AppendHex(out, Crc16(std::string_view(out).substr(1)), 4);
    out += "\r\n";
    return out;
}

DecodeStatus DecodeFrame(std::string_view buffer, Frame& frame, std::size_t& consumed) {
    // Check each byte as soon as it is there, so garbage is refused without waiting for more.
    const std::string_view prefix = "\x02VX1 ";
    for (std::size_t i = 0; i < prefix.size() && i < buffer.size(); ++i) {
        if (buffer[i] != prefix[i]) {
            return DecodeStatus::Malformed;
        }
    }
    if (buffer.size() < kHeaderSize) {
        return DecodeStatus::NeedMore;
    }
    const char type = buffer[5];
    if ((type != kRequest && type != kAnswer) || buffer[6] != ' ' || buffer[15] != ' ' ||
        buffer[24] != ' ') {
        return DecodeStatus::Malformed;
    }
    const auto seq = ParseHex(buffer.substr(7, 8));
    const auto length = ParseHex(buffer.substr(16, 8));
    if (!seq || !length || *length > kMaxPayload) {
        return DecodeStatus::Malformed;
    }
    const std::size_t total = kHeaderSize + 2 * static_cast<std::size_t>(*length) + kTrailerSize;
    if (buffer.size() < total) {
        // Refuse a non-hex byte inside the payload early rather than wait for the whole frame.
        const auto seen = buffer.substr(kHeaderSize, 2 * static_cast<std::size_t>(*length));
        for (char c : seen) {
            if (HexValue(c) < 0) {
                return DecodeStatus::Malformed;
            }
        }
        return DecodeStatus::NeedMore;
    }
    const std::size_t etx = kHeaderSize + 2 * static_cast<std::size_t>(*length);
    if (buffer[etx] != kEtx || buffer[etx + 5] != '\r' || buffer[etx + 6] != '\n') {
        return DecodeStatus::Malformed;
    }
    const auto crc = ParseHex(buffer.substr(etx + 1, 4));
    if (!crc || *crc != Crc16(buffer.substr(1, etx))) {
        return DecodeStatus::Malformed;
    }
    std::string payload;
    payload.reserve(*length);
    for (std::size_t i = kHeaderSize; i < etx; i += 2) {
        const int hi = HexValue(buffer[i]);
        const int lo = HexValue(buffer[i + 1]);
        if (hi < 0 || lo < 0) {
            return DecodeStatus::Malformed;
        }
        payload.push_back(static_cast<char>((hi << 4) | lo));
    }
    frame.type = type;
    frame.seq = *seq;
    frame.payload = std::move(payload);
    consumed = total;
    return DecodeStatus::Complete;
}

std::string EncodeRequest(const Request& request) {
    std::string out;
    out.push_back(static_cast<char>(request.function));
    out.append(request.request.data(), request.request.size());
    out.append(request.data.data(), request.data.size());
    return out;
}

std::optional<Request> DecodeRequest(std::string_view payload) {
    if (payload.size() != 1 + iae17::POSRequest::kSize + iae17::POSData::kSize) {
        return std::nullopt;
    }
    Request r;
    r.function = static_cast<unsigned char>(payload[0]);
    if (!iae17::FunctionFromWire(r.function)) {
        return std::nullopt;
    }
    std::memcpy(r.request.data(), payload.data() + 1, r.request.size());
    std::memcpy(r.data.data(), payload.data() + 1 + r.request.size(), r.data.size());
    return r;
}

std::string EncodeAnswer(const Answer& answer) {
    std::string out;
    const auto code = static_cast<std::uint16_t>(answer.result);
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFFU));
    out.append(answer.data.data(), answer.data.size());
    return out;
}

std::optional<Answer> DecodeAnswer(std::string_view payload) {
    if (payload.size() != 2 + iae17::POSData::kSize) {
        return std::nullopt;
    }
    Answer a;
    const auto hi = static_cast<unsigned char>(payload[0]);
    const auto lo = static_cast<unsigned char>(payload[1]);
    a.result = static_cast<std::int16_t>(static_cast<std::uint16_t>((hi << 8) | lo));
    std::memcpy(a.data.data(), payload.data() + 2, a.data.size());
    return a;
}

std::string SerialLinkFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::string(runtime) + "/varnixpos";
    }
#ifdef _WIN32
    return {};
#else
    return "/tmp/varnixpos-" + std::to_string(::getuid());
#endif
}

std::string SerialLinkPath(std::string_view comPort) {
    return SerialLinkFolder() + "/" + std::string(comPort);
}

}  // namespace varnix::proto
