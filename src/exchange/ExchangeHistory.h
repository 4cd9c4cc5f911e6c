// The exchange history: every exchange the dispatcher records, one JSON line each, appended to
// HistoryVnxPos.jsonl in the data folder whatever the log and dump switches say. Each fact is
// kept once and without its padding: the record the dump shows is rebuilt from the head and the
// POSData fields on reading, so 20,000 exchanges and more fit the disk budget. The file rotates
// before it would pass kRotateBytes, keeping kGenerations older files (.1 the newest of them):
// all of them together never pass kBudgetBytes. Text is UTF-8 in the file and Windows-1252 in
// memory, as everywhere else in the core. A line that does not parse (a power loss tore the last
// one) is skipped on reading, never fatal, and the next append starts on a line of its own.
// Lines of the earlier layout, which carried the record whole, read as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/HistoryWindow.h"
#include "platform/Platform.h"

namespace varnix::exchange {

// The names `HistoryEntry::inherited` holds: values this exchange did not set, which the record
// shows as an earlier exchange (or console operation) left them.
inline constexpr const char* kInheritedAmount = "amount";    // the line carried no A field
inline constexpr const char* kInheritedPosData = "posdata";  // no terminal answer: the POSData
                                                             // fields and the outcome boxes
inline constexpr const char* kInheritedStan = "STAN";  // the terminal answered, the STAN stayed

struct HistoryEntry {
    std::string start;  // local, when the exchange began: "2026-12-06 09:41:06"
    std::string time;   // local, when it was recorded (its end, and the record's stamp)
    std::int64_t durationMs = 0;
    std::string mode;         // "resident", "run-once" or "interactive"
    std::string command;      // the command line as run (upper case, ";" dropped)
    std::string file;         // the command file's name: "SRINPF.TXT", or "POSDUMPIN.TXT" for
                              // the polling cycle's own status requests
    std::string handler;      // what the command's handler answered
    std::string outcome;      // ESITO_COMANDO
    std::string transaction;  // ESITO_TRANSAZ
    std::string description;  // ERROR_DESCRIZ
    std::string amount;       // the amount sent (cents), for the commands that send one
    std::vector<std::string> inherited;  // kInherited… names
    // Field name and text as the record shows it (NULs left out, line breaks kept); the padding
    // is dropped in the file and put back on reading.
    std::vector<std::pair<std::string, std::string>> posData;
    std::string resultFile;  // the result file as this exchange left it; "" when it wrote none
    std::string record;      // only from a line of the earlier layout: its record as written

    bool operator==(const HistoryEntry&) const = default;
    bool Inherited(std::string_view name) const;
    // The text of a POSData field without its padding; "" when the entry has none.
    std::string PosDataText(std::string_view name) const;
    // The polling cycle's own status request, not the register's.
    bool IsOwnPoll() const;
};

class ExchangeHistory {
  public:
    static constexpr std::uint64_t kBudgetBytes = 40'000'000;
    static constexpr int kGenerations = 7;
    static constexpr std::uint64_t kRotateBytes = kBudgetBytes / (kGenerations + 1);

    // The entry as one line of JSON, without its line end; and back (nothing if it does not
    // parse as an entry).
    static std::string ToJsonLine(const HistoryEntry& entry);
    static std::optional<HistoryEntry> FromJsonLine(std::string_view line);

    // The exchange record exactly as the dump showed it.
    static std::string RecordOf(const HistoryEntry& entry);

    // Appends the entry to the history at `path`, rotating first when it would not fit the
    // file's share of the budget. False when it could not be written.
    static bool Append(platform::Platform& platform, const std::string& path,
                       const HistoryEntry& entry);
    // The newest `count` entries, newest first, from the file and as many older generations as
    // it takes; without `ownPolls`, the polling cycle's status requests are left out (and not
    // counted).
    static std::vector<HistoryEntry> ReadNewest(platform::Platform& platform,
                                                const std::string& path, std::size_t count,
                                                bool ownPolls = true);
};

// The exchange as one row of the "Storico" table (kColumns order), which is also the line
// `--history` prints. A value an earlier exchange left is marked with kInheritedMark.
inline constexpr const char* kInheritedMark = "*";
inline constexpr const char* kOwnPollMark = " (VarnixPos)";
forms::HistoryRow HistoryRowOf(const HistoryEntry& entry);
// An amount in cents as the table shows it ("1250" is "12,50"); anything else as it is.
std::string AmountText(const std::string& cents);

}  // namespace varnix::exchange
