#include "sync/runs/listsynchronizer.h"

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "model/task.h"
#include "model/taskreaderwriter.h"

#include "sync/merges/listmerge.h"
#include "sync/merges/uploadmark.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/restoredlists.h"

#include <QHash>
#include <QMultiHash>
#include <QSet>

#include <algorithm>

template class ItemSynchronizer<ListSyncTraits>;

ListSynchronizer::ListSynchronizer(quint32 id, ListInfo *serverInfo, TaskList *localList,
                                   int progressStep, QObject *parent)
    : ItemSynchronizer<ListSyncTraits>(id, serverInfo, localList, progressStep, parent)
{
    const UploadMark mark = UploadMark::read(localList ? localList->pendingUpload() : QString());
    setReplacesWhole(localList && localList->syncStatus() == TaskList::Edited
                     && (mark.isWhole() || mark.isRestored()));
}

void ListSynchronizer::cancel()
{
    cancelRun(tr("Sync canceled"));
}

QStringList ListSynchronizer::keptThoughRemovedHere() const
{
    QStringList titles;
    for (const Task *task : keptThoughRemovedHere(mergeReturn(), localList()))
        titles << task->title();
    return titles;
}

QList<const Task *> ListSynchronizer::keptThoughRemovedHere(const TaskList *before, const TaskList *merged)
{
    if (!before || !merged)
        return {};
    const QHash<quint32, Task *> kept = merged->tasksById();
    QList<const Task *> tasks;
    for (const Task *removed : before->removedTasks())
        if (const Task *task = kept.value(removed->id()); task && removed->id() != 0)
            tasks << task;
    return tasks;
}

void ListSynchronizer::recordAssignedId(TaskList *list, quint32 id)
{
    if (!list || id == 0)
        return;
    list->setSyncStatus(TaskList::Unedited);
    list->setServerId(id);
    list->setRevision(NotFetchedRevision);
}

bool ListSyncTraits::mustFetch(const TaskList *list)
{
    const auto status = list->syncStatus();
    return (status == TaskList::Unedited || status == TaskList::Edited)
        && list->revision() == ListSynchronizer::NotFetchedRevision;
}

// Without what the list agreed (left out of a file too large), what an
// update in doubt carried cannot be told from what changed since: the list
// goes as any list without it, the server's copy taken and its own kept
// beside.
bool ListSyncTraits::mayHoldUploadedParts(const TaskList *list)
{
    return list->syncStatus() == TaskList::Edited && UploadMark::read(list->pendingUpload()).isPut()
           && list->agreed();
}

namespace {

void forgetId(Task *task)
{
    task->setId(0);
    task->setRevision(0);
    task->setHashcode(QString());
}

} // namespace

QString ListSynchronizer::putMark(const TaskList *list)
{
    return UploadMark::ofListPut(list, UploadMark::read(list->pendingUpload())).text();
}

