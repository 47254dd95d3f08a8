#include "sync/runs/listoutcome.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/merges/listmerge.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/merges/removalmerge.h"
#include "sync/runs/syncnotices.h"
#include "sync/merges/uploadmark.h"

#include <QDebug>
#include <QHash>

#include <iterator>
#include <memory>
#include <utility>

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

// The tasks below `fetched` an upload just sent without ids, below `sent`
// in the list here, take their lineages (and expanded flags): the server
// made each where it was sent, so among the children of one parent those
// sent new and those the list here does not know go in one order, each as
// it was sent; one another computer added meanwhile is passed by. Tasks
// below known ones are followed by id.
void pairSentTasks(const Task *sent, Task *fetched, const QSet<quint32> &known)
{
    QList<Task *> unknown;
    QHash<quint32, Task *> byId;
    for (Task *child : fetched->children()) {
        if (known.contains(child->id()))
            byId.insert(child->id(), child);
        else
            unknown << child;
    }
    qsizetype next = 0;
    for (const Task *child : sent->children()) {
        if (child->id() != 0) {
            if (Task *same = byId.value(child->id()))
                pairSentTasks(child, same, known);
            continue;
        }
        // Not written: a row nobody typed into.
        if (child->isUntypedRecursively())
            continue;
        qsizetype at = next;
        while (at < unknown.size() && !ListMerge::sameContent(child, unknown.at(at)))
            ++at;
        if (at == unknown.size())
            continue;
        Task *copy = unknown.at(at);
        copy->setLineage(child->lineage());
        copy->setExpanded(child->isExpanded());
        pairSentTasks(child, copy, known);
        next = at + 1;
    }
}

} // namespace

void ListOutcome::keepLineages(const TaskList *oldList, TaskList *fetched, bool sent)
{
    if (!oldList || !fetched)
        return;
    const QHash<quint32, Task *> here = oldList->tasksById();
    QSet<quint32> known;
    fetched->rootTask()->forEachBelow([&](Task *task) {
        if (const Task *same = here.value(task->id())) {
            task->setLineage(same->lineage());
            known.insert(task->id());
        }
    });
    if (sent)
        pairSentTasks(oldList->rootTask(), fetched->rootTask(), known);
}

void ListOutcome::keepExpandedStates(const TaskList *oldList, TaskList *fetched)
{
    if (!oldList || !fetched)
        return;
    QHash<quint32, bool> flags;
    recordExpanded(oldList->rootTask(), flags);
    applyExpanded(fetched->rootTask(), flags);
}

void ListOutcome::markUpload(ListModel *model, quint32 highestKnownId)
{
    if (!model)
        return;
    TaskList *list = model->taskList();
    list->setPendingUpload(UploadMark::ofListPost(highestKnownId, list).text());
    model->setChanged();
}

bool ListOutcome::markUploadOfChanges(ListModel *model)
{
    if (!model)
        return false;
    TaskList *list = model->taskList();
    // One sent whole, or carrying an import, is marked once the server's
    // copy it goes onto is in.
    const UploadMark mark = UploadMark::read(list->pendingUpload());
    if (list->syncStatus() != TaskList::Edited || ListSyncTraits::mustFetch(list) || mark.isWhole()
        || mark.isRestored())
        return false;
    list->setPendingUpload(ListSynchronizer::putMark(list));
    model->setChanged();
    return true;
}

void ListOutcome::takeOverPostedCopy(UserLists *lists, ListsGroups *groups, ListModel *model, TaskList *fetched,
                                     bool mergeOnly)
{
    // Worked on a copy that then replaces the list, so that the views see
    // one change.
    TaskList *list = model->taskList()->clone();
    const UploadMark mark = UploadMark::read(list->pendingUpload());
    if (groups)
        groups->setListServerId(groups->findListByLocalId(list->localId()), fetched->serverId());
    // Fields the user left as they were sent take the server's version.
    if (!mark.fieldsDigest().isEmpty() && mark.fieldsDigest() == UploadMark::listFieldsDigest(list)) {
        list->setName(fetched->name());
        list->setDone(fetched->isDone());
        list->setDescription(fetched->description());
    }
    list->setSyncStatus(TaskList::Edited);
    list->setServerId(fetched->serverId());
    list->setRevision(fetched->revision());
    list->setOwned(fetched->isOwned());
    list->setPermissions(fetched->permissions());
    QList<UploadMark::SentTask> sent = mark.tasks();
    const QList<Task *> onServer = UploadMark::uploadedTasks(fetched);
    if (!mark.identifiesByTasks() && mark.digest() == UploadMark::listDigest(fetched)) {
        // A mark that names no tasks matched the server's copy as a whole:
        // every task there is one that was sent. Told by its fields, the
        // tasks there are another client's, and stay.
        for (const Task *task : onServer)
            sent.append(UploadMark::sentTask(task));
    }
    // Told by nothing of its own, the server's list may be another: nothing
    // is taken for removed on either side, and no task by its identity alone.
    const ListSynchronizer::Removals removals
        = mergeOnly ? ListSynchronizer::Removals::None : ListSynchronizer::Removals::BothWays;
    ListSynchronizer::takeCopies(list, QList<const Task *>(onServer.cbegin(), onServer.cend()), sent, {}, !mergeOnly,
                                 removals);
    list->setPendingUpload(UploadMark::ofListPut(list, UploadMark()).text());
    // The user's version goes onto what the server holds now.
    list->setAgreed(fetched);
    lists->replaceList(model, list);
}

