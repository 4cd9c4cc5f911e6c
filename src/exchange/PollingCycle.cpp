#include "exchange/PollingCycle.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "config/FileNames.h"
#include "config/Paths.h"
#include "exchange/Context.h"
#include "exchange/Dispatcher.h"
#include "platform/RuntimeError.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

namespace {

void DeleteOrRaise(platform::Platform& platform, const std::string& path) {
    if (!platform.RemoveFile(path)) {
        throw RuntimeError(kErrPathFileAccess, "Errore di accesso al percorso/file: " + path);
    }
}

}  // namespace

bool PollingCycle::CommandFileReady(const std::string& path) {
    auto& platform = context_.platform;
    auto& clock = context_.ports.clock;
    if (path != watchedPath_) {
        watch_ = platform.WatchWriters(path);
        watchedPath_ = path;
        seen_.reset();
    }
    const std::int64_t start = clock.MonotonicMs();
    for (;;) {
        const auto stat = platform.StatFile(path);
        if (!stat) {
            seen_.reset();
            // A file the platform cannot describe (files in memory) runs as it stands.
            return platform.FileExists(path);
        }
        const std::int64_t now = clock.MonotonicMs();
        if (!seen_ || !seen_->SameAs(*stat)) {
            // Still since its last change: as old as the disk says (when the clocks agree), and
            // at least since now.
            seen_ = *stat;
            stillSinceMs_ = now - std::max<std::int64_t>(0, stat->ageMs);
        }
        const auto writer = watch_ ? watch_->State() : platform::WriterState::Unknown;
        const std::int64_t stillMs = now - stillSinceMs_;
        // A writer still holds it: a later tick looks again. Unless it has held still for long:
        // a write seen without its close (a tool that only set the time) must not stop the
        // file for good, and then the rules for an unseen close apply.
        const bool closeSeen = writer == platform::WriterState::Closed;
        if (writer == platform::WriterState::Writing && stillMs < kWriterPauseLimitMs) {
            return false;
        }
        // An empty file, or one without a final CR LF whose writer's close cannot be seen, may
        // still be being written after a pause: it needs the longer stillness.
        const bool unterminated =
            stat->size == 0 ||
            (!closeSeen && !CommandFile::EndsWithLineEnd(platform, path, stat->size));
        const std::int64_t needMs = unterminated ? kSettleUnterminatedMs : kSettleMs;
        if (stillMs >= needMs) {
            return true;
        }
        const std::int64_t waitMs = needMs - stillMs;
        if (now - start + waitMs > kSettleWaitInCycleMs) {
            return false;
        }
        // Whole steps of the pumping wait, at least one, so that time always moves on.
        context_.ports.SleepDelay(static_cast<double>(std::clamp<std::int64_t>(
            waitMs, ports::kSleepStepMs, std::int64_t{2} * ports::kSleepStepMs)));
    }
}

void PollingCycle::ReportUndeletable(const std::string& path, const FileIdentity& identity) {
    if (std::find(reported_.begin(), reported_.end(), identity) != reported_.end()) {
        return;
    }
    reported_.push_back(identity);
    context_.ports.dialogs.Inform(kAlreadyRunUndeletable + path);
}

