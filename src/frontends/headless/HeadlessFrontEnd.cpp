#include "frontends/headless/HeadlessFrontEnd.h"

#include <chrono>
#include <csignal>
#include <cstdio>

#include "frontends/HistoryLines.h"
#include "frontends/Runner.h"
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
    // Resident: one polling cycle per tick while the timer is on; a stop signal is the close
    // request answered OK. Waiting in short slices keeps the answer to a signal quick.
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto elapsedMs = [&start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    long long nextTick = interval_;
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
        const long long now = elapsedMs();
        if (retryAt >= 0 && now >= retryAt && !enabled_) {
            SetEnabled(true);
            retryAt = -1;
        }
        if (now < nextTick) {
            runner.Platform().SleepMs(
                static_cast<int>(nextTick - now < 100 ? nextTick - now : 100));
            continue;
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
                retryAt = elapsedMs() + kRetryAfterStopMs;
            } else {
                stoppedSaid = false;
            }
            retrying_ = stoppedSaid;
        }
        const long long after = elapsedMs();
        nextTick = after + frontends::Runner::MsToNextTick(after, interval_);
    }
    return exitCode_;
}

}  // namespace varnix::headless
