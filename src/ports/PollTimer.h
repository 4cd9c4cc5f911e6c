// The service window's polling timer as the core sees it: switched on and off, with an interval.
// The front end fires the polling cycle on each tick while it is on; a cycle may also be brought
// forward, from any thread, when a command file has just become ready.
#pragma once

namespace varnix::ports {

class PollTimer {
  public:
    virtual ~PollTimer() = default;

    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    // Safe from any thread: the next cycle runs no later than `delayMs` from now (as soon as the
    // running one has ended and the timer is on again), and the tick grid restarts from it. A
    // cycle already due sooner is left as it is.
    virtual void BringForward(int delayMs) = 0;
};

}  // namespace varnix::ports
