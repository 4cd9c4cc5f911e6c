#include "frontends/qt/HistoryDialog.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "engine/HistoryActions.h"
#include "frontends/qt/ScreenFit.h"

namespace varnix::qt {

HistoryDialog::HistoryDialog(forms::HistoryWindow& model, engine::HistoryActions& actions,
                             std::function<void()> afterAction)
    : model_(model), actions_(actions), afterAction_(std::move(afterAction)) {
    setObjectName("frmStorico");
    setWindowTitle(FromAnsi(forms::HistoryWindow::kCaption));
    setModal(false);
    // A window of its own beside the service window, with the usual frame buttons.
    setWindowFlags(Qt::Window);
    auto* root = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(FromAnsi(forms::HistoryWindow::kFilterCaption)));
    auto* filter = binder_.Line(model.txtFiltro, "txtFiltro");
    // Connected after the binder's own slot: the model holds the new text by then.
    connect(filter, &QLineEdit::textEdited, this, [this] {
        actions_.txtFiltro_Change();
        afterAction_();
    });
    top->addWidget(filter, 1);
    auto* exportButton = new QPushButton(FromAnsi(forms::HistoryWindow::kExportCaption));
    exportButton->setObjectName("cmdEsporta");
    connect(exportButton, &QPushButton::clicked, this, [this] {
        actions_.cmdEsporta_Click();
        afterAction_();
    });
    top->addWidget(exportButton);
    root->addLayout(top);

    table_ = new QTableWidget(0, static_cast<int>(forms::HistoryWindow::kColumns.size()));
    table_->setObjectName("lstStorico");
    QStringList headers;
    for (const auto& column : forms::HistoryWindow::kColumns) {
        headers << FromAnsi(column.caption);
    }
    table_->setHorizontalHeaderLabels(headers);

    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    // A row a line high: the style's default leaves room for half the rows in the same space.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    // The mouse and the arrow keys alike: the row that becomes current is the one to show.
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (pulling_ || row < 0) {
            return;
        }
        actions_.lstStorico_Click(row);
        afterAction_();
    });

    auto* detail = new QPlainTextEdit;
    detail->setObjectName("txtDettaglio");
    detail->setReadOnly(true);
    // The record's columns line up only unwrapped, in a fixed-width font.
    detail->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier("Courier New");
    courier.setStyleHint(QFont::Monospace);
    detail->setFont(courier);
    binder_.Bind(detail, model.txtDettaglio);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(table_);
    split->addWidget(detail);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    root->addWidget(split, 1);

    FitToScreen(this, QSize(820, 600));
    Pull();
}

bool HistoryDialog::PullTable() {
    std::vector<std::array<std::string, forms::kHistoryColumnCount>> rows;
    rows.reserve(model_.shown.size());
    for (const std::size_t index : model_.shown) {
        rows.push_back(model_.rows[index].cells);
    }
    bool changed = false;
    if (rows != tableRows_) {
        changed = true;
        tableRows_ = std::move(rows);
        table_->clearContents();
        table_->setRowCount(static_cast<int>(tableRows_.size()));
        for (std::size_t r = 0; r < tableRows_.size(); ++r) {
            for (std::size_t c = 0; c < tableRows_[r].size(); ++c) {
                table_->setItem(static_cast<int>(r), static_cast<int>(c),
                                new QTableWidgetItem(FromAnsi(tableRows_[r][c])));
            }
        }
        // The table's widths at the least; wider where this font and these rows need it.
        table_->resizeColumnsToContents();
        for (std::size_t c = 0; c < forms::HistoryWindow::kColumns.size(); ++c) {
            const int column = static_cast<int>(c);
            table_->setColumnWidth(column, std::max(table_->columnWidth(column),
                                                    forms::HistoryWindow::kColumns[c].width));
        }
        table_->horizontalHeader()->setStretchLastSection(true);
    }
    if (table_->currentRow() != model_.selected) {
        if (model_.selected < 0) {
            table_->clearSelection();
            table_->setCurrentCell(-1, -1);
        } else {
            table_->setCurrentCell(model_.selected, 0);
            table_->scrollToItem(table_->item(model_.selected, 0));
        }
        changed = true;
    }
    return changed;
}

void HistoryDialog::Pull(bool paintNow) {
    pulling_ = true;
    binder_.Pull(paintNow);
    const bool tableChanged = PullTable();
    pulling_ = false;
    if (paintNow && tableChanged && table_->isVisible()) {
        table_->repaint();
    }
    if (model_.visible && !isVisible()) {
        show();
    } else if (!model_.visible && isVisible()) {
        hide();
    }
}

void HistoryDialog::closeEvent(QCloseEvent* event) {
    model_.visible = false;
    event->accept();
}

void HistoryDialog::reject() {
    // Escape closes the window as the close box does; the model must know, or the next pull
    // would show it again.
    model_.visible = false;
    QDialog::reject();
}

}  // namespace varnix::qt
