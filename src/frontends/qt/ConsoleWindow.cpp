#include "frontends/qt/ConsoleWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "engine/ConsoleActions.h"
#include "forms/ConsoleForm.h"
#include "frontends/qt/ScreenFit.h"

namespace varnix::qt {

namespace {

QGroupBox* Group(const char* caption) {
    return new QGroupBox(QString::fromUtf8(caption));
}

}  // namespace

ConsoleWindow::ConsoleWindow(forms::ConsoleForm& model, engine::ConsoleActions& actions,
                             std::function<void()> afterAction)
    : model_(model), actions_(actions), afterAction_(std::move(afterAction)) {
    setObjectName("frmMain");
    setWindowTitle(FromAnsi(model.caption));
    auto* content = new QWidget;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Scrolled(content));
    auto* root = new QHBoxLayout(content);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    root->addLayout(left);
    root->addLayout(right);

    const auto line = [this](TextBox& box, const char* name) { return binder_.Line(box, name); };
    const auto list = [this](ComboBox& box, const char* name) { return binder_.List(box, name); };
    const auto button = [this](Button& b, const char* name, const char* caption,
                               std::function<void()> action) {
        auto* push = new QPushButton(QString::fromUtf8(caption));
        push->setObjectName(name);
        binder_.Bind(push, b, [this, action = std::move(action)] {
            action();
            afterAction_();
        });
        return push;
    };

    auto* common = Group("Dati comuni");
    auto* commonForm = new QFormLayout(common);
    terminalCaption_ = new QLabel("Id Terminale");
    commonForm->addRow(terminalCaption_, line(model.txtTerminale, "txtTerminale"));
    commonForm->addRow("Id Cassa", line(model.txtCassa, "txtCassa"));
    left->addWidget(common);

    auto* link = new QFormLayout;
    link->addRow("Connessione", list(model.cmbConnessione, "cmbConnessione"));
    auto* version = new QLabel;
    version->setObjectName("DllVersion");
    binder_.Bind(version, model.DllVersion);
    link->addRow("Versione DLL", version);
    left->addLayout(link);

    auto* eth = Group("Configurazione Ethernet");
    auto* ethForm = new QFormLayout(eth);
    ethForm->addRow("Indirizzo IP", line(model.txtIP, "txtIP"));
    ethForm->addRow("Porta", line(model.txtPorta, "txtPorta"));
    left->addWidget(eth);

    auto* com = Group("Configurazione COM");
    auto* comForm = new QFormLayout(com);
    comForm->addRow("COM", list(model.cmbCOM, "cmbCOM"));
    comForm->addRow(QString::fromUtf8("Velocità"), list(model.cmbBaud, "cmbBaud"));
    comForm->addRow("Bit di dati", list(model.cmbDati, "cmbDati"));
    comForm->addRow(QString::fromUtf8("Parità"), list(model.cmbParity, "cmbParity"));
    comForm->addRow("Bit di stop", list(model.cmbStop, "cmbStop"));
    left->addWidget(com);

    auto* payment = Group("Pagamento");
    auto* paymentGrid = new QGridLayout(payment);
    paymentGrid->addWidget(new QLabel("Importo (cent)"), 0, 0);
    paymentGrid->addWidget(line(model.txtImporto, "txtImporto"), 0, 1);
    paymentGrid->addWidget(new QLabel("Tipo pagamento"), 1, 0);
    paymentGrid->addWidget(list(model.cmbPagamento, "cmbPagamento"), 1, 1);
    paymentGrid->addWidget(button(model.btnPagamento, "btnPagamento", "Pagamento",
                                  [this] { actions_.btnPagamento_Click(); }),
                           0, 2);
    paymentGrid->addWidget(
        button(model.btnStorno, "btnStorno", "Storno", [this] { actions_.btnStorno_Click(); }), 1,
        2);
    left->addWidget(payment);

    auto* credit = Group("Accredito");
    auto* creditGrid = new QGridLayout(credit);
    creditGrid->addWidget(new QLabel("Importo (cent)"), 0, 0);
    creditGrid->addWidget(line(model.txtImportoAccredito, "txtImportoAccredito"), 0, 1);
    creditGrid->addWidget(button(model.btnAccredito, "btnAccredito", "Accredito",
                                 [this] { actions_.btnAccredito_Click(); }),
                          0, 2);
    left->addWidget(credit);

