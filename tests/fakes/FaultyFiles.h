// The host's files with the faults a test switches on: reads that fail as while another process
// holds the file, a read-only data folder (root ignores file modes, so the tests say it through
// the platform), a command file Windows will not delete yet, a scripted registry, and a scripted
// writer, with the time of its last change and the deletions it saw, for every file.
#pragma once

#include <functional>
#include <memory>
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
    std::unique_ptr<platform::WriterWatch> WatchWriters(const std::string& path) override {
        struct ScriptedWatch : platform::WriterWatch {
            explicit ScriptedWatch(FaultyFiles& files) : files_(files) {}
            platform::WriterState State() override { return *files_.writer; }
            std::optional<std::int64_t> LastChangeAgeMs() override { return files_.changeAgeMs; }
            std::uint64_t Removals() override { return files_.removals; }
            std::uint64_t Changes() override { return files_.changes; }
            void OnReady(const std::function<void()>& callback) override {
                files_.onReady = callback;
            }
            FaultyFiles& files_;
        };
        if (writer) {
            return std::make_unique<ScriptedWatch>(*this);
        }
        return PlatformWrapper::WatchWriters(path);
    }
    bool ReplaceContents(const std::string& path, std::string_view bytes, bool synced) override {
        if (unwritable && path.find(*unwritable) != std::string::npos) {
            return false;
        }
        return !readOnly && PlatformWrapper::ReplaceContents(path, bytes, synced);
    }
    bool WriteWholeFile(const std::string& path, std::string_view bytes) override {
        return !readOnly && PlatformWrapper::WriteWholeFile(path, bytes);
    }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        if (unwritable && path.find(*unwritable) != std::string::npos) {
            return false;
        }
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
    std::optional<platform::WriterState> writer;  // set before the first cycle
    std::optional<std::int64_t> changeAgeMs;      // what the watch says of its last event
    std::uint64_t changes = 0;                    // how many events it has seen
    std::uint64_t removals = 0;                   // deletions the watch has seen
    std::function<void()> onReady;                // the watch's call when the file is ready
    std::optional<std::string> unwritable;  // a part of the paths no replace nor append reaches
};

}  // namespace varnix::fakes
