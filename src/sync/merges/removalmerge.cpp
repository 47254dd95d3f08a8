#include "sync/merges/removalmerge.h"

#include "model/task.h"
#include "model/tasklist.h"
#include "sync/merges/uploadmark.h"

#include <memory>

namespace {

// The list's own fields, with no task.
TaskList *fieldsOnly(const TaskList &list)
{
    TaskList *out = TaskList::create();
    out->setName(list.name());
    out->setDone(list.isDone());
    out->setDescription(list.description());
    return out;
}

bool sameFields(const TaskList &a, const TaskList &b)
{
    return a.name() == b.name() && a.isDone() == b.isDone() && a.description() == b.description();
}

// A row nobody typed into holds nothing to keep.
bool dropBlankRows(TaskList *list)
{
    Task *root = list->rootTask();
    const QList<Task *> top = root->children();
    for (Task *task : top)
        if (task->isBlankRecursively())
            root->deleteChild(task);
    return root->childCount() > 0;
}

// As a removal records it: the task alone, with its id.
Task *removedRecord(const Task *task)
{
    Task *copy = task->clone();
    copy->deleteChildren();
    return copy;
}

// Each task of `agreed` the server knows, recorded removed in `list`.
void recordRemovals(TaskList *list, const TaskList &agreed)
{
    agreed.rootTask()->forEachBelow([list](const Task *task) {
        if (task->id() != 0)
            list->recordRemovedTask(removedRecord(task));
    });
}

} // namespace

TaskList *RemovalMerge::keptHere(const TaskList &agreed, const TaskList &mine, bool sharingChanged)
{
    // The server's side: the list gone, every task of it with it.
    const std::unique_ptr<TaskList> gone(fieldsOnly(agreed));
    std::unique_ptr<TaskList> kept(ListMerge::merge(agreed, mine, *gone, ListMerge::Sent()));
    const bool holdsTasks = dropBlankRows(kept.get());
    if (!holdsTasks && sameFields(*kept, agreed) && !sharingChanged)
        return nullptr;
    return kept.release();
}

TaskList *RemovalMerge::keptThere(const TaskList &agreed, const TaskList &theirs, const ListMerge::Sent &sent)
{
    // This computer's side: every task it held removed with the list, and
    // so every task its own upload in doubt put there.
    const std::unique_ptr<TaskList> mine(fieldsOnly(agreed));
    recordRemovals(mine.get(), agreed);
    const QHash<quint32, Task *> agreedTasks = agreed.tasksById();
    theirs.rootTask()->forEachBelow([&](const Task *task) {
        const QString content = UploadMark::contentDigest(task);
        if (task->id() != 0 && !agreedTasks.contains(task->id())
            && (sent.byId.value(task->id()).contains(content)
                || sent.byIdentity.value(UploadMark::identityDigest(task)).contains(content)))
            mine->recordRemovedTask(removedRecord(task));
    });
    std::unique_ptr<TaskList> kept(ListMerge::merge(agreed, *mine, theirs, sent));
    const bool holdsTasks = dropBlankRows(kept.get());
    // Fields an upload in doubt sent from here are this computer's own.
    const bool fieldsChanged = !sameFields(theirs, agreed)
                               && !sent.fields.contains(UploadMark::listFieldsDigest(&theirs));
    if (!holdsTasks && !fieldsChanged)
        return nullptr;
    kept->setName(theirs.name());
    kept->setDone(theirs.isDone());
    kept->setDescription(theirs.description());
    return kept.release();
}

bool RemovalMerge::movedOnSinceRemoved(const TaskList *record, quint32 id, quint32 serverRevision)
{
    if (!record || id == 0 || !record->isOwned())
        return false;
    const TaskList *agreed = record->agreed();
    return agreed && agreed->serverId() == id && UploadMark::read(record->pendingUpload()).replacedId() == 0
           && serverRevision > record->revision();
}

TaskList *RemovalMerge::removedWhole(const TaskList &record, const TaskList &agreed)
{
    TaskList *removed = record.clone();
    recordRemovals(removed, agreed);
    return removed;
}

bool RemovalMerge::keepsNothing(const TaskList *agreed, const TaskList &kept)
{
    return agreed && kept.syncStatus() != TaskList::New && kept.hasNoTitledTask() && sameFields(kept, *agreed);
}

bool RemovalMerge::noteChangedHere(const NotepadNote &mine)
{
    if (mine.syncStatus() != NotepadNote::Edited)
        return false;
    const std::optional<NotepadNote::Agreed> &agreed = mine.agreed();
    if (!agreed || agreed->serverId != mine.serverId())
        return true;
    return agreed->title != mine.title() || agreed->text != mine.text();
}

bool RemovalMerge::noteChangedThere(const NotepadNote &removed, const NotepadNote &theirs)
{
    const UploadMark sent = UploadMark::read(removed.pendingUpload());
    const std::optional<NotepadNote::Agreed> &agreed = removed.agreed();
    const bool agreedKnown = agreed && agreed->serverId == removed.serverId();
    const auto seen = [&](const QString &there, const QString &here, const QString &agreedPart, bool title) {
        return there == here || (agreedKnown && there == agreedPart)
               || (title ? sent.sentNoteTitle(there) : sent.sentNoteText(there));
    };
    return !seen(theirs.title(), removed.title(), agreedKnown ? agreed->title : QString(), true)
           || !seen(theirs.text(), removed.text(), agreedKnown ? agreed->text : QString(), false);
}
