#include "contacts/teamcommands.h"

#include <QIcon>

#include "contacts/chat.h"
#include "contacts/chatui.h"
#include "contacts/friendssyncui.h"
#include "contacts/friendswidget.h"
#include "contacts/presenceicon.h"
#include "contacts/presencemanager.h"
#include "contacts/user.h"
#include "shell/menu.h"
#include "shell/stringentrydialog.h"

ChatAction::ChatAction(const QString &text, ChatUI *chatUI, QObject *parent)
    : Action(text, nullptr, parent), m_chatUI(chatUI)
{
}

AddFriendAction::AddFriendAction(ChatUI *chatUI, QObject *parent)
    : Action(tr("Add +"), nullptr, parent), m_chatUI(chatUI)
{
}

void AddFriendAction::execute()
{
    m_chatUI->showAddFriendDialog();
}

SyncFriendsAction::SyncFriendsAction(ChatUI *chatUI, QObject *parent)
    : ChatAction(tr("Sync contacts"), chatUI, parent)
{
    setShortcut(QKeySequence(tr("F5", "shortcut")));
}

void SyncFriendsAction::execute()
{
    FriendsSyncUI syncUI(chatUI());
    syncUI.sync();
}

ShowAvatarsAction::ShowAvatarsAction(ChatUI *chatUI, QObject *parent)
    : ChatAction(tr("Show pictures"), chatUI, parent)
{
    setCheckable(true);
}

bool ShowAvatarsAction::shouldBeChecked()
{
    return chatUI()->friendsWidget()->showAvatars();
}

void ShowAvatarsAction::execute()
{
    chatUI()->friendsWidget()->setShowAvatars(isChecked());
}

ShowOfflineFriendsAction::ShowOfflineFriendsAction(ChatUI *chatUI, QObject *parent)
    : ChatAction(tr("Show offline contacts"), chatUI, parent)
{
    setCheckable(true);
}

bool ShowOfflineFriendsAction::shouldBeChecked()
{
    return chatUI()->friendsWidget()->showOffline();
}

void ShowOfflineFriendsAction::execute()
{
    chatUI()->friendsWidget()->setShowOffline(isChecked());
}

StartChatAction::StartChatAction(ChatUI *chatUI, User *user, QObject *parent)
    : ChatAction(tr("chat"), chatUI, parent), m_user(user)
{
}

void StartChatAction::execute()
{
    chatUI()->startChatWith(m_user);
}

ShowInfoAction::ShowInfoAction(ChatUI *chatUI, User *user, QObject *parent)
    : ChatAction(tr("info"), chatUI, parent), m_user(user)
{
}

SetPresenceAction::SetPresenceAction(const Presence &presence, const QString &iconName, QObject *parent)
    : Action(presence.text(), nullptr, parent), m_presence(presence)
{
    setIcon(QIcon(QStringLiteral(":/chat/") + iconName + QStringLiteral(".png")));
}

void SetPresenceAction::execute()
{
    PresenceManager::instance()->setPresence(m_presence);
}

SetCustomPresenceAction::SetCustomPresenceAction(const Presence &presence, const QString &iconName,
                                                 QObject *parent)
    : SetPresenceAction(presence, iconName, parent)
{
    setText(tr("Custom message..."));
    // Both states have such an entry: the name read out says which.
    Menu::setEntryAccessibleName(this, tr("%1 with a custom message...").arg(presence.text()));
}

void SetCustomPresenceAction::execute()
{
    // Taken first: the command may go with its menu while the dialog is open.
    const Presence::State state = presence().state();
    StringEntryDialog dialog(tr("Set custom message"), tr("Message"), QString());
    dialog.setTitleIcon(QStringLiteral(":/chating_user.png"));
    dialog.setMaxLength(maxMessageLength);
    // Cancelling keeps the presence the user had: it is no choice of a new one.
    if (dialog.exec() != QDialog::Accepted)
        return;
    PresenceManager::instance()->setPresence(Presence(state, dialog.text()));
}

AddParticipantAction::AddParticipantAction(Chat *chat, User *user, QObject *parent)
    : Action(user ? Menu::entryText(user->nick()) : QString(), nullptr, parent), m_chat(chat), m_user(user)
{
    if (m_user)
        connect(m_user, &User::presenceChanged, this, &AddParticipantAction::setPresenceIcon);
    setPresenceIcon();
}

void AddParticipantAction::execute()
{
    if (m_chat && m_user)
        m_chat->addUser(m_user);
}

void AddParticipantAction::setPresenceIcon()
{
    if (!m_user)
        return;
    // Unknown keeps whatever picture the entry had.
    if (m_user->presence().state() == Presence::Unknown)
        return;
    setIcon(QIcon(PresenceIcon::imagePath(m_user->presence().state())));
}
