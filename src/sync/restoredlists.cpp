#include "sync/restoredlists.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/listmerge.h"
#include "sync/uploadmark.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

QSet<QString> titledIdentities(const TaskList *list)
{
    QSet<QString> out;
    for (const Task *task : UploadMark::uploadedTasks(list))
        if (!task->title().isEmpty())
            out.insert(task->identity());
    return out;
}

// Each task of `list` takes the id of the task of `fetched` it is. Tasks
// made in one second, and pasted copies, share an identity: among those, one
// with the same content on each side is the same task, and so are the last
// one left on each side. Whatever else cannot be told goes up as new.
void takeIdsByIdentity(TaskList *list, const TaskList *fetched)
{
    QHash<QString, QList<const Task *>> there;
    for (const Task *task : UploadMark::uploadedTasks(fetched))
        there[task->identity()].append(task);
    QHash<QString, QList<Task *>> here;
    for (Task *task : UploadMark::uploadedTasks(list))
        here[task->identity()].append(task);
    const auto give = [](Task *task, const Task *source) {
        task->setId(source->id());
        task->setRevision(source->revision());
        task->setHashcode(source->hashcode());
    };
    for (auto it = here.begin(); it != here.end(); ++it) {
        QList<Task *> &mine = it.value();
        QList<const Task *> theirs = there.value(it.key());
        for (auto task = mine.begin(); task != mine.end();) {
            const auto same = std::find_if(theirs.begin(), theirs.end(),
                                           [&](const Task *t) { return ListMerge::sameContent(*task, t); });
            if (same == theirs.end()) {
                ++task;
                continue;
            }
            give(*task, *same);
            theirs.erase(same);
            task = mine.erase(task);
        }
        if (mine.size() == 1 && theirs.size() == 1)
            give(mine.first(), theirs.first());
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
    return titledIdentities(restored).intersects(titledIdentities(fetched));
}

bool RestoredLists::isPostedCopy(const TaskList *restored, const TaskList *fetched)
{
    return restored->name() == fetched->name() && isSameList(restored, fetched);
}

void RestoredLists::becomeServerList(ListModel *model, TaskList *fetched, ListsGroups *groups)
{
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
