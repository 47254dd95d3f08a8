#include <QtTest>

#include "contacts/chat.h"
#include "contacts/chatreaderwriter.h"
#include "contacts/chats.h"
#include "contacts/user.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {
QByteArray chatItem(const QByteArray &id, const QByteArray &time, const QByteArrayList &nicks, bool withList = true)
{
    QByteArray refs;
    for (const QByteArray &n : nicks)
        refs += "<li class=\"pd-user-ref\"><span class=\"pd-user-nick\">" + n + "</span></li>";
    return "<li class=\"pd-chat-data\"><span class=\"pd-chat-id\">" + id
        + "</span><dl class=\"pd-chat-fields\"><dt>modified-time</dt><dd>" + time + "</dd></dl>"
        + (withList ? "<ul class=\"pd-user-ref-list\"><li class=\"other\"/>" + refs + "</ul>" : QByteArray()) + "</li>";
}

QDomDocument document(const QByteArray &body)
{
    QDomDocument doc;
    doc.setContent("<html><body>" + body + "</body></html>");
    return doc;
}

// "id:nick,nick" per chat.
QStringList describe(const QList<ChatData> &chats)
{
    QStringList out;
    for (const ChatData &c : chats) {
        QStringList nicks;
        for (User *u : c.users)
            nicks << u->nick();
        out << QString::number(c.id) + QLatin1Char(':') + nicks.join(QLatin1Char(','));
    }
    return out;
}

QStringList texts(const Chat *chat)
{
    QStringList out;
    for (const UserAndMessageText &m : chat->messages())
        out << m.user->nick() + QLatin1Char(':') + m.text;
    return out;
}

QByteArray messageEvent(const char *nick, const char *text, const char *cls = "pd-message")
{
    return QByteArray("<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">") + nick
        + "</span></div><div class=\"" + cls + "\">" + text + "</div></body>";
}

const QByteArray fine = "2024-05-01T10:15:00";
} // namespace

class TstChats : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chatList_data();
    void chatList();
    void startedChatIsCreatedWithItsFirstMessage();
    void queuedWhileDisconnectedGoOutAfterReconnect();
    void participantsKeepTheirOrder();
    void failedCreationKeepsTheQueue();
    void typingActivity();
    void reuse_data();
    void reuse();

private:
    Chat *startChat(Chats &chats, const char *nick);
    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstChats::init()
{
    m_server = Team::startServer();
    QVERIFY(m_server);
}

void TstChats::cleanup()
{
    Team::stopServer(m_server);
}

void TstChats::chatList_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("chats");
    QTest::addColumn<QString>("error");
    const QByteArray ul = "<ul class=\"pd-chat-data-list\"><li class=\"x\"/>";
    QTest::newRow("two chats") << ul + chatItem("7", fine, {"alice", "bob"}) + chatItem("9", fine, {"carol"}) + "</ul>"
                               << QStringList{"7:alice,bob", "9:carol"} << "";
    QTest::newRow("no list") << QByteArray("<p/>") << QStringList() << "";
    QTest::newRow("without participants") << ul + chatItem("8", fine, {}, false) + "</ul>" << QStringList{"8:"}
                                          << "failed to find mandatory element with class pd-user-ref-list under li";
    QTest::newRow("a zoned time empties the list")
        << ul + chatItem("7", fine, {"bob"}) + chatItem("9", fine + "Z", {"bob"}) + "</ul>" << QStringList() << "";
    QTest::newRow("without id")
        << ul + "<li class=\"pd-chat-data\"><dl class=\"pd-chat-fields\"><dt>modified-time</dt><dd>" + fine
               + "</dd></dl><ul class=\"pd-user-ref-list\"/></li></ul>"
        << QStringList() << "failed to find mandatory element with class pd-chat-id under li";
    QTest::newRow("bad id") << ul + chatItem("7x", fine, {"bob"}) + "</ul>" << QStringList()
                            << "failed to parse chat id from 7x";
}

void TstChats::chatList()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, chats);
    QFETCH(QString, error);
    ChatReaderWriter reader;
    QCOMPARE(describe(reader.readChatDataList(document(body))), chats);
    QCOMPARE(reader.errorString(), error);
}

