#include "platform/StdFiles.h"

#include <cstdio>
#include <memory>

namespace varnix::platform::stdfiles {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool WriteAll(std::FILE* f, std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        return std::nullopt;
    }
    std::string out;
    char buffer[64 * 1024];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
        out.append(buffer, n);
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(f.get()) != 0) {
        return std::nullopt;
    }
    return out;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (raw == nullptr) {
        return false;
    }
    const bool written = WriteAll(raw, bytes);
    return std::fclose(raw) == 0 && written;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
    std::FILE* raw = std::fopen(path.c_str(), "ab");
    if (raw == nullptr) {
        return false;
    }
    const bool written = WriteAll(raw, bytes);
    return std::fclose(raw) == 0 && written;
}

}  // namespace varnix::platform::stdfiles
