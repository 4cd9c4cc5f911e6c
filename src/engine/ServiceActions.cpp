#include "engine/ServiceActions.h"

#include "config/DataFolder.h"
#include "config/FileNames.h"
#include "config/ParamFile.h"
#include "engine/ConsoleActions.h"
#include "exchange/Context.h"
#include "platform/RuntimeError.h"

namespace varnix::engine {

void ServiceActions::SalvaParametri() {
    config::SalvaParametri(context_.platform, context_.DataFile(config::kParamFileName),
                           context_.service);
}

void ServiceActions::LeggiParametri() {
    config::LeggiParametri(context_.platform, context_.DataFile(config::kParamFileName),
                           context_.service);
}

bool ServiceActions::Form_Load() {
    auto& settings = context_.settings;
    auto& ports = context_.ports;
    auto& platform = context_.platform;
    auto& service = context_.service;
    auto& console = context_.console;
    ports.timer.SetEnabled(false);
    ports.timer.SetInterval(forms::ServiceWindow::kTimerInterval);
    service.Shape1.fill = forms::kRed;
    console.PresetLists();
    SkipOnRuntimeError([&] {
        iae17::VersionBuffer version;
        version.fill(' ');
        context_.library.GetVersion(version);
        console.DllVersion.caption.assign(version.data(), version.size());
    });
    service.FillTestLists();
    settings.DataFolder = config::ResolveDataFolder(platform);
    const std::string configPath = context_.DataFile(config::kConfigFileName);
    service.txtConfFile.SetText(configPath);
    service.txtLogFileName.SetText(config::LogFilePath(settings.DataFolder));
    service.CaricaValoriDefault(context_.DataFile(config::kCommandFileName),
                                context_.DataFile(config::kResultFileName));
    auto configFile = context_.ConfigFile();
    if (!platform.FileExists(configPath)) {
        configFile.SalvaDatiConfigurazioneConPrefisso(configPath);
    }
    LeggiParametri();
    settings.ConfigFilePath = configPath;
    service.txtConfFile.SetText(configPath);
    const std::string problem = configFile.LeggiDatiConfigurazione(configPath);
    if (!problem.empty()) {
        ports.dialogs.Inform("ERRORE: " + problem);
        ports.shell.EndProcess(1);  // startup::kExitStartupFailed
        return false;
    }
    service.cmdSalvaDati.enabled = true;
    // Only the resident polls, and only one per command file, a rule of this system's own: a
    // second one would pick up the same payments. It says so and ends before any window or tray
    // icon shows and before it touches anything. Where the system will not say, the window comes
    // up and the cycle keeps trying, running nothing until it knows it is alone.
    const bool polls = context_.runMode == "resident";
    if (polls) {
        const auto claim = context_.commands.Hold(settings.InputFilePath);
        if (claim == exchange::CommandRun::Claim::Busy) {
            ports.dialogs.Inform(context_.commands.ClaimMessage(settings.InputFilePath));
            ports.shell.EndProcess(6);  // startup::kExitLockBusy
            return false;
        }
        SkipOnRuntimeError([&] {
            // Only the process that polls the command file clears its old result: another one
            // would delete the result the register is about to read.
            if (claim == exchange::CommandRun::Claim::Held &&
                platform.FileExists(settings.OutputFilePath)) {
                platform.RemoveFile(settings.OutputFilePath);
            }
        });
    }
    console.FollowConfiguration(settings.ComParams, settings.IsEthernet());
    service.trayIconShown = true;
    ports.timer.SetEnabled(polls);
    service.visible = true;
    service.minimized = false;
    service.Refresh();
    return true;
}

bool ServiceActions::Form_QueryUnload() {
    context_.ports.timer.SetEnabled(false);
    SalvaParametri();
    if (!context_.ports.dialogs.Confirm("Vuoi terminare l'esecuzione ?")) {
        context_.ports.timer.SetEnabled(true);
        return false;
    }
    return true;
}

void ServiceActions::Form_Unload() {
    auto& service = context_.service;
    context_.ports.timer.SetEnabled(false);
    service.visible = false;
    service.trayIconShown = false;
    service.Refresh();
    console_.Form_Unload();
}

void ServiceActions::m_esci_Click() {
    context_.ports.timer.SetEnabled(false);
    SkipOnRuntimeError([&] { context_.ports.SleepDelay(500); });
    if (Form_QueryUnload()) {
        Form_Unload();
    }
}

void ServiceActions::mInfo_Click() {
    auto& timer = context_.ports.timer;
    const bool wasEnabled = timer.IsEnabled();
    timer.SetEnabled(false);
    context_.about.Form_Load(context_.platform.ExecutableVersion());
    context_.ports.shell.ShowAboutModal();
    timer.SetEnabled(wasEnabled);
}

void ServiceActions::cmdSalvaDati_Click() {
    auto& ports = context_.ports;
    ports.timer.SetEnabled(false);
    if (ports.dialogs.Confirm("Vuoi salvare i dati ?")) {
        // Always the data folder's file, whatever the path box shows.
        const std::string path = context_.DataFile(config::kConfigFileName);
        auto configFile = context_.ConfigFile();
        configFile.SalvaDatiConfigurazioneConPrefisso(path);
        configFile.LeggiDatiConfigurazione(path);
        context_.service.Refresh();
    }
    SkipOnRuntimeError([&] { ports.SleepDelay(500); });
    ports.timer.SetEnabled(true);
}

}  // namespace varnix::engine
