#include "simulator/TestSet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

#include "iae17/Functions.h"
#include "text/AnsiText.h"

namespace varnix::sim {

namespace {

using json = nlohmann::json;
using iae17::Function;
using iae17::WireNumber;

// A mistake in the file: carries its message up to ParseTestSet, which adds the step.
struct Mistake {
    std::string message;
};

constexpr int kMaxSeconds = 24 * 3600;
constexpr int kDefaultTimeLimitMs = 60000;
constexpr int kLibraryWaitMs = 60000;  // how long the library waits for an answer, by default

struct AnswerName {
    ScriptedAnswer answer;
    const char* name;
};
constexpr AnswerName kAnswerNames[] = {
    {ScriptedAnswer::Approved, "approved"}, {ScriptedAnswer::Declined, "declined"},
    {ScriptedAnswer::Timeout, "timeout"},   {ScriptedAnswer::Drop, "drop"},
    {ScriptedAnswer::Refuse, "refuse"},     {ScriptedAnswer::Busy, "busy"},
    {ScriptedAnswer::Garbled, "garbled"},   {ScriptedAnswer::Code, "code"},
};

void OnlyKeys(const json& object, std::initializer_list<const char*> keys, const char* what) {
    if (!object.is_object()) {
        throw Mistake{std::string(what) + " must be an object"};
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& key = it.key();
        if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return key == k; })) {
            std::string known;
            for (const char* k : keys) {
                known += known.empty() ? k : std::string(", ") + k;
            }
            throw Mistake{"unknown key \"" + key + "\" in " + what + " (known: " + known + ")"};
        }
    }
}

// A string of the file. Control characters would reach the developer's terminal as they are (and
// a line end could fake a step's announcement for a register that follows the output): refused.
std::string Text(const json& value, const char* what) {
    if (!value.is_string()) {
        throw Mistake{std::string(what) + " must be a string"};
    }
    std::string text = value.get<std::string>();
    if (Printable(text) != text) {
        throw Mistake{std::string(what) + " must not hold control characters (line ends, tabs...)"};
    }
    return text;
}

std::int64_t Whole(const json& value, const char* what, std::int64_t low, std::int64_t high) {
    // An unsigned number beyond int64_t would read back negative.
    const bool tooBig =
        value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(high);
    if (!value.is_number_integer() || tooBig || value.get<std::int64_t>() < low ||
        value.get<std::int64_t>() > high) {
        throw Mistake{std::string(what) + " must be a whole number from " + std::to_string(low) +
                      " to " + std::to_string(high)};
    }
    return value.get<std::int64_t>();
}

int Milliseconds(const json& seconds, const char* what) {
    if (!seconds.is_number() || seconds.get<double>() <= 0 || seconds.get<double>() > kMaxSeconds) {
        throw Mistake{std::string(what) + " must be a number of seconds above 0, at most " +
                      std::to_string(kMaxSeconds)};
    }
    const auto ms = static_cast<int>(std::lround(seconds.get<double>() * 1000));
    if (ms == 0) {
        throw Mistake{std::string(what) + " must be at least 0.001 (a millisecond)"};
    }
    return ms;
}

// The largest amount the request's nine characters can carry.
constexpr std::int64_t kMaxAmount = 999999999;

IdRule ParseId(const json& value, const char* what) {
    IdRule rule;
    if (value.is_string() && value.get<std::string>() == "any") {
        return rule;
    }
    if (value.is_string() && value.get<std::string>() == "present") {
        rule.kind = IdRule::Kind::Present;
        return rule;
    }
    if (value.is_object() && value.size() == 1 && value.contains("equals")) {
        rule.kind = IdRule::Kind::Exactly;
        rule.value = Text(value["equals"], what);
        // Compared with the request's field, blanks trimmed: nine Windows-1252 characters.
        const std::size_t length = text::Utf8ToCp1252(rule.value).size();
        if (rule.value.find_first_not_of(' ') == std::string::npos || length > 9) {
            throw Mistake{std::string(what) + ": the identifier holds 1 to 9 characters"};
        }
        return rule;
    }
    throw Mistake{std::string(what) + " must be \"any\", \"present\" or {\"equals\": \"...\"}"};
}

