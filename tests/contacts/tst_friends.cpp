#include <QDir>
#include <QFile>
#include <QtTest>

#include "contacts/friends.h"
#include "contacts/friendssynchronizer.h"
#include "contacts/user.h"
#include "interruptedsave.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "teamfixture.h"
#include "testenvironment.h"

using Team::nicks;

class TstFriends : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fetchedAndFollowed();
    void requestsAnsweredForHostileNicks_data();
    void requestsAnsweredForHostileNicks();
    void withdrawnRequestIsNotAskedAgain();
    void followsTheSignedInUser();
    void damagedDocumentKeptAside_data();
    void damagedDocumentKeptAside();
    void loadRemovesAnInterruptedSave();
    void loadKeepsTheUsersCopies_data();
    void loadKeepsTheUsersCopies();
    void contactInfoRun_data();
    void contactInfoRun();
    void endedRunLeavesOtherRequestsAlone();

private:
    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstFriends::init()
{
    QFile::remove(Friends::localFilePath());
    m_server = Team::startServer();
    QVERIFY(m_server);
}

void TstFriends::cleanup()
{
    Team::stopServer(m_server);
}

void TstFriends::fetchedAndFollowed()
{
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    m_server->setPresence(QStringLiteral("bob"), QStringLiteral("busy"), QStringLiteral("Lunch"));
    m_server->setUserFields(QStringLiteral("carol"), {{QStringLiteral("user-country"), QStringLiteral("Norway")}});
    Friends friends;
    QSignalSpy changed(&friends, &Friends::changed);
    QVERIFY(changed.wait(5000));
    QCOMPARE(nicks(friends.friends()), (QStringList{"bob", "carol"}));
    QCOMPARE(User::get("bob")->presence(), Presence(Presence::Busy, QStringLiteral("Lunch")));
    QTRY_COMPARE(User::get("carol")->field("user-country"), QStringLiteral("Norway"));
    const QList<FakeRequest> infos = m_server->requests("GET", QStringLiteral("^/users/carol$"));
    QCOMPARE(infos.size(), 1);
    QVERIFY(infos.first().acceptZlib);

    // Added twice: listed once; removed: announced by nick.
    QSignalSpy removed(&friends, &Friends::userRemoved);
    for (int i = 0; i < 2; ++i)
        m_server->pushEvent("alice", "add", "/users/alice/friends", Team::userPresence("dave", "idle"));
    m_server->pushEvent("alice", "remove", "/users/alice/friends", Team::userPresence("bob"));
    QVERIFY(removed.wait(5000));
    QCOMPARE(removed.first().first().toString(), QStringLiteral("bob"));
    QCOMPARE(nicks(friends.friends()), (QStringList{"carol", "dave"}));
    QCOMPARE(User::get("dave")->presence().state(), Presence::Idle);
}

void TstFriends::requestsAnsweredForHostileNicks_data()
{
    QTest::addColumn<QString>("nick");
    for (const QString &nick : Team::hostileNicks())
        QTest::newRow(qPrintable(nick)) << nick;
}

void TstFriends::requestsAnsweredForHostileNicks()
{
    QFETCH(QString, nick);
    m_server->addUser(nick, QStringLiteral("pw"));
    m_server->addFriendRequest(nick, QStringLiteral("alice"));
    Friends friends;
    QSignalSpy asked(&friends, &Friends::friendRequestReceived);
    QVERIFY(asked.wait(5000));
    User *user = asked.first().first().value<User *>();
    QCOMPARE(user->nick(), nick);

    friends.acceptFriendRequest(user);
    if (!user->isAddressable()) {
        // A URL cannot carry "..": nothing is sent rather than the parent.
        QTest::ignoreMessage(QtWarningMsg, qPrintable("Friends: no request can name the user \"..\""));
        friends.declineFriendRequest(user);
        QTest::qWait(50);
        QCOMPARE(Team::targets(*m_server, QStringLiteral("friend")).size(), 2);
        return;
    }
    QTRY_VERIFY(friends.isFriend(user));
    QVERIFY(m_server->user(nick).friends.contains(QStringLiteral("alice")));
    friends.removeFriend(user);
    QVERIFY(!friends.isFriend(user));
    QTRY_VERIFY(!m_server->user(nick).friends.contains(QStringLiteral("alice")));
    m_server->addFriendRequest(nick, QStringLiteral("alice"));
    friends.declineFriendRequest(user);
    QTRY_VERIFY(m_server->user(QStringLiteral("alice")).friendRequests.isEmpty());

    // Each request reached the nick's own resource and nothing else.
    const QString segment = user->nickSegment();
    QCOMPARE(Team::targets(*m_server, QStringLiteral("friend")).mid(2),
             (QStringList{"POST /users/" + segment + "/friend-requests", "DELETE /users/alice/friends/" + segment,
                          "DELETE /users/alice/friend-requests/" + segment}));
    for (const FakeRequest &r : m_server->requests())
        QVERIFY2(r.status / 100 == 2, r.target.constData());
}

