// Runs a command file: each line upper-cased, comments and empty lines skipped, one trailing ";"
// dropped, the handler chosen by the keyword at the start of the line. After each line the
// exchange is recorded in the dump file (while the terminal is not known to be connected) and in
// the log (when logging is on). Never raises an error and never waits on a file it cannot open.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Files.h"

namespace varnix::exchange {

struct Context;
class CommandFile;

inline constexpr const char* kCommandFileNotFound = "File comandi non trovato";
// The outcome recorded for a command whose process ended while it ran: the terminal may or may
// not have done it, and it is not sent again.
inline constexpr const char* kInterruptedOutcome = "Esito sconosciuto: esecuzione interrotta";

// What the caller wants to hear of, or decide, as the lines run.
struct LineHooks {
    // Asked before each line; once it answers true no further line starts.
    std::function<bool()> stopBeforeLine;
    // Told the prepared line a keyword is about to take, before its handler runs.
    std::function<void(const std::string&)> beforeCommand;
};

class Dispatcher {
  public:
    explicit Dispatcher(Context& context) : context_(context) {}

    // The text of the last handler that ran ("" when none ran), or kCommandFileNotFound.
    std::string EseguiFileComandi(const std::string& path, bool ecrIdRequired,
                                  const LineHooks& hooks = {});
    // The same for a command file already opened (and identified) by the caller.
    std::string EseguiFileComandi(CommandFile& file, bool ecrIdRequired,
                                  const LineHooks& hooks = {});

    // False when the last EseguiFileComandi found its file but could not read it (or not to its
    // end: the file changed under it).
    bool FileWasRead() const { return fileWasRead_; }

    // The commands an ended process (a crash, a power loss) left running: each is recorded with
    // kInterruptedOutcome in the dump and the log, and its file is deleted unrun. Sending it
    // again could charge twice; the register reads the unknown outcome and decides.
    void RecoverInterrupted();

    // The handler's text for one prepared line (upper case, trailing ";" removed); `matched`
    // tells whether any keyword took it.
    std::string RunLine(const std::string& line, bool& matched);

  private:
    // When a command line started, the file it came from, and the result file as it was then.
    struct LineStart {
        std::int64_t startMs = 0;
        std::string filePath;
        std::optional<platform::FileStat> resultBefore;
    };
    // The dump goes beside `commandPath`. A line a keyword took (`command`) goes into the
    // history too, whatever the switches say; the others (comments aside, they are recorded in
    // the dump and the log) are no exchange to look back on.
    void Record(const std::string& line, const std::string& result, const std::string& commandPath,
                const std::optional<LineStart>& command);

    Context& context_;
    bool fileWasRead_ = true;
};

}  // namespace varnix::exchange
