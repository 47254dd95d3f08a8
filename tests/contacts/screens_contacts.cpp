// Screens of Team mode: the contacts pane, a chat window, the add-contact
// dialog, the contact details and the presence displays.

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

#include "contacts/addfrienddialog.h"
#include "contacts/chat.h"
#include "contacts/chatedit.h"
#include "contacts/chats.h"
#include "contacts/chatui.h"
#include "contacts/chatwindow.h"
#include "contacts/connectionicon.h"
#include "contacts/friends.h"
#include "contacts/friendscontainer.h"
#include "contacts/friendswidget.h"
#include "contacts/friendwidget.h"
#include "contacts/presencemanager.h"
#include "model/modelscontainer.h"
#include "shell/mainwindow.h"
#include "teamfixture.h"

#include "contacts/presenceicon.h"
#include "contacts/presencelabel.h"
#include "contacts/user.h"
#include "contacts/userinfowidget.h"
#include "screens.h"

PLUMDECK_SCREEN(contactDetails)
{
    User *user = User::get(QStringLiteral("screen-bob"));
    user->setFields({{"user-real-name", "Bob Stone"},
                     {"user-email", "bob@example.org"},
                     {"user-address", "Storgata 1"},
                     {"user-country", "Norway"},
                     {"user-state", "Oslo"},
                     {"user-company", "Stone & Sons"},
                     {"user-job-title", "Carpenter"},
                     {"user-phone-mobile", "+47 000 00 000"}});
    UserInfoWidget details(user);
    details.resize(420, details.sizeHint().height());
    QVERIFY(!shoot(&details, QStringLiteral("contact-details")).isNull());
}

PLUMDECK_SCREEN(presenceDisplays)
{
    QWidget panel;
    auto *grid = new QGridLayout(&panel);
    const QList<Presence> presences{Presence(Presence::Available, QString()), Presence(Presence::Idle, QString()),
                                    Presence(Presence::Busy, QStringLiteral("In a meeting")),
                                    Presence(Presence::Unavailable, QString()), Presence()};
    for (int i = 0; i < presences.size(); ++i) {
        User *user = User::get(QStringLiteral("screen-presence-%1").arg(i));
        user->setPresence(presences.at(i));
        grid->addWidget(new PresenceIcon(user, &panel), i, 0);
        grid->addWidget(new PresenceLabel(user, &panel), i, 1);
        auto *coloured = new PresenceLabel(user, &panel);
        coloured->setColored(true);
        grid->addWidget(coloured, i, 2);
    }
    QVERIFY(!shoot(&panel, QStringLiteral("presence-displays")).isNull());
}

namespace {

// alice signed in with three contacts, the Team page built over them.
struct TeamScene
{
    std::unique_ptr<CheckedFakeServer> server;
    ModelsContainer models;
    ChatUI *chatUI = nullptr;

