#include "simulator/TestRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "iae17/Functions.h"
#include "iae17/Records.h"
#include "text/AnsiText.h"

namespace varnix::sim {

namespace {

std::string AmountText(std::int64_t cents) {
    return std::to_string(cents) + " (" + EuroText(cents) + ")";
}

std::string Quoted(const std::string& ansi) {
    return ansi.empty() ? "(vuoto)" : "\"" + text::Cp1252ToUtf8(ansi) + "\"";
}

// The fields of a command line the way the handlers read them: A and, for a void, S.
struct CommandFields {
    std::string amount;
    std::string stan;
    bool hasAmount = false;
};

CommandFields FieldsOf(const std::string& line, const std::string& keyword) {
    CommandFields fields;
    std::size_t at = line.find(',');
    while (at != std::string::npos) {
        const std::size_t next = line.find(',', at + 1);
        const std::string field =
            line.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        if (!field.empty() && field[0] == 'A' && !CarriesStan(keyword)) {
            fields.amount = field.substr(1);
            fields.hasAmount = true;
        } else if (!field.empty() && (field[0] == 'S' || field[0] == 'A') && CarriesStan(keyword)) {
            fields.stan = field.substr(1);
        }
        at = next;
    }
    return fields;
}

// What tells one request of a command from another: its amount, or the STAN it voids ("" for
// totals and closure). From the wire, and from a command line the way the handlers cut it.
std::string CarriedBy(const proto::Request& request, const std::string& keyword) {
    if (CarriesStan(keyword)) {
        iae17::POSData data;
        iae17::Unpack(request.data, data);
        return TrimField(data.STAN.Text());
    }
    if (!TakesAmount(keyword)) {
        return {};
    }
    iae17::POSRequest req;
    iae17::Unpack(request.request, req);
    return TrimField(req.Amount.Text());
}

std::string CarriedBy(const CommandFields& fields, const std::string& keyword) {
    if (CarriesStan(keyword)) {
        return TrimField(fields.stan.substr(0, decltype(iae17::POSRequest::STAN)::kWidth));
    }
    if (!TakesAmount(keyword)) {
        return {};
    }
    return TrimField(fields.amount.substr(0, decltype(iae17::POSRequest::Amount)::kWidth));
}

std::string DescribeRequest(const proto::Request& request) {
    iae17::POSRequest req;
    iae17::Unpack(request.request, req);
    const std::string keyword = KeywordOfWire(request.function);
    std::string text = iae17::FunctionNameOfWire(request.function);
    if (text.empty()) {
        text = "funzione " + std::to_string(request.function);
    }
    if (!keyword.empty()) {
        text += " (" + keyword + ")";
    }
    if (CarriesStan(keyword)) {
        iae17::POSData data;
        iae17::Unpack(request.data, data);
        text += ", STAN " + Quoted(TrimField(data.STAN.Text()));
    } else if (TakesAmount(keyword)) {
        const std::string amount = TrimField(req.Amount.Text());
        const std::int64_t cents = ParseAmount(req.Amount.Text());
        text += ", importo " + (cents >= 0 ? AmountText(cents) : Quoted(amount));
    }
    if (keyword == "POS_PAGEXT") {
        text += ", tipo " + Quoted(TrimField(req.PaymentType.Text()));
    }
    text += ", terminale " + Quoted(TrimField(req.TerminalId.Text())) + ", cassa " +
            Quoted(TrimField(req.EcrId.Text()));
    return text;
}

std::string DescribeRecorded(const exchange::HistoryEntry& entry) {
    std::string text = text::Cp1252ToUtf8(entry.outcome) + " / " + entry.transaction;
    if (!entry.description.empty()) {
        text += " \xE2\x80\x94 " + text::Cp1252ToUtf8(entry.description);
    }
    if (!entry.handler.empty()) {
        text += " (" + text::Cp1252ToUtf8(entry.handler) + ")";
    }
    return text;
}

bool JudgeId(const IdRule& rule, const std::string& value, const char* what, std::string& why) {
    switch (rule.kind) {
        case IdRule::Kind::Any:
            return true;
        case IdRule::Kind::Present:
            why = std::string("manca l'identificativo ") + what;
            return !value.empty();
        case IdRule::Kind::Exactly:
            why = std::string("identificativo ") + what + " " + Quoted(value) + " invece di " +
                  Quoted(text::Utf8ToCp1252(rule.value));
            return value == text::Utf8ToCp1252(rule.value);
    }
    return true;
}

std::string DescribeAnswer(const Terminal& terminal, const Reply& reply) {
    switch (terminal.answer) {
        case ScriptedAnswer::Timeout:
            return "nessuna risposta";
        case ScriptedAnswer::Drop:
            return "collegamento interrotto a met\xC3\xA0 risposta";
        case ScriptedAnswer::Busy:
            return "occupato: riagganciato senza rispondere";
        case ScriptedAnswer::Garbled:
            return "risposta illeggibile";
        case ScriptedAnswer::Code:
            return "codice di risultato " + std::to_string(terminal.code);
        case ScriptedAnswer::Refuse:
            return "connessione rifiutata";
        case ScriptedAnswer::Approved:
        case ScriptedAnswer::Declined:
            break;
    }
    iae17::POSData data;
    iae17::Unpack(reply.answer.data, data);
    const std::string stan = TrimField(data.STAN.Text());
    if (TrimField(data.TransactionResult.Text()) == "00") {
        return "approvata" + (stan.empty() ? "" : ", STAN " + stan) + ", saldo " +
               TrimField(data.POSBalance.Text());
    }
    return "negata: " + text::Cp1252ToUtf8(TrimField(data.KODescription.Text()));
}

}  // namespace

std::string Seconds(std::int64_t ms) {
    if (ms % 1000 == 0) {
        return std::to_string(ms / 1000) + " s";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld,%lld s", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000 / 100));
    return buffer;
}

std::string DescribeExpected(const Step& step) {
    const ExpectedRequest& e = step.expect;
    std::string text = e.command;
    if (e.amount) {
        text += ", importo " + AmountText(*e.amount);
    } else if (e.amountMin || e.amountMax) {
        text += ", importo " + (e.amountMin ? "da " + AmountText(*e.amountMin) : std::string()) +
                (e.amountMin && e.amountMax ? " " : "") +
                (e.amountMax ? "fino a " + AmountText(*e.amountMax) : std::string());
    }
    if (!e.stan.empty()) {
        text += ", STAN " + e.stan;
    } else if (!e.stanOf.empty()) {
        text += ", lo STAN del passo \"" + e.stanOf + "\"";
    }
    for (const auto& [rule, what] :
         {std::pair{&e.terminalId, "terminale"}, std::pair{&e.ecrId, "cassa"}}) {
        if (rule->kind == IdRule::Kind::Present) {
            text += std::string(", id ") + what + " presente";
        } else if (rule->kind == IdRule::Kind::Exactly) {
            text += std::string(", id ") + what + " \"" + rule->value + "\"";
        }
    }
    for (const Then& then : step.then) {
        text += then.kind == Then::Kind::Command
                    ? "; poi " + then.command + " entro " + Seconds(then.withinMs)
                    : "; nessuna ripetizione per " + Seconds(then.withinMs);
    }
    return text;
}

TestRun::TestRun(TestSet set, bool history)
    : set_(std::move(set)),
      history_(history),
      carried_(set_.steps.size()),
      results_(set_.steps.size()) {}

void TestRun::Start(std::int64_t nowMs) {
    started_ = true;
    current_ = 0;
    if (!Finished()) {
        BeginStep(nowMs);
    }
}

bool TestRun::ListenerOpen() const {
    return !started_ || Finished() || phase_ != Phase::Awaiting ||
           CurrentStep().terminal.answer != ScriptedAnswer::Refuse;
}

std::vector<std::string> TestRun::TakeOutput() {
    // What the register sent is shown too: it must not move the developer's cursor, nor fake a
    // step's announcement for a register that follows this output.
    std::vector<std::string> lines = std::exchange(output_, {});
    for (auto& line : lines) {
        line = Printable(line);
    }
    return lines;
}

std::size_t TestRun::Count(Verdict verdict) const {
    return static_cast<std::size_t>(
        std::count_if(results_.begin(), results_.end(),
                      [&](const StepResult& r) { return r.verdict == verdict; }));
}

void TestRun::BeginStep(std::int64_t nowMs) {
    const Step& step = CurrentStep();
    phase_ = Phase::Awaiting;
    stepAmount_ = -1;
    thenResolved_.assign(step.then.size(), false);
    Current().startMs = nowMs;
    output_.push_back("[" + std::to_string(current_ + 1) + "/" + std::to_string(set_.steps.size()) +
                      "] " + step.name + ": " + step.instruction + " (entro " +
                      Seconds(step.timeLimitMs) + ")");
}

void TestRun::Fail(std::string why, const char* type) {
    if (Current().failures.empty()) {
        Current().failureType = type;
    }
    Current().failures.push_back(std::move(why));
}

void TestRun::JudgeAmount(std::int64_t amount, const std::string& raw) {
    const ExpectedRequest& e = CurrentStep().expect;
    if (!e.amount && !e.amountMin && !e.amountMax) {
        return;
    }
    if (amount < 0) {
        Fail("importo non leggibile: " + Quoted(raw), kWrongRequest);
    } else if (e.amount && amount != *e.amount) {
        Fail("importo " + AmountText(amount) + " invece di " + AmountText(*e.amount),
             kWrongRequest);
    } else if ((e.amountMin && amount < *e.amountMin) || (e.amountMax && amount > *e.amountMax)) {
        Fail("importo " + AmountText(amount) + " fuori dall'intervallo atteso", kWrongRequest);
    }
}

void TestRun::JudgeStan(const std::string& stan) {
    const ExpectedRequest& e = CurrentStep().expect;
    std::string wanted = e.stan;
    if (!e.stanOf.empty()) {
        const auto found = stans_.find(e.stanOf);
        if (found == stans_.end()) {
            Fail("il passo \"" + e.stanOf + "\" non ha avuto una transazione approvata da stornare",
                 kWrongRequest);
            return;
        }
        wanted = found->second;
    }
    if (!wanted.empty() && stan != wanted) {
        Fail("STAN " + Quoted(stan) + " invece di " + Quoted(wanted), kWrongRequest);
    }
}

void TestRun::JudgeRequest(const proto::Request& request) {
    const ExpectedRequest& e = CurrentStep().expect;
    const std::string keyword = KeywordOfWire(request.function);
    if (keyword != e.command) {
        Fail("richiesta " +
                 std::string(keyword.empty() ? iae17::FunctionNameOfWire(request.function)
                                             : keyword.c_str()) +
                 " invece di " + e.command,
             kUnexpected);
        return;
    }
    iae17::POSRequest req;
    iae17::Unpack(request.request, req);
    if (CarriesStan(keyword)) {
        iae17::POSData data;
        iae17::Unpack(request.data, data);
        JudgeStan(TrimField(data.STAN.Text()));
    } else if (TakesAmount(keyword)) {
        stepAmount_ = ParseAmount(req.Amount.Text());
        JudgeAmount(stepAmount_, TrimField(req.Amount.Text()));
    }
    std::string why;
    if (!JudgeId(e.terminalId, TrimField(req.TerminalId.Text()), "del terminale", why)) {
        Fail(why, kWrongRequest);
    }
    if (!JudgeId(e.ecrId, TrimField(req.EcrId.Text()), "della cassa", why)) {
        Fail(why, kWrongRequest);
    }
}

void TestRun::JudgeCommandLine(const std::string& line) {
    const ExpectedRequest& e = CurrentStep().expect;
    const std::string keyword = KeywordOf(line);
    if (keyword != e.command) {
        Fail("comando " + (keyword.empty() ? Quoted(line) : keyword) + " invece di " + e.command,
             kUnexpected);
        return;
    }
    const CommandFields fields = FieldsOf(line, keyword);
    if (CarriesStan(keyword)) {
        JudgeStan(TrimField(fields.stan));
    } else if (TakesAmount(keyword)) {
        stepAmount_ = fields.hasAmount ? ParseAmount(fields.amount) : -1;
        JudgeAmount(stepAmount_, fields.hasAmount ? fields.amount : "(nessun campo A)");
    }
}

Terminal TestRun::OnRequest(const proto::Request& request, std::int64_t nowMs) {
    iae17::POSRequest req;
    iae17::Unpack(request.request, req);
    const std::string keyword = KeywordOfWire(request.function);
    const std::string what = DescribeRequest(request);
    const std::string carried = keyword.empty() ? std::string() : CarriedBy(request, keyword);
    const std::int64_t amount = ParseAmount(req.Amount.Text());
    Terminal declined;
    declined.answer = ScriptedAnswer::Declined;
    declined.reason = kUnexpectedReason;
    answering_ = Answering::Unexpected;
    lastTerminal_ = declined;
    lastRequestMs_ = nowMs;
    if (started_ && !Finished() && phase_ == Phase::Exchange) {
        // VarnixPos runs one command at a time: a new request means the register's last
        // exchange is over, whether or not its record has been seen yet (both commands in one
        // file, or no history to say so).
        EndExchange(nowMs, nowMs);
    }
    const std::size_t owner = started_ && !Finished() ? current_ : kNoStep;
    // Only a command's request gets a record in the history (the console's buttons call the
    // library without one).
    if (!keyword.empty()) {
        pending_.push_back({keyword, carried, nowMs, owner, false});
    }
    if (owner == kNoStep) {
        if (started_) {
            AfterLastStep(keyword, carried, what, nowMs);
        }
        return declined;
    }
    const Step& step = CurrentStep();
    StepResult& result = Current();
    // A resend of an earlier step's payment is that step's mistake, even when it comes while
    // this one waits for the same command: judged as this step's request it would be approved.
    const std::size_t repeated = phase_ == Phase::Awaiting && FitsStep(keyword, amount)
                                     ? kNoStep
                                     : RepeatedStep(keyword, carried, current_);
    if (phase_ == Phase::Awaiting && step.terminal.answer != ScriptedAnswer::Refuse &&
        keyword == step.expect.command && repeated == kNoStep) {
        pending_.back().exchange = true;
        answering_ = Answering::Step;
        result.received = what;
        result.requestMs = nowMs;
        carried_[current_] = carried;
        JudgeRequest(request);
        phase_ = Phase::Exchange;
        lastTerminal_ = step.terminal;
        return step.terminal;
    }
    result.after.push_back("richiesta al terminale: " + what);
    if (phase_ == Phase::Then) {
        const bool wanted = OpenNextCommand() == keyword;
        if (!wanted && RepeatsStep(keyword, amount) && ResolveRepeat(what, nowMs)) {
            return declined;
        }
        if (!OpenNextCommand().empty()) {
            SettleNextCommand(keyword, keyword, nowMs);
            if (wanted) {
                answering_ = Answering::Then;
                lastTerminal_ = Terminal{};
                return lastTerminal_;  // what the step asked for: the terminal answers as usual
            }
            return declined;
        }
    }
    if (repeated != kNoStep) {
        FailLate(repeated, what, nowMs);
        return declined;
    }
    Fail("richiesta non prevista: " + what +
             (phase_ == Phase::Awaiting ? " (il passo attende " + step.expect.command + ")" : ""),
         kUnexpected);
    if (phase_ == Phase::Awaiting) {
        // Said at once: waiting out the step's time would tell the developer nothing more.
        EndStep(nowMs);
    } else {
        output_.push_back("      richiesta non prevista: " + what + " (negata)");
    }
    return declined;
}

bool TestRun::FitsStep(const std::string& keyword, std::int64_t amount) const {
    const ExpectedRequest& e = CurrentStep().expect;
    if (keyword != e.command) {
        return false;
    }
    if (!TakesAmount(keyword)) {
        return true;
    }
    return (!e.amount || amount == *e.amount) && (!e.amountMin || amount >= *e.amountMin) &&
           (!e.amountMax || amount <= *e.amountMax);
}

std::size_t TestRun::RepeatedStep(const std::string& keyword, const std::string& carried,
                                  std::size_t before) const {
    for (std::size_t i = std::min(before, set_.steps.size()); i-- > 0;) {
        const Step& step = set_.steps[i];
        if (step.expect.command == keyword && step.ForbidsRepeat() && carried_[i] &&
            *carried_[i] == carried) {
            return i;
        }
    }
    return kNoStep;
}

void TestRun::FailLate(std::size_t step, const std::string& what, std::int64_t nowMs) {
    StepResult& result = results_[step];
    const std::string why = "la cassa ha ripetuto il comando " +
                            Seconds(nowMs - std::max(result.endMs, std::int64_t{0})) +
                            " dopo la fine del passo: " + what;
    if (result.failures.empty()) {
        result.failureType = kRepeated;
    }
    result.failures.push_back(why);
    result.verdict = Verdict::Failed;
    ++revision_;
    output_.push_back("      [" + std::to_string(step + 1) + "/" +
                      std::to_string(set_.steps.size()) + "] " + set_.steps[step].name +
                      ": ora FALLITO: " + why + " (negata)");
}

void TestRun::AfterLastStep(const std::string& keyword, const std::string& carried,
                            const std::string& what, std::int64_t nowMs) {
    if (const std::size_t repeated = RepeatedStep(keyword, carried, set_.steps.size());
        repeated != kNoStep) {
        FailLate(repeated, what, nowMs);
        return;
    }
    afterLast_.push_back(what);
    ++revision_;
    output_.push_back("      dopo l'ultimo passo: FALLITO: richiesta non prevista: " + what +
                      " (negata)");
}

void TestRun::OnAnswer(const Reply& reply) {
    if (firstAnswerMs_ < 0 && lastTerminal_.answer != ScriptedAnswer::Timeout) {
        firstAnswerMs_ = lastRequestMs_ + lastTerminal_.delayMs;
    }
    if (answering_ != Answering::Step || Finished()) {
        return;
    }
    const Terminal& terminal = CurrentStep().terminal;
    Current().answer = DescribeAnswer(terminal, reply);
    iae17::POSData data;
    iae17::Unpack(reply.answer.data, data);
    if (reply.answer.result == 0 && TrimField(data.TransactionResult.Text()) == "00" &&
        !TrimField(data.STAN.Text()).empty()) {
        stans_[CurrentStep().name] = TrimField(data.STAN.Text());
    }
    // Without the history nothing else says when the exchange is over: the answer does. A
    // terminal that never answers leaves the register waiting up to the library's limit, so the
    // step lasts its whole time (Tick).
    if (!history_ && terminal.answer != ScriptedAnswer::Timeout) {
        EndExchange(Current().requestMs + terminal.delayMs, Current().requestMs);
    }
}

bool TestRun::RepeatsStep(const std::string& keyword, std::int64_t amount) const {
    return keyword == CurrentStep().expect.command &&
           (!TakesAmount(keyword) || amount == stepAmount_);
}

bool TestRun::ResolveRepeat(const std::string& what, std::int64_t nowMs) {
    const Step& step = CurrentStep();
    for (std::size_t i = 0; i < step.then.size(); ++i) {
        if (step.then[i].kind == Then::Kind::NoRepeat && !thenResolved_[i]) {
            thenResolved_[i] = true;
            Fail("la cassa ha ripetuto il comando dopo " + Seconds(nowMs - thenStartMs_) + ": " +
                     what,
                 kRepeated);
            return true;
        }
    }
    return false;
}

std::string TestRun::OpenNextCommand() const {
    const Step& step = CurrentStep();
    for (std::size_t i = 0; i < step.then.size(); ++i) {
        if (step.then[i].kind == Then::Kind::Command && !thenResolved_[i]) {
            return step.then[i].command;
        }
    }
    return {};
}

void TestRun::SettleNextCommand(const std::string& keyword, const std::string& what,
                                std::int64_t nowMs) {
    const Step& step = CurrentStep();
    for (std::size_t i = 0; i < step.then.size(); ++i) {
        const Then& then = step.then[i];
        if (then.kind != Then::Kind::Command || thenResolved_[i]) {
            continue;
        }
        thenResolved_[i] = true;
        if (keyword != then.command) {
            Fail("dopo lo scambio la cassa ha inviato " + what + " invece di " + then.command,
                 kNextCommand);
        } else if (nowMs - thenStartMs_ > then.withinMs) {
            Fail(then.command + " arrivato dopo " + Seconds(nowMs - thenStartMs_) + ", oltre " +
                     Seconds(then.withinMs),
                 kNextCommand);
        }
    }
}

void TestRun::OnHistory(const exchange::HistoryEntry& entry, std::int64_t nowMs) {
    if (!started_ || text::EqualsNoCase(entry.file, kStatusRequestFile)) {
        return;
    }
    const std::string keyword = KeywordOf(entry.command);
    const bool terminalCommand = ReachesTerminal(keyword);
    const std::string line = text::Cp1252ToUtf8(entry.command);
    const std::string recorded = line + ": " + DescribeRecorded(entry);
    // What VarnixPos said instead of running the command ("Parametri mancanti"), or the link's
    // outcome when it ran.
    const std::string answered = Quoted(entry.handler.empty() ? entry.outcome : entry.handler);
    ++recordsSeen_;
    // The record of a request the terminal saw: it belongs to the step that request came in,
    // which need not be the step on now (a terminal that kept silent beyond a step's limit).
    if (const auto request = TakePending(entry, keyword, nowMs)) {
        if (request->step >= results_.size()) {
            return;
        }
        if (request->exchange && request->step == current_ && phase_ == Phase::Exchange) {
            Current().recorded = recorded;
            EndExchange(nowMs, nowMs);
        } else if (request->exchange) {
            results_[request->step].recorded =
                recorded + (request->step == current_ ? "" : " (dopo la fine del passo)");
        } else {
            results_[request->step].after.push_back("VarnixPos: " + recorded);
        }
        return;
    }
    // Asking for the status is never a mistake: the register may do it whenever it likes.
    const bool status = keyword == "POS_STATUS";
    const CommandFields fields = FieldsOf(entry.command, keyword);
    const std::string carried = CarriedBy(fields, keyword);
    const std::int64_t amount = fields.hasAmount ? ParseAmount(fields.amount) : -1;
    if (Finished()) {
        if (!status) {
            AfterLastStep(keyword, carried, "comando " + line + ", VarnixPos: " + answered, nowMs);
        }
        return;
    }
    StepResult& result = Current();
    switch (phase_) {
        case Phase::Awaiting: {
            if (status) {
                return;
            }
            const Step& step = CurrentStep();
            if (!FitsStep(keyword, amount)) {
                if (const std::size_t repeated = RepeatedStep(keyword, carried, current_);
                    repeated != kNoStep) {
                    FailLate(repeated, "comando " + line + ", VarnixPos: " + answered, nowMs);
                    return;
                }
            }
            result.recorded = recorded;
            result.requestMs = nowMs;
            if (step.terminal.answer == ScriptedAnswer::Refuse && keyword == step.expect.command) {
                result.received = "(connessione rifiutata) comando " + line;
                carried_[current_] = carried;
                // Only an attempt that failed shows the register's handling of a refusal: a
                // command VarnixPos turned down never tried the link.
                if (!entry.handler.empty()) {
                    Fail("VarnixPos non ha tentato la connessione: ha risposto " + answered,
                         kNotSent);
                } else if (TrimField(entry.outcome) != "ETH ERROR" &&
                           TrimField(entry.outcome) != "COM ERROR") {
                    Fail("la connessione non \xC3\xA8 fallita: esito " + answered, kNotSent);
                }
                if (!result.failures.empty()) {
                    EndStep(nowMs);
                    return;
                }
                result.answer = DescribeAnswer(step.terminal, Reply{});
                JudgeCommandLine(entry.command);
                EndExchange(nowMs, nowMs);
                return;
            }
            // The step's command VarnixPos turned down, or another one: said at once.
            result.received = "comando " + line;
            if (keyword == step.expect.command) {
                Fail("il comando " + line +
                         " non ha raggiunto il terminale: VarnixPos ha risposto " + answered,
                     kNotSent);
            } else {
                Fail("comando " + (keyword.empty() ? Quoted(entry.command) : line) + " invece di " +
                         step.expect.command + " (VarnixPos: " + answered + ")",
                     kUnexpected);
            }
            EndStep(nowMs);
            return;
        }
        case Phase::Exchange:
            return;
        case Phase::Then:
            break;
    }
    result.after.push_back(line + " dopo " + Seconds(nowMs - thenStartMs_));
    if (terminalCommand && RepeatsStep(keyword, amount)) {
        ResolveRepeat("comando " + line, nowMs);
    }
    SettleNextCommand(keyword, line, nowMs);
    Tick(nowMs);
}

std::optional<TestRun::Pending> TestRun::TakePending(const exchange::HistoryEntry& entry,
                                                     const std::string& keyword,
                                                     std::int64_t nowMs) {
    // A request whose record never came (a history that rotated under the follower, say) is
    // given up after a while: no library waits that long.
    std::erase_if(pending_, [&](const Pending& p) { return nowMs - p.requestMs > kPendingMs; });
    if (!ReachesTerminal(keyword)) {
        return std::nullopt;
    }
    // Of the requests of this command carrying the same, the one that came when the record's
    // exchange began; a line without the field carries whatever the last one did.
    const std::string carried = CarriedBy(FieldsOf(entry.command, keyword), keyword);
    const std::int64_t began = nowMs - entry.durationMs;
    auto best = pending_.end();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->keyword == keyword && (carried.empty() || it->carried == carried) &&
            (best == pending_.end() ||
             std::llabs(it->requestMs - began) < std::llabs(best->requestMs - began))) {
            best = it;
        }
    }
    if (best == pending_.end()) {
        return std::nullopt;
    }
    Pending taken = *best;
    pending_.erase(best);
    return taken;
}

