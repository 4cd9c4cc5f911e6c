// The service window frmOstrixType: a view of the service-window model with its menus, the
// configuration editor, the lamps, the test tools and the tray icon. Clicks, menu items, tray
// events and the close box are forwarded to the window's actions (engine::ServiceActions; the
// "Storico" item to engine::HistoryActions).
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>

#include "frontends/qt/FormBinder.h"

namespace varnix::forms {
class ServiceWindow;
}
namespace varnix::engine {
class HistoryActions;
class ServiceActions;
}  // namespace varnix::engine

namespace varnix::qt {

class ServiceMainWindow : public QMainWindow {
  public:
    ServiceMainWindow(forms::ServiceWindow& model, engine::ServiceActions& actions,
                      engine::HistoryActions& historyActions, std::function<void()> afterAction);

    // Shows the model; `paintNow` paints what changed before returning (see FormBinder::Pull).
    void Pull(bool paintNow = false);
    QMenu* FileMenu() const { return fileMenu_; }
    QSystemTrayIcon* Tray() const { return tray_; }

    // Forwarded from the tray icon (also used by tests).
    void TrayEvent(int code);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    forms::ServiceWindow& model_;
    engine::ServiceActions& actions_;
    engine::HistoryActions& historyActions_;
    std::function<void()> afterAction_;
    FormBinder binder_;
    QMenu* fileMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    static constexpr qint64 kTrayAskIntervalMs = 5000;
    QElapsedTimer trayLastAsked_;
    bool closingForGood_ = false;
};

}  // namespace varnix::qt