void TstFriends::withdrawnRequestIsNotAskedAgain()
{
    Friends friends;
    QSignalSpy asked(&friends, &Friends::friendRequestReceived);
    QSignalSpy withdrawn(&friends, &Friends::friendRequestWithdrawn);
    QTRY_VERIFY(m_server->requests("GET", "friend-requests$").size() == 1);
    m_server->pushEvent("alice", "remove", "/users/alice/friend-requests", Team::userRef("wd"));
    m_server->pushEvent("alice", "add", "/users/alice/friend-requests", Team::userRef("wd2"));
    QVERIFY(asked.wait(5000));
    QCOMPARE(withdrawn.size(), 1);
    QCOMPARE(withdrawn.first().first().value<User *>(), User::get("wd"));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().first().value<User *>(), User::get("wd2"));
}

void TstFriends::followsTheSignedInUser()
{
    Friends friends;
    QSignalSpy changed(&friends, &Friends::changed);
    QVERIFY(changed.wait(5000));
    QSignalSpy reconnected(EventConnection::instance(), &EventConnection::connected);
    ServerSettings::instance()->setCredentials(QStringLiteral("bob"), QStringLiteral("secret"));
    QVERIFY(reconnected.wait(5000));
    QTRY_VERIFY(!m_server->requests("GET", "^/users/bob/friends$").isEmpty());
    QTRY_VERIFY(!friends.isConnected() || m_server->eventStreamCount("bob") == 1);
    m_server->pushEvent("bob", "add", "/users/bob/friends", Team::userPresence("fu", "available"));
    QTRY_COMPARE(nicks(friends.friends()), QStringList{"fu"});
    friends.removeFriend(User::get("fu"));
    QTRY_COMPARE(Team::targets(*m_server, "^/users/bob/friends/").size(), 1);
}

void TstFriends::damagedDocumentKeptAside_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QTest::newRow("cut short") << QByteArray("<html><body><ul class=\"pd-user-data-list\"><li class=\"pd-user-data\">");
    // Not an empty list: saving that would write over the file.
    QTest::newRow("no body") << QByteArray("<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>pd-local-user-data"
                                           "</title></head></html>");
}

void TstFriends::damagedDocumentKeptAside()
{
    QFETCH(QByteArray, damaged);
    const QString path = Friends::localFilePath();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^error loading friends"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    Friends friends;
    QVERIFY(friends.friends().isEmpty());
    const QStringList aside = QDir(QFileInfo(path).path()).entryList({"friends.xhtml.unreadable-*"});
    QCOMPARE(aside.size(), 1);
    QTRY_COMPARE(nicks(friends.friends()), QStringList{"bob"});
    QVERIFY(friends.save());

    QFile kept(QFileInfo(path).dir().filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    friends.load();
    QCOMPARE(nicks(friends.friends()), QStringList{"bob"});
    QVERIFY(QFile::remove(kept.fileName()));
}

// What a save of the friends cut short in an earlier run left goes before
// they are read; the user's own file of a like name stays.
void TstFriends::loadRemovesAnInterruptedSave()
{
    const QString path = Friends::localFilePath();
    const QString leftover = path + QStringLiteral(".plumdeck-save-xy12ab34cd56");
    const QString mine = path + QStringLiteral(".abc123");
    QVERIFY(InterruptedSave::plantFile(leftover, "cut short", InterruptedSave::beforeTheStart()));
    QVERIFY(InterruptedSave::plantFile(mine, "mine", InterruptedSave::beforeTheStart()));
    QVERIFY(InterruptedSave::plantNote(path, QFileInfo(leftover).fileName()));
    Friends friends;
    QVERIFY(!QFile::exists(leftover));
    QVERIFY(!QFile::exists(path + QStringLiteral(".interrupted-save")));
    QVERIFY(QFile::remove(mine));
}

// A save of the friends killed before its temporary had a name left an
// earlier version's note naming the freed inode; the user's copy that
// took it ("cp -p", keeping its times) stays.
void TstFriends::loadKeepsTheUsersCopies_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("backup") << "friends.xhtml.backup";
    QTest::newRow("before") << "friends.xhtml.before";
    QTest::newRow("old001") << "friends.xhtml.old001";
}

