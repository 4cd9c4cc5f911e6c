// The console form frmMain as a model: the working values of every terminal operation (ids,
// address, serial choices, amounts), the result fields that show each outcome, and the actions
// of its ten buttons. It exists in every run mode, shown or not; views display it and forward
// input, they decide nothing.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "config/Settings.h"
#include "terminal/TerminalLibrary.h"
#include "ui/Controls.h"

namespace varnix {
class Session;
}

namespace varnix::ui {

// Where SetPOSData takes the amount from.
enum class AmountSource { None = 0, Payment = 1, Credit = 2, Preauthorization = 3 };

class ConsoleForm {
  public:
    explicit ConsoleForm(Session& session);

    // The unload handler, in every run mode: releases the library and ends the process.
    void Form_Unload();

    // Load step 1: the start selection of every list.
    void PresetLists();
    // After a configuration read: the serial lists and the connection list follow the settings.
    void FollowConfiguration(const config::Settings& settings);

    // Fills the request record from the console's fields.
    void SetPOSData(AmountSource source);
    // Shows a result code's text and, on success, the outcome record in the result fields.
    void ShowResult(int code);
    // Blanks the status box and the sixteen outcome boxes, then redraws the form.
    void ClearResult();

    // True when the common fields are filled; otherwise shows why and returns false.
    bool CheckConsoleFields();
    // The busy state: nine operation buttons off ("Stato" stays), hourglass pointer.
    void DisableButtons();
    void EnableButtons();
    // Fills the link record from the console and calls the library's Init for `connectionType`.
    void OpenTerminalLink(int connectionType);

    void btnPagamento_Click();
    void btnAccredito_Click();
    void btnStorno_Click();
    void btnPreautorizzazione_Click();
    void btnIntegrativa_Click();
    void btnPreautChiusura_Click();
    void btnTotali_Click();
    void btnChiusura_Click();
    void btnStatus_Click();
    void btnStornoPreautorizzazione_Click() {}

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
    int refreshCount = 0;

    static constexpr int kPointerDefault = 0;
    static constexpr int kPointerHourglass = 11;

  private:
    using RequiredField = std::pair<const TextBox*, const char*>;
    struct ButtonAction {
        std::vector<RequiredField> required;
        bool setRequest;
        AmountSource source;
        bool amountOfOneCent;
        terminal::Function function;
    };
    void RunButton(const ButtonAction& action);

    Session& session_;
};

}  // namespace varnix::ui
