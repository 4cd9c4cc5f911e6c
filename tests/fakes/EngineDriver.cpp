#include "fakes/EngineDriver.h"

namespace varnix::fakes {

EngineDriver::EngineDriver(iae17::TerminalLibrary* library, platform::Platform* platform) {
    const char sep = platform::HostPlatform().Separator();
#ifdef _WIN32
    // Windows has no XDG folders: the data folder comes through the registry override.
    dataFolder = home.path() + "ZANDRIKVarnixPos" + sep;
    testing::SetDataFolderOverride(dataFolder);
#else
    dataFolder = home.path() + "share" + sep + "ZANDRIKVarnixPos" + sep;
    testing::SetDataFolderOverride(std::nullopt);
#endif
    session = std::make_unique<engine::Session>(
        platform != nullptr ? *platform : platform::HostPlatform(),
        ports::Ports{dialogs, events, timer, clock, shell},
        library != nullptr ? *library : fakeLibrary);
    shell.about = &session->about;
}

bool EngineDriver::Connect(const std::string& config) {
    CreateDataFolder();
    if (!config.empty()) {
        WriteData("ConfigVnxPos.TXT", config);
    }
    return Start() == startup::RunMode::Resident && Tick() == 1 && session->terminalConnected;
}

int EngineDriver::Tick(int count) {
    int ran = 0;
    for (int i = 0; i < count; ++i) {
        if (timer.IsEnabled() && !shell.Ended()) {
            session->polling.Timer1_Timer();
            ++ran;
        }
        clock.Sleep(timer.Interval());
    }
    return ran;
}

}  // namespace varnix::fakes
