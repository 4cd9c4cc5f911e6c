// Arbitrary parameter files through the reader.
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnix::fuzz::FileSession f("ParamVnxPos.TXT", data, size);
    f.session.service.FillTestLists();
    f.session.serviceActions.LeggiParametri();
    return 0;
}
