#include <QMenu>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include "contacts/chat.h"
#include "contacts/chatedit.h"
#include "contacts/chats.h"
#include "contacts/chatwindow.h"
#include "contacts/friends.h"
#include "contacts/presenceicon.h"
#include "contacts/presencelabel.h"
#include "contacts/presencemanager.h"
#include "contacts/user.h"
#include "teamfixture.h"
#include "testenvironment.h"

class TstChatWindow : public QObject
{
    Q_OBJECT
private slots:
    void messageToHtml_data();
    void messageToHtml();
    void keysInTheInput_data();
    void keysInTheInput();
    void typingAndSendingWithTheServer();
    void conferenceAndTitle();
    void collapsing();
};

void TstChatWindow::messageToHtml_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");
    QTest::newRow("markup is text") << "a <b>&</b> \"q\"" << "a &lt;b&gt;&amp;&lt;/b&gt; \"q\"";
    QTest::newRow("line break") << "one\ntwo" << "one<br/>two";
    QTest::newRow("web link") << "see https://a.example/p?q=1 now"
                              << "see <a href=\"https://a.example/p?q=1\">https://a.example/p?q=1</a> now";
    // The address ends at the line break, not in the next line.
    QTest::newRow("link before a line break") << "see http://a.b\nbye"
                                              << "see <a href=\"http://a.b\">http://a.b</a><br/>bye";
    QTest::newRow("ftp") << "ftp://x.y/z" << "<a href=\"ftp://x.y/z\">ftp://x.y/z</a>";
    QTest::newRow("mail") << "write to u.v@mail.example.org!"
                          << "write to <a href=\"mailto:u.v@mail.example.org\">u.v@mail.example.org</a>!";
    // An address with a user part is one web link, no mail link inside it.
    QTest::newRow("mail-like part of a link") << "http://u@host.example/x"
                                              << "<a href=\"http://u@host.example/x\">http://u@host.example/x</a>";
    QTest::newRow("link escaped") << "http://a.b/<x>&y" << "<a href=\"http://a.b/&lt;x&gt;&amp;y\">http://a.b/&lt;x&gt;&amp;y</a>";
    QTest::newRow("quote ends a link") << "\"http://a.b\"" << "\"<a href=\"http://a.b\">http://a.b</a>\"";
    QTest::newRow("no host, no mail") << "a@b and @c" << "a@b and @c";
}

void TstChatWindow::messageToHtml()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    QCOMPARE(ChatWindow::messageToHtml(text), html);
}

void TstChatWindow::keysInTheInput_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("text");
    QTest::newRow("Return sends") << int(Qt::NoModifier) << int(Qt::Key_Return) << 1 << "ab";
    QTest::newRow("Enter sends") << int(Qt::NoModifier) << int(Qt::Key_Enter) << 1 << "ab";
    QTest::newRow("keypad Enter sends") << int(Qt::KeypadModifier) << int(Qt::Key_Enter) << 1 << "ab";
    QTest::newRow("Ctrl+Return breaks the line") << int(Qt::ControlModifier) << int(Qt::Key_Return) << 0 << "a\nb";
    QTest::newRow("Shift+Return does nothing") << int(Qt::ShiftModifier) << int(Qt::Key_Return) << 0 << "ab";
    QTest::newRow("Alt+Return does nothing") << int(Qt::AltModifier) << int(Qt::Key_Return) << 0 << "ab";
}

void TstChatWindow::keysInTheInput()
{
    QFETCH(int, modifiers);
    QFETCH(int, key);
    QFETCH(int, sent);
    QFETCH(QString, text);
    ChatEdit edit;
    QSignalSpy returned(&edit, &ChatEdit::returnPressed);
    QTest::keyClicks(&edit, QStringLiteral("a"));
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyClicks(&edit, QStringLiteral("b"));
    QCOMPARE(returned.size(), sent);
    QCOMPARE(edit.toPlainText(), text);
}

