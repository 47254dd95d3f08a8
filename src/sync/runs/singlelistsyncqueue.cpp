#include "sync/runs/singlelistsyncqueue.h"

#include "model/listmodel.h"
#include "model/tasklist.h"
#include "sync/runs/listssynchost.h"
#include "sync/runs/singlelistsynchronizer.h"

#include <QDebug>

SingleListSyncQueue::SingleListSyncQueue(UserLists *lists, ListsSyncHost *host, QObject *parent)
    : QObject(parent)
    , m_lists(lists)
    , m_host(host)
{
}

SingleListSyncQueue::~SingleListSyncQueue()
{
    const QList<SingleListSynchronizer *> queued = m_queued;
    for (SingleListSynchronizer *synchronizer : queued)
        dropQueued(synchronizer);
    // The page going away takes no more reports: the runs end quietly and
    // their lists are released here.
    for (SingleListSynchronizer *synchronizer : std::as_const(m_running)) {
        disconnect(synchronizer, nullptr, this, nullptr);
        synchronizer->cancel();
        if (ListModel *model = synchronizer->listModel())
            model->clearSyncFlags();
    }
}

void SingleListSyncQueue::syncSingleList(ListModel *model)
{
    if (!model) {
        qWarning() << "ListsUI::syncSingleList , the given list is null";
        return;
    }
    if (model->isSyncPending())
        return;
    model->setSyncPending(true);
    auto *synchronizer = new SingleListSynchronizer(m_lists, m_host, model, this);
    connect(synchronizer, &SingleListSynchronizer::success, this,
            &SingleListSyncQueue::onSingleListSynchronizerSuccess);
    connect(synchronizer, &SingleListSynchronizer::failed, this, &SingleListSyncQueue::onSingleListSynchronizerFailed);
    m_queued.append(synchronizer);
    startNextSingleListSync();
}

void SingleListSyncQueue::syncSingleListManually(ListModel *model)
{
    if (!model) {
        qWarning() << "ListsUI::syncSingleListManually , the given list is null";
        return;
    }
    if (model->isSyncPending())
        return;
    model->setManualSync(true);
    syncSingleList(model);
}

void SingleListSyncQueue::autosyncList(ListModel *model)
{
    if (!model)
        return;
    const TaskList::SyncStatus status = model->taskList()->syncStatus();
    if (status == TaskList::New || status == TaskList::Edited)
        syncSingleList(model);
}

void SingleListSyncQueue::startNextSingleListSync()
{
    if (m_queued.isEmpty() || m_running.size() >= maxRunning)
        return;
    SingleListSynchronizer *synchronizer = m_queued.takeFirst();
    m_running.append(synchronizer);
    synchronizer->start();
}

void SingleListSyncQueue::onSingleListSynchronizerSuccess(SingleListSynchronizer *synchronizer, ListModel *model)
{
    m_running.removeOne(synchronizer);
    synchronizer->deleteLater();
    if (model) {
        if (m_host)
            m_host->singleListSyncEnded(model);
        model->clearSyncFlags();
    }
    startNextSingleListSync();
}

void SingleListSyncQueue::onSingleListSynchronizerFailed(QString message, SingleListSynchronizer *synchronizer,
                                                         ListModel *model)
{
    const bool waits = synchronizer->waitsForFullSync();
    if (waits)
        qInfo().noquote() << "Single list sync waits: " + message;
    else
        qWarning().noquote() << "Single list sync failed: " + message;
    // A run cancelled here (by the user, or for a full run) is not news.
    if (model && m_host && m_running.contains(synchronizer)) {
        if (waits)
            m_host->singleListSyncWaits(model, message);
        else
            m_host->singleListSyncFailed(model, message);
    }
    onSingleListSynchronizerSuccess(synchronizer, model);
}

// A run dropped before it started releases its list: a sync-pending flag
// left set would refuse every later request for the list.
void SingleListSyncQueue::dropQueued(SingleListSynchronizer *synchronizer)
{
    m_queued.removeOne(synchronizer);
    if (ListModel *model = synchronizer->listModel())
        model->clearSyncFlags();
    disconnect(synchronizer, nullptr, this, nullptr);
    synchronizer->deleteLater();
}

void SingleListSyncQueue::dequeueSingleListSync(ListModel *model)
{
    if (!model)
        return;
    if (SingleListSynchronizer *synchronizer = findQueuedSingleListSync(model))
        dropQueued(synchronizer);
    model->clearSyncFlags();
}

SingleListSynchronizer *SingleListSyncQueue::findQueuedSingleListSync(ListModel *model) const
{
    for (SingleListSynchronizer *synchronizer : m_queued)
        if (synchronizer->listModel() == model)
            return synchronizer;
    return nullptr;
}

void SingleListSyncQueue::cancelSingleListSync(ListModel *model)
{
    const QList<SingleListSynchronizer *> running = m_running;
    for (SingleListSynchronizer *synchronizer : running) {
        if (synchronizer->listModel() != model)
            continue;
        m_running.removeOne(synchronizer);
        synchronizer->cancel();
    }
}

void SingleListSyncQueue::cancelSingleListSyncs()
{
    const QList<SingleListSynchronizer *> queued = m_queued;
    for (SingleListSynchronizer *synchronizer : queued)
        dropQueued(synchronizer);
    const QList<SingleListSynchronizer *> running = m_running;
    m_running.clear();
    for (SingleListSynchronizer *synchronizer : running)
        synchronizer->cancel();
}
