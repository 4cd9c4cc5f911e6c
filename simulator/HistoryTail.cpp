#include "simulator/HistoryTail.h"

#include <fstream>

#include "platform/Platform.h"

namespace varnix::sim {

namespace {

// The file's identity: its number on its volume; none when there is no file.
std::optional<std::pair<std::uint64_t, std::uint64_t>> IdentityOf(const platform::FileStat& st) {
    return std::pair{st.fileId, st.volume};
}

// The bytes of `path` from `offset` to its end.
std::string ReadFrom(const std::string& path, std::uint64_t offset, std::uint64_t size) {
    if (size <= offset) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string chunk(static_cast<std::size_t>(size - offset), '\0');
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    return chunk;
}

}  // namespace

HistoryTail::HistoryTail(std::string path) : path_(std::move(path)) {
    if (const auto st = platform::HostPlatform().StatFile(path_)) {
        offset_ = st->size;
        identity_ = IdentityOf(*st);
    }
}

std::vector<exchange::HistoryEntry> HistoryTail::ReadNew() {
    auto& platform = platform::HostPlatform();
    const auto st = platform.StatFile(path_);
    const auto identity = st ? IdentityOf(*st) : std::nullopt;
    if (identity_ && identity != identity_) {
        // Rotated: the file followed so far is the first older generation now. Its last lines
        // are read from there before the new file from its start.
        const std::string older = path_ + ".1";
        if (const auto old = platform.StatFile(older); old && IdentityOf(*old) == identity_) {
            partial_ += ReadFrom(older, offset_, old->size);
        }
        offset_ = 0;
    } else if (st && st->size < offset_) {
        offset_ = 0;  // cut short in place: what is there now came after
        partial_.clear();
    }
    identity_ = identity;
    if (st) {
        const std::string chunk = ReadFrom(path_, offset_, st->size);
        offset_ += chunk.size();
        partial_ += chunk;
    }
    std::vector<exchange::HistoryEntry> entries;
    std::size_t start = 0;
    for (std::size_t end = partial_.find('\n'); end != std::string::npos;
         start = end + 1, end = partial_.find('\n', start)) {
        if (auto entry = exchange::ExchangeHistory::FromJsonLine(
                std::string_view(partial_).substr(start, end - start))) {
            entries.push_back(std::move(*entry));
        }
    }
    partial_.erase(0, start);
    return entries;
}

}  // namespace varnix::sim
