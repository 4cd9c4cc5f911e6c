// The service window frmOstrixType as a model: the configuration editor's controls, the lamps,
// the test tools' lists and boxes, the log switches, and what the window does to itself (lists,
// defaults, tray clicks, minimising). Its menus and buttons run the engine's actions
// (engine::ServiceActions); views display it and forward input. The polling timer is a port, not
// a control, so that the core decides when it runs.
#pragma once

#include <functional>
#include <string>

#include "forms/Controls.h"

namespace varnix::forms {

class ServiceWindow {
  public:
    ServiceWindow();

    // Tray callbacks arrive as mouse moves: 515 restores the window, 516/517 open the File menu
    // (true: the view shows the popup menu).
    bool Form_MouseMove(int code);
    // Minimising hides the window; only the tray icon remains.
    void Form_Resize();

    // Start-up step 5: the wait list (20 s selected) and the expected-result list (first).
    void FillTestLists();

    // The editor's lists and defaults; the paths name the command and result files of the
    // resolved data folder.
    void CaricaValoriDefault(const std::string& commandFile, const std::string& resultFile);

    void Refresh();
    std::function<void()> onRefresh;

    std::string caption = "ZANDRIK VarnixPos per sviluppatori (scambio importo)";
    bool visible = false;
    bool minimized = false;
    bool trayIconShown = false;
    static constexpr const char* kTrayTip = "ZandrikVarnixPos in esecuzione...";
    static constexpr int kTimerInterval = 900;

    // "Tipo Connessione"
    ComboBox cboTIPO{true};
    Lamp ShapeDump;

    // "Rete ETH"
    TextBox txtIpAddress;
    TextBox txtPortEth;

    // "RS-232"
    ComboBox cmbComExtended{true};
    ComboBox cmdBaud{true};
    ComboBox cmbParity{true};
    ComboBox cmbDataBits{true};
    ComboBox cmbStopBit{true};

    // "I / O Files"
    TextBox txtINPF;
    TextBox txtOUTF;

    // "File di Configurazione e Log"
    CheckBox chkEnableLog;
    TextBox txtLogFileName;
    TextBox txtConfFile;

    // "Salvataggio dati", "Test"
    Button cmdSalvaDati;
    Button cmdEseguiTest;

    // "Control"
    Lamp Shape1;
    Label lblTerminalId;
    Label lblValTerminalId;

    // Test tools
    TextBox txtSend{"POS_PAGAME"};
    TextBox txtAmount{"10"};
    TextBox txtTipo{"2"};
    Button cmdSend;
    ComboBox ComboResult{true};
    ComboBox ComboSecondi{true};
    TextBox txtRisultatoFinale;
    Button btnReadFile;
    TextBox txtReadFile;

    CheckBox chbNoIcon;
};

}  // namespace varnix::forms
