// Test helpers for real files: a temporary folder removed afterwards, environment variables set
// for one test, and the data-folder override written where the platform reads it (the registry
// stand-in file on POSIX, the real registry through reg.exe on Windows).
#pragma once

#include <optional>
#include <string>

namespace varnix::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, ending with the platform's separator.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }
    // Creates a sub-folder and returns its path with a trailing separator.
    std::string MakeFolder(const std::string& name) const;

  private:
    std::string path_;
};

class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Sets (or, with nothing, removes) CustomPathDataDir for the current user.
void SetDataFolderOverride(const std::optional<std::string>& value);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace varnix::testing
