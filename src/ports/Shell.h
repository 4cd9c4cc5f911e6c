// What the core asks of the application around it: end the process, and show the About box as a
// modal window (returning when the user closes it). The front end decides how; it shows the About
// box model of the session it runs.
#pragma once

namespace varnix::ports {

class Shell {
  public:
    virtual ~Shell() = default;

    // Ends the process with `exitCode` once the current action has returned: the core does
    // nothing more after asking.
    virtual void EndProcess(int exitCode) = 0;

    virtual void ShowAboutModal() = 0;
    // Shows the "Storico" window of the session's history model (not modal); a front end without
    // windows has none to show.
    virtual void ShowHistory() {}

    // True once the user or the system asked the process to stop (SIGINT, SIGTERM). The run-once
    // mode finishes the command line it is running and starts no other.
    virtual bool StopRequested() { return false; }
};

}  // namespace varnix::ports
