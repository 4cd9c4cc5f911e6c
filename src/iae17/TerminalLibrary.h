// The terminal vendor's library as the core calls it: two Init functions, ten operations that
// take the request and outcome records, the version and Free. Implementations raise RuntimeError
// when the library or one of its functions cannot be found; result codes are 16-bit values.
#pragma once

#include <array>
#include <cstdint>

#include "iae17/Functions.h"
#include "iae17/Records.h"

namespace varnix::iae17 {

using VersionBuffer = std::array<char, 10>;

class TerminalLibrary {
  public:
    virtual ~TerminalLibrary() = default;

    virtual std::int16_t InitEth(EthParams& params) = 0;
    virtual std::int16_t InitRS232(ComParams& params) = 0;
    virtual std::int16_t Call(Function function, POSRequest& request, POSData& data) = 0;
    virtual std::int16_t GetVersion(VersionBuffer& buffer) = 0;
    virtual std::int16_t Free() = 0;
};

}  // namespace varnix::iae17
