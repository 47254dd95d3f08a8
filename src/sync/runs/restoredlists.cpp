#include "sync/runs/restoredlists.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "sync/merges/listmerge.h"
#include "sync/merges/uploadmark.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listsynchronizer.h"

#include <QHash>
#include <QSet>
#include <QUuid>

namespace {

using Users = QMap<QString, QString>;

// The tasks below `parent` the server knows, each id once: one it never
// had (made before the backup, not sent) is taken out, its subtasks in its
// place.
void keepKnownTasks(Task *parent, QSet<quint32> &seen)
{
    for (int i = 0; i < parent->childCount();) {
        Task *task = parent->child(i);
        if (task->id() != 0 && !seen.contains(task->id())) {
            seen.insert(task->id());
            keepKnownTasks(task, seen);
            ++i;
            continue;
        }
        const QList<Task *> below = task->children();
        for (int j = 0; j < below.size(); ++j)
            parent->insertChild(task->takeChild(below.at(j)), i + 1 + j);
        parent->deleteChild(task);
    }
}

TaskList *knownTasksOf(const TaskList &list)
{
    TaskList *out = list.clone();
    out->setRemovedTasks({});
    out->setPendingUpload(QString());
    out->setUntoldKept(QString());
    out->setUntoldKeptAs(QString());
    out->setUntoldKeptTasks({});
    QSet<quint32> seen;
    keepKnownTasks(out->rootTask(), seen);
    return out;
}

// The backup key of a list an import posted anew in place of the server's
// list `id`, which the server no longer had.
QString keyOf(quint32 id)
{
    return QStringLiteral("posted-for/%1").arg(id);
}

// The list here of backup key `key`, or null.
ListModel *ofKey(const UserLists *lists, const QString &key)
{
    if (!lists || key.isEmpty())
        return nullptr;
    for (ListModel *model : lists->models())
        if (model->backupKey() == key)
            return model;
    return nullptr;
}

// The sharing of `model` stands as `from` agreed it with the server, its
// users `users`: the difference is an edit of this computer's.
void takeSharingState(ListModel *model, const ListModel *from, const Users &users)
{
    const quint32 revision = from->sharedRevision();
    const std::optional<Users> agreed = from->agreedSharedUsers();
    const std::optional<Users> sent = from->sentSharedUsers();
    model->setSharedUsers(users);
    model->restoreSharedRevision(revision);
    model->setAgreedSharedUsers(agreed ? agreed : users);
    model->setSentSharedUsers(sent);
    model->setSharedEdited(users != agreed.value_or(users));
}

// This computer's copy of a list stays in place of the backup's.
void keepOwnCopy(ListModel *model, const ListModel *here)
{
    model->setTaskList(here->taskList()->clone());
    takeSharingState(model, here, here->sharedUsers());
}

// The list restored under its id, as an edit of the user's made against
// the list as the backup holds it. What this computer knew of the server's
// list (`here`, the list it replaces, else the backup's) stands: its
// revision when newer.
void restore(ListModel *model, const TaskList *hereList)
{
    TaskList *list = model->taskList();
    quint32 revision = list->revision();
    if (hereList && !ListSyncTraits::mustFetch(hereList))
        revision = qMax(revision, hereList->revision());
    list->setRemovedTasks({});
    list->setSyncStatus(TaskList::Edited);
    list->setRevision(revision);
    list->setPendingUpload(UploadMark::restored().text());
    TaskList *base = knownTasksOf(*list);
    base->setSyncStatus(TaskList::Unedited);
    list->setAgreed(base);
}

// The sharing as the backup holds it: its people an edit of the sharing it
// had agreed with the server, at that revision, which the next run merges
// with the server's. What this computer agreed since is not what the
// backup was made against: an edit against it would give back an access
// withdrawn elsewhere since, or take away one given. A backup that does not
// know what it agreed (an earlier version's) sends its people only while
// the server's have not changed since; else the server's stay.
void restoreSharing(ListModel *model)
{
    const std::optional<Users> agreed = model->agreedSharedUsers();
    if (!agreed)
        return;
    const Users users = model->sharedUsers();
    Users changes;
    for (const QString &name : users.keys() + agreed->keys())
        if (users.value(name) != agreed->value(name))
            changes.insert(name, users.value(name));
    model->setImportedSharing(changes);
}

// The tasks of both in document order are the same tasks, with the same
// content, at the same places.
bool sameTasks(const TaskList &a, const TaskList &b)
{
    if (UploadMark::listFieldsDigest(&a) != UploadMark::listFieldsDigest(&b))
        return false;
    const QList<Task *> ours = UploadMark::uploadedTasks(&a);
    const QList<Task *> theirs = UploadMark::uploadedTasks(&b);
    if (ours.size() != theirs.size())
        return false;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        const Task *x = ours.at(i);
        const Task *y = theirs.at(i);
        if (x->id() != y->id() || x->level() != y->level() || !ListMerge::sameContent(x, y))
            return false;
    }
    return true;
}

} // namespace

