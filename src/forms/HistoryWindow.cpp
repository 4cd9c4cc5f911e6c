#include "forms/HistoryWindow.h"

#include "text/AnsiText.h"

namespace varnix::forms {

namespace {

// A CSV field: quoted when it holds the separator, a quote or a line end; quotes doubled.
std::string CsvField(const std::string& value) {
    if (value.find_first_of(";\"\r\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

static_assert(HistoryWindow::kColumns[HistoryWindow::kDurationColumn].unit != nullptr);

}  // namespace

void HistoryWindow::SetRows(std::vector<HistoryRow> newRows) {
    rows = std::move(newRows);
    ApplyFilter();
}

void HistoryWindow::ApplyFilter() {
    const std::string filter = text::ToUpper(txtFiltro.Text());
    shown.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string all;
        for (const auto& cell : rows[i].cells) {
            all += cell + '\n';
        }
        all = text::ToUpper(all);
        if (filter.empty() || all.find(filter) != std::string::npos) {
            shown.push_back(i);
        }
    }
    Select(shown.empty() ? -1 : 0);
}

void HistoryWindow::Select(int position) {
    selected = position >= 0 && static_cast<std::size_t>(position) < shown.size() ? position : -1;
    const HistoryRow* row = SelectedRow();
    txtDettaglio.SetText(row != nullptr ? row->detail : std::string());
}

const HistoryRow* HistoryWindow::SelectedRow() const {
    return selected >= 0 ? &rows[shown[static_cast<std::size_t>(selected)]] : nullptr;
}

std::string HistoryWindow::WithUnit(std::size_t column, const std::string& number) {
    return number + " " + kColumns[column].unit;
}

std::string HistoryWindow::Csv() const {
    std::string csv;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const std::string caption = kColumns[i].caption;
        csv += (i == 0 ? "" : ";") + CsvField(kColumns[i].unit == nullptr
                                                  ? caption
                                                  : caption + " (" + kColumns[i].unit + ")");
    }
    csv += text::kCrLf;
    for (const std::size_t index : shown) {
        const auto& cells = rows[index].cells;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            std::string cell = cells[i];
            const std::string suffix = kColumns[i].unit == nullptr ? "" : WithUnit(i, "");
            if (!suffix.empty() && cell.ends_with(suffix)) {
                cell.resize(cell.size() - suffix.size());
            }
            csv += (i == 0 ? "" : ";") + CsvField(cell);
        }
        csv += text::kCrLf;
    }
    return csv;
}

void HistoryWindow::Refresh() {
    if (onRefresh) {
        onRefresh();
    }
}

}  // namespace varnix::forms
