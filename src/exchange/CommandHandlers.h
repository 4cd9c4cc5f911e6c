// One handler per command-file keyword. A handler reads its line's fields into the request
// record, checks the line and the connection, puts the values into the console boxes the
// operation reads, and runs the operation once. It returns a refusal of its own or the
// operation's text. Run-time errors skip the failing step.
#pragma once

#include <string>

namespace varnix::exchange {

struct Context;

inline constexpr const char* kMissingParameters = "Parametri mancanti";
inline constexpr const char* kNoConnection = "Connessione assente";
inline constexpr const char* kNotAvailable = "Funzione non disponibile";

class CommandHandlers {
  public:
    explicit CommandHandlers(Context& context) : context_(context) {}

    std::string CmdPagamento(const std::string& line);
    std::string CmdPagamentoEsteso(const std::string& line);
    std::string CmdAccredito(const std::string& line);
    std::string CmdChiusura(const std::string& line);
    std::string CmdTotali(const std::string& line);
    std::string CmdStorno(const std::string& line);
    std::string CmdPreautorizzazione(const std::string& line);
    std::string CmdIntegrativa(const std::string& line);
    std::string CmdChiusuraPreaut(const std::string& line);
    std::string CmdStato(const std::string& line);

  private:
    enum class Kind { Payment, ExtendedPayment, Refund, Void };
    std::string RunFieldHandler(Kind kind, const std::string& line);
    std::string RunPlainHandler(bool closure);

    Context& context_;
};

}  // namespace varnix::exchange