void TstChatWindow::typingAndSendingWithTheServer()
{
    auto server = Team::startServer();
    QVERIFY(server);
    {
        const quint32 id = server->addChat({QStringLiteral("alice"), QStringLiteral("bob")});
        Friends friends;
        Chats chats;
        QTRY_VERIFY_WITH_TIMEOUT(chats.chatById(id), 5000);
        Chat *chat = chats.chatById(id);
        QTRY_VERIFY(chat->isConnected());
        ChatWindow window(&friends, chat);
        window.show();
        QCOMPARE(window.titleText(), QStringLiteral("bob"));
        QVERIFY(!window.presenceIcon()->isHidden());

        // A run of keystrokes posts "typing" once.
        QTest::keyClicks(window.inputEdit(), QStringLiteral("hel"));
        QVERIFY(window.typingTimer()->isActive());
        QTest::keyClicks(window.inputEdit(), QStringLiteral("lo"));
        QTRY_COMPARE(server->requests("POST", "/activity$").size(), 1);
        // The typing runs out: "none".
        QSignalSpy timeout(window.typingTimer(), &QTimer::timeout);
        window.typingTimer()->setInterval(1);
        QTest::keyClicks(window.inputEdit(), QStringLiteral("!"));
        QVERIFY(timeout.wait(1000));
        QTRY_COMPARE(server->requests("POST", "/activity$").size(), 2);
        QVERIFY(server->requests("POST", "/activity$").last().body.contains(">none<"));

        QTest::keyClick(window.inputEdit(), Qt::Key_Return);
        QTRY_COMPARE(server->chat(id).messages.size(), 1);
        QCOMPARE(server->chat(id).messages.first().text, QStringLiteral("hello!"));
        // Emptying the input after sending is no typing.
        QTest::qWait(50);
        QCOMPARE(server->requests("POST", "/activity$").size(), 2);
        // An empty input is posted as well.
        QTest::keyClick(window.inputEdit(), Qt::Key_Return);
        QTRY_COMPARE(server->chat(id).messages.size(), 2);

        // Shown in red at the end of the log: a failure, then the lost connection.
        server->respondOnce("POST", QStringLiteral("^/chats/%1$").arg(id), 500);
        QTest::keyClicks(window.inputEdit(), QStringLiteral("x"));
        QTest::keyClick(window.inputEdit(), Qt::Key_Return);
        QTRY_VERIFY(window.textBrowser()->toPlainText().endsWith(QStringLiteral("failed to post message (500)")));
        QSignalSpy down(chat, &Chat::disconnected);
        server->setRefuseEventConnections(true);
        server->closeEventStreams();
        QVERIFY(down.wait(5000));
        QVERIFY(window.textBrowser()->toPlainText().endsWith(QStringLiteral("[not connected]")));
        QVERIFY(window.textBrowser()->toHtml().contains(QStringLiteral("#ff0000")));
        server->setRefuseEventConnections(false);
    }
    Team::stopServer(server);
}

void TstChatWindow::conferenceAndTitle()
{
    auto server = Team::startServer();
    QVERIFY(server);
    {
        server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
        server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
        server->setPresence(QStringLiteral("carol"), QStringLiteral("busy"), QStringLiteral("away"));
        Friends friends;
        QTRY_COMPARE_WITH_TIMEOUT(friends.friends().size(), 2, 5000);
        Chats chats;
        const quint32 id = server->addChat({QStringLiteral("alice"), QStringLiteral("bob")});
        QTRY_VERIFY_WITH_TIMEOUT(chats.chatById(id), 5000);
        Chat *chat = chats.chatById(id);
        ChatWindow window(&friends, chat);
        QMenu *menu = window.addParticipantButton()->menu();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QAction *carol = menu->actions().first();
        QCOMPARE(carol->text(), QStringLiteral("carol"));
        QVERIFY(!carol->icon().isNull());

        // Adding carol: two others, no presence shown, no contact left to offer.
        carol->trigger();
        QCOMPARE(window.titleText(), QStringLiteral("bob, carol"));
        QVERIFY(window.presenceIcon()->isHidden() && window.presenceLabel()->isHidden());
        QVERIFY(!window.addParticipantButton()->menu());
        QTRY_COMPARE(server->requests("PUT", "^/chats/").size(), 1);

        QTRY_VERIFY(chat->isConnected());
        server->pushEvent("alice", "add", QStringLiteral("/chats/%1/activity").arg(id),
                          "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">carol</span></div>"
                          "<div class=\"pd-chat-activity\">deleting</div></body>");
        QTRY_COMPARE(window.titleText(), QStringLiteral("bob, carol is writing..."));
    }
    Team::stopServer(server);
}

void TstChatWindow::collapsing()
{
    Chats chats;
    Friends friends;
    chats.startChatWith(User::get(QStringLiteral("bob")));
    ChatWindow window(&friends, chats.chats().first());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize before = window.size();
    emit window.titleBarDoubleClicked();
    QVERIFY(window.isCollapsed());
    QCOMPARE(window.height(), ChatWindow::collapsedHeight);
    QVERIFY(window.textBrowser()->isHidden() && window.inputEdit()->isHidden());
    emit window.titleBarDoubleClicked();
    QVERIFY(!window.isCollapsed());
    QTRY_COMPARE(window.size(), before);
    QVERIFY(window.textBrowser()->isVisible() && window.inputEdit()->isVisible());
    // A chat the server does not know yet posts no typing.
    QTest::keyClicks(window.inputEdit(), QStringLiteral("x"));
    QVERIFY(!chats.chats().first()->hasId());
}

PLUMDECK_TEST_MAIN(TstChatWindow)
#include "tst_chatwindow.moc"
