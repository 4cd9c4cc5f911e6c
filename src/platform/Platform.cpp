#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace varnix::platform {

namespace {

// A file read whole at opening and then handed out from memory.
class BufferedFile : public ReadableFile {
  public:
    BufferedFile(std::string bytes, std::optional<FileStat> stat)
        : bytes_(std::move(bytes)), stat_(stat) {}

    std::optional<std::size_t> Read(char* buffer, std::size_t capacity) override {
        const std::size_t n = std::min(capacity, bytes_.size() - offset_);
        std::memcpy(buffer, bytes_.data() + offset_, n);
        offset_ += n;
        return n;
    }
    bool Seek(std::uint64_t offset) override {
        offset_ = static_cast<std::size_t>(std::min<std::uint64_t>(offset, bytes_.size()));
        return true;
    }
    std::optional<FileStat> Stat() override {
        FileStat stat = stat_.value_or(FileStat{});
        stat.size = bytes_.size();
        return stat;
    }

  private:
    std::string bytes_;
    std::optional<FileStat> stat_;  // what the platform said of the file as it was opened
    std::size_t offset_ = 0;
};

// Files in memory have no other process to keep out.
class NoLock : public ProcessLock {
  public:
    bool Guards() const override { return true; }
};

}  // namespace

std::optional<FileStat> Platform::StatFile(const std::string& /*path*/) {
    return std::nullopt;
}

std::unique_ptr<ReadableFile> Platform::OpenForReading(const std::string& path) {
    const auto stat = StatFile(path);
    auto bytes = ReadWholeFile(path);
    if (!bytes) {
        return nullptr;
    }
    return std::make_unique<BufferedFile>(std::move(*bytes), stat);
}

bool Platform::ReplaceContents(const std::string& path, std::string_view bytes, bool /*synced*/) {
    return WriteWholeFile(path, bytes);
}

bool Platform::RenameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::unique_ptr<WriterWatch> Platform::WatchWriters(const std::string& /*path*/) {
    return nullptr;
}

std::unique_ptr<ProcessLock> Platform::TryLock(const std::string& /*path*/) {
    return std::make_unique<NoLock>();
}

}  // namespace varnix::platform