ListModel *ListOutcome::applyFetchedExisting(UserLists *lists, ListsGroups *groups, ListModel *model,
                                             TaskList *fetched, bool *uploadAgain, bool sent)
{
    if (uploadAgain)
        *uploadAgain = false;
    TaskList *oldList = model->taskList();
    if (ListSyncTraits::mustFetch(oldList) && oldList->syncStatus() == TaskList::Edited) {
        const UploadMark mark = UploadMark::read(oldList->pendingUpload());
        if (mark.isPost() && mark.digest() == UploadMark::listDigest(oldList)) {
            // Changed and changed back: nothing of the user's is lost.
            oldList->setSyncStatus(TaskList::Unedited);
        } else if (mark.isPost()
                   && (mark.identifiesByTasks() || !mark.fieldsDigest().isEmpty()
                       || mark.digest() == UploadMark::listDigest(fetched))) {
            // The server's list is the one posted (its id came in the
            // answer), and the mark tells what was posted: the user's
            // version goes onto it, whatever another client did there
            // since.
            takeOverPostedCopy(lists, groups, model, fetched);
            if (uploadAgain)
                *uploadAgain = true;
            return nullptr;
        }
    }
    if (groups)
        groups->setListServerId(groups->findListByLocalId(oldList->localId()), fetched->serverId());
    keepExpandedStates(oldList, fetched);
    // Posted and unchanged since, never fetched back: the copy is the post.
    keepLineages(oldList, fetched,
                 sent || (ListSyncTraits::mustFetch(oldList) && oldList->syncStatus() == TaskList::Unedited));

    // The server's copy holds what was posted; edits made since then exist
    // only here, and giving them way would lose them without a word.
    TaskList *mine = nullptr;
    if (ListSyncTraits::mustFetch(oldList) && oldList->syncStatus() == TaskList::Edited) {
        mine = oldList->clone();
        mine->resetToNew();
        mine->setLocalId(0);
        mine->setName(keptCopyName(oldList->name()));
    }
    fetched->agreeAsIs();
    lists->replaceList(model, fetched);
    if (!mine)
        return nullptr;
    ListModel *copy = lists->addList(mine);
    markKept(copy, Kept::Copy);
    return copy;
}

void ListOutcome::recordWhatArrived(ListModel *model, const ListSynchronizer *step)
{
    if (!model || !step)
        return;
    TaskList *list = model->taskList();
    if (step->assignedId() != 0 && list->syncStatus() == TaskList::New) {
        ListSynchronizer::recordAssignedId(list, step->assignedId());
        model->setChanged();
        return;
    }
    UploadMark mark = UploadMark::read(list->pendingUpload());
    if (!step->updateArrived() || list->syncStatus() != TaskList::Edited || !mark.isPut())
        return;
    // Everything it held is there: the next run looks at the server's copy
    // first, takes the tasks the update added, and lets what another client
    // did there since stand where the user changed nothing.
    mark.setArrived();
    list->setPendingUpload(mark.text());
    model->setChanged();
}

bool ListOutcome::uploadAnswered(const ListSynchronizer *step)
{
    return step && (step->assignedId() != 0 || step->updateArrived())
           && step->localGaveWay() == ListSynchronizer::GaveWay::No;
}

void ListOutcome::markForcedFinished(ListModel *model, const ListSynchronizer *step)
{
    if (model && step && step->updateArrived()
        && UploadMark::read(model->taskList()->pendingUpload()).madeAgainst() != 0)
        markKept(model, Kept::ForcedFinished);
}

