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
#include <QMultiHash>
#include <QSet>
#include <QUuid>

#include <functional>

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
    // The removals the backup records are the import's too.
    QList<Task *> removals;
    for (const Task *removed : list->removedTasks())
        if (removed->id() != 0)
            removals << removed->clone();
    list->setRemovedTasks(removals);
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

// The sharing of a list the backup's became since (posted anew, first
// synchronised) is this computer's of it, what the import changes of it
// (see restoreSharing) an edit of that.
void takeSharingOf(ListModel *model, const ListModel *here)
{
    Users users = here->sharedUsers();
    const Users changes = model->importedSharing();
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isEmpty())
            users.remove(it.key());
        else
            users.insert(it.key(), it.value());
    }
    takeSharingState(model, here, users);
}

// What each task of the lists here is: by lineage, by server id, with the
// list that holds it. Only tasks the server knows count: one without an id
// (typed, or moved, and not sent) is nothing the server holds.
class TasksHere
{
public:
    struct Place
    {
        const ListModel *model = nullptr;
        const Task *task = nullptr;
    };

    explicit TasksHere(const UserLists *lists)
    {
        for (const ListModel *model : lists ? lists->models() : QList<ListModel *>()) {
            model->taskList()->rootTask()->forEachBelow([&](const Task *task) {
                if (task->id() == 0)
                    return;
                m_byLineage.insert(task->lineage(), {model, task});
                m_byId.insert(task->id(), {model, task});
            });
        }
    }

    // The task here of that lineage: the one in `in` first, else one in
    // another list.
    Place ofLineage(quint64 lineage, const ListModel *in) const { return pick(m_byLineage.values(lineage), in); }
    Place ofId(quint32 id, const ListModel *in) const { return id ? pick(m_byId.values(id), in) : Place(); }

private:
    static Place pick(const QList<Place> &places, const ListModel *in)
    {
        for (const Place &place : places)
            if (place.model == in)
                return place;
        return places.isEmpty() ? Place() : places.first();
    }

    QMultiHash<quint64, Place> m_byLineage;
    QMultiHash<quint32, Place> m_byId;
};

// The removal records of `list` by lineage: tasks removed here since the
// backup whose removals were not sent yet.
QHash<quint64, const Task *> removalsByLineage(const TaskList *list)
{
    QHash<quint64, const Task *> out;
    for (const Task *removed : list ? list->removedTasks() : QList<Task *>())
        if (removed->id() != 0)
            out.insert(removed->lineage(), removed);
    return out;
}

