#include "engine/HistoryActions.h"

#include "config/FileNames.h"
#include "exchange/Context.h"
#include "exchange/ExchangeHistory.h"

namespace varnix::engine {

void HistoryActions::mnuStorico_Click() {
    const auto entries = exchange::ExchangeHistory::ReadNewest(
        context_.platform, context_.DataFile(config::kHistoryFileName), kShownExchanges);
    std::vector<forms::HistoryRow> rows;
    rows.reserve(entries.size());
    for (const auto& entry : entries) {
        auto row = exchange::HistoryRowOf(entry);
        row.detail = exchange::ExchangeHistory::RecordOf(entry);
        rows.push_back(std::move(row));
    }
    auto& window = context_.history;
    window.SetRows(std::move(rows));
    window.visible = true;
    window.Refresh();
    context_.ports.shell.ShowHistory();
}

void HistoryActions::txtFiltro_Change() {
    context_.history.ApplyFilter();
    context_.history.Refresh();
}

void HistoryActions::lstStorico_Click(int position) {
    context_.history.Select(position);
    context_.history.Refresh();
}

void HistoryActions::cmdEsporta_Click() {
    const std::string path = context_.ports.dialogs.AskSavePath(
        forms::HistoryWindow::kExportCaption, "StoricoVnxPos.csv");
    if (path.empty()) {
        return;  // the user cancelled
    }
    if (!context_.platform.WriteWholeFile(path, context_.history.Csv())) {
        context_.ports.dialogs.Warn("Errore di accesso al percorso/file: " + path);
    }
}

}  // namespace varnix::engine