bool ListOutcome::sharingChangedHere(const ListModel *model)
{
    return model->isSharedEdited() && model->agreedSharedUsers() != std::optional(model->sharedUsers());
}

namespace {

// What uploads of the list in doubt carried: the server's versions equal to
// them are this computer's own.
ListMerge::Sent sentBy(const UploadMark &mark)
{
    ListMerge::Sent sent;
    if (!mark.isPut())
        return sent;
    sent.byId = mark.knownTasks();
    for (const UploadMark::SentTask &task : mark.tasks())
        sent.byIdentity[task.identity] += task.contents;
    sent.removed = mark.removedTasks();
    sent.fields = mark.fieldsDigests();
    sent.arrived = mark.hasArrived();
    return sent;
}

// What stays of a list the server no longer has: null when nothing.
TaskList *keptOfRemovedThere(const ListModel *model, ListOutcome::KeptAgainstRemoval *how)
{
    const TaskList *list = model->taskList();
    *how = ListOutcome::KeptAgainstRemoval::No;
    // Lists others share with the user go with their owner's removal.
    if (!list->isOwned())
        return nullptr;
    const bool sharing = ListOutcome::sharingChangedHere(model);
    const bool edited = list->syncStatus() == TaskList::Edited;
    const TaskList *agreed = list->agreed();
    TaskList *kept = nullptr;
    if (edited && (!agreed || agreed->serverId() != list->serverId())) {
        kept = list->clone();
        *how = ListOutcome::KeptAgainstRemoval::Whole;
    } else if ((edited || sharing) && agreed) {
        kept = RemovalMerge::keptHere(*agreed, *list, sharing);
        if (kept)
            *how = ListOutcome::KeptAgainstRemoval::Changes;
    }
    return kept;
}

} // namespace

bool ListOutcome::changedSinceAgreed(const ListModel *model)
{
    KeptAgainstRemoval how;
    const std::unique_ptr<TaskList> kept(keptOfRemovedThere(model, &how));
    return bool(kept);
}

ListOutcome::KeptAgainstRemoval ListOutcome::keepRemovedThere(UserLists *lists, ListModel *model)
{
    KeptAgainstRemoval how;
    TaskList *kept = lists ? keptOfRemovedThere(model, &how) : nullptr;
    if (!kept)
        return KeptAgainstRemoval::No;
    kept->resetToNew();
    lists->replaceList(model, kept);
    startSharingAnew(model);
    return how;
}

void ListOutcome::startSharingAnew(ListModel *model)
{
    model->restoreSharedRevision(1);
    model->setAgreedSharedUsers(QMap<QString, QString>());
    model->setSentSharedUsers(std::nullopt);
    if (model->sharedUserCount() > 0)
        model->setSharedEdited(true);
    model->setChanged();
}

ListSharingSynchronizer::Mode ListOutcome::sharingMode(ListModel *model, quint32 serverRevision, bool forceRemote)
{
    ListSharingSynchronizer::Mode mode = ListSharingSynchronizer::modeFor(model, serverRevision, forceRemote);
    if (mode != ListSharingSynchronizer::WrongRevision)
        return mode;
    // Every run would fail here the same way: nothing this computer agreed
    // on is known to be there, so nobody on either side is left out.
    qWarning().noquote() << "the sharing revision of" << model->taskList()->name() << "is above the server's:"
                         << model->sharedRevision() << serverRevision;
    startSharingAnew(model);
    markKept(model, Kept::Sharing);
    return ListSharingSynchronizer::modeFor(model, serverRevision, forceRemote);
}

ListModel *ListOutcome::keepRemovedHere(UserLists *lists, ListsGroups *groups, TaskList *record, TaskList *fetched)
{
    std::unique_ptr<TaskList> theirs(fetched);
    const TaskList *agreed = record->agreed();
    TaskList *kept = agreed ? RemovalMerge::keptThere(*agreed, *theirs, sentBy(UploadMark::read(record->pendingUpload())))
                            : nullptr;
    if (!kept) {
        record->setRevision(theirs->revision());
        lists->setModified();
        return nullptr;
    }
    // A new local id, given as to any list that comes: the removed one's
    // may be another list's since.
    kept->setOutlookId(record->outlookId());
    if (record->name() != kept->name())
        kept->setUntoldKeptAs(record->name());
    kept->setAgreed(theirs.release());
    lists->purgeList(record);
    UserLists::AddResult added = UserLists::Refused;
    ListModel *model = lists->addList(kept, &added);
    if (added == UserLists::Refused) {
        delete kept;
        return nullptr;
    }
    if (groups)
        groups->placeAsAgreed(model->taskList());
    model->setChanged();
    return model;
}

