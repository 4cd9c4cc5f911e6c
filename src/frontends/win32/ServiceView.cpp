#include "frontends/win32/ServiceView.h"

#include "engine/HistoryActions.h"
#include "engine/ServiceActions.h"
#include "forms/ServiceWindow.h"
#include "frontends/win32/ScreenFit.h"

namespace varnix::win32 {

namespace {

enum MenuItem : UINT { kMenuEsci = 40001, kMenuFileConfig, kMenuInfo, kMenuStorico };

// The client area at 96 dpi: compact enough for 1024x768 with a taskbar.
constexpr int kClientWidth = 860;
constexpr int kClientHeight = 600;
constexpr int kReadFileTop = 390;
constexpr int kMargin = 8;

}  // namespace

ServiceView::ServiceView(forms::ServiceWindow& model, engine::ServiceActions& actions,
                         engine::HistoryActions& historyActions, std::function<void()> afterAction,
                         std::function<void()> onEndSession)
    : model_(model),
      actions_(actions),
      historyActions_(historyActions),
      afterAction_(std::move(afterAction)),
      onEndSession_(std::move(onEndSession)) {
    BuildMenu();
    Create("VarnixPosService", model.caption.c_str(), WS_OVERLAPPEDWINDOW, nullptr, menu_);
    binder_ = std::make_unique<FormBinder>(Handle());
    tray_ = std::make_unique<TrayIcon>(Handle());
    Build();
    FitAndPlace(Handle(), binder_->Scale(kClientWidth), binder_->Scale(kClientHeight), 0);
    FitReadFileView();
    Pull();
}

ServiceView::~ServiceView() {
    tray_.reset();
    if (accelerators_ != nullptr) {
        ::DestroyAcceleratorTable(accelerators_);
    }
    if (courier_ != nullptr) {
        ::DeleteObject(courier_);
    }
}

int ServiceView::FrameWidth() const {
    RECT frame{};
    ::GetWindowRect(Handle(), &frame);
    return frame.right - frame.left;
}

void ServiceView::BuildMenu() {
    menu_ = ::CreateMenu();
    fileMenu_ = ::CreatePopupMenu();
    ::AppendMenuA(fileMenu_, MF_STRING, kMenuEsci, "T&ermina ZandrikVarnixPos");
    ::AppendMenuA(fileMenu_, MF_STRING | MF_GRAYED, kMenuFileConfig, "File&Config");  // no action
    ::AppendMenuA(fileMenu_, MF_STRING, kMenuStorico, "&Storico\tCtrl+H");
    ::SetMenuDefaultItem(fileMenu_, kMenuEsci, FALSE);
    ACCEL storico{FCONTROL | FVIRTKEY, 'H', kMenuStorico};
    accelerators_ = ::CreateAcceleratorTableA(&storico, 1);
    ::AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_), "&File");
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuA(help, MF_STRING, kMenuInfo, "&Informazioni  su ZANDRIK VarnixPos");
    ::AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&?");
}

void ServiceView::Forward(const std::function<void()>& action) {
    action();
    afterAction_();
}

void ServiceView::Build() {
    auto& b = *binder_;
    auto& m = model_;
    const auto forward = [this](std::function<void()> action) {
        return [this, action = std::move(action)] { Forward(action); };
    };

    // Left: the link.
    int x = kMargin;
    b.Group("Tipo Connessione", x, 4, 380, 50);
    b.Text("TIPO:", x + 10, 26, 44);
    b.List(m.cboTIPO, x + 60, 22, 100);
    b.Text("Connesso", x + 200, 26, 60);
    b.Lamp(m.ShapeDump, x + 264, 23);

    b.Group("Rete ETH", x, 58, 380, 76);
    b.Text("IPAD:", x + 10, 80, 44);
    b.Edit(m.txtIpAddress, x + 60, 77, 150);
    b.Text("PORT:", x + 10, 106, 44);
    b.Edit(m.txtPortEth, x + 60, 103, 80);

    b.Group("RS-232", x, 138, 380, 156);
    b.ListColumn({{"PCOM:", &m.cmbComExtended},
                  {"BAUD:", &m.cmdBaud},
                  {"PARI:", &m.cmbParity},
                  {"BITS:", &m.cmbDataBits},
                  {"STOP:", &m.cmbStopBit}},
                 x, 157, 44, 60, 100);

    // Right: the files, saving, the test, the control lamp.
    x = 396;
    b.Group("I / O Files", x, 4, 456, 76);
    b.Text("INPF:", x + 10, 26, 44);
    b.Edit(m.txtINPF, x + 60, 23, 386);
    b.Text("OUTF:", x + 10, 52, 44);
    b.Edit(m.txtOUTF, x + 60, 49, 386);

    b.Group("File di Configurazione e Log", x, 84, 456, 76);
    b.Check(m.chkEnableLog, "Abilita Log", x + 10, 105, 150);
    b.Edit(m.txtLogFileName, x + 190, 103, 256, true);
    b.Text("   Path file di configurazione", x + 10, 132, 178);
    b.Edit(m.txtConfFile, x + 190, 129, 256, true);

    b.Group("Salvataggio dati", x, 164, 224, 54);
    b.Push(m.cmdSalvaDati, "Salva Dati", x + 10, 184, 204,
           forward([this] { actions_.cmdSalvaDati_Click(); }));
    b.Group("Test", x + 232, 164, 224, 54);
    b.Push(m.cmdEseguiTest, "Esegui Test", x + 242, 184, 204,
           forward([this] { actions_.cmdEseguiTest_Click(); }), "Esegue semplice test");

    b.Group("Control", x, 222, 456, 48);
    b.Lamp(m.Shape1, x + 10, 241);
    b.Caption(m.lblTerminalId, x + 40, 244, 80);
    b.Caption(m.lblValTerminalId, x + 124, 244, 322);

    b.Check(m.chbNoIcon, "No riduz. a icona in avvio", x, 276, 250);

    // The manual transaction row reads as the command line it stands for.
    b.Push(m.cmdSend, "Avvia Trans. Manuale   --->", kMargin, 300, 190,
           forward([this] { actions_.cmdSend_Click(); }),
           "Avvia la transazione manuale con caselle di configurazione");
    b.Edit(m.txtSend, 206, 302, 110, true);
    b.Text(", A", 322, 305, 18);
    b.Edit(m.txtAmount, 342, 302, 70);
    b.Text(", P", 418, 305, 18);
    b.Edit(m.txtTipo, 438, 302, 26);
    b.Text(";", 470, 305, 8);

    b.Text("Risultato atteso", kMargin, 337, 100);
    b.List(m.ComboResult, 110, 333, 330);
    b.Text("T.out di trasmiss. in secondi", 452, 337, 160);
    b.List(m.ComboSecondi, 616, 333, 70);
    b.Text("File ricevuto", kMargin, 364, 100);
    b.Edit(m.txtRisultatoFinale, 110, 361, 500, true);
    b.Push(m.btnReadFile, "Mostra File transazione", 616, 359, 180,
           forward([this] { actions_.btnReadFile_Click(); }),
           "Premere per mostrare il file o cancellarlo");

    courier_ = ::CreateFontA(-b.Scale(13), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_MODERN, "Courier New");
    readFile_ = b.View(m.txtReadFile, kMargin, kReadFileTop, kClientWidth - 2 * kMargin,
                       kClientHeight - kReadFileTop - kMargin, courier_);
}

