#include "iae17/LoadedTerminalLibrary.h"

#include "iae17/Iae17Abi.h"
#include "platform/RuntimeError.h"

namespace varnix::iae17 {

const char* const LoadedTerminalLibrary::kDefaultFileName = IAE17_LIBRARY_FILE_NAME;

LoadedTerminalLibrary::LoadedTerminalLibrary(platform::Platform& platform, std::string fileName)
    : platform_(platform), fileName_(std::move(fileName)) {}

template <typename Fn>
Fn LoadedTerminalLibrary::Resolve(const char* name) {
    auto found = functions_.find(name);
    if (found == functions_.end()) {
        if (handle_ == nullptr) {
            std::string error;
            handle_ = platform_.LoadLibraryFile(fileName_, error);
            if (handle_ == nullptr) {
                throw RuntimeError(kErrFileNotFound,
                                   "Libreria del terminale non trovata: " + fileName_);
            }
        }
        const auto function = platform_.FindFunction(handle_, name);
        if (function == nullptr) {
            throw RuntimeError(kErrEntryPointNotFound, std::string("Punto di ingresso ") + name +
                                                           " non trovato in " + fileName_);
        }
        found = functions_.emplace(name, function).first;
    }
    // The stored pointer came from the library under exactly this name and signature.
    return reinterpret_cast<Fn>(found->second);
}

std::int16_t LoadedTerminalLibrary::InitEth(EthParams& params) {
    auto fn = Resolve<Iae17InitEthFn>(IAE17_INIT_ETH);
    auto packed = Pack(params);
    const short code = fn(packed.data());
    Unpack(packed, params);
    return code;
}

std::int16_t LoadedTerminalLibrary::InitRS232(ComParams& params) {
    auto fn = Resolve<Iae17InitRS232Fn>(IAE17_INIT_RS232);
    auto packed = Pack(params);
    const short code = fn(packed.data());
    Unpack(packed, params);
    return code;
}

std::int16_t LoadedTerminalLibrary::Call(Function function, POSRequest& request, POSData& data) {
    auto fn = Resolve<Iae17OperationFn>(FunctionName(function));
    auto packedRequest = Pack(request);
    auto packedData = Pack(data);
    const short code = fn(packedRequest.data(), packedData.data());
    Unpack(packedRequest, request);
    Unpack(packedData, data);
    return code;
}

std::int16_t LoadedTerminalLibrary::GetVersion(VersionBuffer& buffer) {
    auto fn = Resolve<Iae17GetVersionFn>(IAE17_GET_VERSION);
    return fn(buffer.data());
}

std::int16_t LoadedTerminalLibrary::Free() {
    auto fn = Resolve<Iae17FreeFn>(IAE17_FREE);
    return fn();
}

}  // namespace varnix::iae17
