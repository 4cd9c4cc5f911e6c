#include "platform/ProcessClaims.h"

#include <mutex>
#include <set>

namespace varnix::platform {

namespace {

std::mutex& ClaimsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<std::string>& Claims() {
    static std::set<std::string> claims;
    return claims;
}

}  // namespace

bool TakeProcessClaim(const std::string& name) {
    const std::lock_guard<std::mutex> hold(ClaimsMutex());
    return Claims().insert(name).second;
}

void ReleaseProcessClaim(const std::string& name) {
    const std::lock_guard<std::mutex> hold(ClaimsMutex());
    Claims().erase(name);
}

}  // namespace varnix::platform
