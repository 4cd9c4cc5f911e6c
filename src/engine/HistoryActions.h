// The "Storico" window's actions: the service window's menu item opens it on the newest
// exchanges of the data folder's history; the filter box, a click on a row and "Esporta CSV…"
// act on its model. Views forward the window's events here.
#pragma once

#include <cstddef>

namespace varnix::exchange {
struct Context;
}

namespace varnix::engine {

class HistoryActions {
  public:
    // How many exchanges the window shows at the most (the newest).
    static constexpr std::size_t kShownExchanges = 1000;

    explicit HistoryActions(exchange::Context& context) : context_(context) {}

    // Menu "Storico": reads the history and shows the window.
    void mnuStorico_Click();
    void txtFiltro_Change();
    void lstStorico_Click(int position);
    // Asks where, and writes the rows shown as CSV there.
    void cmdEsporta_Click();

  private:
    exchange::Context& context_;
};

}  // namespace varnix::engine
