// The Qt views on top of the real models, offscreen: clicks reach the models' actions and the
// widgets show what the actions changed, both ways.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>

#include <filesystem>

#include "config/FileNames.h"
#include "exchange/ExchangeHistory.h"
#include "fakes/EngineDriver.h"
#include "frontends/Runner.h"
#include "frontends/qt/AboutDialog.h"
#include "frontends/qt/ConsoleWindow.h"
#include "frontends/qt/HistoryDialog.h"
#include "frontends/qt/LampWidget.h"
#include "frontends/qt/QtFrontEnd.h"
#include "frontends/qt/ServiceMainWindow.h"
#include "frontends/qt/Translation.h"

using varnix::ports::Answer;

namespace {

template <typename T = QPushButton>
T* Find(QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(name);
    QTEST_ASSERT_X(widget != nullptr, "no widget named", name);
    return widget;
}

void Click(QWidget& window, const char* name) {
    QTest::mouseClick(Find(window, name), Qt::LeftButton);
}

// Both windows on a started engine with the fake library, as the application wires them.
struct Views {
    Views() {
        engine.CreateDataFolder();
        engine.Start();
        engine.dialogs.shown.clear();
        model.txtTerminale.SetText("10001761");
        model.txtCodicePreautorizzazione.SetText("PA00000001");
        Pull();
    }
    void Pull() {
        service.Pull();
        console.Pull();
        history.Pull();
    }

    varnix::fakes::EngineDriver engine;
    varnix::engine::Session& session = *engine.session;
    varnix::forms::ConsoleForm& model = session.console;
    varnix::qt::ServiceMainWindow service{session.service, session.serviceActions,
                                          session.historyActions, [this] { Pull(); }};
    varnix::qt::ConsoleWindow console{model, session.consoleActions, [this] { Pull(); }};
    varnix::qt::HistoryDialog history{session.history, session.historyActions, [this] { Pull(); }};
};

// Three exchanges in the history file, oldest first; the window lists them newest first.
void WriteHistory(const varnix::fakes::EngineDriver& engine) {
    std::string lines;
    int n = 0;
    for (const auto& [command, outcome] : {std::pair{"POS_PAGAME,A2,P0", "OK"},
                                           {"POS_TOTTER", "KO"},
                                           {"POS_PAGAME,A150,P1", "OK"}}) {
        varnix::exchange::HistoryEntry entry;
        entry.start = entry.time = "2026-12-06 09:41:0" + std::to_string(++n);
        entry.durationMs = 800 + n;
        entry.command = command;
        entry.outcome = outcome;
        entry.transaction = "00";
        entry.description = outcome == std::string("OK") ? "citt\xE0" : "RIFIUTATA citt\xE0";
        lines += varnix::exchange::ExchangeHistory::ToJsonLine(entry) + "\n";
    }
    engine.WriteData(varnix::config::kHistoryFileName, lines);
}

}  // namespace

class QtViewsTest : public QObject {
    Q_OBJECT

  private slots:
    void consoleButtonsCallTheirFunction_data() {
        QTest::addColumn<QString>("function");  // the row names the button
        QTest::newRow("Pagamento") << QString("IAE17AX_Payment");
        QTest::newRow("Accredito") << QString("IAE17AX_Refund");
        QTest::newRow("Storno") << QString("IAE17AX_Void");
        QTest::newRow("Preautorizzazione") << QString("IAE17AX_Preauthorization");
        QTest::newRow("Integrativa") << QString("IAE17AX_PreauthorizationInt");
        QTest::newRow("PreautChiusura") << QString("IAE17AX_PreauthorizationClose");
        QTest::newRow("Totali") << QString("IAE17AX_TerminalBalance");
        QTest::newRow("Chiusura") << QString("IAE17AX_Closure");
        QTest::newRow("Status") << QString("IAE17AX_Status");
    }
    void consoleButtonsCallTheirFunction() {
        QFETCH(QString, function);
        Views v;
        v.engine.fakeLibrary.code = 3;
        Click(v.console, (std::string("btn") + QTest::currentDataTag()).c_str());
        QCOMPARE(v.engine.fakeLibrary.Operations().size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(v.engine.fakeLibrary.calls.back().name), function);
        QCOMPARE(Find<QLineEdit>(v.console, "txtEsito")->text(), QString("TIMEOUT ERROR"));
        QVERIFY(Find(v.console, "btnPagamento")->isEnabled());
    }

