#include "shell/pdtextedit.h"
#include "sync/requests/request.h"
#include "syncfixture.h"
#include "syncui/connectiontestdialog.h"
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
    void unusableSettingsSendNothing_data();
    void unusableSettingsSendNothing();
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

void TstConnectionTestDialog::unusableSettingsSendNothing_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    const QString incomplete = QStringLiteral("Error: You must set a username, password, and server URL.");
    QTest::newRow("no password") << "URL" << "alice" << "" << incomplete;
    QTest::newRow("no user") << "URL" << "" << "secret" << incomplete;
    QTest::newRow("no url") << "" << "alice" << "secret" << incomplete;
    // Names that would fold into the path above: "/users/.." is the root.
    QTest::newRow("user \"..\"") << "URL" << ".." << "secret" << "Error: \"..\" is not a valid username.";
    QTest::newRow("user \".\"") << "URL" << "." << "secret" << "Error: \".\" is not a valid username.";
}

void TstConnectionTestDialog::unusableSettingsSendNothing()
{
    QFETCH(QString, url);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    ServerSettings::instance()->setSettings(url == "URL" ? m_server->url() : url, user, password);
    ConnectionTestDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test connection"));
    QCOMPARE(dialog.request(), nullptr);
    QCOMPARE(dialog.log()->objectName(), QStringLiteral("messageBox"));
    QVERIFY(dialog.log()->isReadOnly());
    QCOMPARE(dialog.log()->toPlainText(), QStringLiteral("\n") + message);
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
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("colour");
    const QString reached = QStringLiteral("Looking for sync server...   done\nConnection to sync server...   done\n");
    const QString success = reached
                            + "Authenticating user...   done\nAuthenticated user...   done\n"
                              "Closing connection...   done\n\nConnection Test Successful.";
    QTest::newRow("200") << "alice" << 0 << "secret" << success << "#000000";
    QTest::newRow("204") << "alice" << 204 << "secret" << success << "#000000";
    QTest::newRow("404") << "alice" << 404 << "secret"
                         << reached + "Authenticating user... failed\n\nError: Unexpected response from server (404)."
                         << "#ff0000";
    QTest::newRow("wrong password")
        << "alice" << 0 << "wrong"
        << reached + "Authenticating user...   failed\n\nError: Authorization failure - check username and password."
        << "#ff0000";
    // The name is one path segment: "a/b" is that user, not user "a"'s "b".
    QTest::newRow("slash in the user name") << "a/b" << 0 << "secret" << success << "#000000";
    QTest::newRow("blank and percent in the user name") << "a b%2F" << 0 << "secret" << success << "#000000";
}

void TstConnectionTestDialog::outcomes()
{
    QFETCH(QString, user);
    QFETCH(int, status);
    QFETCH(QString, password);
    QFETCH(QString, log);
    QFETCH(QString, colour);
    if (user != QLatin1String("alice"))
        m_server->addUser(user, QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(m_server->url(), user, password);
    if (status)
        m_server->respondOnce("HEAD", "^/users/alice$", status);
    ConnectionTestDialog dialog;
    QVERIFY(dialog.request());
    QSignalSpy done(&dialog, &ConnectionTestDialog::narrationDone);
    QVERIFY(done.wait(10000));
    QCOMPARE(dialog.log()->toPlainText(), log);
    QVERIFY(dialog.log()->toHtml().contains(colour));
    const QList<FakeRequest> requests = m_server->requests("HEAD", "^/users/");
    QVERIFY(!requests.isEmpty());
    QCOMPARE(requests.last().segments, (QStringList{"users", user}));
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
