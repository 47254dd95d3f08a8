#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

#include "contacts/addfrienddialog.h"
#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/friends.h"
#include "contacts/presenceicon.h"
#include "contacts/presencemanager.h"
#include "contacts/user.h"
#include "fakexml.h"
#include "model/modelscontainer.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {

QByteArray errorDocument(const char *name)
{
    return FakeXml::document(QStringLiteral("pd-error"),
                             QByteArray("<div class=\"pd-error\"><span class=\"pd-error-name\">") + name
                                 + "</span></div>");
}

QByteArray userList(const QByteArray &items)
{
    return FakeXml::document(QStringLiteral("pd-user-data-list"), "<ul class=\"pd-user-data-list\">" + items + "</ul>");
}

QByteArray userItem(const char *nick, const char *realName)
{
    return QByteArray("<li class=\"pd-user-data\"><dl class=\"pd-user-fields\"><dt>user-nick</dt><dd>") + nick
        + "</dd><dt>user-real-name</dt><dd>" + realName + "</dd></dl></li>";
}

} // namespace

class TstAddFriendDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void searchAndRows();
    void searchTexts_data();
    void searchTexts();
    void searchFailures_data();
    void searchFailures();
    void invitation_data();
    void invitation();
    void closingWithdrawsTheRequest();
    void transportErrorsShown();

private:
    QLabel *linkFor(const QString &nick) const;
    void search(const QString &text);

    std::unique_ptr<CheckedFakeServer> m_server;
    ModelsContainer *m_models = nullptr;
    ChatUI *m_chatUI = nullptr;
    AddFriendDialog *m_dialog = nullptr;
};

void TstAddFriendDialog::init()
{
    m_server = Team::startServer();
    QVERIFY(m_server);
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_models = new ModelsContainer;
    m_models->setFriends(new Friends(m_models));
    m_models->setChats(new Chats(m_models));
    m_chatUI = ChatUI::createInstance(m_models, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(m_models->friends()->friends().size(), 1, 5000);
    m_dialog = new AddFriendDialog(m_chatUI);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    m_server->clearRequests();
}

void TstAddFriendDialog::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    ChatUI::destroyInstance();
    delete m_models;
    m_models = nullptr;
    Team::stopServer(m_server);
}

void TstAddFriendDialog::search(const QString &text)
{
    m_dialog->searchEdit()->clear();
    QTest::keyClicks(m_dialog->searchEdit(), text);
    QTest::mouseClick(m_dialog->searchButton(), Qt::LeftButton);
}

QLabel *TstAddFriendDialog::linkFor(const QString &nick) const
{
    const int row = m_dialog->results().indexOf(User::get(nick));
    return row < 0 ? nullptr : qobject_cast<QLabel *>(m_dialog->linkWidgets().value(row));
}

