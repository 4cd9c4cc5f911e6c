#include "frontends/TickSchedule.h"

#include <algorithm>

namespace varnix::frontends {

namespace {

long long MsToNextGridPoint(long long sinceGridStartMs, int intervalMs) {
    const long long period = intervalMs > 0 ? intervalMs : 1;
    const long long elapsed = std::max(0LL, sinceGridStartMs);
    return (elapsed / period + 1) * period - elapsed;
}

}  // namespace

long long TickSchedule::DelayMs(long long nowMs, int intervalMs) const {
    const long long grid = MsToNextGridPoint(nowMs - gridStartMs_, intervalMs);
    if (forwardDueMs_ && *forwardDueMs_ - nowMs < grid) {
        return std::max(0LL, *forwardDueMs_ - nowMs);
    }
    return grid;
}

void TickSchedule::BringForward(long long nowMs, int delayMs) {
    const long long due = nowMs + std::max(0, delayMs);
    if (!forwardDueMs_ || due < *forwardDueMs_) {
        forwardDueMs_ = due;
    }
}

void TickSchedule::CycleStarts(long long nowMs) {
    // A request still to come due is served too: this cycle looks at the file now, and waits
    // within itself for one about to be ready.
    if (forwardDueMs_ && *forwardDueMs_ <= nowMs) {
        gridStartMs_ = nowMs;
    }
    forwardDueMs_.reset();
}

}  // namespace varnix::frontends
