#include "simulator/SimulatorServer.h"

#include "exchange/ExchangeHistory.h"
#include "iae17/Functions.h"
#include "ports/SystemClock.h"
#include "text/AnsiText.h"

#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace varnix::sim {

namespace {

// The journal's text fields come from the records as Windows-1252 bytes; JSON wants UTF-8.
std::string Utf8(const std::string& ansi) {
    return text::Cp1252ToUtf8(ansi);
}

// One conversation over a stream: reads request frames, answers each after the delay.
template <typename Stream>
class Conversation : public std::enable_shared_from_this<Conversation<Stream>> {
  public:
    Conversation(SimulatorServer& server, Stream stream, std::string link,
                 std::function<void()> onDrop)
        : server_(server),
          stream_(std::move(stream)),
          link_(std::move(link)),
          timer_(server.Io()),
          onDrop_(std::move(onDrop)) {}

    void Start() { Read(); }
    void Close() {
        asio::error_code ec;
        stream_.close(ec);
    }

  private:
    void Read() {
        auto self = this->shared_from_this();
        stream_.async_read_some(asio::buffer(chunk_),
                                [self](const asio::error_code& ec, std::size_t n) {
                                    if (ec) {
                                        return;  // the peer went away: this conversation ends
                                    }
                                    self->buffer_.append(self->chunk_.data(), n);
                                    self->Process();
                                });
    }

    void Process() {
        proto::Frame frame;
        std::size_t consumed = 0;
        const auto status = proto::DecodeFrame(buffer_, frame, consumed);
        if (status == proto::DecodeStatus::NeedMore) {
            Read();
            return;
        }
        const auto request =
            status == proto::DecodeStatus::Complete && frame.type == proto::kRequest
                ? proto::DecodeRequest(frame.payload)
                : std::nullopt;
        if (!request) {
            server_.JournalMalformed(link_);
            buffer_.clear();
            Read();
            return;
        }
        buffer_.erase(0, consumed);
        Reply reply = server_.HandleRequest(*request, link_);
        auto self = this->shared_from_this();
        timer_.expires_after(std::chrono::milliseconds(reply.delayMs));
        timer_.async_wait(
            [self, reply = std::move(reply), seq = frame.seq](const asio::error_code& ec) {
                if (!ec) {
                    self->Deliver(reply, seq);
                }
            });
    }

    void Deliver(const Reply& reply, std::uint32_t seq) {
        std::string bytes;
        switch (reply.delivery) {
            case Delivery::Silence:
                Process();
                return;
            case Delivery::HangUp:
                HangUp();
                return;
            case Delivery::Garbage:
                bytes = "\x02VX? no frame here\r\n";
                break;
            case Delivery::Answer:
            case Delivery::Drop:
                bytes =
                    proto::EncodeFrame({proto::kAnswer, seq, proto::EncodeAnswer(reply.answer)});
                break;
        }
        const bool drop = reply.delivery == Delivery::Drop;
        if (drop) {
            bytes.resize(bytes.size() / 2);
        }
        auto self = this->shared_from_this();
        out_ = std::move(bytes);
        asio::async_write(stream_, asio::buffer(out_),
                          [self, drop](const asio::error_code& ec, std::size_t) {
                              if (drop) {
                                  self->HangUp();
                              } else if (!ec) {
                                  self->Process();
                              }
                          });
    }

    // A serial link is replaced before it hangs up, so the next caller finds the new one; a TCP
    // connection just closes.
    void HangUp() {
        if (onDrop_) {
            onDrop_();
        }
        Close();
    }

    SimulatorServer& server_;
    Stream stream_;
    std::string link_;
    asio::steady_timer timer_;
    std::function<void()> onDrop_;
    std::array<char, 4096> chunk_{};
    std::string buffer_;
    std::string out_;
};

}  // namespace

#ifndef _WIN32
// A pseudo-terminal standing for one serial port, linked where the library looks for it.
class SerialLink {
  public:
    SerialLink(SimulatorServer& server, std::string comPort)
        : server_(server), comPort_(std::move(comPort)) {}
    ~SerialLink() { Close(); }

