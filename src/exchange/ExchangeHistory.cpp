#include "exchange/ExchangeHistory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "config/FileNames.h"
#include "exchange/ResultFile.h"
#include "iae17/Records.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

namespace {

// In the order written: a reader of the file sees the fields as the record has them.
using json = nlohmann::ordered_json;

std::string Generation(const std::string& path, int n) {
    return n == 0 ? path : path + "." + std::to_string(n);
}

std::string Utf8(std::string_view ansi) {
    return text::Cp1252ToUtf8(ansi);
}
std::string Ansi(const json& value) {
    return value.is_string() ? text::Utf8ToCp1252(value.get_ref<const std::string&>())
                             : std::string();
}
std::string Ansi(const json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() ? Ansi(*it) : std::string();
}

std::string_view TrimRightBlanks(std::string_view s) {
    const auto end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

// "YYYY-MM-DD hh:mm:ss" moved by `seconds`; the text unchanged when it is no such time.
std::string ShiftedTime(const std::string& time, std::int64_t seconds) {
    int y = 0;
    unsigned mo = 0;
    unsigned d = 0;
    int h = 0;
    int mi = 0;
    int s = 0;
    if (std::sscanf(time.c_str(), "%d-%u-%u %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) {
        return time;
    }
    using namespace std::chrono;
    const year_month_day date{year{y}, month{mo}, day{d}};
    if (!date.ok()) {
        return time;
    }
    const auto at = sys_days{date} + hours{h} + minutes{mi} + std::chrono::seconds{s} +
                    std::chrono::seconds{seconds};
    const year_month_day shiftedDate{floor<days>(at)};
    const hh_mm_ss clock{at - floor<days>(at)};
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02u-%02u %02d:%02d:%02d", int(shiftedDate.year()),
                  unsigned(shiftedDate.month()), unsigned(shiftedDate.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return out;
}

// "2026-12-06 09:41:07" as the record stamps it: "20261206_094107".
std::string RecordStamp(const std::string& time) {
    std::string stamp;
    for (const char c : time) {
        if (c >= '0' && c <= '9') {
            stamp += c;
        } else if (c == ' ') {
            stamp += '_';
        }
    }
    return stamp;
}

// Cents as a register shows them, "1250" -> "12,50"; anything else as it is.

const iae17::FieldRef* FieldNamed(std::string_view name) {
    for (const auto& field : iae17::kPOSDataFields) {
        if (name == field.name) {
            return &field;
        }
    }
    return nullptr;
}

// The last byte of the file, if it has one.
std::optional<char> LastByte(platform::Platform& platform, const std::string& path,
                             std::uint64_t size) {
    if (size == 0) {
        return std::nullopt;
    }
    const auto file = platform.OpenForReading(path);
    char last = '\n';
    if (file == nullptr || !file->Seek(size - 1) || file->Read(&last, 1).value_or(0) != 1) {
        return std::nullopt;
    }
    return last;
}

}  // namespace

std::string AmountText(const std::string& cents) {
    if (cents.empty() || !std::ranges::all_of(cents, [](char c) { return c >= '0' && c <= '9'; })) {
        return cents;
    }
    std::string padded = std::string(cents.size() < 3 ? 3 - cents.size() : 0, '0') + cents;
    const auto firstDigit = padded.find_first_not_of('0');
    padded.erase(0, std::min(firstDigit, padded.size() - 3));
    return padded.substr(0, padded.size() - 2) + "," + padded.substr(padded.size() - 2);
}

bool HistoryEntry::Inherited(std::string_view name) const {
    return std::ranges::find(inherited, name) != inherited.end();
}

std::string HistoryEntry::PosDataText(std::string_view name) const {
    for (const auto& [field, value] : posData) {
        if (field == name) {
            return std::string(text::TrimBlanks(value));
        }
    }
    return {};
}

bool HistoryEntry::IsOwnPoll() const {
    return text::EqualsNoCase(file, config::kStatusRequestFileName);
}

std::string ExchangeHistory::ToJsonLine(const HistoryEntry& entry) {
    json line = {
        {"start", Utf8(entry.start)},      {"time", Utf8(entry.time)},
        {"duration_ms", entry.durationMs}, {"mode", entry.mode},
        {"command", Utf8(entry.command)},  {"file", Utf8(entry.file)},
        {"outcome", Utf8(entry.outcome)},  {"transaction", Utf8(entry.transaction)},
    };
    // What is empty is left out; the reader takes a missing value as empty.
    const auto optional = [&line](const char* key, const std::string& value) {
        if (!value.empty()) {
            line[key] = Utf8(value);
        }
    };
    optional("handler", entry.handler);
    optional("description", entry.description);
    optional("amount", entry.amount);
    if (!entry.inherited.empty()) {
        line["inherited"] = entry.inherited;
    }
    // Each field without its trailing blanks, and none for a field that holds nothing at all
    // (never assigned: NULs only); a field the record showed shorter than its width (the
    // terminal left NULs in it) keeps that length beside it, so the record comes back exactly.
    json posData = json::object();
    json lengths = json::object();
    for (const auto& [name, value] : entry.posData) {
        if (value.empty()) {
            continue;
        }
        posData[name] = Utf8(TrimRightBlanks(value));
        if (const auto* field = FieldNamed(name);
            field != nullptr && value.size() != field->width) {
            lengths[name] = value.size();
        }
    }
    line["posdata"] = std::move(posData);
    if (!lengths.empty()) {
        line["posdata_length"] = std::move(lengths);
    }
    optional("result_file", entry.resultFile);
    return line.dump();
}

std::optional<HistoryEntry> ExchangeHistory::FromJsonLine(std::string_view line) {
    const json parsed = json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object() || !parsed.contains("command") || !parsed["command"].is_string()) {
        return std::nullopt;
    }
    HistoryEntry entry;
    entry.time = Ansi(parsed, "time");
    const json duration = parsed.value("duration_ms", json());
    entry.durationMs = duration.is_number_integer() ? duration.get<std::int64_t>() : 0;
    entry.start = Ansi(parsed, "start");
    if (entry.start.empty()) {
        // The earlier layout kept the end only: the start is that less the duration, to the
        // second.
        entry.start = ShiftedTime(entry.time, -((entry.durationMs + 500) / 1000));
    }
    entry.mode = Ansi(parsed, "mode");
    entry.command = Ansi(parsed["command"]);
    entry.file = Ansi(parsed, "file");
    entry.handler = Ansi(parsed, "handler");
    entry.outcome = Ansi(parsed, "outcome");
    entry.transaction = Ansi(parsed, "transaction");
    entry.description = Ansi(parsed, "description");
    entry.amount = Ansi(parsed, "amount");
    if (const auto inherited = parsed.find("inherited");
        inherited != parsed.end() && inherited->is_array()) {
        for (const auto& name : *inherited) {
            entry.inherited.push_back(Ansi(name));
        }
    }
    entry.resultFile = Ansi(parsed, "result_file");
    const auto posData = parsed.find("posdata");
    if (const auto record = parsed.find("record"); record != parsed.end()) {
        // The earlier layout: the record whole, the fields trimmed.
        entry.record = Ansi(*record);
        if (posData != parsed.end() && posData->is_object()) {
            for (const auto& [name, value] : posData->items()) {
                entry.posData.emplace_back(text::Utf8ToCp1252(name), Ansi(value));
            }
        }
        return entry;
    }
    static const json kNone = json::object();
    const json& fields = posData != parsed.end() && posData->is_object() ? *posData : kNone;
    const auto lengthsAt = parsed.find("posdata_length");
    const json& lengths = lengthsAt != parsed.end() && lengthsAt->is_object() ? *lengthsAt : kNone;
    for (const auto& field : iae17::kPOSDataFields) {
        const auto text = fields.find(field.name);
        std::string value = text != fields.end() ? Ansi(*text) : std::string();
        const auto length = lengths.find(field.name);
        const std::size_t width = length != lengths.end() && length->is_number_unsigned()
                                      ? std::min(length->get<std::size_t>(), field.width)
                                  : text != fields.end() ? field.width
                                                         : 0;
        value.resize(std::max(width, value.size()), ' ');
        entry.posData.emplace_back(field.name, std::move(value));
    }
    return entry;
}

std::string ExchangeHistory::RecordOf(const HistoryEntry& entry) {
    if (!entry.record.empty()) {
        return entry.record;
    }
    resultfile::Head head;
    head.command = entry.command;
    head.outcome = entry.outcome;
    head.transaction = entry.transaction;
    head.timestamp = RecordStamp(entry.time);
    head.description = entry.description;
    head.detail = entry.handler;
    iae17::POSData data{};
    for (const auto& [name, value] : entry.posData) {
        if (const auto* field = FieldNamed(name); field != nullptr) {
            iae17::SetFieldBytes(data, static_cast<int>(field - iae17::kPOSDataFields.data()),
                                 value);
        }
    }
    return resultfile::FormatHead(head) + resultfile::FormatPosDataBlock(data);
}

bool ExchangeHistory::Append(platform::Platform& platform, const std::string& path,
                             const HistoryEntry& entry) {
    std::string line = ToJsonLine(entry) + "\n";
    const auto stat = platform.StatFile(path);
    const std::uint64_t size = stat ? stat->size : 0;
    if (size > 0 && size + line.size() > kRotateBytes) {
        platform.RemoveFile(Generation(path, kGenerations));
        for (int n = kGenerations - 1; n >= 0; --n) {
            if (platform.FileExists(Generation(path, n))) {
                platform.RenameFile(Generation(path, n), Generation(path, n + 1));
            }
        }
    } else if (const auto last = LastByte(platform, path, size); last && *last != '\n') {
        // A power loss tore the last line: this one starts on a line of its own, and the torn
        // one stays a line no reader takes.
        line.insert(line.begin(), '\n');
    }
    return platform.AppendToFile(path, line);
}

std::vector<HistoryEntry> ExchangeHistory::ReadNewest(platform::Platform& platform,
                                                      const std::string& path, std::size_t count,
                                                      bool ownPolls) {
    std::vector<HistoryEntry> newest;
    for (int n = 0; n <= kGenerations && newest.size() < count; ++n) {
        const auto bytes = platform.ReadWholeFile(Generation(path, n));
        if (!bytes) {
            continue;
        }
        std::vector<HistoryEntry> entries;
        text::ForEachLine(*bytes, [&](std::string_view line) {
            if (auto entry = FromJsonLine(line); entry && (ownPolls || !entry->IsOwnPoll())) {
                entries.push_back(std::move(*entry));
            }
        });
        for (auto it = entries.rbegin(); it != entries.rend() && newest.size() < count; ++it) {
            newest.push_back(std::move(*it));
        }
    }
    return newest;
}

forms::HistoryRow HistoryRowOf(const HistoryEntry& entry) {
    const auto marked = [](const std::string& value, bool inherited) {
        return value.empty() || !inherited ? value : value + kInheritedMark;
    };
    const bool stale = entry.Inherited(kInheritedPosData);
    const std::string outcome(text::TrimBlanks(entry.outcome));
    const std::string transaction(text::TrimBlanks(entry.transaction));
    std::string shownOutcome = "KO";
    std::string reason;
    if (!entry.handler.empty()) {
        // The command did not run as asked (refused, no connection, an operation's own message),
        // whatever the outcome boxes still hold.
        reason = entry.handler;
    } else if (outcome != "OK") {
        // A result code's text ("TIMEOUT ERROR"), or KO with the reason beside it.
        reason = outcome == "KO" ? std::string(text::TrimBlanks(entry.description)) : outcome;
    } else {
        shownOutcome = transaction.empty() ? outcome : outcome + " " + marked(transaction, stale);
        if (!stale && !transaction.empty() && transaction != "00") {
            reason = text::TrimBlanks(entry.description);  // declined: the terminal's reason
        }
    }
    forms::HistoryRow row;
    row.cells = {
        entry.start,
        entry.command + (entry.IsOwnPoll() ? kOwnPollMark : ""),
        shownOutcome,
        marked(AmountText(entry.amount), entry.Inherited(kInheritedAmount)),
        marked(entry.PosDataText("STAN"), stale || entry.Inherited(kInheritedStan)),
        forms::HistoryWindow::WithUnit(forms::HistoryWindow::kDurationColumn,
                                       std::to_string(entry.durationMs)),
        reason,
    };
    return row;
}

}  // namespace varnix::exchange
