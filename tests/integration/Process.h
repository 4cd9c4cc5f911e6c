// Our real executables beside the tests: every wait on them is bounded, and a process that
// outlives its bound is killed. Under Wine the simulator runs natively, started by
// scripts/test-windows.sh, and is found through VARNIXPOS_SIM_TCP_PORT and VARNIXPOS_SIM_JOURNAL.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fakes/TestEnv.h"
#include "text/AnsiText.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace varnix::testing {

#ifndef _WIN32
// The folder of the running test executable, where our programs and the library are built.
inline std::string ExecutableFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
}

// A child of this process, in its environment, with its standard output and error in files.
class Process {
  public:
    explicit Process(const std::vector<std::string>& argv) {
        std::vector<char*> args(argv.size() + 1, nullptr);
        std::ranges::transform(argv, args.begin(),
                               [](auto& a) { return const_cast<char*>(a.data()); });
        const int out = ::open((dir_ / "out").c_str(), O_WRONLY | O_CREAT, 0600);
        const int err = ::open((dir_ / "err").c_str(), O_WRONLY | O_CREAT, 0600);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(out);
        ::close(err);
    }
    ~Process() { Wait(0); }

    void Signal(int signal) const {
        if (pid_ > 0) {
            ::kill(pid_, signal);
        }
    }
    bool Ended() {
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return pid_ <= 0;
    }
    // Its exit code, or -1 when a signal ended it or it had to be killed after `seconds`.
    int Wait(int seconds) {
        if (!Eventually([this] { return Ended(); }, seconds)) {
            Signal(SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        return code_;
    }
    std::string Stdout() const { return ReadFile(dir_ / "out"); }
    std::string Stderr() const { return ReadFile(dir_ / "err"); }

  private:
    TempDir dir_;
    int pid_ = -1;
    int code_ = -1;
};
#endif

// The real pos-simulator with its journal, listening on 127.0.0.1 at a port below 10000 (the
// range the console's port check takes) and on whatever else `options` ask for.
class Simulator {
  public:
    int TcpPort() const { return tcpPort_; }

#ifdef _WIN32
    explicit Simulator(const std::vector<std::string>& /*options*/ = {}) {
        const char* port = std::getenv("VARNIXPOS_SIM_TCP_PORT");
        const char* journal = std::getenv("VARNIXPOS_SIM_JOURNAL");
        tcpPort_ = port != nullptr ? std::atoi(port) : 0;
        journal_ = journal != nullptr ? journal : "";
        // One simulator serves every test: each sees only the journal lines that come after it.
        journalStart_ = Journal({}).size();
    }
#else
    explicit Simulator(const std::vector<std::string>& options = {}) {
        // Each link announces itself on a line of output once it is up; a port another test
        // holds ends the simulator at once, and another is tried.
        const auto links = 1 + std::ranges::count(options, "--serial");
        std::random_device random;
        for (int attempt = 0; attempt < 20 && tcpPort_ == 0; ++attempt) {
            const int port = 9000 + static_cast<int>(random() % 1000);
            std::vector<std::string> argv = {ExecutableFolder() + "pos-simulator", "--journal",
                                             journal_, "--tcp", std::to_string(port)};
            argv.insert(argv.end(), options.begin(), options.end());
            process.emplace(argv);
            const auto up = [&] { return std::ranges::count(process->Stdout(), '\n') >= links; };
            if (Eventually([&] { return up() || process->Ended(); }, 10) && up()) {
                tcpPort_ = port;
            }
        }
    }
#endif

    // Each journal line since this simulator started, cut down to the values of `fields`.
    std::vector<std::string> Journal(const std::vector<std::string>& fields) const {
        auto lines = text::SplitLines(ReadFile(journal_));
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(
                                                       std::min(journalStart_, lines.size())));
        for (auto& line : lines) {
            std::string values;
            for (const auto& field : fields) {
                const auto at = line.find("\"" + field + "\":\"");
                const auto from = at == std::string::npos ? line.size() : at + field.size() + 4;
                values +=
                    (values.empty() ? "" : " ") + line.substr(from, line.find('"', from) - from);
            }
            line = values;
        }
        return lines;
    }

  private:
    TempDir dir_;
    std::string journal_ = dir_ / "journal";
    std::size_t journalStart_ = 0;
    int tcpPort_ = 0;

  public:
#ifndef _WIN32
    std::optional<Process> process;  // last, so that it ends first
#endif
};

}  // namespace varnix::testing
