#include "simulator/HistoryTail.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace varnix::sim {

namespace {

std::uint64_t SizeOf(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint64_t>(size);
}

}  // namespace

HistoryTail::HistoryTail(std::string path) : path_(std::move(path)), offset_(SizeOf(path_)) {}

std::vector<exchange::HistoryEntry> HistoryTail::ReadNew() {
    std::vector<exchange::HistoryEntry> entries;
    const std::uint64_t size = SizeOf(path_);
    if (size < offset_) {
        offset_ = 0;  // rotated: the new file holds only what came after
        partial_.clear();
    }
    if (size == offset_) {
        return entries;
    }
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset_));
    std::string chunk(static_cast<std::size_t>(size - offset_), '\0');
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    offset_ += chunk.size();
    partial_ += chunk;
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
