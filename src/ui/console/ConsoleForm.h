// The console form frmMain as a model: the working values of every terminal operation (ids,
// address, serial choices, amounts) and the result fields that show each outcome. It exists in
// every run mode, shown or not; views display it and forward input, they decide nothing.
#pragma once

#include <functional>

#include "config/Settings.h"
#include "ui/Controls.h"

namespace varnix::ui {

class ConsoleForm {
  public:
    ConsoleForm();

    // Load step 1: the start selection of every list.
    void PresetLists();

    // After a configuration read: the serial lists and the connection list follow the settings.
    void FollowConfiguration(const config::Settings& settings);

    // Blanks the status box and the sixteen outcome boxes, then redraws the form.
    void ClearResult();

    // Redraws the form: tells the view, if one is attached, that the model changed.
    void Refresh();
    std::function<void()> onRefresh;

    bool visible = false;
    std::string caption = "Test Iae17  (ZANDRIK modified)";

    // "Dati comuni"
    TextBox txtTerminale;
    TextBox txtCassa;
    ComboBox cmbConnessione;
    Label DllVersion;

    // "Configurazione Ethernet"
    TextBox txtIP;
    TextBox txtPorta;

    // "Configurazione COM"
    ComboBox cmbCOM;
    ComboBox cmbBaud;
    ComboBox cmbDati;
    ComboBox cmbParity;
    ComboBox cmbStop;

    // "Pagamento", "Accredito", "Preautorizzazione", "Testo Preautorizzazione"
    TextBox txtImporto;
    ComboBox cmbPagamento;
    TextBox txtImportoAccredito;
    TextBox txtImportoPreAut;
    ComboBox cmbPreautorizzazione;
    TextBox txtCodicePreautorizzazione;
    TextBox txtContratto;

    // "Esito": the status box, then the POSData fields 1-16 in record order.
    TextBox txtEsito;
    TextBox txtTermId;
    TextBox txtAcqId;
    TextBox txtTipoTrans;
    TextBox txtEsitoTrans;
    TextBox txtDescrKO;
    TextBox txtTipoCarta;
    TextBox txtSTAN;
    TextBox txtTotaliPOS;
    TextBox txtTotaliBanca;
    TextBox txtPAN;
    TextBox txtCodAut;
    TextBox txtNumOp;
    TextBox txtImpPreaut;
    TextBox txtCodPreaut;
    TextBox txtAC;
    TextBox txtData;

    // The outcome boxes in POSData field order (TerminalId .. DataTrs).
    TextBox* ResultBox(int field);
    static constexpr int kResultBoxCount = 16;

    Button btnPagamento;
    Button btnAccredito;
    Button btnStorno;
    Button btnPreautorizzazione;
    Button btnIntegrativa;
    Button btnPreautChiusura;
    Button btnTotali;
    Button btnChiusura;
    Button btnStatus;
    Button btnStornoPreautorizzazione;

    int mousePointer = 0;  // 0 default, 11 hourglass
    int refreshCount = 0;
};

}  // namespace varnix::ui
