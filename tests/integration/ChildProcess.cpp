#include "integration/ChildProcess.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "fakes/TestEnv.h"

namespace varnix::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment) {
    char outName[] = "/tmp/varnixpos-child-out-XXXXXX";
    char errName[] = "/tmp/varnixpos-child-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    out_ = outName;
    err_ = errName;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        for (const auto& [name, value] : environment) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<std::string> args = argv;
        std::vector<char*> raw;
        for (auto& a : args) {
            raw.push_back(a.data());
        }
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        Wait(0);
    }
    ::unlink(out_.c_str());
    ::unlink(err_.c_str());
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

int ChildProcess::Wait(int seconds) {
    if (pid_ <= 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string ChildProcess::Stdout() const {
    return ReadFile(out_);
}
std::string ChildProcess::Stderr() const {
    return ReadFile(err_);
}

}  // namespace varnix::testing
#endif
