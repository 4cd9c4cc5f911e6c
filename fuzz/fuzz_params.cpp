// Arbitrary parameter files through the reader.
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnix;
    fuzz::InMemoryFile files("/fuzz/ParamVnxPos.TXT", fuzz::Bytes(data, size));
    fakes::FakeSession f(files, "/fuzz/");
    f.session.service.FillTestLists();
    f.session.serviceActions.LeggiParametri();
    return 0;
}
