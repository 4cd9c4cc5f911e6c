// The real clock: local time from the C library, sleeps through the platform.
#pragma once

#include "platform/Platform.h"
#include "ports/Clock.h"

namespace varnix::ports {

// The local date and time now, from the C library.
LocalDateTime LocalNow();

class SystemClock : public Clock {
  public:
    explicit SystemClock(platform::Platform& platform) : platform_(platform) {}

    LocalDateTime Now() override { return LocalNow(); }
    void Sleep(int milliseconds) override { platform_.SleepMs(milliseconds); }

  private:
    platform::Platform& platform_;
};

}  // namespace varnix::ports