Chat *TstChats::startChat(Chats &chats, const char *nick)
{
    QSignalSpy added(&chats, &Chats::chatAdded);
    chats.startChatWith(User::get(QString::fromLatin1(nick)));
    return added.size() == 1 ? added.first().first().value<Chat *>() : nullptr;
}

void TstChats::startedChatIsCreatedWithItsFirstMessage()
{
    Chats chats;
    Chat *chat = startChat(chats, "bob");
    QVERIFY(chat && chat->isStartedLocally());
    // The server announces the chat before it answers the creation.
    m_server->delay("^/chats$", 100, true);
    chat->postMessage(QStringLiteral("one"));
    chat->postMessage(QStringLiteral("two <&>"));
    QCOMPARE(texts(chat), (QStringList{"alice:one", "alice:two <&>"}));
    QTRY_COMPARE(m_server->chat(7).messages.size(), 2);
    QCOMPARE(Team::targets(*m_server, "^/chats"), (QStringList{"POST /chats", "POST /chats/7", "POST /chats/7"}));
    QCOMPARE(m_server->chat(7).messages.at(1).text, QStringLiteral("two <&>"));
    QTRY_COMPARE(m_server->requests("GET", "^/users/alice/chats-current$").size(), 1);
    QTest::qWait(50); // the server's echoes of our own messages
    QCOMPARE(chats.chats(), QList<Chat *>{chat});
    QCOMPARE(chat->id(), 7u);

    QSignalSpy added(chat, &Chat::messageAdded);
    m_server->pushEvent("alice", "add", "/chats/7", messageEvent("carol", "not in this chat"));
    m_server->pushEvent("alice", "add", "/chats/7", messageEvent("bob", "hi alice"));
    QVERIFY(added.wait(5000));
    QCOMPARE(texts(chat).mid(2), QStringList{"bob:hi alice"});
    QCOMPARE(chats.chatWithUser(User::get("bob")), chat);
}

void TstChats::queuedWhileDisconnectedGoOutAfterReconnect()
{
    const quint32 id = m_server->addChat({"alice", "bob"});
    Chats chats;
    QTRY_VERIFY(chats.chatById(id));
    Chat *chat = chats.chatById(id);
    QSignalSpy down(chat, &Chat::disconnected);
    m_server->setRefuseEventConnections(true);
    m_server->closeEventStreams();
    QVERIFY(down.wait(5000));
    chat->postMessage(QStringLiteral("while away"));
    QCOMPARE(chat->queuedMessageCount(), 1);
    QSignalSpy up(chat, &Chat::connected);
    m_server->setRefuseEventConnections(false);
    QVERIFY(up.wait(5000));
    QTRY_COMPARE(m_server->chat(id).messages.size(), 1);
    QCOMPARE(m_server->chat(id).messages.first().text, QStringLiteral("while away"));
    QCOMPARE(chat->queuedMessageCount(), 0);
}

void TstChats::participantsKeepTheirOrder()
{
    // Made in the reverse order, so their addresses do not follow the chat's order.
    for (const char *nick : {"mid", "amy", "zed"})
        User::get(QString::fromLatin1(nick));
    for (const char *nick : {"zed", "amy", "mid", "new"})
        m_server->addUser(QString::fromLatin1(nick), QStringLiteral("pw"));
    const quint32 id = m_server->addChat({"zed", "alice", "amy", "mid"});
    Chats chats;
    QTRY_VERIFY(chats.chatById(id));
    Chat *chat = chats.chatById(id);
    QCOMPARE(chat->participants(), (QList<User *>{User::get("zed"), User::get("amy"), User::get("mid")}));
    m_server->respondOnce("PUT", "^/chats/", 200); // an update may answer 200
    chat->addUser(User::get("new"));
    QTRY_COMPARE(m_server->requests("PUT", "^/chats/").size(), 1);
    const QByteArray body = m_server->requests("PUT", "^/chats/").first().body;
    QVERIFY(body.indexOf(">alice<") < body.indexOf(">zed<") && body.indexOf(">zed<") < body.indexOf(">amy<")
            && body.indexOf(">amy<") < body.indexOf(">mid<") && body.indexOf(">mid<") < body.indexOf(">new<"));
    QTest::qWait(50);
    QVERIFY(!chat->hasError());
}

