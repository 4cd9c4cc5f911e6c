// The settings checks and the six terminal operations the command handlers run. Each takes its
// values from the console form, runs on the terminal through the library (the payment is
// simulated instead), and leaves the outcome on the console. They return "" when they ran,
// whatever the terminal answered, or a message for the handler to pass on.
#pragma once

#include <string>

namespace varnix::exchange {

struct Context;

inline constexpr const char* kInvalidIp = "Indirizzo IP non valido";
inline constexpr const char* kInvalidPort = "Porta Eth non valida";
inline constexpr const char* kInvalidAmount = "Valore importo non valido";

class TerminalOperations {
  public:
    explicit TerminalOperations(Context& context) : context_(context) {}

    // "" with a serial link; with Ethernet, the address and port checks' message if one fails.
    std::string CheckConnectionSettings();
    // "" when the connection counts as present; shows "OK" and the last outcome on the console.
    std::string ZANDRIK_Status();

    std::string ZANDRIK_EseguiPagamento();  // simulated: no terminal involved
    std::string ZANDRIK_EseguiPagamentoEsteso();
    std::string ZANDRIK_Accredito();  // its run-time errors reach the caller
    std::string ZANDRIK_Storno();
    std::string ZANDRIK_Totali();
    std::string ZANDRIK_Chiusura();

  private:
    std::string EthernetCheck();
    void WriteSimulatedResult();

    Context& context_;
};

}  // namespace varnix::exchange
