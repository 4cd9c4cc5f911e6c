#include "terminal/ResultCodes.h"

#include "terminal/TerminalLibrary.h"

namespace varnix::terminal {

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

const char* FunctionName(Function function) {
    switch (function) {
        case Function::Payment:
            return "IAE17AX_Payment";
        case Function::PaymentExt:
            return "IAE17AX_PaymentExt";
        case Function::Refund:
            return "IAE17AX_Refund";
        case Function::Void:
            return "IAE17AX_Void";
        case Function::TerminalBalance:
            return "IAE17AX_TerminalBalance";
        case Function::Closure:
            return "IAE17AX_Closure";
        case Function::Preauthorization:
            return "IAE17AX_Preauthorization";
        case Function::PreauthorizationInt:
            return "IAE17AX_PreauthorizationInt";
        case Function::PreauthorizationClose:
            return "IAE17AX_PreauthorizationClose";
        case Function::Status:
            return "IAE17AX_Status";
    }
    return "";
}

}  // namespace varnix::terminal
