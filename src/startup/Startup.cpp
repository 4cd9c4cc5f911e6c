#include "startup/Startup.h"

#include <functional>

#include "config/ConfigFile.h"
#include "engine/Session.h"
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
    SkipOnRuntimeError([&] {
        if (platform.FileExists(settings.OutputFilePath)) {
            platform.RemoveFile(settings.OutputFilePath);
        }
    });
    session_.console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    exchange::Dispatcher dispatcher(session_);
    SkipOnRuntimeError([&] {
        if (!platform.FileExists(settings.InputFilePath)) {
            problem(kExitCommandFileMissing);
            return;
        }
        // A stop signal lets the line being run finish (a payment in progress is not
        // abandoned) and starts no other.
        dispatcher.EseguiFileComandi(settings.InputFilePath, settings.ecrIdRequired,
                                     [this] { return session_.ports.shell.StopRequested(); });
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
    // so does one it wrote anew while this one ran (its bytes differ from those read).
    SkipOnRuntimeError([&] {
        const auto& ran = dispatcher.ContentsRead();
        if (ran && platform.FileExists(settings.InputFilePath) &&
            platform.ReadWholeFile(settings.InputFilePath) == ran) {
            platform.RemoveFile(settings.InputFilePath);
        }
    });
    session_.consoleActions.Form_Unload(exitCode);  // releases the library again, ends
}

}  // namespace varnix::startup