    void viewsFollowModelsBothWays() {
        Views v;
        v.model.txtPAN.SetText("4\xE8\x80");  // Windows-1252: è and the euro sign
        v.model.cmbCOM.SetListIndex(6);
        v.Pull();
        QCOMPARE(Find<QLineEdit>(v.console, "txtPAN")->text(),
                 QString::fromUtf8("4\xC3\xA8\xE2\x82\xAC"));
        QCOMPARE(Find<QComboBox>(v.console, "cmbCOM")->currentText(), QString("COM7"));
        auto* ip = Find<QLineEdit>(v.console, "txtIP");
        ip->clear();
        QTest::keyClicks(ip, "10.0.0.");
        QTest::sendKeyEvent(QTest::Click, ip, Qt::Key_unknown, QString::fromUtf8("\xC3\xA8"),
                            Qt::NoModifier);
        QCOMPARE(v.model.txtIP.Text(), std::string("10.0.0.\xE8"));
        auto* baud = Find<QComboBox>(v.console, "cmbBaud");
        baud->setCurrentIndex(0);
        emit baud->activated(0);
        QCOMPARE(v.model.cmbBaud.Text(), std::string("300"));
        auto* amount = Find<QLineEdit>(v.console, "txtImportoPreAut");
        amount->selectAll();
        QTest::keyClick(amount, Qt::Key_Delete);  // emptied, not just edited
        QCOMPARE(v.model.txtImportoPreAut.Text(), std::string());
    }

    void serviceWindowForwardsItsControls() {
        Views v;
        Click(v.service, "cmdEseguiTest");
        QCOMPARE(v.engine.ReadData("SRINPF.TXT"), std::string("POS_PAGAME,A2,P0\r\n"));
        v.session.service.ComboSecondi.SetText("1");
        auto* amount = Find<QLineEdit>(v.service, "txtAmount");
        amount->selectAll();
        QTest::keyClicks(amount, "250");
        Click(v.service, "cmdSend");
        QCOMPARE(QString::fromStdString(v.engine.dialogs.Texts().at(0)),
                 QString("Invio dati: POS_PAGAME,A250,P2;"));
        auto* view = Find<QPlainTextEdit>(v.service, "txtReadFile");
        QVERIFY(view->toPlainText().startsWith("TIPO_COMANDO = POS_PAGAME,A250,P2;\n"));
        Click(v.service, "btnReadFile");
        QVERIFY(view->toPlainText().isEmpty());
        Click(v.service, "btnReadFile");
        QVERIFY(!view->toPlainText().isEmpty());
        v.service.show();
        v.session.service.minimized = true;
        v.session.service.Form_Resize();
        v.Pull();
        QVERIFY(v.service.isHidden());
        emit v.service.Tray()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(v.service.isVisible());
    }

    // While the terminal works (tens of seconds for a real payment) the console shows the
    // cleared results and the busy buttons: a model's refresh reaches the widgets before the call.
    void busyStateShowsDuringTheCall() {
        Views v;
        // As the front end wires them: a model's refresh reaches its widgets at once.
        v.session.console.onRefresh = [&v] { v.console.Pull(true); };
        v.session.service.onRefresh = [&v] { v.service.Pull(true); };
        v.session.console.txtEsito.SetText("OK");
        v.Pull();
        QStringList during;
        v.engine.fakeLibrary.onCall = [&] {
            during << Find<QLineEdit>(v.console, "txtEsito")->text()
                   << QString::number(Find(v.console, "btnPagamento")->isEnabled())
                   << QString::number(Find(v.console, "btnStatus")->isEnabled())
                   << Find<varnix::qt::LampWidget>(v.service, "Shape1")->Color().name()
                   << QString::number(Find(v.service, "cmdSalvaDati")->isEnabled());
        };
        Click(v.console, "btnTotali");  // from the console
        v.engine.WriteData("SRINPF.TXT", "POS_TOTTER\r\n");
        QCOMPARE(v.engine.Tick(), 1);  // from a command file
        QCOMPARE(during.join('|'), QString("|0|1|#ff0000|1|OK|1|1|#ff0000|0"));
    }

