#include "ui/service/ServiceWindow.h"

#include <cmath>

#include <functional>

#include "config/ConfigFile.h"
#include "config/DataFolder.h"
#include "config/FileNames.h"
#include "core/RuntimeError.h"
#include "core/Session.h"
#include "exchange/PollingCycle.h"
#include "terminal/ResultFile.h"
#include "text/AnsiText.h"
#include "ui/console/ExchangeRecordWriter.h"

namespace varnix::ui {

namespace {

// A list position as the parameter file gives it: numeric and below the list's size. The list
// itself refuses what it does not have (-1 clears the selection).
void SelectStoredPosition(ComboBox& list, const std::string& line) {
    const auto value = text::ParseNumber(text::TrimBlanks(line));
    if (value && *value < list.ListCount()) {
        list.SetListIndex(text::RoundHalfEven(*value));
    }
}

}  // namespace

ServiceWindow::ServiceWindow(Session& session) : session_(session) {
    cboTIPO.toolTip = "Selezione tra: ETH (rete) o Seriale RS232";
    txtIpAddress.toolTip = "Inserire l'indirizzo IP (rete)";
    txtIpAddress.maxLength = 16;
    txtPortEth.toolTip = "Inserire numero porta di rete";
    txtPortEth.maxLength = 5;
    cmbComExtended.toolTip = "Porta Com";
    cmdBaud.toolTip = "Baud rate";
    lblTerminalId.caption = "Terminal Id";
    lblTerminalId.toolTip = "Id Terminale POS";
    txtAmount.maxLength = 6;
    txtTipo.maxLength = 1;
    ComboResult.toolTip = "Risultato atteso";
    ComboSecondi.toolTip = "Simulazione di attesa timeout";
    txtRisultatoFinale.toolTip = "File ricevuto";
    Shape1.fill = kRed;
    ShapeDump.fill = kRed;
}

void ServiceWindow::FillTestLists() {
    ComboSecondi.SetItems({"1", "2", "3", "4", "5", "10", "20", "30"});
    ComboSecondi.SetListIndex(6);
    ComboResult.SetItems(
        {"SROUTF_1_TRANSAZIONE_OK.TXT", "SROUTF_2_MANCANZA DI COLLEGAMENTO.TXT",
         "SROUTF_3_TRANSAZ_ANNULLATA_MANUALMENTE.TXT", "SROUTF_4_TRANSAZIONE_INCOMPLETA.TXT",
         "SROUTF_5_TRANSAZIONE_RIFIUTATA_DAL_POS.TXT", "SROUTF_6_OK.TXT", "SROUTF_7_OK.TXT",
         "SROUTF_8_CONNESSIONE ASSENTE.TXT", "SROUTF_9_TIMEOUT_SCADUTO.TXT"});
    ComboResult.SetListIndex(0);
}

void ServiceWindow::CaricaValoriDefault() {
    cmbComExtended.Clear();
    for (int i = 1; i <= 20; ++i) {
        cmbComExtended.AddItem(std::to_string(i));
    }
    cmbComExtended.SetListIndex(0);
    cmdBaud.SetItems({"9600", "19200", "38400", "57600", "115200"});
    cmdBaud.SetText("9600");
    cmbParity.SetItems({"N", "E", "O"});
    cmbParity.SetText("N");
    cmbDataBits.SetItems({"7", "8"});
    cmbDataBits.SetText("7");
    cmbStopBit.SetItems({"1", "2"});
    cmbStopBit.SetText("1");
    cboTIPO.SetItems({"ETH", "COM"});
    cboTIPO.SetText("ETH");
    txtPortEth.SetText("1000");
    txtIpAddress.SetText("192.168.1.101");
    txtINPF.SetText(session_.settings.DataFolder + config::kCommandFileName);
    txtOUTF.SetText(session_.settings.DataFolder + config::kResultFileName);
}

std::string ServiceWindow::ParamFilePath() const {
    return session_.settings.DataFolder + config::kParamFileName;
}

void ServiceWindow::SalvaParametri() {
    std::string contents;
    contents += chkEnableLog.checked ? "1" : "0";
    contents += text::kCrLf;
    contents += chbNoIcon.checked ? "1" : "0";
    contents += text::kCrLf;
    contents += std::to_string(ComboSecondi.ListIndex());
    contents += text::kCrLf;
    contents += std::to_string(ComboResult.ListIndex());
    contents += text::kCrLf;
    session_.platform.WriteWholeFile(ParamFilePath(), contents);
}

void ServiceWindow::LeggiParametri() {
    const auto contents = session_.platform.ReadWholeFile(ParamFilePath());
    if (!contents) {
        // Every read fails and counts as an empty line: both switches clear, the lists stay.
        chkEnableLog.checked = false;
        chbNoIcon.checked = false;
        return;
    }
    // Lines the file does not have change nothing.
    const auto lines = text::SplitLines(*contents);
    if (lines.size() > 0) {
        chkEnableLog.checked = lines[0] == "1";
    }
    if (lines.size() > 1) {
        chbNoIcon.checked = lines[1] == "1";
    }
    if (lines.size() > 2) {
        SelectStoredPosition(ComboSecondi, lines[2]);
    }
    if (lines.size() > 3) {
        SelectStoredPosition(ComboResult, lines[3]);
    }
}

bool ServiceWindow::Form_Load() {
    auto& settings = session_.settings;
    auto& ports = session_.ports;
    auto& platform = session_.platform;
    ports.timer.SetEnabled(false);
    ports.timer.SetInterval(kTimerInterval);
    Shape1.fill = kRed;
    session_.console.PresetLists();
    SkipOnRuntimeError([&] {
        terminal::VersionBuffer version;
        version.fill(' ');
        session_.library.GetVersion(version);
        session_.console.DllVersion.caption.assign(version.data(), version.size());
    });
    FillTestLists();
    settings.DataFolder = config::ResolveDataFolder(platform);
    const std::string configPath = settings.DataFolder + config::kConfigFileName;
    txtConfFile.SetText(configPath);
    txtLogFileName.SetText(config::LogFilePath(settings.DataFolder));
    CaricaValoriDefault();
    config::ConfigFile configFile(session_);
    if (!platform.FileExists(configPath)) {
        configFile.SalvaDatiConfigurazioneConPrefisso(configPath);
    }
    LeggiParametri();
    settings.ConfigFilePath = configPath;
    txtConfFile.SetText(configPath);
    const std::string problem = configFile.LeggiDatiConfigurazione(configPath);
    if (!problem.empty()) {
        ports.dialogs.Inform("ERRORE: " + problem);
        ports.shell.EndProcess(1);
        return false;
    }
    cmdSalvaDati.enabled = true;
    SkipOnRuntimeError([&] {
        if (platform.FileExists(settings.OutputFilePath)) {
            platform.RemoveFile(settings.OutputFilePath);
        }
    });
    session_.console.FollowConfiguration(settings);
    trayIconShown = true;
    ports.timer.SetEnabled(true);
    visible = true;
    minimized = false;
    Refresh();
    return true;
}

bool ServiceWindow::Form_QueryUnload() {
    session_.ports.timer.SetEnabled(false);
    SalvaParametri();
    if (!session_.ports.dialogs.Confirm("Vuoi terminare l'esecuzione ?")) {
        session_.ports.timer.SetEnabled(true);
        return false;
    }
    return true;
}

void ServiceWindow::Form_Unload() {
    session_.ports.timer.SetEnabled(false);
    visible = false;
    trayIconShown = false;
    Refresh();
    session_.console.Form_Unload();
}

bool ServiceWindow::Form_MouseMove(int code) {
    if (code == 0x203) {
        minimized = false;
        visible = true;
        Refresh();
        return false;
    }
    return code == 0x204 || code == 0x205;
}

void ServiceWindow::Form_Resize() {
    if (minimized) {
        visible = false;
        Refresh();
    }
}

void ServiceWindow::m_esci_Click() {
    session_.ports.timer.SetEnabled(false);
    SkipOnRuntimeError([&] { SleepDelay(500); });
    if (Form_QueryUnload()) {
        Form_Unload();
    }
}

void ServiceWindow::mInfo_Click() {
    auto& timer = session_.ports.timer;
    const bool wasEnabled = timer.IsEnabled();
    timer.SetEnabled(false);
    session_.about.Form_Load();
    session_.ports.shell.ShowAboutModal(session_.about);
    timer.SetEnabled(wasEnabled);
}

void ServiceWindow::cmdSalvaDati_Click() {
    auto& ports = session_.ports;
    ports.timer.SetEnabled(false);
    if (ports.dialogs.Confirm("Vuoi salvare i dati ?")) {
        // Always the data folder's file, whatever the path box shows.
        const std::string path = session_.settings.DataFolder + config::kConfigFileName;
        config::ConfigFile configFile(session_);
        configFile.SalvaDatiConfigurazioneConPrefisso(path);
        configFile.LeggiDatiConfigurazione(path);
        Refresh();
    }
    SkipOnRuntimeError([&] { SleepDelay(500); });
    ports.timer.SetEnabled(true);
}

void ServiceWindow::cmdSend_Click() {
    auto& ports = session_.ports;
    auto& platform = session_.platform;
    ports.timer.SetEnabled(false);
    if (!text::IsNumeric(txtAmount.Text())) {
        txtAmount.SetText("1");
    }
    const std::string command = "POS_PAGAME,A" + txtAmount.Text() + ",P" + txtTipo.Text() + ";";
    if (!ports.dialogs.Confirm("Invio dati: " + command)) {
        txtReadFile.SetText("");
        ports.timer.SetEnabled(true);
        Refresh();
        return;
    }
    txtReadFile.SetText("");
    if (ComboResult.ListIndex() < 0) {
        ports.dialogs.Inform("ATTENZIONE: SELEZIONARE OUTPUT !");
        ports.timer.SetEnabled(true);
        return;
    }
    const std::string resultPath = ResultFilePath();
    SkipOnRuntimeError([&] {
        if (platform.FileExists(session_.settings.DataFolder + ComboResult.Text()) &&
            platform.FileExists(resultPath)) {
            platform.RemoveFile(resultPath);
        }
    });
    SkipOnRuntimeError(
        [&] { SleepDelay(static_cast<float>(text::LeadingNumber(ComboSecondi.Text()) * 1000)); });
    SkipOnRuntimeError([&] {
        ExchangeRecordWriter writer(session_);
        platform.WriteWholeFile(resultPath,
                                terminal::resultfile::FormatManualSampleFile(
                                    txtAmount.Text(), txtTipo.Text(), writer.CurrDateTime()));
    });
    txtRisultatoFinale.SetText(resultPath);
    SkipOnRuntimeError([&] { btnReadFile_Click(); });
    ports.timer.SetEnabled(true);
    Refresh();
}

void ServiceWindow::CreaEseguiFileDiTest() {
    auto& timer = session_.ports.timer;
    cmdEseguiTest.enabled = false;
    const bool wasEnabled = timer.IsEnabled();
    timer.SetEnabled(false);
    session_.platform.WriteWholeFile(session_.settings.DataFolder + config::kCommandFileName,
                                     "POS_PAGAME,A2,P0\r\n");
    SkipOnRuntimeError([&] { SleepDelay(1000); });
    timer.SetEnabled(wasEnabled);
    cmdEseguiTest.enabled = true;
    Refresh();
}

void ServiceWindow::Timer1_Timer() {
    exchange::PollingCycle(session_).Timer1_Timer();
}

void ServiceWindow::SleepDelay(double timeout) {
    // Rounded to whole milliseconds (halves to even), then whole 50 ms steps; the step count
    // must fit 16 bits, as it always had to.
    if (!(std::fabs(timeout) < 2147483647.5)) {
        throw RuntimeError(kErrOverflow, "Overflow");
    }
    const long long steps = static_cast<long long>(std::nearbyint(timeout)) / 50;
    if (steps > 32767 || steps < -32768) {
        throw RuntimeError(kErrOverflow, "Overflow");
    }
    for (long long i = 0; i < steps; ++i) {
        session_.ports.clock.Sleep(50);
        session_.ports.events.PumpEvents();
    }
}

std::string ServiceWindow::ResultFilePath() const {
    return session_.settings.DataFolder + config::kResultFileName;
}

void ServiceWindow::btnReadFile_Click() {
    if (!txtReadFile.IsEmpty()) {
        txtReadFile.SetText("");
        Refresh();
        return;
    }
    const std::string path = ResultFilePath();
    const auto contents =
        session_.platform.FileExists(path) ? session_.platform.ReadWholeFile(path) : std::nullopt;
    if (!contents) {
        session_.ports.dialogs.Inform("FILE NON TROVATO");
        return;
    }
    // The first line is never shown as stored: it is rebuilt from the amount and type boxes.
    std::string shown;
    bool first = true;
    for (const auto& line : text::SplitLines(*contents)) {
        shown +=
            first ? "TIPO_COMANDO = POS_PAGAME,A" + txtAmount.Text() + ",P" + txtTipo.Text() + ";"
                  : line;
        shown += text::kCrLf;
        first = false;
    }
    txtReadFile.SetText(shown);
    Refresh();
}

void ServiceWindow::Refresh() {
    ++refreshCount;
    if (onRefresh) {
        onRefresh();
    }
}

}  // namespace varnix::ui