    auto* preauth = Group("Preautorizzazione");
    auto* preauthGrid = new QGridLayout(preauth);
    preauthGrid->addWidget(new QLabel("Importo (cent)"), 0, 0);
    preauthGrid->addWidget(line(model.txtImportoPreAut, "txtImportoPreAut"), 0, 1);
    preauthGrid->addWidget(new QLabel("Tipo pagamento"), 1, 0);
    preauthGrid->addWidget(list(model.cmbPreautorizzazione, "cmbPreautorizzazione"), 1, 1);
    preauthGrid->addWidget(new QLabel("Codice Preaut."), 2, 0);
    preauthGrid->addWidget(line(model.txtCodicePreautorizzazione, "txtCodicePreautorizzazione"), 2,
                           1);
    preauthGrid->addWidget(
        button(model.btnPreautorizzazione, "btnPreautorizzazione", "Preautorizzazione",
               [this] { actions_.btnPreautorizzazione_Click(); }),
        0, 2);
    preauthGrid->addWidget(button(model.btnIntegrativa, "btnIntegrativa", "Integrativa",
                                  [this] { actions_.btnIntegrativa_Click(); }),
                           1, 2);
    preauthGrid->addWidget(button(model.btnPreautChiusura, "btnPreautChiusura", "Chiusura",
                                  [this] { actions_.btnPreautChiusura_Click(); }),
                           2, 2);
    preauthGrid->addWidget(
        button(model.btnStornoPreautorizzazione, "btnStornoPreautorizzazione", "Storno Preaut.",
               [this] { actions_.btnStornoPreautorizzazione_Click(); }),
        3, 2);
    left->addWidget(preauth);

    auto* contract = Group("Testo Preautorizzazione");
    auto* contractLayout = new QVBoxLayout(contract);
    contractLayout->addWidget(line(model.txtContratto, "txtContratto"));
    left->addWidget(contract);

    auto* outcome = Group("Esito");
    auto* outcomeForm = new QFormLayout(outcome);
    const std::pair<TextBox*, const char*> results[] = {{&model.txtEsito, "Esito comando"},
                                                        {&model.txtDescrKO, "Descrizione KO"},
                                                        {&model.txtTermId, "Terminale ID"},
                                                        {&model.txtAcqId, "Acquirer ID"},
                                                        {&model.txtTipoTrans, "Tipo trans."},
                                                        {&model.txtEsitoTrans, "Esito trans."},
                                                        {&model.txtCodAut, "Cod. autorizz."},
                                                        {&model.txtCodPreaut, "Cod. preaut."},
                                                        {&model.txtAC, "AC"},
                                                        {&model.txtTipoCarta, "Tipo carta"},
                                                        {&model.txtPAN, "PAN"},
                                                        {&model.txtSTAN, "STAN"},
                                                        {&model.txtNumOp, "Num. operaz."},
                                                        {&model.txtTotaliPOS, "Totali POS"},
                                                        {&model.txtTotaliBanca, "Totali banca"},
                                                        {&model.txtImpPreaut, "Imp. preaut."},
                                                        {&model.txtData, "Data"}};
    const char* names[] = {"txtEsito",     "txtDescrKO",    "txtTermId",      "txtAcqId",
                           "txtTipoTrans", "txtEsitoTrans", "txtCodAut",      "txtCodPreaut",
                           "txtAC",        "txtTipoCarta",  "txtPAN",         "txtSTAN",
                           "txtNumOp",     "txtTotaliPOS",  "txtTotaliBanca", "txtImpPreaut",
                           "txtData"};
    for (std::size_t i = 0; i < std::size(results); ++i) {
        auto* edit = line(*results[i].first, names[i]);
        edit->setReadOnly(true);
        outcomeForm->addRow(QString::fromUtf8(results[i].second), edit);
    }
    right->addWidget(outcome);

    auto* others = new QHBoxLayout;
    others->addWidget(button(model.btnTotali, "btnTotali", "Totali terminale",
                             [this] { actions_.btnTotali_Click(); }));
    others->addWidget(button(model.btnChiusura, "btnChiusura", "Chiusura",
                             [this] { actions_.btnChiusura_Click(); }));
    others->addWidget(
        button(model.btnStatus, "btnStatus", "Stato", [this] { actions_.btnStatus_Click(); }));
    right->addLayout(others);
    right->addStretch();
    FitToScreen(this, content->sizeHint() + QSize(4, 4));
    Pull();
}

void ConsoleWindow::Pull(bool paintNow) {
    binder_.Pull(paintNow);
    terminalCaption_->setVisible(model_.txtTerminale.visible);
    setVisible(model_.visible);
    // The busy state's hourglass.
    const bool busy = model_.mousePointer == forms::ConsoleForm::kPointerHourglass;
    if (busy && QApplication::overrideCursor() == nullptr) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (!busy && QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    // Closing the console ends the whole process.
    event->accept();
    actions_.Form_Unload();
    afterAction_();
}

}  // namespace varnix::qt
