#include "frontends/qt/QtFrontEnd.h"

#include <QApplication>
#include <QFileDialog>
#include <QSocketNotifier>
#include <QStandardPaths>

#ifndef _WIN32
#include <unistd.h>
#include <csignal>
#endif

#include "frontends/Runner.h"
#include "frontends/qt/AboutDialog.h"
#include "frontends/qt/ConsoleWindow.h"
#include "frontends/qt/HistoryDialog.h"
#include "frontends/qt/MessageBox.h"
#include "frontends/qt/ScreenFit.h"
#include "frontends/qt/ServiceMainWindow.h"

namespace varnix::qt {

QtFrontEnd::QtFrontEnd() {
    timer_.setSingleShot(true);
    clock_.start();
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (runner_ == nullptr || ended_ || !enabled_) {
            return;
        }
        schedule_.CycleStarts(clock_.elapsed());
        runner_->Tick();  // switches the timer off and, at its end, on again
        if (enabled_ && !timer_.isActive()) {
            ScheduleNextTick();
        }
        RefreshViews();
    });
}

void QtFrontEnd::ScheduleNextTick() {
    timer_.start(static_cast<int>(schedule_.DelayMs(clock_.elapsed(), interval_)));
}

void QtFrontEnd::BringForward(int delayMs) {
    // Called from the watch's thread: handled on this object's, where the timer lives. While a
    // cycle runs (the timer off) the request waits for the timer to be switched on again.
    QMetaObject::invokeMethod(
        this,
        [this, delayMs] {
            schedule_.BringForward(clock_.elapsed(), delayMs);
            if (enabled_ && timer_.isActive()) {
                ScheduleNextTick();
            }
        },
        Qt::QueuedConnection);
}

QtFrontEnd::~QtFrontEnd() = default;

void QtFrontEnd::Attach(frontends::Runner& runner) {
    runner_ = &runner;
    auto& session = runner.Session();
    service_ =
        std::make_unique<ServiceMainWindow>(session.service, session.serviceActions,
                                            session.historyActions, [this] { RefreshViews(); });
    console_ = std::make_unique<ConsoleWindow>(session.console, session.consoleActions,
                                               [this] { RefreshViews(); });
    // Side by side when both are shown and the screen is wide enough: the console to the right
    // of the service window, otherwise over it, but always wholly on screen.
    PlaceOnScreen(service_.get(), 0);
    PlaceOnScreen(console_.get(), service_->width() + 28);
    // A model's Refresh is the core's "redraw the form now": it comes right before calls that
    // block (the terminal library, the waits), so what changed is painted at once.
    session.console.onRefresh = [this] {
        if (console_) {
            console_->Pull(true);
        }
    };
    session.service.onRefresh = [this] {
        if (service_) {
            service_->Pull(true);
        }
    };
    session.history.onRefresh = [this] {
        if (history_) {
            history_->Pull(true);
        }
    };
}

void QtFrontEnd::RefreshViews() {
    if (ended_) {
        return;
    }
    if (service_) {
        service_->Pull();
    }
    if (console_) {
        console_->Pull();
    }
    if (history_) {
        history_->Pull();
    }
}

#ifndef _WIN32
namespace {

// A signal handler may only write to a pipe; the event loop reads the other end.
int gStopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int /*signal*/) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(gStopPipe[1], &byte, 1);
}

}  // namespace
#endif

void QtFrontEnd::CloseOnStopSignals() {
#ifndef _WIN32
    if (gStopPipe[0] >= 0 || ::pipe(gStopPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(gStopPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(gStopPipe[0], &byte, 1);
        if (runner_ == nullptr || ended_) {
            return;
        }
        answerOk_ = true;
        runner_->RequestClose();
        answerOk_ = false;
        RefreshViews();
    });
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#endif
}

ports::Answer QtFrontEnd::Show(const std::string& text, const std::string& title,
                               ports::Buttons buttons, ports::Icon icon) {
    if (answerOk_ && buttons == ports::Buttons::OkCancel) {
        return ports::Answer::Ok;  // nobody is there to answer a stop signal's close question
    }
    return ShowMessageBox(text, title, buttons, icon, BoxOwner());
}

// A box appears over the window the user was working in: the console's field checks over the
// console, the service window's questions over the service window.
QWidget* QtFrontEnd::BoxOwner() const {
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr &&
        (active == service_.get() || active == console_.get() || active == history_.get())) {
        return active;
    }
    if (service_ && service_->isVisible()) {
        return service_.get();
    }
    if (console_ && console_->isVisible()) {
        return console_.get();
    }
    return nullptr;
}

void QtFrontEnd::PumpEvents() {
    // Waits pump every 50 ms; the views need not follow that often (every action and every tick
    // end with a full refresh anyway), and an idle window then costs next to nothing.
    if (!lastPumpRefresh_.isValid() || lastPumpRefresh_.elapsed() >= kPumpRefreshMs) {
        lastPumpRefresh_.start();
        RefreshViews();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtFrontEnd::SetEnabled(bool enabled) {
    enabled_ = enabled && !ended_;
    if (enabled_) {
        ScheduleNextTick();
    } else {
        timer_.stop();
    }
}

void QtFrontEnd::EndProcess(int exitCode) {
    if (ended_) {
        return;
    }
    ended_ = true;
    exitCode_ = exitCode;
    timer_.stop();
    if (service_) {
        service_->Tray()->hide();
        service_->hide();
    }
    if (console_) {
        console_->hide();
    }
    if (history_) {
        history_->hide();
    }
    QCoreApplication::exit(exitCode);
}

void QtFrontEnd::ShowAboutModal() {
    if (runner_ == nullptr) {
        return;
    }
    AboutDialog dialog(runner_->Session().about, BoxOwner());
    dialog.exec();
}

void QtFrontEnd::ShowHistory() {
    if (runner_ == nullptr || ended_) {
        return;
    }
    auto& session = runner_->Session();
    if (!history_) {
        history_ = std::make_unique<HistoryDialog>(session.history, session.historyActions,
                                                   [this] { RefreshViews(); });
        PlaceOnScreen(history_.get(), 40);
    }
    history_->Pull();
    // Asked for again while open: brought to the front rather than opened twice.
    history_->raise();
    history_->activateWindow();
}

std::string QtFrontEnd::AskSavePath(const std::string& title, const std::string& suggested) {
    // Offered in the documents folder: the working directory of a desktop program is nobody's.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString start =
        folder.isEmpty() ? FromAnsi(suggested) : folder + QLatin1Char('/') + FromAnsi(suggested);
    const QString path = QFileDialog::getSaveFileName(BoxOwner(), FromAnsi(title), start,
                                                      QStringLiteral("File CSV (*.csv)"));
    return path.isEmpty() ? std::string() : ToAnsi(path);
}

}  // namespace varnix::qt
