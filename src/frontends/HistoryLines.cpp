#include "frontends/HistoryLines.h"

#include <charconv>
#include <cstdio>

#include "config/DataFolder.h"
#include "config/FileNames.h"
#include "startup/RunMode.h"

namespace varnix::frontends {

std::string ExchangeLine(const exchange::HistoryEntry& entry) {
    const auto cells = exchange::HistoryRowOf(entry).cells;
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const bool last = i + 1 == cells.size();
        if (last && cells[i].empty()) {
            break;  // no reason: the exchange went well
        }
        // An empty cell says so with "-", so the columns can still be counted.
        line += (i == 0 ? "" : "  ") + (cells[i].empty() ? std::string("-") : cells[i]);
    }
    return line;
}

std::optional<HistoryRequest> AsksForHistory(int argc, const char* const* argv) {
    if (argc < 2 || std::string(argv[1]) != "--history") {
        return std::nullopt;
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += std::string(argv[i]) + " ";
    }
    if (startup::ChooseRunMode(commandLine).mode != startup::RunMode::Resident) {
        return std::nullopt;
    }
    HistoryRequest request;
    bool counted = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--all" && !request.all) {
            request.all = true;
            continue;
        }
        if (counted) {
            request.error = "argomento non previsto: \"" + arg + "\" (uso: --history [N] [--all])";
            break;
        }
        unsigned long long count = 0;
        const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), count);
        // Digits only: from_chars would take a sign, and "-3" or "abc" must not print anything.
        if (arg.empty() || arg[0] < '0' || arg[0] > '9' || error != std::errc() ||
            end != arg.data() + arg.size() || count == 0) {
            request.error =
                "--history vuole un numero intero positivo di scambi, non \"" + arg + "\"";
            break;
        }
        request.count = static_cast<std::size_t>(count);
        counted = true;
    }
    return request;
}

HistoryText ReadHistoryText(platform::Platform& platform, const std::string& program,
                            const HistoryRequest& request,
                            std::string (*forTerminal)(const std::string&)) {
    HistoryText text;
    if (!request.error.empty()) {
        text.err = forTerminal(program + ": " + request.error) + "\n";
        text.exitCode = 2;
        return text;
    }
    const std::string path = config::ResolveDataFolder(platform) + config::kHistoryFileName;
    if (!platform.FileExists(path)) {
        text.err = forTerminal("Nessuno storico degli scambi in " + path) + "\n";
        text.exitCode = 1;
        return text;
    }
    const auto newest =
        exchange::ExchangeHistory::ReadNewest(platform, path, request.count, request.all);
    std::string lines;
    for (auto it = newest.rbegin(); it != newest.rend(); ++it) {
        lines += ExchangeLine(*it) + "\n";
    }
    text.out = forTerminal(lines);
    return text;
}

int PrintHistory(platform::Platform& platform, const std::string& program,
                 const HistoryRequest& request, std::string (*forTerminal)(const std::string&)) {
    const HistoryText text = ReadHistoryText(platform, program, request, forTerminal);
    std::fwrite(text.out.data(), 1, text.out.size(), stdout);
    std::fwrite(text.err.data(), 1, text.err.size(), stderr);
    return text.exitCode;
}

}  // namespace varnix::frontends
