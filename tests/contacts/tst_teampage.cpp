#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

#include "contacts/chat.h"
#include "contacts/chatedit.h"
#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/chatwindow.h"
#include "contacts/connectionwidget.h"
#include "contacts/friends.h"
#include "contacts/friendscontainer.h"
#include "contacts/friendssearchwidget.h"
#include "contacts/friendswidget.h"
#include "contacts/friendwidget.h"
#include "contacts/friendswidgetscroll.h"
#include "contacts/presenceicon.h"
#include "contacts/presencemanager.h"
#include "contacts/teamcommands.h"
#include "contacts/user.h"
#include "dialogdriver.h"
#include "model/modelscontainer.h"
#include "shell/menu.h"
#include "shell/pdlineedit.h"
#include "shell/stringentrydialog.h"
#include "shell/toolbutton.h"
#include "teamfixture.h"
#include "testenvironment.h"

namespace {

// "nick" per visible row, in order.
QStringList visibleRows(FriendsWidget *list)
{
    QStringList out;
    for (FriendWidget *row : list->rows()) {
        if (!row->isHidden())
            out << row->user()->nick();
    }
    return out;
}

// The contact questions open now.
int openQuestions()
{
    int open = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        open += widget->inherits("MessageDialog") && widget->isVisible();
    return open;
}

QStringList numberedNicks(int count)
{
    QStringList nicks;
    for (int i = 0; i < count; ++i)
        nicks << QStringLiteral("req") + QString::number(i).rightJustified(5, QLatin1Char('0'));
    return nicks;
}

FriendWidget *rowOf(FriendsWidget *list, const QString &nick)
{
    for (FriendWidget *row : list->rows()) {
        if (row->user()->nick() == nick)
            return row;
    }
    return nullptr;
}

} // namespace

class TstTeamPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void signInFromThePane_data();
    void signInFromThePane();
    void contactsWithPresenceAndFilter();
    void viewOptionsAndTheirCommands();
    void chatOpenedSentAndReceived();
    void hostileNickAndMessageShownAsText();
    void contactRequestAnswered_data();
    void contactRequestAnswered();
    void withdrawnRequestClosesTheQuestion();
    void contactRequestsAskedOneAtATime_data();
    void contactRequestsAskedOneAtATime();
    void customPresenceMessage_data();
    void customPresenceMessage();
    void presenceEntriesReadOut_data();
    void presenceEntriesReadOut();
    void modeAnswers();
    void chatsBeforeThePage();
    void rowsFollowConnectionAndPictures();
    void contactsChangeUnderTheRowMenu_data();
    void contactsChangeUnderTheRowMenu();
    void pageGoesWithItsScrollBarShown();

private:
    void buildPage();
    FriendsContainer *pane() const { return m_chatUI->friendsContainer(); }

    std::unique_ptr<CheckedFakeServer> m_server;
    ModelsContainer *m_models = nullptr;
    ChatUI *m_chatUI = nullptr;
};

void TstTeamPage::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QSettings().clear();
    QFile::remove(Friends::localFilePath());
    PresenceManager::instance()->setPresence(Presence(Presence::Available, QString()));
    m_server = Team::startServer(QTest::currentTestFunction() != QByteArray("signInFromThePane"));
    QVERIFY(m_server);
}

void TstTeamPage::buildPage()
{
    m_models = new ModelsContainer;
    m_models->setFriends(new Friends(m_models));
    m_models->setChats(new Chats(m_models));
    m_chatUI = ChatUI::createInstance(m_models, nullptr);
    QCOMPARE(ChatUI::instance(), m_chatUI);
    pane()->resize(420, 400);
    pane()->show();
    QVERIFY(QTest::qWaitForWindowExposed(pane()));
}

void TstTeamPage::cleanup()
{
    ChatUI::destroyInstance();
    m_chatUI = nullptr;
    delete m_models;
    m_models = nullptr;
    Team::stopServer(m_server);
}

void TstTeamPage::signInFromThePane_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<bool>("signedIn");
    QTest::newRow("name typed with blanks") << "secret" << "  dora " << "secret" << true;
    // A password is taken as typed: its blanks are part of it.
    QTest::newRow("password with blanks") << " se cret " << "dora" << " se cret " << true;
    QTest::newRow("wrong password") << "secret" << "dora" << "wrong" << false;
}

