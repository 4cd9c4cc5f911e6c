#include "simulator/TestSet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

#include "iae17/Keywords.h"
#include "text/AnsiText.h"

namespace varnix::sim {

namespace {

using json = nlohmann::json;

// A mistake in the file: carries its message up to where the step it belongs to is known.
struct Mistake {
    std::string message;
};

// The mistakes speak the run's language. The parse is one call on one thread, so the language
// rides along here rather than through every helper.
thread_local bool tEnglish = false;

std::string Say(const std::string& italian, const std::string& english) {
    return tEnglish ? english : italian;
}

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

void OnlyKeys(const json& object, std::initializer_list<const char*> keys,
              const std::string& what) {
    if (!object.is_object()) {
        throw Mistake{what + Say(" deve essere un oggetto", " must be an object")};
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& key = it.key();
        if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return key == k; })) {
            std::string known;
            for (const char* k : keys) {
                known += known.empty() ? k : std::string(", ") + k;
            }
            const std::string where =
                what.starts_with("il ") ? "nel " + what.substr(3) : "in " + what;
            throw Mistake{Say("chiave sconosciuta \"", "unknown key \"") + key + "\" " +
                          Say(where, "in " + what) + Say(" (note: ", " (known: ") + known + ")"};
        }
    }
}

// A string of the file. Control characters would reach the developer's terminal as they are (and
// a line end could fake a step's announcement for a register that follows the output): refused.
std::string Text(const json& value, const char* what) {
    if (!value.is_string()) {
        throw Mistake{std::string(what) + Say(" deve essere un testo", " must be a string")};
    }
    std::string text = value.get<std::string>();
    if (Printable(text) != text) {
        throw Mistake{std::string(what) +
                      Say(" non deve contenere caratteri di controllo (a capo, tabulazioni...)",
                          " must not hold control characters (line ends, tabs...)")};
    }
    return text;
}

std::int64_t Whole(const json& value, const char* what, std::int64_t low, std::int64_t high) {
    // An unsigned number beyond int64_t would read back negative.
    const bool tooBig =
        value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(high);
    if (!value.is_number_integer() || tooBig || value.get<std::int64_t>() < low ||
        value.get<std::int64_t>() > high) {
        throw Mistake{std::string(what) +
                      Say(" deve essere un numero intero da ", " must be a whole number from ") +
                      std::to_string(low) + Say(" a ", " to ") + std::to_string(high)};
    }
    return value.get<std::int64_t>();
}

// Seconds as milliseconds; `zero` lets 0 through (it switches a watch off).
int Milliseconds(const json& seconds, const char* what, bool zero = false) {
    if (zero && seconds.is_number() && seconds.get<double>() == 0) {
        return 0;
    }
    if (!seconds.is_number() || seconds.get<double>() <= 0 || seconds.get<double>() > kMaxSeconds) {
        throw Mistake{std::string(what) +
                      Say(" deve essere un numero di secondi sopra 0",
                          " must be a number of seconds above 0") +
                      (zero ? Say(" (o 0, per spegnerlo)", " (or 0, to switch it off)") : "") +
                      Say(", al massimo ", ", at most ") + std::to_string(kMaxSeconds)};
    }
    const auto ms = static_cast<int>(std::lround(seconds.get<double>() * 1000));
    if (ms == 0) {
        throw Mistake{std::string(what) + Say(" deve essere almeno 0.001 (un millisecondo)",
                                              " must be at least 0.001 (a millisecond)")};
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
            throw Mistake{std::string(what) + Say(": l'identificativo ha da 1 a 9 caratteri",
                                                  ": the identifier holds 1 to 9 characters")};
        }
        return rule;
    }
    throw Mistake{std::string(what) +
                  Say(" deve essere \"any\", \"present\" o {\"equals\": \"...\"}",
                      " must be \"any\", \"present\" or {\"equals\": \"...\"}")};
}

