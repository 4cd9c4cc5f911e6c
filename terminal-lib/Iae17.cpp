// The stand-in terminal library: the vendor's fourteen C functions, answered by the terminal
// simulator. Init remembers the link; each operation runs one exchange on it.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "terminal-lib/TerminalClient.h"
#include "terminal/Iae17Abi.h"

#ifdef _WIN32
#define IAE17_EXPORT extern "C" __declspec(dllexport)
#else
#define IAE17_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using varnix::iae17::LinkSettings;

std::mutex gMutex;
LinkSettings gLink;
std::atomic<std::uint32_t> gSeq{0};

// A fixed-width field without its padding: trailing blanks and NULs go.
std::string Field(const char* bytes, std::size_t width) {
    std::string s(bytes, width);
    const auto end = s.find_last_not_of(std::string(" \0", 2));
    s.erase(end == std::string::npos ? 0 : end + 1);
    const auto start = s.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : s.substr(start);
}

int Code(const char* bytes) {
    const std::string s = Field(bytes, 2);
    return (s.size() == 1 && s[0] >= '0' && s[0] <= '9') ? s[0] - '0' : -1;
}

short Operation(int function, char* request, char* data) {
    if (request == nullptr || data == nullptr) {
        return 2;
    }
    LinkSettings link;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        link = gLink;
    }
    varnix::proto::Request r;
    r.function = function;
    std::memcpy(r.request.data(), request, r.request.size());
    std::memcpy(r.data.data(), data, r.data.size());
    varnix::terminal::PackedData answer{};
    const auto code = varnix::iae17::Exchange(link, varnix::iae17::Timeouts::FromEnvironment(), r,
                                              ++gSeq, answer);
    if (code == 0 || code > 3) {
        std::memcpy(data, answer.data(), answer.size());
    }
    return code;
}

}  // namespace

IAE17_EXPORT short IAE17_CALL IAE17AX_InitEth(char* ethParams) {
    if (ethParams == nullptr) {
        return 2;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = {};
    gLink.kind = LinkSettings::Kind::Ethernet;
    gLink.address = Field(ethParams, 16);
    gLink.port = Field(ethParams + 16, 6);
    return 0;
}

IAE17_EXPORT short IAE17_CALL IAE17AX_InitRS232(char* comParams) {
    if (comParams == nullptr) {
        return 2;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = {};
    gLink.kind = LinkSettings::Kind::Serial;
    gLink.comPort = Field(comParams, 6);
    gLink.baudCode = Code(comParams + 6);
    gLink.dataBitsCode = Code(comParams + 8);
    gLink.parityCode = Code(comParams + 10);
    gLink.stopBitsCode = Code(comParams + 12);
    return 0;
}

IAE17_EXPORT short IAE17_CALL IAE17AX_Payment(char* request, char* data) {
    return Operation(1, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_PaymentExt(char* request, char* data) {
    return Operation(2, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_Refund(char* request, char* data) {
    return Operation(3, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_Void(char* request, char* data) {
    return Operation(4, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_TerminalBalance(char* request, char* data) {
    return Operation(5, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_Closure(char* request, char* data) {
    return Operation(6, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_Preauthorization(char* request, char* data) {
    return Operation(7, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_PreauthorizationInt(char* request, char* data) {
    return Operation(8, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_PreauthorizationClose(char* request, char* data) {
    return Operation(9, request, data);
}
IAE17_EXPORT short IAE17_CALL IAE17AX_Status(char* request, char* data) {
    return Operation(10, request, data);
}

IAE17_EXPORT short IAE17_CALL IAE17AX_GetVersion(char* version) {
    if (version == nullptr) {
        return 2;
    }
    constexpr std::string_view kVersion = "SIM 1.0.0 ";  // exactly ten bytes, no terminator
    std::copy(kVersion.begin(), kVersion.end(), version);
    return 0;
}

IAE17_EXPORT short IAE17_CALL IAE17AX_Free(void) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLink = {};  // a second Free finds nothing left to release
    return 0;
}