ExpectedRequest ParseExpect(const json& e) {
    OnlyKeys(e, {"command", "amount", "stan", "stan_of", "terminal_id", "ecr_id"}, "\"expect\"");
    ExpectedRequest expect;
    if (!e.contains("command")) {
        throw Mistake{"\"expect\" needs a \"command\""};
    }
    expect.command = Text(e["command"], "\"command\"");
    if (!ReachesTerminal(expect.command)) {
        std::string known;
        for (const auto& c : TerminalCommands()) {
            known += known.empty() ? c.keyword : std::string(", ") + c.keyword;
        }
        throw Mistake{"\"" + expect.command + "\" is no command that reaches the terminal (" +
                      known + ")"};
    }
    const bool isVoid = expect.command == "POS_STORNO";
    const bool takesAmount = expect.command == "POS_PAGEXT" || expect.command == "POS_ACCRED";
    if (e.contains("amount")) {
        if (!takesAmount) {
            throw Mistake{expect.command + " carries no amount"};
        }
        const json& a = e["amount"];
        if (a.is_object()) {
            OnlyKeys(a, {"min", "max"}, "\"amount\"");
            if (a.contains("min")) {
                expect.amountMin = Whole(a["min"], "\"min\"", 0, kMaxAmount);
            }
            if (a.contains("max")) {
                expect.amountMax = Whole(a["max"], "\"max\"", 1, kMaxAmount);
            }
            if (!expect.amountMin && !expect.amountMax) {
                throw Mistake{"\"amount\" needs \"min\", \"max\" or both"};
            }
            if (expect.amountMin && expect.amountMax && *expect.amountMin > *expect.amountMax) {
                throw Mistake{"\"amount\": \"min\" is above \"max\""};
            }
        } else {
            // The terminal declines an amount of 0 whatever the step scripts.
            expect.amount = Whole(a, "\"amount\" (cents)", 1, kMaxAmount);
        }
    }
    if (e.contains("stan") || e.contains("stan_of")) {
        if (!isVoid) {
            throw Mistake{expect.command + " carries no STAN: only POS_STORNO does"};
        }
        if (e.contains("stan") && e.contains("stan_of")) {
            throw Mistake{"give \"stan\" or \"stan_of\", not both"};
        }
        if (e.contains("stan")) {
            expect.stan = Text(e["stan"], "\"stan\"");
            if (expect.stan.find_first_not_of(' ') == std::string::npos || expect.stan.size() > 7) {
                throw Mistake{"\"stan\" must have 1 to 7 characters, not all blank"};
            }
        } else {
            expect.stanOf = Text(e["stan_of"], "\"stan_of\"");
            if (expect.stanOf.empty()) {
                throw Mistake{"\"stan_of\" must name a step"};
            }
        }
    }
    if (e.contains("terminal_id")) {
        expect.terminalId = ParseId(e["terminal_id"], "\"terminal_id\"");
    }
    if (e.contains("ecr_id")) {
        expect.ecrId = ParseId(e["ecr_id"], "\"ecr_id\"");
    }
    return expect;
}

Terminal ParseTerminal(const json& t) {
    OnlyKeys(t, {"answer", "code", "reason", "delay_ms"}, "\"terminal\"");
    Terminal terminal;
    if (t.contains("answer")) {
        const std::string name = Text(t["answer"], "\"answer\"");
        const auto* found = std::find_if(std::begin(kAnswerNames), std::end(kAnswerNames),
                                         [&](const AnswerName& a) { return name == a.name; });
        if (found == std::end(kAnswerNames)) {
            std::string known;
            for (const auto& a : kAnswerNames) {
                known += known.empty() ? a.name : std::string(", ") + a.name;
            }
            throw Mistake{"unknown answer \"" + name + "\" (known: " + known + ")"};
        }
        terminal.answer = found->answer;
    }
    if (t.contains("code") != (terminal.answer == ScriptedAnswer::Code)) {
        throw Mistake{"\"code\" goes with \"answer\": \"code\", and only with it"};
    }
    if (t.contains("code")) {
        terminal.code = static_cast<int>(Whole(t["code"], "\"code\"", -32768, 32767));
    }
    if (t.contains("reason")) {
        if (terminal.answer != ScriptedAnswer::Declined) {
            throw Mistake{"\"reason\" goes with \"answer\": \"declined\" only"};
        }
        terminal.reason = Text(t["reason"], "\"reason\"");
        // The record carries Windows-1252: one byte a character there, and nothing else.
        const std::string ansi = text::Utf8ToCp1252(terminal.reason);
        if (text::Cp1252ToUtf8(ansi) != terminal.reason) {
            throw Mistake{"\"reason\" holds characters the record cannot carry (Windows-1252)"};
        }
        const std::size_t length =
            terminal.reason.find_first_not_of(' ') == std::string::npos ? 0 : ansi.size();
        if (length == 0 || length > 24) {
            // The record's refusal text holds 24 characters and its terminator.
            throw Mistake{"\"reason\" must have 1 to 24 characters"};
        }
    }
    if (t.contains("delay_ms")) {
        terminal.delayMs =
            static_cast<int>(Whole(t["delay_ms"], "\"delay_ms\"", 0, kMaxSeconds * 1000LL));
    }
    return terminal;
}