void TstFriends::loadKeepsTheUsersCopies()
{
    QFETCH(QString, name);
    const QString path = Friends::localFilePath();
    const QString copy = QFileInfo(path).dir().filePath(name);
    QVERIFY(InterruptedSave::plantFile(copy, "mine", InterruptedSave::beforeTheStart().addSecs(-3600)));
    QVERIFY(InterruptedSave::plantNoteByInode(path, copy));
    Friends friends;
    QVERIFY(!QFile::exists(path + QStringLiteral(".interrupted-save")));
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("mine"));
    QVERIFY(file.remove());
}

void TstFriends::contactInfoRun_data()
{
    QTest::addColumn<QList<int>>("statuses"); // per user; 0: transport error
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("error");
    QTest::newRow("gone users skipped") << QList<int>{200, 404, 410} << true << "";
    QTest::newRow("no users") << QList<int>{} << true << "";
    QTest::newRow("server error") << QList<int>{200, 500, 200} << false << "Unexpected response from server (500)";
    QTest::newRow("no user data") << QList<int>{-200} << false << "*";
    QTest::newRow("transport error") << QList<int>{0, 200} << false << "*";
    QTest::newRow("settings incomplete") << QList<int>{-1} << false
                                         << "Settings required for sync are not complete.";
}

void TstFriends::contactInfoRun()
{
    QFETCH(QList<int>, statuses);
    QFETCH(bool, ok);
    QFETCH(QString, error);
    QList<User *> users;
    for (int i = 0; i < statuses.size(); ++i) {
        const QString nick = QStringLiteral("ci%1").arg(i);
        m_server->addUser(nick, QStringLiteral("pw"));
        users << User::get(nick);
        const QString path = QStringLiteral("^/users/ci%1$").arg(i);
        if (statuses[i] == 0)
            m_server->respondRaw("GET", path, "HTTP/1.1 2x0 What\r\n\r\n", false);
        else if (statuses[i] == -200)
            m_server->respondOnce("GET", path, 200, "<html><body><p/></body></html>");
        else if (statuses[i] == -1)
            ServerSettings::instance()->setPassword(QString());
        else if (statuses[i] != 200)
            m_server->respondOnce("GET", path, statuses[i]);
    }
    m_server->clearRequests();
    FriendsSynchronizer run(users);
    QSignalSpy finished(&run, &BaseSynchronizer::finished);
    QSignalSpy progress(&run, &BaseSynchronizer::progress);
    run.start();
    QCOMPARE(finished.count(), 0); // never from inside start()
    QVERIFY(finished.wait(5000));
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), ok);
    QVERIFY2(error.isEmpty() ? run.errorString().isEmpty()
                             : error == "*" ? !run.errorString().isEmpty() : run.errorString() == error,
             qPrintable(run.errorString()));
    if (ok && !users.isEmpty())
        QCOMPARE(progress.at(users.size() - 1).mid(1), (QVariantList{users.size(), users.size()}));
    if (statuses.value(0) == -1) {
        QVERIFY(m_server->requests().isEmpty());
        ServerSettings::instance()->setPassword(QStringLiteral("secret"));
    }
}

void TstFriends::endedRunLeavesOtherRequestsAlone()
{
    QList<User *> users;
    for (int i = 0; i < 4; ++i) {
        m_server->addUser(QStringLiteral("er%1").arg(i), QStringLiteral("pw"));
        users << User::get(QStringLiteral("er%1").arg(i));
    }
    m_server->respondOnce("GET", "^/users/er0$", 500);
    m_server->delay("^/users/er0$", 100, true);
    auto *run = new FriendsSynchronizer(users);
    QSignalSpy finished(run, &BaseSynchronizer::finished);
    run->start();
    auto *other = new Request(QStringLiteral("GET"), QStringLiteral("/"), this);
    QSignalSpy otherFinished(other, &Request::finished);
    ServerHttpConnection::instance()->addRequest(other);
    QVERIFY(finished.wait(5000));
    delete run;
    QVERIFY(otherFinished.count() == 1 || otherFinished.wait(5000));
    QVERIFY2(!other->hasError(), qPrintable(other->errorString()));
    QCOMPARE(other->responseHeader().statusCode(), 200);
    QCOMPARE(finished.count(), 1);
    // The run's later requests were withdrawn, not sent.
    QVERIFY(m_server->requests("GET", "^/users/er[1-3]$").size() < 3);
    delete other;
}

PLUMDECK_TEST_MAIN(TstFriends)
#include "tst_friends.moc"
