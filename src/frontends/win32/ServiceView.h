// The service window frmOstrixType: a view of the service-window model with its menus, the
// configuration editor, the lamps, the test tools and the tray icon. Clicks, menu items, tray
// events, minimising and the close box are forwarded to the window's model and actions (the
// "Storico" item to engine::HistoryActions).
#pragma once

#include <functional>
#include <memory>

#include "frontends/win32/FormBinder.h"
#include "frontends/win32/TrayIcon.h"
#include "frontends/win32/Window.h"

namespace varnix::forms {
class ServiceWindow;
}
namespace varnix::engine {
class HistoryActions;
class ServiceActions;
}  // namespace varnix::engine

namespace varnix::win32 {

class ServiceView : public Window {
  public:
    // `afterAction` brings every view up to date; `onEndSession` closes the program as the close
    // question answered OK would, when Windows ends the session.
    ServiceView(forms::ServiceWindow& model, engine::ServiceActions& actions,
                engine::HistoryActions& historyActions, std::function<void()> afterAction,
                std::function<void()> onEndSession);
    ~ServiceView() override;

    // Shows the model; `paintNow` paints what changed before returning (see FormBinder::Pull).
    void Pull(bool paintNow = false);
    int FrameWidth() const;
    void RemoveTrayIcon() { tray_->SetShown(false); }
    // The menu's keyboard shortcuts, for the message loop to translate.
    HACCEL Accelerators() const { return accelerators_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void BuildMenu();
    void Build();
    void TrayEvent(int code);
    void Forward(const std::function<void()>& action);
    void FitReadFileView();

    forms::ServiceWindow& model_;
    engine::ServiceActions& actions_;
    engine::HistoryActions& historyActions_;
    std::function<void()> afterAction_;
    std::function<void()> onEndSession_;
    HMENU menu_ = nullptr;
    HMENU fileMenu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HFONT courier_ = nullptr;
    HWND readFile_ = nullptr;
    std::unique_ptr<FormBinder> binder_;
    std::unique_ptr<TrayIcon> tray_;
};

}  // namespace varnix::win32