// The step's "then" expectations are watched from `endMs` on; a step without any ends then.
void TestRun::EndExchange(std::int64_t endMs, std::int64_t nowMs) {
    phase_ = Phase::Then;
    thenStartMs_ = endMs;
    if (!history_) {
        const Step& step = CurrentStep();
        for (std::size_t i = 0; i < step.then.size(); ++i) {
            if (step.then[i].kind == Then::Kind::Command &&
                !ReachesTerminal(step.then[i].command)) {
                thenResolved_[i] = true;
                Current().notJudged.push_back("il " + step.then[i].command +
                                              " successivo si vede solo nello storico (--history)");
            }
        }
    }
    Tick(nowMs);
}

void TestRun::Tick(std::int64_t nowMs) {
    if (!started_ || Finished()) {
        return;
    }
    const Step& step = CurrentStep();
    StepResult& result = Current();
    const bool late = nowMs - result.startMs >= step.timeLimitMs;
    switch (phase_) {
        case Phase::Awaiting:
            if (late) {
                if (step.terminal.answer == ScriptedAnswer::Refuse && !history_) {
                    result.notJudged.push_back(
                        "il tentativo rifiutato si vede solo nello storico (--history)");
                } else {
                    Fail("nessuna richiesta " + step.expect.command + " dalla cassa entro " +
                             Seconds(step.timeLimitMs),
                         kNothing);
                }
                EndStep(nowMs);
            }
            return;
        case Phase::Exchange:
            if (late && history_) {
                // Not one record in the whole run: most likely not this VarnixPos's history.
                Fail("VarnixPos non ha registrato lo scambio entro " + Seconds(step.timeLimitMs) +
                         (recordsSeen_ == 0 ? " (--history indica lo storico di questo VarnixPos?)"
                                            : ""),
                     kNotRecorded);
                EndStep(nowMs);
            } else if (late) {
                EndExchange(nowMs, nowMs);  // a silent terminal: the register's wait is over
            }
            return;
        case Phase::Then:
            if (nowMs < thenStartMs_) {
                return;  // the answer is still on its way
            }
            break;
    }
    bool open = false;
    for (std::size_t i = 0; i < step.then.size(); ++i) {
        const Then& then = step.then[i];
        if (thenResolved_[i]) {
            continue;
        }
        if (nowMs - thenStartMs_ <= then.withinMs) {
            open = true;
            continue;
        }
        thenResolved_[i] = true;
        if (then.kind == Then::Kind::Command) {
            Fail("nessun " + then.command + " entro " + Seconds(then.withinMs) +
                     " dalla fine dello scambio",
                 kNextCommand);
        }
    }
    if (!open) {
        EndStep(nowMs);
    }
}

