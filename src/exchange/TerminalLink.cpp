#include "exchange/TerminalLink.h"

#include "exchange/Context.h"
#include "iae17/ResultCodes.h"

namespace varnix::exchange {

void OpenTerminalLink(Context& context, int connectionType) {
    auto& settings = context.settings;
    if (connectionType == 0) {
        context.console.FillEthParams(settings.EthParams);
        context.library.InitEth(settings.EthParams);
    } else {
        context.console.FillComParams(settings.ComParams);
        context.library.InitRS232(settings.ComParams);
    }
}

void ShowResult(Context& context, int code) {
    context.console.ShowOutcome(code, context.settings.IsEthernet(), context.records.data);
    if (code == iae17::kResultLinkError) {
        context.terminalConnected = false;
        context.service.ShapeDump.fill = forms::kRed;
    }
}

void ShowUnreached(Context& context, const std::string& reason) {
    context.console.ShowUnreached(reason);
}

}  // namespace varnix::exchange
