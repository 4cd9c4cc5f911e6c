// The Qt backend of the core's ports: message boxes, event pumping, the polling timer and the
// shell (ending the process, the modal About box, the "Storico" window, the save-file question).
// It owns the windows, each a view of its model, and brings them up to date after every action
// and every pump.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

#include "frontends/TickSchedule.h"
#include "ports/Dialogs.h"
#include "ports/EventPump.h"
#include "ports/PollTimer.h"
#include "ports/Shell.h"

namespace varnix::frontends {
class Runner;
}

namespace varnix::qt {

class ConsoleWindow;
class HistoryDialog;
class ServiceMainWindow;

class QtFrontEnd : public QObject,
                   public ports::Dialogs,
                   public ports::EventPump,
                   public ports::PollTimer,
                   public ports::Shell {
  public:
    QtFrontEnd();
    ~QtFrontEnd() override;

    // Creates the windows for the runner's session; the runner's ports must be this object.
    void Attach(frontends::Runner& runner);
    // SIGINT and SIGTERM close the program as the close question answered OK would, as in the
    // headless front end: the parameter file is written and the library released.
    void CloseOnStopSignals();
    void RefreshViews();

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

    bool Ended() const { return ended_; }
    int ExitCode() const { return exitCode_; }
    ConsoleWindow* Console() const { return console_.get(); }
    ServiceMainWindow* Service() const { return service_.get(); }
    HistoryDialog* History() const { return history_.get(); }

  private:
    void ScheduleNextTick();
    QWidget* BoxOwner() const;

    frontends::Runner* runner_ = nullptr;
    QTimer timer_;
    QElapsedTimer clock_;
    frontends::TickSchedule schedule_{0};
    static constexpr qint64 kPumpRefreshMs = 250;
    QElapsedTimer lastPumpRefresh_;
    bool enabled_ = false;
    int interval_ = 900;
    std::unique_ptr<ServiceMainWindow> service_;
    std::unique_ptr<ConsoleWindow> console_;
    std::unique_ptr<HistoryDialog> history_;  // made when first shown
    bool ended_ = false;
    int exitCode_ = 0;
    bool answerOk_ = false;  // while a stop signal closes the program
};

}  // namespace varnix::qt
