#include "forms/ConsoleForm.h"

#include <array>
#include <string>

#include "iae17/ResultCodes.h"
#include "text/AnsiText.h"

namespace varnix::forms {

namespace {

const std::initializer_list<const char*> kPaymentTypes = {"Automatico", "Debito", "Credito",
                                                          "Altro"};

// A list position taken from a record field: the field's number when it holds one.
bool SelectFromCode(ComboBox& list, const std::string& code, int offset) {
    const auto value = text::ParseNumber(code);
    if (!value) {
        return false;
    }
    // Widened first: a huge number rounds to the edge of int, and the offset must not wrap it.
    const long long index = static_cast<long long>(text::RoundHalfEven(*value)) + offset;
    if (index >= -1 && index < list.ListCount()) {
        list.SetListIndex(static_cast<int>(index));
    }
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

    cmbConnessione.SetItems({"Ethernet", "RS232"});
    cmbCOM.Clear();
    for (int i = 1; i <= 20; ++i) {
        cmbCOM.AddItem("COM" + std::to_string(i));
    }
    cmbBaud.SetItems({"300", "1200", "2400", "4800", "9600", "19200"});
    cmbDati.SetItems({"7", "8"});
    cmbParity.SetItems({"None", "Odd", "Even"});
    cmbStop.SetItems({"1", "2"});
    cmbPagamento.SetItems(kPaymentTypes);
    cmbPreautorizzazione.SetItems(kPaymentTypes);
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

void ConsoleForm::FollowConfiguration(const iae17::ComParams& com, bool ethernet) {
    // A port that is not a number selects no port at all.
    if (!SelectFromCode(cmbCOM, com.ComPort.Text(), -1)) {
        cmbCOM.SetListIndex(-1);
    }
    SelectFromCode(cmbBaud, com.BaudRate.Text(), 0);
    SelectFromCode(cmbDati, com.DataBits.Text(), 0);
    SelectFromCode(cmbParity, com.Parity.Text(), 0);
    SelectFromCode(cmbStop, com.StopBits.Text(), 0);
    cmbConnessione.SetListIndex(ethernet ? 0 : 1);
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

void ConsoleForm::SetPOSData(iae17::POSRequest& request, AmountSource source) const {
    request.TerminalId.Assign(txtTerminale.Text());
    request.EcrId.Assign(txtCassa.Text());
    switch (source) {
        case AmountSource::Payment:
            request.Amount.Assign(txtImporto.Text());
            break;
        case AmountSource::Credit:
            request.Amount.Assign(txtImportoAccredito.Text());
            break;
        case AmountSource::Preauthorization:
            request.Amount.Assign(txtImportoPreAut.Text());
            request.ContractText.Assign(txtContratto.Text());
            break;
        default:
            request.Amount.Assign("");
            break;
    }
    request.PaymentType.Assign(
        cmbPagamento.Text().empty() ? std::string() : std::to_string(cmbPagamento.ListIndex()));
    request.PreauthorizationCode.Assign(txtCodicePreautorizzazione.Text());
}

void ConsoleForm::ShowOutcome(int code, bool ethernet, const iae17::POSData& data) {
    const auto text = iae17::ResultText(code, ethernet);
    if (text) {
        txtEsito.SetText(*text);
    }
    if (code == iae17::kResultOk) {
        for (int i = 0; i < kResultBoxCount; ++i) {
            ResultBox(i)->SetText(iae17::FieldText(data, i));
        }
    }
}

void ConsoleForm::ShowUnreached(const std::string& reason) {
    txtEsito.SetText("KO");
    txtEsitoTrans.SetText("");
    txtDescrKO.SetText(reason);
}

void ConsoleForm::ClearResult() {
    txtEsito.SetText("");
    for (int i = 0; i < kResultBoxCount; ++i) {
        ResultBox(i)->SetText("");
    }
    Refresh();
}

bool ConsoleForm::CheckConsoleFields(ports::Dialogs& dialogs) const {
    const char* problem = nullptr;
    if (cmbConnessione.ListIndex() == 0 && txtIP.IsEmpty()) {
        problem = "Attenzione il campo indirizzo IP deve essere compilato";
    } else if (cmbConnessione.ListIndex() == 0 && txtPorta.IsEmpty()) {
        problem = "Attenzione il campo Porta deve essere compilato";
    } else if (txtTerminale.IsEmpty()) {
        problem = "Attenzione il campo Id Terminale deve essere compilato";
    } else if (txtCassa.IsEmpty()) {
        problem = "Attenzione il campo Id Cassa deve essere compilato";
    }
    if (problem != nullptr) {
        dialogs.Warn(problem);
        return false;
    }
    return true;
}

void ConsoleForm::DisableButtons() {
    for (Button* b :
         {&btnChiusura, &btnAccredito, &btnIntegrativa, &btnPagamento, &btnPreautorizzazione,
          &btnPreautChiusura, &btnStorno, &btnStornoPreautorizzazione, &btnTotali}) {
        b->enabled = false;
    }
    mousePointer = kPointerHourglass;
    Refresh();
}

void ConsoleForm::EnableButtons() {
    for (Button* b :
         {&btnChiusura, &btnAccredito, &btnIntegrativa, &btnPagamento, &btnPreautorizzazione,
          &btnPreautChiusura, &btnStorno, &btnStornoPreautorizzazione, &btnTotali}) {
        b->enabled = true;
    }
    mousePointer = kPointerDefault;
    Refresh();
}

void ConsoleForm::FillEthParams(iae17::EthParams& eth) const {
    eth.IPAddress.Assign(txtIP.Text());
    eth.Port.Assign(txtPorta.Text());
}

void ConsoleForm::FillComParams(iae17::ComParams& com) const {
    com.ComPort.Assign(cmbCOM.Text());
    com.BaudRate.Assign(std::to_string(cmbBaud.ListIndex()));
    com.DataBits.Assign(std::to_string(cmbDati.ListIndex()));
    com.Parity.Assign(std::to_string(cmbParity.ListIndex()));
    com.StopBits.Assign(std::to_string(cmbStop.ListIndex()));
}

void ConsoleForm::Refresh() {
    if (onRefresh) {
        onRefresh();
    }
}

}  // namespace varnix::forms
