// The real clock: local time from the C library, sleeps through the platform.
#pragma once

#include <chrono>

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
    std::int64_t MonotonicMs() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    platform::Platform& platform_;
};

}  // namespace varnix::ports