QString ListOutcome::keptAgainstRemovalsText(const KeptAgainstRemovals &kept)
{
    QStringList parts;
    const auto add = [&](const QString &text, const QStringList &names) {
        if (!names.isEmpty())
            parts << text.arg(names.join(QLatin1Char('\n')));
    };
    add(tr("These lists were removed on another computer after you changed them here. They were put back "
           "with your changes; the tasks you had not changed stay removed:\n%1"),
        kept.removedThere);
    add(tr("These lists were removed on another computer after you changed them here. This computer does not "
           "know what they held when it last synchronised, so they were put back whole:\n%1"),
        kept.removedThereWhole);
    add(tr("These lists you removed had been changed on another computer since this one last synchronised them. "
           "They were kept with those changes; their other tasks were removed:\n%1"),
        kept.removedHere);
    add(tr("These tasks you removed had been changed on another computer since, so they were kept with that "
           "change:\n%1"),
        kept.tasks);
    add(tr("These tasks were moved to another list on one computer and changed on the other, but tasks made in "
           "the same second kept them from being told apart. Both copies were kept, here and in the list they "
           "were moved to; remove the ones you do not need:\n%1"),
        kept.movesUntold);
    add(tr("These tasks were moved to another list here and on another computer, into a list made for them on "
           "one of the two. Each is kept once, in the list the other computer moved it to, which reached the "
           "server first, and not in the one you moved it to here:\n%1"),
        kept.movedThere);
    add(tr("These tasks of the imported backup had been moved to another list since it was made; they stay in "
           "the list they are in now:\n%1"),
        kept.movedSinceBackup);
    return parts.join(QStringLiteral("\n\n"));
}

void ListOutcome::tellAboutKeptAgainstRemovals(KeptAgainstRemovals &kept)
{
    const KeptAgainstRemovals told = std::exchange(kept, {});
    if (!told.isEmpty())
        SyncNotices::tell(tr("Sync"), keptAgainstRemovalsText(told));
}

QString ListOutcome::keptCopyName(const QString &name)
{
    return tr("%1 (my changes)").arg(name);
}

QString ListOutcome::keptCopiesText(const QStringList &names)
{
    return tr("These lists changed here before the server had confirmed them. The server's copy was "
              "taken, and your version was kept beside it as a new list:\n%1")
        .arg(names.join(QLatin1Char('\n')));
}

void ListOutcome::tellAboutKeptCopies(const QStringList &names)
{
    if (!names.isEmpty())
        SyncNotices::tell(tr("Sync"), keptCopiesText(names));
}

ListModel *ListOutcome::keepBeside(UserLists *lists, ListModel *model)
{
    if (!lists || !model)
        return nullptr;
    TaskList *mine = model->taskList()->clone();
    mine->resetToNew();
    mine->setLocalId(0);
    // Another's list read-only now: the copy is the user's own.
    mine->setOwned(true);
    mine->setOwner(TaskList::defaultName());
    mine->setPermissions(QStringLiteral("orwd"));
    mine->setName(keptCopyName(model->taskList()->name()));
    ListModel *copy = lists->addList(mine);
    if (!copy) {
        delete mine;
        return nullptr;
    }
    copy->setChanged();
    return copy;
}

namespace {

// As the lists file keeps them.
const char *const keptKinds[] = {"copy",          "read-only",           "unknown-base",  "removed-there",
                                 "removed-there-whole", "removed-here", "restored",      "restored-changed",
                                 "restored-back", "restored-whole",     "forced-moved-on", "sharing",
                                 "forced-finished"};

} // namespace

void ListOutcome::markKept(ListModel *model, Kept why)
{
    if (!model)
        return;
    markKept(model->taskList(), why);
    model->setChanged();
}

void ListOutcome::forgetRestored(TaskList *list)
{
    if (list && list->untoldKept().startsWith(QLatin1String(keptKinds[int(Kept::Restored)])))
        list->setUntoldKept(QString());
}

void ListOutcome::markKept(TaskList *list, Kept why)
{
    if (list)
        list->setUntoldKept(QString::fromLatin1(keptKinds[int(why)]));
}

