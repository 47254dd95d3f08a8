#include "model/tasktrace.h"

#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"

namespace {

// A task without a creation second has no identity worth the name: every
// such task would share it.
bool hasIdentity(const Task *task)
{
    return task->creationTime().isValid();
}

} // namespace

TaskTrace::TaskTrace(const ListModel *list, const Task *task)
{
    if (list && task && list->indexOfTask(task).isValid())
        trace(list, task);
}

TaskTrace TaskTrace::ofTaken(const ListModel *list, const Task *task)
{
    TaskTrace taken;
    if (list && task)
        taken.trace(list, task);
    return taken;
}

void TaskTrace::trace(const ListModel *list, const Task *task)
{
    m_traced = true;
    m_task = task;
    m_lifetime = task->lifetime();
    m_lineage = task->lineage();
    m_id = task->id();
    if (!hasIdentity(task))
        return;
    const QString identity = task->identity();
    bool shared = false;
    for (const Task *other : list->taskList()->allTasks()) {
        if (other == task || !hasIdentity(other) || other->identity() != identity)
            continue;
        // Tasks typed in one second share it: the title still tells them.
        if (other->title() == task->title())
            return;
        shared = true;
    }
    m_identity = identity;
    if (shared)
        m_title = task->title();
}

Task *TaskTrace::find(const ListModel *list) const
{
    if (!list || isNull())
        return nullptr;
    const QSet<Task *> tasks = list->taskList()->allTasks();
    if (!m_lifetime.expired() && tasks.contains(const_cast<Task *>(m_task)))
        return const_cast<Task *>(m_task);
    for (Task *task : tasks) {
        if (task->lineage() == m_lineage)
            return task;
    }
    if (m_id != 0) {
        for (Task *task : tasks) {
            if (task->id() == m_id)
                return task;
        }
    }
    if (m_identity.isEmpty())
        return nullptr;
    Task *found = nullptr;
    for (Task *task : tasks) {
        if (!hasIdentity(task) || task->identity() != m_identity
            || (!m_title.isNull() && task->title() != m_title))
            continue;
        if (found)
            return nullptr;
        found = task;
    }
    // Its id is gone from the list: a task of its identity under an id of
    // its own is a copy made elsewhere (a paste keeps the stamps), not it.
    if (found && m_id != 0 && found->id() != 0)
        return nullptr;
    return found;
}

Task *TaskTrace::findMoved(const ListModel *list, const TaskList **into) const
{
    return list && !isNull() ? list->taskList()->movedTask(m_lineage, into) : nullptr;
}
