// The command file's ten keywords, listed once: the dispatcher picks each line's handler from this
// list, the simulator judges, describes and records test-set steps from it, and bench/soak.py
// reads its rows (keyword and reaches, with a regex) to cover every keyword. It lives beside
// the library's functions because a keyword names the operation it reaches the terminal through.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "iae17/Functions.h"

// X(KEYWORD, handler, reaches, carries, noun, Italian instruction, English instruction)
//   KEYWORD   what a command line begins with; no keyword begins with another, so the order of
//             the rows never decides which one takes a line.
//   handler   the exchange::CommandHandlers member that runs the line.
//   reaches   the operation of IAE17_OPERATIONS the command reaches the terminal through, or Never
//             (the simulated payment, the status and the functions not available).
//   carries   what its A field is: Amount, Stan (the void's transaction number) or Nothing.
//   noun, the instructions: for a command that reaches the terminal, a recorded test-set step's
//             name and the instruction made up for a step without one ("<Italian><amount>",
//             "<English><amount> from the register"); "" for the others.
#define VARNIX_KEYWORDS(X)                                                          \
    X(POS_PAGAME, CmdPagamento, Never, Amount, "", "", "")                          \
    X(POS_PAGEXT, CmdPagamentoEsteso, PaymentExt, Amount, "pagamento",              \
      "Esegui dalla cassa un pagamento", "Make a payment")                          \
    X(POS_ACCRED, CmdAccredito, Refund, Amount, "accredito",                        \
      "Esegui dalla cassa un accredito (rimborso)", "Make a refund")                \
    X(POS_STORNO, CmdStorno, Void, Stan, "storno",                                  \
      "Esegui dalla cassa lo storno di una transazione", "Void a transaction")      \
    X(POS_TOTTER, CmdTotali, TerminalBalance, Nothing, "totali",                    \
      "Chiedi dalla cassa i totali del terminale", "Ask for the terminal's totals") \
    X(POS_CHCASS, CmdChiusura, Closure, Nothing, "chiusura",                        \
      "Esegui dalla cassa la chiusura contabile", "Run the end-of-day closure")     \
    X(POS_PREAUT, CmdPreautorizzazione, Never, Nothing, "", "", "")                 \
    X(POS_PREINT, CmdIntegrativa, Never, Nothing, "", "", "")                       \
    X(POS_CHPREA, CmdChiusuraPreaut, Never, Nothing, "", "", "")                    \
    X(POS_STATUS, CmdStato, Never, Nothing, "", "", "")

namespace varnix::iae17 {

enum class Carries { Nothing, Amount, Stan };

struct Keyword {
    std::string_view text;            // "POS_PAGEXT"
    std::optional<Function> reaches;  // none: the command never reaches the terminal
    Carries carries;
    const char* noun;
    const char* instructionIt;
    const char* instructionEn;
};

// The words of the table's "reaches" column: an operation of IAE17_OPERATIONS, or Never.
enum class Reaching {
    Never = 0,
#define IAE17_REACHING(name, wire) name = (wire),
    IAE17_OPERATIONS(IAE17_REACHING)
#undef IAE17_REACHING
};

constexpr std::optional<Function> Reached(Reaching reaching) {
    if (reaching == Reaching::Never) {
        return std::nullopt;
    }
    return static_cast<Function>(reaching);
}

inline constexpr std::array kKeywords = {
#define VARNIX_KEYWORD_ENTRY(keyword, handler, reaches, carries, noun, it, en) \
    Keyword{#keyword, Reached(Reaching::reaches), Carries::carries, noun, it, en},
    VARNIX_KEYWORDS(VARNIX_KEYWORD_ENTRY)
#undef VARNIX_KEYWORD_ENTRY
};

// The keyword a prepared command line begins with; none for a line no keyword takes.
constexpr const Keyword* FindKeyword(std::string_view line) {
    for (const auto& keyword : kKeywords) {
        if (line.starts_with(keyword.text)) {
            return &keyword;
        }
    }
    return nullptr;
}

// The keyword that reaches the terminal through `function`; none for the console's own calls.
constexpr const Keyword* KeywordReaching(Function function) {
    for (const auto& keyword : kKeywords) {
        if (keyword.reaches == function) {
            return &keyword;
        }
    }
    return nullptr;
}

namespace detail {
constexpr bool NoKeywordOpensAnother() {
    for (const auto& a : kKeywords) {
        for (const auto& b : kKeywords) {
            if (&a != &b && b.text.starts_with(a.text)) {
                return false;
            }
        }
    }
    return true;
}
}  // namespace detail
static_assert(detail::NoKeywordOpensAnother(), "a keyword that opens another would shadow it");

}  // namespace varnix::iae17
