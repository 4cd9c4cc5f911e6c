#include "exchange/TerminalOperations.h"

#include <functional>

#include "config/FileNames.h"
#include "config/Paths.h"
#include "exchange/Context.h"
#include "exchange/ExchangeRecordWriter.h"
#include "exchange/ResultFile.h"
#include "exchange/TerminalLink.h"
#include "exchange/TestTools.h"
#include "iae17/ResultCodes.h"
#include "platform/RuntimeError.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

namespace {

struct Operation {
    const char* label;  // nullptr: run-time errors go to the caller
    const forms::TextBox* amountBox;
    forms::AmountSource source;
    iae17::Function function;
    bool isVoid;
};

}  // namespace

std::string TerminalOperations::EthernetCheck() {
    const auto& eth = context_.settings.EthParams;
    if (!config::IsValidIP(eth.IPAddress.Text())) {
        return kInvalidIp;
    }
    const double port = text::LeadingNumber(eth.Port.Text());
    if (port == 0 || port > 9999) {
        return kInvalidPort;
    }
    return "";
}

std::string TerminalOperations::CheckConnectionSettings() {
    return context_.settings.IsEthernet() ? EthernetCheck() : std::string();
}

std::string TerminalOperations::ZANDRIK_Status() {
    // No library call and no link: the connection counts as present whenever the settings
    // could reach a terminal.
    try {
        if (context_.settings.IsEthernet()) {
            if (auto message = EthernetCheck(); !message.empty()) {
                return message;
            }
        }
        ShowResult(context_, iae17::kResultOk);
    } catch (const RuntimeError& error) {
        context_.ports.dialogs.Inform(ErrorBoxText("ZANDRIK_Status:", error));
    }
    return "";
}

namespace {

std::string RunTerminalOperation(Context& context, TerminalOperations& checks,
                                 const Operation& op) {
    auto body = [&]() -> std::string {
        if (auto message = checks.CheckConnectionSettings(); !message.empty()) {
            return message;
        }
        if (op.amountBox != nullptr && op.amountBox->IsEmpty()) {
            return kInvalidAmount;
        }
        if (op.isVoid) {
            // The transaction to void travels in the outcome record's STAN.
            context.records.data.STAN.Assign(context.console.txtImporto.Text());
        }
        OpenTerminalLink(context, context.settings.IsEthernet() ? 0 : 1);
        context.console.SetPOSData(context.records.request, op.source);
        const int code =
            context.library.Call(op.function, context.records.request, context.records.data);
        if (code == iae17::kResultOk) {
            ++context.terminalAnswers;
        }
        ShowResult(context, code);
        return "";
    };
    try {
        return body();
    } catch (const RuntimeError& error) {
        // Only the library raises here (not loaded, or lacking the function), always before the
        // terminal heard of the command: it reads as KO, never as the status check's OK.
        ShowUnreached(context, error.Description());
        if (op.label == nullptr) {
            throw;
        }
        context.ports.dialogs.Inform(ErrorBoxText(op.label, error));
        return "";
    }
}

}  // namespace

std::string TerminalOperations::ZANDRIK_EseguiPagamentoEsteso() {
    return RunTerminalOperation(context_, *this,
                                {"ZANDRIK_EseguiPagamentoEsteso:", &context_.console.txtImporto,
                                 forms::AmountSource::Payment, iae17::Function::PaymentExt, false});
}

std::string TerminalOperations::ZANDRIK_Accredito() {
    return RunTerminalOperation(context_, *this,
                                {nullptr, &context_.console.txtImportoAccredito,
                                 forms::AmountSource::Credit, iae17::Function::Refund, false});
}

std::string TerminalOperations::ZANDRIK_Storno() {
    return RunTerminalOperation(context_, *this,
                                {"ZANDRIK_Storno:", &context_.console.txtImporto,
                                 forms::AmountSource::Payment, iae17::Function::Void, true});
}

std::string TerminalOperations::ZANDRIK_Totali() {
    return RunTerminalOperation(context_, *this,
                                {"ZANDRIK_Totali:", nullptr, forms::AmountSource::None,
                                 iae17::Function::TerminalBalance, false});
}

std::string TerminalOperations::ZANDRIK_Chiusura() {
    return RunTerminalOperation(
        context_, *this,
        {"ZANDRIK_Chiusura:", nullptr, forms::AmountSource::None, iae17::Function::Closure, false});
}

void TerminalOperations::WriteSimulatedResult() {
    auto& service = context_.service;
    const auto& request = context_.records.request;
    ExchangeRecordWriter writer(context_);
    const std::string contents =
        resultfile::FormatSimulatedFile(std::string(text::TrimBlanks(request.Amount.Text())),
                                        std::string(text::TrimBlanks(request.PaymentType.Text())),
                                        service.ComboResult.ListIndex() + 1, writer.CurrDateTime(),
                                        context_.console.txtDescrKO.Text());
    // Replaced whole, as every result file: the register reads SROUTF.TXT as soon as it exists.
    if (!context_.platform.ReplaceContents(ResultFilePath(context_), contents, /*synced=*/false)) {
        throw RuntimeError(kErrPathFileAccess, "Errore di accesso al percorso/file");
    }
}

std::string TerminalOperations::ZANDRIK_EseguiPagamento() {
    auto& console = context_.console;
    auto& service = context_.service;
    if (auto message = CheckConnectionSettings(); !message.empty()) {
        return message;
    }
    if (console.txtImporto.IsEmpty()) {
        return kInvalidAmount;
    }
    // From here a failing step is reported and the next one runs: the developer still gets a
    // result file when, say, the wait list holds no number.
    const auto step = [this](const std::function<void()>& action) {
        try {
            action();
        } catch (const RuntimeError& error) {
            context_.ports.dialogs.Inform(ErrorBoxText("ZANDRIK_EseguiPagamento:", error));
        }
    };
    step([&] { console.SetPOSData(context_.records.request, forms::AmountSource::Payment); });
    step([&] { service.txtReadFile.SetText(""); });
    step([&] {
        const auto seconds = text::ParseNumber(service.ComboSecondi.Text());
        if (!seconds) {
            throw RuntimeError(kErrTypeMismatch, "Tipo non corrispondente");
        }
        context_.ports.SleepDelay(static_cast<float>(*seconds * 1000));
    });
    step([&] {
        const auto& request = context_.records.request;
        service.txtAmount.SetText(text::TrimBlanks(request.Amount.Text()));
        service.txtTipo.SetText(text::TrimBlanks(request.PaymentType.Text()));
    });
    step([&] { WriteSimulatedResult(); });
    step([&] {
        service.txtRisultatoFinale.SetText(ResultFilePath(context_));
        TestTools(context_).btnReadFile_Click();
    });
    return "";
}

}  // namespace varnix::exchange
