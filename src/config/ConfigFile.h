// Reads and writes the configuration file ConfigVnxPos.TXT. The reader applies each accepted
// entry to the process-wide settings and shows it in the editor's and the console's controls;
// a read merges into what is already set. The writer saves the editor's ten fields.
#pragma once

#include <string>

#include "config/Settings.h"
#include "forms/ConsoleForm.h"
#include "forms/ServiceWindow.h"
#include "platform/Platform.h"
#include "ports/Dialogs.h"

namespace varnix::config {

inline constexpr const char* kConfigNotFound = "File di configurazione non trovato";
// Our own outcome for a file that exists but cannot be read (locked, no rights): the start-up
// reports it like a missing file instead of running on half a configuration.
inline constexpr const char* kConfigNotReadable = "File di configurazione non leggibile";
inline constexpr const char* kInputFolderMissing = "Directory del file di Input non presente !";
inline constexpr const char* kOutputFolderMissing = "Directory del file di Output non presente !";

class ConfigFile {
  public:
    ConfigFile(platform::Platform& platform, ports::Dialogs& dialogs, Settings& settings,
               forms::ConsoleForm& console, forms::ServiceWindow& service)
        : platform_(platform),
          dialogs_(dialogs),
          settings_(settings),
          console_(console),
          service_(service) {}

    // "" when the file was read, otherwise the reason it was not.
    std::string LeggiDatiConfigurazione(const std::string& path);

    // Writes the editor's fields; failures are silent.
    void SalvaDatiConfigurazioneConPrefisso(const std::string& currfile);

  private:
    bool ApplyEntry(int key, const std::string& line, const std::string& path);
    void ApplyPath(bool input, const std::string& line, const std::string& path);

    platform::Platform& platform_;
    ports::Dialogs& dialogs_;
    Settings& settings_;
    forms::ConsoleForm& console_;
    forms::ServiceWindow& service_;
};

}  // namespace varnix::config