void TstTeamPage::signInFromThePane()
{
    QFETCH(QString, password);
    QFETCH(QString, typedName);
    QFETCH(QString, typedPassword);
    QFETCH(bool, signedIn);
    m_server->addUser(QStringLiteral("dora"), password);
    m_server->addFriend(QStringLiteral("dora"), QStringLiteral("bob"));
    m_server->setPresence(QStringLiteral("bob"), QStringLiteral("available"));
    ServerSettings::instance()->setSettings(m_server->url(), QString(), QString());
    buildPage();

    // Down: the list with the switch to the form, no presence button.
    QVERIFY(!pane()->connectButton()->isHidden());
    QVERIFY(pane()->presenceButton()->isHidden());
    QCOMPARE(pane()->connectButton()->text(), QStringLiteral("connection"));
    QTest::mouseClick(pane()->connectButton(), Qt::LeftButton);
    ConnectionWidget *form = pane()->connectionWidget();
    QVERIFY(form->isVisible());
    QVERIFY(!pane()->friendsWidgetScroll()->isVisible());
    QCOMPARE(pane()->connectButton()->text(), QStringLiteral("contacts"));

    QTest::keyClicks(form->userNameEdit(), typedName);
    QTest::keyClicks(form->passwordEdit(), typedPassword);
    // What the form shows in each state the connection passes through.
    QStringList seen;
    QObject guard;
    connect(EventConnection::instance(), &EventConnection::stateChanged, &guard, [&]() {
        seen << QStringLiteral("%1:%2:%3")
                    .arg(int(EventConnection::instance()->state()))
                    .arg(form->messageLabel()->text())
                    .arg(form->connectButton()->isEnabled());
    });
    QTest::keyClick(form->passwordEdit(), Qt::Key_Return);
    QCOMPARE(ServerSettings::instance()->userName(), QStringLiteral("dora"));
    QCOMPARE(ServerSettings::instance()->password(), typedPassword);
    QTRY_VERIFY_WITH_TIMEOUT(seen.contains(QStringLiteral("2:Connecting...:0")), 5000);
    // Credentials changed elsewhere (the preferences) refill the form: a
    // change of the user alone, of the password alone, and back.
    ServerSettings::instance()->setCredentials(QStringLiteral("zoe"), typedPassword);
    QCOMPARE(form->userNameEdit()->text(), QStringLiteral("zoe"));
    ServerSettings::instance()->setCredentials(QStringLiteral("zoe"), QStringLiteral("x"));
    QCOMPARE(form->passwordEdit()->text(), QStringLiteral("x"));
    ServerSettings::instance()->setCredentials(QStringLiteral("dora"), typedPassword);
    QCOMPARE(form->userNameEdit()->text(), QStringLiteral("dora"));
    QCOMPARE(form->passwordEdit()->text(), typedPassword);

    if (!signedIn) {
        QTRY_COMPARE_WITH_TIMEOUT(EventConnection::instance()->state(), EventConnection::AuthFailed, 5000);
        QCOMPARE(form->messageLabel()->text(), QStringLiteral("Authorization failed."));
        QVERIFY(form->connectButton()->isEnabled());
        QVERIFY(form->isVisible());
        return;
    }
    // Up: the contacts come, the list is forced, the presence button shows.
    QTRY_COMPARE_WITH_TIMEOUT(visibleRows(m_chatUI->friendsWidget()), QStringList{"bob"}, 5000);
    QVERIFY(pane()->friendsWidgetScroll()->isVisible());
    QVERIFY(!form->isVisible());
    QVERIFY(pane()->connectButton()->isHidden());
    QVERIFY(!pane()->presenceButton()->isHidden());
    QCOMPARE(pane()->presenceButton()->text(), QStringLiteral("Available"));
    QTRY_COMPARE(rowOf(m_chatUI->friendsWidget(), "bob")->nameLabel()->text(), QStringLiteral("bob (bob)"));
    QVERIFY(rowOf(m_chatUI->friendsWidget(), "bob")->chatButton()->isVisible());
    QVERIFY(form->messageLabel()->text().isEmpty());
}

