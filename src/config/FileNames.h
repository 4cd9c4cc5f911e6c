// The fixed names of the files the system keeps and exchanges.
#pragma once

#include <string>

namespace varnix::config {

inline constexpr const char* kConfigFileName = "ConfigVnxPos.TXT";
inline constexpr const char* kParamFileName = "ParamVnxPos.TXT";
inline constexpr const char* kLogFileName = "LogVnxPos.TXT";
inline constexpr const char* kCommandFileName = "SRINPF.TXT";
inline constexpr const char* kResultFileName = "SROUTF.TXT";
inline constexpr const char* kStatusRequestFileName = "POSDUMPIN.TXT";
inline constexpr const char* kDumpFileName = "POSDUMPOUT.TXT";
// Our own: which command files were run or are running, so that none runs twice.
inline constexpr const char* kJournalFileName = "JournalVnxPos.TXT";
// Our own: every exchange recorded, one JSON line each (rotated into .1, .2, .3).
inline constexpr const char* kHistoryFileName = "HistoryVnxPos.jsonl";

// The log of the last exchange: the data folder followed by the log file's name.
inline std::string LogFilePath(const std::string& dataFolder) {
    return dataFolder + kLogFileName;
}

}  // namespace varnix::config
