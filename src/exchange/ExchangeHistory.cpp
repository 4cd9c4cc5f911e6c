#include "exchange/ExchangeHistory.h"

#include <algorithm>
#include <nlohmann/json.hpp>

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
    return value.is_string() ? text::Utf8ToCp1252(value.get<std::string>()) : std::string();
}

}  // namespace

std::string ExchangeHistory::ToJsonLine(const HistoryEntry& entry) {
    json posData = json::object();
    for (const auto& [name, value] : entry.posData) {
        posData[name] = Utf8(value);
    }
    const json line = {
        {"time", Utf8(entry.time)},
        {"duration_ms", entry.durationMs},
        {"mode", entry.mode},
        {"command", Utf8(entry.command)},
        {"file", Utf8(entry.file)},
        {"handler", Utf8(entry.handler)},
        {"outcome", Utf8(entry.outcome)},
        {"transaction", Utf8(entry.transaction)},
        {"description", Utf8(entry.description)},
        {"posdata", posData},
        {"result_file", entry.resultFile.empty() ? json(nullptr) : json(Utf8(entry.resultFile))},
        {"record", Utf8(entry.record)},
    };
    return line.dump();
}

std::optional<HistoryEntry> ExchangeHistory::FromJsonLine(std::string_view line) {
    const json parsed = json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object() || !parsed.contains("command") || !parsed["command"].is_string()) {
        return std::nullopt;
    }
    HistoryEntry entry;
    entry.time = Ansi(parsed.value("time", json()));
    const json duration = parsed.value("duration_ms", json());
    entry.durationMs = duration.is_number_integer() ? duration.get<std::int64_t>() : 0;
    entry.mode = Ansi(parsed.value("mode", json()));
    entry.command = Ansi(parsed["command"]);
    entry.file = Ansi(parsed.value("file", json()));
    entry.handler = Ansi(parsed.value("handler", json()));
    entry.outcome = Ansi(parsed.value("outcome", json()));
    entry.transaction = Ansi(parsed.value("transaction", json()));
    entry.description = Ansi(parsed.value("description", json()));
    if (const auto posData = parsed.find("posdata");
        posData != parsed.end() && posData->is_object()) {
        for (const auto& [name, value] : posData->items()) {
            entry.posData.emplace_back(text::Utf8ToCp1252(name), Ansi(value));
        }
    }
    entry.resultFile = Ansi(parsed.value("result_file", json()));
    entry.record = Ansi(parsed.value("record", json()));
    return entry;
}

bool ExchangeHistory::Append(platform::Platform& platform, const std::string& path,
                             const HistoryEntry& entry) {
    if (const auto stat = platform.StatFile(path); stat && stat->size >= kRotateBytes) {
        platform.RemoveFile(Generation(path, kGenerations));
        for (int n = kGenerations - 1; n >= 0; --n) {
            if (platform.FileExists(Generation(path, n))) {
                platform.RenameFile(Generation(path, n), Generation(path, n + 1));
            }
        }
    }
    return platform.AppendToFile(path, ToJsonLine(entry) + "\n");
}

std::vector<HistoryEntry> ExchangeHistory::ReadNewest(platform::Platform& platform,
                                                      const std::string& path, std::size_t count) {
    std::vector<HistoryEntry> newest;
    for (int n = 0; n <= kGenerations && newest.size() < count; ++n) {
        const auto bytes = platform.ReadWholeFile(Generation(path, n));
        if (!bytes) {
            continue;
        }
        std::vector<HistoryEntry> entries;
        text::ForEachLine(*bytes, [&](std::string_view line) {
            if (auto entry = FromJsonLine(line)) {
                entries.push_back(std::move(*entry));
            }
        });
        for (auto it = entries.rbegin(); it != entries.rend() && newest.size() < count; ++it) {
            newest.push_back(std::move(*it));
        }
    }
    return newest;
}

}  // namespace varnix::exchange
