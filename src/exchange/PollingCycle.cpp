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
        if (watch_) {
            // The next cycle comes when the file's quiet time after the close is over, however
            // far the next tick is; what it finds then, it judges as a ticked cycle would.
            auto& timer = context_.ports.timer;
            watch_->OnReady([&timer] { timer.BringForward(static_cast<int>(kCloseQuietMs)); });
        }
        watchedPath_ = path;
        removalsSeen_ = 0;
        changesTimed_ = 0;
        seen_.reset();
    }
    const std::int64_t start = clock.MonotonicMs();
    for (;;) {
        TakeRemovals();
        const auto stat = platform.StatFile(path);
        if (!stat) {
            seen_.reset();
            // A file the platform cannot describe (files in memory) runs as it stands.
            return platform.FileExists(path);
        }
        const std::int64_t now = clock.MonotonicMs();
        const auto writer = watch_ ? watch_->State() : platform::WriterState::Unknown;
        // A watch that times its events knows when the writer closed the file (the last event,
        // while the state is still Closed); each event is taken once, at the look that first
        // sees it.
        std::optional<std::int64_t> closedAt;
        if (writer == platform::WriterState::Closed && watch_->Changes() != changesTimed_) {
            changesTimed_ = watch_->Changes();
            if (const auto age = watch_->LastChangeAgeMs()) {
                closedAt = now - std::max<std::int64_t>(0, *age);
            }
        }
        if (!seen_ || !seen_->SameAs(*stat)) {
            // A change seen now happened since the last look (or, at first sight, at any time):
            // still since the close when the watch saw one in that span, else since now.
            const bool first = !seen_;
            seen_ = *stat;
            lastChangeMs_ = closedAt && (first || *closedAt >= lastLookMs_) ? *closedAt : now;
        } else if (closedAt && *closedAt > lastChangeMs_) {
            lastChangeMs_ = *closedAt;  // rewritten to the same size within one time-stamp tick
        }
        lastLookMs_ = now;
        const std::int64_t stillMs = now - lastChangeMs_;
        // A handle is open on it: a later tick looks again, however long it stays silent.
        if (writer == platform::WriterState::Open) {
            return false;
        }
        // A write seen without its close: a later tick looks again. Unless it has held still for
        // long: a tool that only set the time must not stop the file for good, and then the
        // rules for an unseen close apply.
        if (writer == platform::WriterState::Writing && stillMs < kWriterPauseLimitMs) {
            return false;
        }
        // An empty file, or one without a final CR LF, may still be being written after a pause
        // — even after a close: a writer that opens, appends a piece of a line and closes again
        // ("POS_PAGEXT,A12" now, "50,P0" later) must not have the piece run as an amount.
        const bool unterminated =
            stat->size == 0 || !CommandFile::EndsWithLineEnd(platform, path, stat->size);
        // Its writer seen to close it, and every change timed by the watch: a short quiet time
        // tells a writer done from one between two rounds.
        const bool closeSeen =
            writer == platform::WriterState::Closed && watch_->LastChangeAgeMs().has_value();
        const std::int64_t needMs =
            unterminated ? kSettleUnterminatedMs : (closeSeen ? kCloseQuietMs : kSettleMs);
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

void PollingCycle::TakeRemovals() {
    if (!watch_) {
        return;
    }
    watch_->State();  // asked on every look, file or not: the watch keeps up with its folder
    if (watch_->Removals() != removalsSeen_) {
        // Deleted or moved away since the last look: whatever stands there now is new, even
        // with the very bytes that ran before.
        removalsSeen_ = watch_->Removals();
        seen_.reset();
        context_.commands.SeenGone();
    }
}

bool PollingCycle::HoldCommandFile(const std::string& path) {
    auto& commands = context_.commands;
    const CommandRun::Claim claim = commands.Hold(path);
    if (claim == CommandRun::Claim::Held) {
        claimReported_.clear();
        return true;
    }
    // Said once while it lasts; the cycle keeps trying, so the file is served as soon as this
    // process may: the other resident has ended, or the system answers again.
    const std::string message = commands.ClaimMessage(path);
    if (message != claimReported_) {
        claimReported_ = message;
        context_.ports.dialogs.Inform(message);
    }
    return false;
}

void PollingCycle::Timer1_Timer() {
    auto& settings = context_.settings;
    auto& service = context_.service;
    auto& platform = context_.platform;
    auto& ports = context_.ports;

    ports.timer.SetEnabled(false);
    // Only the resident polls: the test console and the About box work beside the resident that
    // serves the register, and must never take its command files.
    if (context_.runMode != "resident") {
        return;
    }
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
    // Only the process holding the command file's claim polls it, status requests included
    // (they share its folder).
    if (!HoldCommandFile(inputPath)) {
        service.Shape1.fill = forms::kRed;
        service.Refresh();
        ports.timer.SetEnabled(true);
        return;
    }
    auto& commands = context_.commands;
    const std::string folder = config::GetPathFolder(inputPath, platform.Style());
    std::string statusRequest;
    bool processing = false;
    bool commandReady = false;
    bool commandRead = true;
    // The standard command file, opened once: its bytes decide whether it runs and whether it
    // may be deleted, and are the ones run.
    CommandRun::Found found = CommandRun::Found::None;
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
            if (!context_.holdRecordForRegister && platform.FileExists(dump)) {
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
            found = commands.Open();
            alreadyRun = found == CommandRun::Found::AlreadyRun;
        }
    });
    steps.emplace_back([&] {
        // The result of a command that ran already stays for the register to read.
        if (found == CommandRun::Found::New && platform.FileExists(settings.OutputFilePath)) {
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
        } else if (found == CommandRun::Found::Unreadable) {
            commandRead = false;  // the register still holds it: a later cycle reads it
        } else if (!alreadyRun) {
            commandRead = commands.Execute();
        }
    });
    retryPoint = steps.size();
    steps.emplace_back([&] {
        // Never delete a command file that could not be read, nor one the register has written
        // anew meanwhile: either stays for a later cycle.
        if (!standardFile || !commandRead) {
            return;
        }
        // Deleted and written again while it ran: with other bytes it stays, a new command for
        // the next cycle; with the very same bytes it is the command that ran, saved again by a
        // register that has not had its outcome yet, and it goes (a resend the register meant is
        // seen missing in its outcome; a second charge cannot be undone).
        if (commands.Consume() != CommandRun::Consumed::Undeletable) {
            return;
        }
        if (alreadyRun) {
            commands.ReportUndeletable();
            return;
        }
        throw RuntimeError(kErrPathFileAccess, "Errore di accesso al percorso/file: " + inputPath);
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
