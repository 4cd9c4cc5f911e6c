// The stand-in terminal library: the vendor's fourteen C functions, answered by the terminal
// simulator. Init remembers the link; each operation runs one exchange on it.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "iae17/Functions.h"
#include "iae17/Iae17Abi.h"
#include "iae17/LinkParams.h"
#include "iae17/ResultCodes.h"
#include "terminal-lib/TerminalClient.h"

#ifdef _WIN32
#define IAE17_EXPORT extern "C" __declspec(dllexport)
#else
#define IAE17_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using varnix::standin::LinkSettings;
namespace iae17 = varnix::iae17;

std::mutex gMutex;
LinkSettings gLink;
std::atomic<std::uint32_t> gSeq{0};

// A fixed-width field without its padding: trailing blanks and NULs go.
template <std::size_t Width>
std::string Field(const iae17::FixedText<Width>& field) {
    std::string s = field.Text();
    const auto end = s.find_last_not_of(std::string(" \0", 2));
    s.erase(end == std::string::npos ? 0 : end + 1);
    const auto start = s.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : s.substr(start);
}

int Code(const iae17::FixedText<2>& field) {
    const std::string s = Field(field);
    return (s.size() == 1 && s[0] >= '0' && s[0] <= '9') ? s[0] - '0' : -1;
}

// The caller's bytes as a record: the record is exactly its packed bytes.
template <typename Record>
Record RecordOf(const char* bytes) {
    Record record;
    std::memcpy(&record, bytes, Record::kSize);
    return record;
}

short Operation(iae17::Function function, char* request, char* data) {
    if (request == nullptr || data == nullptr) {
        return iae17::kResultProtocolError;
    }
    LinkSettings link;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        link = gLink;
    }
    varnix::proto::Request r;
    r.function = iae17::WireNumber(function);
    std::memcpy(r.request.data(), request, r.request.size());
    std::memcpy(r.data.data(), data, r.data.size());
    varnix::iae17::PackedData answer{};
    const auto code = varnix::standin::Exchange(link, varnix::standin::Timeouts::FromEnvironment(),
                                                r, ++gSeq, answer);
    // Link, protocol and timeout errors leave the caller's record as it was.
    if (code != iae17::kResultLinkError && code != iae17::kResultProtocolError &&
        code != iae17::kResultTimeoutError) {
        std::memcpy(data, answer.data(), answer.size());
    }
    return code;
}

}  // namespace

IAE17_EXPORT short IAE17_CALL IAE17AX_InitEth(char* ethParams) {
    if (ethParams == nullptr) {
        return iae17::kResultProtocolError;
    }
    const auto params = RecordOf<iae17::EthParams>(ethParams);
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = {};
    gLink.kind = LinkSettings::Kind::Ethernet;
    gLink.address = Field(params.IPAddress);
    gLink.port = Field(params.Port);
    return iae17::kResultOk;
}

IAE17_EXPORT short IAE17_CALL IAE17AX_InitRS232(char* comParams) {
    if (comParams == nullptr) {
        return iae17::kResultProtocolError;
    }
    const auto params = RecordOf<iae17::ComParams>(comParams);
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = {};
    gLink.kind = LinkSettings::Kind::Serial;
    gLink.comPort = Field(params.ComPort);
    gLink.baudCode = Code(params.BaudRate);
    gLink.dataBitsCode = Code(params.DataBits);
    gLink.parityCode = Code(params.Parity);
    gLink.stopBitsCode = Code(params.StopBits);
    return iae17::kResultOk;
}

// One export per operation of the function table, under its plain name.
#define IAE17_DEFINE_OPERATION(name, wire)                                    \
    IAE17_EXPORT short IAE17_CALL IAE17AX_##name(char* request, char* data) { \
        return Operation(iae17::Function::name, request, data);               \
    }
IAE17_OPERATIONS(IAE17_DEFINE_OPERATION)
#undef IAE17_DEFINE_OPERATION

IAE17_EXPORT short IAE17_CALL IAE17AX_GetVersion(char* version) {
    if (version == nullptr) {
        return iae17::kResultProtocolError;
    }
    constexpr std::string_view kVersion = "SIM 1.0.0 ";  // exactly ten bytes, no terminator
    std::copy(kVersion.begin(), kVersion.end(), version);
    return iae17::kResultOk;
}

IAE17_EXPORT short IAE17_CALL IAE17AX_Free(void) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = {};  // a second Free finds nothing left to release
    return iae17::kResultOk;
}