void TstTeamPage::contactsWithPresenceAndFilter()
{
    for (const char *nick : {"Bert", "anna", "zed"})
        m_server->addUser(QString::fromLatin1(nick), QStringLiteral("pw"));
    for (const char *nick : {"zed", "Bert", "anna", "bob"})
        m_server->addFriend(QStringLiteral("alice"), QString::fromLatin1(nick));
    m_server->setUserFields(QStringLiteral("anna"), {{QStringLiteral("user-real-name"), QStringLiteral("Anna Maria Berg")}});
    m_server->setPresence(QStringLiteral("bob"), QStringLiteral("busy"), QStringLiteral("<b>Lunch</b>"));
    buildPage();
    FriendsWidget *list = m_chatUI->friendsWidget();
    QTRY_COMPARE_WITH_TIMEOUT(list->rows().size(), 4, 5000);
    // Sorted as people sort names, not by character codes.
    QCOMPARE(visibleRows(list), (QStringList{"anna", "Bert", "bob", "zed"}));
    // Another user's message is text, not markup.
    auto *presence = rowOf(list, "bob")->findChild<QLabel *>(QStringLiteral("presencetextlabel"));
    QVERIFY(presence->text().contains(QStringLiteral("&lt;b&gt;Lunch&lt;/b&gt;")));

    QTRY_COMPARE(User::get("anna")->realName(), QStringLiteral("Anna Maria Berg"));
    QLineEdit *search = pane()->searchOverlay()->lineEdit();
    QTest::keyClicks(search, QStringLiteral(" ma"));
    QCOMPARE(pane()->searchOverlay()->filter(), QStringLiteral("ma"));
    QCOMPARE(visibleRows(list), QStringList{"anna"});
    search->clear();
    QTest::keyClicks(search, QStringLiteral("BERG"));
    QCOMPARE(visibleRows(list), QStringList{"anna"});
    search->clear();
    QTest::keyClicks(search, QStringLiteral("aria"));
    QCOMPARE(visibleRows(list), QStringList());

    // A rebuild keeps the filter: new rows are filtered like the old ones.
    search->clear();
    QTest::keyClicks(search, QStringLiteral("b"));
    QCOMPARE(visibleRows(list), (QStringList{"anna", "Bert", "bob"}));
    QSignalSpy changed(m_models->friends(), &Friends::changed);
    m_server->pushEvent("alice", "add", "/users/alice/friends", Team::userPresence("dave", "available"));
    QVERIFY(changed.wait(5000));
    QCOMPARE(list->rows().size(), 5);
    // Each rebuild leaves the rows, the gap below them and the stretch, nothing older.
    QCOMPARE(list->layout()->count(), 5 + 2);
    QCOMPARE(visibleRows(list), (QStringList{"anna", "Bert", "bob"}));

    pane()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(pane()));
    QTest::keyClick(pane(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(search->hasFocus());
    QTest::keyClick(search, Qt::Key_Escape);
    QVERIFY(search->text().isEmpty());
    QCOMPARE(visibleRows(list).size(), 5);

    // The search bar sits 10 pixels above the bottom, 17 from the left, and
    // keeps clear of the scroll bar when the unfolded details bring one.
    FriendsSearchWidget *bar = pane()->searchOverlay();
    QCOMPARE(bar->geometry().bottom() + 1, pane()->height() - 10);
    QCOMPARE(bar->x(), 17);
    QCOMPARE(bar->width(), pane()->width() - 34);
    pane()->resize(420, 220);
    rowOf(list, "anna")->setInfoShown(true);
    QTRY_VERIFY(pane()->friendsWidgetScroll()->verticalScrollBar()->isVisible());
    QTRY_COMPARE(bar->width(), pane()->width() - 51);
    QCOMPARE(bar->geometry().bottom() + 1, 210);
    rowOf(list, "anna")->setInfoShown(false);

    // Selection and details: one row at a time.
    FriendWidget *bert = rowOf(list, "Bert");
    FriendWidget *zed = rowOf(list, "zed");
    QTest::mouseDClick(bert, Qt::LeftButton);
    QVERIFY(bert->isInfoShown() && bert->isSelected());
    QTest::mouseClick(zed->infoButton(), Qt::LeftButton);
    QVERIFY(zed->isInfoShown() && zed->isSelected());
    QVERIFY(!bert->isInfoShown() && !bert->isSelected());
    QTest::mouseClick(zed->collapseButton(), Qt::LeftButton);
    QVERIFY(!zed->isInfoShown() && zed->isSelected());
}

void TstTeamPage::viewOptionsAndTheirCommands()
{
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    m_server->setPresence(QStringLiteral("bob"), QStringLiteral("idle"));
    buildPage();
    FriendsWidget *list = m_chatUI->friendsWidget();
    QTRY_COMPARE_WITH_TIMEOUT(visibleRows(list), (QStringList{"bob", "carol"}), 5000);
    const QList<QAction *> commands = m_chatUI->shortcutActions();
    QAction *pictures = commands.at(2);
    QAction *offline = commands.at(3);
    QVERIFY(pictures->isChecked() && offline->isChecked());

    pictures->trigger();
    QVERIFY(!pictures->isChecked());
    QVERIFY(!list->showAvatars());
    QCOMPARE(QSettings().value("friends/show-avatars").toBool(), false);
    QVERIFY(rowOf(list, "bob")->avatarLabel()->isHidden());

    offline->trigger();
    QCOMPARE(QSettings().value("friends/show-offline").toBool(), false);
    QCOMPARE(visibleRows(list), QStringList{"bob"});
    // Typing a name shows an offline contact that matches.
    QTest::keyClicks(pane()->searchOverlay()->lineEdit(), QStringLiteral("car"));
    QCOMPARE(visibleRows(list), QStringList{"carol"});
    pane()->searchOverlay()->lineEdit()->clear();
    QSignalSpy presence(User::get("carol"), &User::presenceChanged);
    m_server->pushEvent("alice", "add", "/users/alice/friends", Team::userPresence("carol", "available"));
    QVERIFY(presence.wait(5000));
    QCOMPARE(visibleRows(list), (QStringList{"bob", "carol"}));

    // Changed elsewhere than through the commands: the commands follow.
    list->setShowOffline(true);
    list->setShowAvatars(true);
    QVERIFY(offline->isChecked() && pictures->isChecked());

    // The choice outlives the page.
    list->setShowAvatars(false);
    ChatUI::destroyInstance();
    m_chatUI = ChatUI::createInstance(m_models, nullptr);
    QVERIFY(!m_chatUI->friendsWidget()->showAvatars());
    QVERIFY(!m_chatUI->shortcutActions().at(2)->isChecked());
}

void TstTeamPage::chatOpenedSentAndReceived()
{
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    buildPage();
    FriendsWidget *list = m_chatUI->friendsWidget();
    QTRY_VERIFY_WITH_TIMEOUT(rowOf(list, "bob"), 5000);
    QTest::mouseClick(rowOf(list, "bob")->chatButton(), Qt::LeftButton);
    Chat *chat = m_models->chats()->chatWithUser(User::get("bob"));
    QVERIFY(chat);
    ChatWindow *window = m_chatUI->chatWindow(chat);
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->titleText(), QStringLiteral("bob"));
    QVERIFY(window->presenceIcon()->isVisibleTo(window));
    // carol is offered for the conference, bob is not.
    QVERIFY(window->addParticipantButton()->menu());
    QCOMPARE(window->addParticipantButton()->menu()->actions().size(), 1);
    QCOMPARE(window->addParticipantButton()->menu()->actions().first()->text(), QStringLiteral("carol"));

    QTest::keyClicks(window->inputEdit(), QStringLiteral("hello bob"));
    QTest::keyClick(window->inputEdit(), Qt::Key_Return);
    QVERIFY(window->inputEdit()->toPlainText().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_server->chats().size(), 1, 5000);
    const quint32 id = m_server->chats().first().id;
    QTRY_COMPARE(m_server->chat(id).messages.size(), 1);
    QCOMPARE(m_server->chat(id).messages.first().text, QStringLiteral("hello bob"));
    QVERIFY(window->textBrowser()->toPlainText().contains(QStringLiteral("alice: hello bob")));

    // bob answers through the event stream; typing shows in the title.
    QTRY_VERIFY(chat->isConnected());
    m_server->pushEvent("alice", "add", QStringLiteral("/chats/%1/activity").arg(id),
                        "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">bob</span></div>"
                        "<div class=\"pd-chat-activity\">typing</div></body>");
    QTRY_COMPARE(window->windowTitle().isEmpty() ? window->titleText() : window->titleText(),
                 QStringLiteral("bob is writing..."));
    window->hide();
    m_server->pushEvent("alice", "add", QStringLiteral("/chats/%1").arg(id),
                        "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">bob</span></div>"
                        "<div class=\"pd-message\">hi alice</div></body>");
    QTRY_VERIFY(window->textBrowser()->toPlainText().contains(QStringLiteral("bob: hi alice")));
    // Available: an incoming message brings the window back.
    QVERIFY(window->isVisible());

    // Busy: the log follows, the window stays away.
    PresenceManager::instance()->setPresence(Presence(Presence::Busy, QString()));
    window->hide();
    m_server->pushEvent("alice", "add", QStringLiteral("/chats/%1").arg(id),
                        "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">bob</span></div>"
                        "<div class=\"pd-message\">still there?</div></body>");
    QTRY_VERIFY(window->textBrowser()->toPlainText().contains(QStringLiteral("still there?")));
    QVERIFY(!window->isVisible());

    // Starting a chat with bob again brings the same window.
    QTest::mouseClick(rowOf(list, "bob")->chatButton(), Qt::LeftButton);
    QVERIFY(window->isVisible());
    QCOMPARE(m_models->chats()->chats().size(), 1);
}

