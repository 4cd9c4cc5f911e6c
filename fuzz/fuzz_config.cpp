// Arbitrary configuration files through the reader.
#include "config/ConfigFile.h"
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnix::fuzz::FileSession f("ConfigVnxPos.TXT", data, size);
    f.session.service.CaricaValoriDefault("/fuzz/SRINPF.TXT", "/fuzz/SROUTF.TXT");
    f.session.ConfigFile().LeggiDatiConfigurazione("/fuzz/ConfigVnxPos.TXT");
    f.session.console.FollowConfiguration(f.session.settings.ComParams,
                                          f.session.settings.IsEthernet());
    return 0;
}
