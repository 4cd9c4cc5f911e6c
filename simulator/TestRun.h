// One run of a test set: which step is on, what reached the terminal, how it was answered, what
// VarnixPos recorded and what the register did next, and each step's verdict. Pure logic: the
// session feeds it the requests, the exchange history's new entries and the time, and prints
// what it says.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "exchange/ExchangeHistory.h"
#include "simulator/TerminalModel.h"
#include "simulator/TestSet.h"

namespace varnix::sim {

enum class Verdict {
    Pending,  // not over yet: a report written during the run shows it so
    Passed,
    Failed,
    NotJudged,
};

struct StepResult {
    Verdict verdict = Verdict::Pending;
    std::vector<std::string> failures;   // why it failed
    std::string failureType;             // the kind of its first failure, for a CI to group by
    std::vector<std::string> notJudged;  // what could not be looked at, and why
    std::string received;                // the request as the terminal saw it
    std::string answer;                  // what the terminal answered
    std::string recorded;                // what VarnixPos recorded of the exchange
    std::vector<std::string> after;      // the register's next commands
    std::int64_t startMs = 0;            // run time, milliseconds
    std::int64_t requestMs = -1;         // when the request (or the refused attempt) came
    std::int64_t endMs = -1;
};

class TestRun {
  public:
    // The answer to a request that no step expects: declined, so that a stray payment is never
    // approved behind the developer's back.
    static constexpr const char* kUnexpectedReason = "RICHIESTA NON PREVISTA";
    // The polling cycle's own status requests, which are no command of the register's.
    static constexpr const char* kStatusRequestFile = "POSDUMPIN.TXT";
    // The kinds of failure.
    static constexpr const char* kWrongRequest = "richiesta errata";
    static constexpr const char* kUnexpected = "richiesta non prevista";
    static constexpr const char* kRepeated = "comando ripetuto";
    static constexpr const char* kNotSent = "comando non inviato al terminale";
    static constexpr const char* kNothing = "nessuna richiesta";
    static constexpr const char* kNextCommand = "comando successivo";
    static constexpr const char* kNotRecorded = "scambio non registrato";

    // `history`: whether the exchange history is being read.
    TestRun(TestSet set, bool history);

    void Start(std::int64_t nowMs);
    // A request reached the terminal: how the terminal is to treat it.
    Terminal OnRequest(const proto::Request& request, std::int64_t nowMs);
    // The answer the terminal model made of the last request.
    void OnAnswer(const Reply& reply);
    // A new entry of the exchange history, as it was seen.
    void OnHistory(const exchange::HistoryEntry& entry, std::int64_t nowMs);
    void Tick(std::int64_t nowMs);
    // The run stops here: the step on and those after it are not judged.
    void Abort(std::int64_t nowMs);

    bool Finished() const { return current_ >= set_.steps.size(); }
    // Finished, and the watch after the last step is over too.
    bool Over(std::int64_t nowMs) const {
        return Finished() && (aborted_ || nowMs >= afterLastEndMs_);
    }
    // How many steps are over.
    std::size_t StepsDone() const { return std::min(current_, set_.steps.size()); }
    // False while a step refuses connections.
    bool ListenerOpen() const;
    // The lines to show the developer since the last call.
    std::vector<std::string> TakeOutput();

    const TestSet& Set() const { return set_; }
    const std::vector<StepResult>& Results() const { return results_; }
    std::size_t Count(Verdict verdict) const;
    // What the register sent after the last step that belongs to no step.
    const std::vector<std::string>& AfterLast() const { return afterLast_; }
    bool AllPassed() const {
        return Count(Verdict::Passed) == set_.steps.size() && afterLast_.empty();
    }
    // Grows with every change a report shows: a step's end, a late failure.
    std::uint64_t Revision() const { return revision_; }
    // When the terminal's first answer went out; -1 before.
    std::int64_t FirstAnswerMs() const { return firstAnswerMs_; }

