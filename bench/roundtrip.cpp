// One stand-in library round trip (IAE17AX_TerminalBalance) against the simulator, timed.
// Usage: roundtrip PORT COUNT; prints the median and p95 in microseconds.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "iae17/Iae17Abi.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    std::string self(argv[0]);
    const std::string folder = self.substr(0, self.find_last_of('/') + 1);
    void* library = dlopen((folder + "libIae17.so").c_str(), RTLD_NOW);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    auto init = reinterpret_cast<Iae17InitEthFn>(dlsym(library, "IAE17AX_InitEth"));
    auto totals = reinterpret_cast<Iae17OperationFn>(dlsym(library, "IAE17AX_TerminalBalance"));
    char eth[22];
    std::memset(eth, ' ', sizeof eth);
    std::memcpy(eth, "127.0.0.1", 9);
    std::memcpy(eth + 16, argv[1], std::min<std::size_t>(std::strlen(argv[1]), 6));
    const int count = std::atoi(argv[2]);
    std::vector<double> micros;
    std::vector<char> request(219, '\0');
    std::vector<char> data(4267, '\0');
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        init(eth);
        const short code = totals(request.data(), data.data());
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        if (code != 0) {
            std::fprintf(stderr, "result code %d\n", code);
            return 1;
        }
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%.1f %.1f\n", micros[micros.size() / 2], micros[micros.size() * 95 / 100]);
    return 0;
}
