// The simulated payment terminal: its state (transaction numbers, approved transactions, running
// totals, open pre-authorisations) and how it answers each request. Pure logic, no I/O: the
// server decides only how the chosen answer travels (sent, withheld, garbled or cut).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "ports/Clock.h"
#include "terminal-lib/protocol/Protocol.h"

namespace varnix::sim {

// How the answer to one request travels.
enum class Delivery {
    Answer,   // a well-formed answer frame
    Silence,  // no answer at all: the library times out
    Garbage,  // bytes that are no frame: the library reports a protocol error
    Drop,     // half an answer, then the link goes down
    HangUp,   // the request is read, then the link goes down without a byte
};

enum class DefaultOutcome { Ok, Refused, Timeout, Protocol, Function, Password, Drop, Code, Busy };

struct ModelOptions {
    std::string terminalId = "10001761";
    std::string acquirerId = "70000005040";
    bool magicAmounts = true;
    DefaultOutcome outcome = DefaultOutcome::Ok;
    int outcomeCode = 0;             // with DefaultOutcome::Code
    std::set<int> refusedFunctions;  // wire codes answered with the function error
};

struct Reply {
    Delivery delivery = Delivery::Answer;
    proto::Answer answer;
    std::string outcome;  // for the journal: "approved", "refused", "timeout", ...
    int delayMs = 0;      // how long the terminal takes before it answers
};

// The answer to magic amounts (in cents), when they are switched on.
inline constexpr std::int64_t kMagicRefused = 990001;
inline constexpr std::int64_t kMagicTimeout = 990002;
inline constexpr std::int64_t kMagicProtocol = 990003;
inline constexpr std::int64_t kMagicFunction = 990004;
inline constexpr std::int64_t kMagicPassword = 990005;
inline constexpr std::int64_t kMagicDrop = 990006;
inline constexpr std::int64_t kMagicUnknownCode = 990007;

// The terminal stamps its answers with the local date and time.
using Clock = ports::LocalDateTime;

class TerminalModel {
  public:
    explicit TerminalModel(ModelOptions options) : options_(std::move(options)) {}

    // The answer under the configured outcome and magic amounts.
    Reply Handle(const proto::Request& request, const Clock& now);
    // The answer as a test set scripts it: `outcome` whatever the amount; `code` with
    // DefaultOutcome::Code, `reason` the refusal text with DefaultOutcome::Refused.
    Reply HandleAs(const proto::Request& request, const Clock& now, DefaultOutcome outcome,
                   int code, const std::string& reason);

    std::int64_t Balance() const { return balance_; }

  private:
    struct Transaction {
        std::int64_t amount = 0;
        bool voided = false;
    };
    struct Preauth {
        std::int64_t amount = 0;
        bool open = true;
    };

    Reply Approve(const proto::Request& request, const std::string& operation, std::int64_t amount,
                  std::int64_t balanceChange, const Clock& now);
    Reply Refuse(const proto::Request& request, const char* reason, const Clock& now);
    void FillCommon(iae17::POSData& data, const Clock& now) const;
    std::string Ticket(const std::string& operation, std::int64_t amount, const std::string& stan,
                       bool approved, const Clock& now) const;

    ModelOptions options_;
    int stan_ = 0;
    int operationNumber_ = 0;
    int preauthCounter_ = 0;
    std::int64_t balance_ = 0;
    std::map<std::string, Transaction> transactions_;  // by STAN
    std::map<std::string, Preauth> preauths_;          // by code
};

// A record field's text without the blanks and NULs around it.
std::string TrimField(const std::string& field);
// The amount of a request field: digits only, blanks and NULs around them; -1 otherwise.
std::int64_t ParseAmount(const std::string& field);

}  // namespace varnix::sim
