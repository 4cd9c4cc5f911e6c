// What every platform's writer watch keeps of the changes it saw: when the last one was (on this
// machine's monotonic clock), how many there were, how many were removals, and whom to tell that
// the file may be ready. A platform's watch records into it from its own thread, holding mutex_.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/Files.h"

namespace varnix::platform {

class TimedWatch : public WriterWatch {
  public:
    std::optional<std::int64_t> LastChangeAgeMs() override;
    std::uint64_t Changes() override;
    std::uint64_t Removals() override;
    void OnReady(const std::function<void()>& callback) override;

  protected:
    // Both with mutex_ held: a change seen now (a removal too, or not); the file may be ready.
    void RecordChange(bool removed);
    void TellReady();

    std::mutex mutex_;

  private:
    std::optional<std::chrono::steady_clock::time_point> lastChange_;
    std::uint64_t changes_ = 0;
    std::uint64_t removals_ = 0;
    std::function<void()> onReady_;
};

}  // namespace varnix::platform
