// Records one exchange in a text file: WriteCommunicationResult writes the six head lines from
// the console's result boxes, WritePosData appends the outcome record. Neither ever raises an
// error to its caller; only a missing exchange folder is reported, in a box.
#pragma once

#include <string>

namespace varnix {
class Session;
}

namespace varnix::ui {

inline constexpr const char* kExchangeFolderMissing =
    "Cartella per file di I/O non trovata. Creare cartella 2";

class ExchangeRecordWriter {
  public:
    explicit ExchangeRecordWriter(Session& session) : session_(session) {}

    void WriteCommunicationResult(const std::string& outFile, const std::string& funzione,
                                  const std::string& executionDescription);
    void WritePosData(const std::string& outFile);

    // Local date then local time: "YYYYMMDD_hhmmss".
    std::string CurrDateTime();

  private:
    Session& session_;
};

}  // namespace varnix::ui