    bool Open(std::string& error) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            error = "cannot create a pseudo-terminal";
            return false;
        }
        const char* name = ::ptsname(master_);
        if (name == nullptr) {
            error = "cannot name the pseudo-terminal";
            return false;
        }
        slaveName_ = name;
        // Holding the slave open keeps the master readable between the library's visits.
        slave_ = ::open(name, O_RDWR | O_NOCTTY);
        if (slave_ < 0) {
            error = "cannot open " + slaveName_;
            return false;
        }
        termios tio{};
        ::tcgetattr(slave_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
        const std::string folder = proto::SerialLinkFolder();
        ::mkdir(folder.c_str(), 0700);
        link_ = proto::SerialLinkPath(comPort_);
        // Linked under a temporary name and renamed: the path never goes missing, even while a
        // dropped link is being replaced.
        const std::string fresh = link_ + ".new";
        ::unlink(fresh.c_str());
        if (::symlink(name, fresh.c_str()) != 0 || ::rename(fresh.c_str(), link_.c_str()) != 0) {
            error = "cannot link " + link_;
            return false;
        }
        asio::posix::stream_descriptor stream(server_.Io(), master_);
        master_ = -1;  // owned by the stream now
        conversation_ = std::make_shared<Conversation<asio::posix::stream_descriptor>>(
            server_, std::move(stream), comPort_, [this] { Replace(); });
        conversation_->Start();
        return true;
    }

    // A dropped link: a new pseudo-terminal takes over the path first, then the old one hangs
    // up, so the library's next call already finds the new one.
    void Replace() {
        auto oldConversation = std::move(conversation_);
        const int oldSlave = slave_;
        slave_ = -1;
        std::string error;
        Open(error);
        if (oldConversation) {
            oldConversation->Close();
        }
        if (oldSlave >= 0) {
            ::close(oldSlave);
        }
    }

    void Close() {
        if (conversation_) {
            conversation_->Close();
            conversation_.reset();
        }
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
        if (slave_ >= 0) {
            ::close(slave_);
            slave_ = -1;
        }
        if (!link_.empty()) {
            ::unlink(link_.c_str());
            link_.clear();
        }
    }

    // A port nobody can open, while a test step refuses the connection: the link's path goes,
    // the pseudo-terminal stays.
    void SetVisible(bool visible) {
        if (link_.empty()) {
            return;
        }
        if (!visible) {
            ::unlink(link_.c_str());
            return;
        }
        const std::string fresh = link_ + ".new";
        ::unlink(fresh.c_str());
        if (::symlink(slaveName_.c_str(), fresh.c_str()) == 0) {
            ::rename(fresh.c_str(), link_.c_str());
        }
    }

    const std::string& ComPort() const { return comPort_; }
    const std::string& LinkPath() const { return link_; }
    const std::string& SlaveName() const { return slaveName_; }

  private:
    SimulatorServer& server_;
    std::string comPort_;
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::string link_;
    std::shared_ptr<Conversation<asio::posix::stream_descriptor>> conversation_;
};
#else
class SerialLink {
  public:
    SerialLink(SimulatorServer&, std::string comPort) : comPort_(std::move(comPort)) {}
    bool Open(std::string& error) {
        error = "serial links need a POSIX pseudo-terminal";
        return false;
    }
    void Close() {}
    void SetVisible(bool) {}
    const std::string& ComPort() const { return comPort_; }
    const std::string& LinkPath() const { return comPort_; }
    const std::string& SlaveName() const { return comPort_; }

  private:
    std::string comPort_;
};
#endif

SimulatorServer::SimulatorServer(asio::io_context& io, ServerOptions options)
    : io_(io), options_(std::move(options)), model_(options_.model), acceptRetry_(io) {}

SimulatorServer::~SimulatorServer() {
    Stop();
}

bool SimulatorServer::Start(std::ostream& out, std::string& error) {
    if (!options_.journalPath.empty()) {
        journal_.open(options_.journalPath, std::ios::app);
        if (!journal_) {
            error = "cannot open the journal " + options_.journalPath;
            return false;
        }
    }
    if (options_.tcpPort == 0) {
        // The system's own choice would lie far above what VarnixPos takes: a random port below
        // its limit, above the privileged ones, tried until one is free.
        std::random_device seed;
        std::mt19937 random(seed());
        std::uniform_int_distribution<int> ports(1024, kMaxVarnixPosPort);
        for (int attempt = 0; attempt < 200 && !acceptor_; ++attempt) {
            Listen(ports(random), error);
        }
        if (!acceptor_) {
            error = "no free port from 1024 to " + std::to_string(kMaxVarnixPosPort) + ": " + error;
            return false;
        }
        out << "tcp 127.0.0.1:" << port_ << std::endl;
    } else if (options_.tcpPort > 0) {
        if (!Listen(options_.tcpPort, error)) {
            return false;
        }
        out << "tcp 127.0.0.1:" << port_ << std::endl;
    }
    for (const auto& port : options_.serialPorts) {
        auto link = std::make_unique<SerialLink>(*this, port);
        if (!link->Open(error)) {
            return false;
        }
        out << "serial " << port << " " << link->LinkPath() << " -> " << link->SlaveName()
            << std::endl;
        serial_.push_back(std::move(link));
    }
    return true;
}

