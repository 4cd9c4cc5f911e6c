// Follows VarnixPos's exchange history file from where it stood when the follow began: each call
// hands out the entries appended since the last one. A line still being written waits for its
// end; a file that shrank was rotated and is read again from its start.
#pragma once

#include <cstdint>
#include <string>
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
    std::string partial_;
};

}  // namespace varnix::sim
