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
// Our own: which command files were run or are running, so that none runs twice. One journal per
// command file, named by a hash of its canonical path, in a machine-wide folder of its own
// (kJournalFolderName in the machine's shared folder, beside the data folder and never inside
// it, so that it never makes a missing data folder appear): a restart with another data folder,
// another user or another configuration on the same command file finds it all the same.
inline constexpr const char* kJournalFilePrefix = "JournalVnxPos-";
inline constexpr const char* kJournalFileSuffix = ".TXT";
inline constexpr const char* kJournalFolderName = "ZANDRIKVarnixPosJournal";
// Our own: every exchange recorded, one JSON line each (rotated into .1, .2, .3).
inline constexpr const char* kHistoryFileName = "HistoryVnxPos.jsonl";

// The log of the last exchange: the data folder followed by the log file's name.
inline std::string LogFilePath(const std::string& dataFolder) {
    return dataFolder + kLogFileName;
}

}  // namespace varnix::config