ExpectedRequest ParseExpect(const json& e) {
    OnlyKeys(e, {"command", "amount", "stan", "stan_of", "terminal_id", "ecr_id"}, "\"expect\"");
    ExpectedRequest expect;
    if (!e.contains("command")) {
        throw Mistake{Say("\"expect\" richiede un \"command\"", "\"expect\" needs a \"command\"")};
    }
    expect.command = Text(e["command"], "\"command\"");
    if (!ReachesTerminal(expect.command)) {
        std::string known;
        for (const auto& keyword : iae17::kKeywords) {
            if (keyword.reaches) {
                known += (known.empty() ? "" : ", ") + std::string(keyword.text);
            }
        }
        throw Mistake{"\"" + expect.command +
                      Say("\" non è un comando che raggiunge il terminale (",
                          "\" is no command that reaches the terminal (") +
                      known + ")"};
    }
    const bool isVoid = CarriesStan(expect.command);
    const bool takesAmount = TakesAmount(expect.command);
    if (e.contains("amount")) {
        if (!takesAmount) {
            throw Mistake{expect.command + Say(" non porta un importo", " carries no amount")};
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
                throw Mistake{Say("\"amount\" richiede \"min\", \"max\" o entrambi",
                                  "\"amount\" needs \"min\", \"max\" or both")};
            }
            if (expect.amountMin && expect.amountMax && *expect.amountMin > *expect.amountMax) {
                throw Mistake{Say("\"amount\": \"min\" supera \"max\"",
                                  "\"amount\": \"min\" is above \"max\"")};
            }
        } else {
            // The terminal declines an amount of 0 whatever the step scripts.
            expect.amount = Whole(a, Say("\"amount\" (centesimi)", "\"amount\" (cents)").c_str(), 1,
                                  kMaxAmount);
        }
    }
    if (e.contains("stan") || e.contains("stan_of")) {
        if (!isVoid) {
            throw Mistake{expect.command + Say(" non porta uno STAN: solo POS_STORNO",
                                               " carries no STAN: only POS_STORNO does")};
        }
        if (e.contains("stan") && e.contains("stan_of")) {
            throw Mistake{Say("\"stan\" o \"stan_of\", non entrambi",
                              "give \"stan\" or \"stan_of\", not both")};
        }
        if (e.contains("stan")) {
            expect.stan = Text(e["stan"], "\"stan\"");
            if (expect.stan.find_first_not_of(' ') == std::string::npos || expect.stan.size() > 7) {
                throw Mistake{Say("\"stan\" deve avere da 1 a 7 caratteri, non tutti spazi",
                                  "\"stan\" must have 1 to 7 characters, not all blank")};
            }
        } else {
            expect.stanOf = Text(e["stan_of"], "\"stan_of\"");
            if (expect.stanOf.empty()) {
                throw Mistake{
                    Say("\"stan_of\" deve nominare un passo", "\"stan_of\" must name a step")};
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
            throw Mistake{Say("risposta sconosciuta \"", "unknown answer \"") + name +
                          Say("\" (note: ", "\" (known: ") + known + ")"};
        }
        terminal.answer = found->answer;
    }
    if (t.contains("code") != (terminal.answer == ScriptedAnswer::Code)) {
        throw Mistake{Say("\"code\" va con \"answer\": \"code\", e solo con quella",
                          "\"code\" goes with \"answer\": \"code\", and only with it")};
    }
    if (t.contains("code")) {
        terminal.code = static_cast<int>(Whole(t["code"], "\"code\"", -32768, 32767));
    }
    if (t.contains("reason")) {
        if (terminal.answer != ScriptedAnswer::Declined) {
            throw Mistake{Say("\"reason\" va solo con \"answer\": \"declined\"",
                              "\"reason\" goes with \"answer\": \"declined\" only")};
        }
        terminal.reason = Text(t["reason"], "\"reason\"");
        // The record carries Windows-1252: one byte a character there, and nothing else.
        const std::string ansi = text::Utf8ToCp1252(terminal.reason);
        if (text::Cp1252ToUtf8(ansi) != terminal.reason) {
            throw Mistake{
                Say("\"reason\" contiene caratteri che il record non può portare "
                    "(Windows-1252)",
                    "\"reason\" holds characters the record cannot carry (Windows-1252)")};
        }
        const std::size_t length =
            terminal.reason.find_first_not_of(' ') == std::string::npos ? 0 : ansi.size();
        if (length == 0 || length > 24) {
            // The record's refusal text holds 24 characters and its terminator.
            throw Mistake{Say("\"reason\" deve avere da 1 a 24 caratteri",
                              "\"reason\" must have 1 to 24 characters")};
        }
    }
    if (t.contains("delay_ms")) {
        terminal.delayMs =
            static_cast<int>(Whole(t["delay_ms"], "\"delay_ms\"", 0, kMaxSeconds * 1000LL));
    }
    return terminal;
}

