// The real terminal library, loaded from its shared-library file. Nothing is loaded at start-up:
// the library is opened, and each function looked up by name, at its first call. A missing file
// or function raises RuntimeError (53 or 453) naming it, a library of the other bitness 48 saying
// so; the next call tries again.
#pragma once

#include <map>
#include <string>

#include "iae17/TerminalLibrary.h"
#include "platform/Platform.h"

namespace varnix::iae17 {

class LoadedTerminalLibrary : public TerminalLibrary {
  public:
    explicit LoadedTerminalLibrary(platform::Platform& platform,
                                   std::string fileName = kDefaultFileName);

    std::int16_t InitEth(EthParams& params) override;
    std::int16_t InitRS232(ComParams& params) override;
    std::int16_t Call(Function function, POSRequest& request, POSData& data) override;
    std::int16_t GetVersion(VersionBuffer& buffer) override;
    std::int16_t Free() override;

    static const char* const kDefaultFileName;

  private:
    void Load();
    template <typename Fn>
    Fn Resolve(const char* name, int argumentCount);

    platform::Platform& platform_;
    std::string fileName_;
    void* handle_ = nullptr;
    std::map<std::string, platform::Platform::GenericFunction> functions_;
};

}  // namespace varnix::iae17
