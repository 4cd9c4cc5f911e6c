#include "exchange/InputLock.h"

#include <cstdio>

#include "exchange/CommandFile.h"
#include "text/AnsiText.h"

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
    lock_ = platform_.TryLock(LockName(inputPath, platform_.Style()));
    if (!lock_) {
        return false;
    }
    heldFor_ = inputPath;
    return true;
}

void InputLock::Release() {
    lock_.reset();
    heldFor_.clear();
}

std::string InputLock::LockName(const std::string& inputPath, platform::PathStyle style) {
    const std::string key =
        style == platform::PathStyle::Windows ? text::ToUpper(inputPath) : inputPath;
    char name[48];
    std::snprintf(name, sizeof name, "varnixpos-%016llx.lock",
                  static_cast<unsigned long long>(HashBytes(key)));
    return name;
}

std::string InputLock::BusyMessage(const std::string& inputPath) {
    // Windows-1252, as every message of the core: \xE8 is "e" with a grave accent.
    return "VarnixPos \xE8 gi\xE0 in esecuzione per " + inputPath;
}

}  // namespace varnix::exchange