Then ParseThen(const json& t) {
    OnlyKeys(t, {"command", "within_s", "no_repeat_within_s"},
             Say("una voce di \"then\"", "a \"then\" entry"));
    Then then;
    if (t.contains("no_repeat_within_s")) {
        if (t.contains("command") || t.contains("within_s")) {
            throw Mistake{Say("\"no_repeat_within_s\" sta da solo nella sua voce di \"then\"",
                              "\"no_repeat_within_s\" stands alone in its \"then\" entry")};
        }
        then.kind = Then::Kind::NoRepeat;
        then.withinMs = Milliseconds(t["no_repeat_within_s"], "\"no_repeat_within_s\"", true);
        return then;
    }
    if (!t.contains("command") || !t.contains("within_s")) {
        throw Mistake{
            Say("una voce di \"then\" è {\"command\": ..., \"within_s\": ...} o "
                "{\"no_repeat_within_s\": ...}",
                "a \"then\" entry is {\"command\": ..., \"within_s\": ...} or "
                "{\"no_repeat_within_s\": ...}")};
    }
    then.command = Text(t["command"], "\"command\"");
    if (KeywordOf(then.command) != then.command) {
        throw Mistake{"\"" + then.command +
                      Say("\" non è una parola chiave di comando", "\" is no command keyword")};
    }
    then.withinMs = Milliseconds(t["within_s"], "\"within_s\"");
    return then;
}

std::string ParseInstruction(const json& value, const std::string& language,
                             std::set<std::string>& languages) {
    if (value.is_string()) {
        return Text(value, "\"instruction\"");
    }
    if (!value.is_object()) {
        throw Mistake{Say("\"instruction\" deve essere un testo o un oggetto di lingue",
                          "\"instruction\" must be a string or an object of languages")};
    }
    for (auto it = value.begin(); it != value.end(); ++it) {
        Text(it.value(),
             Say("l'\"instruction\" di ogni lingua", "each language's \"instruction\"").c_str());
        languages.insert(it.key());
    }
    for (const std::string& lang : {language, std::string("it")}) {
        if (value.contains(lang)) {
            return value[lang].get<std::string>();
        }
    }
    return {};
}

// Where a step's mistakes go, each with the step it belongs to.
class Mistakes {
  public:
    void Add(const std::string& message) { lines_.push_back(where_ + message); }
    void At(std::size_t index, const std::string& name) {
        where_ = Say("passo ", "step ") + std::to_string(index) +
                 (name.empty() ? "" : " (\"" + name + "\")") + ": ";
    }
    // Runs `part`; a mistake in it is noted and the rest of the step is still looked at.
    template <typename Part>
    bool Check(Part&& part) {
        try {
            part();
            return true;
        } catch (const Mistake& mistake) {
            Add(mistake.message);
            return false;
        }
    }
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    std::string where_;
    std::vector<std::string> lines_;
};