// Each task of the backup's `list` taken to what this computer knows it as
// now, the list it is restored onto being `here`'s (null: none): a task
// typed before the backup and sent since takes its id; one the server
// holds in another list here (moved there since) is left there, and
// named in `moved`. Found by its id (`byId`: the backup's ids are this
// account's), a task takes the lineage this computer knows it by; without
// `byId`, one not found by its lineage keeps no id. True when the list is
// left holding a task the server never had (never sent, nor known here).
bool takeTasksHere(TaskList *list, const ListModel *here, const TasksHere &tasks, bool byId, QStringList *moved)
{
    const QHash<quint64, const Task *> removedHere = removalsByLineage(here ? here->taskList() : nullptr);
    QSet<quint64> seen;
    bool unknown = false;
    const std::function<void(Task *)> visit = [&](Task *parent) {
        for (int i = 0; i < parent->childCount();) {
            Task *task = parent->child(i);
            TasksHere::Place found;
            // One lineage twice in the backup: the second is another task
            // (told with the id it repeats, if any).
            const bool repeated = seen.contains(task->lineage());
            if (!repeated)
                found = tasks.ofLineage(task->lineage(), here);
            else
                task->setLineage(Task::newLineage());
            seen.insert(task->lineage());
            if (!found.task && !removedHere.contains(task->lineage()) && byId)
                found = tasks.ofId(task->id(), here);
            if (found.task && found.model != here) {
                *moved << RestoredLists::tr("%1: %2 (now in \"%3\")")
                              .arg(list->name(), task->title(), found.model->taskList()->name());
                // What was below it and went elsewhere, or nowhere, is judged
                // on its own.
                const QList<Task *> below = task->children();
                for (int j = 0; j < below.size(); ++j)
                    parent->insertChild(task->takeChild(below.at(j)), i + 1 + j);
                parent->deleteChild(task);
                continue;
            }
            if (found.task) {
                task->setId(found.task->id());
                task->setLineage(found.task->lineage());
            } else if (const Task *removed = removedHere.value(task->lineage())) {
                task->setId(removed->id());
            } else {
                if (!byId)
                    task->setId(0);
                unknown = unknown || (task->id() == 0 && !repeated && !task->isBlankRecursively());
            }
            visit(task);
            ++i;
        }
    };
    visit(list->rootTask());
    return unknown;
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

namespace {

// The list here a list of the backup is: the one its identity names (its
// backup key, kept when it was posted anew or first synchronised), else
// the one of its id, else the one an earlier version's import posted anew
// in place of that id. Null when none is.
const ListModel *listHere(const UserLists *replaced, const ListModel *model, quint32 id)
{
    if (!replaced)
        return nullptr;
    if (const ListModel *keyed = ofKey(replaced, model->backupKey()))
        return keyed;
    if (const ListModel *same = id != 0 ? replaced->findModelByServerId(id) : nullptr)
        return same;
    return id != 0 ? ofKey(replaced, keyOf(id)) : nullptr;
}

} // namespace

RestoredLists::Imported RestoredLists::prepare(UserLists *restored, const UserLists *replaced, bool idsHold,
                                               const QByteArray &backupDigest)
{
    Imported told;
    QSet<quint32> held;
    // The file's records name removals of whatever account wrote it: of
    // this one's, removals the backup restores.
    const QList<TaskList *> fileRecords = restored->deletedLists();
    for (TaskList *record : fileRecords) {
        if (idsHold && record->serverId() != 0)
            held.insert(record->serverId());
        else
            restored->purgeList(record);
    }
    const TasksHere tasksHere(replaced);
    const QList<ListModel *> models = restored->models();
    QSet<quint32> ofBackup;
    for (const ListModel *model : models)
        if (idsHold && model->taskList()->syncStatus() != TaskList::New)
            ofBackup.insert(model->taskList()->serverId());
    QSet<const ListModel *> taken;
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
        if (id != 0 && !list->isOwned()) {
            // Another user's: the backup's older copy would undo what they
            // did since.
            if (const ListModel *hereModel = replaced ? replaced->findModelByServerId(id) : nullptr)
                keepOwnCopy(model, hereModel);
            else
                restored->purgeList(list);
            continue;
        }
        // A list the file gives neither an id nor a backup key is keyed by
        // the file and its place in it.
        if (id == 0 && model->backupKey().isEmpty() && !backupDigest.isEmpty())
            model->setBackupKey(QString::fromLatin1(backupDigest) + QLatin1Char('/') + QString::number(i));
        const ListModel *here = listHere(replaced, model, id);
        // One the backup holds under its own id is that one, and a list
        // here is what one list of the backup became.
        if (here && ((here->taskList()->serverId() != id && ofBackup.contains(here->taskList()->serverId()))
                     || taken.contains(here)))
            here = nullptr;
        if (here)
            taken.insert(here);
        const TaskList *hereList = here ? here->taskList() : nullptr;
        const bool onServer = hereList && hereList->syncStatus() != TaskList::New;
        // Nothing in a backup of an earlier version tells which of its tasks
        // a list here is, since that one became a list of its own.
        const bool becameOwn = onServer && hereList->serverId() != id;
        if (becameOwn && (!restored->tasksIdentified() || ListSyncTraits::mustFetch(hereList))) {
            told.keptHere << hereList->name();
            held.insert(hereList->serverId());
            keepOwnCopy(model, here);
            model->setBackupKey(here->backupKey());
            continue;
        }
        if (here && !here->backupKey().isEmpty())
            model->setBackupKey(here->backupKey());
        // Taken to what this computer knows each task as: a task the server
        // holds in another list here stays there.
        const bool unknownTasks
            = takeTasksHere(list, onServer ? here : nullptr, tasksHere, idsHold, &told.movedSince);
        if (here && !onServer) {
            // Not on the server yet: an upload of it in doubt may be.
            list->resetToNew();
            ListOutcome::startSharingAnew(model);
            list->setPendingUpload(hereList->pendingUpload());
            continue;
        }
        if (!onServer && id == 0) {
            list->resetToNew();
            ListOutcome::startSharingAnew(model);
            (idsHold ? told.neverSynchronised : told.otherAccount) << list->name();
            continue;
        }
        if (becameOwn) {
            // Posted anew, or first synchronised, since: that list, under
            // its id now.
            list->setServerId(hereList->serverId());
            list->setRevision(hereList->revision());
            list->setSyncStatus(TaskList::Unedited);
        }
        const quint32 restoredId = list->serverId();
        held.insert(restoredId);
        if (unknownTasks && onServer)
            told.newTasks << list->name();
        if (!hereList && replaced)
            hereList = replaced->findDeletedByServerId(restoredId);
        // Posted, its copy never fetched back: fetched as in any run.
        if (!ListSyncTraits::mustFetch(list)) {
            restore(model, hereList);
            restoreSharing(model);
            if (becameOwn)
                takeSharingOf(model, here);
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

void RestoredLists::keyLists(UserLists *lists)
{
    bool keyed = false;
    for (ListModel *model : lists->models()) {
        if (!model->backupKey().isEmpty())
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

std::shared_ptr<const TaskList> RestoredLists::withRemovals(const std::shared_ptr<const TaskList> &base,
                                                           const TaskList &list, const TaskList &imported)
{
    const QHash<quint32, Task *> there = imported.tasksById();
    const QHash<quint32, Task *> known = base->tasksById();
    QList<const Task *> removals;
    for (const Task *removed : list.removedTasks())
        if (there.contains(removed->id()) && !known.contains(removed->id()))
            removals << removed;
    if (removals.isEmpty())
        return base;
    std::shared_ptr<TaskList> out(base->clone());
    const QHash<quint32, Task *> placed = out->tasksById();
    for (const Task *removed : std::as_const(removals)) {
        // As it was when removed, where the server holds it.
        const Task *parent = there.value(removed->id())->parent();
        Task *holder = placed.value(parent->id(), nullptr);
        if (!holder || parent->id() == 0)
            holder = out->rootTask();
        Task *task = removed->clone();
        task->deleteChildren();
        holder->insertChild(task, holder->childCount());
    }
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

QStringList RestoredLists::movedAway(const TaskList &mine, TaskList *now, const TaskList *server,
                                     const UserLists *lists)
{
    QStringList out;
    if (!UploadMark::read(mine.pendingUpload()).carriesImport() || !lists)
        return out;
    mine.rootTask()->forEachBelow([&](const Task *task) {
        const TaskList *into = nullptr;
        if (!now->movedTask(task->lineage(), &into) || into == now)
            return;
        for (const TaskList *other : lists->taskLists())
            if (other == into)
                out << tr("%1: %2 (now in \"%3\")").arg(now->name(), task->title(), other->name());
    });
    if (!out.isEmpty() && server && now->removedTasks().isEmpty() && sameTasks(*now, *server))
        ListOutcome::forgetRestored(now);
    return out;
}

void RestoredLists::postAnew(ListModel *model)
{
    // The backup's list of that id is this one from now on: its key says
    // so, or, given none yet (no backup written since this version keys
    // every list), one naming that id.
    if (model->backupKey().isEmpty())
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
