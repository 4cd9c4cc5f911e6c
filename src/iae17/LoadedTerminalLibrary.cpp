#include "iae17/LoadedTerminalLibrary.h"

#include "iae17/Iae17Abi.h"
#include "platform/BinaryImage.h"
#include "platform/RuntimeError.h"

namespace varnix::iae17 {

const char* const LoadedTerminalLibrary::kDefaultFileName = IAE17_LIBRARY_FILE_NAME;

LoadedTerminalLibrary::LoadedTerminalLibrary(platform::Platform& platform, std::string fileName)
    : platform_(platform), fileName_(std::move(fileName)) {}

void LoadedTerminalLibrary::Load() {
    std::string error;
    handle_ = platform_.LoadLibraryFile(fileName_, error);
    if (handle_ != nullptr) {
        return;
    }
    // A library of the other bitness fails to load as "bad format": name the real problem.
    const auto header = platform_.ReadWholeFile(platform_.ExecutableFolder() + fileName_);
    const std::string mismatch = platform::BitnessMismatch(
        fileName_, header ? platform::BitsOfImage(*header) : platform::ImageBits::Unknown);
    if (!mismatch.empty()) {
        throw RuntimeError(kErrLoadingLibrary,
                           "Libreria del terminale non utilizzabile: " + mismatch);
    }
    throw RuntimeError(kErrFileNotFound, "Libreria del terminale non trovata: " + fileName_);
}

template <typename Fn>
Fn LoadedTerminalLibrary::Resolve(const char* name, int argumentCount) {
    auto found = functions_.find(name);
    if (found == functions_.end()) {
        if (handle_ == nullptr) {
            Load();
        }
        // A 32-bit library built without a .def file exports its __stdcall functions decorated
        // with the bytes of their arguments: "_IAE17AX_Free@0" (Microsoft) or "IAE17AX_Free@0"
        // (GNU). The plain name comes first, as the vendor's library exports it.
        std::string gnu(name);
        gnu += '@';
        gnu += std::to_string(4 * argumentCount);
        auto function = platform_.FindFunction(handle_, name);
        for (const std::string& decorated : {'_' + gnu, gnu}) {
            if (function == nullptr) {
                function = platform_.FindFunction(handle_, decorated);
            }
        }
        if (function == nullptr) {
            throw RuntimeError(kErrEntryPointNotFound, std::string("Punto di ingresso ") + name +
                                                           " non trovato in " + fileName_);
        }
        found = functions_.emplace(name, function).first;
    }
    // The stored pointer came from the library under this name and signature.
    return reinterpret_cast<Fn>(found->second);
}

std::int16_t LoadedTerminalLibrary::InitEth(EthParams& params) {
    auto fn = Resolve<Iae17InitEthFn>(IAE17_INIT_ETH, 1);
    auto packed = Pack(params);
    const short code = fn(packed.data());
    Unpack(packed, params);
    return code;
}

std::int16_t LoadedTerminalLibrary::InitRS232(ComParams& params) {
    auto fn = Resolve<Iae17InitRS232Fn>(IAE17_INIT_RS232, 1);
    auto packed = Pack(params);
    const short code = fn(packed.data());
    Unpack(packed, params);
    return code;
}

std::int16_t LoadedTerminalLibrary::Call(Function function, POSRequest& request, POSData& data) {
    auto fn = Resolve<Iae17OperationFn>(FunctionName(function), 2);
    auto packedRequest = Pack(request);
    auto packedData = Pack(data);
    const short code = fn(packedRequest.data(), packedData.data());
    Unpack(packedRequest, request);
    Unpack(packedData, data);
    return code;
}

std::int16_t LoadedTerminalLibrary::GetVersion(VersionBuffer& buffer) {
    auto fn = Resolve<Iae17GetVersionFn>(IAE17_GET_VERSION, 1);
    return fn(buffer.data());
}

std::int16_t LoadedTerminalLibrary::Free() {
    auto fn = Resolve<Iae17FreeFn>(IAE17_FREE, 0);
    return fn();
}

}  // namespace varnix::iae17
