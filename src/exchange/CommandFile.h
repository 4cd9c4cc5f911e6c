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
#include "text/Hash.h"

namespace varnix::exchange {

// Which bytes: two looks at one command path find the same command when the bytes match, whatever
// the file system says of device, file id or modification time. A disk that comes back with
// another device number, or a register that saves its pending file again unchanged, gives the
// same command; after the file has gone, the same bytes are a new command (the journal forgets).
struct FileIdentity {
    std::uint64_t hash = 0;
    std::uint64_t size = 0;

    bool operator==(const FileIdentity&) const = default;
    // Whether the file system's answer for a path still fits this identity (the bytes aside).
    bool Fits(const platform::FileStat& stat) const { return stat.size == size; }
    // Two blank-separated numbers, for the journal.
    std::string ToText() const;
    static std::optional<FileIdentity> FromText(std::string_view text);
};

using text::HashBytes;

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

    // When the file is in memory (one piece) and begins with the bytes of `earlier` (whole lines:
    // they end with a line end) followed by more: how many lines those earlier bytes hold. A
    // register that appends to a file which ran thus adds lines; the earlier ones ran already.
    std::optional<std::uint64_t> LinesBefore(const FileIdentity& earlier) const;

    // Whether the file at `path` still is the one with `identity` (its size, then its bytes).
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