void ListSynchronizer::takeCopies(TaskList *list, const QList<const Task *> &copies,
                                  const QList<UploadMark::SentTask> &sent, const QSet<QString> &alsoSent,
                                  bool arrived, Removals removals)
{
    QHash<QString, int> sentCount;
    QMultiHash<QString, QString> sentContent;
    for (const UploadMark::SentTask &task : sent) {
        ++sentCount[task.identity];
        for (const QString &content : task.contents)
            sentContent.insert(task.identity, content);
    }
    auto wasSent = [&](const QString &identity) {
        return sentCount.contains(identity) || alsoSent.contains(identity);
    };

    struct Copy
    {
        const Task *task;
        QString identity;
        QString content;
        bool taken;
    };
    QList<Copy> pool;
    for (const Task *copy : copies) {
        const QString identity = UploadMark::identityDigest(copy);
        if (wasSent(identity))
            pool.append({copy, identity, UploadMark::contentDigest(copy), false});
    }
    struct Waiting
    {
        Task *task;
        QString identity;
        QString content;
    };
    QList<Waiting> waiting;
    QHash<QString, int> waitingCount;
    // Identities a task the server knows holds here too: a copy of that
    // identity may be another task's (a pasted copy keeps its source's).
    QSet<QString> heldByKnown;
    for (Task *task : UploadMark::uploadedTasks(list)) {
        const QString identity = UploadMark::identityDigest(task);
        if (task->id() != 0) {
            heldByKnown.insert(identity);
            continue;
        }
        if (!wasSent(identity))
            continue;
        waiting.append({task, identity, UploadMark::contentDigest(task)});
        ++waitingCount[identity];
    }

    QHash<QString, int> untaken;
    for (const Copy &copy : std::as_const(pool))
        ++untaken[copy.identity];
    QHash<QString, int> unpaired = waitingCount;
    auto take = [&](Waiting &w, Copy &copy) {
        copy.taken = true;
        --untaken[copy.identity];
        --unpaired[w.identity];
        w.task->setId(copy.task->id());
        w.task->setRevision(copy.task->revision());
        w.task->setHashcode(copy.task->hashcode());
        // Changed there by another client since, and left here as it was
        // sent: the server's version is the newer one.
        if (!sentContent.contains(w.identity, copy.content) && sentContent.contains(w.identity, w.content))
            w.task->takeFieldsFrom(copy.task);
    };
    // No more copies are the upload's than it sent of their identity: a
    // task of it made or moved here since is another.
    auto sentLeft = [&](const QString &identity) {
        return !sentCount.contains(identity)
               || sentCount.value(identity) > waitingCount.value(identity) - unpaired.value(identity);
    };
    // A copy is told by what it holds: the task's own content, then a
    // content it was sent with (changed here since, not there). Either way
    // nothing of another task's is written over.
    for (bool sameContent : {true, false}) {
        for (Waiting &w : waiting) {
            if (w.task->id() != 0 || !sentLeft(w.identity))
                continue;
            for (Copy &copy : pool) {
                if (!copy.taken && copy.identity == w.identity
                    && (sameContent ? copy.content == w.content : sentContent.contains(w.identity, copy.content))) {
                    take(w, copy);
                    break;
                }
            }
        }
    }
    // Changed there since: its identity alone tells the copy only when the
    // upload arrived and one task here and one copy there are left holding
    // it. Tasks made in the same second, here or elsewhere, and pasted
    // copies share an identity; such a task is sent again rather than
    // merged into another.
    if (arrived) {
        for (Waiting &w : waiting) {
            if (w.task->id() != 0 || heldByKnown.contains(w.identity) || unpaired.value(w.identity) != 1
                || untaken.value(w.identity) != 1 || !sentLeft(w.identity))
                continue;
            for (Copy &copy : pool) {
                if (!copy.taken && copy.identity == w.identity) {
                    take(w, copy);
                    break;
                }
            }
        }
    }

    if (removals == Removals::BothWays) {
        // Sent, left as it was, and gone from the server's copy: another
        // client removed it since, and nothing of the user's goes with it.
        // Not while a copy of its identity is left there (that may be it),
        // nor when more tasks here hold its identity than sent ones are gone
        // (a pasted copy keeps it): which went cannot be told. Deepest
        // first, so that a parent goes only with all its children.
        QHash<QString, int> gone;
        for (auto it = sentCount.cbegin(); it != sentCount.cend(); ++it) {
            const int missing = it.value() - (waitingCount.value(it.key()) - unpaired.value(it.key()));
            gone.insert(it.key(), unpaired.value(it.key()) <= missing ? missing : 0);
        }
        for (auto it = waiting.crbegin(); it != waiting.crend(); ++it) {
            Task *task = it->task;
            int &budget = gone[it->identity];
            if (budget > 0 && task->id() == 0 && task->childCount() == 0
                && sentContent.contains(it->identity, it->content) && untaken.value(it->identity) == 0) {
                --budget;
                list->removeTask(task);
            }
        }
    }

    // A sent task no longer here was removed here since: its copy goes
    // there too, when it is surely that task's: as it was sent, or the one
    // copy left of an upload that arrived. Copies beyond what was sent are
    // another client's.
    if (removals == Removals::None)
        return;
    QList<const Copy *> left;
    for (const Copy &copy : std::as_const(pool))
        if (!copy.taken)
            left.append(&copy);
    std::sort(left.begin(), left.end(), [](const Copy *a, const Copy *b) { return a->task->id() < b->task->id(); });
    QHash<QString, int> removable;
    for (auto it = sentCount.cbegin(); it != sentCount.cend(); ++it)
        removable.insert(it.key(), qMax(0, it.value() - waitingCount.value(it.key())));
    for (const Copy *copy : std::as_const(left)) {
        int &budget = removable[copy->identity];
        const bool asSent = sentContent.contains(copy->identity, copy->content);
        if (budget <= 0
            || (!asSent && (!arrived || heldByKnown.contains(copy->identity) || untaken.value(copy->identity) != 1)))
            continue;
        --budget;
        Task *removed = copy->task->clone();
        removed->deleteChildren();
        list->recordRemovedTask(removed);
    }
}