Then ParseThen(const json& t) {
    OnlyKeys(t, {"command", "within_s", "no_repeat_within_s"}, "a \"then\" entry");
    Then then;
    if (t.contains("no_repeat_within_s")) {
        if (t.contains("command") || t.contains("within_s")) {
            throw Mistake{"\"no_repeat_within_s\" stands alone in its \"then\" entry"};
        }
        then.kind = Then::Kind::NoRepeat;
        then.withinMs = Milliseconds(t["no_repeat_within_s"], "\"no_repeat_within_s\"");
        return then;
    }
    if (!t.contains("command") || !t.contains("within_s")) {
        throw Mistake{
            "a \"then\" entry is {\"command\": ..., \"within_s\": ...} or "
            "{\"no_repeat_within_s\": ...}"};
    }
    then.command = Text(t["command"], "\"command\"");
    if (KeywordOf(then.command) != then.command) {
        throw Mistake{"\"" + then.command + "\" is no command keyword"};
    }
    then.withinMs = Milliseconds(t["within_s"], "\"within_s\"");
    return then;
}

// The instruction made up from what the step expects, for a step whose file gives none.
std::string MadeUpInstruction(const ExpectedRequest& e, bool english) {
    std::string amount;
    if (e.amount) {
        amount = (english ? " of " : " di ") + EuroText(*e.amount);
    } else if (e.amountMin && e.amountMax) {
        amount = (english ? " between " : " tra ") + EuroText(*e.amountMin) +
                 (english ? " and " : " e ") + EuroText(*e.amountMax);
    } else if (e.amountMin) {
        amount = (english ? " of at least " : " di almeno ") + EuroText(*e.amountMin);
    } else if (e.amountMax) {
        amount = (english ? " of at most " : " di al massimo ") + EuroText(*e.amountMax);
    }
    if (e.command == "POS_PAGEXT") {
        return english ? "Make a payment" + amount + " from the register"
                       : "Esegui dalla cassa un pagamento" + amount;
    }
    if (e.command == "POS_ACCRED") {
        return english ? "Make a refund" + amount + " from the register"
                       : "Esegui dalla cassa un accredito (rimborso)" + amount;
    }
    if (e.command == "POS_STORNO") {
        if (!e.stanOf.empty()) {
            return english ? "Void the transaction of step \"" + e.stanOf +
                                 "\" by its STAN from the register"
                           : "Esegui dalla cassa lo storno della transazione del passo \"" +
                                 e.stanOf + "\" con il suo STAN";
        }
        if (!e.stan.empty()) {
            return english ? "Void the transaction with STAN " + e.stan + " from the register"
                           : "Esegui dalla cassa lo storno della transazione con STAN " + e.stan;
        }
        return english ? "Void a transaction from the register"
                       : "Esegui dalla cassa lo storno di una transazione";
    }
    if (e.command == "POS_TOTTER") {
        return english ? "Ask for the terminal's totals from the register"
                       : "Chiedi dalla cassa i totali del terminale";
    }
    return english ? "Run the end-of-day closure from the register"
                   : "Esegui dalla cassa la chiusura contabile";
}

std::string ParseInstruction(const json& value, const std::string& language) {
    if (value.is_string()) {
        return Text(value, "\"instruction\"");
    }
    if (!value.is_object()) {
        throw Mistake{"\"instruction\" must be a string or an object of languages"};
    }
    for (auto it = value.begin(); it != value.end(); ++it) {
        Text(it.value(), "each language's \"instruction\"");
    }
    for (const std::string& lang : {language, std::string("it")}) {
        if (value.contains(lang)) {
            return value[lang].get<std::string>();
        }
    }
    return {};
}

