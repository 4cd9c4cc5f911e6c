// A command file opened once. A first pass over the open file takes its identity (what the file
// system says of it plus a hash of its bytes); a second pass over the same open file hands out its
// lines, each piece checked against the first pass, so the lines run are exactly the bytes the
// identity stands for. A file of one piece is read once only. Memory stays at one piece and one
// line (cut at kMaxLineLength) whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace varnix::exchange {

// Which file, with which bytes: two files are the same command only if every part matches.
struct FileIdentity {
    std::uint64_t hash = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t fileId = 0;
    std::uint64_t volume = 0;

    bool operator==(const FileIdentity&) const = default;
    // Whether the file system's answer for a path still fits this identity (the bytes aside).
    bool Fits(const platform::FileStat& stat) const {
        return stat.size == size && stat.mtimeNs == mtimeNs && stat.fileId == fileId &&
               stat.volume == volume;
    }
    // Five blank-separated numbers, for the journal.
    std::string ToText() const;
    static std::optional<FileIdentity> FromText(std::string_view text);
};

// FNV-1a, 64 bits: enough to tell two versions of a small text file apart; the identity's
// other parts do the rest.
std::uint64_t HashBytes(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325ULL);

class CommandFile {
  public:
    enum class State { Open, Missing, Unreadable };

    // No command is anywhere near this long; the rest of such a line is dropped.
    static constexpr std::size_t kMaxLineLength = std::size_t{64} * 1024;
    static constexpr std::size_t kPieceSize = std::size_t{1024} * 1024;

    CommandFile(platform::Platform& platform, const std::string& path,
                std::size_t pieceSize = kPieceSize);

    State Status() const { return state_; }
    const std::string& Path() const { return path_; }
    const FileIdentity& Identity() const { return identity_; }

    // Hands out the lines (CR LF, CR or LF ends one) until `onLine` answers false; once. False
    // when the file changed since its identity was taken, or could not be read on: the lines from
    // the changed piece on were not handed out. The file is closed by the time this returns.
    bool ForEachLine(const std::function<bool(std::string_view)>& onLine);

    // Whether the file at `path` still is the one with `identity` (checked by the file system's
    // answer, and by its bytes when they fit one piece).
    static bool StillHas(platform::Platform& platform, const std::string& path,
                         const FileIdentity& identity, std::size_t pieceSize = kPieceSize);

    // Whether the file's last byte (of `size`) ends a line: LF, alone or after CR.
    static bool EndsWithLineEnd(platform::Platform& platform, const std::string& path,
                                std::uint64_t size);

  private:
    std::string path_;
    std::unique_ptr<platform::ReadableFile> file_;
    State state_ = State::Missing;
    FileIdentity identity_;
    std::size_t pieceSize_;
    std::vector<std::uint64_t> pieceHashes_;
    std::string firstPiece_;  // kept when it is the whole file
};

}  // namespace varnix::exchange
