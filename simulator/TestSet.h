// A test set: the steps a register developer walks through while the simulator plays the
// terminal, read from JSON (docs/test-sets.md). Every mistake in the file is reported at once,
// each naming its step, in the run's language, before anything runs; a set that parses is
// complete and consistent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix::sim {

// The command file's keywords as the steps name them (iae17/Keywords.h holds them). The keyword
// of a command line ("POS_PAGEXT,A1250" → "POS_PAGEXT"); "" for none of the ten.
std::string KeywordOf(std::string_view commandLine);
// Whether the keyword's command reaches the terminal; the others never do.
bool ReachesTerminal(std::string_view keyword);
// Whether the keyword reaches the terminal carrying an amount; a void carries a STAN instead.
bool TakesAmount(std::string_view keyword);
bool CarriesStan(std::string_view keyword);
// The keyword that reaches the terminal through this wire function; "" for none.
std::string KeywordOfWire(int wire);

// How the scripted terminal treats the request of a step.
enum class ScriptedAnswer {
    Approved,  // the terminal model answers as a real terminal would
    Declined,  // a well-formed answer refusing the transaction
    Timeout,   // no answer at all
    Drop,      // half an answer, then the link goes down
    Refuse,    // the connection is refused: the request never arrives
    Busy,      // the request is read, then the link hangs up without a word
    Garbled,   // bytes that are no answer frame
    Code,      // the result code `code`, the record handed back untouched
};
const char* NameOf(ScriptedAnswer answer);

struct Terminal {
    ScriptedAnswer answer = ScriptedAnswer::Approved;
    int code = 0;                                  // with ScriptedAnswer::Code
    std::string reason = "TRANSAZIONE RIFIUTATA";  // with ScriptedAnswer::Declined
    int delayMs = 0;
};

// An identifier the request must carry: not looked at, any non-blank value, or this value.
struct IdRule {
    enum class Kind { Any, Present, Exactly };
    Kind kind = Kind::Any;
    std::string value;
};

struct ExpectedRequest {
    std::string command;  // a keyword that reaches the terminal
    std::optional<std::int64_t> amount, amountMin, amountMax;  // cents
    std::string stan;                                          // the exact STAN to void
    std::string stanOf;  // or the STAN the terminal gave in this earlier step
    IdRule terminalId, ecrId;
};

// What the register must do once the step's exchange is over.
struct Then {
    enum class Kind {
        Command,   // its next command is `command`, within `withinMs`
        NoRepeat,  // it does not send the step's command again within `withinMs`
    };
    Kind kind = Kind::Command;
    std::string command;
    int withinMs = 0;
};

struct Step {
    std::string name;
    std::string instruction;  // in the run's language; made up from `expect` when the file has none
    ExpectedRequest expect;
    Terminal terminal;
    int timeLimitMs = 60000;  // made from the answer and delay when the file gives none
    std::vector<Then> then;

    // Whether judging the step needs the exchange history: what VarnixPos recorded is the only
    // witness of a refused connection and of commands that never reach the terminal.
    bool NeedsHistory() const;
    // The command its "then" wants next ("" for none).
    std::string NextCommand() const;
    // Whether the register must not send its command again for a while (a "no repeat" entry).
    bool ForbidsRepeat() const;
};

// A register that sends a payment again by itself may charge twice: every step that moves money,
// and every step whose terminal leaves the outcome in doubt or says no, watches for a resend this
// long after its exchange unless the set or the step says otherwise (0 switches it off).
inline constexpr int kDefaultNoRepeatMs = 5000;

struct TestSet {
    std::string name;
    std::string description;
    std::vector<Step> steps;
    // How long the run watches after the last step for requests no step expects.
    int afterLastMs = kDefaultNoRepeatMs;
    std::vector<std::string> languages;  // "it", then the others the instructions come in
};

// No test set is anywhere near this size; a bigger file is refused before it is read.
inline constexpr std::size_t kMaxTestSetBytes = std::size_t{16} * 1024 * 1024;

// Parses a test set. `language` picks the instructions ("it", "en") and the language of the
// mistakes (English for "en", Italian otherwise); a step without an instruction in that language
// falls back to Italian, then to one made up from what it expects. A language other than those
// two that no instruction of the set comes in is a mistake. On mistakes: nothing, and `error` says
// each, one a line.
std::optional<TestSet> ParseTestSet(std::string_view json, const std::string& language,
                                    std::string& error);

// The instruction made up from what a step expects, for a step whose file gives none.
std::string MadeUpInstruction(const ExpectedRequest& expect, bool english);

// "12,50 €" (UTF-8).
std::string EuroText(std::int64_t cents);

// UTF-8 text with what a terminal would act on instead of showing — C0 and C1 control
// characters, DEL, the line and paragraph separators — each turned into "?".
std::string Printable(std::string_view utf8);

}  // namespace varnix::sim
