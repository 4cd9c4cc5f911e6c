// The terminal simulator's transport: a loopback TCP listener and pseudo-terminal serial links,
// one conversation per connection, each request answered by the terminal model after the
// configured delay, and a JSON-lines journal of every request and its answer.
#pragma once

#include <asio.hpp>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "simulator/TerminalModel.h"

namespace varnix::sim {

struct ServerOptions {
    int tcpPort = -1;                      // -1: no TCP listener; 0: any free port
    std::vector<std::string> serialPorts;  // "COM3", ...
    std::string journalPath;
    int delayMs = 0;
    ModelOptions model;
};

class SerialLink;

class SimulatorServer {
  public:
    SimulatorServer(asio::io_context& io, ServerOptions options);
    ~SimulatorServer();

    // Opens every listener and link; prints one line per endpoint to `out`. False with `error`.
    bool Start(std::ostream& out, std::string& error);
    void Stop();

    // Used by the conversations.
    Reply HandleRequest(const proto::Request& request, const std::string& link);
    int DelayMs() const { return options_.delayMs; }
    void JournalMalformed(const std::string& link);
    asio::io_context& Io() { return io_; }

  private:
    void Accept();
    void Journal(const std::string& line);

    asio::io_context& io_;
    ServerOptions options_;
    TerminalModel model_;
    std::unique_ptr<asio::ip::tcp::acceptor> acceptor_;
    std::vector<std::unique_ptr<SerialLink>> serial_;
    std::ofstream journal_;
    std::uint64_t requests_ = 0;
};

}  // namespace varnix::sim
