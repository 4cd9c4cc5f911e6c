#include "simulator/TestSetRecorder.h"

#include <nlohmann/json.hpp>

#include "iae17/Keywords.h"
#include "iae17/Records.h"
#include "iae17/ResultCodes.h"
#include "text/AnsiText.h"

namespace varnix::sim {

namespace {

// The decline reason of a step whose terminal behaviour the history cannot tell.
constexpr const char* kUnknownAnswer = "ESITO SCONOSCIUTO";

// What the step names its kind of exchange as.
const char* Noun(const std::string& keyword) {
    const iae17::Keyword* found = iae17::FindKeyword(keyword);
    return found != nullptr ? found->noun : "";
}

// A refusal text the set can carry (1 to 24 characters of Windows-1252), or the default one.
std::string Reason(const std::string& ansi) {
    const std::string trimmed = TrimField(ansi);
    return trimmed.empty() || trimmed.size() > 24 ? Terminal{}.reason : text::Cp1252ToUtf8(trimmed);
}

// The value of the first field of a command line that starts with one of `letters`.
std::string Field(const std::string& line, const char* letters) {
    for (const char* letter = letters; *letter != '\0'; ++letter) {
        for (std::size_t at = line.find(','); at != std::string::npos;
             at = line.find(',', at + 1)) {
            if (at + 1 < line.size() && line[at + 1] == *letter) {
                const std::size_t end = line.find(',', at + 1);
                return TrimField(line.substr(
                    at + 2, end == std::string::npos ? std::string::npos : end - at - 2));
            }
        }
    }
    return {};
}

// What the instruction adds to the made-up one, so the developer knows what to expect.
std::string Outcome(const Terminal& terminal) {
    switch (terminal.answer) {
        case ScriptedAnswer::Declined:
            return ": il terminale nega la transazione";
        case ScriptedAnswer::Timeout:
            return ": il terminale non risponde";
        case ScriptedAnswer::Drop:
            return ": il collegamento cade a met\xC3\xA0 risposta";
        case ScriptedAnswer::Busy:
            return ": il terminale riaggancia senza rispondere";
        case ScriptedAnswer::Garbled:
            return ": il terminale risponde in modo illeggibile";
        case ScriptedAnswer::Code:
            return ": il terminale risponde con il codice " + std::to_string(terminal.code);
        case ScriptedAnswer::Refuse:
            return ": il terminale rifiuta la connessione";
        case ScriptedAnswer::Approved:
            break;
    }
    return {};
}

}  // namespace

void TestSetRecorder::Add(const std::string& keyword, const std::string& carried, Terminal terminal,
                          std::string stanGiven) {
    Recorded step;
    step.expect.command = keyword;
    if (CarriesStan(keyword)) {
        // A void of a STAN this session's terminal gave replays as a void of that step's STAN.
        for (std::size_t i = steps_.size(); i-- > 0;) {
            if (!carried.empty() && steps_[i].stanGiven == carried &&
                steps_[i].expect.command == "POS_PAGEXT") {
                step.expect.stanOf =
                    Noun(steps_[i].expect.command) + std::string(" ") + std::to_string(i + 1);
                break;
            }
        }
        if (step.expect.stanOf.empty() && !carried.empty() && carried.size() <= 7) {
            step.expect.stan = carried;
        }
    } else if (TakesAmount(keyword)) {
        if (const std::int64_t cents = ParseAmount(carried); cents > 0) {
            step.expect.amount = cents;
        }
    }
    step.terminal = std::move(terminal);
    step.stanGiven = std::move(stanGiven);
    steps_.push_back(std::move(step));
}

void TestSetRecorder::OnExchange(const proto::Request& request, const Reply& reply) {
    const std::string keyword = KeywordOfWire(request.function);
    if (keyword.empty()) {
        return;  // the console's buttons: no command of a register
    }
    iae17::POSRequest req;
    iae17::Unpack(request.request, req);
    iae17::POSData voided;
    iae17::Unpack(request.data, voided);
    iae17::POSData answer;
    iae17::Unpack(reply.answer.data, answer);
    Terminal terminal;
    terminal.delayMs = reply.delayMs;
    std::string stanGiven;
    switch (reply.delivery) {
        case Delivery::Silence:
            terminal.answer = ScriptedAnswer::Timeout;
            break;
        case Delivery::Drop:
            terminal.answer = ScriptedAnswer::Drop;
            break;
        case Delivery::HangUp:
            terminal.answer = ScriptedAnswer::Busy;
            break;
        case Delivery::Garbage:
            terminal.answer = ScriptedAnswer::Garbled;
            break;
        case Delivery::Answer:
            if (reply.answer.result != 0) {
                terminal.answer = ScriptedAnswer::Code;
                terminal.code = reply.answer.result;
            } else if (TrimField(answer.TransactionResult.Text()) == "00") {
                stanGiven = TrimField(answer.STAN.Text());
            } else {
                terminal.answer = ScriptedAnswer::Declined;
                terminal.reason = Reason(answer.KODescription.Text());
            }
            break;
    }
    Add(keyword,
        TrimField(CarriesStan(keyword) ? voided.STAN.Text() : std::string(req.Amount.Text())),
        std::move(terminal), std::move(stanGiven));
}

void TestSetRecorder::OnHistory(const exchange::HistoryEntry& entry) {
    if (text::EqualsNoCase(entry.file, "POSDUMPIN.TXT") || steps_.empty()) {
        return;
    }
    const std::string keyword = KeywordOf(entry.command);
    if (ReachesTerminal(keyword) && entry.handler.empty()) {
        return;  // the record of an exchange the terminal saw
    }
    Recorded& last = steps_.back();
    if (!last.nextSeen) {
        last.nextSeen = true;
        if (keyword == "POS_STATUS") {
            last.next = keyword;
        }
    }
}

void TestSetRecorder::OnRecorded(const exchange::HistoryEntry& entry) {
    if (text::EqualsNoCase(entry.file, "POSDUMPIN.TXT")) {
        return;
    }
    const std::string keyword = KeywordOf(entry.command);
    if (!ReachesTerminal(keyword) || !entry.handler.empty()) {
        OnHistory(entry);  // not an exchange with the terminal: perhaps what the register did next
        return;
    }
    Terminal terminal;
    std::string stanGiven;
    const std::string outcome = TrimField(entry.outcome);
    if (outcome == "OK" && entry.Inherited(exchange::kInheritedPosData)) {
        // No record of the terminal's own: VarnixPos kept the earlier one (a result code it took
        // for OK). What the terminal did is unknown, and a replay must never approve what it did
        // not: declined, saying so, for the developer to complete.
        terminal.answer = ScriptedAnswer::Declined;
        terminal.reason = kUnknownAnswer;
    } else if (outcome == "OK" && TrimField(entry.transaction) == "00") {
        for (const auto& [name, value] : entry.posData) {
            stanGiven = name == "STAN" ? TrimField(value) : stanGiven;
        }
    } else if (outcome == "OK") {
        terminal.answer = ScriptedAnswer::Declined;
        terminal.reason = Reason(entry.description);
    } else if (outcome == "TIMEOUT ERROR") {
        terminal.answer = ScriptedAnswer::Timeout;
    } else if (outcome == "ETH ERROR" || outcome == "COM ERROR") {
        terminal.answer = ScriptedAnswer::Drop;  // the history cannot tell a drop from a refusal
    } else if (outcome == "PROTOCOL ERROR") {
        terminal.answer = ScriptedAnswer::Garbled;
    } else {
        for (int code = -100; code <= 100; ++code) {
            if (code != 0 && iae17::ResultText(code, true) == outcome) {
                terminal.answer = ScriptedAnswer::Code;
                terminal.code = code;
            }
        }
    }
    Add(keyword, Field(entry.command, CarriesStan(keyword) ? "SA" : "A"), std::move(terminal),
        std::move(stanGiven));
}

std::string TestSetRecorder::Json(const std::string& name, const std::string& description) const {
    using json = nlohmann::ordered_json;
    json steps = json::array();
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        const Recorded& r = steps_[i];
        json expect = {{"command", r.expect.command}};
        if (r.expect.amount) {
            expect["amount"] = *r.expect.amount;
        }
        if (!r.expect.stan.empty()) {
            expect["stan"] = r.expect.stan;
        }
        if (!r.expect.stanOf.empty()) {
            expect["stan_of"] = r.expect.stanOf;
        }
        json terminal = {{"answer", NameOf(r.terminal.answer)}};
        if (r.terminal.answer == ScriptedAnswer::Code) {
            terminal["code"] = r.terminal.code;
        }
        if (r.terminal.answer == ScriptedAnswer::Declined) {
            terminal["reason"] = r.terminal.reason;
        }
        if (r.terminal.delayMs > 0) {
            terminal["delay_ms"] = r.terminal.delayMs;
        }
        json step = {
            {"name", Noun(r.expect.command) + std::string(" ") + std::to_string(i + 1)},
            {"instruction", {{"it", MadeUpInstruction(r.expect, false) + Outcome(r.terminal)}}},
            {"expect", expect},
            {"terminal", terminal},
        };
        if (!r.next.empty()) {
            step["then"] = json::array({{{"command", r.next}, {"within_s", 10}}});
        }
        steps.push_back(step);
    }
    const json set = {{"name", name}, {"description", description}, {"steps", steps}};
    return set.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace varnix::sim
