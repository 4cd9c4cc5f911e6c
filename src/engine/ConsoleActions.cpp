#include "engine/ConsoleActions.h"

#include "exchange/Context.h"
#include "exchange/TerminalLink.h"
#include "platform/RuntimeError.h"

namespace varnix::engine {

namespace {

constexpr const char* kImportoMissing = "Attenzione il campo Importo deve essere compilato";
constexpr const char* kPreAutMissing =
    "Attenzione il campo Importo Preautorizzazione deve essere compilato";
constexpr const char* kCodiceMissing =
    "Attenzione il campo Codice Preautorizzazione deve essere compilato";

}  // namespace

void ConsoleActions::Form_Unload(int exitCode) {
    try {
        context_.library.Free();
    } catch (const RuntimeError&) {
        // A library that never loaded has nothing to release.
    }
    context_.ports.shell.EndProcess(exitCode);
}

void ConsoleActions::RunButton(const ButtonAction& action) {
    auto& console = context_.console;
    console.ClearResult();
    if (!console.CheckConsoleFields(context_.ports.dialogs)) {
        return;
    }
    for (const auto& [box, message] : action.required) {
        if (box->IsEmpty()) {
            context_.ports.dialogs.Warn(message);
            return;
        }
    }
    console.DisableButtons();
    try {
        exchange::OpenTerminalLink(context_, console.cmbConnessione.Text() == "Ethernet" ? 0 : 1);
        if (action.setRequest) {
            console.SetPOSData(context_.records.request, action.source);
        }
        if (action.amountOfOneCent) {
            context_.records.request.Amount.Assign("1");
        }
        const int code =
            context_.library.Call(action.function, context_.records.request, context_.records.data);
        exchange::ShowResult(context_, code);
    } catch (const RuntimeError& error) {
        // A library that cannot be loaded must neither leave the console busy nor go unsaid.
        exchange::ShowUnreached(context_, error.Description());
        console.EnableButtons();
        context_.ports.dialogs.Inform(
            ErrorBoxText(std::string(iae17::FunctionName(action.function)) + ":", error));
        return;
    }
    console.EnableButtons();
}

void ConsoleActions::btnPagamento_Click() {
    RunButton({{{&context_.console.txtImporto, kImportoMissing}},
               true,
               forms::AmountSource::Payment,
               true,
               iae17::Function::Payment});
}

void ConsoleActions::btnAccredito_Click() {
    RunButton({{{&context_.console.txtImportoAccredito,
                 "Attenzione il campo Importo Accredito deve essere compilato"}},
               true,
               forms::AmountSource::Credit,
               true,
               iae17::Function::Refund});
}

void ConsoleActions::btnStorno_Click() {
    // The outcome record goes out as the last operation left it: its STAN names the
    // transaction to void, while the typed value becomes the request's amount.
    RunButton({{{&context_.console.txtImporto, kImportoMissing}},
               true,
               forms::AmountSource::Payment,
               false,
               iae17::Function::Void});
}

void ConsoleActions::btnPreautorizzazione_Click() {
    RunButton({{{&context_.console.txtImportoPreAut, kPreAutMissing}},
               true,
               forms::AmountSource::Preauthorization,
               false,
               iae17::Function::Preauthorization});
}

void ConsoleActions::btnIntegrativa_Click() {
    RunButton({{{&context_.console.txtImportoPreAut, kPreAutMissing},
                {&context_.console.txtCodicePreautorizzazione, kCodiceMissing}},
               true,
               forms::AmountSource::Preauthorization,
               false,
               iae17::Function::PreauthorizationInt});
}

void ConsoleActions::btnPreautChiusura_Click() {
    RunButton({{{&context_.console.txtImportoPreAut, kPreAutMissing},
                {&context_.console.txtCodicePreautorizzazione, kCodiceMissing}},
               true,
               forms::AmountSource::Preauthorization,
               false,
               iae17::Function::PreauthorizationClose});
}

void ConsoleActions::btnTotali_Click() {
    RunButton({{}, true, forms::AmountSource::None, false, iae17::Function::TerminalBalance});
}

void ConsoleActions::btnChiusura_Click() {
    RunButton({{}, true, forms::AmountSource::None, false, iae17::Function::Closure});
}

void ConsoleActions::btnStatus_Click() {
    RunButton({{}, false, forms::AmountSource::None, false, iae17::Function::Status});
}

}  // namespace varnix::engine
