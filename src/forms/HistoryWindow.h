// The "Storico" window as a model: the exchanges of the history newest first, the filter box,
// the table rows the filter lets through, the selected exchange's record exactly as the dump
// shows it, and the CSV of what is shown. Its menu item and buttons run engine::HistoryActions;
// views display it and forward input.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "forms/Controls.h"

namespace varnix::forms {

// A column of the table: its caption, its width at 96 dpi (the views scale it), and the unit of
// a number column: its cells read "<number> <unit>", and the CSV gives the number alone under
// "<caption> (<unit>)", so a spreadsheet can add them up.
struct HistoryColumn {
    const char* caption;
    int width;
    const char* unit = nullptr;
};

inline constexpr std::size_t kHistoryColumnCount = 7;

struct HistoryRow {
    std::array<std::string, kHistoryColumnCount> cells;  // in HistoryWindow::kColumns order
    std::string detail;                                  // the exchange record as the dump shows it
};

class HistoryWindow {
  public:
    static constexpr const char* kCaption = "Storico degli scambi";
    // The one table both views and `--history` build from; the cells come from the history's
    // entries (exchange::HistoryRowOf).
    static constexpr std::array<HistoryColumn, kHistoryColumnCount> kColumns = {{
        {"Inizio", 125},
        {"Comando", 180},
        {"Esito", 60},
        {"Importo", 65},
        {"STAN", 65},
        {"Durata", 65, "ms"},
        {"Motivo", 200},
    }};
    // Windows-1252: \x85 is the ellipsis.
    static constexpr std::size_t kDurationColumn = 5;
    // A number cell of `column` as the table shows it.
    static std::string WithUnit(std::size_t column, const std::string& number);

    static constexpr const char* kExportCaption = "Esporta CSV\x85";
    static constexpr const char* kFilterCaption = "Filtro";

    // New rows (newest first): the filter applies, the first shown row is selected.
    void SetRows(std::vector<HistoryRow> rows);
    // Keeps the rows holding the filter's text in any column, letter case ignored.
    void ApplyFilter();
    // Selects the shown row at `position` (-1: none) and shows its record.
    void Select(int position);
    const HistoryRow* SelectedRow() const;
    // The shown rows as CSV for a spreadsheet: ";" between fields, a header line, CR LF; a
    // number column without its unit.
    std::string Csv() const;

    void Refresh();
    std::function<void()> onRefresh;

    bool visible = false;
    TextBox txtFiltro;
    std::vector<HistoryRow> rows;    // every exchange loaded
    std::vector<std::size_t> shown;  // the rows the filter lets through, in order
    int selected = -1;               // position in `shown`
    TextBox txtDettaglio;            // the selected exchange's record
};

}  // namespace varnix::forms
