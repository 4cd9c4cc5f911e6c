#include "ui/qt/QtFrontEnd.h"

#include <QApplication>

#include "core/Session.h"
#include "ui/qt/AboutDialog.h"
#include "ui/qt/ConsoleWindow.h"
#include "ui/qt/MessageBox.h"
#include "ui/qt/ServiceMainWindow.h"
#include "ui/service/AboutBox.h"

namespace varnix::ui::qt {

QtFrontEnd::QtFrontEnd() {
    timer_.setSingleShot(true);
    grid_.start();
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (session_ == nullptr || ended_ || !enabled_) {
            return;
        }
        session_->service.Timer1_Timer();  // switches the timer off and, at its end, on again
        if (enabled_ && !timer_.isActive()) {
            ScheduleNextTick();
        }
        RefreshViews();
    });
}

// Ticks keep a fixed grid of the interval: the waits inside a cycle never push the next pickup
// back, and a cycle that overran its slot resumes at the next one.
void QtFrontEnd::ScheduleNextTick() {
    const qint64 period = interval_ > 0 ? interval_ : 1;
    const qint64 elapsed = grid_.elapsed();
    const qint64 next = (elapsed / period + 1) * period;
    timer_.start(static_cast<int>(next - elapsed));
}

QtFrontEnd::~QtFrontEnd() = default;

void QtFrontEnd::Attach(Session& session) {
    session_ = &session;
    service_ = std::make_unique<ServiceMainWindow>(session.service, [this] { RefreshViews(); });
    console_ = std::make_unique<ConsoleWindow>(session.console, [this] { RefreshViews(); });
    // Side by side when both are shown: the console to the right of the service window.
    service_->move(0, 0);
    console_->move(service_->frameGeometry().width() + 12, 0);
    session.console.onRefresh = [this] {
        if (console_) {
            console_->Pull();
        }
    };
    session.service.onRefresh = [this] {
        if (service_) {
            service_->Pull();
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
}

ports::Answer QtFrontEnd::Show(const std::string& text, const std::string& title,
                               ports::Buttons buttons, ports::Icon icon) {
    return ShowMessageBox(text, title, buttons, icon,
                          service_ && service_->isVisible() ? service_.get() : nullptr);
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
    QCoreApplication::exit(exitCode);
}

void QtFrontEnd::ShowAboutModal(ui::AboutBox& about) {
    AboutDialog dialog(about, service_ && service_->isVisible() ? service_.get() : nullptr);
    dialog.exec();
}

}  // namespace varnix::ui::qt
