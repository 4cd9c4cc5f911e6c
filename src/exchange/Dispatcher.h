// Runs a command file: each line upper-cased, comments and empty lines skipped, one trailing ";"
// dropped, the handler chosen by the keyword at the start of the line. After each line the
// exchange is recorded in the dump file (while the terminal is not known to be connected) and in
// the log (when logging is on). Never raises an error and never waits on a file it cannot open.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace varnix::exchange {

struct Context;
class CommandFile;

inline constexpr const char* kCommandFileNotFound = "File comandi non trovato";
// The outcome recorded for a command whose process ended while it ran: the terminal may or may
// not have done it, and it is not sent again.
inline constexpr const char* kInterruptedOutcome = "Esito sconosciuto: esecuzione interrotta";
// The outcome recorded for each command after it in the same file: never sent; the register
// decides whether to send it again.
inline constexpr const char* kNotRunOutcome = "Comando non eseguito: esecuzione interrotta";
// Said once by the resident when an exchange could not go into the history (the path follows).
inline constexpr const char* kHistoryNotWritten =
    "Storico degli scambi non scritto (lo scambio \xE8 nel dump e nel log): ";

// What the caller wants to hear of, or decide, as the lines run.
struct LineHooks {
    // Asked before each line; once it answers true no further command starts: each is recorded
    // as not run instead.
    std::function<bool()> stopBeforeLine;
    // The lines before this one (counted from 0) ran already: they are passed over unrecorded.
    std::uint64_t firstLine = 0;
    // Told the prepared line a keyword is about to take, and its place among the file's lines
    // (from 0), before its handler runs. A text back means the line must not run: it is recorded
    // as KO with that text instead.
    std::function<std::string(const std::string&, std::uint64_t)> beforeCommand;
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
    // Whether the last EseguiFileComandi was stopped before its end (its later commands recorded
    // as not run).
    bool StoppedEarly() const { return stoppedEarly_; }

    // Records a command line that did not run (or whose run is unknown) as KO with
    // `description`, in the dump beside `commandPath`, the log and the history, with no outcome
    // record from the terminal.
    void RecordNotRun(const std::string& line, const std::string& description,
                      const std::string& commandPath);

    // The handler's text for one prepared line (upper case, trailing ";" removed); `matched`
    // tells whether any keyword took it.
    std::string RunLine(const std::string& line, bool& matched);

    // A raw line as the handlers see it: upper case, one trailing ";" dropped; nothing for an
    // empty line or a comment.
    static std::optional<std::string> PrepareLine(std::string_view raw);
    // Whether a keyword takes the prepared line; and whether its command reaches the terminal
    // (the simulated payment and the unavailable functions do not).
    static bool TakesKeyword(const std::string& line);
    static bool ReachesTerminal(const std::string& line);

  private:
    // When a command line started, the file it came from, the result file as it was then, and
    // what the history needs to tell the values this exchange set from those it inherited.
    struct LineStart {
        std::int64_t startMs = 0;
        std::string filePath;
        std::optional<platform::FileStat> resultBefore;
        std::string startTime;
        std::uint64_t answersBefore = 0;
        std::string stanBefore;
    };
    LineStart Begin(const std::string& filePath);
    // The dump goes beside `commandPath`. A line a keyword took (`command`) goes into the
    // history too, whatever the switches say; the others (comments aside, they are recorded in
    // the dump and the log) are no exchange to look back on.
    void Record(const std::string& line, const std::string& result, const std::string& commandPath,
                const std::optional<LineStart>& command);

    Context& context_;
    bool fileWasRead_ = true;
    bool stoppedEarly_ = false;
};

}  // namespace varnix::exchange
