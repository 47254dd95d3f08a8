#include "contacts/chatui.h"

#include <QDebug>
#include <QToolButton>

#include "contacts/addfrienddialog.h"
#include "contacts/chat.h"
#include "contacts/chats.h"
#include "contacts/chatwindow.h"
#include "contacts/connectionicon.h"
#include "contacts/friends.h"
#include "contacts/friendscontainer.h"
#include "contacts/friendswidget.h"
#include "contacts/teamcommands.h"
#include "contacts/user.h"
#include "core/serversettings.h"
#include "model/modelscontainer.h"
#include "sync/requests/xmlrequest.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"

ChatUI *ChatUI::s_instance = nullptr;
bool ChatUI::s_created = false;

ChatUI *ChatUI::createInstance(ModelsContainer *models, QObject *parent)
{
    s_instance = new ChatUI(models, parent);
    s_created = true;
    return s_instance;
}

ChatUI *ChatUI::instance(ModelsContainer *models, QObject *parent)
{
    if (!s_created)
        return createInstance(models, parent);
    return s_instance;
}

void ChatUI::destroyInstance()
{
    s_created = false;
    delete s_instance;
    s_instance = nullptr;
}

ChatUI::ChatUI(ModelsContainer *models, QObject *parent)
    : QObject(parent)
{
    m_friends = models ? models->friends() : nullptr;
    m_chats = models ? models->chats() : nullptr;
    Q_ASSERT(m_friends && m_chats);

    m_addFriendAction = new AddFriendAction(this, this);
    m_syncFriendsAction = new SyncFriendsAction(this, this);
    m_showAvatarsAction = new ShowAvatarsAction(this, this);
    m_showOfflineFriendsAction = new ShowOfflineFriendsAction(this, this);

    m_connectionIcon = new ConnectionIcon(qobject_cast<QWidget *>(parent));

    connect(m_chats, &Chats::chatAdded, this, &ChatUI::onChatAdded);
    for (Chat *chat : m_chats->chats())
        createChatWindow(chat)->show();
    // Asked from the event loop, not from inside the event that brought the
    // request: the question waits for the user, and later events (the
    // request withdrawn, messages, presence) must still arrive meanwhile.
    connect(m_friends, &Friends::friendRequestReceived, this, &ChatUI::onFriendRequestReceived,
            Qt::QueuedConnection);
    connect(m_friends, &Friends::friendRequestWithdrawn, this, &ChatUI::onFriendRequestWithdrawn);

    m_container = new FriendsContainer(this, m_friends, nullptr);

    m_addFriendButton = new QToolButton;
    m_addFriendButton->setObjectName(QStringLiteral("addfriendbutton"));

    m_viewButton = new QToolButton;
    m_viewButton->setObjectName(QStringLiteral("viewbutton"));
    m_viewButton->setText(tr("View"));
    auto *viewMenu = new Menu(m_viewButton);
    viewMenu->addAction(m_showAvatarsAction);
    viewMenu->addAction(m_showOfflineFriendsAction);
    m_viewButton->setMenu(viewMenu);
    m_viewButton->setPopupMode(QToolButton::InstantPopup);

    m_shortcutActionList = {m_addFriendAction, m_syncFriendsAction, m_showAvatarsAction,
                            m_showOfflineFriendsAction};
    updateActions();
    // The list's options can change from elsewhere than these commands.
    connect(friendsWidget(), &FriendsWidget::optionsChanged, this, &ChatUI::updateActions);

    m_addFriendButton->setDefaultAction(m_addFriendAction);
}

ChatUI::~ChatUI()
{
    disconnect(m_chats, &Chats::chatAdded, this, &ChatUI::onChatAdded);
    disconnect(m_friends, nullptr, this, nullptr);
    if (m_requestQuestion) {
        m_requestQuestion->setProperty("withdrawn", true);
        m_requestQuestion->reject();
    }
    qDeleteAll(m_chatWindows);
    m_chatWindows.clear();
    delete m_container;
    // Buttons never handed to a window go with the controller.
    if (m_addFriendButton && !m_addFriendButton->parent())
        delete m_addFriendButton.data();
    if (m_viewButton && !m_viewButton->parent())
        delete m_viewButton.data();
    if (m_connectionIcon && !m_connectionIcon->parent())
        delete m_connectionIcon.data();
    if (s_instance == this) {
        s_instance = nullptr;
        s_created = false;
    }
}

ChatWindow *ChatUI::createChatWindow(Chat *chat)
{
    auto *window = new ChatWindow(m_friends, chat, nullptr);
    m_chatWindows.insert(chat, window);
    return window;
}