    // Typing is never lost to the refreshes that keep the views up to date.
    void typingKeepsWhatTheUserTypes() {
        Views v;
        v.model.txtIP.SetText("127.0.0.1       ");    // blank-padded beyond what may be typed
        v.model.txtPorta.SetText("123456789012345");  // full, longer than its limit
        v.Pull();
        auto* ip = Find<QLineEdit>(v.console, "txtIP");
        QCOMPARE(ip->text().size(), 16);
        ip->setCursorPosition(9);
        QTest::keyClicks(ip, "2");
        QCOMPARE(v.model.txtIP.Text(), std::string("127.0.0.12     "));
        auto* port = Find<QLineEdit>(v.console, "txtPorta");
        port->setCursorPosition(15);
        QTest::keyClicks(port, "6");
        QCOMPARE(v.model.txtPorta.Text(), std::string("123456789012345"));

        v.service.show();
        QApplication::setActiveWindow(&v.service);
        auto* expected = Find<QComboBox>(v.service, "ComboResult");
        expected->lineEdit()->setFocus();
        expected->lineEdit()->selectAll();
        for (const char key : std::string("sroutf_4")) {
            QTest::keyClicks(expected->lineEdit(), QString(QChar(key)));
            v.Pull();  // the periodic refresh, between keystrokes
        }
        QCOMPARE(expected->currentText(), QString("sroutf_4"));
        QCOMPARE(v.session.service.ComboResult.Text(), std::string("sroutf_4"));
        // Enter keeps the text typed and makes no item of it: the items are the model's.
        const int items = expected->count();
        QTest::keyClick(expected->lineEdit(), Qt::Key_Return);
        QCOMPARE(expected->count(), items);  // before a refresh would put the model's back
        v.Pull();
        QCOMPARE(expected->currentText(), QString("sroutf_4"));
        QCOMPARE(v.session.service.ComboResult.Text(), std::string("sroutf_4"));
    }

    // A path too long for its box shows its end, the file's name, and is whole in the tip.
    void pathBoxesShowTheirEnd() {
        Views v;
        const std::string path = "/home/cassa/" + std::string(200, 'x') + "/LogVnxPos.TXT";
        v.session.service.txtLogFileName.SetText(path);
        v.service.show();
        v.Pull();
        auto* box = Find<QLineEdit>(v.service, "txtLogFileName");
        QVERIFY(box->fontMetrics().horizontalAdvance(box->text()) > box->width());
        QCOMPARE(box->cursorPosition(), static_cast<int>(path.size()));
        box->grab();  // painted, which scrolls the text as the screen would show it
        QVERIFY(
            box->rect().contains(box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center()));
        QCOMPARE(box->toolTip(), QString::fromStdString(path));
    }

    // The About box shows the application's own icon, the one its tray and windows carry.
    void aboutShowsTheApplicationsIcon() {
        Views v;
        varnix::qt::AboutDialog about(v.session.about, nullptr);
        const QImage shown = Find<QLabel>(about, "picIcon")->pixmap().toImage();
        QVERIFY(!varnix::qt::ApplicationIcon().availableSizes().isEmpty());  // the embedded one
        QCOMPARE(shown, varnix::qt::ApplicationIcon().pixmap(48, 48).toImage());
        QCOMPARE(v.service.Tray()->icon().pixmap(48, 48).toImage(), shown);
    }

    // The CSV export is offered in the user's documents, not in the working folder.
    void exportIsOfferedInTheDocumentsFolder() {
        varnix::testing::TempDir home;
        varnix::testing::ScopedEnv homeEnv{"HOME", home.path()};
        varnix::testing::ScopedEnv configHome{"XDG_CONFIG_HOME", home.path() + "config"};
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(documents.startsWith(QString::fromStdString(home.path())));
        QDir().mkpath(documents);
        varnix::qt::QtFrontEnd frontEnd;
        QString offered;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                offered = dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        QCOMPARE(frontEnd.AskSavePath("Esporta", "StoricoVnxPos.csv"), std::string());
        QCOMPARE(offered, QDir(documents).absolutePath());
    }

