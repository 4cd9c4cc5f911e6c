#include "exchange/CommandFile.h"

#include <charconv>

#include "text/LineSplitter.h"

namespace varnix::exchange {

namespace {

// Fills the piece as far as the file goes, so that both passes cut the file at the same places
// however the reads come back; nothing on a read error.
std::optional<std::size_t> ReadPiece(platform::ReadableFile& file, std::string& piece) {
    std::size_t filled = 0;
    while (filled < piece.size()) {
        const auto n = file.Read(piece.data() + filled, piece.size() - filled);
        if (!n) {
            return std::nullopt;
        }
        if (*n == 0) {
            break;
        }
        filled += *n;
    }
    return filled;
}

}  // namespace

std::string FileIdentity::ToText() const {
    return std::to_string(hash) + ' ' + std::to_string(size);
}

std::optional<FileIdentity> FileIdentity::FromText(std::string_view text) {
    FileIdentity identity;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    const auto next = [&](auto& value) {
        while (at < end && *at == ' ') {
            ++at;
        }
        const auto [ptr, ec] = std::from_chars(at, end, value);
        at = ptr;
        return ec == std::errc();
    };
    if (!next(identity.hash) || !next(identity.size) || at != end) {
        return std::nullopt;
    }
    return identity;
}

CommandFile::CommandFile(platform::Platform& platform, const std::string& path,
                         std::size_t pieceSize)
    : path_(path), pieceSize_(pieceSize) {
    if (path.empty() || !platform.FileExists(path)) {
        return;
    }
    state_ = State::Unreadable;
    file_ = platform.OpenForReading(path);
    if (!file_) {
        return;
    }
    const auto stat = file_->Stat();
    // A small file needs no larger buffer than itself (one byte more shows its end): a resident
    // that reads a command a second keeps no megabyte around for it.
    if (stat && stat->size < pieceSize_) {
        pieceSize_ = static_cast<std::size_t>(stat->size) + 1;
    }
    std::string piece(pieceSize_, '\0');
    std::uint64_t hash = HashBytes({});
    std::uint64_t size = 0;
    for (;;) {
        const auto n = ReadPiece(*file_, piece);
        if (!n) {
            file_.reset();
            return;
        }
        if (*n == 0) {
            break;
        }
        const std::string_view bytes(piece.data(), *n);
        hash = HashBytes(bytes, hash);
        pieceHashes_.push_back(HashBytes(bytes));
        if (pieceHashes_.size() <= 1) {  // the whole file is in memory (or empty)
            firstPiece_.assign(bytes);
        } else {
            firstPiece_.clear();
            firstPiece_.shrink_to_fit();
        }
        size += *n;
    }
    if (pieceHashes_.size() <= 1) {
        file_.reset();  // all of it is in memory: the file is free for the register at once
    }
    identity_.hash = hash;
    identity_.size = size;
    state_ = State::Open;
}

bool CommandFile::ForEachLine(const std::function<bool(std::string_view)>& onLine) {
    if (state_ != State::Open) {
        return false;
    }
    text::LineSplitter splitter(kMaxLineLength);
    bool goOn = true;
    const auto hand = [&](std::string_view line) {
        if (goOn) {
            goOn = onLine(line);
        }
    };
    if (pieceHashes_.size() <= 1) {  // the whole file is in memory (or empty)
        splitter.Feed(firstPiece_, hand);
        splitter.Finish(hand);
        return true;
    }
    if (!file_ || !file_->Seek(0)) {
        return false;
    }
    // A larger file is read a second time, from the same open file.
    std::string piece(pieceSize_, '\0');
    for (const std::uint64_t expected : pieceHashes_) {
        if (!goOn) {
            return true;
        }
        const auto filled = ReadPiece(*file_, piece);
        if (!filled) {
            return false;
        }
        const std::string_view bytes(piece.data(), *filled);
        if (*filled == 0 || HashBytes(bytes) != expected) {
            return false;
        }
        splitter.Feed(bytes, hand);
    }
    splitter.Finish(hand);
    file_.reset();  // closed before anyone deletes it: Windows keeps an open file's name taken
    return true;
}

std::optional<std::uint64_t> CommandFile::LinesBefore(const FileIdentity& earlier) const {
    if (state_ != State::Open || pieceHashes_.size() > 1 || earlier.size == 0 ||
        earlier.size >= firstPiece_.size()) {
        return std::nullopt;
    }
    const std::string_view prefix(firstPiece_.data(), static_cast<std::size_t>(earlier.size));
    if (prefix.back() != '\n') {
        return std::nullopt;
    }
    if (HashBytes(prefix) != earlier.hash) {
        return std::nullopt;
    }
    // Lines as the splitter cuts them: CR LF, CR or LF each end one.
    std::uint64_t lines = 0;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (prefix[i] == '\n' ||
            (prefix[i] == '\r' && (i + 1 >= firstPiece_.size() || firstPiece_[i + 1] != '\n'))) {
            ++lines;
        }
    }
    return lines;
}

bool CommandFile::EndsWithLineEnd(platform::Platform& platform, const std::string& path,
                                  std::uint64_t size) {
    const auto file = platform.OpenForReading(path);
    char last = '\0';
    return size > 0 && file && file->Seek(size - 1) && file->Read(&last, 1) == 1U && last == '\n';
}

bool CommandFile::StillHas(platform::Platform& platform, const std::string& path,
                           const FileIdentity& identity, std::size_t pieceSize) {
    const auto stat = platform.StatFile(path);
    if (stat && !identity.Fits(*stat)) {
        return false;
    }
    const CommandFile again(platform, path, pieceSize);
    return again.Status() == State::Open && again.Identity() == identity;
}

}  // namespace varnix::exchange
