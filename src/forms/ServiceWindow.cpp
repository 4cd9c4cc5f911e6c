#include "forms/ServiceWindow.h"

namespace varnix::forms {

ServiceWindow::ServiceWindow() {
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
    txtLogFileName.showsEnd = true;
    txtConfFile.showsEnd = true;
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

void ServiceWindow::CaricaValoriDefault(const std::string& commandFile,
                                        const std::string& resultFile) {
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
    txtINPF.SetText(commandFile);
    txtOUTF.SetText(resultFile);
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

void ServiceWindow::Refresh() {
    if (onRefresh) {
        onRefresh();
    }
}

}  // namespace varnix::forms
