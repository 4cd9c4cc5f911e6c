#include "ui/service/ServiceWindow.h"

#include <cmath>

#include "config/FileNames.h"
#include "core/RuntimeError.h"
#include "core/Session.h"
#include "text/AnsiText.h"

namespace varnix::ui {

namespace {

void Fill(ComboBox& list, std::initializer_list<const char*> items) {
    list.Clear();
    for (const char* item : items) {
        list.AddItem(item);
    }
}

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
    Fill(ComboSecondi, {"1", "2", "3", "4", "5", "10", "20", "30"});
    ComboSecondi.SetListIndex(6);
    Fill(ComboResult,
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
    Fill(cmdBaud, {"9600", "19200", "38400", "57600", "115200"});
    cmdBaud.SetText("9600");
    Fill(cmbParity, {"N", "E", "O"});
    cmbParity.SetText("N");
    Fill(cmbDataBits, {"7", "8"});
    cmbDataBits.SetText("7");
    Fill(cmbStopBit, {"1", "2"});
    cmbStopBit.SetText("1");
    Fill(cboTIPO, {"ETH", "COM"});
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