Step ParseStep(const json& s, const std::string& language, const std::set<std::string>& before,
               const std::vector<Step>& steps, int defaultNoRepeatMs,
               std::set<std::string>& languages, Mistakes& mistakes) {
    Step step;
    if (!mistakes.Check([&] {
            OnlyKeys(s, {"name", "instruction", "expect", "terminal", "time_limit_s", "then"},
                     Say("un passo", "a step"));
        }) &&
        !s.is_object()) {
        return step;
    }
    mistakes.Check([&] {
        if (!s.contains("name")) {
            throw Mistake{Say("un passo richiede un \"name\"", "a step needs a \"name\"")};
        }
        step.name = Text(s["name"], "\"name\"");
        if (step.name.find_first_not_of(' ') == std::string::npos) {
            throw Mistake{Say("\"name\" non deve essere vuoto", "\"name\" must not be blank")};
        }
        if (before.count(step.name) != 0) {
            throw Mistake{
                Say("un altro passo si chiama già \"", "another step is already called \"") +
                step.name + "\""};
        }
    });
    const bool expected = mistakes.Check([&] {
        if (!s.contains("expect")) {
            throw Mistake{Say("un passo richiede \"expect\"", "a step needs \"expect\"")};
        }
        step.expect = ParseExpect(s["expect"]);
    });
    const bool scripted = mistakes.Check([&] {
        if (s.contains("terminal")) {
            step.terminal = ParseTerminal(s["terminal"]);
        }
    });
    mistakes.Check([&] {
        if (step.expect.stanOf.empty()) {
            return;
        }
        const auto earlier = std::find_if(steps.begin(), steps.end(), [&](const Step& other) {
            return other.name == step.expect.stanOf;
        });
        const std::string named =
            Say("\"stan_of\" nomina \"", "\"stan_of\" names \"") + step.expect.stanOf + "\"";
        if (earlier == steps.end()) {
            throw Mistake{named +
                          Say(", che non è un passo precedente", ", which is no earlier step")};
        }
        if (earlier->expect.command != "POS_PAGEXT") {
            throw Mistake{named + Say(", che non è un pagamento: si stornano solo i pagamenti",
                                      ", which is no payment: only payments can be voided")};
        }
        if (earlier->terminal.answer != ScriptedAnswer::Approved) {
            throw Mistake{named + Say(", il cui terminale non approva, quindi non dà STAN",
                                      ", whose terminal does not approve, so it gives no STAN")};
        }
    });
    // By default the step outlasts the terminal's delay and, when it does not answer, the
    // library's usual minute of waiting, so VarnixPos has recorded the exchange before it ends.
    step.timeLimitMs = kDefaultTimeLimitMs + step.terminal.delayMs +
                       (step.terminal.answer == ScriptedAnswer::Timeout ? kLibraryWaitMs : 0);
    mistakes.Check([&] {
        if (!s.contains("time_limit_s")) {
            return;
        }
        step.timeLimitMs = Milliseconds(s["time_limit_s"], "\"time_limit_s\"");
        if (step.timeLimitMs < 1000) {
            throw Mistake{Say("\"time_limit_s\" deve essere almeno 1",
                              "\"time_limit_s\" must be at least 1")};
        }
        if (scripted && step.timeLimitMs <= step.terminal.delayMs) {
            throw Mistake{Say("\"time_limit_s\" deve superare il \"delay_ms\" del terminale",
                              "\"time_limit_s\" must be longer than the terminal's \"delay_ms\"")};
        }
    });
    bool repeatSaid = false;  // the step says how long, or 0 for not at all
    mistakes.Check([&] {
        if (!s.contains("then")) {
            return;
        }
        if (!s["then"].is_array()) {
            throw Mistake{Say("\"then\" deve essere una lista", "\"then\" must be a list")};
        }
        for (const json& t : s["then"]) {
            if (!mistakes.Check([&] { step.then.push_back(ParseThen(t)); })) {
                continue;
            }
            if (step.then.back().kind == Then::Kind::NoRepeat) {
                repeatSaid = true;
                if (step.then.back().withinMs == 0) {
                    step.then.pop_back();
                }
            }
        }
        const auto count = [&](Then::Kind kind) {
            return std::count_if(step.then.begin(), step.then.end(),
                                 [&](const Then& t) { return t.kind == kind; });
        };
        if (count(Then::Kind::Command) > 1 || count(Then::Kind::NoRepeat) > 1) {
            throw Mistake{
                Say("\"then\" ha al massimo una voce \"command\" e una "
                    "\"no_repeat_within_s\": la cassa ha un solo comando successivo",
                    "\"then\" holds one \"command\" entry and one \"no_repeat_within_s\" "
                    "at most: the register has one next command")};
        }
        if (count(Then::Kind::NoRepeat) == 1 && expected &&
            step.NextCommand() == step.expect.command) {
            throw Mistake{
                Say("\"then\" vuole ", "\"then\" both wants ") + step.expect.command +
                Say(" come comando successivo e insieme lo vieta", " next and forbids it")};
        }
    });
    const bool doubtful = step.terminal.answer == ScriptedAnswer::Timeout ||
                          step.terminal.answer == ScriptedAnswer::Drop ||
                          step.terminal.answer == ScriptedAnswer::Refuse ||
                          step.terminal.answer == ScriptedAnswer::Declined;
    if (expected && !repeatSaid && defaultNoRepeatMs > 0 &&
        (TakesAmount(step.expect.command) || doubtful) &&
        step.NextCommand() != step.expect.command) {
        step.then.push_back({Then::Kind::NoRepeat, {}, defaultNoRepeatMs});
    }
    mistakes.Check([&] {
        if (s.contains("instruction")) {
            step.instruction = ParseInstruction(s["instruction"], language, languages);
        }
    });
    if (step.instruction.empty() && expected) {
        step.instruction = MadeUpInstruction(step.expect, language == "en");
    }
    return step;
}

