#include "lists/commands/synccommands.h"

#include "model/listmodel.h"
#include "sync/listssyncui.h"
#include "sync/serverpoller.h"
#include "sync/singlelistsyncqueue.h"

#include <QDebug>
#include <QIcon>

SyncAction::SyncAction(UserLists *lists, ListsSyncPage *page, QObject *owner)
    : Action(tr("Sync"), owner)
    , m_lists(lists)
    , m_page(page)
{
    setShortcut(QKeySequence(tr("F5", "shortcut")));
    if (ServerPoller *poller = ServerPoller::instance())
        connect(poller, &ServerPoller::serverStatusChanged, this, &SyncAction::onServerStatusChanged);
    onServerStatusChanged();
}

void SyncAction::execute()
{
    ListsSyncUI ui(m_lists, m_page);
    ui.normalSync();
}

void SyncAction::onServerStatusChanged()
{
    ServerPoller *poller = ServerPoller::instance();
    const int state = poller ? int(poller->state()) : int(ServerPoller::NoServer);
    switch (state) {
    case ServerPoller::NoServer:
        setToolTip(tr("No server is set"));
        break;
    case ServerPoller::TryingConnect:
        setToolTip(tr("Trying to connect..."));
        break;
    case ServerPoller::Unreachable:
        setToolTip(tr("Could not connect"));
        break;
    case ServerPoller::Reachable:
        setToolTip(tr("Sync"));
        break;
    default:
        qWarning() << "unknown server status";
        setToolTip(tr("Unknown server status"));
        break;
    }
}

SyncSingleListAction::SyncSingleListAction(SingleListSyncQueue *queue, std::function<ListModel *()> currentList,
                                           QObject *owner)
    : Action(tr("Sync list"), owner)
    , m_queue(queue)
    , m_currentList(std::move(currentList))
{
}

QIcon SyncSingleListAction::currentIcon()
{
    return QIcon(QStringLiteral(":/sync_single_list.png"));
}

bool SyncSingleListAction::shouldBeEnabled()
{
    ListModel *model = m_currentList ? m_currentList() : nullptr;
    return model && !model->isSyncPending();
}

void SyncSingleListAction::execute()
{
    if (ListModel *model = m_currentList ? m_currentList() : nullptr)
        m_queue->syncSingleListManually(model);
}
