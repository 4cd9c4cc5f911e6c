// The console's buttons and its unload: each button checks the console's fields, puts the
// console in its busy state, opens the link, fills the request and calls its library function,
// then shows the outcome. Views forward clicks here; the form model holds only the fields.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "forms/ConsoleForm.h"
#include "iae17/Functions.h"

namespace varnix::exchange {
struct Context;
}

namespace varnix::engine {

class ConsoleActions {
  public:
    explicit ConsoleActions(exchange::Context& context) : context_(context) {}

    // The unload handler, in every run mode: releases the library and ends the process.
    void Form_Unload(int exitCode = 0);

    void btnPagamento_Click();
    void btnAccredito_Click();
    void btnStorno_Click();
    void btnPreautorizzazione_Click();
    void btnIntegrativa_Click();
    void btnPreautChiusura_Click();
    void btnTotali_Click();
    void btnChiusura_Click();
    void btnStatus_Click();
    // The button exists and is enabled with the others, but has no action of its own.
    void btnStornoPreautorizzazione_Click() {}

  private:
    using RequiredField = std::pair<const forms::TextBox*, const char*>;
    struct ButtonAction {
        std::vector<RequiredField> required;
        bool setRequest;
        forms::AmountSource source;
        bool amountOfOneCent;
        iae17::Function function;
    };
    void RunButton(const ButtonAction& action);

    exchange::Context& context_;
};

}  // namespace varnix::engine
