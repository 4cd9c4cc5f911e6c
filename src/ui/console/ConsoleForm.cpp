#include "ui/console/ConsoleForm.h"

#include <array>
#include <string>

#include "core/RuntimeError.h"
#include "core/Session.h"
#include "terminal/ResultCodes.h"
#include "text/AnsiText.h"

namespace varnix::ui {

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

constexpr const char* kImportoMissing = "Attenzione il campo Importo deve essere compilato";
constexpr const char* kPreAutMissing =
    "Attenzione il campo Importo Preautorizzazione deve essere compilato";
constexpr const char* kCodiceMissing =
    "Attenzione il campo Codice Preautorizzazione deve essere compilato";

}  // namespace

ConsoleForm::ConsoleForm(Session& session)
    : txtCassa("99999999"),
      txtIP("192.168.1.113"),
      txtPorta("8080"),
      txtImporto("1"),
      txtImportoAccredito("1"),
      txtImportoPreAut("1"),
      txtContratto("Testo preautorizzazione contratto"),
      session_(session) {
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

void ConsoleForm::Form_Unload() {
    try {
        session_.library.Free();
    } catch (const RuntimeError&) {
        // A library that never loaded has nothing to release.
    }
    session_.ports.shell.EndProcess(0);
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

void ConsoleForm::SetPOSData(AmountSource source) {
    auto& request = session_.records.request;
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

void ConsoleForm::ShowResult(int code) {
    const auto text = terminal::ResultText(code, session_.settings.IsEthernet());
    if (text) {
        txtEsito.SetText(*text);
    }
    if (code == terminal::kResultLinkError) {
        session_.terminalConnected = false;
        session_.service.ShapeDump.fill = kRed;
    }
    if (code == terminal::kResultOk) {
        for (int i = 0; i < kResultBoxCount; ++i) {
            ResultBox(i)->SetText(terminal::FieldText(session_.records.data, i));
        }
    }
}

void ConsoleForm::ClearResult() {
    txtEsito.SetText("");
    for (int i = 0; i < kResultBoxCount; ++i) {
        ResultBox(i)->SetText("");
    }
    Refresh();
}

bool ConsoleForm::CheckConsoleFields() {
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
        session_.ports.dialogs.Warn(problem);
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

void ConsoleForm::OpenTerminalLink(int connectionType) {
    auto& settings = session_.settings;
    if (connectionType == 0) {
        settings.EthParams.IPAddress.Assign(txtIP.Text());
        settings.EthParams.Port.Assign(txtPorta.Text());
        session_.library.InitEth(settings.EthParams);
    } else {
        settings.ComParams.ComPort.Assign(cmbCOM.Text());
        settings.ComParams.BaudRate.Assign(std::to_string(cmbBaud.ListIndex()));
        settings.ComParams.DataBits.Assign(std::to_string(cmbDati.ListIndex()));
        settings.ComParams.Parity.Assign(std::to_string(cmbParity.ListIndex()));
        settings.ComParams.StopBits.Assign(std::to_string(cmbStop.ListIndex()));
        session_.library.InitRS232(settings.ComParams);
    }
}

void ConsoleForm::RunButton(const ButtonAction& action) {
    ClearResult();
    if (!CheckConsoleFields()) {
        return;
    }
    for (const auto& [box, message] : action.required) {
        if (box->IsEmpty()) {
            session_.ports.dialogs.Warn(message);
            return;
        }
    }
    DisableButtons();
    try {
        OpenTerminalLink(cmbConnessione.Text() == "Ethernet" ? 0 : 1);
        if (action.setRequest) {
            SetPOSData(action.source);
        }
        if (action.amountOfOneCent) {
            session_.records.request.Amount.Assign("1");
        }
        const int code =
            session_.library.Call(action.function, session_.records.request, session_.records.data);
        ShowResult(code);
    } catch (const RuntimeError& error) {
        // A library that cannot be loaded must neither leave the console busy nor go unsaid.
        EnableButtons();
        session_.ports.dialogs.Inform(
            ErrorBoxText(std::string(terminal::FunctionName(action.function)) + ":", error));
        return;
    }
    EnableButtons();
}

void ConsoleForm::btnPagamento_Click() {
    RunButton({{{&txtImporto, kImportoMissing}},
               true,
               AmountSource::Payment,
               true,
               terminal::Function::Payment});
}

void ConsoleForm::btnAccredito_Click() {
    RunButton(
        {{{&txtImportoAccredito, "Attenzione il campo Importo Accredito deve essere compilato"}},
         true,
         AmountSource::Credit,
         true,
         terminal::Function::Refund});
}

void ConsoleForm::btnStorno_Click() {
    // The outcome record goes out as the last operation left it: its STAN names the
    // transaction to void, while the typed value becomes the request's amount.
    RunButton({{{&txtImporto, kImportoMissing}},
               true,
               AmountSource::Payment,
               false,
               terminal::Function::Void});
}

void ConsoleForm::btnPreautorizzazione_Click() {
    RunButton({{{&txtImportoPreAut, kPreAutMissing}},
               true,
               AmountSource::Preauthorization,
               false,
               terminal::Function::Preauthorization});
}

void ConsoleForm::btnIntegrativa_Click() {
    RunButton({{{&txtImportoPreAut, kPreAutMissing}, {&txtCodicePreautorizzazione, kCodiceMissing}},
               true,
               AmountSource::Preauthorization,
               false,
               terminal::Function::PreauthorizationInt});
}

void ConsoleForm::btnPreautChiusura_Click() {
    RunButton({{{&txtImportoPreAut, kPreAutMissing}, {&txtCodicePreautorizzazione, kCodiceMissing}},
               true,
               AmountSource::Preauthorization,
               false,
               terminal::Function::PreauthorizationClose});
}

void ConsoleForm::btnTotali_Click() {
    RunButton({{}, true, AmountSource::None, false, terminal::Function::TerminalBalance});
}

void ConsoleForm::btnChiusura_Click() {
    RunButton({{}, true, AmountSource::None, false, terminal::Function::Closure});
}

void ConsoleForm::btnStatus_Click() {
    RunButton({{}, false, AmountSource::None, false, terminal::Function::Status});
}

void ConsoleForm::Refresh() {
    ++refreshCount;
    if (onRefresh) {
        onRefresh();
    }
}

}  // namespace varnix::ui
