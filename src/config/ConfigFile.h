// Reads and writes the configuration file ConfigVnxPos.TXT. The reader applies each accepted
// entry to the process-wide settings and shows it in the editor's and the console's controls;
// a read merges into what is already set. The writer saves the editor's ten fields.
#pragma once

#include <string>

namespace varnix {
class Session;
}

namespace varnix::config {

inline constexpr const char* kConfigNotFound = "File di configurazione non trovato";
// Our own outcome for a file that exists but cannot be read (locked, no rights): the start-up
// reports it like a missing file instead of running on half a configuration.
inline constexpr const char* kConfigNotReadable = "File di configurazione non leggibile";
inline constexpr const char* kInputFolderMissing = "Directory del file di Input non presente !";
inline constexpr const char* kOutputFolderMissing = "Directory del file di Output non presente !";

class ConfigFile {
  public:
    explicit ConfigFile(Session& session);

    // "" when the file was read, otherwise the reason it was not.
    std::string LeggiDatiConfigurazione(const std::string& path);

    // Writes the editor's fields; failures are silent.
    void SalvaDatiConfigurazioneConPrefisso(const std::string& currfile);

  private:
    bool ApplyEntry(int key, const std::string& line, const std::string& path);
    void ApplyPath(bool input, const std::string& line, const std::string& path);

    Session& session_;
};

}  // namespace varnix::config