RestoredLists::Imported RestoredLists::prepare(UserLists *restored, const UserLists *replaced, bool idsHold,
                                               const QByteArray &backupDigest)
{
    Imported told;
    // The file's records name removals of whatever account wrote it.
    const QList<TaskList *> fileRecords = restored->deletedLists();
    for (TaskList *record : fileRecords)
        restored->purgeList(record);
    QSet<quint32> held;
    const QList<ListModel *> models = restored->models();
    QSet<quint32> ofBackup;
    for (const ListModel *model : models)
        if (idsHold && model->taskList()->syncStatus() != TaskList::New)
            ofBackup.insert(model->taskList()->serverId());
    for (int i = 0; i < models.size(); ++i) {
        ListModel *model = models.at(i);
        TaskList *list = model->taskList();
        // What the user was told before the backup was made is no news.
        list->setUntoldKept(QString());
        list->setUntoldKeptAs(QString());
        list->setUntoldKeptTasks({});
        model->setUntoldSharing({});
        model->setImportedSharing({});
        if (!idsHold && !list->isOwned()) {
            restored->purgeList(list);
            continue;
        }
        // Another account's people: not this one's to share with.
        if (!idsHold)
            model->setSharedUsers({});
        const quint32 id = idsHold && list->syncStatus() != TaskList::New ? list->serverId() : 0;
        const ListModel *hereModel = id != 0 && replaced ? replaced->findModelByServerId(id) : nullptr;
        const TaskList *hereList = hereModel ? hereModel->taskList()
                                   : id != 0 && replaced ? replaced->findDeletedByServerId(id)
                                                         : nullptr;
        if (id != 0 && !list->isOwned()) {
            // Another user's: the backup's older copy would undo what they
            // did since.
            if (hereModel)
                keepOwnCopy(model, hereModel);
            else
                restored->purgeList(list);
            continue;
        }
        // Without an id, or with one no list here holds: the list here of
        // its key is the one it became since (synchronised, or posted anew
        // by an earlier import of the backup).
        if (id == 0 && model->backupKey().isEmpty() && !backupDigest.isEmpty())
            model->setBackupKey(QString::fromLatin1(backupDigest) + QLatin1Char('/') + QString::number(i));
        const ListModel *became = ofKey(replaced, id == 0 ? model->backupKey() : hereList ? QString() : keyOf(id));
        // One the backup holds under its own id is that one.
        if (became && ofBackup.contains(became->taskList()->serverId()))
            became = nullptr;
        if (became && became->taskList()->syncStatus() != TaskList::New) {
            // Nothing in the backup tells which of its tasks are which.
            told.keptHere << became->taskList()->name();
            held.insert(became->taskList()->serverId());
            keepOwnCopy(model, became);
            model->setBackupKey(became->backupKey());
            continue;
        }
        if (id == 0 || became) {
            list->resetToNew();
            ListOutcome::startSharingAnew(model);
            // What an upload of it still in doubt sent may be on the server.
            if (became) {
                list->setPendingUpload(became->taskList()->pendingUpload());
                model->setBackupKey(became->backupKey());
            } else {
                (idsHold ? told.neverSynchronised : told.otherAccount) << list->name();
            }
            continue;
        }
        held.insert(id);
        // Posted, its copy never fetched back: fetched as in any run.
        if (!ListSyncTraits::mustFetch(list)) {
            restore(model, hereList);
            restoreSharing(model);
        }
    }
    if (replaced) {
        for (const TaskList *record : replaced->deletedLists()) {
            if (held.contains(record->serverId()))
                continue;
            TaskList *copy = record->clone();
            UserLists::AddResult result = UserLists::Refused;
            restored->addList(copy, &result);
            if (result != UserLists::TakenAsDeleted)
                delete copy;
        }
    }
    restored->setModified();
    return told;
}

