#include "sync/runs/liststarts.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/merges/removalmerge.h"
#include "sync/merges/uploadmark.h"

#include <algorithm>
#include <utility>

void ListStarts::keep(const UserLists *lists)
{
    m_starts.clear();
    for (ListModel *model : lists->models()) {
        const TaskList *list = model->taskList();
        Start &start = m_starts[model];
        start.agreed = list->sharedAgreed();
        start.status = list->syncStatus();
        if (list->syncStatus() != TaskList::Unedited)
            start.mine.reset(list->clone());
    }
}

void ListStarts::keepSettled(const UserLists *lists)
{
    const QHash<const ListModel *, Start> first = std::exchange(m_starts, {});
    m_removed.clear();
    keep(lists);
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        const auto now = m_starts.find(it.key());
        if (it->unfollowed.isEmpty() || now == m_starts.end())
            continue;
        *now = *it;
        now->followsAgain = true;
    }
}

ListStarts::Start *ListStarts::find(const ListModel *model)
{
    const auto it = m_starts.find(model);
    return it == m_starts.end() ? nullptr : &*it;
}

bool ListStarts::changedHere() const
{
    return std::any_of(m_starts.cbegin(), m_starts.cend(), [](const Start &start) { return bool(start.mine); });
}

void ListStarts::startFromNothingWhereGone(const QMap<quint32, ListInfo *> &infos)
{
    for (auto it = m_starts.begin(); it != m_starts.end(); ++it) {
        const TaskList *list = it.key() ? it.key()->taskList() : nullptr;
        // An import brings its list back whole: nothing left it there.
        if (list && it->status == TaskList::Edited && list->serverId() != 0 && !infos.contains(list->serverId())
            && !UploadMark::read(list->pendingUpload()).carriesImport())
            it->serverBefore = std::shared_ptr<const TaskList>(TaskList::create());
    }
}

void ListStarts::keepRemoved(const QList<TaskList *> &removed, const QMap<quint32, ListInfo *> &infos)
{
    m_removed.clear();
    for (const TaskList *record : removed) {
        const quint32 id = record->serverId();
        std::shared_ptr<const TaskList> agreed = record->sharedAgreed();
        if (id == 0 || !agreed || agreed->serverId() != id)
            continue;
        Removed &entry = m_removed[id];
        entry.start.agreed = agreed;
        entry.start.status = TaskList::Deleted;
        entry.start.mine.reset(RemovalMerge::removedWhole(*record, *agreed));
        entry.now.reset(TaskList::create());
        if (const ListInfo *info = infos.value(id, nullptr); !info)
            entry.start.serverBefore = std::shared_ptr<const TaskList>(TaskList::create());
        else if (info->revision() == record->revision())
            entry.start.serverBefore = agreed;
    }
}

void ListStarts::lookedAt(quint32 id, const TaskList &fetched)
{
    const auto it = m_removed.find(id);
    if (it != m_removed.end())
        it->start.serverBefore = std::shared_ptr<const TaskList>(fetched.clone());
}

std::vector<ListStarts::Removed> ListStarts::takeRemoved()
{
    std::vector<Removed> out;
    for (const Removed &entry : std::as_const(m_removed))
        if (entry.start.serverBefore)
            out.push_back(entry);
    m_removed.clear();
    return out;
}

ListMoves::List ListStarts::seen(const Start *start, TaskList *now)
{
    ListMoves::List seen;
    seen.now = now;
    if (!start) {
        seen.serverBefore = now->agreed(); // a list only the server had
        return seen;
    }
    seen.agreedBefore = start->agreed.get();
    seen.mineBefore = start->mine.get();
    if (start->followsAgain)
        seen.followOnly = &start->unfollowed;
    // The server's before this run's uploads: the copy a merge was made
    // onto, else the agreed one for a list changed here only, else what the
    // run fetched.
    if (start->serverBefore)
        seen.serverBefore = start->serverBefore.get();
    else if (start->status == TaskList::Edited)
        seen.serverBefore = start->agreed.get();
    else if (start->status == TaskList::Unedited)
        seen.serverBefore = now->agreed();
    return seen;
}
