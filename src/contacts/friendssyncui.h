#ifndef FRIENDSSYNCUI_H
#define FRIENDSSYNCUI_H

#include "syncui/basesyncui.h"

class ChatUI;

// The front end of the contact details sync of Team mode: its dialogs sit
// on the main window. Made for one command and destroyed after it.
class FriendsSyncUI : public BaseSyncUI
{
    Q_OBJECT

public:
    FriendsSyncUI(ChatUI *chatUI, QObject *parent = nullptr);

protected:
    BaseSynchronizer *createSynchronizer() override;
    void showSettings() override;

private:
    ChatUI *const m_chatUI;
};

#endif
