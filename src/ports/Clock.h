// Local time and blocking sleeps. The system clock is the real one; tests use a fake that stands
// still and only counts the sleeps, so no test waits through real seconds.
#pragma once

#include <cstdint>

namespace varnix::ports {

struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;

    virtual LocalDateTime Now() = 0;
    virtual void Sleep(int milliseconds) = 0;
    // Milliseconds from an arbitrary start, never going back: for measuring waits.
    virtual std::int64_t MonotonicMs() = 0;
};

}  // namespace varnix::ports