namespace {

// Whether an update in doubt reached the server, told by the server's copy:
// a task it changed reads there as it was sent, under a hash code the
// server gave it after the copy here was fetched, or a task it added is
// there; or it reads as a whole copy a forced run sent (one that only
// renamed the list, removed or moved tasks has nothing else to tell it).
bool arrivedBy(const UploadMark &mark, const TaskList *fetched, const QHash<quint32, Task *> &local,
               const QHash<quint32, Task *> &onServer, const QList<const Task *> &unknown)
{
    if (mark.hasArrived() || mark.sentWhole(fetched))
        return true;
    for (auto it = mark.knownTasks().cbegin(); it != mark.knownTasks().cend(); ++it) {
        const Task *here = local.value(it.key());
        const Task *there = onServer.value(it.key());
        if (here && there && here->hashcode() != there->hashcode()
            && it.value().contains(UploadMark::contentDigest(there)))
            return true;
    }
    for (const Task *task : unknown) {
        const QString identity = UploadMark::identityDigest(task);
        for (const UploadMark::SentTask &sent : mark.tasks())
            if (sent.identity == identity && sent.contents.contains(UploadMark::contentDigest(task)))
                return true;
    }
    return false;
}

// The server's tasks the list here knows by no id, its own or a removed one.
QList<const Task *> unknownTasks(const TaskList *list, const TaskList *fetched)
{
    QSet<quint32> known;
    list->rootTask()->forEachBelow([&known](const Task *task) { known.insert(task->id()); });
    for (const Task *removed : list->removedTasks())
        known.insert(removed->id());
    QList<const Task *> unknown;
    for (const Task *task : UploadMark::uploadedTasks(fetched))
        if (!known.contains(task->id()))
            unknown.append(task);
    return unknown;
}

} // namespace

bool ListSyncTraits::updateArrived(const TaskList *list, const TaskList *fetched)
{
    return arrivedBy(UploadMark::read(list->pendingUpload()), fetched, list->tasksById(), fetched->tasksById(),
                     unknownTasks(list, fetched));
}

// The server's copy, fetched before an update whose predecessor may have
// arrived unanswered, tells what that upload did there. Each task it added
// takes the id of its copy (by identity, never another task's), a copy
// whose task was removed here since is removed there, and a task whose id
// the server's copy lacks goes up as a new task, found again if an earlier
// upload added it already. When the upload arrived, what the user left as
// it was sent gives way to what another client did there since (an edit, a
// removal, the list's fields): sending it again would undo that.
bool ListSyncTraits::takeUploadedParts(TaskList *list, TaskList *fetched)
{
    UploadMark mark = UploadMark::read(list->pendingUpload());
    const QHash<quint32, Task *> onServer = fetched->tasksById();
    const QList<const Task *> unknown = unknownTasks(list, fetched);
    const bool arrived = arrivedBy(mark, fetched, list->tasksById(), onServer, unknown);

    auto sentAsIs = [&](const Task *task) {
        return mark.knownTasks().value(task->id()).contains(UploadMark::contentDigest(task));
    };
    // What an upload in doubt may have put there for the task: as known by
    // its id, or sent by an earlier one before it had an id (told by its
    // identity, which a pasted copy may share: the more, the fewer server
    // versions are taken for another client's).
    auto sentEver = [&](const Task *task, const QString &content) {
        if (mark.knownTasks().value(task->id()).contains(content))
            return true;
        const QString identity = UploadMark::identityDigest(task);
        for (const UploadMark::SentTask &sent : mark.tasks())
            if (sent.identity == identity && sent.contents.contains(content))
                return true;
        return false;
    };
    QSet<QString> readded;
    // A list that knows what it agreed with the server merges what each
    // side changed next: only the new tasks' copies are found here.
    const bool merges = ListSyncTraits::mergesBeforePut(list);
    const QList<Task *> tasks = merges ? QList<Task *>() : UploadMark::uploadedTasks(list);
    // Deepest first, so that a task goes only with all its subtasks.
    for (auto it = tasks.crbegin(); it != tasks.crend(); ++it) {
        Task *task = *it;
        if (task->id() == 0)
            continue;
        if (const Task *there = onServer.value(task->id())) {
            if (arrived && sentAsIs(task) && !sentEver(task, UploadMark::contentDigest(there))) {
                task->takeFieldsFrom(there);
                task->setRevision(there->revision());
                task->setHashcode(there->hashcode());
            }
            continue;
        }
        // Not one the user removed there and brought back here (by undo).
        const bool removedThere = arrived && sentAsIs(task) && task->childCount() == 0
                                  && !mark.removedTasks().contains(task->id());
        forgetId(task);
        if (removedThere)
            list->removeTask(task);
        else
            readded.insert(UploadMark::identityDigest(task));
    }
    const QStringList &fieldsSent = mark.fieldsDigests();
    if (arrived && !merges && fieldsSent.contains(UploadMark::listFieldsDigest(list))
        && !fieldsSent.contains(UploadMark::listFieldsDigest(fetched))) {
        list->setName(fetched->name());
        list->setDone(fetched->isDone());
        list->setDescription(fetched->description());
    }
    ListSynchronizer::takeCopies(list, unknown, mark.tasks(), readded, arrived);
    // The mark now names the update about to leave.
    list->setPendingUpload(UploadMark::ofListPut(list, mark).text());
    return arrived;
}

