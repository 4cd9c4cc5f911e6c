// The Win32 backend of the core's ports: message boxes (MessageBoxA), event pumping (the thread's
// message queue), the polling timer (SetTimer on the runner's fixed grid) and the shell (ending
// the process, the modal About box, the "Storico" window, the save-file question). It owns the
// service window, the console and the "Storico" window, each a view of its model, and brings
// them up to date after every action and every pump.
#pragma once

#include <memory>
#include <string>

#include "frontends/TickSchedule.h"
#include "frontends/win32/WindowsApi.h"
#include "ports/Dialogs.h"
#include "ports/EventPump.h"
#include "ports/PollTimer.h"
#include "ports/Shell.h"

namespace varnix::frontends {
class Runner;
}

namespace varnix::win32 {

class ConsoleView;
class HistoryWindow;
class ServiceView;
class TimerWindow;

class Win32FrontEnd : public ports::Dialogs,
                      public ports::EventPump,
                      public ports::PollTimer,
                      public ports::Shell {
  public:
    Win32FrontEnd();
    ~Win32FrontEnd() override;
    Win32FrontEnd(const Win32FrontEnd&) = delete;
    Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;

    // Runs the process for this command-line text with its windows; returns its exit code.
    int Run(const std::string& commandLine);

    ports::Answer Show(const std::string& text, const std::string& title, ports::Buttons buttons,
                       ports::Icon icon) override;
    void PumpEvents() override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() const override { return enabled_; }
    void SetInterval(int milliseconds) override { interval_ = milliseconds; }
    int Interval() const override { return interval_; }
    void BringForward(int delayMs) override;
    void EndProcess(int exitCode) override;
    void ShowAboutModal() override;
    void ShowHistory() override;
    std::string AskSavePath(const std::string& title, const std::string& suggested) override;
    bool StopRequested() override { return stopRequested_; }

  private:
    void Attach(frontends::Runner& runner);
    void Tick();
    void ScheduleNextTick();
    static long long Now();
    void RefreshViews();
    void CloseForEndOfSession();
    void Dispatch(MSG& message);
    HWND BoxOwner() const;

    frontends::Runner* runner_ = nullptr;
    std::unique_ptr<TimerWindow> timer_;
    std::unique_ptr<ServiceView> service_;
    std::unique_ptr<ConsoleView> console_;
    std::unique_ptr<HistoryWindow> history_;  // made when first shown
    frontends::TickSchedule schedule_;
    static constexpr ULONGLONG kPumpRefreshMs = 250;
    ULONGLONG lastPumpRefresh_ = 0;
    bool enabled_ = false;
    int interval_ = 900;
    bool ticking_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
    bool answerOk_ = false;  // while the end of the session closes the program
    bool stopRequested_ = false;
};

}  // namespace varnix::win32
