#include "model/tasktrace.h"

#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"

TaskTrace::TaskTrace(const ListModel *list, const Task *task)
{
    if (!list || !task)
        return;
    const QModelIndex current = list->indexOfTask(task);
    if (!current.isValid())
        return;
    m_task = task;
    m_id = task->id();
    for (QModelIndex index = current; index.isValid(); index = index.parent())
        m_place.prepend(index.row());
}

void TaskTrace::forgetObjectIfGone(const ListModel *list)
{
    if (m_task && (!list || !list->taskList()->allTasks().contains(const_cast<Task *>(m_task))))
        m_task = nullptr;
}

Task *TaskTrace::find(const ListModel *list) const
{
    return find(list, false);
}

Task *TaskTrace::findSame(const ListModel *list) const
{
    return find(list, true);
}

Task *TaskTrace::find(const ListModel *list, bool byPlaceOnlyWithoutOtherId) const
{
    if (!list || isNull())
        return nullptr;
    const QSet<Task *> tasks = list->taskList()->allTasks();
    if (m_task && tasks.contains(const_cast<Task *>(m_task)))
        return const_cast<Task *>(m_task);
    if (m_id != 0) {
        for (Task *task : tasks) {
            if (task->id() == m_id)
                return task;
        }
    }
    QModelIndex found;
    for (int row : m_place) {
        found = list->index(row, ListModel::TitleColumn, found);
        if (!found.isValid())
            return nullptr;
    }
    Task *task = list->taskForIndex(found);
    if (byPlaceOnlyWithoutOtherId && m_id != 0 && task->id() != 0 && task->id() != m_id)
        return nullptr;
    return task;
}
