#include "frontends/headless/HeadlessFrontEnd.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>

#include "frontends/HistoryLines.h"
#include "frontends/Runner.h"
#include "frontends/TickSchedule.h"
#include "text/AnsiText.h"

namespace varnix::headless {

namespace {

volatile std::sig_atomic_t gStopRequested = 0;
volatile std::sig_atomic_t gReloadRequested = 0;

extern "C" void OnStopSignal(int /*signal*/) {
    gStopRequested = 1;
}

extern "C" void OnReloadSignal(int /*signal*/) {
    gReloadRequested = 1;
}

// A polling cycle that meets a missing input folder (or loses its command file mid-run) leaves
// the timer off until "Salva Dati" switches it on again. Without windows there is no such button:
// this front end tries again on its own after this long, and SIGHUP does what the button does.
constexpr long long kRetryAfterStopMs = 5000;

}  // namespace

std::string ForTerminal(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    return text::Cp1252ToUtf8(text);
#endif
}

ports::Answer HeadlessFrontEnd::Show(const std::string& text, const std::string& title,
                                     ports::Buttons /*buttons*/, ports::Icon /*icon*/) {
    // While polling retries on its own, the box that stopped it would come back every try.
    if (retrying_ && text == lastBox_) {
        return ports::Answer::Ok;
    }
    lastBox_ = text;
    const std::string shownTitle = title.empty() ? forms::AboutBox::kApplicationTitle : title;
    std::fprintf(stderr, "%s: %s\n", ForTerminal(shownTitle).c_str(), ForTerminal(text).c_str());
    std::fflush(stderr);
    return ports::Answer::Ok;  // the default button of every box the system shows
}

bool HeadlessFrontEnd::StopRequested() {
    return gStopRequested != 0;
}

void HeadlessFrontEnd::EndProcess(int exitCode) {
    if (!ended_) {
        ended_ = true;
        exitCode_ = exitCode;
    }
}

long long HeadlessFrontEnd::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

void HeadlessFrontEnd::BringForward(int delayMs) {
    {
        const std::lock_guard<std::mutex> hold(scheduleMutex_);
        schedule_.BringForward(NowMs(), delayMs);
        broughtForward_ = true;
    }
    scheduleChanged_.notify_one();
}

void HeadlessFrontEnd::ShowAboutModal() {
    if (about_ == nullptr) {
        return;
    }
    const forms::AboutBox& about = *about_;
    std::printf("%s\n%s\n%s\n", ForTerminal(about.lblTitle.caption).c_str(),
                ForTerminal(about.lblVersion.caption).c_str(),
                ForTerminal(about.lblDescription.caption).c_str());
    std::fflush(stdout);
}

int HeadlessFrontEnd::Run(const std::string& commandLine) {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnReloadSignal);
#endif

    frontends::Runner runner(*this, *this, *this, *this);
    about_ = &runner.Session().about;
    // A line per exchange while resident, so a terminal or a service journal shows the traffic.
    runner.Session().onExchangeRecorded = [&runner](const exchange::HistoryEntry& entry) {
        if (runner.Session().runMode != "run-once") {
            std::printf("%s\n", ForTerminal(frontends::ExchangeLine(entry)).c_str());
            std::fflush(stdout);
        }
    };
    const auto mode = runner.Start(commandLine);
    if (ended_) {
        return exitCode_;
    }
    if (mode == startup::RunMode::Interactive) {
        // The test console runs no command file (it works beside the resident), so without a
        // display there is nothing left for it to do.
        Show("La console interattiva richiede un display.", "", ports::Buttons::Ok,
             ports::Icon::None);
        return 0;
    }
    // Resident: one polling cycle per tick while the timer is on, or sooner when a command file
    // has just become ready; a stop signal is the close request answered OK. Waiting in short
    // slices keeps the answer to a signal quick.
    long long due = 0;  // when the next cycle runs, by NowMs
    {
        const std::lock_guard<std::mutex> hold(scheduleMutex_);
        due = NowMs() + schedule_.DelayMs(NowMs(), interval_);
    }
    bool stoppedSaid = false;
    long long retryAt = -1;  // when polling stopped on its own: the time of the next try
    while (!ended_) {
        if (gStopRequested != 0) {
            gStopRequested = 0;
            runner.RequestClose();
            continue;
        }
        if (gReloadRequested != 0) {
            gReloadRequested = 0;
            runner.ReloadConfiguration();
            retryAt = -1;
        }
        const long long now = NowMs();
        if (retryAt >= 0 && now >= retryAt && !enabled_) {
            SetEnabled(true);
            retryAt = -1;
        }
        {
            std::unique_lock<std::mutex> hold(scheduleMutex_);
            if (broughtForward_) {
                broughtForward_ = false;
                due = std::min(due, now + schedule_.DelayMs(now, interval_));
            }
            if (now < due) {
                const long long waitMs = due - now < 100 ? due - now : 100;
                scheduleChanged_.wait_for(hold, std::chrono::milliseconds(waitMs),
                                          [this] { return broughtForward_; });
                continue;
            }
            schedule_.CycleStarts(now);
        }
        if (enabled_) {
            runner.Tick();
            if (!enabled_ && !ended_) {
                if (!stoppedSaid) {
                    const std::string stoppedBy = lastBox_;
                    Show(
                        "Ricerca dei file comandi sospesa: nuovo tentativo ogni 5 secondi "
                        "(SIGHUP rilegge la configurazione).",
                        "", ports::Buttons::Ok, ports::Icon::None);
                    lastBox_ = stoppedBy;
                    stoppedSaid = true;
                }
                retryAt = NowMs() + kRetryAfterStopMs;
            } else {
                stoppedSaid = false;
            }
            retrying_ = stoppedSaid;
        }
        const std::lock_guard<std::mutex> hold(scheduleMutex_);
        const long long after = NowMs();
        due = after + schedule_.DelayMs(after, interval_);
    }
    return exitCode_;
}

}  // namespace varnix::headless
