// The host's files with the faults a test switches on: reads that fail as while another process
// holds the file, a read-only data folder (root ignores file modes, so the tests say it through
// the platform), a command file Windows will not delete yet, and a scripted registry.
#pragma once

#include <optional>
#include <string>

#include "platform/PlatformWrapper.h"

namespace varnix::fakes {

class FaultyFiles : public platform::PlatformWrapper {
  public:
    FaultyFiles() : PlatformWrapper(platform::HostPlatform()) {}

    std::optional<std::string> ReadWholeFile(const std::string& path) override {
        if (unreadable && path.ends_with(*unreadable)) {
            return std::nullopt;
        }
        return PlatformWrapper::ReadWholeFile(path);
    }
    bool WriteWholeFile(const std::string& path, std::string_view bytes) override {
        return !readOnly && PlatformWrapper::WriteWholeFile(path, bytes);
    }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        return !readOnly && PlatformWrapper::AppendToFile(path, bytes);
    }
    bool RemoveFile(const std::string& path) override {
        if (path.ends_with("SRINPF.TXT") && heldRemovals > 0) {
            --heldRemovals;
            ++refusedRemovals;
            return false;
        }
        return !readOnly && PlatformWrapper::RemoveFile(path);
    }
    platform::RegistryQuery QueryRegistryValue(platform::RegistryRoot root, const std::string& key,
                                               const std::string& name) override {
        ++registryQueries;
        return registry ? *registry : PlatformWrapper::QueryRegistryValue(root, key, name);
    }

    std::optional<std::string> unreadable;  // a path ending: "" for every file
    bool readOnly = false;
    int heldRemovals = 0;  // how many more removals of the command file fail
    int refusedRemovals = 0;
    std::optional<platform::RegistryQuery> registry;
    int registryQueries = 0;
};

}  // namespace varnix::fakes