    bool start()
    {
        server = Team::startServer(false);
        if (!server)
            return false;
        server->addUser(QStringLiteral("bob"), QStringLiteral("secret"), QStringLiteral("Bob Stone"));
        server->addUser(QStringLiteral("carol"), QStringLiteral("secret"), QStringLiteral("Carol Day"));
        server->addUser(QStringLiteral("dave"), QStringLiteral("secret"), QStringLiteral("Dave Berg"));
        for (const char *nick : {"bob", "carol", "dave"})
            server->addFriend(QStringLiteral("alice"), QString::fromLatin1(nick));
        server->setPresence(QStringLiteral("bob"), QStringLiteral("busy"), QStringLiteral("In a meeting"));
        server->setPresence(QStringLiteral("carol"), QStringLiteral("available"));
        QSignalSpy connected(EventConnection::instance(), &EventConnection::connected);
        ServerSettings::instance()->setSettings(server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
        if (!EventConnection::instance()->isConnected() && !connected.wait(5000))
            return false;
        PresenceManager::instance()->setPresence(Presence(Presence::Available, QString()));
        if (!models.hasFriends()) {
            models.setFriends(new Friends(&models));
            models.setChats(new Chats(&models));
        }
        chatUI = ChatUI::createInstance(&models, nullptr);
        for (int i = 0; i < 500 && (chatUI->friendsWidget()->rows().size() < 3
                                    || !server->requests("GET", QStringLiteral("^/users/dave$")).size());
             ++i)
            QTest::qWait(10);
        QTest::qWait(50);
        return chatUI->friendsWidget()->rows().size() == 3;
    }

    ~TeamScene()
    {
        if (chatUI)
            ChatUI::destroyInstance();
        if (server)
            Team::stopServer(server);
    }
};

} // namespace

PLUMDECK_SCREEN(teamPage)
{
    TeamScene scene;
    // The main window builds the Team page over the scene's models.
    MainWindow::PageBuilders pages;
    pages.team = [&scene](ModelsContainer *models, MainWindow *window) -> MainWindowMode * {
        if (!scene.start())
            return nullptr;
        scene.chatUI->setParent(window);
        Q_UNUSED(models);
        return scene.chatUI;
    };
    MainWindow::setPageBuilders(pages);
    std::unique_ptr<MainWindow> window;
    {
        // The models must exist before the window asks for its pages.
        scene.models.setFriends(new Friends(&scene.models));
        scene.models.setChats(new Chats(&scene.models));
        window = std::make_unique<MainWindow>(&scene.models, nullptr);
    }
    MainWindow::setPageBuilders({});
    QVERIFY(scene.chatUI);
    window->resize(440, 460);
    window->switchToFriends();
    FriendWidget *carol = scene.chatUI->friendsWidget()->rows().at(1);
    scene.chatUI->friendsWidget()->onFriendWidgetClickedToSelect(carol);
    QVERIFY(!shoot(window.get(), QStringLiteral("team-page")).isNull());
    scene.chatUI->friendsWidget()->onFriendWidgetInfoClicked(carol);
    QTest::qWait(50); // the unfolded row takes its new height
    QVERIFY(!shoot(window.get(), QStringLiteral("team-page-details")).isNull());
    scene.chatUI->friendsWidget()->onFriendWidgetInfoClicked(carol);

    // The sign-in form, as the connect button shows it while the connection is down.
    FriendsContainer *pane = scene.chatUI->friendsContainer();
    pane->onConnectButtonClicked();
    pane->connectButton()->show();
    pane->presenceButton()->hide();
    QVERIFY(!shoot(window.get(), QStringLiteral("team-sign-in")).isNull());
    // The window deletes its page; the scene must not do it again.
    window.reset();
    scene.chatUI = nullptr;
}

PLUMDECK_SCREEN(chatWindow)
{
    TeamScene scene;
    QVERIFY(scene.start());
    const quint32 id = scene.server->addChat({QStringLiteral("alice"), QStringLiteral("bob")});
    scene.server->pushEvent("alice", "add", "/users/alice/chats-current",
                            "<body><div class=\"pd-chat-data\"><span class=\"pd-chat-id\">" + QByteArray::number(id)
                                + "</span><dl class=\"pd-chat-fields\"><dt>modified-time</dt><dd>"
                                + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).left(19).toLatin1()
                                + "</dd></dl><ul class=\"pd-user-ref-list\"><li class=\"pd-user-ref\">"
                                  "<span class=\"pd-user-nick\">bob</span></li></ul></div></body>");
    QTRY_VERIFY_WITH_TIMEOUT(scene.models.chats()->chatById(id), 5000);
    Chat *chat = scene.models.chats()->chatById(id);
    QTRY_VERIFY(chat->isConnected());
    chat->postMessage(QStringLiteral("Are we still on for the review at 3?"));
    scene.server->pushEvent("alice", "add", QStringLiteral("/chats/%1").arg(id),
                            "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">bob</span></div>"
                            "<div class=\"pd-message\">Yes. The notes are at http://example.org/review\n"
                            "Mail me at bob@example.org if anything changes.</div></body>");
    ChatWindow *window = scene.chatUI->chatWindow(chat);
    QTRY_VERIFY_WITH_TIMEOUT(chat->messages().size() == 2, 5000);
    scene.server->pushEvent("alice", "add", QStringLiteral("/chats/%1/activity").arg(id),
                            "<body><div class=\"pd-user-ref\"><span class=\"pd-user-nick\">bob</span></div>"
                            "<div class=\"pd-chat-activity\">typing</div></body>");
    QTRY_COMPARE(window->titleText(), QStringLiteral("bob is writing..."));
    window->inputEdit()->setPlainText(QStringLiteral("Great, see you there"));
    QVERIFY(!shoot(window, QStringLiteral("chat-window")).isNull());
}

PLUMDECK_SCREEN(addFriendDialog)
{
    TeamScene scene;
    QVERIFY(scene.start());
    AddFriendDialog dialog(scene.chatUI);
    QVERIFY(!shoot(&dialog, QStringLiteral("add-contact")).isNull());
    scene.server->addUser(QStringLiteral("erin"), QStringLiteral("pw"), QStringLiteral("Erin Berg"));
    dialog.searchEdit()->setText(QStringLiteral("example"));
    dialog.startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.hasRequest(), 5000);
    QVERIFY(!shoot(&dialog, QStringLiteral("add-contact-results")).isNull());
    emit qobject_cast<QLabel *>(dialog.linkWidgets().at(3))->linkActivated(QStringLiteral("invite"));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.hasRequest(), 5000);
    QVERIFY(!shoot(&dialog, QStringLiteral("add-contact-sent")).isNull());
}
