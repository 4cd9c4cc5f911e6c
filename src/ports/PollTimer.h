// The service window's polling timer as the core sees it: switched on and off, with an interval.
// The front end fires the polling cycle on each tick while it is on.
#pragma once

namespace varnix::ports {

class PollTimer {
  public:
    virtual ~PollTimer() = default;

    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
};

}  // namespace varnix::ports