void ListOutcome::markKeptTasks(ListModel *model, const QStringList &titles)
{
    if (!model || titles.isEmpty())
        return;
    QStringList marked = model->taskList()->untoldKeptTasks();
    // One title a line in the file.
    for (QString title : titles)
        marked << title.replace(QLatin1Char('\n'), QLatin1Char(' '));
    model->taskList()->setUntoldKeptTasks(marked);
    model->setChanged();
}

namespace {

// What the marks of lists say, by kind.
struct Untold
{
    QStringList copies, readOnly, unknownBase;
    ListOutcome::KeptAgainstRemovals kept;
    ListOutcome::Restored restored;
    QStringList forcedMovedOn, sharing, forcedFinished;

    // False when the list has no mark.
    bool add(const ListModel *model)
    {
        const TaskList *list = model->taskList();
        const QString why = list->untoldKept();
        const QMap<QString, QString> sharingChanges = model->untoldSharing();
        if (why.isEmpty() && list->untoldKeptTasks().isEmpty() && sharingChanges.isEmpty())
            return false;
        // What an import changes on the server is told once it went up.
        const bool import = why.startsWith(QLatin1String(keptKinds[int(ListOutcome::Kept::Restored)]));
        if (import && (list->syncStatus() == TaskList::Edited || list->syncStatus() == TaskList::New))
            return false;
        QStringList *const byKind[] = {&copies,
                                       &readOnly,
                                       &unknownBase,
                                       &kept.removedThere,
                                       &kept.removedThereWhole,
                                       &kept.removedHere,
                                       &restored.keptAdded,
                                       &restored.changedBack,
                                       &restored.broughtBack,
                                       &restored.replacedWhole,
                                       &forcedMovedOn,
                                       &sharing,
                                       &forcedFinished};
        // A list removed here and renamed elsewhere goes by the name the
        // user knew, the new one beside it.
        const bool renamed = why == QLatin1String(keptKinds[int(ListOutcome::Kept::RemovedHere)])
                             && !list->untoldKeptAs().isEmpty();
        const QString name = renamed ? ListOutcome::tr("%1 (now called \"%2\")").arg(list->untoldKeptAs(), list->name())
                                     : list->name();
        bool known = why.isEmpty();
        for (int kind = 0; kind < int(std::size(keptKinds)); ++kind)
            if (why == QLatin1String(keptKinds[kind])) {
                *byKind[kind] << name;
                known = true;
            }
        // A kind an earlier version wrote (a list its id no longer told):
        // it is still told, as a list kept against a removal there.
        if (!known)
            kept.removedThere << name;
        for (const QString &title : list->untoldKeptTasks())
            kept.tasks << ListOutcome::tr("%1: %2").arg(list->name(), title);
        for (auto it = sharingChanges.cbegin(); it != sharingChanges.cend(); ++it)
            restored.sharing << ListOutcome::sharingChangeText(list->name(), it.key(), it.value());
        return true;
    }
};

} // namespace

void ListOutcome::tellWhatWasKept(UserLists *lists, KeptAgainstRemovals &tasks)
{
    Untold untold;
    untold.kept = std::exchange(tasks, {});
    QList<ListModel *> told;
    for (ListModel *model : lists ? lists->models() : QList<ListModel *>())
        if (untold.add(model))
            told << model;
    // Marked told before the boxes: each runs an event loop in which the
    // lists may go.
    for (ListModel *model : std::as_const(told))
        forgetKept(model);
    const QStringList forcedRemoved = std::exchange(untold.kept.forcedRemoved, {});
    tellAboutKeptCopies(untold.copies);
    tellAboutKeptBeside(untold.readOnly, untold.unknownBase);
    tellAboutKeptAgainstRemovals(untold.kept);
    if (!untold.restored.isEmpty())
        SyncNotices::tell(tr("Sync"), restoredText(untold.restored));
    if (!untold.forcedMovedOn.isEmpty())
        SyncNotices::tell(tr("Sync"), forcedMovedOnText(untold.forcedMovedOn));
    if (!untold.sharing.isEmpty())
        SyncNotices::tell(tr("Sync"), sharingText(untold.sharing));
    if (!untold.forcedFinished.isEmpty() || !forcedRemoved.isEmpty())
        SyncNotices::tell(tr("Sync"), ForcedRuns::finishedText(untold.forcedFinished, forcedRemoved));
}

