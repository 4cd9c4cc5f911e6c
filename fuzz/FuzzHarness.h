// Shared pieces of the fuzz targets: a platform that serves one file from memory and swallows
// every write, so a fuzz run on the tests' fake session touches no disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fakes/TestSession.h"
#include "platform/PlatformWrapper.h"

namespace varnix::fuzz {

class InMemoryFile : public platform::PlatformWrapper {
  public:
    InMemoryFile(std::string path, std::string contents)
        : PlatformWrapper(platform::HostPlatform()),
          path_(std::move(path)),
          contents_(std::move(contents)) {}

    bool FileExists(const std::string& path) override { return path == path_; }
    bool FolderExists(const std::string&) override { return true; }
    bool RemoveFile(const std::string&) override { return true; }
    std::optional<std::string> ReadWholeFile(const std::string& path) override {
        if (path == path_) {
            return contents_;
        }
        return std::nullopt;
    }
    bool WriteWholeFile(const std::string&, std::string_view) override { return true; }
    bool AppendToFile(const std::string&, std::string_view) override { return true; }
    void SleepMs(int) override {}

  private:
    std::string path_;
    std::string contents_;
};

inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace varnix::fuzz