void TstChats::failedCreationKeepsTheQueue()
{
    Chats chats;
    Chat *chat = startChat(chats, "carol");
    QSignalSpy errored(chat, &Chat::errored);
    m_server->respondOnce("POST", "^/chats$", 200);
    chat->postMessage(QStringLiteral("first"));
    QVERIFY(errored.wait(5000));
    QCOMPARE(chat->errorString(), QStringLiteral("failed to start new chat (200)"));
    QVERIFY(!chat->hasId());
    chat->postMessage(QStringLiteral("second"));
    QTRY_COMPARE(m_server->chats().size(), 1);
    QTRY_COMPARE(m_server->chats().first().messages.size(), 2);
    QVERIFY(!chat->hasError());
    QCOMPARE(Team::targets(*m_server, "^/chats$").size(), 2);
}

void TstChats::typingActivity()
{
    const quint32 id = m_server->addChat({"alice", "bob"});
    Chats chats;
    Chat *local = startChat(chats, "carol");
    local->setActivity(Chat::ActivityTyping); // no id yet: nothing to say
    QTRY_VERIFY(chats.chatById(id));
    Chat *chat = chats.chatById(id);
    m_server->respondOnce("POST", "activity$", 500);
    chat->setActivity(Chat::ActivityTyping);
    QTRY_COMPARE(m_server->requests("POST", "activity$").size(), 1);
    QTRY_COMPARE(m_server->requests("POST", "activity$").last().status, 500);
    QTest::qWait(20);
    chat->setActivity(Chat::ActivityTyping); // posted again after the failure
    chat->setActivity(Chat::ActivityTyping);
    QTRY_COMPARE(m_server->chat(id).activity.value("alice"), QStringLiteral("typing"));
    QTest::qWait(20);
    QCOMPARE(m_server->requests("POST", "activity$").size(), 2);

    QSignalSpy activity(chat, &Chat::activityChanged);
    m_server->pushEvent("alice", "add", QStringLiteral("/chats/%1/activity").arg(id),
                        messageEvent("bob", "Typing", "pd-chat-activity"));
    m_server->pushEvent("alice", "add", QStringLiteral("/chats/%1/activity").arg(id),
                        messageEvent("bob", "deleting", "pd-chat-activity"));
    QVERIFY(activity.wait(5000));
    QCOMPARE(activity.size(), 1);
    QCOMPARE(chat->activityForUser(User::get("bob")), Chat::ActivityDeleting);
}

void TstChats::reuse_data()
{
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("reused");
    QTest::newRow("an hour ago") << 3600 << true;
    QTest::newRow("a second more") << 3601 << false;
    QTest::newRow("in the future") << -60 << true;
}

void TstChats::reuse()
{
    QFETCH(int, ageSeconds);
    QFETCH(bool, reused);
    const QDateTime now(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    Clock::setFixedTime(now);
    Chats chats;
    auto time = [&](int age) { return now.addSecs(-age); };
    chats.addOrUpdateChat({40, time(ageSeconds + 10), {User::get("alice"), User::get("bob")}});
    chats.addOrUpdateChat({41, time(ageSeconds), {User::get("bob")}});
    chats.addOrUpdateChat({42, time(0), {User::get("bob"), User::get("carol")}}); // never one-to-one
    // The later change wins; future times are refused, so both keep "now"
    // and the first added wins.
    Chat *expected = chats.chatById(ageSeconds < 0 ? 40 : 41);
    QSignalSpy added(&chats, &Chats::chatAdded);
    QCOMPARE(chats.chatWithUser(User::get("bob")), reused ? expected : nullptr);
    chats.startChatWith(User::get("bob"));
    QCOMPARE(added.size(), reused ? 0 : 1);
}

PLUMDECK_TEST_MAIN(TstChats)
#include "tst_chats.moc"
