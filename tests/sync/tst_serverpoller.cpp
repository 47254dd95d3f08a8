#include <QtTest>

#include "core/clock.h"
#include "fakeservertest.h"
#include "synctest.h"
#include "sync/requests/serverpoller.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <memory>

using State = ServerPoller::State;

class TstServerPoller : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstPollAtCreation();
    void pollOutcome_data();
    void pollOutcome();
    void noServer();
    void serverChangeDuringPoll();
    void sameOutcomeTwice();
    void pollsOnTimer();

private:
    std::unique_ptr<FakeServer> m_first;
    std::unique_ptr<FakeServer> m_server;
    QList<State> m_seen;
};

void TstServerPoller::initTestCase()
{
    // Five minutes become three seconds.
    Clock::setTimeScale(0.01);
    m_first = std::make_unique<FakeServer>();
    QVERIFY(m_first->start());
    SyncTest::useServer(*m_first);
    QVERIFY(!ServerPoller::instance());
    ServerPoller *poller = ServerPoller::create();
    QCOMPARE(ServerPoller::create(), poller);
    QCOMPARE(ServerPoller::instance(), poller);
    connect(poller, &ServerPoller::serverStatusChanged, this,
            [this] { m_seen << ServerPoller::instance()->state(); });
}

void TstServerPoller::init()
{
    m_server = std::make_unique<FakeServer>();
    QVERIFY(m_server->start());
    m_seen.clear();
}

void TstServerPoller::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    QTRY_VERIFY(ServerPoller::instance()->state() != ServerPoller::TryingConnect);
}

void TstServerPoller::firstPollAtCreation()
{
    // The poll started by create() went to the first server.
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    QCOMPARE(m_first->requests().size(), 1);
}

void TstServerPoller::pollOutcome_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("reachable");
    // Any answer at all means the server is there.
    QTest::newRow("200") << "200" << true;
    QTest::newRow("404") << "404" << true;
    QTest::newRow("500") << "500" << true;
    QTest::newRow("authentication asked") << "401" << false;
    QTest::newRow("connection closed") << "close" << false;
    QTest::newRow("nobody listening") << "stopped" << false;
}

void TstServerPoller::pollOutcome()
{
    QFETCH(QString, fault);
    QFETCH(bool, reachable);
    if (fault == QLatin1String("close"))
        m_server->closeConnectionOn(QStringLiteral("^/$"), false);
    else if (fault != QLatin1String("200") && fault != QLatin1String("stopped"))
        m_server->respondAlways("HEAD", QStringLiteral("^/$"), fault.toInt());
    const QString url = m_server->url();
    if (fault == QLatin1String("stopped"))
        m_server->stop();
    ServerSettings::instance()->setSettings(url, QStringLiteral("alice"), QStringLiteral("secret"));
    QCOMPARE(ServerPoller::instance()->state(), ServerPoller::TryingConnect);
    const State outcome = reachable ? ServerPoller::Reachable : ServerPoller::Unreachable;
    QTRY_COMPARE(ServerPoller::instance()->state(), outcome);
    QCOMPARE(m_seen, QList<State>({ServerPoller::TryingConnect, outcome}));
    if (reachable) {
        const QList<FakeRequest> seen = m_server->requests();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().method, QByteArray("HEAD"));
        QCOMPARE(seen.first().target, QByteArray("/plumdeck/"));
    }
}

void TstServerPoller::noServer()
{
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    QCOMPARE(ServerPoller::instance()->state(), ServerPoller::NoServer);
    QCOMPARE(m_seen, QList<State>({ServerPoller::NoServer}));
    SyncTest::useServer(*m_server);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
}

void TstServerPoller::serverChangeDuringPoll()
{
    FakeServer other;
    QVERIFY(other.start());
    m_server->delay(QStringLiteral("^/$"), 300, true);
    SyncTest::useServer(*m_server);
    QCOMPARE(ServerPoller::instance()->state(), ServerPoller::TryingConnect);
    const QString otherUrl = other.url();
    other.stop();
    // No second poll: the running one decides.
    ServerSettings::instance()->setSettings(otherUrl, QStringLiteral("alice"), QStringLiteral("secret"));
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    QCOMPARE(m_seen, QList<State>({ServerPoller::TryingConnect, ServerPoller::Reachable}));
    QCOMPARE(m_server->requests().size(), 1);
}

void TstServerPoller::sameOutcomeTwice()
{
    FakeServer second;
    QVERIFY(second.start());
    SyncTest::useServer(*m_server);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    SyncTest::useServer(second);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    QCOMPARE(m_seen, QList<State>({ServerPoller::TryingConnect, ServerPoller::Reachable,
                                   ServerPoller::TryingConnect, ServerPoller::Reachable}));
}

void TstServerPoller::pollsOnTimer()
{
    SyncTest::useServer(*m_server);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    // The 5-minute rhythm, scaled to 3 s, goes on by itself.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 2, 5000);
    m_server->stop();
    QTRY_COMPARE_WITH_TIMEOUT(ServerPoller::instance()->state(), ServerPoller::Unreachable, 5000);
}

PLUMDECK_TEST_MAIN(TstServerPoller)
#include "tst_serverpoller.moc"
