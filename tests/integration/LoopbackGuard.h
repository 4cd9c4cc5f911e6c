// How many connections to a non-loopback address this process tried (and was refused).
#pragma once

namespace varnix::testing {
int RefusedConnections();
}
