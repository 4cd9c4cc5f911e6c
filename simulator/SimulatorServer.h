// The terminal simulator's transport: a loopback TCP listener and pseudo-terminal serial links,
// one conversation per connection, each request answered by the terminal model after the
// configured delay, and a JSON-lines journal of every request and its answer.
#pragma once

#include <asio.hpp>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "simulator/TerminalModel.h"

namespace varnix::sim {

// The highest port VarnixPos's configuration takes (PORT: below 9999): a simulator beyond it could
// never be reached.
inline constexpr int kMaxVarnixPosPort = 9998;

struct ServerOptions {
    int tcpPort = -1;  // -1: no TCP listener; 0: any free port VarnixPos can use
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

    // Closes the listener and hides the serial links (a terminal that refuses connections), or
    // opens them again on the same port and paths.
    bool SetListening(bool listening, std::string& error);
    // In a test run the script, not the configured outcome, decides each answer.
    using Script = std::function<Reply(TerminalModel&, const proto::Request&)>;
    void SetScript(Script script) { script_ = std::move(script); }
    // Told of every request and the answer it got (a session being recorded).
    using Observer = std::function<void(const proto::Request&, const Reply&)>;
    void SetObserver(Observer observer) { observer_ = std::move(observer); }
    // Where a line per exchange is printed as it is answered (time, operation, amount, outcome),
    // so the console shows the traffic; nothing when null.
    void SetConsole(std::ostream* console) { console_ = console; }

    // Used by the conversations.
    Reply HandleRequest(const proto::Request& request, const std::string& link);
    void JournalMalformed(const std::string& link);
    asio::io_context& Io() { return io_; }

  private:
    bool Listen(int port, std::string& error);
    void Accept();
    void Journal(const std::string& line);

    asio::io_context& io_;
    ServerOptions options_;
    TerminalModel model_;
    std::unique_ptr<asio::ip::tcp::acceptor> acceptor_;
    int port_ = 0;
    Script script_;
    Observer observer_;
    std::ostream* console_ = nullptr;
    asio::steady_timer acceptRetry_;
    std::vector<std::unique_ptr<SerialLink>> serial_;
    std::ofstream journal_;
    std::uint64_t requests_ = 0;
};

}  // namespace varnix::sim
