// A terminal library that records what it was sent and answers from a script: a result code and
// the outcome fields to fill. It can also play a library that cannot be loaded, or one that
// lacks a function.
#pragma once

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "iae17/TerminalLibrary.h"
#include "platform/RuntimeError.h"

namespace varnix::fakes {

struct LibraryCall {
    std::string name;  // "IAE17AX_Payment", "IAE17AX_InitEth", ...
    iae17::POSRequest request;
    iae17::POSData data;  // as it was sent
    iae17::EthParams eth;
    iae17::ComParams com;
};

class FakeLibrary : public iae17::TerminalLibrary {
  public:
    std::int16_t InitEth(iae17::EthParams& params) override {
        return Keep({"IAE17AX_InitEth", {}, {}, params, {}});
    }
    std::int16_t InitRS232(iae17::ComParams& params) override {
        return Keep({"IAE17AX_InitRS232", {}, {}, {}, params});
    }
    std::int16_t Call(iae17::Function function, iae17::POSRequest& request,
                      iae17::POSData& data) override {
        Keep({iae17::FunctionName(function), request, data, {}, {}});
        if (onCall) {
            onCall();  // while the terminal "works"
        }
        data = answer.value_or(data);
        return code;
    }
    std::int16_t GetVersion(iae17::VersionBuffer& buffer) override {
        Keep({});
        std::copy(version.begin(), version.end(), buffer.begin());
        return 0;
    }
    std::int16_t Free() override {
        if (failure && lacking.empty()) {
            throw *failure;
        }
        ++frees;
        return 0;
    }

    // The operation calls only, without the Init calls.
    std::vector<LibraryCall> Operations() const {
        std::vector<LibraryCall> ops;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(ops),
                     [](const LibraryCall& c) { return c.name.find("Init") == std::string::npos; });
        return ops;
    }

    std::vector<LibraryCall> calls;
    bool keepCalls = true;  // off where nobody reads them (each keeps two 4 KB records)
    std::int16_t code = 0;
    std::optional<iae17::POSData> answer;
    iae17::VersionBuffer version{'1', '.', '0', '.', '0', ' ', ' ', ' ', ' ', ' '};
    bool missing = false;
    // Raised by every call, as by a library that cannot be loaded; with `lacking` ("IAE17AX_...")
    // the library loads, and only that function's call raises it.
    std::optional<RuntimeError> failure;
    std::string lacking;
    std::function<void()> onCall;
    int frees = 0;

  private:
    // A missing library fails every call before it is made; a call without a name is not kept.
    std::int16_t Keep(LibraryCall call) {
        if (missing) {
            throw RuntimeError(kErrFileNotFound, "Libreria del terminale non trovata: libIae17.so");
        }
        if (failure && (lacking.empty() || lacking == call.name)) {
            throw *failure;
        }
        if (keepCalls && !call.name.empty()) {
            calls.push_back(std::move(call));
        }
        return 0;
    }
};

}  // namespace varnix::fakes
