#include "simulator/TerminalModel.h"

#include <cstdio>

#include "iae17/Functions.h"
#include "iae17/ResultCodes.h"

namespace varnix::sim {

namespace {

using iae17::Function;

std::string Digits(long long value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", width, value);
    return buffer;
}

std::string Euro(std::int64_t cents) {
    char buffer[48];
    const std::int64_t a = cents < 0 ? -cents : cents;
    std::snprintf(buffer, sizeof buffer, "%sEUR %lld,%02lld", cents < 0 ? "-" : "",
                  static_cast<long long>(a / 100), static_cast<long long>(a % 100));
    return buffer;
}

// A receipt line: exactly 32 characters, so the ticket prints on a narrow roll without line ends.
std::string Row(const std::string& left, const std::string& right = {}) {
    std::string row = left;
    const std::size_t width = 32;
    if (row.size() + right.size() < width) {
        row.append(width - row.size() - right.size(), ' ');
    }
    row += right;
    row.resize(width, ' ');
    return row;
}

iae17::POSRequest RequestOf(const proto::Request& r) {
    iae17::POSRequest request;
    iae17::Unpack(r.request, request);
    return request;
}

iae17::POSData DataOf(const proto::Request& r) {
    iae17::POSData data;
    iae17::Unpack(r.data, data);
    return data;
}

}  // namespace

std::string TrimField(const std::string& field) {
    const auto first = field.find_first_not_of(std::string(" \0", 2));
    if (first == std::string::npos) {
        return {};
    }
    return field.substr(first, field.find_last_not_of(std::string(" \0", 2)) - first + 1);
}

std::int64_t ParseAmount(const std::string& field) {
    const std::string digits = TrimField(field);
    if (digits.empty() || digits.size() > 12) {
        return -1;
    }
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

void TerminalModel::FillCommon(iae17::POSData& data, const Clock& now) const {
    data.TerminalId.Assign(options_.terminalId);
    data.AcquirerId.Assign(options_.acquirerId);
    data.DataTrs.Assign(Digits(now.day, 2) + Digits(now.month, 2) + Digits(now.year, 4));
    data.POSBalance.Assign(std::to_string(balance_));
    data.BankBalance.Assign(std::to_string(balance_));
}

std::string TerminalModel::Ticket(const std::string& operation, std::int64_t amount,
                                  const std::string& stan, bool approved, const Clock& now) const {
    std::string t;
    t += Row("ZANDRIK POS SIMULATOR");
    t += Row("TERMINALE", options_.terminalId);
    t += Row("ACQUIRER", options_.acquirerId);
    t += Row(Digits(now.day, 2) + "/" + Digits(now.month, 2) + "/" + Digits(now.year, 4),
             Digits(now.hour, 2) + ":" + Digits(now.minute, 2) + ":" + Digits(now.second, 2));
    t += Row(operation);
    if (amount >= 0) {
        t += Row("IMPORTO", Euro(amount));
    }
    if (!stan.empty()) {
        t += Row("STAN", stan);
    }
    t += Row(approved ? "TRANSAZIONE ESEGUITA" : "TRANSAZIONE NEGATA");
    return t;
}

Reply TerminalModel::Approve(const proto::Request& request, const std::string& operation,
                             std::int64_t amount, std::int64_t balanceChange, const Clock& now) {
    const std::string stan = Digits(++stan_, 6);
    balance_ += balanceChange;
    iae17::POSData data;
    FillCommon(data, now);
    data.TransactionType.Assign("ICC");
    data.TransactionResult.Assign("00");
    data.CardType.Assign("2");
    data.STAN.Assign(stan);
    data.PAN.Assign("531247******4625");
    data.AuthorizationCode.Assign(Digits((stan_ * 7919LL) % 1000000, 6));
    data.OperationNumber.Assign(Digits(++operationNumber_, 6));
    data.ActionCode.Assign("000");
    data.AmountEcho.Assign(amount >= 0 ? std::to_string(amount) : std::string());
    data.Ticket.Assign(Ticket(operation, amount, stan, true, now));
    (void)request;
    Reply reply;
    reply.outcome = "approved";
    reply.answer.result = iae17::kResultOk;
    reply.answer.data = iae17::Pack(data);
    if (amount >= 0 && balanceChange > 0) {
        transactions_[stan] = {amount, false};
    }
    return reply;
}

Reply TerminalModel::Refuse(const proto::Request& request, const char* reason, const Clock& now) {
    iae17::POSData data;
    FillCommon(data, now);
    data.TransactionResult.Assign("05");
    data.KODescription.Assign(reason);
    data.OperationNumber.Assign(Digits(++operationNumber_, 6));
    data.Ticket.Assign(
        Ticket(reason, ParseAmount(RequestOf(request).Amount.Text()), "", false, now));
    Reply reply;
    reply.outcome = "refused";
    reply.answer.result = iae17::kResultOk;
    reply.answer.data = iae17::Pack(data);
    return reply;
}

Reply TerminalModel::Handle(const proto::Request& request, const Clock& now) {
    const iae17::POSRequest req = RequestOf(request);
    const std::int64_t amount = ParseAmount(req.Amount.Text());
    auto outcome = options_.outcome;
    int code = options_.outcomeCode;
    if (options_.magicAmounts) {
        switch (amount) {
            case kMagicRefused:
                outcome = DefaultOutcome::Refused;
                break;
            case kMagicTimeout:
                outcome = DefaultOutcome::Timeout;
                break;
            case kMagicProtocol:
                outcome = DefaultOutcome::Protocol;
                break;
            case kMagicFunction:
                outcome = DefaultOutcome::Function;
                break;
            case kMagicPassword:
                outcome = DefaultOutcome::Password;
                break;
            case kMagicDrop:
                outcome = DefaultOutcome::Drop;
                break;
            case kMagicUnknownCode:
                outcome = DefaultOutcome::Code;
                code = 7;
                break;
            default:
                break;
        }
    }
    if (options_.refusedFunctions.count(request.function) != 0) {
        outcome = DefaultOutcome::Function;
    }
    return HandleAs(request, now, outcome, code, "TRANSAZIONE RIFIUTATA");
}

Reply TerminalModel::HandleAs(const proto::Request& request, const Clock& now,
                              DefaultOutcome outcome, int code, const std::string& reason) {
    const iae17::POSRequest req = RequestOf(request);
    const std::int64_t amount = ParseAmount(req.Amount.Text());
    Reply special;
    special.answer.data = request.data;  // errors hand the record back untouched
    switch (outcome) {
        case DefaultOutcome::Ok:
            break;
        case DefaultOutcome::Refused:
            return Refuse(request, reason.c_str(), now);
        case DefaultOutcome::Timeout:
            special.delivery = Delivery::Silence;
            special.outcome = "timeout";
            return special;
        case DefaultOutcome::Protocol:
            special.delivery = Delivery::Garbage;
            special.outcome = "protocol";
            return special;
        case DefaultOutcome::Busy:
            special.delivery = Delivery::HangUp;
            special.outcome = "busy";
            return special;
        case DefaultOutcome::Drop:
            special.delivery = Delivery::Drop;
            special.outcome = "drop";
            special.answer.result = iae17::kResultOk;
            return special;
        case DefaultOutcome::Function:
            special.answer.result = iae17::kResultFunctionError;
            special.outcome = "function";
            return special;
        case DefaultOutcome::Password:
            special.answer.result = iae17::kResultPasswordError;
            special.outcome = "password";
            return special;
        case DefaultOutcome::Code:
            special.answer.result = static_cast<std::int16_t>(code);
            special.outcome = "code " + std::to_string(code);
            return special;
    }

    // A number outside the table falls through to the function error at the end.
    const auto function = iae17::FunctionFromWire(request.function);
    switch (function.value_or(Function{})) {
        case Function::Payment:
        case Function::PaymentExt:
            if (amount <= 0) {
                return Refuse(request, "IMPORTO NON VALIDO", now);
            }
            return Approve(request, "PAGAMENTO", amount, amount, now);
        case Function::Refund:
            if (amount <= 0) {
                return Refuse(request, "IMPORTO NON VALIDO", now);
            }
            return Approve(request, "STORNO ACCREDITO", amount, -amount, now);
        case Function::Void: {
            const std::string target = TrimField(DataOf(request).STAN.Text());
            auto found = transactions_.find(target);
            if (target.empty() || found == transactions_.end() || found->second.voided) {
                return Refuse(request, "STAN NON TROVATO", now);
            }
            found->second.voided = true;
            return Approve(request, "ANNULLAMENTO " + target, found->second.amount,
                           -found->second.amount, now);
        }
        case Function::TerminalBalance: {
            Reply reply = Approve(request, "TOTALI TERMINALE", -1, 0, now);
            reply.outcome = "totals";
            return reply;
        }
        case Function::Closure: {
            Reply reply = Approve(request, "CHIUSURA CONTABILE", -1, 0, now);
            balance_ = 0;
            transactions_.clear();
            reply.outcome = "closure";
            return reply;
        }
        case Function::Preauthorization: {
            if (amount <= 0) {
                return Refuse(request, "IMPORTO NON VALIDO", now);
            }
            const std::string preauthCode = "PA" + Digits(++preauthCounter_, 8);
            preauths_[preauthCode] = {amount, true};
            Reply reply = Approve(request, "PREAUTORIZZAZIONE", amount, 0, now);
            iae17::POSData data;
            iae17::Unpack(reply.answer.data, data);
            data.PreauthorizationCode.Assign(preauthCode);
            data.AmountAuth.Assign(std::to_string(amount));
            reply.answer.data = iae17::Pack(data);
            return reply;
        }
        case Function::PreauthorizationInt:
        case Function::PreauthorizationClose: {
            const std::string preauthCode = TrimField(req.PreauthorizationCode.Text());
            auto found = preauths_.find(preauthCode);
            if (found == preauths_.end() || !found->second.open) {
                return Refuse(request, "PREAUT. NON TROVATA", now);
            }
            const bool closing = function == Function::PreauthorizationClose;
            if (!closing) {
                if (amount <= 0) {
                    return Refuse(request, "IMPORTO NON VALIDO", now);
                }
                found->second.amount += amount;
            } else {
                found->second.open = false;
            }
            const std::int64_t charged = closing ? (amount > 0 ? amount : found->second.amount) : 0;
            Reply reply = Approve(request, closing ? "CHIUSURA PREAUT." : "INTEGRATIVA",
                                  closing ? charged : amount, charged, now);
            iae17::POSData data;
            iae17::Unpack(reply.answer.data, data);
            data.PreauthorizationCode.Assign(preauthCode);
            data.AmountAuth.Assign(std::to_string(found->second.amount));
            reply.answer.data = iae17::Pack(data);
            return reply;
        }
        case Function::Status: {
            iae17::POSData data;
            FillCommon(data, now);
            data.TransactionResult.Assign("00");
            Reply reply;
            reply.outcome = "status";
            reply.answer.data = iae17::Pack(data);
            return reply;
        }
        default:
            break;
    }
    special.answer.result = iae17::kResultFunctionError;
    special.outcome = "function";
    return special;
}

}  // namespace varnix::sim
