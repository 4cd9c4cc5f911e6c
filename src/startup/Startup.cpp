#include "startup/Startup.h"

#include <functional>
#include <optional>

#include "config/ConfigFile.h"
#include "engine/Session.h"
#include "exchange/CommandRun.h"
#include "platform/RuntimeError.h"

namespace varnix::startup {

RunMode Startup::Form_Load(const std::string& commandLine) {
    auto& console = session_.console;
    console.visible = false;
    console.PresetLists();
    SkipOnRuntimeError([&] {
        iae17::VersionBuffer version;
        version.fill(' ');
        session_.library.GetVersion(version);
        console.DllVersion.caption.assign(version.data(), version.size());
    });
    session_.about.Form_Load(session_.platform.ExecutableVersion());
    // Read before the service window loads, acted on after: the service window must know
    // whether this process is to poll (and so to claim the command file, and refuse to start
    // beside another resident before any window shows) while it loads.
    const RunModeChoice choice = ChooseRunMode(commandLine);
    session_.runMode = choice.mode == RunMode::RunOnce       ? "run-once"
                       : choice.mode == RunMode::Interactive ? "interactive"
                       : choice.mode == RunMode::Version     ? "version"
                                                             : "resident";
    if (!session_.serviceActions.Form_Load()) {
        return RunMode::Resident;  // the configuration could not be read, or another resident
                                   // polls the command file: the process ends
    }
    switch (choice.mode) {
        case RunMode::RunOnce:
            RunOnce(choice.configPath);
            break;
        case RunMode::Version:
            session_.ports.shell.ShowAboutModal();
            session_.ports.shell.EndProcess(0);
            break;
        case RunMode::Interactive:
            console.visible = true;
            console.txtTerminale.visible = true;
            console.Refresh();
            break;
        case RunMode::Resident:
            break;
    }
    return choice.mode;
}

void Startup::RunOnce(const std::string& configPath) {
    auto& settings = session_.settings;
    auto& platform = session_.platform;
    auto& commands = session_.commands;
    int exitCode = kExitRan;
    const auto problem = [&exitCode](int code) {
        if (exitCode == kExitRan) {
            exitCode = code;
        }
    };
    // The polling timer stays off for the whole run: the simulated payment's wait lets window
    // events through, and a tick then could pick up the very file being run here.
    session_.ports.timer.SetEnabled(false);
    settings.ConfigFilePath = configPath;
    SkipOnRuntimeError([&] {
        const std::string read = session_.ConfigFile().LeggiDatiConfigurazione(configPath);
        if (read == config::kConfigNotFound) {
            problem(kExitConfigNotFound);
        } else if (!read.empty()) {
            problem(kExitConfigNotReadable);
        }
    });
    // The resident polling this command file, or another run-once, goes first: this one waits
    // for it a while, and gives up without touching the file. Taking the claim recovers what
    // an ended process left running on this command file.
    const bool presentBefore = platform.FileExists(settings.InputFilePath);
    const std::int64_t claimAsked = session_.ports.clock.MonotonicMs();
    const auto claim = HoldCommandFile();
    const bool waited = session_.ports.clock.MonotonicMs() > claimAsked;
    if (claim != exchange::CommandRun::Claim::Held) {
        if (claim == exchange::CommandRun::Claim::Unavailable) {
            session_.ports.dialogs.Inform(commands.ClaimMessage(settings.InputFilePath));
        }
        problem(claim == exchange::CommandRun::Claim::Busy ? kExitLockBusy : kExitClaimUnavailable);
        session_.consoleActions.Form_Unload(exitCode);
        return;
    }
    const bool recovered = commands.RecoveredAny();
    auto found = exchange::CommandRun::Found::None;
    SkipOnRuntimeError([&] { found = commands.Open(); });
    SkipOnRuntimeError([&] {
        // The result of a command that ran already stays for the register to read.
        if (found != exchange::CommandRun::Found::AlreadyRun &&
            platform.FileExists(settings.OutputFilePath)) {
            platform.RemoveFile(settings.OutputFilePath);
        }
    });
    session_.console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    SkipOnRuntimeError([&] {
        switch (found) {
            case exchange::CommandRun::Found::None:
                // Gone because its run was cut short by a crash: the register reads that
                // outcome, and must not take the missing file for a command never sent. Gone
                // while this one waited for the claim: the process holding it took the file.
                problem(recovered                 ? kExitAlreadyRun
                        : presentBefore && waited ? kExitLockBusy
                                                  : kExitCommandFileMissing);
                return;
            case exchange::CommandRun::Found::AlreadyRun:
                problem(kExitAlreadyRun);
                return;
            case exchange::CommandRun::Found::Unreadable:
                // Run-once ends at once: unlike the resident, it will not try again later, so
                // the register's operator is told why nothing ran.
                session_.ports.dialogs.Inform(
                    exchange::CommandRun::UnreadableMessage(settings.InputFilePath));
                problem(kExitCommandFileNotReadable);
                return;
            case exchange::CommandRun::Found::New:
                break;
        }
        // A stop signal lets the line being run finish (a payment in progress is not
        // abandoned) and starts no other.
        const bool read = commands.Execute([this] { return session_.ports.shell.StopRequested(); });
        if (commands.RefusedAny()) {
            problem(kExitIntentNotRecorded);
        }
        if (commands.StoppedEarly()) {
            problem(kExitAlreadyRun);  // cut short: the rest is recorded as not run
        }
        if (!read) {
            problem(kExitCommandFileNotReadable);
        }
    });
    try {
        session_.library.Free();
    } catch (const RuntimeError& error) {
        if (error.Number() == kErrFileNotFound || error.Number() == kErrLoadingLibrary) {
            problem(kExitLibraryMissing);
        }
    }
    // Only the file that was run is deleted: one the register could not have us read stays, and
    // so does one it wrote anew while this one ran. One that ran and stays is kept in the
    // journal as run: never to be run again.
    SkipOnRuntimeError([&] { commands.Consume(); });
    session_.consoleActions.Form_Unload(exitCode);  // releases the library again, ends
}

exchange::CommandRun::Claim Startup::HoldCommandFile() {
    auto& clock = session_.ports.clock;
    const std::int64_t start = clock.MonotonicMs();
    for (;;) {
        const auto claim = session_.commands.Hold(session_.settings.InputFilePath);
        if (claim == exchange::CommandRun::Claim::Held ||
            clock.MonotonicMs() - start >= kRunOnceLockWaitMs ||
            session_.ports.shell.StopRequested()) {
            return claim;
        }
        session_.ports.SleepDelay(100);
    }
}

}  // namespace varnix::startup
