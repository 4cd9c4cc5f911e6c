#include "frontends/win32/ConsoleView.h"

#include <iterator>
#include <utility>

#include "engine/ConsoleActions.h"
#include "forms/ConsoleForm.h"
#include "frontends/win32/ScreenFit.h"

namespace varnix::win32 {

namespace {

// Three columns: the link, the operations with their amounts, the outcome.
constexpr int kClientWidth = 922;
constexpr int kClientHeight = 478;

}  // namespace

ConsoleView::ConsoleView(forms::ConsoleForm& model, engine::ConsoleActions& actions,
                         std::function<void()> afterAction, int offsetX)
    : model_(model), actions_(actions), afterAction_(std::move(afterAction)) {
    Create("VarnixPosConsole", model.caption.c_str(),
           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    binder_ = std::make_unique<FormBinder>(Handle());
    Build();
    FitAndPlace(Handle(), binder_->Scale(kClientWidth), binder_->Scale(kClientHeight), offsetX);
    Pull();
}

void ConsoleView::Build() {
    auto& b = *binder_;
    auto& m = model_;
    const auto button = [this, &b](forms::Button& model, const char* caption, int x, int y,
                                   int width, void (engine::ConsoleActions::*click)()) {
        b.Push(model, caption, x, y, width, [this, click] {
            (actions_.*click)();
            afterAction_();
        });
    };
    using A = engine::ConsoleActions;

    int x = 8;
    b.Group("Dati comuni", x, 4, 260, 76);
    terminalCaption_ = b.Text("Id Terminale", x + 10, 26, 90);
    b.Edit(m.txtTerminale, x + 105, 23, 140);
    b.Text("Id Cassa", x + 10, 52, 90);
    b.Edit(m.txtCassa, x + 105, 49, 140);

    b.Text("Connessione", x + 10, 92, 90);
    b.List(m.cmbConnessione, x + 105, 88, 140);
    b.Text("Versione DLL", x + 10, 118, 90);
    b.Caption(m.DllVersion, x + 105, 118, 150);

    b.Group("Configurazione Ethernet", x, 140, 260, 76);
    b.Text("Indirizzo IP", x + 10, 162, 90);
    b.Edit(m.txtIP, x + 105, 159, 140);
    b.Text("Porta", x + 10, 188, 90);
    b.Edit(m.txtPorta, x + 105, 185, 70);

    b.Group("Configurazione COM", x, 220, 260, 156);
    b.ListColumn({{"COM", &m.cmbCOM},
                  {"Velocit\xE0", &m.cmbBaud},
                  {"Bit di dati", &m.cmbDati},
                  {"Parit\xE0", &m.cmbParity},
                  {"Bit di stop", &m.cmbStop}},
                 x, 239, 90, 105, 100);

    x = 276;
    b.Group("Pagamento", x, 4, 310, 78);
    b.Text("Importo (cent)", x + 10, 26, 96);
    b.Edit(m.txtImporto, x + 108, 23, 84);
    button(m.btnPagamento, "Pagamento", x + 198, 21, 104, &A::btnPagamento_Click);
    b.Text("Tipo pagamento", x + 10, 53, 96);
    b.List(m.cmbPagamento, x + 108, 49, 86);
    button(m.btnStorno, "Storno", x + 198, 48, 104, &A::btnStorno_Click);

    b.Group("Accredito", x, 86, 310, 52);
    b.Text("Importo (cent)", x + 10, 108, 96);
    b.Edit(m.txtImportoAccredito, x + 108, 105, 84);
    button(m.btnAccredito, "Accredito", x + 198, 103, 104, &A::btnAccredito_Click);

    b.Group("Preautorizzazione", x, 142, 310, 134);
    b.Text("Importo (cent)", x + 10, 164, 96);
    b.Edit(m.txtImportoPreAut, x + 108, 161, 84);
    button(m.btnPreautorizzazione, "Preautorizzazione", x + 198, 159, 104,
           &A::btnPreautorizzazione_Click);
    b.Text("Tipo pagamento", x + 10, 191, 96);
    b.List(m.cmbPreautorizzazione, x + 108, 187, 86);
    button(m.btnIntegrativa, "Integrativa", x + 198, 186, 104, &A::btnIntegrativa_Click);
    b.Text("Codice Preaut.", x + 10, 218, 96);
    b.Edit(m.txtCodicePreautorizzazione, x + 108, 215, 84);
    button(m.btnPreautChiusura, "Chiusura", x + 198, 213, 104, &A::btnPreautChiusura_Click);
    button(m.btnStornoPreautorizzazione, "Storno Preaut.", x + 198, 240, 104,
           &A::btnStornoPreautorizzazione_Click);

    b.Group("Testo Preautorizzazione", x, 280, 310, 52);
    b.Edit(m.txtContratto, x + 10, 301, 290);

    x = 594;
    b.Group("Esito", x, 4, 320, 434);
    const std::pair<forms::TextBox*, const char*> results[] = {{&m.txtEsito, "Esito comando"},
                                                               {&m.txtDescrKO, "Descrizione KO"},
                                                               {&m.txtTermId, "Terminale ID"},
                                                               {&m.txtAcqId, "Acquirer ID"},
                                                               {&m.txtTipoTrans, "Tipo trans."},
                                                               {&m.txtEsitoTrans, "Esito trans."},
                                                               {&m.txtCodAut, "Cod. autorizz."},
                                                               {&m.txtCodPreaut, "Cod. preaut."},
                                                               {&m.txtAC, "AC"},
                                                               {&m.txtTipoCarta, "Tipo carta"},
                                                               {&m.txtPAN, "PAN"},
                                                               {&m.txtSTAN, "STAN"},
                                                               {&m.txtNumOp, "Num. operaz."},
                                                               {&m.txtTotaliPOS, "Totali POS"},
                                                               {&m.txtTotaliBanca, "Totali banca"},
                                                               {&m.txtImpPreaut, "Imp. preaut."},
                                                               {&m.txtData, "Data"}};
    int y = 22;
    for (const auto& [box, caption] : results) {
        b.Text(caption, x + 10, y + 3, 100);
        b.Edit(*box, x + 112, y, 198, true);
        y += 24;
    }
    button(m.btnTotali, "Totali terminale", x, 444, 110, &A::btnTotali_Click);
    button(m.btnChiusura, "Chiusura", x + 116, 444, 96, &A::btnChiusura_Click);
    button(m.btnStatus, "Stato", x + 218, 444, 102, &A::btnStatus_Click);
}

void ConsoleView::Pull(bool paintNow) {
    binder_->Pull(paintNow);
    const bool captionShown = (::GetWindowLongA(terminalCaption_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (captionShown != model_.txtTerminale.visible) {
        ::ShowWindow(terminalCaption_, model_.txtTerminale.visible ? SW_SHOWNA : SW_HIDE);
    }
    const bool shown = ::IsWindowVisible(Handle()) != FALSE;
    if (model_.visible && !shown) {
        ::ShowWindow(Handle(), SW_SHOWNORMAL);
    } else if (!model_.visible && shown) {
        ::ShowWindow(Handle(), SW_HIDE);
    }
    // The busy state's hourglass, at once: the operation that follows blocks the message loop.
    const bool busy = model_.mousePointer == forms::ConsoleForm::kPointerHourglass;
    if (busy != busy_) {
        busy_ = busy;
        ::SetCursor(::LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    }
}

LRESULT ConsoleView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (binder_ && binder_->OnCommand(wParam, lParam)) {
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (busy_ && LOWORD(lParam) == HTCLIENT) {
                ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            // Closing the console ends the whole process.
            actions_.Form_Unload();
            afterAction_();
            return 0;
        default:
            break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace varnix::win32
