#include "frontends/qt/ServiceMainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QStyle>
#include <QVBoxLayout>

#include "engine/HistoryActions.h"
#include "engine/ServiceActions.h"
#include "forms/ServiceWindow.h"
#include "frontends/qt/AboutDialog.h"
#include "frontends/qt/ScreenFit.h"

namespace varnix::qt {

namespace {

QGroupBox* Group(const char* caption, const char* name) {
    auto* group = new QGroupBox(QString::fromUtf8(caption));
    group->setObjectName(name);
    return group;
}

}  // namespace

ServiceMainWindow::ServiceMainWindow(forms::ServiceWindow& model, engine::ServiceActions& actions,
                                     engine::HistoryActions& historyActions,
                                     std::function<void()> afterAction)
    : model_(model),
      actions_(actions),
      historyActions_(historyActions),
      afterAction_(std::move(afterAction)) {
    setObjectName("frmOstrixType");
    setWindowTitle(FromAnsi(model.caption));
    const auto forward = [this](std::function<void()> action) {
        return [this, action = std::move(action)] {
            action();
            afterAction_();
        };
    };

    // Menus.
    fileMenu_ = menuBar()->addMenu("&File");
    fileMenu_->setObjectName("m_File");
    auto* quit = fileMenu_->addAction("T&ermina ZandrikVarnixPos");
    quit->setObjectName("m_esci");
    QFont bold = quit->font();
    bold.setBold(true);
    quit->setFont(bold);
    connect(quit, &QAction::triggered, this, forward([this] {
                closingForGood_ = true;
                actions_.m_esci_Click();
                closingForGood_ = false;
            }));
    auto* fileConfig = fileMenu_->addAction("File&Config");
    fileConfig->setObjectName("m_FileConfig");
    fileConfig->setEnabled(false);  // it has no action
    auto* history = fileMenu_->addAction("&Storico");
    history->setObjectName("mnuStorico");
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(history, &QAction::triggered, this,
            forward([this] { historyActions_.mnuStorico_Click(); }));
    fileMenu_->setDefaultAction(quit);
    auto* help = menuBar()->addMenu("&?");
    help->setObjectName("m_help");
    auto* info = help->addAction("&Informazioni  su ZANDRIK VarnixPos");
    info->setObjectName("mInfo");
    connect(info, &QAction::triggered, this, forward([this] { actions_.mInfo_Click(); }));

    auto* central = new QWidget;
    setCentralWidget(Scrolled(central));
    auto* root = new QVBoxLayout(central);
    auto* columns = new QHBoxLayout;
    root->addLayout(columns);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    const auto line = [this](TextBox& box, const char* name) { return binder_.Line(box, name); };
    const auto list = [this](ComboBox& box, const char* name) { return binder_.List(box, name); };
    const auto lamp = [this](Lamp& l, const char* name) {
        auto* widget = new LampWidget;
        widget->setObjectName(name);
        binder_.BindLamp(widget, l);
        return widget;
    };

    auto* kind = Group("Tipo Connessione", "frameTipo");
    auto* kindRow = new QHBoxLayout(kind);
    kindRow->addWidget(new QLabel("TIPO:"));
    kindRow->addWidget(list(model.cboTIPO, "cboTIPO"), 1);
    kindRow->addSpacing(16);
    kindRow->addWidget(new QLabel("Connesso"));
    kindRow->addWidget(lamp(model.ShapeDump, "ShapeDump"));
    left->addWidget(kind);

    auto* eth = Group("Rete ETH", "frameETH");
    auto* ethForm = new QFormLayout(eth);
    ethForm->addRow("IPAD:", line(model.txtIpAddress, "txtIpAddress"));
    ethForm->addRow("PORT:", line(model.txtPortEth, "txtPortEth"));
    left->addWidget(eth);

    auto* serial = Group("RS-232", "frameRS232");
    auto* serialForm = new QFormLayout(serial);
    serialForm->addRow("PCOM:", list(model.cmbComExtended, "cmbComExtended"));
    serialForm->addRow("BAUD:", list(model.cmdBaud, "cmdBaud"));
    serialForm->addRow("PARI:", list(model.cmbParity, "cmbParity"));
    serialForm->addRow("BITS:", list(model.cmbDataBits, "cmbDataBits"));
    serialForm->addRow("STOP:", list(model.cmbStopBit, "cmbStopBit"));
    left->addWidget(serial);

    auto* files = Group("I / O Files", "frameIO");
    auto* filesForm = new QFormLayout(files);
    filesForm->addRow("INPF:", line(model.txtINPF, "txtINPF"));
    filesForm->addRow("OUTF:", line(model.txtOUTF, "txtOUTF"));
    left->addWidget(files);

    auto* config = Group("File di Configurazione e Log", "frameConfig");
    auto* configGrid = new QGridLayout(config);
    auto* enableLog = new QCheckBox("Abilita Log");
    enableLog->setObjectName("chkEnableLog");
    binder_.Bind(enableLog, model.chkEnableLog);
    configGrid->addWidget(enableLog, 0, 0);
    auto* logName = line(model.txtLogFileName, "txtLogFileName");
    logName->setReadOnly(true);
    configGrid->addWidget(logName, 0, 1);
    configGrid->addWidget(new QLabel("   Path file di configurazione"), 1, 0);
    auto* confFile = line(model.txtConfFile, "txtConfFile");
    confFile->setReadOnly(true);
    configGrid->addWidget(confFile, 1, 1);
    left->addWidget(config);

    auto* save = Group("Salvataggio dati", "frameSave");
    auto* saveRow = new QHBoxLayout(save);
    auto* saveButton = new QPushButton("Salva Dati");
    saveButton->setObjectName("cmdSalvaDati");
    binder_.Bind(saveButton, model.cmdSalvaDati,
                 forward([this] { actions_.cmdSalvaDati_Click(); }));
    saveRow->addWidget(saveButton);
    right->addWidget(save);

    auto* test = Group("Test", "frameTest");
    auto* testRow = new QHBoxLayout(test);
    auto* testButton = new QPushButton("Esegui Test");
    testButton->setObjectName("cmdEseguiTest");
    testButton->setToolTip("Esegue semplice test");
    binder_.Bind(testButton, model.cmdEseguiTest,
                 forward([this] { actions_.cmdEseguiTest_Click(); }));
    testRow->addWidget(testButton);
    right->addWidget(test);

    auto* control = Group("Control", "frameControl");
    auto* controlRow = new QHBoxLayout(control);
    controlRow->addWidget(lamp(model.Shape1, "Shape1"));
    auto* idCaption = new QLabel;
    idCaption->setObjectName("lblTerminalId");
    binder_.Bind(idCaption, model.lblTerminalId);
    controlRow->addWidget(idCaption);
    auto* idValue = new QLabel;
    idValue->setObjectName("lblValTerminalId");
    binder_.Bind(idValue, model.lblValTerminalId);
    controlRow->addWidget(idValue, 1);
    right->addWidget(control);

    auto* noIcon = new QCheckBox("No riduz. a icona in avvio");
    noIcon->setObjectName("chbNoIcon");
    binder_.Bind(noIcon, model.chbNoIcon);
    right->addWidget(noIcon);
    right->addStretch();

    // The manual transaction row reads as the command line it stands for.
    auto* manual = new QHBoxLayout;
    auto* send = new QPushButton("Avvia Trans. Manuale   --->");
    send->setObjectName("cmdSend");
    send->setToolTip("Avvia la transazione manuale con caselle di configurazione");
    binder_.Bind(send, model.cmdSend, forward([this] { actions_.cmdSend_Click(); }));
    manual->addWidget(send);
    auto* sendText = line(model.txtSend, "txtSend");
    sendText->setReadOnly(true);
    manual->addWidget(sendText);
    manual->addWidget(new QLabel(", A"));
    auto* amount = line(model.txtAmount, "txtAmount");
    amount->setMaximumWidth(90);
    manual->addWidget(amount);
    manual->addWidget(new QLabel(", P"));
    auto* tipo = line(model.txtTipo, "txtTipo");
    tipo->setMaximumWidth(40);
    manual->addWidget(tipo);
    manual->addWidget(new QLabel(";"));
    manual->addStretch();
    root->addLayout(manual);

    auto* tools = new QGridLayout;
    tools->addWidget(new QLabel("Risultato atteso"), 0, 0);
    tools->addWidget(list(model.ComboResult, "ComboResult"), 0, 1);
    tools->addWidget(new QLabel("T.out di trasmiss. in secondi"), 0, 2);
    tools->addWidget(list(model.ComboSecondi, "ComboSecondi"), 0, 3);
    tools->addWidget(new QLabel("File ricevuto"), 1, 0);
    auto* received = line(model.txtRisultatoFinale, "txtRisultatoFinale");
    received->setReadOnly(true);
    tools->addWidget(received, 1, 1, 1, 2);
    auto* readFile = new QPushButton("Mostra File transazione");
    readFile->setObjectName("btnReadFile");
    readFile->setToolTip("Premere per mostrare il file o cancellarlo");
    binder_.Bind(readFile, model.btnReadFile, forward([this] { actions_.btnReadFile_Click(); }));
    tools->addWidget(readFile, 1, 3);
    tools->setColumnStretch(1, 1);
    root->addLayout(tools);

    auto* view = new QPlainTextEdit;
    view->setObjectName("txtReadFile");
    view->setReadOnly(true);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier("Courier New");
    courier.setStyleHint(QFont::Monospace);
    view->setFont(courier);
    view->setMinimumHeight(160);
    binder_.Bind(view, model.txtReadFile);
    root->addWidget(view, 1);

    // The tray icon: double-click restores, right click opens the File menu.
    tray_ = new QSystemTrayIcon(ApplicationIcon(), this);
    tray_->setToolTip(forms::ServiceWindow::kTrayTip);
    tray_->setContextMenu(fileMenu_);
    setWindowIcon(tray_->icon());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    TrayEvent(0x203);
                }
            });
    FitToScreen(this, QSize(860, 720));
    Pull();
}

