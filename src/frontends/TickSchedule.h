// When the polling cycle runs next, for every front end: on a fixed grid of the interval, so
// that a cycle's own waits never push the next pickup back, or sooner when a command file has
// just become ready, the grid then restarting from that cycle. Times are the front end's own
// monotonic milliseconds; the caller serialises the calls.
#pragma once

#include <optional>

namespace varnix::frontends {

class TickSchedule {
  public:
    explicit TickSchedule(long long nowMs) : gridStartMs_(nowMs) {}

    // Milliseconds from `nowMs` to the next cycle: the next grid point, or a cycle brought
    // forward if sooner (0 when already due).
    long long DelayMs(long long nowMs, int intervalMs) const;
    // A cycle wanted no later than `delayMs` from `nowMs`.
    void BringForward(long long nowMs, int delayMs);
    // A cycle starts now: a cycle brought forward restarts the grid, and whatever was asked
    // before it is served by it.
    void CycleStarts(long long nowMs);

  private:
    long long gridStartMs_;
    std::optional<long long> forwardDueMs_;
};

}  // namespace varnix::frontends
