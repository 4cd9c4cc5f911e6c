// Test helpers for real files: a temporary folder removed afterwards, environment variables set
// for one test, and the data-folder override written where the platform reads it (the registry
// stand-in file on POSIX, the real registry through reg.exe on Windows).
#pragma once

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "text/AnsiText.h"

namespace varnix::testing {

// Polls `condition` until it holds (true) or about `seconds` have passed (false).
inline bool Eventually(const std::function<bool()>& condition, int seconds) {
    for (int i = 0; i < seconds * 50 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

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
    // A path to `name` inside a sub-folder that does not exist.
    std::string InMissingFolder(const std::string& name) const;

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

// Several values at once, "|" between them, so one expectation shows them all side by side.
inline std::string Join(std::initializer_list<std::string_view> parts) {
    std::string joined;
    for (const auto* part = parts.begin(); part != parts.end(); ++part) {
        joined.append(part == parts.begin() ? "" : "|").append(*part);
    }
    return joined;
}

inline std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (const auto& part : parts) {
        joined.append(&part == parts.data() ? "" : "|").append(part);
    }
    return joined;
}

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Dates the file's last change `seconds` back, as if written a while ago.
void SetFileAge(const std::string& path, int seconds);

#ifdef VARNIX_TEST_DATA_DIR
// A file of expected bytes kept beside the core tests, with {DATA} standing for the data folder.
inline std::string Golden(const std::string& name, const std::string& dataFolder = "") {
    std::string text = ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/exchange/golden/" + name);
    for (auto at = text.find("{DATA}"); at != std::string::npos; at = text.find("{DATA}")) {
        text.replace(at, 6, dataFolder);
    }
    return text;
}

// A table kept beside the tests (`path` under the tests' folder): one row a line, TABs between
// its fields. Callers check the row count, so a lost or cut file fails.
inline std::vector<std::vector<std::string>> Rows(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line :
         text::SplitLines(ReadFile(std::string(VARNIX_TEST_DATA_DIR) + "/" + path))) {
        rows.push_back(text::Split(line, '\t'));
    }
    return rows;
}
#endif

}  // namespace varnix::testing
