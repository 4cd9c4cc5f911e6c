// Shared pieces of the fuzz targets: a platform that serves one file from memory and swallows
// every write, so a fuzz run on the tests' fake session touches no disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fakes/TestSession.h"
#include "platform/PlatformWrapper.h"
#include "terminal-lib/protocol/Protocol.h"

namespace varnix::fuzz {

inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

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
        return path == path_ ? std::optional(contents_) : std::nullopt;
    }
    bool WriteWholeFile(const std::string&, std::string_view) override { return true; }
    bool AppendToFile(const std::string&, std::string_view) override { return true; }
    bool ReplaceContents(const std::string&, std::string_view, bool) override { return true; }
    void SleepMs(int) override {}

  private:
    std::string path_;
    std::string contents_;
};

// The fake session on the input as its one file, `name`, in the data folder "/fuzz/".
struct FileSession {
    FileSession(const std::string& name, const std::uint8_t* data, std::size_t size)
        : files("/fuzz/" + name, Bytes(data, size)) {}

    InMemoryFile files;
    fakes::FakeSession fake{files, "/fuzz/"};
    engine::Session& session = fake.session;
};

// The payload of a whole frame at the start of `bytes`; otherwise the bytes themselves, so the
// payload decoders also meet input no frame would carry.
inline std::string_view Payload(const std::string& bytes, proto::Frame& frame) {
    std::size_t consumed = 0;
    const bool framed = proto::DecodeFrame(bytes, frame, consumed) == proto::DecodeStatus::Complete;
    return framed ? std::string_view(frame.payload) : std::string_view(bytes);
}

}  // namespace varnix::fuzz