void TstAddFriendDialog::searchAndRows()
{
    QVERIFY(m_dialog->messageLabel()->isHidden() && m_dialog->resultsScroll()->isHidden());
    QVERIFY(m_dialog->dialogCloseButton()->isHidden());
    QTest::keyClicks(m_dialog->searchEdit(), QStringLiteral("example"));
    // Return twice quickly: one search.
    QTest::keyClick(m_dialog->searchEdit(), Qt::Key_Return);
    QCOMPARE(m_dialog->messageLabel()->text(), QStringLiteral("Searching..."));
    QTest::keyClick(m_dialog->searchEdit(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->hasRequest(), 5000);
    QCOMPARE(m_server->requests("GET", "^/user-search/").size(), 1);
    QCOMPARE(Team::nicks(m_dialog->results()), (QStringList{"bob", "carol"}));
    QVERIFY(m_dialog->resultsScroll()->isVisible());
    QVERIFY(m_dialog->messageLabel()->isHidden());

    // A contact shows its presence, anyone else the invitation link.
    QVERIFY(qobject_cast<PresenceIcon *>(m_dialog->linkWidgets().at(0)));
    QLabel *invite = linkFor(QStringLiteral("carol"));
    QVERIFY(invite && invite->text().contains(QStringLiteral(">send invite</a>")));

    // The signed-in user, should the server list it, is "(yourself)".
    m_server->respondOnce("GET", "^/user-search/", 200, userList(userItem("alice", "Alice") + userItem("bob", "&lt;i&gt;Bob&lt;/i&gt;")));
    search(QStringLiteral("x"));
    QTRY_COMPARE_WITH_TIMEOUT(Team::nicks(m_dialog->results()), (QStringList{"alice", "bob"}), 5000);
    QCOMPARE(qobject_cast<QLabel *>(m_dialog->linkWidgets().at(0))->text(), QStringLiteral("(yourself)"));
    // A real name is shown as text, whatever it holds.
    QLabel *name = nullptr;
    for (QLabel *label : m_dialog->findChildren<QLabel *>(QStringLiteral("realNameLabel"))) {
        if (label->text().contains(QStringLiteral("Bob")))
            name = label;
    }
    QVERIFY(name);
    QCOMPARE(name->textFormat(), Qt::PlainText);
    QCOMPARE(name->text(), QStringLiteral("<i>Bob</i>"));
}

void TstAddFriendDialog::searchTexts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message"); // "" when the search went out
    QTest::newRow("blanks only") << "   " << "" << "";
    QTest::newRow("trimmed and encoded") << " a b@c " << "GET /user-search/a%20b%40c" << "";
    QTest::newRow("slash stays in the segment") << "x/../y" << "GET /user-search/x%2F..%2Fy" << "";
    // These would fold into the path above: the server's root, or an empty search.
    QTest::newRow("two dots") << " .. " << "" << "\"..\" is not a name, username or email address.";
    QTest::newRow("one dot") << "." << "" << "\".\" is not a name, username or email address.";
    QTest::newRow("three dots go out") << "..." << "GET /user-search/..." << "";
}

void TstAddFriendDialog::searchTexts()
{
    QFETCH(QString, typed);
    QFETCH(QString, target);
    QFETCH(QString, message);
    search(typed);
    QTest::qWait(20);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->hasRequest(), 5000);
    // The server's root too: where "/user-search/.." would land.
    QCOMPARE(Team::targets(*m_server, "^/?$|user-search"), target.isEmpty() ? QStringList() : QStringList{target});
    if (!message.isEmpty()) {
        QVERIFY(m_dialog->messageLabel()->isVisible());
        QCOMPARE(m_dialog->messageLabel()->text(), message);
    }
}

void TstAddFriendDialog::searchFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::newRow("status") << 500 << QByteArray() << "Unexpected response to search (500)";
    QTest::newRow("no list") << 200 << FakeXml::document(QStringLiteral("x"), "<p/>") << "No results found.";
    QTest::newRow("bad item") << 200 << userList("<li class=\"pd-user-data\"><p/></li>") << "Bad search result received.";
    QTest::newRow("markup in nothing found") << 200 << userList("") << "No results found.";
}

void TstAddFriendDialog::searchFailures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    m_server->respondOnce("GET", "^/user-search/", status, body);
    search(QStringLiteral("carol"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->hasRequest(), 5000);
    QCOMPARE(m_dialog->messageLabel()->text(), message);
    QVERIFY(m_dialog->resultsScroll()->isHidden());
    QVERIFY(m_dialog->dialogCloseButton()->isHidden());
}

void TstAddFriendDialog::invitation_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QString>("nick");
    QTest::newRow("sent") << 0 << QByteArray()
                          << "Your invitation has been sent to\ncarol\nPlumdeck username: carol\n\n"
                             "When they have accepted\nYour invitation they\nwill be added to your\nnetwork"
                          << true << "carol";
    QTest::newRow("accepted at once") << 204 << QByteArray() << "Your invitation has been sent to\ncarol"
                                      << true << "carol";
    QTest::newRow("already a friend") << 403 << errorDocument("already-a-friend")
                                      << "Error adding new friend: The selected user is already a friend" << false << "carol";
    QTest::newRow("refused without a name") << 403 << QByteArray() << "Unexpected response to contact request (403)"
                                            << false << "carol";
    // Any other refusal is shown too, never left at "Sending request...".
    QTest::newRow("refused with another name") << 403 << errorDocument("blocked")
                                               << "Unexpected response to contact request (403): blocked" << false << "carol";
    QTest::newRow("other status") << 500 << QByteArray() << "Unexpected response to contact request (500)" << false << "carol";
    // A nick that would fold into the path above is never posted to.
    QTest::newRow("nick \"..\"") << 0 << QByteArray() << "The user \"..\" can not be invited." << false << "..";
    QTest::newRow("nick \".\"") << 0 << QByteArray() << "The user \".\" can not be invited." << false << ".";
}

