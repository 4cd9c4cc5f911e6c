// Local time and blocking sleeps. The system clock is the real one; tests use a fake that stands
// still and only counts the sleeps, so no test waits through real seconds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace varnix::ports {

struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "2026-12-06 09:41:07": how the exchange history and the simulator's reports write a time.
inline std::string DateTimeText(const LocalDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    return text;
}

class Clock {
  public:
    virtual ~Clock() = default;

    virtual LocalDateTime Now() = 0;
    virtual void Sleep(int milliseconds) = 0;
    // Milliseconds from an arbitrary start, never going back: for measuring waits.
    virtual std::int64_t MonotonicMs() = 0;
};

}  // namespace varnix::ports
