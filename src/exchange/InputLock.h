// One resident per command file: the process that polls a command file holds an exclusive lock on
// a file beside it (SRINPF.TXT.lock), so that a second VarnixPos on the same file (the windowed
// one and the CLI, the desktop entry started twice, another user's) cannot run the same payment
// at the same time. A rule of this system's own, beyond the plain polling: two pollers would each
// pick up one file. The lock file stays; the operating system releases the lock when the process
// ends, however it ends.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace varnix::exchange {

class InputLock {
  public:
    explicit InputLock(platform::Platform& platform) : platform_(platform) {}

    // True once this process holds the lock for `inputPath` (dropping the one for any other
    // path); false while another process holds it. An empty path needs no lock, and where no
    // lock can be had (the folder is missing) this runs unguarded and tries again next time.
    bool Hold(const std::string& inputPath);
    void Release();

    static std::string LockPath(const std::string& inputPath) { return inputPath + ".lock"; }
    // What the user is told when another process holds it.
    static std::string BusyMessage(const std::string& inputPath);

  private:
    platform::Platform& platform_;
    std::unique_ptr<platform::ProcessLock> lock_;
    std::string heldFor_;
};

}  // namespace varnix::exchange
