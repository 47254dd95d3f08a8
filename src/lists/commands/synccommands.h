#ifndef SYNCCOMMANDS_H
#define SYNCCOMMANDS_H

#include "lists/commands/listsaction.h"

// "Sync" (F5): the full synchronisation, run by the lists sync front end.
// Its tool tip says whether the server can be reached; that never keeps the
// user from starting a run, the front end reports failures.
class SyncAction : public ListsAction
{
    Q_OBJECT
public:
    explicit SyncAction(ListsUI *ui);
    bool shouldBeEnabled() override { return true; }
    void execute() override;

private slots:
    void onServerStatusChanged();
};

// "Sync list": queues the synchronisation of the current list alone, unless
// one is already queued or running.
class SyncSingleListAction : public ListsAction
{
    Q_OBJECT
public:
    explicit SyncSingleListAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

#endif
