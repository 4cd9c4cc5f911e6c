// The "Storico" window: a non-modal view of the history model. The filter box, a click on a row
// and "Esporta CSV…" are forwarded to engine::HistoryActions; the table shows the rows the model
// lets through and the record pane the selected exchange as the dump shows it.
#pragma once

#include <QDialog>
#include <QTableWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "forms/HistoryWindow.h"
#include "frontends/qt/FormBinder.h"

namespace varnix::engine {
class HistoryActions;
}

namespace varnix::qt {

class HistoryDialog : public QDialog {
  public:
    HistoryDialog(forms::HistoryWindow& model, engine::HistoryActions& actions,
                  std::function<void()> afterAction);

    // Shows the model; `paintNow` paints what changed before returning (see FormBinder::Pull).
    void Pull(bool paintNow = false);
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // True when it changed the table.
    bool PullTable();

    forms::HistoryWindow& model_;
    engine::HistoryActions& actions_;
    std::function<void()> afterAction_;
    FormBinder binder_;
    QTableWidget* table_ = nullptr;
    // What the table shows, to rebuild it only when the rows the model lets through change.
    std::vector<std::array<std::string, forms::HistoryWindow::kColumns.size()>> tableRows_;
    bool pulling_ = false;
};

}  // namespace varnix::qt
