#include "frontends/Runner.h"

#include "config/FileNames.h"
#include "startup/Startup.h"

namespace varnix::frontends {

Runner::Runner(ports::Dialogs& dialogs, ports::EventPump& events, ports::PollTimer& timer,
               ports::Shell& shell)
    : platform_(platform::HostPlatform()),
      clock_(platform_),
      library_(platform_),
      session_(platform_, ports::Ports{dialogs, events, timer, clock_, shell}, library_) {}

startup::RunMode Runner::Start(const std::string& commandLine) {
    return startup::Startup(session_).Form_Load(commandLine);
}

void Runner::Tick() {
    session_.polling.Timer1_Timer();
}

void Runner::RequestClose() {
    if (session_.serviceActions.Form_QueryUnload()) {
        session_.serviceActions.Form_Unload();
    }
}

void Runner::ReloadConfiguration() {
    session_.ConfigFile().LeggiDatiConfigurazione(session_.DataFile(config::kConfigFileName));
    session_.ports.timer.SetEnabled(true);
}

}  // namespace varnix::frontends
