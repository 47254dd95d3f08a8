#include <QtTest>

#include "core/clock.h"
#include "fakeservertest.h"
#include "synctest.h"
#include "sync/requests/eventconnection.h"
#include "sync/requests/eventsubscription.h"
#include "sync/requests/fetchingsubscription.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <malloc.h>
#include <memory>

namespace {
EventConnection *events()
{
    return EventConnection::instance();
}

QByteArray nick(const QString &name)
{
    return "<body><li class=\"pd-user-presence\"><span class=\"pd-user-nick\">" + name.toUtf8()
        + "</span></li></body>";
}

// What a fetching subscription reported, in order: "fetched", "add:<nick>",
// "remove:<nick>", "disconnected".
class Recorder : public QObject
{
public:
    explicit Recorder(FetchingSubscription *s)
    {
        connect(s, &FetchingSubscription::fetched, this, [this, s](const QDomDocument &doc) {
            log << QStringLiteral("fetched");
            documents << doc;
            queuedAtFetch << s->queuedEventCount();
        });
        connect(s, &FetchingSubscription::addedEvent, this,
                [this](const QDomElement &e) { log << QStringLiteral("add:") + e.text(); });
        connect(s, &FetchingSubscription::removedEvent, this,
                [this](const QDomElement &e) { log << QStringLiteral("remove:") + e.text(); });
        connect(s, &FetchingSubscription::disconnected, this,
                [this] { log << QStringLiteral("disconnected"); });
    }
    QStringList log;
    QList<QDomDocument> documents;
    // Events held back when each document came.
    QList<int> queuedAtFetch;
};
}

class TstEventSubscription : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void relaysConnection();
    void secondSubscriptionLeavesTheFirstAlone();
    void fetchesAtOnceWhenConnected();
    void fetchesOnEachConnection();
    void eventsDuringFetchComeAfterIt();
    void holdQueuesEvents();
    void unknownTypeIsIgnored();
    void failedFetchReleasesEvents_data();
    void failedFetchReleasesEvents();
    void deletedByItsReceiver();
    void disconnectDuringFetch();
    void followsTheUser();
    void changeWithFetchInFlight_data();
    void changeWithFetchInFlight();

private:
    void connectAlice();
    void pushFriendEvent(const QString &type, const QString &name, const QString &user = QStringLiteral("alice"));

    std::unique_ptr<FakeServer> m_server;
};

