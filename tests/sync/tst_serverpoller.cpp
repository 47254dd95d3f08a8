#include <QtTest>

#include "core/clock.h"
#include "fakeservertest.h"
#include "synctest.h"
#include "sync/serverpoller.h"
#include "sync/serversettings.h"
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
    void anyResponseIsReachable_data();
    void anyResponseIsReachable();
    void errorsAreUnreachable_data();
    void errorsAreUnreachable();
    void noServer();
    void serverChangeDuringPoll();
    void sameOutcomeTwice();
    void pollsOnTimer();

private:
    // Points the settings at a fresh server and waits for the poll it starts.
    void pointAt(FakeServer &server);

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

void TstServerPoller::pointAt(FakeServer &server)
{
    SyncTest::useServer(server);
}

void TstServerPoller::firstPollAtCreation()
{
    // The poll started by create() went to the first server.
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    QCOMPARE(m_first->requests().size(), 1);
}

void TstServerPoller::anyResponseIsReachable_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("200") << 200;
    QTest::newRow("404") << 404;
    QTest::newRow("500") << 500;
}

void TstServerPoller::anyResponseIsReachable()
{
    QFETCH(int, status);
    if (status != 200)
        m_server->respondAlways("HEAD", QStringLiteral("^/$"), status);
    pointAt(*m_server);
    QCOMPARE(ServerPoller::instance()->state(), ServerPoller::TryingConnect);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    QCOMPARE(m_seen, QList<State>({ServerPoller::TryingConnect, ServerPoller::Reachable}));
    const QList<FakeRequest> seen = m_server->requests();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().method, QByteArray("HEAD"));
    QCOMPARE(seen.first().target, QByteArray("/plumdeck/"));
}

void TstServerPoller::errorsAreUnreachable_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("authentication asked") << "401";
    QTest::newRow("connection closed") << "close";
    QTest::newRow("nobody listening") << "stopped";
}

void TstServerPoller::errorsAreUnreachable()
{
    QFETCH(QString, fault);
    if (fault == QLatin1String("401"))
        m_server->respondAlways("HEAD", QStringLiteral("^/$"), 401);
    else if (fault == QLatin1String("close"))
        m_server->closeConnectionOn(QStringLiteral("^/$"), false);
    const QString url = m_server->url();
    if (fault == QLatin1String("stopped"))
        m_server->stop();
    ServerSettings::instance()->setSettings(url, QStringLiteral("alice"), QStringLiteral("secret"));
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Unreachable);
    QCOMPARE(m_seen, QList<State>({ServerPoller::TryingConnect, ServerPoller::Unreachable}));
}

void TstServerPoller::noServer()
{
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    QCOMPARE(ServerPoller::instance()->state(), ServerPoller::NoServer);
    QCOMPARE(m_seen, QList<State>({ServerPoller::NoServer}));
    pointAt(*m_server);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
}

void TstServerPoller::serverChangeDuringPoll()
{
    FakeServer other;
    QVERIFY(other.start());
    m_server->delay(QStringLiteral("^/$"), 300, true);
    pointAt(*m_server);
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
    pointAt(*m_server);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    pointAt(second);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    QCOMPARE(m_seen, QList<State>({ServerPoller::TryingConnect, ServerPoller::Reachable,
                                   ServerPoller::TryingConnect, ServerPoller::Reachable}));
}

void TstServerPoller::pollsOnTimer()
{
    pointAt(*m_server);
    QTRY_COMPARE(ServerPoller::instance()->state(), ServerPoller::Reachable);
    // The 5-minute rhythm, scaled to 3 s, goes on by itself.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 2, 5000);
    m_server->stop();
    QTRY_COMPARE_WITH_TIMEOUT(ServerPoller::instance()->state(), ServerPoller::Unreachable, 5000);
}

PLUMDECK_TEST_MAIN(TstServerPoller)
#include "tst_serverpoller.moc"
