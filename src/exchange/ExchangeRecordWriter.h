// Records one exchange in a text file: the six head lines from the console's result boxes, then
// the outcome record. Never raises an error to its caller; only a missing exchange folder is
// reported, in a box.
#pragma once

#include <string>

#include "exchange/ExchangeHistory.h"
#include "exchange/ResultFile.h"

namespace varnix::exchange {

struct Context;

inline constexpr const char* kExchangeFolderMissing =
    "Cartella per file di I/O non trovata. Creare cartella 2";

class ExchangeRecordWriter {
  public:
    explicit ExchangeRecordWriter(Context& context) : context_(context) {}

    // Replaces `outFile` whole with this exchange's record. A rule of this system's own: the
    // register reads the dump (and a developer the log) as soon as it exists, so the file never
    // shows only its head, or nothing: it holds the last record or the new one.
    void WriteRecord(const std::string& outFile, const std::string& funzione,
                     const std::string& executionDescription);

    // The exchange as the history keeps it: the head's values and the POSData fields, from which
    // the record rebuilds, stamped now (start, duration, mode, amount, what was inherited and the
    // result file are the caller's to add).
    HistoryEntry HistoryEntryFor(const std::string& funzione,
                                 const std::string& executionDescription);

    // The six head values as the console's result boxes decide them, stamped now.
    resultfile::Head CurrentHead(const std::string& funzione,
                                 const std::string& executionDescription);

    // Local date then local time: "YYYYMMDD_hhmmss".
    std::string CurrDateTime();

  private:
    Context& context_;
};

}  // namespace varnix::exchange
