#include "sync/listoutcome.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/listssynchost.h"
#include "sync/listsynchronizer.h"
#include "sync/syncnotices.h"
#include "sync/uploadmark.h"

#include <QDebug>
#include <QHash>

namespace {

void recordExpanded(const Task *task, QHash<quint32, bool> &flags)
{
    for (const Task *child : task->children()) {
        if (child->id() != 0)
            flags.insert(child->id(), child->isExpanded());
        recordExpanded(child, flags);
    }
}

void applyExpanded(Task *task, const QHash<quint32, bool> &flags)
{
    for (Task *child : task->children()) {
        if (child->id() != 0) {
            const auto it = flags.constFind(child->id());
            if (it != flags.constEnd())
                child->setExpanded(*it);
        }
        applyExpanded(child, flags);
    }
}

void collectTasks(const Task *task, QList<const Task *> &out)
{
    for (const Task *child : task->children()) {
        out << child;
        collectTasks(child, out);
    }
}

// The mark just set is on disk before the upload leaves.
void saveBeforeUpload(ListModel *model, ListsSyncHost *host)
{
    model->setChanged();
    if (host && !host->saveLists())
        qWarning() << "the lists could not be saved before an upload";
}

} // namespace

void ListOutcome::keepExpandedStates(const TaskList *oldList, TaskList *fetched)
{
    if (!oldList || !fetched)
        return;
    QHash<quint32, bool> flags;
    recordExpanded(oldList->rootTask(), flags);
    applyExpanded(fetched->rootTask(), flags);
}

void ListOutcome::markUpload(ListModel *model, quint32 highestKnownId, ListsSyncHost *host)
{
    if (!model)
        return;
    TaskList *list = model->taskList();
    list->setPendingUpload(UploadMark::make(highestKnownId, UploadMark::listDigest(list)));
    saveBeforeUpload(model, host);
}

namespace {

bool holdsTaskWithoutId(const Task *task)
{
    for (const Task *child : task->children())
        if (child->id() == 0 || holdsTaskWithoutId(child))
            return true;
    return false;
}

} // namespace

void ListOutcome::markUploadOfNewTasks(ListModel *model, ListsSyncHost *host)
{
    if (!model)
        return;
    TaskList *list = model->taskList();
    if (list->syncStatus() != TaskList::Edited || ListSyncTraits::mustFetch(list)
        || !holdsTaskWithoutId(list->rootTask()))
        return;
    list->setPendingUpload(ListSynchronizer::putMark(list));
    saveBeforeUpload(model, host);
}

void ListOutcome::takeOverPostedCopy(ListsGroups *groups, ListModel *model, TaskList *fetched)
{
    TaskList *list = model->taskList();
    if (groups)
        groups->setListServerId(groups->findListByLocalId(list->localId()), fetched->serverId());
    list->setSyncStatus(TaskList::Edited);
    list->setServerId(fetched->serverId());
    list->setRevision(fetched->revision());
    list->setPendingUpload(QString());
    list->rootTask()->clearIdsRecursively();
    QList<const Task *> posted;
    collectTasks(fetched->rootTask(), posted);
    for (const Task *task : posted) {
        Task *removed = task->clone();
        removed->deleteChildren();
        list->recordRemovedTask(removed);
    }
    delete fetched;
    model->setChanged();
}

ListModel *ListOutcome::applyFetchedExisting(UserLists *lists, ListsGroups *groups, ListModel *model,
                                             TaskList *fetched, bool *uploadAgain)
{
    if (uploadAgain)
        *uploadAgain = false;
    TaskList *oldList = model->taskList();
    if (ListSyncTraits::mustFetch(oldList) && oldList->syncStatus() == TaskList::Edited) {
        const QString mark = oldList->pendingUpload();
        if (UploadMark::unchangedSince(mark, UploadMark::listDigest(oldList))) {
            // Changed and changed back: nothing of the user's is lost.
            oldList->setSyncStatus(TaskList::Unedited);
        } else if (UploadMark::unchangedSince(mark, UploadMark::listDigest(fetched))) {
            takeOverPostedCopy(groups, model, fetched);
            if (uploadAgain)
                *uploadAgain = true;
            return nullptr;
        }
    }
    if (groups)
        groups->setListServerId(groups->findListByLocalId(oldList->localId()), fetched->serverId());
    keepExpandedStates(oldList, fetched);

    // The server's copy holds what was posted; edits made since then exist
    // only here, and giving them way would lose them without a word.
    TaskList *mine = nullptr;
    if (ListSyncTraits::mustFetch(oldList) && oldList->syncStatus() == TaskList::Edited) {
        mine = oldList->clone();
        mine->resetToNew();
        mine->setLocalId(0);
        mine->setName(keptCopyName(oldList->name()));
    }
    lists->replaceList(model, fetched);
    if (!mine)
        return nullptr;
    ListModel *copy = lists->addList(mine);
    if (copy)
        copy->setChanged();
    return copy;
}

void ListOutcome::recordAssignedId(ListModel *model, quint32 id)
{
    if (!model || id == 0 || model->taskList()->syncStatus() != TaskList::New)
        return;
    ListSynchronizer::recordAssignedId(model->taskList(), id);
    model->setChanged();
}

QString ListOutcome::keptCopyName(const QString &name)
{
    return tr("%1 (my changes)").arg(name);
}

void ListOutcome::tellAboutKeptCopies(const QStringList &names)
{
    if (names.isEmpty())
        return;
    SyncNotices::tell(
        tr("Sync"),
        tr("These lists changed here before the server had confirmed them. The server's copy was "
           "taken, and your version was kept beside it as a new list:\n%1")
            .arg(names.join(QLatin1Char('\n'))));
}
