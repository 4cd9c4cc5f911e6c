#include "integration/SimulatorProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "text/AnsiText.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <ctime>
#else
#include <windows.h>
#endif

namespace varnix::testing {

std::string ExecutableFolder() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
#else
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string s(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return s.substr(0, s.find_last_of('/') + 1);
#endif
}

std::vector<std::string> SimulatorProcess::JournalLines() const {
    std::ifstream in(journal_, std::ios::binary);
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto lines = text::SplitLines(contents);
    lines.erase(lines.begin(),
                lines.begin() + static_cast<std::ptrdiff_t>(std::min(journalStart_, lines.size())));
    return lines;
}

#ifdef _WIN32

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& /*args*/) {
    if (const char* port = std::getenv("VARNIXPOS_SIM_TCP_PORT")) {
        tcpPort_ = std::atoi(port);
    }
    if (const char* journal = std::getenv("VARNIXPOS_SIM_JOURNAL")) {
        journal_ = journal;
    }
    // One simulator serves every test: each sees only the journal lines that come after it.
    journalStart_ = JournalLines().size();
}

SimulatorProcess::~SimulatorProcess() = default;

void SimulatorProcess::Stop() {}
void SimulatorProcess::Kill() {}

#else

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& requested) {
    // "--tcp low" asks for a free port below 10000, the range the console's port check takes:
    // a random one, tried again when another test holds it.
    std::vector<std::string> args = requested;
    bool low = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--tcp" && args[i + 1] == "low") {
            low = true;
        }
    }
    for (int attempt = 0; attempt < (low ? 20 : 1); ++attempt) {
        if (low) {
            for (std::size_t i = 0; i + 1 < args.size(); ++i) {
                if (args[i] == "--tcp") {
                    args[i + 1] = std::to_string(9000 + (::getpid() * 7 + attempt * 131 +
                                                         static_cast<int>(::time(nullptr))) %
                                                            1000);
                }
            }
        }
        Spawn(args);
        if (Running()) {
            return;
        }
        Stop();
    }
}

void SimulatorProcess::Spawn(const std::vector<std::string>& args) {
    tcpPort_ = 0;
    serialPorts_.clear();
    int out[2];
    if (::pipe(out) != 0) {
        return;
    }
    if (journal_.empty()) {
        char journalTemplate[] = "/tmp/varnixpos-journal-XXXXXX";
        const int fd = ::mkstemp(journalTemplate);
        if (fd >= 0) {
            ::close(fd);
        }
        journal_ = journalTemplate;
    }
    const std::string program = ExecutableFolder() + "pos-simulator";
    std::vector<std::string> all = {program, "--journal", journal_};
    all.insert(all.end(), args.begin(), args.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    // Read the endpoint lines, waiting ten seconds at most for the simulator to come up.
    std::size_t expected = 0;
    for (const auto& a : args) {
        expected += (a == "--tcp" || a == "--serial") ? 1U : 0U;
    }
    std::string buffer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::size_t lines = 0;
    while (lines < expected && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        char chunk[512];
        const ssize_t n = ::read(out[0], chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        std::size_t pos = 0;
        while ((pos = buffer.find('\n')) != std::string::npos) {
            const std::string line = buffer.substr(0, pos);
            buffer.erase(0, pos + 1);
            ++lines;
            if (line.rfind("tcp 127.0.0.1:", 0) == 0) {
                tcpPort_ = std::atoi(line.c_str() + 14);
            } else if (line.rfind("serial ", 0) == 0) {
                serialPorts_.push_back(line.substr(7, line.find(' ', 7) - 7));
            }
        }
    }
    ::close(out[0]);
}

SimulatorProcess::~SimulatorProcess() {
    Stop();
    if (!journal_.empty()) {
        ::unlink(journal_.c_str());
    }
}

void SimulatorProcess::Kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void SimulatorProcess::Stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

#endif

}  // namespace varnix::testing
