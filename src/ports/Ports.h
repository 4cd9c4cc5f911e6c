// The bundle of outside services one run of the core is wired to.
#pragma once

#include "ports/Clock.h"
#include "ports/Dialogs.h"
#include "ports/EventPump.h"
#include "ports/PollTimer.h"
#include "ports/Shell.h"

namespace varnix::ports {

struct Ports {
    Dialogs& dialogs;
    EventPump& events;
    PollTimer& timer;
    Clock& clock;
    Shell& shell;
};

}  // namespace varnix::ports
