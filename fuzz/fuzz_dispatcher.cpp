// Arbitrary command files through the dispatcher and every handler.
#include "exchange/Dispatcher.h"
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnix::fuzz::FileSession f("SRINPF.TXT", data, size);
    f.session.settings.InputFilePath = "/fuzz/SRINPF.TXT";
    f.session.settings.ConnectionType = size % 2 == 0 ? 0 : 1;
    f.session.settings.EthParams.IPAddress.Assign("127.0.0.1");
    f.session.settings.EthParams.Port.Assign("9100");
    f.session.console.txtTerminale.SetText("1");
    f.session.service.FillTestLists();
    f.session.service.ComboSecondi.SetText("0");  // the simulated wait costs nothing to explore
    // The input's length picks the link type and which of the two records (dump before the
    // terminal is connected, log when enabled) each line writes, so every pairing gets explored.
    f.session.terminalConnected = (size / 2) % 2 == 1;
    f.session.service.chkEnableLog.checked = (size / 4) % 2 == 0;
    f.session.service.txtLogFileName.SetText("/fuzz/LogVnxPos.TXT");
    f.fake.library.code = static_cast<std::int16_t>(size % 7);
    f.fake.library.keepCalls = false;
    varnix::exchange::Dispatcher(f.session).EseguiFileComandi("/fuzz/SRINPF.TXT", size % 3 == 0);
    return 0;
}
