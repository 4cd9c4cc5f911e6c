// The Qt views on top of the real models, offscreen: clicks reach the models' actions and the
// widgets show what the actions changed, both ways.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "fakes/EngineDriver.h"
#include "frontends/qt/ConsoleWindow.h"
#include "frontends/qt/FormBinder.h"
#include "frontends/qt/ServiceMainWindow.h"

using varnix::fakes::EngineDriver;
using varnix::qt::ConsoleWindow;
using varnix::qt::ServiceMainWindow;

class QtViewsTest : public QObject {
    Q_OBJECT

  private:
    struct Fixture {
        Fixture() {
            engine.CreateDataFolder();
            engine.Start();
            engine.dialogs.shown.clear();
            engine.session->console.txtTerminale.SetText("10001761");
            auto& session = *engine.session;
            service = std::make_unique<ServiceMainWindow>(session.service, session.serviceActions,
                                                          [this] { Refresh(); });
            console = std::make_unique<ConsoleWindow>(session.console, session.consoleActions,
                                                      [this] { Refresh(); });
            Refresh();
        }
        void Refresh() {
            service->Pull();
            console->Pull();
        }
        template <typename T>
        T* Find(QWidget* window, const char* name) {
            auto* widget = window->findChild<T*>(name);
            if (widget == nullptr) {
                qFatal("no widget %s", name);
            }
            return widget;
        }
        EngineDriver engine;
        std::unique_ptr<ServiceMainWindow> service;
        std::unique_ptr<ConsoleWindow> console;
    };