void ServiceMainWindow::TrayEvent(int code) {
    if (model_.Form_MouseMove(code)) {
        fileMenu_->popup(QCursor::pos());
    }
    afterAction_();
}

void ServiceMainWindow::Pull(bool paintNow) {
    binder_.Pull(paintNow);
    if (tray_ != nullptr && tray_->isVisible() != model_.trayIconShown) {
        // Asking whether a tray exists is a round trip to the display: not at every pull, but
        // again now and then, since a panel may start after us.
        if (!model_.trayIconShown || !trayLastAsked_.isValid() ||
            trayLastAsked_.elapsed() > kTrayAskIntervalMs) {
            trayLastAsked_.start();
            if (!model_.trayIconShown || QSystemTrayIcon::isSystemTrayAvailable()) {
                tray_->setVisible(model_.trayIconShown);
            }
        }
    }
    if (model_.visible && !isVisible()) {
        showNormal();
    } else if (!model_.visible && isVisible()) {
        hide();  // gone from the taskbar as well
    }
}

void ServiceMainWindow::closeEvent(QCloseEvent* event) {
    // Whatever the source, the model's close request decides.
    if (closingForGood_ || !model_.visible) {
        event->accept();
        return;
    }
    if (actions_.Form_QueryUnload()) {
        event->accept();
        actions_.Form_Unload();
    } else {
        event->ignore();
    }
    afterAction_();
}

void ServiceMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimising hides into the tray, when there is a tray to come back from.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        model_.minimized = true;
        model_.Form_Resize();
        afterAction_();
    }
}

}  // namespace varnix::qt
