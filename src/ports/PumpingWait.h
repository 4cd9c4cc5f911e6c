// The core's only wait: SleepDelay sleeps in whole 50 ms steps and lets window events run after
// each step, so a window stays alive while an operation waits. Raises RuntimeError (overflow)
// for a wait whose step count does not fit 16 bits.
#pragma once

#include "ports/Clock.h"
#include "ports/EventPump.h"

namespace varnix::ports {

inline constexpr int kSleepStepMs = 50;

void SleepDelay(Clock& clock, EventPump& events, double timeout);

}  // namespace varnix::ports
