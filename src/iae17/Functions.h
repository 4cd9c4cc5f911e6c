// The terminal library's ten operations, listed once: the enum the core calls them by, the name
// each is exported under, and the number that identifies it on the simulator's wire. The stand-in
// library defines its exports from this same list, so neither side can drift from the other.
#pragma once

#include <array>
#include <optional>

// X(Name, wire number): exported as "IAE17AX_" #Name, taking the request and outcome records.
#define IAE17_OPERATIONS(X)     \
    X(Payment, 1)               \
    X(PaymentExt, 2)            \
    X(Refund, 3)                \
    X(Void, 4)                  \
    X(TerminalBalance, 5)       \
    X(Closure, 6)               \
    X(Preauthorization, 7)      \
    X(PreauthorizationInt, 8)   \
    X(PreauthorizationClose, 9) \
    X(Status, 10)

// The four functions outside the table above take other arguments.
#define IAE17_INIT_ETH "IAE17AX_InitEth"
#define IAE17_INIT_RS232 "IAE17AX_InitRS232"
#define IAE17_GET_VERSION "IAE17AX_GetVersion"
#define IAE17_FREE "IAE17AX_Free"

namespace varnix::iae17 {

// The value of each operation is its wire number.
enum class Function {
#define IAE17_ENUM(name, wire) name = (wire),
    IAE17_OPERATIONS(IAE17_ENUM)
#undef IAE17_ENUM
};

struct FunctionEntry {
    Function function;
    const char* exportName;
};

inline constexpr std::array kFunctions = {
#define IAE17_ENTRY(name, wire) FunctionEntry{Function::name, "IAE17AX_" #name},
    IAE17_OPERATIONS(IAE17_ENTRY)
#undef IAE17_ENTRY
};

// The exported name of an operation, e.g. "IAE17AX_Payment".
constexpr const char* FunctionName(Function function) {
    for (const auto& entry : kFunctions) {
        if (entry.function == function) {
            return entry.exportName;
        }
    }
    return "";
}

constexpr int WireNumber(Function function) {
    return static_cast<int>(function);
}

// The operation a wire number stands for; none outside the table.
constexpr std::optional<Function> FunctionFromWire(int wire) {
    for (const auto& entry : kFunctions) {
        if (WireNumber(entry.function) == wire) {
            return entry.function;
        }
    }
    return std::nullopt;
}

// The exported name of the operation with this wire number; "" outside the table.
constexpr const char* FunctionNameOfWire(int wire) {
    const auto function = FunctionFromWire(wire);
    return function ? FunctionName(*function) : "";
}

}  // namespace varnix::iae17
