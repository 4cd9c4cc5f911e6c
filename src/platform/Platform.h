// Everything VarnixPos needs from the operating system, behind one interface: the registry,
// the machine-wide application-data folder, files and folders, sleeping and the command line.
// One implementation per platform (win32/, posix/); tests wrap or replace it. No method throws.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace varnix::platform {

enum class PathStyle { Windows, Posix };

enum class RegistryRoot { CurrentUser, LocalMachine };

// Registry value types, with the numbers the Windows API gives them.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

// The raw answer of one registry query: status 0 on success (a Win32 error code otherwise),
// the value's type and as many data bytes as the query reported.
struct RegistryQuery {
    long status = 0;
    std::uint32_t type = 0;
    std::string data;
};

// The version information an executable carries: its numbers, title and comment.
struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
    std::string title;
    std::string comments;
};

class Platform {
  public:
    virtual ~Platform() = default;

    virtual PathStyle Style() const = 0;
    char Separator() const { return Style() == PathStyle::Windows ? '\\' : '/'; }

    // Opens `subKey` under `root`, queries `valueName` into a 1024-byte buffer and closes the
    // key again. The sub-key shape is not checked here.
    virtual RegistryQuery QueryRegistryValue(RegistryRoot root, const std::string& subKey,
                                             const std::string& valueName) = 0;

    // The machine-wide application-data folder without a trailing separator, created if it is
    // missing; empty text on any failure.
    virtual std::string CommonAppDataFolder() = 0;

    virtual bool FileExists(const std::string& path) = 0;    // an ordinary file
    virtual bool FolderExists(const std::string& path) = 0;  // a trailing separator is allowed
    virtual bool RemoveFile(const std::string& path) = 0;

    // Whole-file access in binary mode: bytes in, bytes out, no line-end translation.
    virtual std::optional<std::string> ReadWholeFile(const std::string& path) = 0;
    virtual bool WriteWholeFile(const std::string& path, std::string_view bytes) = 0;
    virtual bool AppendToFile(const std::string& path, std::string_view bytes) = 0;

    virtual void SleepMs(int milliseconds) = 0;

    // The calls below have plain defaults built on the whole-file calls above, so that a platform
    // made of files in memory works unchanged; the real platforms do better.
    //
    // The file's identity without reading it; nothing when it is missing or cannot be asked.
    virtual std::optional<FileStat> StatFile(const std::string& path);
    // The file opened for reading piece by piece; nullptr when it cannot be opened.
    virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& path);
    // Replaces the file's contents so that after a crash or power loss it holds either the old
    // bytes or the new ones, never a mix, and a reader meanwhile sees one or the other whole;
    // with `synced`, the new ones are on the disk when this returns (two disk flushes: worth it
    // only where a lost write would cost a payment). On Windows a reader that holds the old file
    // open delays it up to 2 s; after that it fails, and nothing is left beside the file. The
    // default writes in place: files in memory have no reader to race.
    virtual bool ReplaceContents(const std::string& path, std::string_view bytes, bool synced);
    // Gives the file a new name, in the same folder; the new name must not be taken.
    virtual bool RenameFile(const std::string& from, const std::string& to);
    // A watch on writers of the file at `path`; nullptr where the platform cannot tell.
    virtual std::unique_ptr<WriterWatch> WatchWriters(const std::string& path);
    // Claims `name` (any bytes) for this process among all processes of the machine, every user's
    // and whatever their folders, without waiting. Nothing on the disk stands for it, so nobody
    // can take it away by deleting a file.
    virtual ExclusiveClaim ClaimExclusive(const std::string& name);
    // The path the way every process of the machine writes it, so that two ways of naming one
    // file (a relative path, a link, letter case on Windows) come out the same. The folder is
    // resolved when it exists; otherwise the path is made absolute as written.
    virtual std::string CanonicalPath(const std::string& path);
    // The identity of an existing folder on its disk (device and inode, or volume serial and
    // file index), the same whatever path reaches it — links, bind mounts, a share mounted
    // twice; nothing when it is missing or the platform cannot tell.
    virtual std::optional<std::string> FolderIdentity(const std::string& folderPath);
    // A machine-wide folder for what must outlive this process whichever user or data folder
    // runs the next one (`relative` below it, created so that every user may write there);
    // empty text when it cannot be made.
    virtual std::string SharedFolder(const std::string& relative);

    // Loads a shared library by file name (on POSIX from the executable's own folder first, then
    // the loader's search path) and returns its handle, or nullptr with `error` set. The library
    // stays loaded for the rest of the process.
    using GenericFunction = void (*)();
    virtual void* LoadLibraryFile(const std::string& fileName, std::string& error) = 0;
    // The folder of the running executable, with its trailing separator; "" when unknown.
    virtual std::string ExecutableFolder() = 0;
    // What the running executable's own version information says (its version resource on
    // Windows); nothing where programs carry none, and the caller then knows the version itself.
    virtual std::optional<ProgramVersion> ExecutableVersion() = 0;
    virtual GenericFunction FindFunction(void* library, const std::string& name) = 0;

    // The argument text of the process without the executable's name, as the run-mode choice
    // reads it.
    virtual std::string CommandLineText(int argc, const char* const* argv) = 0;
};

// The implementation for the platform this binary was built for; lives for the whole process.
Platform& HostPlatform();

}  // namespace varnix::platform