void TstTeamPage::hostileNickAndMessageShownAsText()
{
    const QString eve = QStringLiteral("<img src=x>eve&amp;");
    m_server->addUser(eve, QStringLiteral("pw"));
    m_server->addFriend(QStringLiteral("alice"), eve);
    buildPage();
    // Her row's menu names her as she is: the "&" is not a shortcut mark.
    QTRY_VERIFY_WITH_TIMEOUT(rowOf(m_chatUI->friendsWidget(), eve), 5000);
    FriendWidget *row = rowOf(m_chatUI->friendsWidget(), eve);
    QStringList entries;
    DialogDriver::whenDialog(&QApplication::activePopupWidget, [&entries](QWidget *popup) {
        for (QAction *action : popup->actions())
            entries << action->text();
        QTest::keyClick(popup, Qt::Key_Escape);
    }, 200);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, row->rect().center(), row->mapToGlobal(row->rect().center()));
    QApplication::sendEvent(row, &menuEvent);
    QVERIFY2(entries.contains(QStringLiteral("Chat to <img src=x>eve&&amp;")), qPrintable(entries.join(" | ")));
    QSignalSpy added(m_models->chats(), &Chats::chatAdded);
    const quint32 id = m_server->addChat({QStringLiteral("alice"), eve});
    m_server->pushEvent("alice", "add", "/users/alice/chats-current",
                        "<body><div class=\"pd-chat-data\"><span class=\"pd-chat-id\">" + QByteArray::number(id)
                            + "</span><dl class=\"pd-chat-fields\"><dt>modified-time</dt><dd>"
                            + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).left(19).toLatin1()
                            + "</dd></dl><ul class=\"pd-user-ref-list\"><li class=\"pd-user-ref\">"
                              "<span class=\"pd-user-nick\">&lt;img src=x&gt;eve&amp;amp;</span></li></ul></div></body>");
    QTRY_VERIFY_WITH_TIMEOUT(!added.isEmpty(), 5000);
    Chat *chat = added.first().first().value<Chat *>();
    ChatWindow *window = m_chatUI->chatWindow(chat);
    QVERIFY(window);
    // Announced by the server, not started here: it waits hidden.
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(chat->isConnected());
    m_server->pushEvent("alice", "add", QStringLiteral("/chats/%1").arg(id),
                        "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">&lt;img src=x&gt;eve&amp;amp;"
                        "</span></div><div class=\"pd-message\">&lt;b&gt;hi&lt;/b&gt; &amp; see "
                        "http://a.example/x\nbye u@mail.example</div></body>");
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
    const QString text = window->textBrowser()->toPlainText();
    QVERIFY2(text.contains(eve + QStringLiteral(": <b>hi</b> & see http://a.example/x")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nbye u@mail.example")), qPrintable(text));
    const QString html = window->textBrowser()->toHtml();
    QVERIFY(html.contains(QStringLiteral("href=\"http://a.example/x\"")));
    QVERIFY(html.contains(QStringLiteral("href=\"mailto:u@mail.example\"")));
    QVERIFY(!html.contains(QStringLiteral("<img")));
    QCOMPARE(window->titleText(), eve);
}

void TstTeamPage::contactRequestAnswered_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("request");
    QTest::newRow("accepted") << true << "POST /users/dave/friend-requests";
    QTest::newRow("declined") << false << "DELETE /users/alice/friend-requests/dave";
}

