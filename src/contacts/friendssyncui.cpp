#include "contacts/friendssyncui.h"

#include "contacts/chatui.h"
#include "contacts/friends.h"
#include "contacts/friendssynchronizer.h"
#include "shell/mainwindow.h"

FriendsSyncUI::FriendsSyncUI(ChatUI *chatUI, QObject *parent)
    : BaseSyncUI(chatUI->mainWindow(), parent)
    , m_chatUI(chatUI)
{
}

BaseSynchronizer *FriendsSyncUI::createSynchronizer()
{
    return new FriendsSynchronizer(m_chatUI->friends()->friends());
}

void FriendsSyncUI::showSettings()
{
    m_chatUI->showPreferences();
}
