// varnixpos.exe: VarnixPos with its Win32 windows. The run-once mode shows none of its own, only
// its message boxes.
#include <cstdio>
#include <string>

#include "forms/AboutBox.h"
#include "frontends/Usage.h"
#include "frontends/win32/RunOnceFrontEnd.h"
#include "frontends/win32/Win32FrontEnd.h"
#include "frontends/win32/WindowsApi.h"
#include "platform/Platform.h"
#include "startup/RunMode.h"

namespace {

// A GUI program has a standard output only when its starter gave it one (a redirection, a
// console that runs it and waits): otherwise the text goes into a box.
void ShowUsage() {
    const std::string usage = varnix::frontends::UsageText("varnixpos");
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN) {
        std::fputs(usage.c_str(), stdout);
        std::fflush(stdout);
        return;
    }
    ::MessageBoxA(nullptr, usage.c_str(), varnix::forms::AboutBox::kApplicationTitle,
                  MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace varnix;
    if (frontends::AsksForHelp(argc, argv)) {
        ShowUsage();
        return 0;
    }
    const std::string commandLine = platform::HostPlatform().CommandLineText(argc, argv);
    if (startup::ChooseRunMode(commandLine).mode == startup::RunMode::RunOnce) {
        return win32::RunOnceFrontEnd().Run(commandLine);
    }
    return win32::Win32FrontEnd().Run(commandLine);
}
