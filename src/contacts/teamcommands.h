#ifndef TEAMCOMMANDS_H
#define TEAMCOMMANDS_H

// The commands of Team mode: adding a contact, synchronising contact details,
// the contact list's two view switches, starting a chat, choosing the user's
// own presence and adding a participant to a chat.

#include <QPointer>

#include "contacts/presence.h"
#include "shell/action.h"

class Chat;
class ChatUI;
class User;

// A command that works through the Team mode controller.
class ChatAction : public Action
{
    Q_OBJECT
public:
    ChatAction(const QString &text, ChatUI *chatUI, QObject *parent);

    ChatUI *chatUI() const { return m_chatUI; }

private:
    ChatUI *const m_chatUI;
};

// "Add +": the add-contact dialog.
class AddFriendAction : public Action
{
    Q_OBJECT
public:
    AddFriendAction(ChatUI *chatUI, QObject *parent);

    bool shouldBeEnabled() override { return true; }
    void execute() override;

private:
    ChatUI *const m_chatUI;
};

// "Sync contacts" (F5): fetches the contact details of every contact.
class SyncFriendsAction : public ChatAction
{
    Q_OBJECT
public:
    SyncFriendsAction(ChatUI *chatUI, QObject *parent);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

// "Show pictures": the contact list's avatars on or off.
class ShowAvatarsAction : public ChatAction
{
    Q_OBJECT
public:
    ShowAvatarsAction(ChatUI *chatUI, QObject *parent);

    bool shouldBeEnabled() override { return true; }
    bool shouldBeChecked() override;
    void execute() override;
};

// "Show offline contacts": rows of unavailable contacts shown or hidden.
class ShowOfflineFriendsAction : public ChatAction
{
    Q_OBJECT
public:
    ShowOfflineFriendsAction(ChatUI *chatUI, QObject *parent);

    bool shouldBeEnabled() override { return true; }
    bool shouldBeChecked() override;
    void execute() override;
};

// "chat": a chat with the user, reused when a recent one exists.
class StartChatAction : public ChatAction
{
    Q_OBJECT
public:
    StartChatAction(ChatUI *chatUI, User *user, QObject *parent);

    User *user() const { return m_user; }
    bool shouldBeEnabled() override { return true; }
    void execute() override;

private:
    User *const m_user;
};

// "info": a place holder in the picker rows; it does nothing.
class ShowInfoAction : public ChatAction
{
    Q_OBJECT
public:
    ShowInfoAction(ChatUI *chatUI, User *user, QObject *parent);

    User *user() const { return m_user; }
    bool shouldBeEnabled() override { return true; }
    void execute() override {}

private:
    User *const m_user;
};

// Publishes one presence as the user's own.
class SetPresenceAction : public Action
{
    Q_OBJECT
public:
    SetPresenceAction(const Presence &presence, const QString &iconName, QObject *parent);

    Presence presence() const { return m_presence; }
    bool shouldBeEnabled() override { return true; }
    void execute() override;

private:
    const Presence m_presence;
};

// "Custom message...": asks for a message to publish with the state.
class SetCustomPresenceAction : public SetPresenceAction
{
    Q_OBJECT
public:
    static const int maxMessageLength = 40;

    SetCustomPresenceAction(const Presence &presence, const QString &iconName, QObject *parent);

    void execute() override;
};

// One contact offered in a chat window's "Conference" menu.
class AddParticipantAction : public Action
{
    Q_OBJECT
public:
    AddParticipantAction(Chat *chat, User *user, QObject *parent);

    User *user() const { return m_user; }
    bool shouldBeEnabled() override { return true; }
    void execute() override;

public slots:
    void setPresenceIcon();

private:
    QPointer<Chat> m_chat;
    User *const m_user;
};

#endif
