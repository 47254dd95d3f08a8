#include "sync/runs/restoredlists.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/merges/listidentity.h"
#include "sync/merges/listmerge.h"
#include "sync/runs/listoutcome.h"
#include "sync/merges/uploadmark.h"

#include <QHash>
#include <QUuid>

#include <algorithm>

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

// The server id of the list here of backup key `key`, or the one an import
// not yet synchronised gave it; 0 for none.
quint32 idOfKey(const UserLists *lists, const QString &key)
{
    if (!lists || key.isEmpty())
        return 0;
    for (const ListModel *model : lists->models()) {
        const TaskList *list = model->taskList();
        const quint32 id = list->syncStatus() == TaskList::New ? RestoredLists::fileId(list) : list->serverId();
        if (model->backupKey() == key && id != 0)
            return id;
    }
    return 0;
}

// The upload of `list`, whose tasks took the ids of the server's `fetched`,
// changes what the server holds: a field, a task's content, or a task the
// server does not hold. Tasks only the server holds stay there.
bool changesServersCopy(const TaskList *list, const TaskList *fetched)
{
    if (UploadMark::listFieldsDigest(list) != UploadMark::listFieldsDigest(fetched))
        return true;
    const QHash<quint32, Task *> theirs = fetched->tasksById();
    const QList<Task *> mine = UploadMark::uploadedTasks(list);
    return std::any_of(mine.cbegin(), mine.cend(), [&theirs](const Task *task) {
        const Task *their = theirs.value(task->id(), nullptr);
        return !their || UploadMark::contentDigest(task) != UploadMark::contentDigest(their);
    });
}

} // namespace

void RestoredLists::prepare(UserLists *restored, const UserLists *replaced, const QByteArray &backupDigest)
{
    // The file's records name removals of whatever account wrote it.
    const QList<TaskList *> fileRecords = restored->deletedLists();
    for (TaskList *record : fileRecords)
        restored->purgeList(record);
    const QList<ListModel *> models = restored->models();
    for (int i = 0; i < models.size(); ++i) {
        ListModel *model = models.at(i);
        TaskList *list = model->taskList();
        quint32 id = list->syncStatus() == TaskList::New ? 0 : list->serverId();
        if (id == 0) {
            // Not on the server when the backup was made: the list here of
            // its key is the one it became since, or that an earlier import
            // of the backup posted.
            if (model->backupKey().isEmpty() && !backupDigest.isEmpty())
                model->setBackupKey(QString::fromLatin1(backupDigest) + QLatin1Char('/') + QString::number(i));
            id = idOfKey(replaced, model->backupKey());
        }
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

void RestoredLists::keyUnsentLists(UserLists *lists)
{
    bool keyed = false;
    for (ListModel *model : lists->models()) {
        if (model->taskList()->syncStatus() != TaskList::New || !model->backupKey().isEmpty())
            continue;
        model->setBackupKey(QUuid::createUuid().toString(QUuid::WithoutBraces));
        model->setChanged();
        keyed = true;
    }
    if (keyed)
        lists->setModified();
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

bool RestoredLists::isOthers(const TaskList *list)
{
    return list && !list->isOwned();
}

void RestoredLists::becomeServerList(ListModel *model, TaskList *fetched, ListsGroups *groups)
{
    if (isOthers(fetched)) {
        // Another user's: the backup's older copy would undo what they did
        // since. It is the server's list.
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
    const bool changes = changesServersCopy(list, fetched);
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
    // The user meant to go back, but may not know what changed there since.
    if (changes)
        ListOutcome::markKept(model, ListOutcome::Kept::Restored);
}

void RestoredLists::postAsNew(ListModel *model)
{
    model->taskList()->setPendingUpload(QString());
    model->setChanged();
}
