// Turns a session into a test set that replays it: what a register did at the simulator (each
// exchange the simulated terminal answered), or what VarnixPos recorded in its history against
// a real terminal. One step per exchange that reached the terminal, with its command, amount and
// STAN (a void of a STAN the session's terminal gave names that step), the terminal's behaviour
// as it was, an instruction made up in Italian, and the status request the register sent next.
#pragma once

#include <string>
#include <vector>

#include "exchange/ExchangeHistory.h"
#include "simulator/TerminalModel.h"
#include "simulator/TestSet.h"

namespace varnix::sim {

class TestSetRecorder {
  public:
    // An exchange the simulated terminal answered.
    void OnExchange(const proto::Request& request, const Reply& reply);
    // A new entry of VarnixPos's history, the simulator's exchanges being recorded too: only
    // what the register did next is taken from it.
    void OnHistory(const exchange::HistoryEntry& entry);
    // An exchange as VarnixPos recorded it against a real terminal: the history alone.
    void OnRecorded(const exchange::HistoryEntry& entry);

    std::size_t Steps() const { return steps_.size(); }
    // The test set, as JSON text (UTF-8).
    std::string Json(const std::string& name, const std::string& description) const;

  private:
    struct Recorded {
        ExpectedRequest expect;
        Terminal terminal;
        std::string stanGiven;  // the STAN the terminal approved it with
        std::string next;       // the command the register sent next, when it asked the status
        bool nextSeen = false;
    };
    // `carried` is the amount in cents, or the STAN a void names.
    void Add(const std::string& keyword, const std::string& carried, Terminal terminal,
             std::string stanGiven);

    std::vector<Recorded> steps_;
};

}  // namespace varnix::sim