void PollingCycle::Timer1_Timer() {
    auto& settings = context_.settings;
    auto& service = context_.service;
    auto& platform = context_.platform;
    auto& ports = context_.ports;

    ports.timer.SetEnabled(false);
    bool standardFile = false;
    int retries = 10;
    int phase = 0;
    service.Shape1.fill = forms::kYellow;
    service.Refresh();

    if (settings.InputFilePath.empty() || settings.OutputFilePath.empty()) {
        service.Shape1.fill = forms::kRed;
        ports.SleepDelay(300);
        ports.timer.SetEnabled(true);
        return;
    }

    const std::string inputPath = settings.InputFilePath;
    // Only the process holding the command file's lock polls it; another one (started on the
    // same file after a save) says so once and leaves its timer off.
    if (!context_.inputLock.Hold(inputPath)) {
        if (!lockReported_) {
            lockReported_ = true;
            ports.dialogs.Inform(InputLock::BusyMessage(inputPath));
        }
        service.Shape1.fill = forms::kRed;
        service.Refresh();
        return;
    }
    lockReported_ = false;
    const std::string folder = config::GetPathFolder(inputPath, platform.Style());
    std::string statusRequest;
    bool processing = false;
    bool commandReady = false;
    bool commandRead = true;
    // The standard command file, opened once: its identity decides whether it runs and whether
    // it may be deleted; its bytes are the ones run.
    std::optional<CommandFile> command;
    bool alreadyRun = false;

    // The cycle as numbered steps, so that the error handler can resume after a failing step or
    // go back to the retry point: a cash register that still holds its command file when the
    // cycle wants to delete it gets ten more tries before the cycle moves on.
    std::vector<std::function<void()>> steps;
    std::size_t retryPoint = 0;
    bool stop = false;

    if (!context_.terminalConnected) {
        if (!platform.FolderExists(folder)) {
            ports.dialogs.Inform(kIoFolderMissing);
            service.Shape1.fill = forms::kRed;
            service.Refresh();
            return;  // polling stops until a save switches the timer on again
        }
        steps.emplace_back([&] {
            const std::string dump = folder + config::kDumpFileName;
            if (platform.FileExists(dump)) {
                DeleteOrRaise(platform, dump);
            }
        });
        steps.emplace_back([&] {
            const std::string request = folder + config::kStatusRequestFileName;
            if (!platform.WriteWholeFile(request, "POS_STATUS\r\n")) {
                throw RuntimeError(kErrPathFileAccess, "Errore di accesso al percorso/file");
            }
            statusRequest = request;
        });
    }
    steps.emplace_back([&] {
        service.Refresh();
        ports.events.PumpEvents();
        commandReady = CommandFileReady(inputPath);
        processing = commandReady || !statusRequest.empty();
        if (!processing) {
            service.cmdSalvaDati.enabled = true;
            ports.events.PumpEvents();
            ports.SleepDelay(200);
            stop = true;
        }
    });
    steps.emplace_back([&] {
        service.Shape1.fill = forms::kRed;
        service.Refresh();
    });
    steps.emplace_back([&] {
        standardFile = commandReady && text::EndsWithNoCase(inputPath, config::kCommandFileName);
        if (standardFile) {
            // A standard command file runs at most once: one the journal knows (run, or left
            // running by a process that ended) is never sent to the terminal again. A rule of
            // this system's own: deleting can fail, and a crash can come between run and delete.
            command.emplace(platform, inputPath);
            auto& journal = context_.Journal();
            journal.ForgetGone();
            alreadyRun = command->Status() == CommandFile::State::Open &&
                         journal.Find(command->Identity()) != IntentJournal::Mark::None;
        }
    });
    steps.emplace_back([&] {
        // The result of a command that ran already stays for the register to read.
        if (standardFile && !alreadyRun && platform.FileExists(settings.OutputFilePath)) {
            DeleteOrRaise(platform, settings.OutputFilePath);
        }
    });
    steps.emplace_back([&] {
        // Shown at once: the exchange that follows may block for as long as the terminal takes.
        service.cmdSalvaDati.enabled = false;
        service.Refresh();
        phase = 1;
    });
    steps.emplace_back([&] {
        Dispatcher dispatcher(context_);
        if (!context_.terminalConnected && !standardFile) {
            dispatcher.EseguiFileComandi(statusRequest, settings.ecrIdRequired);
            if (!statusRequest.empty() && platform.FileExists(statusRequest)) {
                DeleteOrRaise(platform, statusRequest);
            }
        } else if (!standardFile) {
            dispatcher.EseguiFileComandi(inputPath, settings.ecrIdRequired);  // every cycle
            commandRead = dispatcher.FileWasRead();
        } else if (!alreadyRun) {
            auto& journal = context_.Journal();
            const FileIdentity identity = command->Identity();
            LineHooks hooks;
            hooks.beforeCommand = [&](const std::string& line) {
                journal.Begin(inputPath, identity, line);
            };
            dispatcher.EseguiFileComandi(*command, settings.ecrIdRequired, hooks);
            commandRead = dispatcher.FileWasRead();
            journal.Finish(identity);
        }
    });
    retryPoint = steps.size();
    steps.emplace_back([&] {
        // Never delete a command file that could not be read, nor one the register has written
        // anew meanwhile: either stays for a later cycle.
        if (!standardFile || !commandRead || command->Status() != CommandFile::State::Open ||
            !CommandFile::StillHas(platform, inputPath, command->Identity())) {
            return;
        }
        if (alreadyRun) {
            if (platform.RemoveFile(inputPath)) {
                context_.Journal().Forget(command->Identity());
            } else {
                ReportUndeletable(inputPath, command->Identity());
            }
            return;
        }
        DeleteOrRaise(platform, inputPath);
        context_.Journal().Forget(command->Identity());
    });
    steps.emplace_back([&] {
        ports.SleepDelay(200);
        phase = 2;
    });
    steps.emplace_back([&] {
        const std::string id = context_.records.data.TerminalId.Text();
        service.lblValTerminalId.caption = id.substr(0, id.find('\0'));
        service.Refresh();
        ports.events.PumpEvents();
    });
    steps.emplace_back([&] {
        if (!context_.terminalConnected && context_.console.txtEsito.Text() == "OK") {
            context_.terminalConnected = true;
            service.ShapeDump.fill = forms::kGreen;
        }
    });
    steps.emplace_back([&] {
        service.cmdSalvaDati.enabled = true;
        ports.events.PumpEvents();
        ports.SleepDelay(200);
    });

    std::size_t i = 0;
    while (i < steps.size() && !stop) {
        try {
            steps[i]();
            ++i;
        } catch (const RuntimeError& error) {
            if (error.Number() == kErrFileAlreadyOpen) {
                ++i;
                continue;
            }
            service.cmdSalvaDati.enabled = true;
            if (phase == 1 && platform.FileExists(inputPath)) {
                // The cash register may still hold the file: try again a few times.
                if (--retries > 0) {
                    ports.SleepDelay(100);
                    ports.events.PumpEvents();
                    i = retryPoint;
                } else {
                    ++i;
                }
            } else if (phase == 1) {
                return;  // the timer stays off until the window switches it on again
            } else {
                ++i;
            }
        }
    }
    service.Shape1.fill = forms::kRed;
    service.Refresh();
    ports.timer.SetEnabled(true);
}

}  // namespace varnix::exchange
