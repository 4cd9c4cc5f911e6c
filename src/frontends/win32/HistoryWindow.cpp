#include "frontends/win32/HistoryWindow.h"

#include <utility>

#include "engine/HistoryActions.h"
#include "frontends/win32/ScreenFit.h"

namespace varnix::win32 {

namespace {

// The client area at 96 dpi: a 1024x768 screen holds it with its frame and a taskbar.
constexpr int kClientWidth = 820;
constexpr int kClientHeight = 560;
constexpr int kMargin = 8;
constexpr int kListTop = 40;
constexpr int kExportWidth = 130;
constexpr int kFilterOffset = 48;  // the filter box, from the margin

}  // namespace

HistoryWindow::HistoryWindow(forms::HistoryWindow& model, engine::HistoryActions& actions,
                             std::function<void()> afterAction, int offsetX)
    : model_(model), actions_(actions), afterAction_(std::move(afterAction)) {
    Create("VarnixPosHistory", forms::HistoryWindow::kCaption, WS_OVERLAPPEDWINDOW);
    binder_ = std::make_unique<FormBinder>(Handle());
    Build();
    FitAndPlace(Handle(), binder_->Scale(kClientWidth), binder_->Scale(kClientHeight), offsetX);
    Layout();
    Pull();
}

HistoryWindow::~HistoryWindow() {
    if (courier_ != nullptr) {
        ::DeleteObject(courier_);
    }
}

void HistoryWindow::Build() {
    auto& b = *binder_;
    b.Text(forms::HistoryWindow::kFilterCaption, kMargin, 12, 44);
    filter_ = b.Edit(model_.txtFiltro, kMargin + kFilterOffset, 9, 400);
    export_ = b.Push(exportButton_, forms::HistoryWindow::kExportCaption,
                     kClientWidth - kMargin - kExportWidth, 7, kExportWidth,
                     [this] { Forward([this] { actions_.cmdEsporta_Click(); }); });

    list_ = ::CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0,
        0, 0, Handle(), nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(b.Font()), FALSE);
    ::SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (std::size_t i = 0; i < forms::HistoryWindow::kColumns.size(); ++i) {
        const auto& table = forms::HistoryWindow::kColumns[i];
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = b.Scale(table.width);
        column.pszText = const_cast<char*>(table.caption);
        ::SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }

    // The record's columns line up only in a fixed-width font.
    courier_ = ::CreateFontA(-b.Scale(13), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_MODERN, "Courier New");
    detail_ = b.View(model_.txtDettaglio, 0, 0, 100, 100, courier_);
}

void HistoryWindow::Layout() {
    if (detail_ == nullptr) {
        return;  // sized while being made
    }
    // The filter row keeps its height; the list and the record share what is left.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int margin = binder_->Scale(kMargin);
    const int width = client.right - 2 * margin > 40 ? client.right - 2 * margin : 40;
    const int exportLeft = client.right - margin - binder_->Scale(kExportWidth);
    ::SetWindowPos(export_, nullptr, exportLeft, binder_->Scale(7), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The filter box reaches to the button.
    RECT filter{};
    ::GetWindowRect(filter_, &filter);
    const int filterLeft = margin + binder_->Scale(kFilterOffset);
    const int filterWidth = exportLeft - margin - filterLeft;
    ::SetWindowPos(filter_, nullptr, filterLeft, binder_->Scale(9),
                   filterWidth > 40 ? filterWidth : 40, filter.bottom - filter.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const int top = binder_->Scale(kListTop);
    const int room = client.bottom - top - 2 * margin > 80 ? client.bottom - top - 2 * margin : 80;
    const int listHeight = room / 2;
    ::MoveWindow(list_, margin, top, width, listHeight, TRUE);
    ::MoveWindow(detail_, margin, top + listHeight + margin, width, room - listHeight, TRUE);
}

void HistoryWindow::Forward(const std::function<void()>& action) {
    action();
    afterAction_();
}

bool HistoryWindow::PullList() {
    std::vector<Cells> rows;
    rows.reserve(model_.shown.size());
    for (const std::size_t index : model_.shown) {
        rows.push_back(model_.rows[index].cells);
    }
    bool changed = false;
    if (rows != listRows_) {
        changed = true;
        listRows_ = std::move(rows);
        ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
        ::SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
        for (std::size_t r = 0; r < listRows_.size(); ++r) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.pszText = listRows_[r][0].data();
            ::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            for (std::size_t c = 1; c < listRows_[r].size(); ++c) {
                LVITEMA cell{};
                cell.iSubItem = static_cast<int>(c);
                cell.pszText = listRows_[r][c].data();
                ::SendMessageA(list_, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&cell));
            }
        }
        ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list_, nullptr, TRUE);
    }
    const auto current = static_cast<int>(
        ::SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (current != model_.selected) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = 0;
        ::SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&state));
        if (model_.selected >= 0) {
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            ::SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(model_.selected),
                           reinterpret_cast<LPARAM>(&state));
            ::SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(model_.selected), FALSE);
        }
        changed = true;
    }
    return changed;
}

void HistoryWindow::Pull(bool paintNow) {
    pulling_ = true;
    binder_->Pull(paintNow);
    const bool listChanged = PullList();
    pulling_ = false;
    if (paintNow && listChanged && ::IsWindowVisible(list_) != FALSE) {
        ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASENOW);
    }
    const bool shown = ::IsWindowVisible(Handle()) != FALSE;
    if (model_.visible && !shown) {
        ::ShowWindow(Handle(), SW_SHOWNORMAL);
    } else if (!model_.visible && shown) {
        ::ShowWindow(Handle(), SW_HIDE);
    }
}

LRESULT HistoryWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0 && reinterpret_cast<HWND>(lParam) == filter_ &&
                HIWORD(wParam) == EN_CHANGE) {
                // The binder puts the text into the model first; a pull's own change is no edit.
                binder_->OnCommand(wParam, lParam);
                if (!pulling_) {
                    Forward([this] { actions_.txtFiltro_Change(); });
                }
                return 0;
            }
            if (binder_ && binder_->OnCommand(wParam, lParam)) {
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {  // Escape, as the close box
                ::SendMessageA(Handle(), WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == list_ && header->code == LVN_ITEMCHANGED && !pulling_) {
                // The mouse and the arrow keys alike: the row that becomes selected is shown.
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change->uChanged & LVIF_STATE) != 0 &&
                    (change->uNewState & LVIS_SELECTED) != 0 &&
                    (change->uOldState & LVIS_SELECTED) == 0) {
                    const int row = change->iItem;
                    Forward([this, row] { actions_.lstStorico_Click(row); });
                }
                return 0;
            }
            break;
        }
        case WM_SIZE:
            Layout();
            return 0;
        case WM_CLOSE:
            model_.visible = false;
            ::ShowWindow(Handle(), SW_HIDE);
            afterAction_();
            return 0;
        default:
            break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace varnix::win32
