// One resident per command file: the process that polls a command file holds a machine-wide lock
// named after its path, so that a second VarnixPos on the same file (the windowed one and the
// CLI, or the desktop entry started twice) cannot run the same payment at the same time. A rule
// of this system's own, beyond the plain polling: two pollers would each pick up one file.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace varnix::exchange {

class InputLock {
  public:
    explicit InputLock(platform::Platform& platform) : platform_(platform) {}

    // True once this process holds the lock for `inputPath` (dropping the one for any other
    // path); false while another process holds it. An empty path needs no lock.
    bool Hold(const std::string& inputPath);
    void Release();

    // The lock's file name: the same path (letter case aside on Windows) gives the same name.
    static std::string LockName(const std::string& inputPath, platform::PathStyle style);
    // What the user is told when another process holds it.
    static std::string BusyMessage(const std::string& inputPath);

  private:
    platform::Platform& platform_;
    std::unique_ptr<platform::ProcessLock> lock_;
    std::string heldFor_;
};

}  // namespace varnix::exchange