// Where the parser stopped, as a developer finds it in an editor.
std::string Position(std::string_view text, std::size_t byte) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return Say("riga ", "line ") + std::to_string(line) + Say(", colonna ", ", column ") +
           std::to_string(column);
}

// The parser's complaint in the developer's words, without the library's own wording.
std::string NotJson(std::string_view text, const json::exception& e) {
    const std::string head = Say("non è JSON valido", "not valid JSON");
    if (const auto* parse = dynamic_cast<const json::parse_error*>(&e)) {
        if (parse->byte > text.size()) {
            return head + Say(": il file finisce a metà (", ": the file ends too early (") +
                   Position(text, parse->byte) + ")";
        }
        const unsigned char at =
            parse->byte == 0 ? 0 : static_cast<unsigned char>(text[parse->byte - 1]);
        const std::string shown =
            at >= 0x20 && at < 0x7F ? "\"" + std::string(1, static_cast<char>(at)) + "\"" : "";
        return head + Say(": qui non è atteso ", ": not expected here: ") +
               (shown.empty() ? Say("questo carattere", "this character") : shown) + " (" +
               Position(text, parse->byte) + ")";
    }
    if (dynamic_cast<const json::out_of_range*>(&e) != nullptr) {
        return head + Say(": un numero è fuori misura", ": a number is out of range");
    }
    return head;
}

// Sets the mistakes' language for one parse, and puts it back.
class LanguageOfMistakes {
  public:
    explicit LanguageOfMistakes(bool english) : before_(tEnglish) { tEnglish = english; }
    ~LanguageOfMistakes() { tEnglish = before_; }
    LanguageOfMistakes(const LanguageOfMistakes&) = delete;
    LanguageOfMistakes& operator=(const LanguageOfMistakes&) = delete;

  private:
    bool before_;
};

// The keyword a step names: the whole text, not just its start.
const iae17::Keyword* Exactly(std::string_view keyword) {
    const iae17::Keyword* found = iae17::FindKeyword(keyword);
    return found != nullptr && found->text == keyword ? found : nullptr;
}

}  // namespace

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
    const iae17::Keyword* keyword = Exactly(e.command);
    if (keyword == nullptr) {
        return {};
    }
    if (keyword->carries == iae17::Carries::Stan) {
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
    }
    return english ? keyword->instructionEn + amount + " from the register"
                   : keyword->instructionIt + amount;
}

std::string KeywordOf(std::string_view commandLine) {
    const iae17::Keyword* keyword = iae17::FindKeyword(commandLine);
    return keyword != nullptr ? std::string(keyword->text) : std::string();
}

bool ReachesTerminal(std::string_view keyword) {
    const iae17::Keyword* found = Exactly(keyword);
    return found != nullptr && found->reaches.has_value();
}