  private:
    enum class Phase { Awaiting, Exchange, Then };

    const Step& CurrentStep() const { return set_.steps[current_]; }
    StepResult& Current() { return results_[current_]; }
    void BeginStep(std::int64_t nowMs);
    void EndExchange(std::int64_t endMs, std::int64_t nowMs);
    void EndStep(std::int64_t nowMs);
    void Fail(std::string why, const char* type);
    void JudgeRequest(const proto::Request& request);
    void JudgeCommandLine(const std::string& line);
    void JudgeAmount(std::int64_t amount, const std::string& raw);
    void JudgeStan(const std::string& stan);
    bool RepeatsStep(const std::string& keyword, std::int64_t amount) const;
    // Whether a request of `keyword` carrying `amount` is what the step on waits for.
    bool FitsStep(const std::string& keyword, std::int64_t amount) const;
    // The latest step before `before` that forbids a repeat and whose own request this one
    // repeats; kNoStep for none.
    std::size_t RepeatedStep(const std::string& keyword, const std::string& carried,
                             std::size_t before) const;
    // A step already over is failed after all: the register sent its request again.
    void FailLate(std::size_t step, const std::string& what, std::int64_t nowMs);
    // What came after the last step: the step it repeats fails, or else the run's final case.
    void AfterLastStep(const std::string& keyword, const std::string& carried,
                       const std::string& what, std::int64_t nowMs);
    // Fails the step's unresolved "no repeat" expectation, if it has one.
    bool ResolveRepeat(const std::string& what, std::int64_t nowMs);
    // The command the step's "then" still waits for ("" for none), and the register's next
    // command settling it.
    std::string OpenNextCommand() const;
    void SettleNextCommand(const std::string& keyword, const std::string& what, std::int64_t nowMs);

    TestSet set_;
    bool history_;
    std::size_t current_ = 0;
    Phase phase_ = Phase::Awaiting;
    bool started_ = false;
    // Whose the request being answered is: the step's own, one its "then" asked for, or none.
    enum class Answering { Step, Then, Unexpected };
    Answering answering_ = Answering::Unexpected;
    // The requests the terminal saw, oldest first, until VarnixPos's record of each arrives.
    static constexpr std::size_t kNoStep = static_cast<std::size_t>(-1);
    static constexpr std::int64_t kPendingMs = std::int64_t{10} * 60 * 1000;
    struct Pending {
        std::string keyword;
        std::string carried;  // its amount, or the STAN it voids
        std::int64_t requestMs = 0;
        std::size_t step = kNoStep;  // the step on when it came
        bool exchange = false;       // the step's own request
    };
    std::deque<Pending> pending_;
    std::size_t recordsSeen_ = 0;
    // The request `entry` records, taken off the list; none for a command that never reached
    // the terminal.
    std::optional<Pending> TakePending(const exchange::HistoryEntry& entry,
                                       const std::string& keyword, std::int64_t nowMs);
    std::int64_t thenStartMs_ = 0;
    std::vector<bool> thenResolved_;
    std::int64_t stepAmount_ = -1;                     // the amount the step's request carried
    std::vector<std::optional<std::string>> carried_;  // what each step's own request carried
    std::vector<std::string> afterLast_;
    std::int64_t afterLastEndMs_ = 0;
    bool aborted_ = false;
    std::uint64_t revision_ = 0;
    Terminal lastTerminal_;
    std::int64_t lastRequestMs_ = 0;
    std::int64_t firstAnswerMs_ = -1;
    std::vector<StepResult> results_;
    std::map<std::string, std::string> stans_;  // step name → the STAN its answer gave
    std::vector<std::string> output_;
};

// What a step expects and what it expects next, as the report and the console show them.
std::string DescribeExpected(const Step& step);
// A span of milliseconds as "1,2 s".
std::string Seconds(std::int64_t ms);

}  // namespace varnix::sim
