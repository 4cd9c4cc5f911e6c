#include "frontends/win32/Win32FrontEnd.h"

// windows.h first (through the header above): the common dialogs depend on its types.
#include <commdlg.h>
#include <shlobj.h>

#include <functional>
#include <utility>

#include "frontends/Runner.h"
#include "frontends/win32/AboutWindow.h"
#include "frontends/win32/ConsoleView.h"
#include "frontends/win32/HistoryWindow.h"
#include "frontends/win32/MessageBox.h"
#include "frontends/win32/ServiceView.h"
#include "frontends/win32/Window.h"

namespace varnix::win32 {

// The polling timer's window: it only receives messages, and is never shown. Its messages are
// also how another thread (the command file's watch) brings a cycle forward.
class TimerWindow : public Window {
  public:
    TimerWindow(std::function<void()> onTimer, std::function<void(int)> onBringForward)
        : onTimer_(std::move(onTimer)), onBringForward_(std::move(onBringForward)) {
        Create("VarnixPosTimer", "", 0, HWND_MESSAGE);
    }

    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kBringForward = WM_APP + 1;  // wParam: the delay in milliseconds

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == kTimerId) {
            onTimer_();
            return 0;
        }
        if (message == kBringForward) {
            onBringForward_(static_cast<int>(wParam));
            return 0;
        }
        return Window::HandleMessage(message, wParam, lParam);
    }

  private:
    std::function<void()> onTimer_;
    std::function<void(int)> onBringForward_;
};

Win32FrontEnd::Win32FrontEnd() : schedule_(static_cast<long long>(::GetTickCount64())) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    timer_ = std::make_unique<TimerWindow>([this] { Tick(); },
                                           [this](int delayMs) {
                                               schedule_.BringForward(Now(), delayMs);
                                               // While a cycle runs the timer is off: the
                                               // request waits for it to be switched on.
                                               if (enabled_ && !ticking_) {
                                                   ScheduleNextTick();
                                               }
                                           });
}

long long Win32FrontEnd::Now() {
    return static_cast<long long>(::GetTickCount64());
}

void Win32FrontEnd::BringForward(int delayMs) {
    // Any thread may post to a window; the message is handled on the window's own.
    ::PostMessageA(timer_->Handle(), TimerWindow::kBringForward, static_cast<WPARAM>(delayMs), 0);
}

Win32FrontEnd::~Win32FrontEnd() = default;

void Win32FrontEnd::Attach(frontends::Runner& runner) {
    runner_ = &runner;
    auto& session = runner.Session();
    service_ = std::make_unique<ServiceView>(
        session.service, session.serviceActions, session.historyActions, [this] { RefreshViews(); },
        [this] { CloseForEndOfSession(); });
    // Side by side when the screen is wide enough, otherwise over the service window's right part.
    console_ = std::make_unique<ConsoleView>(
        session.console, session.consoleActions, [this] { RefreshViews(); },
        service_->FrameWidth() + 8);
    // A model's Refresh is the core's "redraw the form now": it comes right before calls that
    // block (the terminal library, the waits), so what changed is painted at once.
    session.console.onRefresh = [this] {
        if (console_ && !ended_) {
            console_->Pull(true);
        }
    };
    session.service.onRefresh = [this] {
        if (service_ && !ended_) {
            service_->Pull(true);
        }
    };
    session.history.onRefresh = [this] {
        if (history_ && !ended_) {
            history_->Pull(true);
        }
    };
}

int Win32FrontEnd::Run(const std::string& commandLine) {
    frontends::Runner runner(*this, *this, *this, *this);
    Attach(runner);
    runner.Start(commandLine);
    if (!ended_) {
        RefreshViews();
        MSG message;
        while (!ended_) {
            const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
            if (got <= 0) {
                break;  // WM_QUIT from outside: end as we are
            }
            Dispatch(message);
        }
    }
    runner.Session().console.onRefresh = nullptr;
    runner.Session().service.onRefresh = nullptr;
    runner.Session().history.onRefresh = nullptr;
    if (service_) {
        service_->RemoveTrayIcon();
    }
    history_.reset();
    console_.reset();
    service_.reset();
    runner_ = nullptr;
    return exitCode_;
}

