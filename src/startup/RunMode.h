// Chooses the run mode from the command-line text: "-E", "-V" and "-I" are looked for anywhere in
// the text, case ignored, in that order; the first found decides. The run-once mode's
// configuration path is everything after "-E" with the double quotes removed, nothing trimmed.
#pragma once

#include <string>
#include <string_view>

namespace varnix::startup {

enum class RunMode { RunOnce, Version, Interactive, Resident };

struct RunModeChoice {
    RunMode mode = RunMode::Resident;
    std::string configPath;  // run-once only
    bool operator==(const RunModeChoice&) const = default;
};

RunModeChoice ChooseRunMode(std::string_view commandLine);

// The run-once mode's exit codes, for the cash register that started it: 0 when the command file
// ran; otherwise the first problem met. An addition of ours (the process used to end with 0
// whatever happened), so that a register can tell a command that ran from one that did not.
// 1 is the start-up's own: the data folder's configuration could not be read.
inline constexpr int kExitRan = 0;
inline constexpr int kExitStartupFailed = 1;
inline constexpr int kExitConfigNotFound = 2;
inline constexpr int kExitConfigNotReadable = 3;
inline constexpr int kExitCommandFileMissing = 4;
inline constexpr int kExitCommandFileNotReadable = 5;
// 6: another VarnixPos holds the command file (a resident polling it, or a run-once) and did
// not let go within kRunOnceLockWaitMs; the command file was not touched. A second resident on
// the same command file ends with it at once, before it shows any window.
inline constexpr int kExitLockBusy = 6;
inline constexpr int kExitLibraryMissing = 7;
// 8: the command file already ran (it could not be deleted afterwards), or its run was cut short
// by a crash (recorded as "Esito sconosciuto", its file deleted unsent); it is not sent again.
inline constexpr int kExitAlreadyRun = 8;
// 9: a command that would reach the terminal was not sent, because the journal could not record
// it on the disk (disk full, folder not writable); its outcome is KO with the reason.
inline constexpr int kExitIntentNotRecorded = 9;
// 10: the system would not say whether another VarnixPos polls the command file, so nothing was
// run (kRunOnceLockWaitMs of trying); the command file was not touched.
inline constexpr int kExitClaimUnavailable = 10;

inline constexpr long long kRunOnceLockWaitMs = 30000;

}  // namespace varnix::startup