Step ParseStep(const json& s, const std::string& language, const std::set<std::string>& before,
               const std::vector<Step>& steps) {
    OnlyKeys(s, {"name", "instruction", "expect", "terminal", "time_limit_s", "then"}, "a step");
    Step step;
    if (!s.contains("name")) {
        throw Mistake{"a step needs a \"name\""};
    }
    step.name = Text(s["name"], "\"name\"");
    if (step.name.find_first_not_of(' ') == std::string::npos) {
        throw Mistake{"\"name\" must not be blank"};
    }
    if (before.count(step.name) != 0) {
        throw Mistake{"another step is already called \"" + step.name + "\""};
    }
    if (!s.contains("expect")) {
        throw Mistake{"a step needs \"expect\""};
    }
    step.expect = ParseExpect(s["expect"]);
    if (!step.expect.stanOf.empty()) {
        const auto earlier = std::find_if(steps.begin(), steps.end(), [&](const Step& other) {
            return other.name == step.expect.stanOf;
        });
        if (earlier == steps.end()) {
            throw Mistake{"\"stan_of\" names \"" + step.expect.stanOf +
                          "\", which is no earlier step"};
        }
        if (earlier->expect.command != "POS_PAGEXT") {
            throw Mistake{"\"stan_of\" names \"" + step.expect.stanOf +
                          "\", which is no payment: only payments can be voided"};
        }
        if (earlier->terminal.answer != ScriptedAnswer::Approved) {
            throw Mistake{"\"stan_of\" names \"" + step.expect.stanOf +
                          "\", whose terminal does not approve, so it gives no STAN"};
        }
    }
    if (s.contains("terminal")) {
        step.terminal = ParseTerminal(s["terminal"]);
    }
    // By default the step outlasts the terminal's delay and, when it does not answer, the
    // library's usual minute of waiting, so VarnixPos has recorded the exchange before it ends.
    step.timeLimitMs = kDefaultTimeLimitMs + step.terminal.delayMs +
                       (step.terminal.answer == ScriptedAnswer::Timeout ? kLibraryWaitMs : 0);
    if (s.contains("time_limit_s")) {
        step.timeLimitMs = Milliseconds(s["time_limit_s"], "\"time_limit_s\"");
        if (step.timeLimitMs < 1000) {
            throw Mistake{"\"time_limit_s\" must be at least 1"};
        }
        if (step.timeLimitMs <= step.terminal.delayMs) {
            throw Mistake{"\"time_limit_s\" must be longer than the terminal's \"delay_ms\""};
        }
    }
    if (s.contains("then")) {
        if (!s["then"].is_array()) {
            throw Mistake{"\"then\" must be a list"};
        }
        for (const json& t : s["then"]) {
            step.then.push_back(ParseThen(t));
        }
        const auto count = [&](Then::Kind kind) {
            return std::count_if(step.then.begin(), step.then.end(),
                                 [&](const Then& t) { return t.kind == kind; });
        };
        if (count(Then::Kind::Command) > 1 || count(Then::Kind::NoRepeat) > 1) {
            throw Mistake{
                "\"then\" holds one \"command\" entry and one \"no_repeat_within_s\" "
                "at most: the register has one next command"};
        }
        if (count(Then::Kind::NoRepeat) == 1 &&
            std::any_of(step.then.begin(), step.then.end(), [&](const Then& t) {
                return t.kind == Then::Kind::Command && t.command == step.expect.command;
            })) {
            throw Mistake{"\"then\" both wants " + step.expect.command + " next and forbids it"};
        }
    }
    if (s.contains("instruction")) {
        step.instruction = ParseInstruction(s["instruction"], language);
    }
    if (step.instruction.empty()) {
        step.instruction = MadeUpInstruction(step.expect, language == "en");
    }
    return step;
}

}  // namespace

const std::vector<TerminalCommand>& TerminalCommands() {
    static const std::vector<TerminalCommand> commands = {
        {"POS_PAGEXT", WireNumber(Function::PaymentExt)},
        {"POS_ACCRED", WireNumber(Function::Refund)},
        {"POS_STORNO", WireNumber(Function::Void)},
        {"POS_TOTTER", WireNumber(Function::TerminalBalance)},
        {"POS_CHCASS", WireNumber(Function::Closure)},
    };
    return commands;
}