void TstEventSubscription::init()
{
    // One attempt at a time: a retry must not fire into an attempt under way.
    QTest::failOnWarning("EventConnection: already connected or connecting");
    Clock::setTimeScale(0.001);
    m_server = std::make_unique<FakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("pw"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
}

void TstEventSubscription::cleanup()
{
    ServerSettings::instance()->setSettings(QString(), QStringLiteral("alice"), QStringLiteral("secret"));
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
    Clock::reset();
}

void TstEventSubscription::connectAlice()
{
    QSignalSpy connected(events(), &EventConnection::connected);
    SyncTest::useServer(*m_server);
    QVERIFY(connected.wait(5000));
}

// An event on the user's friends resource about `name`.
void TstEventSubscription::pushFriendEvent(const QString &type, const QString &name, const QString &user)
{
    m_server->pushEvent(user, type, QStringLiteral("/users/%1/friends").arg(user), nick(name));
}

void TstEventSubscription::relaysConnection()
{
    EventSubscription subscription(QStringLiteral("/chats/7"));
    QSignalSpy connected(&subscription, &EventSubscription::connected);
    QSignalSpy disconnected(&subscription, &EventSubscription::disconnected);
    QVERIFY(!subscription.isConnected());
    SyncTest::useServer(*m_server);
    QVERIFY(connected.wait(5000));
    QVERIFY(subscription.isConnected());
    m_server->closeEventStreams();
    QTRY_COMPARE(disconnected.count(), 1);
    QTRY_COMPARE(connected.count(), 2);
}

void TstEventSubscription::secondSubscriptionLeavesTheFirstAlone()
{
    connectAlice();
    EventSubscription first(QStringLiteral("/chats/7"));
    QSignalSpy received(&first, &EventSubscription::received);
    QTest::ignoreMessage(QtWarningMsg, "already have a subscription to \"/chats/7\"");
    auto second = std::make_unique<EventSubscription>(QStringLiteral("/chats/7"));
    second.reset();
    // The refused second one took nothing with it.
    QCOMPARE(events()->subscription(QStringLiteral("/chats/7")), &first);
    m_server->pushEvent(QStringLiteral("alice"), QStringLiteral("add"), QStringLiteral("/chats/7"),
                        "<body><div class=\"pd-message\">hi</div></body>");
    QTRY_COMPARE(received.count(), 1);
}

void TstEventSubscription::fetchesAtOnceWhenConnected()
{
    connectAlice();
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    QCOMPARE(friends.fetchPath(), QStringLiteral("/users/alice/friends"));
    QVERIFY(friends.isConnected());
    QVERIFY(friends.isBusy());
    QTRY_COMPARE(r.log, QStringList({"fetched"}));
    QVERIFY(!friends.isBusy());
    const QList<FakeRequest> gets = m_server->requests("GET", QStringLiteral("^/users/alice/friends$"));
    QCOMPARE(gets.size(), 1);
    QVERIFY(!gets.first().acceptZlib);
    QVERIFY(r.documents.first().toString().contains(QLatin1String("carol")));
}

void TstEventSubscription::fetchesOnEachConnection()
{
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    QVERIFY(!friends.isBusy());
    SyncTest::useServer(*m_server);
    QTRY_COMPARE(r.log, QStringList({"fetched"}));
    m_server->closeEventStreams();
    QTRY_COMPARE(r.log, QStringList({"fetched", "disconnected", "fetched"}));
    QCOMPARE(m_server->requests("GET", QStringLiteral("^/users/alice/friends$")).size(), 2);
}

void TstEventSubscription::eventsDuringFetchComeAfterIt()
{
    connectAlice();
    m_server->hold(QStringLiteral("^/users/alice/friends$"));
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    pushFriendEvent(QStringLiteral("add"), QStringLiteral("dave"));
    pushFriendEvent(QStringLiteral("remove"), QStringLiteral("carol"));
    QTRY_COMPARE(friends.queuedEventCount(), 2);
    QVERIFY(r.log.isEmpty());
    QTRY_COMPARE(m_server->requests("GET", QStringLiteral("^/users/alice/friends$")).size(), 1);
    QCOMPARE(m_server->releaseHeld(), 1);
    QTRY_COMPARE(r.log, QStringList({"fetched", "add:dave", "remove:carol"}));
    // Both were held back until the document came.
    QCOMPARE(r.queuedAtFetch, QList<int>{2});
    QCOMPARE(friends.queuedEventCount(), 0);
}

void TstEventSubscription::holdQueuesEvents()
{
    connectAlice();
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    QTRY_COMPARE(r.log, QStringList({"fetched"}));
    friends.setHoldEvents(true);
    QVERIFY(friends.isBusy());
    for (const QString &name : {QStringLiteral("dave"), QStringLiteral("erin"), QStringLiteral("frank")})
        pushFriendEvent(QStringLiteral("add"), name);
    QTRY_COMPARE(friends.queuedEventCount(), 3);
    QCOMPARE(r.log.size(), 1);
    friends.setHoldEvents(false);
    QCOMPARE(r.log, QStringList({"fetched", "add:dave", "add:erin", "add:frank"}));
}

void TstEventSubscription::unknownTypeIsIgnored()
{
    connectAlice();
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    QTRY_COMPARE(r.log, QStringList({"fetched"}));
    QTest::ignoreMessage(QtWarningMsg, "ignoring unknown event type \"update\"");
    pushFriendEvent(QStringLiteral("update"), QStringLiteral("dave"));
    pushFriendEvent(QStringLiteral("add"), QStringLiteral("erin"));
    QTRY_COMPARE(r.log, QStringList({"fetched", "add:erin"}));
}

void TstEventSubscription::failedFetchReleasesEvents_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("warning");
    QTest::newRow("not found") << 404 << "FetchingSubscription: request status 404";
    QTest::newRow("credentials refused") << 401 << "FetchingSubscription: request bad auth";
}

