#include "ui/console/ConsoleForm.h"

#include <array>
#include <string>

#include "text/AnsiText.h"

namespace varnix::ui {

namespace {

void Fill(ComboBox& list, std::initializer_list<const char*> items) {
    list.Clear();
    for (const char* item : items) {
        list.AddItem(item);
    }
}

const std::initializer_list<const char*> kPaymentTypes = {"Automatico", "Debito", "Credito",
                                                          "Altro"};

// A list position taken from a record field: the field's number when it holds one.
bool SelectFromCode(ComboBox& list, const std::string& code, int offset) {
    const auto value = text::ParseNumber(code);
    if (!value) {
        return false;
    }
    list.SetListIndex(text::RoundHalfEven(*value) + offset);
    return true;
}

}  // namespace

ConsoleForm::ConsoleForm()
    : txtCassa("99999999"),
      txtIP("192.168.1.113"),
      txtPorta("8080"),
      txtImporto("1"),
      txtImportoAccredito("1"),
      txtImportoPreAut("1"),
      txtContratto("Testo preautorizzazione contratto") {
    txtTerminale.visible = false;
    txtTerminale.maxLength = 8;
    txtCassa.maxLength = 8;
    txtIP.maxLength = 15;
    txtPorta.maxLength = 5;
    txtImporto.maxLength = 10;
    txtImportoAccredito.maxLength = 10;
    txtImportoPreAut.maxLength = 10;
    txtCodicePreautorizzazione.maxLength = 9;
    txtContratto.maxLength = 128;

    Fill(cmbConnessione, {"Ethernet", "RS232"});
    cmbCOM.Clear();
    for (int i = 1; i <= 20; ++i) {
        cmbCOM.AddItem("COM" + std::to_string(i));
    }
    Fill(cmbBaud, {"300", "1200", "2400", "4800", "9600", "19200"});
    Fill(cmbDati, {"7", "8"});
    Fill(cmbParity, {"None", "Odd", "Even"});
    Fill(cmbStop, {"1", "2"});
    Fill(cmbPagamento, kPaymentTypes);
    Fill(cmbPreautorizzazione, kPaymentTypes);
    PresetLists();
}

void ConsoleForm::PresetLists() {
    cmbConnessione.SetListIndex(1);  // RS232
    cmbCOM.SetListIndex(2);          // COM3
    cmbBaud.SetListIndex(4);         // 9600
    cmbParity.SetListIndex(0);       // None
    cmbDati.SetListIndex(1);         // 8
    cmbStop.SetListIndex(0);         // 1
    cmbPagamento.SetListIndex(0);    // Automatico
    cmbPreautorizzazione.SetListIndex(0);
}

void ConsoleForm::FollowConfiguration(const config::Settings& settings) {
    // A port that is not a number selects no port at all.
    if (!SelectFromCode(cmbCOM, settings.ComParams.ComPort.Text(), -1)) {
        cmbCOM.SetListIndex(-1);
    }
    SelectFromCode(cmbBaud, settings.ComParams.BaudRate.Text(), 0);
    SelectFromCode(cmbDati, settings.ComParams.DataBits.Text(), 0);
    SelectFromCode(cmbParity, settings.ComParams.Parity.Text(), 0);
    SelectFromCode(cmbStop, settings.ComParams.StopBits.Text(), 0);
    cmbConnessione.SetListIndex(settings.ConnectionType == 0 ? 0 : 1);
}

TextBox* ConsoleForm::ResultBox(int field) {
    const std::array<TextBox*, kResultBoxCount> boxes = {
        &txtTermId,    &txtAcqId,     &txtTipoTrans,   &txtEsitoTrans, &txtDescrKO, &txtTipoCarta,
        &txtSTAN,      &txtTotaliPOS, &txtTotaliBanca, &txtPAN,        &txtCodAut,  &txtNumOp,
        &txtImpPreaut, &txtCodPreaut, &txtAC,          &txtData};
    if (field < 0 || field >= kResultBoxCount) {
        return nullptr;
    }
    return boxes[static_cast<std::size_t>(field)];
}

void ConsoleForm::ClearResult() {
    txtEsito.SetText("");
    for (int i = 0; i < kResultBoxCount; ++i) {
        ResultBox(i)->SetText("");
    }
    Refresh();
}

void ConsoleForm::Refresh() {
    ++refreshCount;
    if (onRefresh) {
        onRefresh();
    }
}

}  // namespace varnix::ui
