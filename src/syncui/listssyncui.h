#ifndef LISTSSYNCUI_H
#define LISTSSYNCUI_H

#include "syncui/basesyncui.h"

class ListsSyncPage;
class UserLists;

// The front end of the full synchronisation: the normal run and the two
// forced ones. Made for one command and destroyed after it.
class ListsSyncUI : public BaseSyncUI
{
    Q_OBJECT

public:
    ListsSyncUI(UserLists *lists, ListsSyncPage *page, QObject *parent = nullptr);

    void normalSync();
    // The server takes the local lists, groups and notes.
    void forceRemoteSync();
    // The local lists, groups and notes are replaced by the server's.
    void forceLocalSync();

    void sync() override;

protected:
    BaseSynchronizer *createSynchronizer() override;
    void showSettings() override;

private:
    void ensureANote();

    UserLists *m_lists;
    ListsSyncPage *m_page;
    bool m_forceRemote = false;
    bool m_forceLocal = false;
};

#endif
