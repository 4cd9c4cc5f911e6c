// Arbitrary bytes from the link, as the stand-in library's answer decoder meets them.
#include "fuzz/FuzzHarness.h"
#include "terminal-lib/protocol/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnix;
    const std::string bytes = fuzz::Bytes(data, size);
    proto::Frame frame;
    std::size_t consumed = 0;
    if (proto::DecodeFrame(bytes, frame, consumed) == proto::DecodeStatus::Complete) {
        (void)proto::DecodeAnswer(frame.payload);
    }
    (void)proto::DecodeAnswer(bytes);
    return 0;
}
