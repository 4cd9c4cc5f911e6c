// The exchange history: every exchange the dispatcher records, one JSON line each, appended to
// HistoryVnxPos.jsonl in the data folder whatever the log and dump switches say. The file rotates
// at kRotateBytes, keeping kGenerations older files (.1 the newest of them). Text is UTF-8 in the
// file and Windows-1252 in memory, as everywhere else in the core. A line that does not parse (a
// power loss tore the last one) is skipped on reading, never fatal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace varnix::exchange {

struct HistoryEntry {
    std::string time;  // local, "2026-12-06 09:41:07"
    std::int64_t durationMs = 0;
    std::string mode;         // "resident", "run-once" or "interactive"
    std::string command;      // the command line as run (upper case, ";" dropped)
    std::string file;         // the command file's name: "SRINPF.TXT", or "POSDUMPIN.TXT" for
                              // the polling cycle's own status requests
    std::string handler;      // what the command's handler answered
    std::string outcome;      // ESITO_COMANDO
    std::string transaction;  // ESITO_TRANSAZ
    std::string description;  // ERROR_DESCRIZ
    std::vector<std::pair<std::string, std::string>> posData;  // field name, trimmed text
    std::string resultFile;  // the result file as this exchange left it; "" when it wrote none
    std::string record;      // the exchange record exactly as the dump shows it

    bool operator==(const HistoryEntry&) const = default;
};

class ExchangeHistory {
  public:
    static constexpr std::uint64_t kRotateBytes = std::uint64_t{10} * 1024 * 1024;
    static constexpr int kGenerations = 3;

    // The entry as one line of JSON, without its line end; and back (nothing if it does not
    // parse as an entry).
    static std::string ToJsonLine(const HistoryEntry& entry);
    static std::optional<HistoryEntry> FromJsonLine(std::string_view line);

    // Appends the entry to the history at `path`, rotating first when the file has reached
    // kRotateBytes. False when it could not be written.
    static bool Append(platform::Platform& platform, const std::string& path,
                       const HistoryEntry& entry);
    // The newest `count` entries, newest first, from the file and as many older generations as
    // it takes.
    static std::vector<HistoryEntry> ReadNewest(platform::Platform& platform,
                                                const std::string& path, std::size_t count);
};

}  // namespace varnix::exchange