bool SimulatorServer::Listen(int port, std::string& error) {
    asio::error_code ec;
    // Loopback only: the simulator is never reachable from another machine.
    const asio::ip::tcp::endpoint endpoint(asio::ip::address_v4::loopback(),
                                           static_cast<unsigned short>(port));
    acceptor_ = std::make_unique<asio::ip::tcp::acceptor>(io_);
    acceptor_->open(endpoint.protocol(), ec);
    if (!ec) {
        acceptor_->set_option(asio::socket_base::reuse_address(true), ec);
        acceptor_->bind(endpoint, ec);
    }
    if (!ec) {
        acceptor_->listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + ec.message();
        acceptor_.reset();
        return false;
    }
    port_ = acceptor_->local_endpoint().port();
    Accept();
    return true;
}

bool SimulatorServer::SetListening(bool listening, std::string& error) {
    for (auto& link : serial_) {
        link->SetVisible(listening);
    }
    if (options_.tcpPort < 0 || listening == (acceptor_ != nullptr)) {
        return true;
    }
    if (!listening) {
        asio::error_code ec;
        acceptor_->close(ec);
        acceptor_.reset();
        return true;
    }
    return Listen(port_, error);
}

void SimulatorServer::Stop() {
    if (acceptor_) {
        asio::error_code ec;
        acceptor_->close(ec);
    }
    for (auto& link : serial_) {
        link->Close();
    }
}

void SimulatorServer::Accept() {
    auto* acceptor = acceptor_.get();
    acceptor->async_accept(
        [this, acceptor](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (acceptor != acceptor_.get() || ec == asio::error::operation_aborted) {
                return;  // closed at shut-down, or while a test step refuses connections
            }
            if (ec) {
                // Out of descriptors, say, with connections nobody closes: tried again shortly
                // rather than never again.
                acceptRetry_.expires_after(std::chrono::milliseconds(100));
                acceptRetry_.async_wait([this, acceptor](const asio::error_code& waited) {
                    if (!waited && acceptor == acceptor_.get()) {
                        Accept();
                    }
                });
                return;
            }
            std::make_shared<Conversation<asio::ip::tcp::socket>>(*this, std::move(socket), "tcp",
                                                                  nullptr)
                ->Start();
            Accept();
        });
}

Reply SimulatorServer::HandleRequest(const proto::Request& request, const std::string& link) {
    const auto now = ports::LocalNow();
    Reply reply;
    if (script_) {
        reply = script_(model_, request);
    } else {
        reply = model_.Handle(request, now);
        reply.delayMs = options_.delayMs;
    }
    iae17::POSRequest req;
    iae17::Unpack(request.request, req);
    iae17::POSData sent;
    iae17::Unpack(request.data, sent);
    iae17::POSData answered;
    iae17::Unpack(reply.answer.data, answered);
    const nlohmann::ordered_json line = {
        {"n", ++requests_},
        {"link", Utf8(link)},
        {"function", iae17::FunctionNameOfWire(request.function)},
        {"amount", Utf8(TrimField(req.Amount.Text()))},
        {"terminal_id", Utf8(TrimField(req.TerminalId.Text()))},
        {"ecr_id", Utf8(TrimField(req.EcrId.Text()))},
        {"payment_type", Utf8(TrimField(req.PaymentType.Text()))},
        {"void_stan", Utf8(TrimField(sent.STAN.Text()))},
        {"preauth_code", Utf8(TrimField(req.PreauthorizationCode.Text()))},
        {"outcome", Utf8(reply.outcome)},
        {"result", reply.answer.result},
        {"stan", Utf8(TrimField(answered.STAN.Text()))},
    };
    Journal(line.dump());
    if (console_ != nullptr) {
        // The columns of VarnixPos's own exchange lines, "-" for an empty one.
        const std::string amount = exchange::AmountText(TrimField(req.Amount.Text()));
        *console_ << ports::DateTimeText(now) << "  " << iae17::FunctionNameOfWire(request.function)
                  << "  " << (amount.empty() ? "-" : Utf8(amount)) << "  " << reply.outcome << " "
                  << reply.answer.result << std::endl;
    }
    if (observer_) {
        observer_(request, reply);
    }
    return reply;
}

void SimulatorServer::JournalMalformed(const std::string& link) {
    const nlohmann::ordered_json line = {
        {"n", ++requests_}, {"link", Utf8(link)}, {"outcome", "malformed request"}};
    Journal(line.dump());
}

void SimulatorServer::Journal(const std::string& line) {
    if (journal_.is_open()) {
        journal_ << line << '\n';
        journal_.flush();
    }
}

}  // namespace varnix::sim
