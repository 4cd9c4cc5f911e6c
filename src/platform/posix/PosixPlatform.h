// The POSIX implementation of the platform interface. The registry is stood in for by a
// Registry Editor export file (${XDG_CONFIG_HOME:-$HOME/.config}/varnixpos/registry.reg) and the
// machine-wide application-data folder by ${XDG_DATA_HOME:-$HOME/.local/share}.
#pragma once

#include "platform/Platform.h"

namespace varnix::platform {

class PosixPlatform : public Platform {
  public:
    PathStyle Style() const override { return PathStyle::Posix; }
    RegistryQuery QueryRegistryValue(RegistryRoot root, const std::string& subKey,
                                     const std::string& valueName) override;
    std::string CommonAppDataFolder() override;
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    std::optional<std::string> ReadWholeFile(const std::string& path) override;
    bool WriteWholeFile(const std::string& path, std::string_view bytes) override;
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    void SleepMs(int milliseconds) override;
    std::optional<FileStat> StatFile(const std::string& path) override;
    std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override;
    bool ReplaceContents(const std::string& path, std::string_view bytes, bool synced) override;
    std::unique_ptr<WriterWatch> WatchWriters(const std::string& path) override;
    ExclusiveClaim ClaimExclusive(const std::string& name) override;
    std::string CanonicalPath(const std::string& path) override;
    std::optional<std::string> FolderIdentity(const std::string& folderPath) override;
    std::string SharedFolder(const std::string& relative) override;
    void* LoadLibraryFile(const std::string& fileName, std::string& error) override;
    std::string ExecutableFolder() override;
    // ELF programs carry no version resource.
    std::optional<ProgramVersion> ExecutableVersion() override { return std::nullopt; }
    GenericFunction FindFunction(void* library, const std::string& name) override;
    std::string CommandLineText(int argc, const char* const* argv) override;

    // Where the registry stand-in file is looked for; empty when neither XDG_CONFIG_HOME nor
    // HOME is set.
    static std::string RegistryFilePath();
};

}  // namespace varnix::platform