void TstEventSubscription::failedFetchReleasesEvents()
{
    QFETCH(int, status);
    QFETCH(QString, warning);
    connectAlice();
    m_server->hold(QStringLiteral("^/users/alice/friends$"));
    m_server->respondOnce("GET", QStringLiteral("^/users/alice/friends$"), status);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    pushFriendEvent(QStringLiteral("add"), QStringLiteral("dave"));
    QTRY_COMPARE(friends.queuedEventCount(), 1);
    QVERIFY(r.log.isEmpty());
    QTRY_COMPARE(m_server->requests("GET", QStringLiteral("^/users/alice/friends$")).size(), 1);
    QCOMPARE(m_server->releaseHeld(), 1);
    QTRY_COMPARE(r.log, QStringList({"add:dave"}));
    QVERIFY(!friends.isBusy());
}

void TstEventSubscription::deletedByItsReceiver()
{
    connectAlice();
    // Freed memory is overwritten, so a use after free fails here instead of
    // passing by chance.
    mallopt(M_PERTURB, 0x5a);
    m_server->hold(QStringLiteral("^/users/alice/friends$"));
    auto *friends = new FetchingSubscription(QStringLiteral("/friends"), true);
    QPointer<FetchingSubscription> alive(friends);
    int fetched = 0;
    int queued = -1;
    connect(friends, &FetchingSubscription::fetched, this, [&fetched, &queued, friends] {
        ++fetched;
        queued = friends->queuedEventCount();
        delete friends;
    });
    pushFriendEvent(QStringLiteral("add"), QStringLiteral("dave"));
    QTRY_COMPARE(friends->queuedEventCount(), 1);
    QTRY_COMPARE(m_server->requests("GET", QStringLiteral("^/users/alice/friends$")).size(), 1);
    QCOMPARE(m_server->releaseHeld(), 1);
    QTRY_VERIFY(!alive);
    mallopt(M_PERTURB, 0);
    QCOMPARE(fetched, 1);
    // Deleted with an event still held back.
    QCOMPARE(queued, 1);
    QCOMPARE(events()->subscription(QStringLiteral("/users/alice/friends")), nullptr);
}

void TstEventSubscription::disconnectDuringFetch()
{
    connectAlice();
    m_server->stall(QStringLiteral("^/users/alice/friends$"), true);
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    QTRY_COMPARE(m_server->requests("GET", QStringLiteral("^/users/alice/friends$")).size(), 1);
    // Queued behind the stalled fetch: untouched when the fetch is dropped.
    Request other(QStringLiteral("GET"), QStringLiteral("/users/alice"));
    QSignalSpy otherDone(&other, &Request::finished);
    ServerHttpConnection::instance()->addRequest(&other);
    m_server->closeEventStreams();
    QTRY_VERIFY(r.log.contains(QStringLiteral("disconnected")));
    QTRY_COMPARE(otherDone.count(), 1);
    QVERIFY2(!other.hasError(), qPrintable(other.errorString()));
    // The next connection fetches again.
    QTRY_COMPARE(r.log, QStringList({"disconnected", "fetched"}));
}