    // A box appears over the window the user was working in, as the front end wires them.
    void boxesAppearOverTheWindowClicked() {
        varnix::testing::TempDir home;
        varnix::testing::ScopedEnv dataHome{"XDG_DATA_HOME", home.path() + "share"};
        varnix::testing::ScopedEnv configHome{"XDG_CONFIG_HOME", home.path() + "config"};
        std::filesystem::create_directories(home.path() + "share/ZANDRIKVarnixPos");
        varnix::qt::QtFrontEnd frontEnd;
        varnix::frontends::Runner runner(frontEnd, frontEnd, frontEnd, frontEnd);
        frontEnd.Attach(runner);
        runner.Start("-I");
        frontEnd.SetEnabled(false);  // no polling in between
        frontEnd.RefreshViews();
        QWidget* console = frontEnd.Console();
        QWidget* service = frontEnd.Service();
        QStringList owners;
        const auto answerNextBox = [&] {
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                QWidget* parent = box != nullptr ? box->parentWidget() : nullptr;
                owners << (parent == console ? "console" : parent == service ? "service" : "other");
                if (box != nullptr) {
                    box->close();
                }
            });
        };
        for (QWidget* window : {console, service, console}) {
            QApplication::setActiveWindow(window);
            answerNextBox();
            // The console checks its fields (no amount); "Salva Dati" asks first.
            Click(*window, window == console ? "btnPagamento" : "cmdSalvaDati");
        }
        QCOMPARE(owners.join('|'), QString("console|service|console"));
    }

    // The "Storico" window from the service window's menu: the rows the filter lets through, the
    // record of the row clicked, and the export's question.
    void historyWindow_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("rows");
        QTest::newRow("none") << QString() << 3;
        QTest::newRow("command") << QString("pagame") << 2;
        QTest::newRow("reason") << QString("rifiut") << 1;
        QTest::newRow("nothing") << QString("zzz") << 0;
    }
    void historyWindow() {
        QFETCH(QString, filter);
        QFETCH(int, rows);
        Views v;
        WriteHistory(v.engine);
        v.service.FileMenu()->findChild<QAction*>("mnuStorico")->trigger();
        QVERIFY(v.history.isVisible());
        QCOMPARE(v.history.windowTitle(), QString("Storico degli scambi"));
        auto* table = Find<QTableWidget>(v.history, "lstStorico");
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 1)->text(), QString("POS_PAGAME,A150,P1"));
        QCOMPARE(table->item(0, 5)->text(), QString("803 ms"));
        QTest::keyClicks(Find<QLineEdit>(v.history, "txtFiltro"), filter);
        QCOMPARE(table->rowCount(), rows);
        auto* detail = Find<QPlainTextEdit>(v.history, "txtDettaglio");
        if (rows > 0) {
            const int last = rows - 1;
            const QRect cell = table->visualItemRect(table->item(last, 1));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            QCOMPARE(v.session.history.selected, last);
            const QString record = detail->toPlainText();
            QVERIFY2(record.startsWith("TIPO_COMANDO  = " + table->item(last, 1)->text() + "\n") &&
                         record.contains(QString::fromUtf8("citt\xC3\xA0\n")),
                     qPrintable(record));
        } else {
            QVERIFY(detail->toPlainText().isEmpty());
        }
        v.engine.dialogs.savePath = v.engine.Data("esportato.csv");
        Click(v.history, "cmdEsporta");
        QCOMPARE(v.engine.dialogs.savePathsOffered.size(), std::size_t{1});
        QCOMPARE(v.engine.ReadData("esportato.csv"), v.session.history.Csv());
    }

    void qtsOwnTextsAreItalian() {
        QVERIFY(varnix::qt::InstallItalianTranslation(*QCoreApplication::instance()));
        QMessageBox box(QMessageBox::NoIcon, "t", "x", QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString("Annulla"));
        QLineEdit edit;
        QStringList menu;
        for (QAction* action : edit.createStandardContextMenu()->actions()) {
            menu << action->text().remove('&').section('\t', 0, 0);
        }
        QVERIFY2(menu.contains("Copia") && menu.contains("Incolla"), qPrintable(menu.join('|')));
    }

    // Saving the configuration, the tray menu's Terminate and the close box each ask first.
    void answerDecides_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("ok");
        for (const char* action : {"save", "tray", "close"}) {
            QTest::addRow("%s OK", action) << QString(action) << true;
            QTest::addRow("%s Cancel", action) << QString(action) << false;
        }
    }
    void answerDecides() {
        QFETCH(QString, action);
        QFETCH(bool, ok);
        Views v;
        v.service.show();
        v.engine.dialogs.answers = {ok ? Answer::Ok : Answer::Cancel};
        if (action == "save") {
            auto* tipo = Find<QComboBox>(v.service, "cboTIPO");
            tipo->setCurrentIndex(1);
            emit tipo->activated(1);
            Find<QComboBox>(v.service, "cmbComExtended")->setEditText("7");  // typed, not picked
            Click(v.service, "cmdSalvaDati");
            QCOMPARE(v.engine.ReadData("ConfigVnxPos.TXT").starts_with("TIPO:COM\r\nPCOM:7\r\n"),
                     ok);
            QCOMPARE(v.session.settings.ConnectionType, ok ? 1 : 0);
            QVERIFY(v.engine.timer.IsEnabled());
            return;
        }
        if (action == "tray") {
            v.service.FileMenu()->defaultAction()->trigger();
        } else {
            QCOMPARE(v.service.close(), ok);
        }
        QCOMPARE(v.engine.dialogs.Texts().at(0), std::string("Vuoi terminare l'esecuzione ?"));
        QCOMPARE(v.engine.shell.Ended(), ok);
        QCOMPARE(v.service.isVisible(), !ok);
        QCOMPARE(v.engine.timer.IsEnabled(), !ok);
        QVERIFY(v.engine.DataExists("ParamVnxPos.TXT"));
    }
};

QTEST_MAIN(QtViewsTest)
#include "QtViewsTest.moc"
