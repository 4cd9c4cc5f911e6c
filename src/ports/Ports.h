// The bundle of outside services one run of the core is wired to.
#pragma once

#include "ports/Clock.h"
#include "ports/Dialogs.h"
#include "ports/EventPump.h"
#include "ports/PollTimer.h"
#include "ports/PumpingWait.h"
#include "ports/Shell.h"

namespace varnix::ports {

struct Ports {
    Dialogs& dialogs;
    EventPump& events;
    PollTimer& timer;
    Clock& clock;
    Shell& shell;

    // The message-pumping wait on this run's clock and event pump.
    void SleepDelay(double timeout) const { ports::SleepDelay(clock, events, timeout); }
};

}  // namespace varnix::ports
