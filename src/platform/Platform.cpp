#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ProcessClaims.h"

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

// Files in memory belong to this process alone: a claim is exclusive among the claims made in
// it, which is what a test of two residents in one process needs.
class InMemoryClaim : public ProcessLock {
  public:
    explicit InMemoryClaim(std::string name) : name_(std::move(name)) {}
    InMemoryClaim(const InMemoryClaim&) = delete;
    InMemoryClaim& operator=(const InMemoryClaim&) = delete;
    ~InMemoryClaim() override { ReleaseProcessClaim(name_); }

  private:
    std::string name_;
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

ExclusiveClaim Platform::ClaimExclusive(const std::string& name) {
    if (!TakeProcessClaim(name)) {
        return {ExclusiveClaim::Outcome::Busy, nullptr, {}};
    }
    return {ExclusiveClaim::Outcome::Held, std::make_unique<InMemoryClaim>(name), {}};
}

std::string Platform::CanonicalPath(const std::string& path) {
    return path;
}

std::optional<std::string> Platform::FolderIdentity(const std::string& /*folderPath*/) {
    return std::nullopt;
}

std::string Platform::SharedFolder(const std::string& relative) {
    const std::string base = CommonAppDataFolder();
    return base.empty() ? std::string() : base + Separator() + relative;
}

}  // namespace varnix::platform