void TstTeamPage::contactRequestAnswered()
{
    QFETCH(bool, accept);
    QFETCH(QString, request);
    m_server->addUser(QStringLiteral("dave"), QStringLiteral("pw"));
    buildPage();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests("GET", "friend-requests$").size(), 1, 5000);
    QString asked;
    DialogDriver::whenModal([&](QWidget *dialog) {
        asked = dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
        QTest::mouseClick(static_cast<CustomDialog *>(dialog)->findChild<QPushButton *>(
                              accept ? QStringLiteral("okbutton") : QStringLiteral("cancelbutton")),
                          Qt::LeftButton);
    });
    m_server->addFriendRequest(QStringLiteral("dave"), QStringLiteral("alice"));
    m_server->pushEvent("alice", "add", "/users/alice/friend-requests", Team::userRef("dave"));
    QTRY_COMPARE_WITH_TIMEOUT(asked, QStringLiteral("Add dave as a contact?"), 5000);
    QTRY_VERIFY(Team::targets(*m_server, "dave").contains(request));
    if (accept)
        QTRY_COMPARE(visibleRows(m_chatUI->friendsWidget()), QStringList{"dave"});
}

void TstTeamPage::withdrawnRequestClosesTheQuestion()
{
    m_server->addUser(QStringLiteral("dave"), QStringLiteral("pw"));
    buildPage();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests("GET", "friend-requests$").size(), 1, 5000);
    QPointer<QWidget> question;
    bool asked = false;
    DialogDriver::whenModal([&](QWidget *dialog) {
        question = dialog;
        asked = true;
        m_server->pushEvent("alice", "remove", "/users/alice/friend-requests", Team::userRef("dave"));
    });
    m_server->pushEvent("alice", "add", "/users/alice/friend-requests", Team::userRef("dave"));
    QTRY_VERIFY_WITH_TIMEOUT(asked, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!question, 2000);
    QTest::qWait(50);
    // Nobody answered: nothing is sent about it.
    QCOMPARE(Team::targets(*m_server, "friend-requests/|/users/dave/friend"), QStringList());
}

void TstTeamPage::contactRequestsAskedOneAtATime_data()
{
    QTest::addColumn<QStringList>("pending"); // held by the server at the start
    QTest::addColumn<QStringList>("pushed"); // sent while the first question is open; "-nick": withdrawn
    QTest::addColumn<int>("answered"); // then the page goes, with questions still to ask
    QTest::addColumn<QStringList>("asked");
    const QStringList fifty = numberedNicks(50);
    QTest::newRow("50 pending, answered in arrival order") << fifty << QStringList() << 50 << fifty;
    QTest::newRow("49 sent while the first is open") << fifty.mid(0, 1) << fifty.mid(1) << 50 << fifty;
    QTest::newRow("a repeat asked once") << QStringList{"dave", "erin"} << QStringList{"dave", "erin", "frank", "dave"}
                                         << 3 << QStringList{"dave", "erin", "frank"};
    QTest::newRow("a waiting request withdrawn is not asked") << QStringList{"dave", "erin", "frank"}
                                                              << QStringList{"-erin"} << 2 << QStringList{"dave", "frank"};
    QTest::newRow("the one asked withdrawn: the next is asked") << QStringList{"dave", "erin"} << QStringList{"-dave"}
                                                                << 1 << QStringList{"dave", "erin"};
    QTest::newRow("a request never made withdrawn: the question stays") << QStringList{"dave", "erin"}
                                                                         << QStringList{"-zed"} << 2
                                                                         << QStringList{"dave", "erin"};
    const QStringList many = numberedNicks(15000);
    QTest::newRow("15,000 pending, the page goes after two") << many << QStringList() << 2 << many.mid(0, 3);
}

// However many requests come, one question is open at a time; they are
// asked in the order they came, each nick once, and each answer goes to the
// server as it is given. A question whose request is withdrawn closes
// unanswered.
void TstTeamPage::contactRequestsAskedOneAtATime()
{
    QFETCH(QStringList, pending);
    QFETCH(QStringList, pushed);
    QFETCH(int, answered);
    QFETCH(QStringList, asked);
    for (const QString &nick : pending)
        m_server->addFriendRequest(nick, QStringLiteral("alice"));
    // Questions nobody answers (a failed check) are closed, so that the
    // test fails instead of hanging.
    QTimer rescue;
    connect(&rescue, &QTimer::timeout, [] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("MessageDialog") && widget->isVisible())
                QMetaObject::invokeMethod(widget, "reject");
        }
    });
    rescue.start(10000);
    QStringList questions;
    int given = 0;
    int mostOpen = 0;
    std::function<void(QWidget *)> answer = [&](QWidget *dialog) {
        questions << dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
        if (questions.size() == 1 && !pushed.isEmpty()) {
            QSignalSpy added(m_models->friends(), &Friends::friendRequestReceived);
            QSignalSpy withdrawn(m_models->friends(), &Friends::friendRequestWithdrawn);
            const int withdrawals = int(pushed.filter(QRegularExpression(QStringLiteral("^-"))).size());
            for (QString nick : pushed) {
                const bool withdraw = nick.startsWith(QLatin1Char('-'));
                m_server->pushEvent("alice", withdraw ? "remove" : "add", "/users/alice/friend-requests",
                                    Team::userRef(withdraw ? nick.remove(0, 1) : nick));
            }
            QTRY_COMPARE(added.count() + withdrawn.count(), pushed.size());
            QCOMPARE(withdrawn.count(), withdrawals);
            QCoreApplication::processEvents();
        }
        mostOpen = qMax(mostOpen, openQuestions());
        const bool more = questions.size() < asked.size();
        // Withdrawn while asked: closed at once, and nobody answered it.
        const bool withdrawn = pushed.contains(QLatin1Char('-') + asked.value(questions.size() - 1));
        QCOMPARE(dialog->isVisible(), !withdrawn);
        if (withdrawn) {
            if (more)
                DialogDriver::whenModal(answer);
            return;
        }
        if (given == answered) {
            // The program ends with the rest still waiting; the question
            // open goes with it.
            ChatUI::destroyInstance();
            m_chatUI = nullptr;
            QVERIFY(!dialog->isVisible());
            return;
        }
        // Ok by mouse, Escape from the keyboard, in turn.
        if (given++ % 2 == 0)
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okbutton")), Qt::LeftButton);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
        if (more)
            DialogDriver::whenModal(answer);
    };
    DialogDriver::whenModal(answer, 3000);
    buildPage();
    QTRY_COMPARE_WITH_TIMEOUT(questions.size(), asked.size(), 30000);
    QStringList expected;
    QStringList answers;
    for (const QString &nick : asked) {
        expected << QStringLiteral("Add %1 as a contact?").arg(nick);
        if (answers.size() < answered && !pushed.contains(QLatin1Char('-') + nick))
            answers << (answers.size() % 2 == 0 ? QStringLiteral("POST /users/%1/friend-requests").arg(nick)
                                                : QStringLiteral("DELETE /users/alice/friend-requests/") + nick);
    }
    QCOMPARE(questions, expected);
    QCOMPARE(mostOpen, 1);
    const auto sentAnswers = [this] {
        return Team::targets(*m_server, QStringLiteral("friend-requests")).filter(QRegularExpression(QStringLiteral("^(POST|DELETE) ")));
    };
    QTRY_COMPARE(sentAnswers(), answers);
    QTest::qWait(50);
    QCOMPARE(openQuestions(), 0);
    QCOMPARE(sentAnswers(), answers);
}

