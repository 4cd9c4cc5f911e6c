// One run of VarnixPos: the exchange context (state, forms, services) together with the
// long-lived objects that act on it — the polling cycle and the actions behind the two forms'
// buttons and menus. Front ends run one Session; tests build one on fakes.
#pragma once

#include "engine/ConsoleActions.h"
#include "engine/HistoryActions.h"
#include "engine/ServiceActions.h"
#include "exchange/Context.h"
#include "exchange/PollingCycle.h"

namespace varnix::engine {

class Session : public exchange::Context {
  public:
    Session(platform::Platform& platformRef, ports::Ports portsRef,
            iae17::TerminalLibrary& libraryRef)
        : exchange::Context(platformRef, portsRef, libraryRef) {}

    exchange::PollingCycle polling{*this};
    ConsoleActions consoleActions{*this};
    ServiceActions serviceActions{*this, consoleActions};
    HistoryActions historyActions{*this};
};

}  // namespace varnix::engine
