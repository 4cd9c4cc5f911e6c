// Arbitrary registry export files through the reader.
#include "fuzz/FuzzHarness.h"
#include "platform/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = varnix::platform::RegFile::Parse(varnix::fuzz::Bytes(data, size));
    (void)file.Find("HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX",
                    "CustomPathDataDir");
    return 0;
}
