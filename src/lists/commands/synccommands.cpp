#include "lists/commands/synccommands.h"

#include "lists/listsui.h"
#include "model/listmodel.h"
#include "sync/requests/serverpoller.h"
#include "syncui/listssyncui.h"

#include <QDebug>
#include <QIcon>

SyncAction::SyncAction(ListsUI *ui)
    : ListsAction(tr("Sync"), ui, ui)
{
    setShortcut(QKeySequence(tr("F5", "shortcut")));
    if (ServerPoller *poller = ServerPoller::instance())
        connect(poller, &ServerPoller::serverStatusChanged, this, &SyncAction::onServerStatusChanged);
    onServerStatusChanged();
}

// The front end lives for this one run; it returns once the run and its
// progress dialog are over.
void SyncAction::execute()
{
    ListsSyncUI front(listsUI()->userLists(), listsUI());
    front.normalSync();
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

SyncSingleListAction::SyncSingleListAction(ListsUI *ui)
    : ListsAction(tr("Sync list"), ui, ui)
{
}

QIcon SyncSingleListAction::currentIcon()
{
    return QIcon(QStringLiteral(":/sync_single_list.png"));
}

bool SyncSingleListAction::shouldBeEnabled()
{
    ListModel *list = currentList();
    return list && !list->isSyncPending();
}

void SyncSingleListAction::execute()
{
    if (ListModel *list = currentList())
        listsUI()->syncSingleListManually(list);
}
