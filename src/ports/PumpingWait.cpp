#include "ports/PumpingWait.h"

#include <cmath>

#include "platform/RuntimeError.h"

namespace varnix::ports {

void SleepDelay(Clock& clock, EventPump& events, double timeout) {
    // Rounded to whole milliseconds (halves to even), then whole steps. The step count is a
    // 16-bit value: a longer wait is an overflow, which the callers skip or report as such.
    if (!(std::fabs(timeout) < 2147483647.5)) {
        throw RuntimeError(kErrOverflow, "Overflow");
    }
    const long long steps = static_cast<long long>(std::nearbyint(timeout)) / kSleepStepMs;
    if (steps > 32767 || steps < -32768) {
        throw RuntimeError(kErrOverflow, "Overflow");
    }
    for (long long i = 0; i < steps; ++i) {
        clock.Sleep(kSleepStepMs);
        events.PumpEvents();
    }
}

}  // namespace varnix::ports
