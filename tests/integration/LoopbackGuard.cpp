// Keeps this test process on loopback: every connect() made anywhere in it (the stand-in library
// included) passes through here. Connections to 127.0.0.0/8 and ::1 go on to the real call; any
// other address is refused on the spot and counted, so a test can prove none was attempted.
#ifndef _WIN32
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "integration/LoopbackGuard.h"

namespace {
std::atomic<int> gRefused{0};
}

int varnix::testing::RefusedConnections() {
    return gRefused.load();
}

extern "C" int connect(int fd, const struct sockaddr* address, socklen_t length) {
    bool loopback = false;
    if (address != nullptr && address->sa_family == AF_INET &&
        length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        sockaddr_in in{};
        std::memcpy(&in, address, sizeof in);
        loopback = (ntohl(in.sin_addr.s_addr) >> 24) == 127;
    } else if (address != nullptr && address->sa_family == AF_INET6 &&
               length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        sockaddr_in6 in6{};
        std::memcpy(&in6, address, sizeof in6);
        loopback = IN6_IS_ADDR_LOOPBACK(&in6.sin6_addr);
    } else if (address != nullptr && address->sa_family == AF_UNIX) {
        loopback = true;
    }
    if (!loopback) {
        ++gRefused;
        errno = ENETUNREACH;
        return -1;
    }
    using ConnectFn = int (*)(int, const struct sockaddr*, socklen_t);
    static const auto real = reinterpret_cast<ConnectFn>(::dlsym(RTLD_NEXT, "connect"));
    return real(fd, address, length);
}
#else
#include "integration/LoopbackGuard.h"
int varnix::testing::RefusedConnections() {
    return 0;
}
#endif
