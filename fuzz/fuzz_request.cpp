// Arbitrary bytes from the link, through the simulator's request decoder and terminal model.
#include "fuzz/FuzzHarness.h"
#include "simulator/TerminalModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnix;
    static sim::TerminalModel model({});
    const std::string bytes = fuzz::Bytes(data, size);
    proto::Frame frame;
    if (const auto request = proto::DecodeRequest(fuzz::Payload(bytes, frame))) {
        (void)model.Handle(*request, sim::Clock{});
    }
    return 0;
}
