#include "exchange/ResultFile.h"

#include <algorithm>

#include "text/AnsiText.h"

namespace varnix::exchange::resultfile {

namespace {

void Line(std::string& out, std::string_view text) {
    out += text;
    out += text::kCrLf;
}

// Each key carries its own spacing: the first has two blanks before "=", and the sample lines
// without a value end at "=".
constexpr const char* kSampleLines[] = {
    "POSData.TerminalId = 10001761",
    "POSData.AcquirerId = 70000005040#",
    "POSData.TransactionType = ICC",
    "POSData.TransactionResult = 0",
    "POSDATA.KODescription =",
    "POSData.CardType = 2",
    "POSData.STAN = 52",
    "POSDATA.POSBalance =",
    "POSDATA.BankBalance =",
    "POSDATA.PAN = 000531247******4625",
    "POSData.AuthorizationCode = 915735",
    "POSData.OperationNumber = 77",
    "POSDATA.AmountAuth =",
    "POSDATA.PreauthorizationCode =",
    "POSDATA.ActionCode =",
    "POSData.DataTrs = 2741447",
    "POSDATA.AmountEcho =",
    "POSDATA.Ticket =",
};

// A record is one "KEY = value" per line, read by the cash register line by line: a CR or LF
// that a terminal put inside a value would split its line, so it is written as a blank.
void BlankLineBreaks(std::string& out, std::size_t from) {
    for (std::size_t i = from; i < out.size(); ++i) {
        if (out[i] == '\r' || out[i] == '\n') {
            out[i] = ' ';
        }
    }
}

void ValueLine(std::string& out, const char* key, const std::string& value) {
    out += key;
    const std::size_t start = out.size();
    out += value;
    BlankLineBreaks(out, start);
    out += text::kCrLf;
}

}  // namespace

std::string FormatHead(const Head& head) {
    std::string out;
    ValueLine(out, "TIPO_COMANDO  = ", head.command);
    ValueLine(out, "ESITO_COMANDO = ", head.outcome);
    ValueLine(out, "ESITO_TRANSAZ = ", head.transaction);
    ValueLine(out, "DATAORA_TRANS = ", head.timestamp);
    ValueLine(out, "ERROR_DESCRIZ = ", head.description);
    ValueLine(out, "EXERR_DESCRIZ = ", head.detail);
    return out;
}

std::string FormatPosDataBlock(iae17::POSData& data) {
    // Written for every command line and both records (dump and log), so each field goes
    // straight into the one output buffer, NULs left out, and is copied back from there.
    std::string out;
    out.reserve(iae17::POSData::kSize + 1024);
    Line(out, kSeparator);
    iae17::ForEachPosDataField(data, [&](int i, std::span<char> field) {
        out += "POSDATA.";
        out += iae17::kPOSDataFields[static_cast<std::size_t>(i)].name;
        out += " = ";
        const std::size_t start = out.size();
        text::AppendWithout(std::string_view(field.data(), field.size()), '\0', out);
        // Stored back blank-padded: a later ShowResult then shows the blanks.
        const auto cleaned = static_cast<std::ptrdiff_t>(out.size() - start);
        std::copy(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), field.begin());
        std::fill(field.begin() + cleaned, field.end(), ' ');
        BlankLineBreaks(out, start);
        out += text::kCrLf;
    });
    Line(out, kSeparator);
    Line(out, kSeparator);
    return out;
}

std::string SamplePosDataBlock() {
    std::string out;
    Line(out, kSeparator);
    for (const char* line : kSampleLines) {
        Line(out, line);
    }
    Line(out, kSeparator);
    Line(out, kSeparator);
    return out;
}

std::string FormatSimulatedFile(const std::string& amount, const std::string& paymentType,
                                int outcomePosition, const std::string& timestamp,
                                const std::string& koDescription) {
    std::string out;
    Line(out, "TIPO_COMANDO  = TIPO_COMANDO = POS_PAGAME,A" + amount + ",P" + paymentType);
    switch (outcomePosition) {
        case 1:
        case 6:
        case 7:
            Line(out, "ESITO_COMANDO = OK");
            Line(out, "ESITO_TRANSAZ = 00");
            break;
        case 2:
            Line(out, "ESITO_COMANDO = COM ERROR");
            Line(out, "ESITO_TRANSAZ = 01");
            break;
        case 3:
        case 4:
        case 5:
        case 8:
        case 9:
            Line(out, "ESITO_COMANDO = KO");
            Line(out, "ESITO_TRANSAZ = 01");
            break;
        default:
            break;  // no expected result chosen: both lines are left out
    }
    Line(out, "DATAORA_TRANS = " + timestamp);
    Line(out, "ERROR_DESCRIZ = " + koDescription);
    Line(out, "EXERR_DESCRIZ = ");
    out += SamplePosDataBlock();
    return out;
}

std::string FormatManualSampleFile(const std::string& amount, const std::string& type,
                                   const std::string& timestamp) {
    std::string out;
    Line(out, "TIPO_COMANDO  = TIPO_COMANDO = POS_PAGAME,A" + amount + ",P" + type + ";");
    Line(out, "ESITO_COMANDO = OK");
    Line(out, "ESITO_TRANSAZ = 00");
    Line(out, "DATAORA_TRANS = " + timestamp);
    Line(out, "ERROR_DESCRIZ = ");
    Line(out, "EXERR_DESCRIZ = ");
    out += SamplePosDataBlock();
    return out;
}

}  // namespace varnix::exchange::resultfile
