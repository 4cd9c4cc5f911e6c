// Recording fakes of the ports: dialogs that log every box and answer from a script, an event
// pump that counts, a timer that only holds its state, and a clock that stands still: its sleeps
// only add up how long the core would have slept, so no test waits through real seconds.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "forms/AboutBox.h"
#include "ports/Clock.h"
#include "ports/Dialogs.h"
#include "ports/EventPump.h"
#include "ports/PollTimer.h"
#include "ports/Shell.h"

namespace varnix::fakes {

struct ShownBox {
    std::string text;
    std::string title;
    ports::Buttons buttons = ports::Buttons::Ok;
    ports::Icon icon = ports::Icon::None;
};

class FakeDialogs : public ports::Dialogs {
  public:
    ports::Answer Show(const std::string& text, const std::string& title, ports::Buttons buttons,
                       ports::Icon icon) override {
        shown.push_back({text, title, buttons, icon});
        if (onShow) {
            onShow();  // while the box is up
        }
        if (buttons == ports::Buttons::Ok || answers.empty()) {
            return ports::Answer::Ok;
        }
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts(shown.size());
        std::transform(shown.begin(), shown.end(), texts.begin(),
                       [](auto& box) { return box.text; });
        return texts;
    }

    std::string AskSavePath(const std::string& /*title*/, const std::string& suggested) override {
        savePathsOffered.push_back(suggested);
        return savePath;
    }

    std::vector<ShownBox> shown;
    std::deque<ports::Answer> answers;  // for OK/Cancel questions; OK when empty
    std::function<void()> onShow;
    std::string savePath;  // what the user picks when asked where to save; "" cancels
    std::vector<std::string> savePathsOffered;
};

class FakeEventPump : public ports::EventPump {
  public:
    void PumpEvents() override {
        ++pumps;
        if (onPump) {
            onPump();
        }
    }
    int pumps = 0;
    std::function<void()> onPump;  // runs as a window event would, inside the wait
};

class FakeTimer : public ports::PollTimer {
  public:
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool IsEnabled() const override { return enabled_; }
    void SetInterval(int milliseconds) override { interval_ = milliseconds; }
    int Interval() const override { return interval_; }
    void BringForward(int delayMs) override { broughtForward.push_back(delayMs); }
    std::vector<int> broughtForward;

  private:
    bool enabled_ = false;
    int interval_ = 0;
};

class FakeClock : public ports::Clock {
  public:
    ports::LocalDateTime Now() override { return now; }
    void Sleep(int milliseconds) override {
        sleptMs += milliseconds;
        ++sleeps;
    }
    // Time moves only by sleeping (and by a test's hand).
    std::int64_t MonotonicMs() override { return sleptMs + movedMs; }

    ports::LocalDateTime now{2024, 3, 5, 14, 7, 9};
    long long sleptMs = 0;
    long long movedMs = 0;
    int sleeps = 0;
};

class FakeShell : public ports::Shell {
  public:
    void EndProcess(int exitCode) override { exitCodes.push_back(exitCode); }
    void ShowHistory() override { ++historiesShown; }
    int historiesShown = 0;
    void ShowAboutModal() override {
        aboutShown.push_back(about != nullptr ? about->lblVersion.caption : std::string());
    }
    bool Ended() const { return !exitCodes.empty(); }
    // A stop signal that arrives after this many command lines have started (-1: none).
    bool StopRequested() override { return linesBeforeStop >= 0 && linesBeforeStop-- == 0; }
    int linesBeforeStop = -1;

    const forms::AboutBox* about = nullptr;  // the session's, once wired
    std::vector<int> exitCodes;
    std::vector<std::string> aboutShown;  // the version label each time it was shown
};

}  // namespace varnix::fakes
