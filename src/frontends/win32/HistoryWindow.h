// The "Storico" window: a view of the history model, not modal. The filter box, a click on a row
// and "Esporta CSV…" are forwarded to engine::HistoryActions; the list shows the rows the model
// lets through and the record pane the selected exchange as the dump shows it.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/Controls.h"
#include "forms/HistoryWindow.h"
#include "frontends/win32/FormBinder.h"
#include "frontends/win32/Window.h"

namespace varnix::engine {
class HistoryActions;
}

namespace varnix::win32 {

class HistoryWindow : public Window {
  public:
    HistoryWindow(forms::HistoryWindow& model, engine::HistoryActions& actions,
                  std::function<void()> afterAction, int offsetX);
    ~HistoryWindow() override;

    // Shows the model; `paintNow` paints what changed before returning (see FormBinder::Pull).
    void Pull(bool paintNow = false);

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    using Cells = std::array<std::string, forms::HistoryWindow::kColumns.size()>;

    void Build();
    void Layout();
    bool PullList();
    void Forward(const std::function<void()>& action);

    forms::HistoryWindow& model_;
    engine::HistoryActions& actions_;
    std::function<void()> afterAction_;
    std::unique_ptr<FormBinder> binder_;
    // The button's state: always there and enabled, it has no model of its own.
    forms::Button exportButton_;
    HFONT courier_ = nullptr;
    HWND filter_ = nullptr;
    HWND export_ = nullptr;
    HWND list_ = nullptr;
    HWND detail_ = nullptr;
    // What the list shows, to rebuild it only when the rows the model lets through change.
    std::vector<Cells> listRows_;
    bool pulling_ = false;
};

}  // namespace varnix::win32
