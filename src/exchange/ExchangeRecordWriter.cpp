#include "exchange/ExchangeRecordWriter.h"

#include <cstdio>

#include "config/Paths.h"
#include "exchange/Context.h"
#include "exchange/ResultFile.h"

namespace varnix::exchange {

void ExchangeRecordWriter::WriteCommunicationResult(const std::string& outFile,
                                                    const std::string& funzione,
                                                    const std::string& executionDescription) {
    // The folder checked is the exchange folder, wherever outFile is.
    const std::string folder =
        config::GetPathFolder(context_.settings.InputFilePath, context_.platform.Style());
    if (!context_.platform.FolderExists(folder)) {
        context_.ports.dialogs.Inform(kExchangeFolderMissing);
        return;
    }
    const forms::ConsoleForm& console = context_.console;
    resultfile::Head head;
    head.command = funzione;
    head.outcome = console.txtEsito.IsEmpty() ? "KO" : console.txtEsito.Text();
    if (!console.txtEsitoTrans.IsEmpty()) {
        head.transaction = console.txtEsitoTrans.Text();
    } else {
        head.transaction = console.txtDescrKO.IsEmpty() ? "00" : "01";
    }
    head.timestamp = CurrDateTime();
    if (!console.txtDescrKO.IsEmpty()) {
        head.description = console.txtDescrKO.Text();
    } else if (console.txtEsito.Text() != "OK") {
        head.description = resultfile::kGenericError;
    }
    head.detail = executionDescription;
    context_.platform.WriteWholeFile(outFile, resultfile::FormatHead(head));
}

void ExchangeRecordWriter::WritePosData(const std::string& outFile) {
    context_.platform.AppendToFile(outFile, resultfile::FormatPosDataBlock(context_.records.data));
}

std::string ExchangeRecordWriter::CurrDateTime() {
    // Two readings, the date first: a stamp taken across midnight pairs the earlier date with the
    // later time, which is what the cash registers' result-file readers have always been given.
    const auto date = context_.ports.clock.Now();
    const auto time = context_.ports.clock.Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d", date.year % 10000,
                  date.month % 100, date.day % 100, time.hour % 100, time.minute % 100,
                  time.second % 100);
    return stamp;
}

}  // namespace varnix::exchange
