#include "platform/TimedWatch.h"

namespace varnix::platform {

std::optional<std::int64_t> TimedWatch::LastChangeAgeMs() {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (!lastChange_) {
        return std::nullopt;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 *lastChange_)
        .count();
}

std::uint64_t TimedWatch::Changes() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return changes_;
}

std::uint64_t TimedWatch::Removals() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return removals_;
}

void TimedWatch::OnReady(const std::function<void()>& callback) {
    const std::lock_guard<std::mutex> hold(mutex_);
    onReady_ = callback;
}

void TimedWatch::RecordChange(bool removed) {
    lastChange_ = std::chrono::steady_clock::now();
    ++changes_;
    if (removed) {
        ++removals_;
    }
}

void TimedWatch::TellReady() {
    if (onReady_) {
        onReady_();
    }
}

}  // namespace varnix::platform