bool ListSyncTraits::mergesBeforePut(const TaskList *list)
{
    const UploadMark mark = UploadMark::read(list->pendingUpload());
    return mark.isWhole() || mark.isRestored() || list->fitsAgreed(list->agreed());
}

// A forced run is carried out over what the server held when it looked, not
// over what another computer did there since: a later copy is merged, as
// the list's changes are in any run.
bool ListSyncTraits::replacesWholeOnto(const TaskList *list, const TaskList *fetched)
{
    // A server's copy is never at revision 0, which a mark without one gives.
    return fetched->revision() == UploadMark::read(list->pendingUpload()).wholeSeenRevision();
}

bool ListSyncTraits::mergesOnto(const TaskList *list, const TaskList *fetched)
{
    return replacesWholeOnto(list, fetched) || UploadMark::read(list->pendingUpload()).carriesImport()
           || list->fitsAgreed(list->agreed());
}

// An edited list whose agreed copy is missing, or cannot be what it agreed:
// put whole onto a server copy changed since, it would undo what another
// computer did there.
bool ListSyncTraits::looksBeforePut(const TaskList *list)
{
    return list->syncStatus() == TaskList::Edited && !mustFetch(list) && !mergesBeforePut(list);
}

// Without an agreed copy that the server's copy can have grown from, no
// change can be told from no change on either side.
bool ListSyncTraits::givesWayTo(const TaskList *list, const TaskList *fetched)
{
    // An import is carried out onto whatever the server holds.
    if (replacesWholeOnto(list, fetched) || UploadMark::read(list->pendingUpload()).carriesImport())
        return false;
    const bool unknownBase = list->syncStatus() == TaskList::Edited && !mustFetch(list)
                             && !list->fitsAgreed(list->agreed());
    return unknownBase || !TaskList::grewFrom(list->agreed(), fetched);
}

namespace {

// The same tasks, by what a merge can change in them: their content, their
// place, what is below them.
bool sameTree(const Task *a, const Task *b)
{
    if (a->childCount() != b->childCount())
        return false;
    for (int i = 0; i < a->childCount(); ++i)
        if (!ListMerge::sameContent(a->child(i), b->child(i)) || !sameTree(a->child(i), b->child(i)))
            return false;
    return true;
}

} // namespace

