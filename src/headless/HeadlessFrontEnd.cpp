#include "headless/HeadlessFrontEnd.h"

#include <chrono>
#include <csignal>
#include <cstdio>

#include "core/Session.h"
#include "platform/Platform.h"
#include "ports/SystemClock.h"
#include "startup/Startup.h"
#include "terminal/LoadedTerminalLibrary.h"
#include "text/AnsiText.h"
#include "ui/service/AboutBox.h"

namespace varnix::headless {

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

extern "C" void OnStopSignal(int /*signal*/) {
    gStopRequested = 1;
}

// Text as the terminal shows it: UTF-8 on POSIX, the ANSI code page on Windows.
std::string ForTerminal(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    return text::Cp1252ToUtf8(text);
#endif
}

}  // namespace

ports::Answer HeadlessFrontEnd::Show(const std::string& text, const std::string& title,
                                     ports::Buttons /*buttons*/, ports::Icon /*icon*/) {
    const std::string shownTitle = title.empty() ? ui::AboutBox::kApplicationTitle : title;
    std::fprintf(stderr, "%s: %s\n", ForTerminal(shownTitle).c_str(), ForTerminal(text).c_str());
    std::fflush(stderr);
    return ports::Answer::Ok;  // the default button of every box the system shows
}

void HeadlessFrontEnd::EndProcess(int exitCode) {
    if (!ended_) {
        ended_ = true;
        exitCode_ = exitCode;
    }
}

void HeadlessFrontEnd::ShowAboutModal(ui::AboutBox& about) {
    std::printf("%s\n%s\n%s\n", ForTerminal(about.lblTitle.caption).c_str(),
                ForTerminal(about.lblVersion.caption).c_str(),
                ForTerminal(about.lblDescription.caption).c_str());
    std::fflush(stdout);
}

int HeadlessFrontEnd::Run(const std::string& commandLine) {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    platform::Platform& platform = platform::HostPlatform();
    ports::SystemClock clock(platform);
    terminal::LoadedTerminalLibrary library(platform);
    Session session(platform, ports::Ports{*this, *this, *this, clock, *this}, library);

    const auto mode = startup::Startup(session).Form_Load(commandLine);
    if (ended_) {
        return exitCode_;
    }
    if (mode == startup::RunMode::Interactive) {
        Show("La console interattiva richiede un display: resto in ascolto dei file comandi.", "",
             ports::Buttons::Ok, ports::Icon::None);
    }
    // Resident: one polling cycle per tick while the timer is on; a stop signal is the close
    // request answered OK. Waiting in short slices keeps the answer to a signal quick.
    using Clock = std::chrono::steady_clock;
    auto nextTick = Clock::now() + std::chrono::milliseconds(interval_);
    while (!ended_) {
        if (gStopRequested != 0) {
            gStopRequested = 0;
            if (session.service.Form_QueryUnload()) {
                session.service.Form_Unload();
            }
            continue;
        }
        const auto now = Clock::now();
        if (now < nextTick) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count();
            platform.SleepMs(static_cast<int>(left < 100 ? left : 100));
            continue;
        }
        if (enabled_) {
            session.service.Timer1_Timer();
        }
        // Ticks keep their 900 ms grid: a cycle's own waits do not push the next pickup back.
        // A cycle that overran its slot resumes at the next slot, never inside itself.
        const auto interval = std::chrono::milliseconds(interval_);
        nextTick += interval;
        while (nextTick <= Clock::now()) {
            nextTick += interval;
        }
    }
    return exitCode_;
}

}  // namespace varnix::headless