void TstAddFriendDialog::invitation()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    QFETCH(bool, close);
    QFETCH(QString, nick);
    if (nick != QLatin1String("carol")) {
        m_server->respondOnce("GET", "^/user-search/", 200,
                              userList(userItem(nick.toUtf8().constData(), "Someone") + userItem("carol", "Carol")));
    }
    search(QStringLiteral("carol"));
    QTRY_VERIFY_WITH_TIMEOUT(linkFor(nick), 5000);
    if (nick != QLatin1String("carol")) {
        emit linkFor(nick)->linkActivated(QStringLiteral("invite"));
        QCOMPARE(m_dialog->messageLabel()->text(), message);
        QVERIFY(m_dialog->messageLabel()->isVisible());
        QVERIFY(!m_dialog->hasRequest());
        // Nothing went out; the other rows can still be invited.
        QTest::qWait(20);
        QCOMPARE(m_server->requests("POST", "").size(), 0);
        QVERIFY(linkFor(QStringLiteral("carol")));
        return;
    }
    if (status)
        m_server->respondOnce("POST", "^/users/carol/friend-requests$", status, body);
    emit linkFor(QStringLiteral("carol"))->linkActivated(QStringLiteral("invite"));
    QCOMPARE(m_dialog->messageLabel()->text(), QStringLiteral("Sending request to carol..."));
    // The rows are gone: another invitation needs another search.
    QVERIFY(m_dialog->linkWidgets().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->hasRequest(), 5000);
    QVERIFY2(m_dialog->messageLabel()->text().startsWith(message), qPrintable(m_dialog->messageLabel()->text()));
    QCOMPARE(m_dialog->dialogCloseButton()->isVisible(), close);
    const QList<FakeRequest> posts = m_server->requests("POST", "friend-requests$");
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.first().body, QByteArray("dummy"));
    if (close) {
        QTest::mouseClick(m_dialog->dialogCloseButton(), Qt::LeftButton);
        QVERIFY(!m_dialog->isVisible());
    }
}

void TstAddFriendDialog::closingWithdrawsTheRequest()
{
    m_server->stall("^/user-search/", true);
    search(QStringLiteral("carol"));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests("GET", "^/user-search/").size(), 0, 200);
    QVERIFY(m_dialog->hasRequest());
    delete m_dialog;
    m_dialog = nullptr;
    // The program's other requests go on.
    PresenceManager::instance()->setPresence(Presence(Presence::Busy, QStringLiteral("closing")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_server->requests("PUT", "presence$").isEmpty(), 5000);
    PresenceManager::instance()->setPresence(Presence(Presence::Available, QString()));
}

void TstAddFriendDialog::transportErrorsShown()
{
    m_server->respondRaw("GET", "^/user-search/", "HTTP/1.1 999\r\n\r\n");
    search(QStringLiteral("carol"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->hasRequest(), 5000);
    const QString searchError = m_dialog->messageLabel()->text();
    QVERIFY2(m_dialog->messageLabel()->isVisible() && !searchError.isEmpty() && searchError != QStringLiteral("Searching..."), qPrintable(searchError));

    search(QStringLiteral("carol"));
    QTRY_VERIFY_WITH_TIMEOUT(linkFor(QStringLiteral("carol")), 5000);
    m_server->respondRaw("POST", "friend-requests$", "HTTP/1.1 999\r\n\r\n");
    emit linkFor(QStringLiteral("carol"))->linkActivated(QStringLiteral("invite"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->hasRequest(), 5000);
    const QString inviteError = m_dialog->messageLabel()->text();
    QVERIFY2(!inviteError.startsWith(QStringLiteral("Sending")) && !inviteError.startsWith(QStringLiteral("Your")),
             qPrintable(inviteError));
    QVERIFY(m_dialog->dialogCloseButton()->isHidden());
}

PLUMDECK_TEST_MAIN(TstAddFriendDialog)
#include "tst_addfrienddialog.moc"
