#include "shell/pdtextedit.h"
#include "sync/connectiontestdialog.h"
#include "sync/request.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QPushButton>
#include <QSignalSpy>

class TstConnectionTestDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void incompleteSettingsSendNothing_data();
    void incompleteSettingsSendNothing();
    void outcomes_data();
    void outcomes();
    void unreachableServer();
    void stepsArePaced();
    void closedBeforeTheAnswer();

private:
    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstConnectionTestDialog::initTestCase()
{
    ConnectionTestDialog::setPauseMs(0);
}

void TstConnectionTestDialog::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
}

void TstConnectionTestDialog::cleanup()
{
    ConnectionTestDialog::setPauseMs(0);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

void TstConnectionTestDialog::incompleteSettingsSendNothing_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("no password") << "URL" << "alice" << "";
    QTest::newRow("no user") << "URL" << "" << "secret";
    QTest::newRow("no url") << "" << "alice" << "secret";
}

void TstConnectionTestDialog::incompleteSettingsSendNothing()
{
    QFETCH(QString, url);
    QFETCH(QString, user);
    QFETCH(QString, password);
    ServerSettings::instance()->setSettings(url == "URL" ? m_server->url() : url, user, password);
    ConnectionTestDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test connection"));
    QCOMPARE(dialog.request(), nullptr);
    QCOMPARE(dialog.log()->objectName(), QStringLiteral("messageBox"));
    QVERIFY(dialog.log()->isReadOnly());
    QCOMPARE(dialog.log()->toPlainText(),
             QStringLiteral("\nError: You must set a username, password, and server URL."));
    QVERIFY(dialog.log()->toHtml().contains(QStringLiteral("#ff0000")));
    QTest::qWait(50);
    QVERIFY(m_server->requests().isEmpty());
    // Ok closes it.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TstConnectionTestDialog::outcomes_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("colour");
    const QString reached = QStringLiteral("Looking for sync server...   done\nConnection to sync server...   done\n");
    const QString success = reached
                            + "Authenticating user...   done\nAuthenticated user...   done\n"
                              "Closing connection...   done\n\nConnection Test Successful.";
    QTest::newRow("200") << 0 << "secret" << success << "#000000";
    QTest::newRow("204") << 204 << "secret" << success << "#000000";
    QTest::newRow("404") << 404 << "secret"
                         << reached + "Authenticating user... failed\n\nError: Unexpected response from server (404)."
                         << "#ff0000";
    QTest::newRow("wrong password")
        << 0 << "wrong"
        << reached + "Authenticating user...   failed\n\nError: Authorization failure - check username and password."
        << "#ff0000";
}

void TstConnectionTestDialog::outcomes()
{
    QFETCH(int, status);
    QFETCH(QString, password);
    QFETCH(QString, log);
    QFETCH(QString, colour);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), password);
    if (status)
        m_server->respondOnce("HEAD", "^/users/alice$", status);
    ConnectionTestDialog dialog;
    QVERIFY(dialog.request());
    QSignalSpy done(&dialog, &ConnectionTestDialog::narrationDone);
    QVERIFY(done.wait(10000));
    QCOMPARE(dialog.log()->toPlainText(), log);
    QVERIFY(dialog.log()->toHtml().contains(colour));
    const QList<FakeRequest> requests = m_server->requests("HEAD", "^/users/alice$");
    QVERIFY(!requests.isEmpty());
    QVERIFY(requests.last().hadAuthorization);
}

void TstConnectionTestDialog::unreachableServer()
{
    FakeServer gone;
    QVERIFY(gone.start());
    const QString url = gone.url();
    gone.stop();
    ServerSettings::instance()->setSettings(url, QStringLiteral("alice"), QStringLiteral("secret"));
    ConnectionTestDialog dialog;
    QSignalSpy done(&dialog, &ConnectionTestDialog::narrationDone);
    QVERIFY(done.wait(15000));
    const QString text = dialog.log()->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("Looking for sync server... failed\n\nError: Failed to connect to server (")),
             qPrintable(text));
    QVERIFY(text.endsWith(QLatin1Char(')')));
    QVERIFY(text.contains(dialog.request()->errorString()));
}

// The narration goes a step per pause, with the log shown meanwhile.
void TstConnectionTestDialog::stepsArePaced()
{
    ConnectionTestDialog::setPauseMs(100);
    ConnectionTestDialog dialog;
    dialog.show();
    QSignalSpy finished(dialog.request(), &Request::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(dialog.log()->toPlainText(),
             QStringLiteral("Looking for sync server...   done\nConnection to sync server..."));
    QSignalSpy done(&dialog, &ConnectionTestDialog::narrationDone);
    QVERIFY(done.wait(10000));
    QVERIFY(dialog.log()->toPlainText().endsWith(QStringLiteral("Connection Test Successful.")));
}

void TstConnectionTestDialog::closedBeforeTheAnswer()
{
    m_server->stall(QStringLiteral("^/users/alice$"), true);
    {
        ConnectionTestDialog dialog;
        QVERIFY(QTest::qWaitFor([&] { return !m_server->requests().isEmpty(); }, 10000));
    }
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
}

PLUMDECK_TEST_MAIN(TstConnectionTestDialog)
#include "tst_connectiontestdialog.moc"