void ChatUI::startChatWith(User *user)
{
    m_chats->startChatWith(user);
}

bool ChatUI::isFriend(User *user) const
{
    return m_friends->isFriend(user);
}

bool ChatUI::isOwnUser(User *user) const
{
    return user && user->nick() == ServerSettings::instance()->userName();
}

void ChatUI::removeFriend(User *user)
{
    m_friends->removeFriend(user);
}

void ChatUI::askToRemoveFriend(User *user)
{
    if (!user)
        return;
    const QPointer<ChatUI> self(this);
    const QPointer<User> alive(user);
    if (!MessageDialog::question(tr("Remove contact"),
                                 tr("Are you sure you want to remove %1 as a contact?").arg(user->nick())))
        return;
    if (self && alive && isFriend(user))
        removeFriend(user);
}

void ChatUI::showAddFriendDialog()
{
    AddFriendDialog dialog(this, m_container);
    dialog.exec();
}

FriendsWidget *ChatUI::friendsWidget() const
{
    return m_container->friendsWidget();
}

void ChatUI::updateActions()
{
    for (QAction *action : m_shortcutActionList)
        static_cast<Action *>(action)->updateState();
}

QWidget *ChatUI::centralWidget()
{
    return m_container;
}

QWidget *ChatUI::bottomBarLeftWidget()
{
    return m_addFriendButton;
}

QWidget *ChatUI::bottomBarRightWidget()
{
    return m_viewButton;
}

QList<QWidget *> ChatUI::titleBarWidgets()
{
    return {m_connectionIcon};
}

QAction *ChatUI::syncAction()
{
    return m_syncFriendsAction;
}

void ChatUI::onChatAdded(Chat *chat)
{
    ChatWindow *window = createChatWindow(chat);
    if (chat->isStartedLocally())
        window->showAndActivate();
    else
        window->hide();
}

void ChatUI::onFriendRequestReceived(User *user)
{
    // The same nick again (fetched anew after a reconnection, or sent twice)
    // is the same request: it gets one question and one answer.
    if (!user || user == m_requestAsked || m_requestsWaitingSet.contains(user))
        return;
    m_requestsWaiting.append(user);
    m_requestsWaitingSet.insert(user);
    // With a question open, the loop that asks it takes this one next.
    if (!m_requestAsked)
        askFriendRequests();
}

void ChatUI::askFriendRequests()
{
    // One after the other, never one question inside another: a long
    // list of requests neither piles up boxes nor deepens the stack.
    const QPointer<ChatUI> self(this);
    while (!m_requestsWaiting.isEmpty()) {
        User *user = m_requestsWaiting.takeFirst();
        m_requestsWaitingSet.remove(user);
        const Answer answer = askFriendRequest(user);
        if (!self)
            return;
        // Left open: the program is ending. The rest stay on the server
        // for the next start.
        if (answer == Answer::Unanswered)
            return;
        if (answer == Answer::Accepted)
            m_friends->acceptFriendRequest(user);
        else if (answer == Answer::Declined)
            m_friends->declineFriendRequest(user);
    }
}

ChatUI::Answer ChatUI::askFriendRequest(User *user)
{
    if (QWidget *top = m_container->window())
        top->activateWindow();
    const QPointer<ChatUI> self(this);
    QPointer<MessageDialog> question =
        new MessageDialog(tr("Contact request"), tr("Add %1 as a contact?").arg(user->nick()), true);
    m_requestQuestion = question;
    m_requestAsked = user;
    const bool accepted = question->exec() == QDialog::Accepted;
    // A box still open (or gone) was not answered: the program is ending.
    // One withdrawn meanwhile was not answered either. Nobody decided.
    const bool open = !question || question->isVisible();
    const bool withdrawn = question && question->property("withdrawn").toBool();
    delete question.data();
    if (!self)
        return Answer::Unanswered;
    m_requestQuestion = nullptr;
    m_requestAsked = nullptr;
    if (open)
        return Answer::Unanswered;
    if (withdrawn)
        return Answer::Withdrawn;
    return accepted ? Answer::Accepted : Answer::Declined;
}

void ChatUI::onFriendRequestWithdrawn(User *user)
{
    if (m_requestsWaitingSet.remove(user)) {
        m_requestsWaiting.removeOne(user);
        return;
    }
    if (m_requestQuestion && m_requestAsked == user) {
        m_requestQuestion->setProperty("withdrawn", true);
        m_requestQuestion->reject();
    }
}
