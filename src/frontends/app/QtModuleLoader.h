// Loads the windowed module (libvarnixpos-qt.so, varnixpos-qt.dll) on first need from beside the
// executable: the side of varnixpos that loads, QtModuleEntryPoints the side that is loaded. When
// it cannot be loaded (a broken installation), Load says why and the caller carries on without
// windows.
#pragma once

#include <string>

#include "frontends/qt/QtModuleAbi.h"
#include "platform/Platform.h"
#include "ports/Dialogs.h"

namespace varnix::app {

class QtModuleLoader {
  public:
    explicit QtModuleLoader(platform::Platform& platform) : platform_(platform) {}

    // True once both entry points are found; `error` names what is missing otherwise.
    bool Load(std::string& error);
    int Run(int argc, char** argv, const std::string& commandLine);
    ports::Answer ShowMessageBox(const std::string& text, const std::string& title,
                                 ports::Buttons buttons, ports::Icon icon);

  private:
    platform::Platform& platform_;
    VarnixQtRun run_ = nullptr;
    VarnixQtMessageBox messageBox_ = nullptr;
};

}  // namespace varnix::app
