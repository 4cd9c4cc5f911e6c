#include "ui/qt/QtFrontEnd.h"

#include <QApplication>
#include <QMessageBox>

#include "core/Session.h"
#include "ui/qt/AboutDialog.h"
#include "ui/qt/ConsoleWindow.h"
#include "ui/qt/FormBinder.h"
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
    QMessageBox box(icon == ports::Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    FromAnsi(title.empty() ? ui::AboutBox::kApplicationTitle : title),
                    FromAnsi(text),
                    buttons == ports::Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::Ok,
                    service_ && service_->isVisible() ? service_.get() : nullptr);
    box.setObjectName("messageBox");
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? ports::Answer::Ok : ports::Answer::Cancel;
}

void QtFrontEnd::PumpEvents() {
    RefreshViews();
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
