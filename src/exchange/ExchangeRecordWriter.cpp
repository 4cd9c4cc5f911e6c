#include "exchange/ExchangeRecordWriter.h"

#include <cstdio>

#include "config/Paths.h"
#include "exchange/Context.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

void ExchangeRecordWriter::WriteRecord(const std::string& outFile, const std::string& funzione,
                                       const std::string& executionDescription) {
    // The folder checked is the exchange folder, wherever outFile is.
    const std::string folder =
        config::GetPathFolder(context_.settings.InputFilePath, context_.platform.Style());
    if (!context_.platform.FolderExists(folder)) {
        context_.ports.dialogs.Inform(kExchangeFolderMissing);
        // The record still loses its NULs, as the console shows it afterwards; the file keeps
        // its last whole record.
        resultfile::FormatPosDataBlock(context_.records.data);
        return;
    }
    std::string record = resultfile::FormatHead(CurrentHead(funzione, executionDescription));
    record += resultfile::FormatPosDataBlock(context_.records.data);
    // Not synced: the rule is about what a reader sees meanwhile, and two disk flushes per record
    // would slow every exchange (the journal is the file that must outlive a power cut).
    context_.platform.ReplaceContents(outFile, record, /*synced=*/false);
}

resultfile::Head ExchangeRecordWriter::CurrentHead(const std::string& funzione,
                                                   const std::string& executionDescription) {
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
    return head;
}

HistoryEntry ExchangeRecordWriter::HistoryEntryFor(const std::string& funzione,
                                                   const std::string& executionDescription) {
    const resultfile::Head head = CurrentHead(funzione, executionDescription);
    const iae17::POSData& data = context_.records.data;
    HistoryEntry entry;
    // The record's own stamp, so the record rebuilt from the history carries it exactly.
    const std::string& stamp = head.timestamp;
    entry.time = stamp.size() == 15 ? stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" +
                                          stamp.substr(6, 2) + " " + stamp.substr(9, 2) + ":" +
                                          stamp.substr(11, 2) + ":" + stamp.substr(13, 2)
                                    : ports::DateTimeText(context_.ports.clock.Now());
    entry.command = funzione;
    entry.handler = executionDescription;
    entry.outcome = head.outcome;
    entry.transaction = head.transaction;
    entry.description = head.description;
    for (std::size_t i = 0; i < iae17::kPOSDataFields.size(); ++i) {
        entry.posData.emplace_back(
            iae17::kPOSDataFields[i].name,
            text::RemoveAll(iae17::FieldText(data, static_cast<int>(i)), '\0'));
    }
    return entry;
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
