// The certificate question as a run meets it, against the fake server over
// TLS: a key meant for another window refuses; accepting is a click on Ok;
// a refusal fails the request, saying so when the certificate changed.

#include "core/options.h"
#include "core/serversettings.h"
#include "drawnastyped.h"
#include "fakeservertest.h"
#include "shell/messagedialog.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "synctest.h"
#include "syncui/sslerrorsui.h"
#include "testenvironment.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSslError>

#include <memory>

class TstSslErrorsUI : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keysRefuse_data();
    void keysRefuse();
    void questionShowsTheTextsAsWritten();

private:

    std::unique_ptr<FakeServer> m_server;
};

void TstSslErrorsUI::init()
{
    m_server = SyncTest::startTlsServer();
    QVERIFY(m_server);
}

void TstSslErrorsUI::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
    SyncTest::forgetAcceptedCertificates();
}


void TstSslErrorsUI::keysRefuse_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("key"); // 0: a click on Ok, -1: on Cancel
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("skin"); // the sheet the question is drawn in, when looked at
    for (const bool changed : {false, true}) {
        const QByteArray question = changed ? "changed certificate, " : "first contact, ";
        QTest::newRow(question + "Return") << changed << int(Qt::Key_Return) << false << QString();
        QTest::newRow(question + "Enter") << changed << int(Qt::Key_Enter) << false << QString();
        QTest::newRow(question + "Space") << changed << int(Qt::Key_Space) << false << QString();
        QTest::newRow(question + "Escape") << changed << int(Qt::Key_Escape) << false << QString();
        QTest::newRow(question + "Cancel clicked") << changed << -1 << false << QString();
        // The deliberate choice: a click on Ok.
        QTest::newRow(question + "Ok clicked") << changed << 0 << true << QString();
    }
    // The skins draw as the default button the one Return presses.
    QTest::newRow("first contact, Return, Green skin") << false << int(Qt::Key_Return) << false
                                                       << QStringLiteral(":/default.css");
    QTest::newRow("changed certificate, Return, Blue skin") << true << int(Qt::Key_Return) << false
                                                            << QStringLiteral(":/BlueStyle.css");
}

// The key goes where the platform sends it: to the question's focused
// widget, the question being the active window.
void TstSslErrorsUI::keysRefuse()
{
    QFETCH(bool, changed);
    QFETCH(int, key);
    QFETCH(bool, accepted);
    QFETCH(QString, skin);
    const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    if (!skin.isEmpty()) {
        QFile sheet(skin);
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    }
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SslErrorsUI ui(&window);
    if (changed) {
        // One certificate accepted, then the server shows another.
        SyncTest::whenMessageBox([](QWidget *dialog) {
            QTest::mouseClick(static_cast<MessageDialog *>(dialog)->okButton(), Qt::LeftButton);
        });
        QVERIFY(SyncTest::reachable(&ui));
        m_server->useOtherCertificate(true);
    }
    m_server->clearRequests();
    QString text;
    QString focused;
    bool asked = false;
    SyncTest::whenMessageBox([&](QWidget *widget) {
        auto *dialog = static_cast<MessageDialog *>(widget);
        asked = true;
        if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel")))
            text = label->text();
        if (key <= 0) {
            QTest::mouseClick(key ? dialog->cancelButton() : dialog->okButton(), Qt::LeftButton);
            return;
        }
        // Marked as the default, the refusal is what Return means here.
        QVERIFY(dialog->cancelButton()->isDefault());
        QVERIFY(!dialog->okButton()->isDefault());
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QVERIFY(QTest::qWaitFor([dialog] {
            return QApplication::focusWidget() && QApplication::focusWidget()->window() == dialog;
        }));
        QWidget *target = QApplication::focusWidget();
        focused = target->objectName();
        if (!skin.isEmpty()) {
            // Beside the buttons of a question whose default is Ok: the
            // fill left of the label, where the skin draws no text.
            auto fill = [](QWidget *button) {
                return button->grab().toImage().pixelColor(4, button->height() / 2);
            };
            MessageDialog usual(QStringLiteral("Question"), QStringLiteral("Go on?"), true);
            QVERIFY(usual.okButton()->isDefault());
            QVERIFY(fill(usual.okButton()) != fill(usual.cancelButton()));
            QCOMPARE(fill(dialog->cancelButton()), fill(usual.okButton()));
            QCOMPARE(fill(dialog->okButton()), fill(usual.cancelButton()));
        }
        QTest::keyClick(target, Qt::Key(key));
    });
    Request request(QStringLiteral("HEAD"), QStringLiteral("/"));
    request.setSslErrorHandler(&ui);
    QVERIFY(SyncTest::run(&request));
    QCOMPARE(!request.hasError(), accepted);
    QVERIFY(asked);
    const QString changedText = QStringLiteral("The server's certificate has changed since you accepted it.");
    QCOMPARE(text.startsWith(QStringLiteral("- ") + changedText), changed);
    QVERIFY2(text.endsWith(QLatin1String("\n\nConnect anyway?")), qPrintable(text));
    if (key > 0)
        QCOMPARE(focused, QStringLiteral("cancelbutton"));
    // The failure the run ends with says what was refused: a changed
    // certificate first, then what the connection found wrong with it.
    const QString handshake =
        QStringLiteral("SSL handshake failed: ") + QSslError(QSslError::SelfSignedCertificate).errorString();
    if (!accepted)
        QCOMPARE(request.errorString(), changed ? changedText + QLatin1Char(' ') + handshake : handshake);
    // Refused: nothing reached the server, and the certificate is not known.
    QCOMPARE(m_server->requests().isEmpty(), !accepted);
    QCOMPARE(SyncTest::reachable(nullptr), accepted);
}

// The errors may one day carry what a certificate says of itself; the
// question draws them as written.
void TstSslErrorsUI::questionShowsTheTextsAsWritten()
{
    QWidget window;
    window.show();
    SslErrorsUI ui(&window);
    QString problem = QStringLiteral("not asked");
    SyncTest::whenMessageBox([&](QWidget *dialog) {
        auto *label = dialog->findChild<QLabel *>(QStringLiteral("textlabel"));
        problem = label ? differenceFromTyped(label) : QStringLiteral("no text");
        QTest::mouseClick(static_cast<MessageDialog *>(dialog)->cancelButton(), Qt::LeftButton);
    });
    QVERIFY(!ui.askUser({QStringLiteral("Issued to <b>x</b> &amp; <img src=\"file:///nonexistent.png\">")}));
    QCOMPARE(problem, QString());
}

PLUMDECK_TEST_MAIN(TstSslErrorsUI)
#include "tst_sslerrorsui.moc"
