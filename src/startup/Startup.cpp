#include "startup/Startup.h"

#include <functional>
#include <optional>

#include "config/ConfigFile.h"
#include "engine/Session.h"
#include "exchange/CommandFile.h"
#include "exchange/Dispatcher.h"
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
    if (!session_.serviceActions.Form_Load()) {
        return RunMode::Resident;  // the configuration could not be read: the process ends
    }
    const RunModeChoice choice = ChooseRunMode(commandLine);
    session_.runMode = choice.mode == RunMode::RunOnce       ? "run-once"
                       : choice.mode == RunMode::Interactive ? "interactive"
                                                             : "resident";
    if (choice.mode == RunMode::Resident || choice.mode == RunMode::Interactive) {
        // One resident per command file, a rule of this system's own: a second one would pick
        // up the same payments. It says so and ends before touching anything.
        const std::string& input = session_.settings.InputFilePath;
        if (!session_.inputLock.Hold(input)) {
            session_.ports.timer.SetEnabled(false);
            session_.ports.dialogs.Inform(exchange::InputLock::BusyMessage(input));
            session_.ports.shell.EndProcess(kExitLockBusy);
            return choice.mode;
        }
        exchange::Dispatcher(session_).RecoverInterrupted();
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
    // for it a while, and gives up without touching the file.
    if (!HoldInputLock()) {
        problem(kExitLockBusy);
        session_.consoleActions.Form_Unload(exitCode);
        return;
    }
    exchange::Dispatcher dispatcher(session_);
    dispatcher.RecoverInterrupted();
    std::optional<exchange::CommandFile> command;
    bool alreadyRun = false;
    SkipOnRuntimeError([&] {
        command.emplace(platform, settings.InputFilePath);
        alreadyRun =
            command->Status() == exchange::CommandFile::State::Open &&
            session_.Journal().Find(command->Identity()) != exchange::IntentJournal::Mark::None;
    });
    SkipOnRuntimeError([&] {
        if (!alreadyRun && platform.FileExists(settings.OutputFilePath)) {
            platform.RemoveFile(settings.OutputFilePath);
        }
    });
    session_.console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    SkipOnRuntimeError([&] {
        if (!command || command->Status() == exchange::CommandFile::State::Missing) {
            problem(kExitCommandFileMissing);
            return;
        }
        if (alreadyRun) {
            problem(kExitAlreadyRun);
            return;
        }
        auto& journal = session_.Journal();
        const exchange::FileIdentity identity = command->Identity();
        exchange::LineHooks hooks;
        // A stop signal lets the line being run finish (a payment in progress is not
        // abandoned) and starts no other.
        hooks.stopBeforeLine = [this] { return session_.ports.shell.StopRequested(); };
        hooks.beforeCommand = [&](const std::string& line) {
            journal.Begin(settings.InputFilePath, identity, line);
        };
        dispatcher.EseguiFileComandi(*command, settings.ecrIdRequired, hooks);
        if (!dispatcher.FileWasRead()) {
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
    // so does one it wrote anew while this one ran (its identity differs from the one run). The
    // journal then forgets it, or, when it stays, marks it done: never to be run again.
    SkipOnRuntimeError([&] {
        if (!command || command->Status() != exchange::CommandFile::State::Open) {
            return;
        }
        const bool deleted = dispatcher.FileWasRead() &&
                             exchange::CommandFile::StillHas(platform, settings.InputFilePath,
                                                             command->Identity()) &&
                             platform.RemoveFile(settings.InputFilePath);
        if (deleted) {
            session_.Journal().Forget(command->Identity());
        } else {
            session_.Journal().Finish(command->Identity());
        }
    });
    session_.consoleActions.Form_Unload(exitCode);  // releases the library again, ends
}

bool Startup::HoldInputLock() {
    auto& clock = session_.ports.clock;
    const std::int64_t start = clock.MonotonicMs();
    while (!session_.inputLock.Hold(session_.settings.InputFilePath)) {
        if (clock.MonotonicMs() - start >= kRunOnceLockWaitMs ||
            session_.ports.shell.StopRequested()) {
            return false;
        }
        session_.ports.SleepDelay(100);
    }
    return true;
}

}  // namespace varnix::startup
