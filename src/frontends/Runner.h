// The one wiring of a run, shared by every front end: the host platform, the system clock, the
// terminal library and the Session on the front end's ports, the start-up, the polling tick and
// the close request. A front end supplies the ports and decides only when to tick.
#pragma once

#include <string>

#include "engine/Session.h"
#include "iae17/LoadedTerminalLibrary.h"
#include "platform/Platform.h"
#include "ports/SystemClock.h"
#include "startup/RunMode.h"

namespace varnix::frontends {

class Runner {
  public:
    Runner(ports::Dialogs& dialogs, ports::EventPump& events, ports::PollTimer& timer,
           ports::Shell& shell);

    engine::Session& Session() { return session_; }
    platform::Platform& Platform() { return platform_; }

    // The console's load handler with this command line; the mode it chose.
    startup::RunMode Start(const std::string& commandLine);
    // One tick of the polling timer: one polling cycle.
    void Tick();
    // The close request (window close box, tray "Termina", a stop signal): the question, and on
    // OK the unload that ends the process.
    void RequestClose();
    // What "Salva Dati" does for a front end without the button: reads the data folder's
    // configuration again and switches polling on.
    void ReloadConfiguration();

  private:
    platform::Platform& platform_;
    ports::SystemClock clock_;
    iae17::LoadedTerminalLibrary library_;
    engine::Session session_;
};

}  // namespace varnix::frontends