// What this computer changed since it agreed with the server goes onto the
// server's copy: the list becomes the merge, with that copy as what it
// agreed, and the update about to leave carries only the changes.
TaskList *ListSyncTraits::mergeBeforePut(TaskList *list, TaskList *fetched, bool inDoubt, bool arrived,
                                         bool *nothingToSend, bool *tookTheirs)
{
    const UploadMark own = UploadMark::read(list->pendingUpload());
    if (replacesWholeOnto(list, fetched)) {
        if (own.carriesImport()) {
            const std::shared_ptr<const TaskList> backup = RestoredLists::importBase(list);
            RestoredLists::markWhatItChanges(list, *backup, *backup, *fetched, true);
        }
        replaceWhole(list, fetched);
        *nothingToSend = false;
        *tookTheirs = false;
        return nullptr;
    }
    // A forced run's whole copy whose upload is not known to have arrived,
    // while the server's copy moved on since: carried out over what came
    // after it, it would undo that. It goes as any update in doubt that
    // arrived, what changed there since winning over what it left as sent.
    const bool givenUp = own.madeAgainst() != 0 && own.madeAgainst() != fetched->revision() && !arrived;
    // The server's copy moved on since the forced run looked: what the run
    // left undone is told.
    const bool forcedMovedOn = own.wholeSeenRevision() != 0 || givenUp;
    // An import goes onto the server's copy first, what the user did since
    // then onto that; so too one a forced run cut short was to send whole.
    std::shared_ptr<const TaskList> base = list->sharedAgreed();
    std::shared_ptr<const TaskList> theirs(fetched, [](const TaskList *) {});
    if (own.carriesImport()) {
        const std::shared_ptr<const TaskList> backup = RestoredLists::importBase(list);
        theirs.reset(RestoredLists::importedOnto(*backup, *fetched));
        base = RestoredLists::withRemovals(backup, *list, *theirs);
    }
    const UploadMark mark = inDoubt ? UploadMark::read(list->pendingUpload()) : UploadMark();
    ListMerge::Sent sent;
    if (mark.isPut()) {
        sent.byId = mark.knownTasks();
        for (const UploadMark::SentTask &task : mark.tasks())
            sent.byIdentity[task.identity] += task.contents;
        sent.removed = mark.removedTasks();
        sent.fields = mark.fieldsDigests();
        sent.arrived = arrived || givenUp;
    }
    ListMerge::Outcome outcome;
    TaskList *merged = ListMerge::merge(*base, *list, *theirs, sent, &outcome);
    bool importChanges = false;
    if (own.carriesImport()) {
        RestoredLists::keepServerIds(merged, *fetched);
        // The removals the backup records go up as any removal, told only
        // where one is kept.
        importChanges = RestoredLists::markWhatItChanges(list, *base, *theirs, *fetched, false);
    }
    merged->setAgreed(fetched);
    *tookTheirs = merged->name() != list->name() || merged->isDone() != list->isDone()
                  || merged->description() != list->description() || !sameTree(merged->rootTask(), list->rootTask());
    if (outcome.sameAsTheirs && !importChanges) {
        merged->setSyncStatus(TaskList::Unedited);
        merged->setPendingUpload(QString());
        *nothingToSend = true;
    } else {
        // What goes up now is the merge, no longer the forced run's copy.
        UploadMark next = UploadMark::ofListPut(merged, mark);
        next.forgetMadeAgainst();
        merged->setPendingUpload(next.text());
    }
    list->swapContent(*merged);
    // What the import changed there says more than that the forced run
    // that was to send it came too late.
    if (forcedMovedOn && !importChanges)
        ListOutcome::markKept(list, ListOutcome::Kept::ForcedMovedOn);
    else if (own.madeAgainst() != 0 && arrived)
        ListOutcome::markKept(list, ListOutcome::Kept::ForcedFinished);
    return merged;
}

// The list goes over the server's copy as it is here: the server's tasks
// it does not hold go as removed (the server keeps what an update leaves
// out), and a task whose id the server lost goes up as new.
void ListSyncTraits::replaceWhole(TaskList *list, TaskList *fetched)
{
    QSet<quint32> known;
    for (const Task *removed : list->removedTasks())
        known.insert(removed->id());
    const QHash<quint32, Task *> there = fetched->tasksById();
    list->rootTask()->forEachBelow([&](Task *task) {
        known.insert(task->id());
        if (task->id() == 0)
            return;
        if (const Task *theirs = there.value(task->id())) {
            // Sent as the copy this computer last fetched, it would read as
            // older than the server's to a server that keeps the newer one.
            task->setRevision(theirs->revision());
            task->setHashcode(theirs->hashcode());
        } else {
            forgetId(task);
        }
    });
    for (const Task *task : there) {
        if (known.contains(task->id()))
            continue;
        Task *removed = task->clone();
        removed->deleteChildren();
        list->recordRemovedTask(removed);
    }
    // What the copy was made against stays named until it is known there.
    list->setPendingUpload(UploadMark::ofWholePut(list, fetched->revision()).text());
    list->setRevision(fetched->revision());
    list->setAgreed(fetched);
}