void TstTeamPage::customPresenceMessage_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("message");
    QTest::newRow("available, trimmed") << 1 << true << "  out for lunch  " << int(Presence::Available)
                                        << "out for lunch";
    QTest::newRow("busy") << 3 << true << "call" << int(Presence::Busy) << "call";
    QTest::newRow("cut at 40") << 3 << true << QString(45, QLatin1Char('x')) << int(Presence::Busy)
                               << QString(40, QLatin1Char('x'));
    // Cancel keeps what the user had.
    QTest::newRow("cancelled") << 3 << false << "call" << int(Presence::Available) << "before";
}

void TstTeamPage::customPresenceMessage()
{
    QFETCH(int, entry);
    QFETCH(bool, accept);
    QFETCH(QString, typed);
    QFETCH(int, state);
    QFETCH(QString, message);
    buildPage();
    PresenceManager::instance()->setPresence(Presence(Presence::Available, QStringLiteral("before")));
    QCOMPARE(pane()->presenceButton()->text(), QStringLiteral("before"));
    const QList<QAction *> entries = pane()->presenceMenu()->actions();
    QCOMPARE(entries.size(), 5);
    QCOMPARE(entries.at(entry)->text(), QStringLiteral("Custom message..."));
    DialogDriver::whenModal([&](QWidget *dialog) {
        auto *entryDialog = qobject_cast<StringEntryDialog *>(dialog);
        QTest::keyClicks(entryDialog->lineEdit(), typed);
        QTest::keyClick(entryDialog->lineEdit(), accept ? Qt::Key_Return : Qt::Key_Escape);
    });
    entries.at(entry)->trigger();
    QCOMPARE(int(PresenceManager::instance()->presence().state()), state);
    QCOMPARE(PresenceManager::instance()->presence().message(), message);
    QCOMPARE(pane()->presenceButton()->text(), message);
}

// Assistive tools read each presence entry by the state it sets: the two
// entries that ask for a message show the same text, not the same name.
void TstTeamPage::presenceEntriesReadOut_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("state"); // set by pressing it there
    QTest::addColumn<QString>("message");
    QTest::newRow("available") << 0 << "Available" << "Available" << int(Presence::Available) << "";
    QTest::newRow("available with a message") << 1 << "Custom message..." << "Available with a custom message..."
                                              << int(Presence::Available) << "tea";
    QTest::newRow("busy") << 2 << "Busy" << "Busy" << int(Presence::Busy) << "";
    QTest::newRow("busy with a message") << 3 << "Custom message..." << "Busy with a custom message..."
                                         << int(Presence::Busy) << "tea";
    QTest::newRow("unavailable") << 4 << "Unavailable" << "Unavailable" << int(Presence::Unavailable) << "";
}

