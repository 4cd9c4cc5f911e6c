#include "startup/Startup.h"

#include <functional>

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
    session_.about.Form_Load();
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
    // The polling timer stays off for the whole run: the simulated payment's wait lets window
    // events through, and a tick then could pick up the very file being run here.
    session_.ports.timer.SetEnabled(false);
    settings.ConfigFilePath = configPath;
    SkipOnRuntimeError([&] { session_.ConfigFile().LeggiDatiConfigurazione(configPath); });
    SkipOnRuntimeError([&] {
        if (platform.FileExists(settings.OutputFilePath)) {
            platform.RemoveFile(settings.OutputFilePath);
        }
    });
    session_.console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    SkipOnRuntimeError([&] {
        if (platform.FileExists(settings.InputFilePath)) {
            exchange::Dispatcher(session_).EseguiFileComandi(settings.InputFilePath,
                                                             settings.ecrIdRequired);
        }
    });
    SkipOnRuntimeError([&] { session_.library.Free(); });
    SkipOnRuntimeError([&] {
        if (platform.FileExists(settings.InputFilePath)) {
            platform.RemoveFile(settings.InputFilePath);
        }
    });
    session_.consoleActions
        .Form_Unload();  // releases the library a second time and ends the process
}

}  // namespace varnix::startup
