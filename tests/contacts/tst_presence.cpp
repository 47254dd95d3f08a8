#include <QLineEdit>
#include <QtTest>

#include "contacts/idlenessmonitor.h"
#include "contacts/idlenesssender.h"
#include "contacts/inputidlenessmonitor.h"
#include "contacts/presencemanager.h"
#include "sync/requests/serverhttpconnection.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {
// The presence documents the server received, as "state:message".
QStringList publishedPresences(const FakeServer &server)
{
    QStringList states;
    for (const FakeRequest &r : server.requests("PUT", QStringLiteral("^/users/alice/presence$"))) {
        QDomDocument doc;
        doc.setContent(r.body);
        const QDomNodeList spans = doc.elementsByTagName(QStringLiteral("span"));
        QString text = spans.item(0).toElement().text();
        if (spans.size() > 1)
            text += QLatin1Char(':') + spans.item(1).toElement().text();
        states << text;
    }
    return states;
}

QStringList idlenessWords(const FakeServer &server)
{
    QStringList words;
    for (const FakeEventRecord &e : server.eventLog())
        if (e.direction == FakeEventRecord::FromClient)
            words << e.text;
    return words;
}
} // namespace

class TstPresence : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void publishedOneAtATime();
    void publishedAgainOnEachConnection();
    void idlenessEvent_data();
    void idlenessEvent();
    void idleAfterThreshold_data();
    void idleAfterThreshold();
    void idlenessReportedWhileConnected();

private:
    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstPresence::init()
{
    m_server = Team::startServer();
    QVERIFY(m_server);
    // The first use publishes the choice of a connected user at once.
    PresenceManager::instance()->setPresence(Presence(Presence::Available, QString()));
    QTRY_VERIFY(!m_server->requests("PUT", "presence$").isEmpty());
    QTRY_COMPARE(m_server->requests().last().status, 204);
    // Answered is not yet read: until the program has taken the answer, a
    // new choice waits behind it and is merged with the next.
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server->clearRequests();
}

void TstPresence::cleanup()
{
    delete IdlenessMonitor::instance();
    QVERIFY(!IdlenessMonitor::instance());
    Team::stopServer(m_server);
}

void TstPresence::publishedOneAtATime()
{
    PresenceManager *manager = PresenceManager::instance();
    QSignalSpy changed(manager, &PresenceManager::presenceChanged);
    m_server->delay("presence$", 100, true);
    m_server->respondOnce("PUT", "presence$", 200); // an update may answer 200
    QTest::failOnWarning(QRegularExpression("PresenceManager"));
    manager->setPresence(Presence(Presence::Busy, QStringLiteral("In a <meeting>")));
    manager->setPresence(Presence(Presence::Idle, QString()));
    manager->setPresence(Presence(Presence::Unavailable, QString()));
    manager->setPresence(Presence(Presence::Unavailable, QString()));
    QCOMPARE(changed.count(), 3);
    QTRY_COMPARE(publishedPresences(*m_server), (QStringList{"busy:In a <meeting>", "unavailable"}));
    QTRY_COMPARE(m_server->user("alice").presence.state, QStringLiteral("unavailable"));

    manager->setPresence(Presence()); // chosen, but there is nothing to say
    QCOMPARE(changed.count(), 4);
    QTest::qWait(50);
    QCOMPARE(m_server->requests().size(), 2);
}

void TstPresence::publishedAgainOnEachConnection()
{
    PresenceManager::instance()->setPresence(Presence(Presence::Busy, QString()));
    QTRY_COMPARE(m_server->requests().size(), 1);
    QSignalSpy reconnected(EventConnection::instance(), &EventConnection::connected);
    m_server->closeEventStreams();
    QVERIFY(reconnected.wait(5000));
    QTRY_COMPARE(publishedPresences(*m_server), (QStringList{"busy", "busy"}));
}

void TstPresence::idlenessEvent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("event");
    QTest::newRow("markup") << "a\"<&>b" << QByteArray("<event resource=\"/users/a&quot;&lt;&amp;&gt;b/idleness\"");
    QTest::newRow("non-Latin") << "名前" << QByteArray("<event resource=\"/users/\xe5\x90\x8d\xe5\x89\x8d/idleness\"");
}

void TstPresence::idlenessEvent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, event);
    const QByteArray bytes = IdlenessSender::idlenessEvent(name, true);
    QVERIFY2(bytes.startsWith(event), bytes.constData());
    QDomDocument doc;
    QVERIFY(doc.setContent(bytes));
    QCOMPARE(doc.documentElement().attribute("resource"), "/users/" + name + "/idleness");
}

void TstPresence::idleAfterThreshold_data()
{
    QTest::addColumn<int>("idleSeconds");
    QTest::addColumn<bool>("idle");
    QTest::newRow("300 s is active") << 300 << false;
    QTest::newRow("301 s is idle") << 301 << true;
}

void TstPresence::idleAfterThreshold()
{
    QFETCH(int, idleSeconds);
    QFETCH(bool, idle);
    Clock::setFixedTime(QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    auto *monitor = new InputIdlenessMonitor;
    IdlenessMonitor::setInstance(monitor);
    Clock::advance(qint64(idleSeconds) * 1000);
    QCOMPARE(IdlenessMonitor::instance()->isIdle(), idle);
    QLineEdit edit;
    edit.show();
    QTest::keyClick(&edit, Qt::Key_A);
    QCOMPARE(monitor->idleSeconds(), 0);
}

void TstPresence::idlenessReportedWhileConnected()
{
    Clock::setFixedTime(QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC));
    IdlenessMonitor::setInstance(new InputIdlenessMonitor);
    m_server->clearEventLog();
    IdlenessSender::createInstance();
    QTRY_COMPARE(idlenessWords(*m_server).value(0), QStringLiteral("active"));
    Clock::advance(301000);
    QTRY_COMPARE(idlenessWords(*m_server).last(), QStringLiteral("idle"));
    QCOMPARE(m_server->user("alice").idleness, QStringLiteral("idle"));

    // Down: no report is even tried.
    QTest::failOnWarning(QRegularExpression("sendEvent"));
    m_server->setRefuseEventConnections(true);
    m_server->closeEventStreams();
    QTRY_VERIFY(!EventConnection::instance()->isConnected());
    QTest::qWait(200);
    delete IdlenessSender::instance();
    QVERIFY(!IdlenessSender::instance());
}

PLUMDECK_TEST_MAIN(TstPresence)
#include "tst_presence.moc"