QString ListOutcome::untoldText(const ListModel *model)
{
    Untold untold;
    if (!model || !untold.add(model))
        return QString();
    QStringList parts;
    if (!untold.copies.isEmpty())
        parts << keptCopiesText(untold.copies);
    if (!untold.readOnly.isEmpty())
        parts << readOnlyText(untold.readOnly);
    if (!untold.unknownBase.isEmpty())
        parts << unknownBaseText(untold.unknownBase);
    if (!untold.kept.isEmpty())
        parts << keptAgainstRemovalsText(untold.kept);
    if (!untold.restored.isEmpty())
        parts << restoredText(untold.restored);
    if (!untold.forcedMovedOn.isEmpty())
        parts << forcedMovedOnText(untold.forcedMovedOn);
    if (!untold.sharing.isEmpty())
        parts << sharingText(untold.sharing);
    if (!untold.forcedFinished.isEmpty())
        parts << ForcedRuns::finishedText(untold.forcedFinished, {});
    return parts.join(QStringLiteral("\n\n"));
}

void ListOutcome::forgetKept(ListModel *model)
{
    TaskList *list = model ? model->taskList() : nullptr;
    if (!list || (list->untoldKept().isEmpty() && list->untoldKeptTasks().isEmpty() && model->untoldSharing().isEmpty()))
        return;
    list->setUntoldKept(QString());
    list->setUntoldKeptAs(QString());
    list->setUntoldKeptTasks({});
    model->setUntoldSharing({});
    model->setChanged();
}

void ListOutcome::tellAboutKeptBeside(const QStringList &readOnly, const QStringList &unknownBase)
{
    QStringList parts;
    if (!readOnly.isEmpty())
        parts << readOnlyText(readOnly);
    if (!unknownBase.isEmpty())
        parts << unknownBaseText(unknownBase);
    if (!parts.isEmpty())
        SyncNotices::tell(tr("Sync"), parts.join(QStringLiteral("\n\n")));
}

QString ListOutcome::readOnlyText(const QStringList &copies)
{
    return tr("These lists were made read-only for you on the server since you changed them here. Your changes "
              "were not sent; they were kept beside each list as a new list of your own:\n%1")
        .arg(copies.join(QLatin1Char('\n')));
}

QString ListOutcome::unknownBaseText(const QStringList &copies)
{
    return tr("These lists changed here and on the server, and what this computer last agreed with the server "
              "about them could not be read, so the changes of either side could not be told apart. Each now "
              "holds the server's copy, and your version was kept beside it as a new list:\n%1")
        .arg(copies.join(QLatin1Char('\n')));
}

QString ListOutcome::restoredText(const Restored &lists)
{
    const std::pair<QString, QStringList> byKind[] = {
        {tr("The backup you imported changed these lists on the server back to what the backup holds. Tasks added "
            "to them elsewhere since the backup were kept:\n%1"),
         lists.keptAdded},
        {tr("The backup you imported changed these lists on the server back to what the backup holds:\n%1"),
         lists.changedBack},
        {tr("The backup you imported brought back these lists, which had been removed from the server since the "
            "backup was made:\n%1"),
         lists.broughtBack},
        {tr("The forced synchronisation put these lists on the server back to what the backup you imported holds, "
            "and removed the tasks added to them elsewhere since the backup:\n%1"),
         lists.replacedWhole},
        {tr("The backup you imported changed who these lists are shared with on the server back to what the backup "
            "holds:\n%1"),
         lists.sharing}};
    QStringList parts;
    for (const auto &[text, names] : byKind)
        if (!names.isEmpty())
            parts << text.arg(names.join(QLatin1Char('\n')));
    return parts.join(QStringLiteral("\n\n"));
}

QString ListOutcome::sharingChangeText(const QString &list, const QString &person, const QString &letters)
{
    return letters.isEmpty() ? tr("%1: no longer shared with %2").arg(list, person)
                             : tr("%1: shared with %2 (%3)").arg(list, person, letters);
}

QString ListOutcome::forcedMovedOnText(const QStringList &names)
{
    return tr("A forced remote sync that did not finish was to put this computer's copies of these lists on the "
              "server, or to remove them there, but they have changed on the server since. They were synchronised "
              "as usual instead, and keep what changed there:\n%1")
        .arg(names.join(QLatin1Char('\n')));
}

QString ListOutcome::sharingText(const QStringList &names)
{
    return tr("Who these lists are shared with on the server did not match what this computer knew of it. The "
              "people each list is shared with here and on the server were put together, nobody left out:\n%1")
        .arg(names.join(QLatin1Char('\n')));
}
