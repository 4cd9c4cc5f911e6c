// The console form frmMain as a model: the working values of every terminal operation (ids,
// address, serial choices, amounts), the result fields that show each outcome, and what the form
// does to itself (presets, checks, busy state, moving values to and from the records). Its ten
// buttons run operations: engine::ConsoleActions does that. It exists in every run mode, shown or
// not; views display it and forward input, they decide nothing.
#pragma once

#include <functional>
#include <string>

#include "forms/Controls.h"
#include "iae17/Records.h"
#include "ports/Dialogs.h"

namespace varnix::forms {

// Where SetPOSData takes the amount from.
enum class AmountSource { None = 0, Payment = 1, Credit = 2, Preauthorization = 3 };

class ConsoleForm {
  public:
    ConsoleForm();

    // Load step 1: the start selection of every list.
    void PresetLists();
    // After a configuration read: the serial lists and the connection list follow the settings.
    void FollowConfiguration(const iae17::ComParams& com, bool ethernet);

    // Fills the request record from the console's fields.
    void SetPOSData(iae17::POSRequest& request, AmountSource source) const;
    // Shows a result code's text (codes outside the table leave the status box alone) and, on
    // success, the outcome record in the result fields.
    void ShowOutcome(int code, bool ethernet, const iae17::POSData& data);
    // A call that never reached a terminal (its library could not be loaded, or lacks the
    // function): "KO", no transaction outcome, and why in the KO description.
    void ShowUnreached(const std::string& reason);
    // Blanks the status box and the sixteen outcome boxes, then redraws the form.
    void ClearResult();

    // True when the common fields are filled; otherwise shows why and returns false.
    bool CheckConsoleFields(ports::Dialogs& dialogs) const;
    // The busy state: nine operation buttons off ("Stato" stays), hourglass pointer.
    void DisableButtons();
    void EnableButtons();
    // The link records as the console's fields give them.
    void FillEthParams(iae17::EthParams& eth) const;
    void FillComParams(iae17::ComParams& com) const;

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

    // The outcome boxes in POSData field order (TerminalId .. DataTrs); nullptr past the end.
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

    static constexpr int kPointerDefault = 0;
    static constexpr int kPointerHourglass = 11;
};

}  // namespace varnix::forms