void ServiceView::FitReadFileView() {
    if (readFile_ == nullptr) {
        return;
    }
    // The file view takes whatever the window gives beyond the controls above it.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int left = binder_->Scale(kMargin);
    const int top = binder_->Scale(kReadFileTop);
    const int width = client.right - 2 * left;
    const int height = client.bottom - top - left;
    ::MoveWindow(readFile_, left, top, width > 40 ? width : 40, height > 40 ? height : 40, TRUE);
}

void ServiceView::TrayEvent(int code) {
    if (model_.Form_MouseMove(code)) {
        POINT at{};
        ::GetCursorPos(&at);
        // Without the foreground the popup would not close when the user clicks elsewhere.
        ::SetForegroundWindow(Handle());
        ::TrackPopupMenu(fileMenu_, TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
        ::PostMessageA(Handle(), WM_NULL, 0, 0);
    }
    afterAction_();
}

void ServiceView::Pull(bool paintNow) {
    binder_->Pull(paintNow);
    tray_->SetShown(model_.trayIconShown);
    const bool shown = ::IsWindowVisible(Handle()) != FALSE;
    if (model_.visible && !shown) {
        ::ShowWindow(Handle(), ::IsIconic(Handle()) != FALSE ? SW_RESTORE : SW_SHOWNORMAL);
        ::SetForegroundWindow(Handle());
    } else if (!model_.visible && shown) {
        ::ShowWindow(Handle(), SW_HIDE);  // gone from the taskbar as well
    }
}

LRESULT ServiceView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (binder_ && binder_->OnCommand(wParam, lParam)) {
                return 0;
            }
            if (lParam == 0) {
                switch (LOWORD(wParam)) {
                    case kMenuEsci:
                        Forward([this] { actions_.m_esci_Click(); });
                        return 0;
                    case kMenuInfo:
                        Forward([this] { actions_.mInfo_Click(); });
                        return 0;
                    case kMenuStorico:
                        Forward([this] { historyActions_.mnuStorico_Click(); });
                        return 0;
                    default:
                        break;
                }
            }
            break;
        case WM_DRAWITEM:
            if (binder_ && binder_->OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) {
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            // The tray's events: the mouse message arrives as the X coordinate.
            if (TrayIcon::IsTrayEvent(wParam)) {
                TrayEvent(static_cast<short>(LOWORD(lParam)));
                return 0;
            }
            break;
        case WM_SIZE:
            FitReadFileView();
            // Minimising hides into the tray, when there is a tray to come back from.
            if (wParam == SIZE_MINIMIZED && tray_ && tray_->Shown()) {
                model_.minimized = true;
                model_.Form_Resize();
                afterAction_();
            }
            return 0;
        case WM_CLOSE:
            // Whatever the source, the model's close request decides.
            if (actions_.Form_QueryUnload()) {
                actions_.Form_Unload();
            }
            afterAction_();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                onEndSession_();
            }
            return 0;
        default:
            if (message == TrayIcon::TaskbarCreatedMessage() && tray_) {
                tray_->Readd();
                return 0;
            }
            break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace varnix::win32
