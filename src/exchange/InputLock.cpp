#include "exchange/InputLock.h"

namespace varnix::exchange {

bool InputLock::Hold(const std::string& inputPath) {
    if (inputPath.empty()) {
        Release();
        return true;
    }
    if (lock_ && heldFor_ == inputPath) {
        return true;
    }
    Release();
    lock_ = platform_.TryLock(LockPath(inputPath));
    if (!lock_) {
        return false;
    }
    if (lock_->Guards()) {
        heldFor_ = inputPath;
    }
    return true;
}

void InputLock::Release() {
    lock_.reset();
    heldFor_.clear();
}

std::string InputLock::BusyMessage(const std::string& inputPath) {
    // Windows-1252, as every message of the core: \xE8 is "e" with a grave accent.
    return "VarnixPos \xE8 gi\xE0 in esecuzione per " + inputPath;
}

}  // namespace varnix::exchange
