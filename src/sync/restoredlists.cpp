#include "sync/restoredlists.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/listidentity.h"
#include "sync/listmerge.h"
#include "sync/uploadmark.h"

#include <QHash>

namespace {

// Each task of `list` takes the id of the task of `fetched` it is (see
// ListIdentity::pairTasks). Whatever else cannot be told goes up as new.
void takeIdsByIdentity(TaskList *list, const TaskList *fetched)
{
    const QList<Task *> theirs = UploadMark::uploadedTasks(fetched);
    const QHash<Task *, const Task *> pairs
        = ListIdentity::pairTasks(UploadMark::uploadedTasks(list), QList<const Task *>(theirs.cbegin(), theirs.cend()));
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        it.key()->setId(it.value()->id());
        it.key()->setRevision(it.value()->revision());
        it.key()->setHashcode(it.value()->hashcode());
    }
}

} // namespace

void RestoredLists::prepare(UserLists *restored, const UserLists *replaced)
{
    // The file's records name removals of whatever account wrote it.
    const QList<TaskList *> fileRecords = restored->deletedLists();
    for (TaskList *record : fileRecords)
        restored->purgeList(record);
    for (ListModel *model : restored->models()) {
        TaskList *list = model->taskList();
        const quint32 id = list->syncStatus() == TaskList::New ? 0 : list->serverId();
        list->resetToNew();
        list->setPendingUpload(UploadMark::restored(id).text());
        // Posted anew, a list starts its sharing anew.
        model->restoreSharedRevision(1);
        model->setAgreedSharedUsers(QMap<QString, QString>());
        model->setSharedEdited(model->sharedUserCount() > 0);
    }
    if (replaced) {
        for (const TaskList *record : replaced->deletedLists()) {
            TaskList *copy = record->clone();
            UserLists::AddResult result = UserLists::Refused;
            restored->addList(copy, &result);
            if (result != UserLists::TakenAsDeleted)
                delete copy;
        }
    }
    restored->setModified();
}

quint32 RestoredLists::fileId(const TaskList *list)
{
    if (!list || list->syncStatus() != TaskList::New)
        return 0;
    return UploadMark::read(list->pendingUpload()).restoredId();
}

bool RestoredLists::isSameList(const TaskList *restored, const TaskList *fetched)
{
    return ListIdentity::isRestored(*restored, *fetched);
}

bool RestoredLists::isPostedCopy(const TaskList *restored, const TaskList *fetched)
{
    return ListIdentity::isPostedCopy(*restored, *fetched);
}

void RestoredLists::becomeServerList(ListModel *model, TaskList *fetched, ListsGroups *groups)
{
    if (!fetched->isOwned() && !fetched->permissions().contains(QLatin1Char('w'))) {
        // Nothing of the backup's can go onto it: it is the server's list.
        if (groups)
            groups->setListServerId(groups->findListByLocalId(model->taskList()->localId()), fetched->serverId());
        fetched->agreeAsIs();
        fetched->setLocalId(model->taskList()->localId());
        if (groups)
            groups->placeAsAgreed(fetched);
        model->setTaskList(fetched);
        model->setSharedUsers({});
        model->setSharedEdited(false);
        return;
    }
    // Worked on a copy that then replaces the list, so that the views see
    // one change.
    TaskList *list = model->taskList()->clone();
    takeIdsByIdentity(list, fetched);
    list->setSyncStatus(TaskList::Edited);
    list->setServerId(fetched->serverId());
    list->setRevision(fetched->revision());
    list->setOwned(fetched->isOwned());
    list->setPermissions(fetched->permissions());
    list->setPendingUpload(QString());
    if (groups) {
        groups->setListServerId(groups->findListByLocalId(list->localId()), fetched->serverId());
        // The import put it in the default group: it goes back where the
        // groups had the server's list.
        groups->placeAsAgreed(list);
    }
    list->setAgreed(fetched);
    model->setTaskList(list);
    // The list never left the server: who shares it is as the server has it
    // (an access withdrawn there since is not given back).
    model->setSharedUsers({});
    model->setAgreedSharedUsers(std::nullopt);
    model->restoreSharedRevision(1);
    model->setSharedEdited(false);
}

void RestoredLists::postAsNew(ListModel *model)
{
    model->taskList()->setPendingUpload(QString());
    model->setChanged();
}

void RestoredLists::replaceWhenForced(ListModel *model, ListsGroups *groups)
{
    TaskList *list = model->taskList();
    const quint32 id = fileId(list);
    if (id == 0)
        return;
    if (groups)
        groups->placeAsAgreed(list, id);
    list->setPendingUpload(UploadMark::replacing(id).text());
    model->setChanged();
}
