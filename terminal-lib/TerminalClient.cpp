#include "terminal-lib/TerminalClient.h"

#include <asio.hpp>
#include <chrono>
#include <cstdlib>

#include "iae17/ResultCodes.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnix::standin {

namespace {

using Clock = std::chrono::steady_clock;

int EnvMilliseconds(const char* name, int fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    const long ms = std::strtol(value, &end, 10);
    return (end != value && *end == '\0' && ms > 0 && ms < 3600000) ? static_cast<int>(ms)
                                                                    : fallback;
}

// Runs the context until `done` turns true or the deadline passes (false).
bool RunUntil(asio::io_context& io, const bool& done, Clock::time_point deadline) {
    io.restart();
    while (!done) {
        const auto now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        io.run_one_for(deadline - now);
    }
    return true;
}

template <typename Stream>
std::int16_t Converse(asio::io_context& io, Stream& stream, const std::string& frame,
                      std::uint32_t seq, int answerMs, iae17::PackedData& data) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(answerMs);
    bool done = false;
    asio::error_code error;
    asio::async_write(stream, asio::buffer(frame), [&](const asio::error_code& ec, std::size_t) {
        error = ec;
        done = true;
    });
    if (!RunUntil(io, done, deadline)) {
        return iae17::kResultTimeoutError;
    }
    if (error) {
        return iae17::kResultLinkError;
    }
    std::string received;
    char chunk[4096];
    for (;;) {
        proto::Frame answer;
        std::size_t consumed = 0;
        const auto status = proto::DecodeFrame(received, answer, consumed);
        if (status == proto::DecodeStatus::Malformed) {
            return iae17::kResultProtocolError;
        }
        if (status == proto::DecodeStatus::Complete) {
            const auto decoded = proto::DecodeAnswer(answer.payload);
            if (answer.type != proto::kAnswer || answer.seq != seq || !decoded) {
                return iae17::kResultProtocolError;
            }
            data = decoded->data;
            return decoded->result;
        }
        done = false;
        std::size_t n = 0;
        stream.async_read_some(asio::buffer(chunk),
                               [&](const asio::error_code& ec, std::size_t got) {
                                   error = ec;
                                   n = got;
                                   done = true;
                               });
        if (!RunUntil(io, done, deadline)) {
            return iae17::kResultTimeoutError;
        }
        if (error) {
            return iae17::kResultLinkError;  // closed or broken before the answer was whole
        }
        received.append(chunk, n);
    }
}

std::int16_t ExchangeEthernet(const LinkSettings& link, const Timeouts& timeouts,
                              const std::string& frame, std::uint32_t seq,
                              iae17::PackedData& data) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(link.address, ec);
    // Only this machine is ever contacted: any other address fails before a socket exists.
    if (ec || !address.is_loopback()) {
        return iae17::kResultLinkError;
    }
    char* end = nullptr;
    const long port = std::strtol(link.port.c_str(), &end, 10);
    if (link.port.empty() || *end != '\0' || port < 1 || port > 65535) {
        return iae17::kResultLinkError;
    }
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    bool done = false;
    asio::error_code connectError;
    socket.async_connect({address, static_cast<unsigned short>(port)},
                         [&](const asio::error_code& e) {
                             connectError = e;
                             done = true;
                         });
    if (!RunUntil(io, done, Clock::now() + std::chrono::milliseconds(timeouts.connectMs)) ||
        connectError) {
        return iae17::kResultLinkError;
    }
    const auto code = Converse(io, socket, frame, seq, timeouts.answerMs, data);
    socket.close(ec);
    return code;
}

#ifndef _WIN32
// True when `path` is a link to a pseudo-terminal: the only serial devices ever opened.
bool IsSimulatorLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return false;
    }
    char target[256];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 && std::string(target, static_cast<std::size_t>(n)).rfind("/dev/pts/", 0) == 0;
}

std::int16_t ExchangeSerial(const LinkSettings& link, const Timeouts& timeouts,
                            const std::string& frame, std::uint32_t seq, iae17::PackedData& data) {
    const std::string path = proto::SerialLinkPath(link.comPort);
    if (link.comPort.empty() || link.comPort.find('/') != std::string::npos ||
        !IsSimulatorLink(path)) {
        return iae17::kResultLinkError;
    }
    asio::io_context io;
    asio::serial_port port(io);
    asio::error_code ec;
    port.open(path, ec);
    if (ec) {
        return iae17::kResultLinkError;
    }
    static constexpr unsigned kBauds[] = {300, 1200, 2400, 4800, 9600, 19200};
    const int baud = link.baudCode >= 0 && link.baudCode < 6 ? link.baudCode : 4;
    using asio::serial_port_base;
    port.set_option(serial_port_base::baud_rate(kBauds[baud]), ec);
    port.set_option(serial_port_base::character_size(link.dataBitsCode == 0 ? 7 : 8), ec);
    port.set_option(
        serial_port_base::parity(link.parityCode == 2   ? serial_port_base::parity::even
                                 : link.parityCode == 1 ? serial_port_base::parity::odd
                                                        : serial_port_base::parity::none),
        ec);
    port.set_option(
        serial_port_base::stop_bits(link.stopBitsCode == 1 ? serial_port_base::stop_bits::two
                                                           : serial_port_base::stop_bits::one),
        ec);
    const auto code = Converse(io, port, frame, seq, timeouts.answerMs, data);
    port.close(ec);
    return code;
}
#endif

}  // namespace

Timeouts Timeouts::FromEnvironment() {
    Timeouts t;
    t.connectMs = EnvMilliseconds("VARNIXPOS_IAE17_CONNECT_MS", t.connectMs);
    t.answerMs = EnvMilliseconds("VARNIXPOS_IAE17_ANSWER_MS", t.answerMs);
    return t;
}

std::int16_t Exchange(const LinkSettings& link, const Timeouts& timeouts,
                      const proto::Request& request, std::uint32_t seq, iae17::PackedData& data) {
    try {
        const std::string frame =
            proto::EncodeFrame({proto::kRequest, seq, proto::EncodeRequest(request)});
        switch (link.kind) {
            case LinkSettings::Kind::Ethernet:
                return ExchangeEthernet(link, timeouts, frame, seq, data);
            case LinkSettings::Kind::Serial:
#ifndef _WIN32
                return ExchangeSerial(link, timeouts, frame, seq, data);
#else
                return iae17::kResultLinkError;  // no simulator serial link on Windows
#endif
            case LinkSettings::Kind::None:
                break;
        }
        return iae17::kResultLinkError;
    } catch (...) {
        return iae17::kResultLinkError;  // nothing may cross the C interface
    }
}

}  // namespace varnix::standin
