#ifndef SINGLELISTSYNCQUEUE_H
#define SINGLELISTSYNCQUEUE_H

#include <QList>
#include <QObject>
#include <QString>

class ListModel;
class ListsSyncHost;
class SingleListSynchronizer;
class UserLists;

// The lists page's single-list synchronisations: queued in request order,
// at most ten running at once, each list at most once. The page holds one
// and forwards its requests to it.
class SingleListSyncQueue : public QObject
{
    Q_OBJECT

public:
    static const int maxRunning = 10;

    SingleListSyncQueue(UserLists *lists, ListsSyncHost *host, QObject *parent = nullptr);
    // Closing: queued runs are dropped and running ones cancelled.
    ~SingleListSyncQueue() override;

    void syncSingleList(ListModel *model);
    void syncSingleListManually(ListModel *model);
    // Only a list with changes of its own (New or Edited) is queued.
    void autosyncList(ListModel *model);
    void startNextSingleListSync();
    void dequeueSingleListSync(ListModel *model);
    SingleListSynchronizer *findQueuedSingleListSync(ListModel *model) const;
    // The cancel button of a list's syncing overlay.
    void cancelSingleListSync(ListModel *model);
    // Before a full synchronisation.
    void cancelSingleListSyncs();

    int queuedCount() const { return int(m_queued.size()); }
    int runningCount() const { return int(m_running.size()); }

private slots:
    void onSingleListSynchronizerSuccess(SingleListSynchronizer *synchronizer, ListModel *model);
    void onSingleListSynchronizerFailed(QString message, SingleListSynchronizer *synchronizer, ListModel *model);

private:
    void dropQueued(SingleListSynchronizer *synchronizer);

    UserLists *m_lists;
    ListsSyncHost *m_host;
    QList<SingleListSynchronizer *> m_queued;
    QList<SingleListSynchronizer *> m_running;
};

#endif
