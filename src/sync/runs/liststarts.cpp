#include "sync/runs/liststarts.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/merges/uploadmark.h"

#include <algorithm>

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
            && !UploadMark::read(list->pendingUpload()).isRestored())
            it->serverBefore = std::shared_ptr<const TaskList>(TaskList::create());
    }
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
