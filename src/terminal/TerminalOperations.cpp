#include "terminal/TerminalOperations.h"

#include <functional>

#include "config/FileNames.h"
#include "config/Paths.h"
#include "core/RuntimeError.h"
#include "core/Session.h"
#include "terminal/ResultCodes.h"
#include "terminal/ResultFile.h"
#include "text/AnsiText.h"
#include "ui/console/ExchangeRecordWriter.h"

namespace varnix::terminal {

namespace {

struct Operation {
    const char* label;  // nullptr: run-time errors go to the caller
    const ui::TextBox* amountBox;
    ui::AmountSource source;
    Function function;
    bool isVoid;
};

}  // namespace

std::string TerminalOperations::EthernetCheck() {
    const auto& eth = session_.settings.EthParams;
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
    return session_.settings.IsEthernet() ? EthernetCheck() : std::string();
}

std::string TerminalOperations::ZANDRIK_Status() {
    // No library call and no link: the connection counts as present whenever the settings
    // could reach a terminal.
    try {
        if (session_.settings.IsEthernet()) {
            if (auto message = EthernetCheck(); !message.empty()) {
                return message;
            }
        }
        session_.console.ShowResult(kResultOk);
    } catch (const RuntimeError& error) {
        session_.ports.dialogs.Inform(ErrorBoxText("ZANDRIK_Status:", error));
    }
    return "";
}

namespace {

std::string RunTerminalOperation(Session& session, TerminalOperations& checks,
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
            session.records.data.STAN.Assign(session.console.txtImporto.Text());
        }
        session.console.OpenTerminalLink(session.settings.IsEthernet() ? 0 : 1);
        session.console.SetPOSData(op.source);
        const int code =
            session.library.Call(op.function, session.records.request, session.records.data);
        session.console.ShowResult(code);
        return "";
    };
    if (op.label == nullptr) {
        return body();
    }
    try {
        return body();
    } catch (const RuntimeError& error) {
        session.ports.dialogs.Inform(ErrorBoxText(op.label, error));
        return "";
    }
}

}  // namespace

std::string TerminalOperations::ZANDRIK_EseguiPagamentoEsteso() {
    return RunTerminalOperation(session_, *this,
                                {"ZANDRIK_EseguiPagamentoEsteso:", &session_.console.txtImporto,
                                 ui::AmountSource::Payment, Function::PaymentExt, false});
}

std::string TerminalOperations::ZANDRIK_Accredito() {
    return RunTerminalOperation(session_, *this,
                                {nullptr, &session_.console.txtImportoAccredito,
                                 ui::AmountSource::Credit, Function::Refund, false});
}

std::string TerminalOperations::ZANDRIK_Storno() {
    return RunTerminalOperation(session_, *this,
                                {"ZANDRIK_Storno:", &session_.console.txtImporto,
                                 ui::AmountSource::Payment, Function::Void, true});
}

std::string TerminalOperations::ZANDRIK_Totali() {
    return RunTerminalOperation(
        session_, *this,
        {"ZANDRIK_Totali:", nullptr, ui::AmountSource::None, Function::TerminalBalance, false});
}

std::string TerminalOperations::ZANDRIK_Chiusura() {
    return RunTerminalOperation(
        session_, *this,
        {"ZANDRIK_Chiusura:", nullptr, ui::AmountSource::None, Function::Closure, false});
}

void TerminalOperations::WriteSimulatedResult() {
    auto& service = session_.service;
    const auto& request = session_.records.request;
    ui::ExchangeRecordWriter writer(session_);
    const std::string contents =
        resultfile::FormatSimulatedFile(std::string(text::TrimBlanks(request.Amount.Text())),
                                        std::string(text::TrimBlanks(request.PaymentType.Text())),
                                        service.ComboResult.ListIndex() + 1, writer.CurrDateTime(),
                                        session_.console.txtDescrKO.Text());
    if (!session_.platform.WriteWholeFile(service.ResultFilePath(), contents)) {
        throw RuntimeError(kErrPathFileAccess, "Errore di accesso al percorso/file");
    }
}

std::string TerminalOperations::ZANDRIK_EseguiPagamento() {
    auto& console = session_.console;
    auto& service = session_.service;
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
            session_.ports.dialogs.Inform(ErrorBoxText("ZANDRIK_EseguiPagamento:", error));
        }
    };
    step([&] { console.SetPOSData(ui::AmountSource::Payment); });
    step([&] { service.txtReadFile.SetText(""); });
    step([&] {
        const auto seconds = text::ParseNumber(service.ComboSecondi.Text());
        if (!seconds) {
            throw RuntimeError(kErrTypeMismatch, "Tipo non corrispondente");
        }
        service.SleepDelay(static_cast<float>(*seconds * 1000));
    });
    step([&] {
        const auto& request = session_.records.request;
        service.txtAmount.SetText(text::TrimBlanks(request.Amount.Text()));
        service.txtTipo.SetText(text::TrimBlanks(request.PaymentType.Text()));
    });
    step([&] { WriteSimulatedResult(); });
    step([&] {
        service.txtRisultatoFinale.SetText(service.ResultFilePath());
        service.btnReadFile_Click();
    });
    return "";
}

}  // namespace varnix::terminal