QStringList RestoredLists::dropRepeatedTaskIds(UserLists *lists)
{
    QStringList named;
    for (ListModel *model : lists->models()) {
        QSet<quint32> seen;
        bool repeated = false;
        model->taskList()->rootTask()->forEachBelow([&](Task *task) {
            if (task->id() == 0 || !seen.contains(task->id())) {
                seen.insert(task->id());
                return;
            }
            task->setId(0);
            task->setRevision(0);
            task->setHashcode(QString());
            repeated = true;
        });
        if (repeated)
            named << model->taskList()->name();
    }
    return named;
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

bool RestoredLists::waitsForFullRun(const TaskList *list)
{
    const UploadMark mark = UploadMark::read(list->pendingUpload());
    return (list->syncStatus() == TaskList::Edited && mark.carriesImport())
           || (list->syncStatus() == TaskList::New && mark.isEarlierRestore());
}

std::shared_ptr<const TaskList> RestoredLists::importBase(const TaskList *list)
{
    if (std::shared_ptr<const TaskList> agreed = list->sharedAgreed())
        return agreed;
    return std::shared_ptr<const TaskList>(knownTasksOf(*list));
}

TaskList *RestoredLists::importedOnto(const TaskList &backup, const TaskList &server)
{
    TaskList *out = TaskList::create();
    out->setSyncStatus(TaskList::Unedited);
    out->setServerId(server.serverId());
    out->setRevision(server.revision());
    out->setOwned(server.isOwned());
    out->setOwner(server.owner());
    out->setPermissions(server.permissions());
    out->setName(backup.name());
    out->setDone(backup.isDone());
    out->setDescription(backup.description());
    for (const Task *task : backup.rootTask()->children())
        out->rootTask()->insertChild(task->clone(), out->rootTask()->childCount());
    const QHash<quint32, Task *> there = server.tasksById();
    QHash<quint32, Task *> placed = out->tasksById();
    for (Task *task : std::as_const(placed)) {
        if (const Task *theirs = there.value(task->id())) {
            task->setRevision(theirs->revision());
            task->setHashcode(theirs->hashcode());
        }
    }
    // The server's other tasks, parents first: under their parent there,
    // before the nearest task after them there that is beside them here,
    // else last.
    server.rootTask()->forEachBelow([&](const Task *task) {
        if (task->id() == 0 || placed.contains(task->id()))
            return;
        const Task *parent = task->parent();
        Task *holder = placed.value(parent->id(), nullptr);
        if (parent == server.rootTask() || !holder || holder->level() >= TaskReaderWriter::maxTaskDepth)
            holder = out->rootTask();
        int at = holder->childCount();
        for (int i = parent->indexOfChild(task) + 1; i < parent->childCount() && at == holder->childCount(); ++i) {
            const Task *after = placed.value(parent->child(i)->id(), nullptr);
            if (after && after->parent() == holder)
                at = holder->indexOfChild(after);
        }
        Task *copy = Task::withFields(task->fields());
        for (const TaskAttachment *attachment : task->attachments())
            copy->addAttachment(attachment->clone());
        holder->insertChild(copy, at);
        placed.insert(task->id(), copy);
    });
    return out;
}

void RestoredLists::keepServerIds(TaskList *merged, const TaskList &server)
{
    const QHash<quint32, Task *> there = server.tasksById();
    merged->rootTask()->forEachBelow([&there](Task *task) {
        if (task->id() != 0 && !there.contains(task->id())) {
            task->setId(0);
            task->setRevision(0);
            task->setHashcode(QString());
        }
    });
    QList<Task *> removals;
    for (Task *removed : merged->removedTasks())
        if (there.contains(removed->id()))
            removals << removed;
    merged->setRemovedTasks(removals);
}

bool RestoredLists::markWhatItChanges(TaskList *list, const TaskList &backup, const TaskList &imported,
                                      const TaskList &server, bool whole)
{
    if (sameTasks(imported, server))
        return false;
    const QHash<quint32, Task *> backups = backup.tasksById();
    bool addedThere = false;
    for (const Task *task : UploadMark::uploadedTasks(&server))
        addedThere = addedThere || !backups.contains(task->id());
    using Kept = ListOutcome::Kept;
    ListOutcome::markKept(list, !addedThere ? Kept::RestoredChanged : whole ? Kept::RestoredWhole : Kept::Restored);
    return true;
}

void RestoredLists::postAnew(ListModel *model)
{
    // The backup's list of that id is this one from now on.
    model->setBackupKey(keyOf(model->taskList()->serverId()));
    model->taskList()->resetToNew();
    ListOutcome::startSharingAnew(model);
    ListOutcome::markKept(model, ListOutcome::Kept::RestoredBack);
}

void RestoredLists::settleImportedSharing(ListModel *model, const QMap<QString, QString> &before,
                                          const QMap<QString, QString> &there)
{
    const Users asked = model ? model->importedSharing() : Users();
    if (asked.isEmpty())
        return;
    Users untold = model->untoldSharing();
    for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
        // Empty letters: no access.
        const bool changed = there.value(it.key()) != before.value(it.key());
        if (changed && there.value(it.key()) == it.value())
            untold.insert(it.key(), it.value());
    }
    model->setUntoldSharing(untold);
    model->setImportedSharing({});
    model->setChanged();
}

void RestoredLists::settleEarlierImports(UserLists *lists, ListsGroups *groups)
{
    if (!lists)
        return;
    for (ListModel *model : lists->models()) {
        TaskList *list = model->taskList();
        if (list->syncStatus() != TaskList::New || !UploadMark::read(list->pendingUpload()).isEarlierRestore())
            continue;
        if (!list->isOwned()) {
            if (groups)
                groups->removeList(list);
            lists->purgeList(list);
            continue;
        }
        list->setPendingUpload(QString());
        list->setName(ListOutcome::keptCopyName(list->name()));
        ListOutcome::markKept(model, ListOutcome::Kept::UnknownBase);
        lists->setModified();
    }
}
