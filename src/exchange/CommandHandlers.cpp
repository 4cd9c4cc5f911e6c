#include "exchange/CommandHandlers.h"

#include <functional>

#include "exchange/Context.h"
#include "exchange/TerminalOperations.h"
#include "platform/RuntimeError.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

std::string CommandHandlers::RunFieldHandler(Kind kind, const std::string& line) {
    auto& request = context_.records.request;
    auto& console = context_.console;
    exchange::TerminalOperations ops(context_);

    const char* const templateText = kind == Kind::Refund ? ",T,E,A"
                                     : kind == Kind::Void ? ",T,E,S"
                                                          : ",T,E,A,P";
    const auto letters = text::Split(templateText, ',');
    const auto fields = text::Split(line, ',');
    const std::size_t n = letters.size() - 1;
    const std::size_t m = fields.size() - 1;

    bool ok = true;
    for (std::size_t i = 1; i <= (m > n ? m : n); ++i) {
        // Only a missing E can refuse a line, and only when the cash-register id is required;
        // any field beyond the template's letters always does.
        const bool beyondTemplate = i > n;
        const bool missingEcrId = !beyondTemplate && letters[i] == "E" && context_.ecrIdRequired &&
                                  line.find("," + letters[i]) == std::string::npos;
        if (beyondTemplate || missingEcrId) {
            ok = false;
        }
        if (!ok || i > m || fields[i].empty()) {
            continue;
        }
        const char letter = fields[i][0];
        const std::string value = fields[i].substr(1);
        if (kind == Kind::Void) {
            if (letter == 'S' || letter == 'A') {
                request.STAN.Assign(value);
            }
        } else if (letter == 'A') {
            request.Amount.Assign(value);
        } else if (letter == 'P' && kind != Kind::Refund) {
            request.PaymentType.Assign(value);
        }
    }
    if (!ok) {
        return kMissingParameters;
    }

    std::string result;
    if (kind == Kind::Void) {
        // The void shows its transaction number before the connection is even checked.
        SkipOnRuntimeError([&] { console.txtImporto.SetText(request.STAN.Text()); });
    }
    std::string status;
    SkipOnRuntimeError([&] { status = ops.ZANDRIK_Status(); });
    if (!status.empty()) {
        return kNoConnection;
    }
    if (kind == Kind::Refund) {
        SkipOnRuntimeError([&] { console.txtImportoAccredito.SetText(request.Amount.Text()); });
    } else if (kind != Kind::Void) {
        SkipOnRuntimeError([&] {
            console.txtImporto.SetText(request.Amount.Text());
            const auto position = text::ParseNumber(request.PaymentType.Text());
            if (position && *position >= 0 && *position <= 3 &&
                *position == static_cast<double>(static_cast<int>(*position))) {
                console.cmbPagamento.SetListIndex(static_cast<int>(*position));
            }
        });
    }
    SkipOnRuntimeError([&] {
        switch (kind) {
            case Kind::Payment:
                result = ops.ZANDRIK_EseguiPagamento();
                break;
            case Kind::ExtendedPayment:
                result = ops.ZANDRIK_EseguiPagamentoEsteso();
                break;
            case Kind::Refund:
                result = ops.ZANDRIK_Accredito();
                break;
            case Kind::Void:
                result = ops.ZANDRIK_Storno();
                break;
        }
    });
    return result;
}

std::string CommandHandlers::RunPlainHandler(bool closure) {
    exchange::TerminalOperations ops(context_);
    std::string status;
    SkipOnRuntimeError([&] { status = ops.ZANDRIK_Status(); });
    if (!status.empty()) {
        return kNoConnection;
    }
    std::string result;
    SkipOnRuntimeError([&] { result = closure ? ops.ZANDRIK_Chiusura() : ops.ZANDRIK_Totali(); });
    return result;
}

std::string CommandHandlers::CmdPagamento(const std::string& line) {
    return RunFieldHandler(Kind::Payment, line);
}
std::string CommandHandlers::CmdPagamentoEsteso(const std::string& line) {
    return RunFieldHandler(Kind::ExtendedPayment, line);
}
std::string CommandHandlers::CmdAccredito(const std::string& line) {
    return RunFieldHandler(Kind::Refund, line);
}
std::string CommandHandlers::CmdStorno(const std::string& line) {
    return RunFieldHandler(Kind::Void, line);
}
std::string CommandHandlers::CmdChiusura(const std::string&) {
    return RunPlainHandler(true);
}
std::string CommandHandlers::CmdTotali(const std::string&) {
    return RunPlainHandler(false);
}
std::string CommandHandlers::CmdPreautorizzazione(const std::string&) {
    return kNotAvailable;
}
std::string CommandHandlers::CmdIntegrativa(const std::string&) {
    return kNotAvailable;
}
std::string CommandHandlers::CmdChiusuraPreaut(const std::string&) {
    return kNotAvailable;
}

std::string CommandHandlers::CmdStato(const std::string&) {
    std::string status;
    SkipOnRuntimeError([&] { status = exchange::TerminalOperations(context_).ZANDRIK_Status(); });
    return status;
}

}  // namespace varnix::exchange
