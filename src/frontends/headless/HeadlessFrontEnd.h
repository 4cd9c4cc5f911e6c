// The front end without windows, shared by varnixpos-cli and by varnixpos when no display is
// available: every message box becomes one line on standard error (title and text) answered with
// its default button, "-V" prints the About texts, and the resident mode polls until SIGINT or
// SIGTERM, which it treats as the close request answered OK.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "forms/AboutBox.h"
#include "frontends/TickSchedule.h"
#include "ports/Dialogs.h"
#include "ports/EventPump.h"
#include "ports/PollTimer.h"
#include "ports/Shell.h"

namespace varnix::headless {

// Text as the terminal shows it: UTF-8 on POSIX, the ANSI code page on Windows.
std::string ForTerminal(const std::string& text);

class HeadlessFrontEnd : public ports::Dialogs,
                         public ports::EventPump,
                         public ports::PollTimer,
                         public ports::Shell {
  public:
    // Runs the process for this command-line text; returns its exit code.
    int Run(const std::string& commandLine);

    ports::Answer Show(const std::string& text, const std::string& title, ports::Buttons buttons,
                       ports::Icon icon) override;
    void PumpEvents() override {}
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool IsEnabled() const override { return enabled_; }
    void SetInterval(int milliseconds) override { interval_ = milliseconds; }
    int Interval() const override { return interval_; }
    void BringForward(int delayMs) override;
    void EndProcess(int exitCode) override;
    void ShowAboutModal() override;
    bool StopRequested() override;

  private:
    const forms::AboutBox* about_ = nullptr;
    bool retrying_ = false;  // polling stopped on its own and is being tried again
    std::string lastBox_;
    bool enabled_ = false;
    int interval_ = 900;
    // The schedule is shared with the watch's thread, which brings cycles forward.
    long long NowMs() const;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex scheduleMutex_;
    std::condition_variable scheduleChanged_;
    frontends::TickSchedule schedule_{0};
    bool broughtForward_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
};

}  // namespace varnix::headless
