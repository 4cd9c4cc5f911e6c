// The names this process holds a claim on, whatever the platform claims them with: a second
// claim of a held name from within the same process is refused. Files in memory have no other
// claim, and a Windows mutex lets its owning thread in again.
#pragma once

#include <string>

namespace varnix::platform {

// False when this process holds `name` already; otherwise it does from now on.
bool TakeProcessClaim(const std::string& name);
void ReleaseProcessClaim(const std::string& name);

}  // namespace varnix::platform
