#include "frontends/HistoryLines.h"

#include <cstdio>
#include <cstdlib>

#include "config/DataFolder.h"
#include "config/FileNames.h"
#include "startup/RunMode.h"
#include "text/AnsiText.h"

namespace varnix::frontends {

std::string ExchangeLine(const exchange::HistoryEntry& entry) {
    // The outcome boxes may hold only blanks (a status exchange leaves them so): "-" says so.
    const auto shown = [](const std::string& value) {
        const auto trimmed = text::TrimBlanks(value);
        return trimmed.empty() ? std::string("-") : std::string(trimmed);
    };
    return entry.time + "  " + entry.command + "  " + shown(entry.outcome) + " " +
           shown(entry.transaction) + "  " + std::to_string(entry.durationMs) + " ms";
}

std::optional<std::size_t> AsksForHistory(int argc, const char* const* argv) {
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
    if (argc < 3) {
        return kDefaultHistoryCount;
    }
    char* end = nullptr;
    const unsigned long long count = std::strtoull(argv[2], &end, 10);
    return end != argv[2] && *end == '\0' ? static_cast<std::size_t>(count) : kDefaultHistoryCount;
}

int PrintHistory(platform::Platform& platform, std::size_t count,
                 std::string (*forTerminal)(const std::string&)) {
    const std::string path = config::ResolveDataFolder(platform) + config::kHistoryFileName;
    if (!platform.FileExists(path)) {
        std::fprintf(stderr, "%s\n",
                     forTerminal("Nessuno storico degli scambi in " + path).c_str());
        return 1;
    }
    const auto newest = exchange::ExchangeHistory::ReadNewest(platform, path, count);
    for (auto it = newest.rbegin(); it != newest.rend(); ++it) {
        std::printf("%s\n", forTerminal(ExchangeLine(*it)).c_str());
    }
    return 0;
}

}  // namespace varnix::frontends
