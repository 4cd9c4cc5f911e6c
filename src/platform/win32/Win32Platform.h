// The Windows implementation of the platform interface: the real registry (advapi32), the
// shell's common application-data folder (shell32) and kernel32 for files and sleeping.
#pragma once

#include "platform/Platform.h"

namespace varnix::platform {

class Win32Platform : public Platform {
  public:
    PathStyle Style() const override { return PathStyle::Windows; }
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
    std::optional<ProgramVersion> ExecutableVersion() override;
    GenericFunction FindFunction(void* library, const std::string& name) override;
    std::string CommandLineText(int argc, const char* const* argv) override;
};

}  // namespace varnix::platform
