#include "sync/restoredlists.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/uploadmark.h"

#include <QHash>
#include <QSet>

namespace {

QSet<QString> titledIdentities(const TaskList *list)
{
    QSet<QString> out;
    for (const Task *task : UploadMark::uploadedTasks(list))
        if (!task->title().isEmpty())
            out.insert(task->identity());
    return out;
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
        model->setSharedEdited(model->sharedUserCount() > 0);
        model->setChanged();
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
    return titledIdentities(restored).intersects(titledIdentities(fetched));
}

void RestoredLists::becomeServerList(ListModel *model, TaskList *fetched, ListsGroups *groups)
{
    // Worked on a copy that then replaces the list, so that the views see
    // one change.
    TaskList *list = model->taskList()->clone();
    const QSet<Task *> restoredTasks = list->allTasks();
    QHash<QString, int> here;
    for (const Task *task : restoredTasks)
        ++here[task->identity()];
    QHash<QString, const Task *> there;
    QSet<QString> sharedThere;
    for (const Task *task : fetched->allTasks()) {
        if (there.contains(task->identity()))
            sharedThere.insert(task->identity());
        there.insert(task->identity(), task);
    }
    // Tasks made in one second, or pasted copies, share an identity: which
    // is which cannot be told, so those go up as new.
    for (Task *task : restoredTasks) {
        const Task *source = there.value(task->identity());
        if (!source || sharedThere.contains(task->identity()) || here.value(task->identity()) != 1)
            continue;
        task->setId(source->id());
        task->setRevision(source->revision());
        task->setHashcode(source->hashcode());
    }
    list->setSyncStatus(TaskList::Edited);
    list->setServerId(fetched->serverId());
    list->setRevision(fetched->revision());
    list->setOwned(fetched->isOwned());
    list->setOwner(fetched->owner());
    list->setPermissions(fetched->permissions());
    list->setPendingUpload(QString());
    if (groups)
        groups->setListServerId(groups->findListByLocalId(list->localId()), fetched->serverId());
    list->setAgreed(fetched);
    model->setTaskList(list);
    // The list never left the server: who shares it is as the server has it.
    model->setSharedUsers({});
    model->restoreSharedRevision(1);
    model->setSharedEdited(false);
    model->setChanged();
}

void RestoredLists::postAsNew(ListModel *model)
{
    model->taskList()->setPendingUpload(QString());
    model->setChanged();
}
