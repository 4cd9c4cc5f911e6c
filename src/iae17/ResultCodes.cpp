#include "iae17/ResultCodes.h"

namespace varnix::iae17 {

std::optional<std::string> ResultText(int code, bool ethernet) {
    switch (code) {
        case kResultOk:
            return "OK";
        case kResultLinkError:
            return ethernet ? "ETH ERROR" : "COM ERROR";
        case kResultProtocolError:
            return "PROTOCOL ERROR";
        case kResultTimeoutError:
            return "TIMEOUT ERROR";
        case kResultFunctionError:
            return "FUNCTION ERROR";
        case kResultPasswordError:
            return "PASSWORD ERROR";
        default:
            return std::nullopt;
    }
}

}  // namespace varnix::iae17
