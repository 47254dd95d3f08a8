#include "sync/runs/unsentmarks.h"

#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/userlists.h"

#include <utility>

void UnsentMarks::keep(ListModel *model, TaskList *list, const QString &before)
{
    if (!m_marks.contains(model))
        m_marks.insert(model, {list, before});
}

void UnsentMarks::keepForList(ListModel *model, TaskList *list, const QString &before)
{
    if (m_marks.value(model).list != list)
        m_marks.insert(model, {list, before});
}

void UnsentMarks::putBack(const UserLists *lists)
{
    const QHash<ListModel *, Mark> marks = std::exchange(m_marks, {});
    if (!lists)
        return;
    for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
        // A list the run replaced (with the server's copy), or merged onto
        // it with nothing left to send, has no mark of it.
        if (!lists->models().contains(it.key()) || it.key()->taskList() != it->list
            || it->list->syncStatus() == TaskList::Unedited)
            continue;
        it->list->setPendingUpload(it->mark);
        it.key()->setChanged();
    }
}
