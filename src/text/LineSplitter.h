// Cuts a byte stream that arrives in pieces into lines, ending them where ForEachLine does (CR LF,
// a lone CR, a lone LF; a CR LF split across two pieces is one end). A line longer than the limit
// keeps its first `limit` bytes and loses the rest up to its end, so memory never grows past one
// line whatever the stream holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnix::text {

class LineSplitter {
  public:
    explicit LineSplitter(std::size_t limit) : limit_(limit) {}

    template <typename F>
    void Feed(std::string_view bytes, F&& onLine) {
        for (const char c : bytes) {
            if (afterCr_) {
                afterCr_ = false;
                if (c == '\n') {
                    continue;
                }
            }
            if (c == '\r' || c == '\n') {
                onLine(std::string_view(line_));
                line_.clear();
                open_ = false;
                afterCr_ = c == '\r';
                continue;
            }
            open_ = true;
            if (line_.size() < limit_) {
                line_.push_back(c);
            }
        }
    }

    // The last line, when the stream did not end it.
    template <typename F>
    void Finish(F&& onLine) {
        if (open_) {
            onLine(std::string_view(line_));
        }
        line_.clear();
        open_ = false;
        afterCr_ = false;
    }

  private:
    std::string line_;
    std::size_t limit_;
    bool open_ = false;
    bool afterCr_ = false;
};

}  // namespace varnix::text