  private slots:
    void consoleButtonsCallTheirFunction_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("function");
        QTest::newRow("Pagamento") << "btnPagamento"
                                   << "IAE17AX_Payment";
        QTest::newRow("Accredito") << "btnAccredito"
                                   << "IAE17AX_Refund";
        QTest::newRow("Storno") << "btnStorno"
                                << "IAE17AX_Void";
        QTest::newRow("Preautorizzazione") << "btnPreautorizzazione"
                                           << "IAE17AX_Preauthorization";
        QTest::newRow("Totali terminale") << "btnTotali"
                                          << "IAE17AX_TerminalBalance";
        QTest::newRow("Chiusura") << "btnChiusura"
                                  << "IAE17AX_Closure";
        QTest::newRow("Stato") << "btnStatus"
                               << "IAE17AX_Status";
    }
    void consoleButtonsCallTheirFunction() {
        QFETCH(QString, button);
        QFETCH(QString, function);
        Fixture f;
        f.engine.fakeLibrary.code = 3;
        QTest::mouseClick(f.Find<QPushButton>(f.console.get(), button.toUtf8().constData()),
                          Qt::LeftButton);
        const auto operations = f.engine.fakeLibrary.Operations();
        QCOMPARE(operations.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(operations[0].name), function);
        QCOMPARE(f.Find<QLineEdit>(f.console.get(), "txtEsito")->text(), QString("TIMEOUT ERROR"));
        QVERIFY(f.Find<QPushButton>(f.console.get(), "btnPagamento")->isEnabled());
    }

    void missingFieldShowsItsMessage() {
        Fixture f;
        auto* amount = f.Find<QLineEdit>(f.console.get(), "txtImportoPreAut");
        amount->selectAll();
        QTest::keyClick(amount, Qt::Key_Delete);
        QCOMPARE(f.engine.session->console.txtImportoPreAut.Text(), std::string());
        QTest::mouseClick(f.Find<QPushButton>(f.console.get(), "btnIntegrativa"), Qt::LeftButton);
        QCOMPARE(f.engine.dialogs.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(f.engine.dialogs.shown[0].title), QString("Attenzione"));
        QVERIFY(f.engine.fakeLibrary.Operations().empty());
    }

    void editorSaveFollowsTheAnswer_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void editorSaveFollowsTheAnswer() {
        QFETCH(bool, ok);
        Fixture f;
        auto* tipo = f.Find<QComboBox>(f.service.get(), "cboTIPO");
        tipo->setCurrentIndex(1);
        emit tipo->activated(1);
        auto* port = f.Find<QComboBox>(f.service.get(), "cmbComExtended");
        port->setEditText("7");  // typed, not picked
        f.engine.dialogs.answers = {ok ? varnix::ports::Answer::Ok : varnix::ports::Answer::Cancel};
        QTest::mouseClick(f.Find<QPushButton>(f.service.get(), "cmdSalvaDati"), Qt::LeftButton);
        const std::string saved = f.engine.ReadData("ConfigVnxPos.TXT");
        QCOMPARE(saved.starts_with("TIPO:COM\r\nPCOM:7\r\n"), ok);
        QCOMPARE(f.engine.session->settings.ConnectionType, ok ? 1 : 0);
        QVERIFY(f.engine.timer.IsEnabled());
    }

    void manualTransactionAndReadFileToggle() {
        Fixture f;
        f.engine.session->service.ComboSecondi.SetText("1");
        auto* amount = f.Find<QLineEdit>(f.service.get(), "txtAmount");
        amount->selectAll();
        QTest::keyClicks(amount, "250");
        QCOMPARE(f.engine.session->service.txtAmount.Text(), std::string("250"));
        QTest::mouseClick(f.Find<QPushButton>(f.service.get(), "cmdSend"), Qt::LeftButton);
        QCOMPARE(QString::fromStdString(f.engine.dialogs.Texts().at(0)),
                 QString("Invio dati: POS_PAGAME,A250,P2;"));
        auto* view = f.Find<QPlainTextEdit>(f.service.get(), "txtReadFile");
        QVERIFY(view->toPlainText().startsWith("TIPO_COMANDO = POS_PAGAME,A250,P2;\n"));
        QCOMPARE(f.Find<QLineEdit>(f.service.get(), "txtRisultatoFinale")->text(),
                 QString::fromStdString(f.engine.Data("SROUTF.TXT")));
        auto* toggle = f.Find<QPushButton>(f.service.get(), "btnReadFile");
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(view->toPlainText().isEmpty());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!view->toPlainText().isEmpty());
    }

    void testButtonWritesTheCommandFile() {
        Fixture f;
        QTest::mouseClick(f.Find<QPushButton>(f.service.get(), "cmdEseguiTest"), Qt::LeftButton);
        QCOMPARE(f.engine.ReadData("SRINPF.TXT"), std::string("POS_PAGAME,A2,P0\r\n"));
        QVERIFY(f.Find<QPushButton>(f.service.get(), "cmdEseguiTest")->isEnabled());
    }

    void trayMenuEndsOnlyAfterOk_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void trayMenuEndsOnlyAfterOk() {
        QFETCH(bool, ok);
        Fixture f;
        f.engine.dialogs.answers = {ok ? varnix::ports::Answer::Ok : varnix::ports::Answer::Cancel};
        auto* quit = f.service->FileMenu()->defaultAction();
        QCOMPARE(quit->text(), QString("T&ermina ZandrikVarnixPos"));
        QVERIFY(quit->font().bold());
        QCOMPARE(f.service->Tray()->toolTip(), QString("ZandrikVarnixPos in esecuzione..."));
        quit->trigger();
        QCOMPARE(f.engine.shell.Ended(), ok);
        QCOMPARE(QString::fromStdString(f.engine.dialogs.Texts().at(0)),
                 QString("Vuoi terminare l'esecuzione ?"));
        QVERIFY(f.engine.DataExists("ParamVnxPos.TXT"));
    }

    void trayDoubleClickRestoresTheMinimisedWindow() {
        Fixture f;
        f.service->show();
        f.engine.session->service.minimized = true;
        f.engine.session->service.Form_Resize();
        f.Refresh();
        QVERIFY(f.service->isHidden());
        f.service->TrayEvent(0x203);
        QVERIFY(f.service->isVisible());
        QVERIFY(!f.engine.session->service.minimized);
    }

    void closeBoxAsksFirst() {
        Fixture f;
        f.service->show();
        f.engine.dialogs.answers = {varnix::ports::Answer::Cancel};
        QVERIFY(!f.service->close());
        QVERIFY(f.service->isVisible());
        QVERIFY(f.engine.timer.IsEnabled());
        f.engine.dialogs.answers = {varnix::ports::Answer::Ok};
        QVERIFY(f.service->close());
        QVERIFY(f.engine.shell.Ended());
    }

    void viewsFollowModelsBothWays() {
        Fixture f;
        auto& model = f.engine.session->console;
        model.txtPAN.SetText("4\xE8\x80");  // Windows-1252: è and the euro sign
        model.cmbCOM.SetListIndex(6);
        f.Refresh();
        QCOMPARE(f.Find<QLineEdit>(f.console.get(), "txtPAN")->text(),
                 QString::fromUtf8("4\xC3\xA8\xE2\x82\xAC"));
        QCOMPARE(f.Find<QComboBox>(f.console.get(), "cmbCOM")->currentText(), QString("COM7"));
        auto* ip = f.Find<QLineEdit>(f.console.get(), "txtIP");
        ip->clear();
        QTest::keyClicks(ip, "10.0.0.");
        QTest::sendKeyEvent(QTest::Click, ip, Qt::Key_unknown, QString::fromUtf8("\xC3\xA8"),
                            Qt::NoModifier);
        QCOMPARE(model.txtIP.Text(), std::string("10.0.0.\xE8"));
        auto* baud = f.Find<QComboBox>(f.console.get(), "cmbBaud");
        baud->setCurrentIndex(0);
        emit baud->activated(0);
        QCOMPARE(model.cmbBaud.Text(), std::string("300"));
        QVERIFY(!f.Find<QLineEdit>(f.console.get(), "txtTerminale")->isHidden() ==
                model.txtTerminale.visible);
    }
};

QTEST_MAIN(QtViewsTest)
#include "QtViewsTest.moc"