bool TakesAmount(std::string_view keyword) {
    return ReachesTerminal(keyword) && Exactly(keyword)->carries == iae17::Carries::Amount;
}

bool CarriesStan(std::string_view keyword) {
    return ReachesTerminal(keyword) && Exactly(keyword)->carries == iae17::Carries::Stan;
}

std::string KeywordOfWire(int wire) {
    const auto function = iae17::FunctionFromWire(wire);
    const iae17::Keyword* keyword = function ? iae17::KeywordReaching(*function) : nullptr;
    return keyword != nullptr ? std::string(keyword->text) : std::string();
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

bool Step::ForbidsRepeat() const {
    return std::any_of(then.begin(), then.end(),
                       [](const Then& t) { return t.kind == Then::Kind::NoRepeat; });
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
    const LanguageOfMistakes speaking(language == "en");
    if (text.size() > kMaxTestSetBytes) {
        error = Say("più grande di ", "larger than ") +
                std::to_string(kMaxTestSetBytes / (std::size_t{1024} * 1024)) +
                Say(" MB: nessun test set è così grande", " MB: no test set is anywhere near that");
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
        error = NotJson(text, e);
        return std::nullopt;
    }
    if (!duplicate.empty()) {
        error = Say("la chiave \"", "the key \"") + duplicate +
                Say("\" compare due volte nello stesso oggetto", "\" is given twice in one object");
        return std::nullopt;
    }
    TestSet set;
    Mistakes mistakes;
    // Italian and English always: the instructions a set leaves out are made up in either.
    std::set<std::string> languages = {"it", "en"};
    int defaultNoRepeatMs = kDefaultNoRepeatMs;
    mistakes.Check([&] {
        OnlyKeys(root, {"name", "description", "no_repeat_within_s", "steps"},
                 Say("il test set", "the test set"));
    });
    if (root.is_object()) {
        mistakes.Check([&] {
            if (root.contains("name")) {
                set.name = Text(root["name"], "\"name\"");
            }
        });
        mistakes.Check([&] {
            if (root.contains("description")) {
                set.description = Text(root["description"], "\"description\"");
            }
        });
        mistakes.Check([&] {
            if (root.contains("no_repeat_within_s")) {
                defaultNoRepeatMs =
                    Milliseconds(root["no_repeat_within_s"], "\"no_repeat_within_s\"", true);
            }
        });
        set.afterLastMs = std::max(defaultNoRepeatMs, 1000);
        if (!root.contains("steps") || !root["steps"].is_array() || root["steps"].empty()) {
            mistakes.Add(Say("\"steps\" deve essere una lista di almeno un passo",
                             "\"steps\" must be a list of at least one step"));
        } else {
            std::set<std::string> names;
            std::size_t index = 0;
            for (const json& s : root["steps"]) {
                const std::string name =
                    s.is_object() && s.contains("name") && s["name"].is_string()
                        ? Printable(s["name"].get<std::string>())
                        : "";
                mistakes.At(++index, name);
                set.steps.push_back(ParseStep(s, language, names, set.steps, defaultNoRepeatMs,
                                              languages, mistakes));
                names.insert(set.steps.back().name);
            }
        }
    }
    std::string lines;
    for (const auto& line : mistakes.Lines()) {
        lines += (lines.empty() ? "" : "\n") + line;
    }
    set.languages.assign(languages.begin(), languages.end());
    std::stable_partition(set.languages.begin(), set.languages.end(),
                          [](const std::string& l) { return l == "it"; });
    if (languages.count(language) == 0) {
        std::string known;
        for (const auto& l : set.languages) {
            known += (known.empty() ? "" : ", ") + l;
        }
        lines +=
            std::string(lines.empty() ? "" : "\n") + "--lang " + Printable(language) +
            Say(": il test set ha le istruzioni in ", ": the test set's instructions are in ") +
            known;
    }
    if (!lines.empty()) {
        error = lines;
        return std::nullopt;
    }
    return set;
}

}  // namespace varnix::sim