void TstEventSubscription::followsTheUser()
{
    connectAlice();
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    // No chat 7 on the server: its fetch is answered 404 on each connection.
    QTest::ignoreMessage(QtWarningMsg, "FetchingSubscription: request status 404");
    QTest::ignoreMessage(QtWarningMsg, "FetchingSubscription: request status 404");
    FetchingSubscription absolute(QStringLiteral("/chats/7"), false);
    Recorder r(&friends);
    QTRY_COMPARE(r.log, QStringList({"fetched"}));
    // The first 404 is in: a fetch still running now would be dropped with
    // the connection, its warning with it.
    QTRY_VERIFY(!absolute.isBusy());
    QCOMPARE(absolute.fetchPath(), QStringLiteral("/chats/7"));

    QSignalSpy connected(events(), &EventConnection::connected);
    ServerSettings::instance()->setCredentials(QStringLiteral("bob"), QStringLiteral("pw"));
    QCOMPARE(friends.fetchPath(), QStringLiteral("/users/bob/friends"));
    QVERIFY(events()->subscription(QStringLiteral("/users/bob/friends")));
    QVERIFY(!events()->subscription(QStringLiteral("/users/alice/friends")));
    QCOMPARE(events()->subscription(QStringLiteral("/chats/7")) != nullptr, true);
    QVERIFY(connected.wait(5000));
    QTRY_COMPARE(r.log, QStringList({"fetched", "disconnected", "fetched"}));
    QCOMPARE(m_server->requests("GET", QStringLiteral("^/users/bob/friends$")).size(), 1);
    // The new user's pushed events reach it.
    pushFriendEvent(QStringLiteral("add"), QStringLiteral("alice"), QStringLiteral("bob"));
    QTRY_COMPARE(r.log.last(), QStringLiteral("add:alice"));
    QTRY_VERIFY(!absolute.isBusy());
    QCOMPARE(m_server->requests("GET", QStringLiteral("^/chats/7$")).size(), 2);
}

void TstEventSubscription::changeWithFetchInFlight_data()
{
    QTest::addColumn<bool>("otherServer");
    QTest::newRow("user") << false;
    QTest::newRow("server and user") << true;
}

// The fetch of the old user is dropped with the old connection; the new
// connection fetches the new user's document, which does reach the owner.
void TstEventSubscription::changeWithFetchInFlight()
{
    QFETCH(bool, otherServer);
    connectAlice();
    m_server->stall(QStringLiteral("^/users/alice/friends$"), true);
    FetchingSubscription friends(QStringLiteral("/friends"), true);
    Recorder r(&friends);
    QTRY_COMPARE(m_server->requests("GET", QStringLiteral("^/users/alice/friends$")).size(), 1);
    QVERIFY(friends.isBusy());

    std::unique_ptr<FakeServer> other;
    FakeServer *now = m_server.get();
    if (otherServer) {
        other = std::make_unique<FakeServer>();
        QVERIFY(other->start());
        now = other.get();
        now->addUser(QStringLiteral("bob"), QStringLiteral("pw"));
    }
    now->addFriend(QStringLiteral("bob"), QStringLiteral("dave"));
    QSignalSpy connected(events(), &EventConnection::connected);
    if (otherServer)
        SyncTest::useServer(*other, QStringLiteral("bob"), QStringLiteral("pw"));
    else
        ServerSettings::instance()->setCredentials(QStringLiteral("bob"), QStringLiteral("pw"));
    QTRY_COMPARE(connected.count(), 1);
    QTRY_COMPARE(r.log, QStringList({"disconnected", "fetched"}));
    const QString document = r.documents.last().toString();
    QVERIFY2(document.contains(QLatin1String("dave")), qPrintable(document));
    QVERIFY(!document.contains(QLatin1String("carol")));
    QVERIFY(!friends.isBusy());
    QCOMPARE(now->requests("GET", QStringLiteral("^/users/bob/friends$")).size(), 1);
    if (other)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*other);
}

PLUMDECK_TEST_MAIN(TstEventSubscription)
#include "tst_eventsubscription.moc"
