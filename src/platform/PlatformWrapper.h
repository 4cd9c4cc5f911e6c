// Forwards every call to another platform. Subclasses override the few calls they change, so a
// test or a fault injector can alter one behaviour and keep the real rest.
#pragma once

#include "platform/Platform.h"

namespace varnix::platform {

class PlatformWrapper : public Platform {
  public:
    explicit PlatformWrapper(Platform& target) : target_(target) {}

    PathStyle Style() const override { return target_.Style(); }
    RegistryQuery QueryRegistryValue(RegistryRoot root, const std::string& subKey,
                                     const std::string& valueName) override {
        return target_.QueryRegistryValue(root, subKey, valueName);
    }
    std::string CommonAppDataFolder() override { return target_.CommonAppDataFolder(); }
    bool FileExists(const std::string& path) override { return target_.FileExists(path); }
    bool FolderExists(const std::string& path) override { return target_.FolderExists(path); }
    bool RemoveFile(const std::string& path) override { return target_.RemoveFile(path); }
    std::optional<std::string> ReadWholeFile(const std::string& path) override {
        return target_.ReadWholeFile(path);
    }
    bool WriteWholeFile(const std::string& path, std::string_view bytes) override {
        return target_.WriteWholeFile(path, bytes);
    }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        return target_.AppendToFile(path, bytes);
    }
    void SleepMs(int milliseconds) override { target_.SleepMs(milliseconds); }
    // OpenForReading keeps the default (built on ReadWholeFile, which a subclass may change).
    std::optional<FileStat> StatFile(const std::string& path) override {
        return target_.StatFile(path);
    }
    bool ReplaceContents(const std::string& path, std::string_view bytes, bool synced) override {
        return target_.ReplaceContents(path, bytes, synced);
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        return target_.RenameFile(from, to);
    }
    std::unique_ptr<WriterWatch> WatchWriters(const std::string& path) override {
        return target_.WatchWriters(path);
    }
    ExclusiveClaim ClaimExclusive(const std::string& name) override {
        return target_.ClaimExclusive(name);
    }
    std::string CanonicalPath(const std::string& path) override {
        return target_.CanonicalPath(path);
    }
    std::optional<std::string> FolderIdentity(const std::string& folderPath) override {
        return target_.FolderIdentity(folderPath);
    }
    std::string SharedFolder(const std::string& relative) override {
        return target_.SharedFolder(relative);
    }
    void* LoadLibraryFile(const std::string& fileName, std::string& error) override {
        return target_.LoadLibraryFile(fileName, error);
    }
    std::string ExecutableFolder() override { return target_.ExecutableFolder(); }
    std::optional<ProgramVersion> ExecutableVersion() override {
        return target_.ExecutableVersion();
    }
    GenericFunction FindFunction(void* library, const std::string& name) override {
        return target_.FindFunction(library, name);
    }
    std::string CommandLineText(int argc, const char* const* argv) override {
        return target_.CommandLineText(argc, argv);
    }

  protected:
    Platform& target() { return target_; }

  private:
    Platform& target_;
};

}  // namespace varnix::platform