std::string KeywordOf(std::string_view commandLine) {
    // The dispatcher's own order: the first keyword the line begins with.
    static constexpr const char* kKeywords[] = {
        "POS_PAGAME", "POS_PAGEXT", "POS_ACCRED", "POS_CHCASS", "POS_TOTTER",
        "POS_STORNO", "POS_PREAUT", "POS_PREINT", "POS_CHPREA", "POS_STATUS"};
    for (const char* keyword : kKeywords) {
        if (commandLine.starts_with(keyword)) {
            return keyword;
        }
    }
    return {};
}

bool ReachesTerminal(std::string_view keyword) {
    return std::any_of(TerminalCommands().begin(), TerminalCommands().end(),
                       [&](const TerminalCommand& c) { return keyword == c.keyword; });
}

std::string KeywordOfWire(int wire) {
    for (const auto& c : TerminalCommands()) {
        if (c.wire == wire) {
            return c.keyword;
        }
    }
    return {};
}

const char* NameOf(ScriptedAnswer answer) {
    for (const auto& a : kAnswerNames) {
        if (a.answer == answer) {
            return a.name;
        }
    }
    return "";
}

std::string Step::NextCommand() const {
    for (const Then& t : then) {
        if (t.kind == Then::Kind::Command) {
            return t.command;
        }
    }
    return {};
}

bool Step::NeedsHistory() const {
    const std::string next = NextCommand();
    return terminal.answer == ScriptedAnswer::Refuse || (!next.empty() && !ReachesTerminal(next));
}

std::string Printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        const auto third = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
        if (c < 0x20 || c == 0x7F) {
            out += '?';
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080..U+009F
            out += '?';
            ++i;
        } else if (c == 0xE2 && next == 0x80 && (third == 0xA8 || third == 0xA9)) {  // U+2028/9
            out += '?';
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string EuroText(std::int64_t cents) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%lld,%02lld \xE2\x82\xAC",
                  static_cast<long long>(cents / 100), static_cast<long long>(cents % 100));
    return buffer;
}

std::optional<TestSet> ParseTestSet(std::string_view text, const std::string& language,
                                    std::string& error) {
    if (text.size() > kMaxTestSetBytes) {
        error = "larger than " + std::to_string(kMaxTestSetBytes / (std::size_t{1024} * 1024)) +
                " MB: no test set is anywhere near that";
        return std::nullopt;
    }
    // A key given twice would silently drop a check: the parser's callback sees every key.
    std::vector<std::set<std::string>> objects;
    std::string duplicate;
    const json::parser_callback_t noDuplicates = [&](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start) {
            objects.emplace_back();
        } else if (event == json::parse_event_t::object_end && !objects.empty()) {
            objects.pop_back();
        } else if (event == json::parse_event_t::key && !objects.empty() &&
                   !objects.back().insert(parsed.get<std::string>()).second && duplicate.empty()) {
            duplicate = parsed.get<std::string>();
        }
        return true;
    };
    json root;
    try {
        root = json::parse(text, noDuplicates);
    } catch (const json::exception& e) {
        error = std::string("not JSON: ") + e.what();
        return std::nullopt;
    }
    if (!duplicate.empty()) {
        error = "the key \"" + duplicate + "\" is given twice in one object";
        return std::nullopt;
    }
    TestSet set;
    std::size_t index = 0;
    std::string stepName;
    try {
        OnlyKeys(root, {"name", "description", "steps"}, "the test set");
        if (root.contains("name")) {
            set.name = Text(root["name"], "\"name\"");
        }
        if (root.contains("description")) {
            set.description = Text(root["description"], "\"description\"");
        }
        if (!root.contains("steps") || !root["steps"].is_array() || root["steps"].empty()) {
            throw Mistake{"\"steps\" must be a list of at least one step"};
        }
        std::set<std::string> names;
        for (const json& s : root["steps"]) {
            ++index;
            stepName = s.is_object() && s.contains("name") && s["name"].is_string()
                           ? s["name"].get<std::string>()
                           : "";
            set.steps.push_back(ParseStep(s, language, names, set.steps));
            names.insert(set.steps.back().name);
        }
    } catch (const Mistake& mistake) {
        error = index == 0 ? mistake.message
                           : "step " + std::to_string(index) +
                                 (stepName.empty() ? "" : " (\"" + stepName + "\")") + ": " +
                                 mistake.message;
        return std::nullopt;
    }
    return set;
}

}  // namespace varnix::sim
