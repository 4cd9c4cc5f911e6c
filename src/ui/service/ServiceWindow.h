// The service window frmOstrixType as a model: the configuration editor's controls, the lamps,
// the test tools' lists and boxes, the log switches, and the actions that work on them. Views
// display it and forward input; the polling timer is a port, not a control, so that the core
// decides when it runs.
#pragma once

#include <functional>
#include <string>

#include "ui/Controls.h"

namespace varnix {
class Session;
}

namespace varnix::ui {

class ServiceWindow {
  public:
    explicit ServiceWindow(Session& session);

    // The start-up sequence. False when the configuration could not be read: the message has
    // been shown and the process is ending.
    bool Form_Load();
    // The close request, whatever its source: true lets the window close.
    bool Form_QueryUnload();
    // Removes the tray icon and unloads the console, which ends the process.
    void Form_Unload();
    // Tray callbacks arrive as mouse moves: 515 restores the window, 516/517 open the File menu
    // (true: the view shows the popup menu).
    bool Form_MouseMove(int code);
    // Minimising hides the window; only the tray icon remains.
    void Form_Resize();

    // Menu "T&ermina ZandrikVarnixPos".
    void m_esci_Click();
    // Menu "&Informazioni  su ZANDRIK VarnixPos".
    void mInfo_Click();

    // "Salva Dati": asks, writes the configuration and reads it back.
    void cmdSalvaDati_Click();
    // The manual transaction: a sample result file after the chosen wait.
    void cmdSend_Click();
    // "Esegui Test": writes the sample command file for the polling cycle.
    void cmdEseguiTest_Click() { CreaEseguiFileDiTest(); }
    void CreaEseguiFileDiTest();
    void txtTipo_Change() {}

    // One polling cycle.
    void Timer1_Timer();

    // Start-up step 5: the wait list (20 s selected) and the expected-result list (first).
    void FillTestLists();

    // The editor's lists and defaults; the paths are those of the resolved data folder.
    void CaricaValoriDefault();

    // The parameter file: four lines remembering the log switch, the tray switch and the two
    // test lists' positions. Neither routine ever reports a failure.
    void SalvaParametri();
    void LeggiParametri();

    // Waits `timeout` milliseconds in whole 50 ms steps, letting window events run after each
    // step. Raises RuntimeError (overflow) for a wait beyond 32767 steps.
    void SleepDelay(double timeout);

    // "Mostra File transazione": shows the result file in the file view, or empties the view.
    void btnReadFile_Click();

    // The result file of the test tools and of the simulated payment: in the data folder.
    std::string ResultFilePath() const;

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

    int refreshCount = 0;

  private:
    std::string ParamFilePath() const;

    Session& session_;
};

}  // namespace varnix::ui
