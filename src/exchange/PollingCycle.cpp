#include "exchange/PollingCycle.h"

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
    if (!platform.FileExists(path)) {
        unterminatedCommand_.reset();
        return false;
    }
    // A file we cannot read (the cash register still holds it, no rights) is left where it is
    // for a later cycle: deleting it unread would lose the command.
    const auto contents = platform.ReadWholeFile(path);
    if (!contents) {
        return false;
    }
    // A file whose last line has no CR LF may still be being written, and so may an empty one
    // (created, not yet written). It runs once a later cycle finds it unchanged, so a writer that
    // never ends its last line waits one tick only.
    if (!contents->ends_with("\r\n") && unterminatedCommand_ != contents) {
        unterminatedCommand_ = contents;
        return false;
    }
    unterminatedCommand_.reset();
    return true;
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
    const std::string folder = config::GetPathFolder(inputPath, platform.Style());
    std::string statusRequest;
    bool processing = false;
    bool commandReady = false;
    bool commandRead = true;

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
    });
    steps.emplace_back([&] {
        if (standardFile && platform.FileExists(settings.OutputFilePath)) {
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
        } else {
            dispatcher.EseguiFileComandi(inputPath, settings.ecrIdRequired);
            commandRead = dispatcher.FileWasRead();
        }
    });
    retryPoint = steps.size();
    steps.emplace_back([&] {
        // Never delete a command file the dispatcher could not read: it stays for a later cycle.
        if (standardFile && commandRead && platform.FileExists(inputPath)) {
            DeleteOrRaise(platform, inputPath);
        }
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