void TstTeamPage::presenceEntriesReadOut()
{
    QFETCH(int, entry);
    QFETCH(QString, shown);
    QFETCH(QString, name);
    QFETCH(int, state);
    QFETCH(QString, message);
    buildPage();
    PresenceManager::instance()->setPresence(Presence(Presence::Idle, QStringLiteral("before")));
    QMenu *menu = pane()->presenceMenu();
    menu->popup(pane()->presenceButton()->mapToGlobal(QPoint(0, pane()->presenceButton()->height())));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QAction *action = menu->actions().at(entry);
    menu->setActiveAction(action);

    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(menu);
    QVERIFY(list);
    QCOMPARE(list->childCount(), 5);
    QAccessibleInterface *item = list->child(entry);
    QVERIFY(item && item->isValid());
    QCOMPARE(action->text(), shown);
    QCOMPARE(item->text(QAccessible::Name), name);
    QCOMPARE(item->object(), action);
    QCOMPARE(item->role(), QAccessible::MenuItem);
    QCOMPARE(item->parent(), list);
    QCOMPARE(list->indexOfChild(item), entry);
    QVERIFY(item->state().focused);
    QVERIFY(!item->state().invisible && !item->state().disabled);
    const QRect area = menu->actionGeometry(action);
    QCOMPARE(item->rect(), QRect(menu->mapToGlobal(area.topLeft()), area.size()));

    // Pressed from there, it sets its state.
    if (!message.isEmpty()) {
        DialogDriver::whenModal([message](QWidget *dialog) {
            auto *entryDialog = qobject_cast<StringEntryDialog *>(dialog);
            QTest::keyClicks(entryDialog->lineEdit(), message);
            QTest::keyClick(entryDialog->lineEdit(), Qt::Key_Return);
        });
    }
    QAccessibleActionInterface *press = item->actionInterface();
    QVERIFY(press);
    QVERIFY(press->actionNames().contains(QAccessibleActionInterface::pressAction()));
    press->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(int(PresenceManager::instance()->presence().state()), state);
    QCOMPARE(PresenceManager::instance()->presence().message(), message);
    menu->hide();
}

void TstTeamPage::modeAnswers()
{
    buildPage();
    QStringList texts;
    for (QAction *action : m_chatUI->shortcutActions())
        texts << action->text() + QLatin1Char('|') + action->shortcut().toString();
    QCOMPARE(texts, (QStringList{"Add +|", "Sync contacts|F5", "Show pictures|", "Show offline contacts|"}));
    QCOMPARE(m_chatUI->syncAction(), m_chatUI->shortcutActions().at(1));
    QCOMPARE(m_chatUI->centralWidget(), pane());
    QCOMPARE(m_chatUI->bottomBarLeftWidget()->objectName(), QStringLiteral("addfriendbutton"));
    QCOMPARE(static_cast<QToolButton *>(m_chatUI->bottomBarLeftWidget())->text(), QStringLiteral("Add +"));
    auto *view = static_cast<QToolButton *>(m_chatUI->bottomBarRightWidget());
    QCOMPARE(view->text(), QStringLiteral("View"));
    QCOMPARE(view->menu()->actions(), m_chatUI->shortcutActions().mid(2));
    QCOMPARE(m_chatUI->titleBarWidgets().size(), 1);
    QStringList presences;
    for (QAction *action : pane()->presenceMenu()->actions())
        presences << action->text();
    QCOMPARE(presences,
             (QStringList{"Available", "Custom message...", "Busy", "Custom message...", "Unavailable"}));

    // The contact sync fetches every contact's details.
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    QTRY_COMPARE_WITH_TIMEOUT(m_models->friends()->friends().size(), 1, 5000);
    m_server->clearRequests();
    m_server->setUserFields(QStringLiteral("bob"), {{QStringLiteral("user-real-name"), QStringLiteral("Bob Stone")}});
    m_chatUI->syncAction()->trigger();
    QTRY_COMPARE(User::get("bob")->realName(), QStringLiteral("Bob Stone"));
    QTRY_COMPARE(rowOf(m_chatUI->friendsWidget(), "bob")->nameLabel()->text(), QStringLiteral("Bob Stone (bob)"));
}

void TstTeamPage::chatsBeforeThePage()
{
    m_models = new ModelsContainer;
    m_models->setFriends(new Friends(m_models));
    m_models->setChats(new Chats(m_models));
    const quint32 id = m_server->addChat({QStringLiteral("alice"), QStringLiteral("bob")});
    QTRY_VERIFY_WITH_TIMEOUT(m_models->chats()->chatById(id), 5000);
    // Reached before it was made: made on demand.
    m_chatUI = ChatUI::instance(m_models, nullptr);
    QVERIFY(m_chatUI);
    QVERIFY(m_chatUI->chatWindow(m_models->chats()->chatById(id))->isVisible());
    ChatUI::destroyInstance();
    m_chatUI = ChatUI::instance(m_models, nullptr);
    QVERIFY(m_chatUI && m_chatUI->chatWindow(m_models->chats()->chatById(id)));
}

