// Arbitrary bytes from the link, through the simulator's request decoder and terminal model.
#include "fuzz/FuzzHarness.h"
#include "simulator/TerminalModel.h"
#include "terminal-lib/protocol/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnix;
    static sim::TerminalModel model({});
    const std::string bytes = fuzz::Bytes(data, size);
    proto::Frame frame;
    std::size_t consumed = 0;
    std::string_view payload = bytes;
    if (proto::DecodeFrame(bytes, frame, consumed) == proto::DecodeStatus::Complete) {
        payload = frame.payload;
    }
    if (const auto request = proto::DecodeRequest(payload)) {
        (void)model.Handle(*request, sim::Clock{});
    }
    return 0;
}