void TestRun::Abort(std::int64_t nowMs) {
    if (!started_ || Finished()) {
        aborted_ = started_;
        return;
    }
    for (std::size_t i = current_ + 1; i < results_.size(); ++i) {
        results_[i].verdict = Verdict::NotJudged;
        results_[i].notJudged.push_back("prova interrotta prima di questo passo");
        results_[i].startMs = results_[i].endMs = nowMs;
    }
    Current().notJudged.push_back("prova interrotta prima della fine del passo");
    aborted_ = true;
    EndStep(nowMs);
    current_ = results_.size();
}

void TestRun::EndStep(std::int64_t nowMs) {
    StepResult& result = Current();
    result.endMs = nowMs;
    result.verdict = !result.failures.empty()    ? Verdict::Failed
                     : !result.notJudged.empty() ? Verdict::NotJudged
                                                 : Verdict::Passed;
    const auto join = [](const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines) {
            text += (text.empty() ? "" : "; ") + line;
        }
        return text;
    };
    const std::string took = " (" + Seconds(nowMs - result.startMs) + ")";
    switch (result.verdict) {
        case Verdict::Passed:
            output_.push_back("      superato" + took);
            break;
        case Verdict::Failed:
            output_.push_back("      FALLITO" + took + ": " + join(result.failures));
            break;
        case Verdict::NotJudged:
            output_.push_back("      non verificato" + took + ": " + join(result.notJudged));
            break;
        case Verdict::Pending:
            break;
    }
    ++current_;
    ++revision_;
    if (!Finished() && results_[current_].notJudged.empty()) {
        BeginStep(nowMs);
    } else if (Finished() && !aborted_) {
        // A register that sends a payment again once it thinks the test is over is caught too.
        afterLastEndMs_ = nowMs + set_.afterLastMs;
        output_.push_back("[fine] dopo l'ultimo passo la cassa non deve inviare altro per " +
                          Seconds(set_.afterLastMs));
    }
}

}  // namespace varnix::sim
