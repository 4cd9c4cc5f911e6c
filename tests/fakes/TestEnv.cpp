#include "fakes/TestEnv.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifdef VARNIX_TEST_ENV_THROUGH_QT
#include <QByteArray>
#include <QtGlobal>
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/posix/PosixPlatform.h"
#endif

namespace varnix::testing {

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(const fs::path& p) {
    std::string s = p.string();
    const char sep = static_cast<char>(fs::path::preferred_separator);
    if (s.empty() || s.back() != sep) {
        s.push_back(sep);
    }
    return s;
}

// Sets the variable, or removes it when there is no value.
void Put(const std::string& name, const std::optional<std::string>& value) {
#if defined(VARNIX_TEST_ENV_THROUGH_QT)
    // Qt's own threads (the test watchdog among them) read the environment under Qt's lock; a
    // change made past that lock can move the variables from under them.
    if (value) {
        qputenv(name.c_str(), QByteArray::fromStdString(*value));
    } else {
        qunsetenv(name.c_str());
    }
#elif defined(_WIN32)
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
}

}  // namespace

TempDir::TempDir() {
    std::random_device rd;
    const auto base = fs::temp_directory_path();
    for (;;) {
        auto candidate = base / ("varnixpos-test-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            path_ = WithSeparator(candidate);
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write rights a test may have taken away, then remove everything.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string TempDir::MakeFolder(const std::string& name) const {
    fs::create_directories(path_ + name);
    return WithSeparator(path_ + name);
}

std::string TempDir::InMissingFolder(const std::string& name) const {
    return WithSeparator(path_ + "missing") + name;
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        previous_ = old;
    }
    Put(name_, value);
}

ScopedEnv::~ScopedEnv() {
    Put(name_, previous_);
}

void SetDataFolderOverride(const std::optional<std::string>& value) {
#ifdef _WIN32
    const std::string key = "\"HKCU\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX\"";
    // reg.exe reads \" as an escaped quote: a trailing backslash must be doubled.
    std::string data = value.value_or("");
    if (!data.empty() && data.back() == '\\') {
        data.push_back('\\');
    }
    const std::string command =
        value ? "reg add " + key + " /v CustomPathDataDir /t REG_SZ /d \"" + data + "\" /f"
              : "reg delete " + key + " /v CustomPathDataDir /f";
    std::system((command + " >NUL 2>&1").c_str());
#else
    const auto file = platform::PosixPlatform::RegistryFilePath();
    fs::create_directories(fs::path(file).parent_path());
    std::string escaped;
    for (char c : value.value_or("")) {
        if (c == '\\' || c == '"') {
            escaped.push_back('\\');
        }
        escaped.push_back(c);
    }
    std::string contents =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\ZANDRIK Engineering\\ZANDRIKOSTRIX]\r\n";
    if (value) {
        contents += "\"CustomPathDataDir\"=\"" + escaped + "\"\r\n";
    }
    WriteFile(file, contents);
#endif
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void SetFileAge(const std::string& path, int seconds) {
#ifdef _WIN32
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
#else
    // Both times at once: setting the modification time alone reads, to a watcher, as a write.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    now.tv_sec -= seconds;
    const timespec times[2] = {now, now};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
#endif
}

}  // namespace varnix::testing
