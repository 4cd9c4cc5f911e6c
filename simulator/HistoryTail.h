// Follows VarnixPos's exchange history file from where it stood when the follow began: each call
// hands out the entries appended since the last one. A line still being written waits for its
// end; when the file is rotated, the rest of the old one (now ".1") is read before the new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exchange/ExchangeHistory.h"

namespace varnix::sim {

class HistoryTail {
  public:
    // `path` need not exist yet: entries count from its creation then.
    explicit HistoryTail(std::string path);

    std::vector<exchange::HistoryEntry> ReadNew();
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::uint64_t offset_ = 0;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> identity_;  // file id, volume
    std::string partial_;
};

}  // namespace varnix::sim