void TstTeamPage::rowsFollowConnectionAndPictures()
{
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    QByteArray wide;
    QBuffer buffer(&wide);
    QImage image(88, 60, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QVERIFY(image.save(&buffer, "JPG"));
    // A user whose picture this process has not fetched yet.
    m_server->addUser(QStringLiteral("frank"), QStringLiteral("pw"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("frank"));
    m_server->setAvatar(QStringLiteral("frank"), wide);
    buildPage();
    FriendsWidget *list = m_chatUI->friendsWidget();
    QTRY_VERIFY_WITH_TIMEOUT(rowOf(list, "frank") && rowOf(list, "carol"), 5000);
    // A large picture is scaled down to fit, keeping its shape.
    QTRY_COMPARE_WITH_TIMEOUT(rowOf(list, "frank")->avatarLabel()->pixmap().size(), QSize(44, 30), 5000);

    // The chat buttons go with the connection and come back with it.
    QVERIFY(rowOf(list, "carol")->chatButton()->isVisible());
    QSignalSpy down(EventConnection::instance(), &EventConnection::disconnected);
    m_server->setRefuseEventConnections(true);
    m_server->closeEventStreams();
    QVERIFY(down.wait(5000));
    QVERIFY(!rowOf(list, "carol")->chatButton()->isVisible());
    QVERIFY(!pane()->connectButton()->isHidden());
    QVERIFY(pane()->presenceButton()->isHidden());
    QSignalSpy up(EventConnection::instance(), &EventConnection::connected);
    m_server->setRefuseEventConnections(false);
    QVERIFY(up.wait(5000));
    QTRY_VERIFY(rowOf(list, "carol") && rowOf(list, "carol")->chatButton()->isVisible());
}

void TstTeamPage::contactsChangeUnderTheRowMenu_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("removed");
    QTest::newRow("menu, contact added") << "menu" << "added" << false;
    QTest::newRow("menu, connection dropped") << "menu" << "dropped" << false;
    QTest::newRow("question, contact added, yes") << "yes" << "added" << true;
    QTest::newRow("question, connection dropped, yes") << "yes" << "dropped" << true;
    QTest::newRow("question, contact added, no") << "no" << "added" << false;
}

// The rows are rebuilt while a row's menu or its question is open: the row
// goes, nothing uses it afterwards, and the answer given still counts.
void TstTeamPage::contactsChangeUnderTheRowMenu()
{
    QFETCH(QString, step);
    QFETCH(QString, change);
    QFETCH(bool, removed);
    m_server->addUser(QStringLiteral("dave"), QStringLiteral("pw"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("bob"));
    m_server->addFriend(QStringLiteral("alice"), QStringLiteral("carol"));
    buildPage();
    FriendsWidget *list = m_chatUI->friendsWidget();
    QTRY_VERIFY_WITH_TIMEOUT(rowOf(list, "bob") && rowOf(list, "carol"), 5000);
    QTest::qWait(50);
    m_server->clearRequests();
    const QPointer<FriendWidget> row = rowOf(list, "bob");

    bool goneWhileOpen = false;
    QStringList entries;
    QString asked;
    const auto changeContacts = [&] {
        if (change == QLatin1String("added")) {
            m_server->addFriend(QStringLiteral("alice"), QStringLiteral("dave"));
            m_server->pushEvent("alice", "add", "/users/alice/friends", Team::userPresence("dave", "available"));
        } else {
            m_server->setRefuseEventConnections(true);
            m_server->closeEventStreams();
        }
        // The old rows are deleted while the menu or question still runs.
        goneWhileOpen = QTest::qWaitFor([&] { return row.isNull(); }, 5000);
    };
    QTimer::singleShot(10, this, [&] {
        const QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *entry : menu->actions())
            entries << entry->text();
        if (step == QLatin1String("menu")) {
            changeContacts();
            if (menu)
                QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        DialogDriver::whenModal([&](QWidget *dialog) {
            asked = dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
            changeContacts();
            QTest::mouseClick(dialog->findChild<QPushButton *>(step == QLatin1String("yes")
                                                                   ? QStringLiteral("okbutton")
                                                                   : QStringLiteral("cancelbutton")),
                              Qt::LeftButton);
        });
        QTest::keyClick(menu, Qt::Key_Up);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    // Through the window, as the system delivers a right click: the press
    // brings the menu.
    QWindow *window = pane()->window()->windowHandle();
    const QPoint at = row->mapTo(pane()->window(), QPoint(5, 5));
    QTest::mousePress(window, Qt::RightButton, {}, at);
    QTest::mouseRelease(window, Qt::RightButton, {}, at);
    QVERIFY(!QApplication::activePopupWidget());
    QCOMPARE(entries, (QStringList{"Chat to bob", "Remove contact"}));
    QCOMPARE(asked, step == QLatin1String("menu") ? QString()
                                                   : QStringLiteral("Are you sure you want to remove bob as a contact?"));
    QVERIFY(goneWhileOpen);
    QVERIFY(!row);
    if (removed) {
        QTRY_VERIFY(!m_models->friends()->isFriend(User::get(QStringLiteral("bob"))));
        QTRY_VERIFY(!m_server->user(QStringLiteral("bob")).friends.contains(QStringLiteral("alice")));
    } else {
        QTest::qWait(50);
        QVERIFY(m_models->friends()->isFriend(User::get(QStringLiteral("bob"))));
        QCOMPARE(Team::targets(*m_server, QStringLiteral("/friends/")).filter(QStringLiteral("DELETE")),
                 QStringList());
    }
    m_server->setRefuseEventConnections(false);
}

// The page is destroyed at every quit, its list's scroll bar hiding with it
// while the scroll area goes: the search bar's placing must not follow it.
void TstTeamPage::pageGoesWithItsScrollBarShown()
{
    for (int i = 0; i < 30; ++i) {
        const QString nick = QStringLiteral("friend%1").arg(i, 2, 10, QLatin1Char('0'));
        m_server->addUser(nick, QStringLiteral("pw"));
        m_server->addFriend(QStringLiteral("alice"), nick);
    }
    buildPage();
    pane()->resize(420, 220);
    QTRY_VERIFY_WITH_TIMEOUT(m_chatUI->friendsWidget()->rows().size() >= 30, 5000);
    QTRY_VERIFY(pane()->friendsWidgetScroll()->verticalScrollBar()->isVisible());
    QCOMPARE(pane()->searchOverlay()->width(), pane()->width() - 51);
    const QPointer<FriendsContainer> page = pane();
    ChatUI::destroyInstance();
    m_chatUI = nullptr;
    QVERIFY(!page);
}

PLUMDECK_TEST_MAIN(TstTeamPage)
#include "tst_teampage.moc"
