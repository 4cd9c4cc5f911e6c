// The host's files, with every change to the files a register or a developer reads back (result,
// dump, log) kept in order: replaced whole, or written, appended or renamed into place, where a
// reader could find the file empty or half-written.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PlatformWrapper.h"

namespace varnix::fakes {

class WriteRecorder : public platform::PlatformWrapper {
  public:
    struct Change {
        std::string how;  // "replace", "write", "append", "rename"
        std::string name;
        std::string bytes;
    };

    WriteRecorder() : PlatformWrapper(platform::HostPlatform()) {}

    bool ReplaceContents(const std::string& path, std::string_view bytes, bool synced) override {
        Keep("replace", path, bytes);
        return PlatformWrapper::ReplaceContents(path, bytes, synced);
    }
    bool WriteWholeFile(const std::string& path, std::string_view bytes) override {
        Keep("write", path, bytes);
        return PlatformWrapper::WriteWholeFile(path, bytes);
    }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        Keep("append", path, bytes);
        return PlatformWrapper::AppendToFile(path, bytes);
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        Keep("rename", to, "");
        return PlatformWrapper::RenameFile(from, to);
    }

    std::vector<Change> changes;

  private:
    void Keep(const char* how, const std::string& path, std::string_view bytes) {
        static constexpr std::array<std::string_view, 3> kRead = {"SROUTF.TXT", "POSDUMPOUT.TXT",
                                                                  "LogVnxPos.TXT"};
        for (const auto name : kRead) {
            if (path.ends_with(name)) {
                changes.push_back({how, std::string(name), std::string(bytes)});
            }
        }
    }
};

}  // namespace varnix::fakes
