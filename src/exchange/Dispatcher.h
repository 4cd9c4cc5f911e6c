// Runs a command file: each line upper-cased, comments and empty lines skipped, one trailing ";"
// dropped, the handler chosen by the keyword at the start of the line. After each line the
// exchange is recorded in the dump file (while the terminal is not known to be connected) and in
// the log (when logging is on). Never raises an error and never waits on a file it cannot open.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace varnix::exchange {

struct Context;

inline constexpr const char* kCommandFileNotFound = "File comandi non trovato";

class Dispatcher {
  public:
    explicit Dispatcher(Context& context) : context_(context) {}

    // The text of the last handler that ran ("" when none ran), or kCommandFileNotFound. With
    // `stopBeforeLine`, no further line starts once it answers true.
    std::string EseguiFileComandi(const std::string& path, bool ecrIdRequired,
                                  const std::function<bool()>& stopBeforeLine = {});

    // False when the last EseguiFileComandi found its file but could not read it.
    bool FileWasRead() const { return fileWasRead_; }
    // The bytes the last EseguiFileComandi read, when it read any.
    const std::optional<std::string>& ContentsRead() const { return contents_; }

    // The handler's text for one prepared line (upper case, trailing ";" removed); `matched`
    // tells whether any keyword took it.
    std::string RunLine(const std::string& line, bool& matched);

  private:
    void Record(const std::string& line, const std::string& result);

    Context& context_;
    bool fileWasRead_ = true;
    std::optional<std::string> contents_;
};

}  // namespace varnix::exchange