QString ListSyncTraits::text(ItemSyncText::Id id, const QString &name)
{
    using T = ItemSyncText;
    switch (id) {
    case T::DownloadingNewRemote: return ListSynchronizer::tr("Downloading new remote list");
    case T::DeletingNewRemote: return ListSynchronizer::tr("Deleting new remote list");
    case T::UploadingNew: return ListSynchronizer::tr("Uploading list \"%1\"").arg(name);
    case T::GoneFromServer: return ListSynchronizer::tr("List \"%1\" gone from server").arg(name);
    case T::CheckingForChanges: return ListSynchronizer::tr("Checking for changes in list \"%1\"").arg(name);
    case T::NoChangesIn: return ListSynchronizer::tr("No changes in list \"%1\"").arg(name);
    case T::DownloadingChanges: return ListSynchronizer::tr("Download changes in list \"%1\"").arg(name);
    case T::UploadingChanges: return ListSynchronizer::tr("Uploading changes to list \"%1\"").arg(name);
    case T::AlreadyGone: return ListSynchronizer::tr("List \"%1\" already gone from server").arg(name);
    case T::Deleting: return ListSynchronizer::tr("Deleting list \"%1\"").arg(name);
    case T::MessageTitle: return ListSynchronizer::tr("Sync");
    case T::RevisionMessage:
        return ListSynchronizer::tr("The local revision number of the list %1 is bigger than the remote one.\n"
                                    "Please force a local or remote sync to fix the problem").arg(name);
    case T::FailedToRetrieve: return ListSynchronizer::tr("Failed to retrieve list.");
    case T::FailedToAdd: return ListSynchronizer::tr("Failed to add new list.");
    case T::FailedToUpload: return ListSynchronizer::tr("Failed to upload changes.");
    case T::FailedToDelete: return ListSynchronizer::tr("Failed to delete list.");
    case T::UnknownStatus: return QStringLiteral("Unknown TaskList::SyncStatus");
    case T::GetNewBadStatus:
    case T::GetExistingBadStatus:
    case T::PostBadStatus:
        break;
    }
    return QString();
}

const char *ListSyncTraits::debugLine(ItemSyncText::Id id)
{
    switch (id) {
    case ItemSyncText::GetNewBadStatus: return "Error status code in get new request list finished: ";
    case ItemSyncText::GetExistingBadStatus: return "Error status code in on get existing list request: ";
    case ItemSyncText::PostBadStatus: return "Error trying to do a post new request, response: ";
    default: return nullptr;
    }
}

QString ListSyncTraits::collectionPath()
{
    return QStringLiteral("/lists");
}

QString ListSyncTraits::itemPath(quint32 id)
{
    return QStringLiteral("/lists/%1").arg(id);
}

int ListSyncTraits::status(const TaskList *list)
{
    return int(list->syncStatus());
}

quint32 ListSyncTraits::revision(const TaskList *list)
{
    return list->revision();
}

QString ListSyncTraits::name(const TaskList *list)
{
    return list->name();
}

quint32 ListSyncTraits::infoRevision(const ListInfo *info)
{
    return info->revision();
}

QString ListSyncTraits::infoPermissions(const ListInfo *info)
{
    return info->permissions();
}

QDomDocument ListSyncTraits::writeItem(TaskList *list)
{
    TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
    return writer.writeSingleList(list);
}

TaskList *ListSyncTraits::readItem(const QDomDocument &doc, QString *error)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    TaskList *list = reader.readSingleList(doc);
    if (!list)
        *error = reader.errorString();
    return list;
}

quint32 ListSyncTraits::readNewId(const QDomDocument &doc, QString *error)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    const quint32 id = reader.readListId(doc);
    if (id == 0)
        *error = reader.errorString();
    return id;
}

const char *ListSyncTraits::neverTakenWarning()
{
    return "ListSynchronizer: result list was never taken from us";
}
