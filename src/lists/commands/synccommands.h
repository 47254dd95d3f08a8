#ifndef SYNCCOMMANDS_H
#define SYNCCOMMANDS_H

#include "shell/action.h"

#include <functional>

class ListModel;
class ListsSyncPage;
class SingleListSyncQueue;
class UserLists;

// The full synchronisation (F5). Its tool tip says whether the server can be
// reached; that never keeps the user from starting a run.
class SyncAction : public Action
{
    Q_OBJECT

public:
    SyncAction(UserLists *lists, ListsSyncPage *page, QObject *owner);

    bool shouldBeEnabled() override { return true; }
    void execute() override;

private slots:
    void onServerStatusChanged();

private:
    UserLists *m_lists;
    ListsSyncPage *m_page;
};

// Queues the synchronisation of the current list alone.
class SyncSingleListAction : public Action
{
    Q_OBJECT

public:
    // `currentList` gives the page's current list, or null.
    SyncSingleListAction(SingleListSyncQueue *queue, std::function<ListModel *()> currentList, QObject *owner);

    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    SingleListSyncQueue *m_queue;
    std::function<ListModel *()> m_currentList;
};

#endif
