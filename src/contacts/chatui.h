#ifndef CHATUI_H
#define CHATUI_H

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>

#include "shell/mainwindowmode.h"

class AddFriendAction;
class Chat;
class ChatWindow;
class Chats;
class ConnectionIcon;
class Friends;
class FriendsContainer;
class FriendsWidget;
class MessageDialog;
class ModelsContainer;
class QToolButton;
class ShowAvatarsAction;
class ShowOfflineFriendsAction;
class SyncFriendsAction;
class User;

// The main window's Team mode: the contacts pane, its two bottom-bar buttons
// and the connection picture, the Team commands, one chat window per chat,
// and the questions about incoming contact requests. Other areas start
// chats and ask about contacts through it.
class ChatUI : public QObject, public MainWindowMode
{
    Q_OBJECT
public:
    static ChatUI *createInstance(ModelsContainer *models, QObject *parent);
    static ChatUI *instance(ModelsContainer *models = nullptr, QObject *parent = nullptr);
    static void destroyInstance();

    ~ChatUI() override;

    Friends *friends() const { return m_friends; }
    Chats *chats() const { return m_chats; }
    void startChatWith(User *user);
    bool isFriend(User *user) const;
    bool isOwnUser(User *user) const;
    void removeFriend(User *user);
    // Asks whether to remove the contact and removes it on Yes. The question
    // runs its own event loop, in which the contacts' rows may be rebuilt:
    // callers pass nothing of the row's.
    void askToRemoveFriend(User *user);
    void showAddFriendDialog();
    FriendsWidget *friendsWidget() const;
    FriendsContainer *friendsContainer() const { return m_container; }
    ChatWindow *chatWindow(Chat *chat) const { return m_chatWindows.value(chat); }
    // Brings the command states in line with the contact list's options.
    void updateActions();

    QWidget *centralWidget() override;
    QWidget *taskInfoPanel() override { return nullptr; }
    QWidget *taskAttachmentsPanel() override { return nullptr; }
    QWidget *listsGroupsManagerPanel() override { return nullptr; }
    QWidget *listInfoPanel() override { return nullptr; }
    QWidget *bottomBarLeftWidget() override;
    QWidget *bottomBarRightWidget() override;
    QList<QWidget *> titleBarWidgets() override;
    QList<QAction *> shortcutActions() override { return m_shortcutActionList; }
    QAction *syncAction() override;
    QAction *doneTaskAction() override { return nullptr; }
    int uiMode() override { return 0; }

public slots:
    void onChatAdded(Chat *chat);
    void onFriendRequestReceived(User *user);

private slots:
    void onFriendRequestWithdrawn(User *user);

private:
    ChatUI(ModelsContainer *models, QObject *parent);
    ChatWindow *createChatWindow(Chat *chat);
    // Asks about the waiting requests one after the other, in the order
    // they came, until none is left.
    void askFriendRequests();
    enum class Answer { Accepted, Declined, Withdrawn, Unanswered };
    Answer askFriendRequest(User *user);

    Friends *m_friends = nullptr;
    Chats *m_chats = nullptr;
    QList<QAction *> m_shortcutActionList;
    AddFriendAction *m_addFriendAction = nullptr;
    SyncFriendsAction *m_syncFriendsAction = nullptr;
    ShowAvatarsAction *m_showAvatarsAction = nullptr;
    ShowOfflineFriendsAction *m_showOfflineFriendsAction = nullptr;
    QPointer<ConnectionIcon> m_connectionIcon;
    FriendsContainer *m_container = nullptr;
    QPointer<QToolButton> m_addFriendButton;
    QPointer<QToolButton> m_viewButton;
    QMap<Chat *, ChatWindow *> m_chatWindows;
    // The question open about a contact request, and whose it is.
    QPointer<MessageDialog> m_requestQuestion;
    User *m_requestAsked = nullptr;
    // The requests still to ask about, in the order they came, each nick
    // once: one question is open at a time.
    QList<User *> m_requestsWaiting;
    QSet<User *> m_requestsWaitingSet;

    static ChatUI *s_instance;
    static bool s_created;
};

#endif
