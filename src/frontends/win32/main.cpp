// varnixpos.exe: VarnixPos with its Win32 windows. The run-once mode shows none of its own, only
// its message boxes.
#include <cstdio>
#include <string>

#include "forms/AboutBox.h"
#include "frontends/HistoryLines.h"
#include "frontends/Usage.h"
#include "frontends/win32/RunOnceFrontEnd.h"
#include "frontends/win32/Win32FrontEnd.h"
#include "frontends/win32/WindowsApi.h"
#include "platform/Platform.h"
#include "startup/RunMode.h"

namespace {

// A GUI program has a standard output only when its starter gave it one (a redirection, a
// console that runs it and waits): otherwise the text goes into a box.
void ShowText(const std::string& text, FILE* stream, bool error) {
    HANDLE out = ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN) {
        std::fputs(text.c_str(), stream);
        std::fflush(stream);
        return;
    }
    ::MessageBoxA(nullptr, text.c_str(), varnix::forms::AboutBox::kApplicationTitle,
                  static_cast<UINT>(MB_OK | (error ? MB_ICONWARNING : MB_ICONINFORMATION)));
}

std::string AsIs(const std::string& text) {
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace varnix;
    if (frontends::AsksForHelp(argc, argv)) {
        ShowText(frontends::UsageText("varnixpos"), stdout, false);
        return 0;
    }
    if (const auto request = frontends::AsksForHistory(argc, argv)) {
        const auto history =
            frontends::ReadHistoryText(platform::HostPlatform(), "varnixpos", *request, AsIs);
        if (!history.out.empty()) {
            ShowText(history.out, stdout, false);
        }
        if (!history.err.empty()) {
            ShowText(history.err, stderr, true);
        }
        return history.exitCode;
    }
    const std::string commandLine = platform::HostPlatform().CommandLineText(argc, argv);
    if (startup::ChooseRunMode(commandLine).mode == startup::RunMode::RunOnce) {
        return win32::RunOnceFrontEnd().Run(commandLine);
    }
    return win32::Win32FrontEnd().Run(commandLine);
}
