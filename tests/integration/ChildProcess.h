// A child process for tests that run our real executables: started with extra environment
// variables, its standard output and error captured to files, waited for with a bound, and
// killed if it outlives the bound. POSIX only.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace varnix::testing {

class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal);
    // The exit code, or -1 when it had to be killed after `seconds`.
    int Wait(int seconds);
    std::string Stdout() const;
    std::string Stderr() const;

  private:
    int pid_ = -1;
    std::string out_;
    std::string err_;
};

}  // namespace varnix::testing