void Win32FrontEnd::Dispatch(MSG& message) {
    // Tab and the arrow keys move between a window's controls as in a dialog.
    HWND root = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (service_ && root == service_->Handle() &&
        ::TranslateAcceleratorA(root, service_->Accelerators(), &message) != 0) {
        return;
    }
    const bool ours = root != nullptr && ((service_ && root == service_->Handle()) ||
                                          (console_ && root == console_->Handle()) ||
                                          (history_ && root == history_->Handle()));
    if (ours && ::IsDialogMessageA(root, &message) != FALSE) {
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

void Win32FrontEnd::Tick() {
    ::KillTimer(timer_->Handle(), TimerWindow::kTimerId);
    if (runner_ == nullptr || ended_ || !enabled_ || ticking_) {
        return;
    }
    ticking_ = true;
    schedule_.CycleStarts(Now());
    runner_->Tick();  // switches the timer off and, at its end, on again
    ticking_ = false;
    if (enabled_ && !ended_) {
        ScheduleNextTick();
    }
    RefreshViews();
}

void Win32FrontEnd::ScheduleNextTick() {
    const auto delay = schedule_.DelayMs(Now(), interval_);
    ::SetTimer(timer_->Handle(), TimerWindow::kTimerId, static_cast<UINT>(delay), nullptr);
}

void Win32FrontEnd::SetEnabled(bool enabled) {
    enabled_ = enabled && !ended_;
    if (enabled_) {
        ScheduleNextTick();
    } else {
        ::KillTimer(timer_->Handle(), TimerWindow::kTimerId);
    }
}

void Win32FrontEnd::RefreshViews() {
    if (ended_) {
        return;
    }
    if (service_) {
        service_->Pull();
    }
    if (console_) {
        console_->Pull();
    }
    if (history_) {
        history_->Pull();
    }
}

ports::Answer Win32FrontEnd::Show(const std::string& text, const std::string& title,
                                  ports::Buttons buttons, ports::Icon icon) {
    if (answerOk_ && buttons == ports::Buttons::OkCancel) {
        return ports::Answer::Ok;  // nobody is there to answer the end of the session's question
    }
    return ShowMessageBox(BoxOwner(), text, title, buttons, icon);
}

// A box appears over the window the user was working in: the console's field checks over the
// console, the service window's questions over the service window.
HWND Win32FrontEnd::BoxOwner() const {
    HWND active = ::GetActiveWindow();
    if (active != nullptr &&
        ((service_ && active == service_->Handle()) || (console_ && active == console_->Handle()) ||
         (history_ && active == history_->Handle()))) {
        return active;
    }
    for (const Window* window :
         {static_cast<const Window*>(service_.get()), static_cast<const Window*>(console_.get())}) {
        if (window != nullptr && ::IsWindowVisible(window->Handle()) != FALSE) {
            return window->Handle();
        }
    }
    return nullptr;
}

void Win32FrontEnd::PumpEvents() {
    // Waits pump every 50 ms; the views need not follow that often (every action and every tick
    // end with a full refresh anyway), and an idle window then costs next to nothing.
    const ULONGLONG now = ::GetTickCount64();
    if (lastPumpRefresh_ == 0 || now - lastPumpRefresh_ >= kPumpRefreshMs) {
        lastPumpRefresh_ = now;
        RefreshViews();
    }
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        if (message.message == WM_QUIT) {
            // Left for the main loop, which ends on it once the wait is over.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
}

void Win32FrontEnd::EndProcess(int exitCode) {
    if (ended_) {
        return;
    }
    ended_ = true;
    exitCode_ = exitCode;
    enabled_ = false;
    ::KillTimer(timer_->Handle(), TimerWindow::kTimerId);
    if (service_) {
        service_->RemoveTrayIcon();
        ::ShowWindow(service_->Handle(), SW_HIDE);
    }
    if (console_) {
        ::ShowWindow(console_->Handle(), SW_HIDE);
    }
    if (history_) {
        ::ShowWindow(history_->Handle(), SW_HIDE);
    }
    ::PostQuitMessage(exitCode);
}

void Win32FrontEnd::ShowAboutModal() {
    if (runner_ == nullptr) {
        return;
    }
    AboutWindow about(runner_->Session().about, BoxOwner());
    about.ShowModal();
}

void Win32FrontEnd::ShowHistory() {
    if (runner_ == nullptr || ended_) {
        return;
    }
    if (!history_) {
        auto& session = runner_->Session();
        history_ = std::make_unique<HistoryWindow>(
            session.history, session.historyActions, [this] { RefreshViews(); }, 40);
    }
    history_->Pull();
    // Asked for again while open: brought to the front rather than opened twice.
    if (::IsIconic(history_->Handle()) != FALSE) {
        ::ShowWindow(history_->Handle(), SW_RESTORE);
    }
    ::SetForegroundWindow(history_->Handle());
}

std::string Win32FrontEnd::AskSavePath(const std::string& title, const std::string& suggested) {
    std::string path(MAX_PATH, '\0');
    suggested.copy(path.data(), MAX_PATH - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = BoxOwner();
    dialog.lpstrFilter = "File CSV (*.csv)\0*.csv\0Tutti i file (*.*)\0*.*\0";
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = "csv";
    // Offered in the user's documents: the working folder is the install folder under Program
    // Files, where a user may not write.
    char documents[MAX_PATH] = {};
    if (SUCCEEDED(
            ::SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) {
        dialog.lpstrInitialDir = documents;
    }
    // The working folder stays where it was: the data files are found through it.
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (::GetSaveFileNameA(&dialog) == FALSE) {
        return {};  // cancelled, or the dialog could not open
    }
    path.resize(path.find('\0'));
    return path;
}

void Win32FrontEnd::CloseForEndOfSession() {
    // Windows is ending the session: the close question answered OK, so the parameter file is
    // written and the library released before the process goes.
    if (runner_ == nullptr || ended_) {
        return;
    }
    stopRequested_ = true;
    answerOk_ = true;
    runner_->RequestClose();
    answerOk_ = false;
}

}  // namespace varnix::win32
