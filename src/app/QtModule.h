// The windowed module, loaded on first need from beside the executable. When it cannot be loaded
// (a broken installation), Load says why and the caller carries on without windows.
#pragma once

#include <string>

#include "platform/Platform.h"
#include "ports/Dialogs.h"
#include "ui/qt/QtModuleAbi.h"

namespace varnix::app {

class QtModule {
  public:
    explicit QtModule(platform::Platform& platform) : platform_(platform) {}

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
