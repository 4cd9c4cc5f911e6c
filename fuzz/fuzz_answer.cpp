// Arbitrary bytes from the link, as the stand-in library's answer decoder meets them.
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnix;
    const std::string bytes = fuzz::Bytes(data, size);
    proto::Frame frame;
    (void)proto::DecodeAnswer(fuzz::Payload(bytes, frame));
    (void)proto::DecodeAnswer(bytes);
    return 0;
}
