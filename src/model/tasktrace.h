#ifndef TASKTRACE_H
#define TASKTRACE_H

#include <QList>
#include <QtGlobal>

class ListModel;
class Task;

// What tells one task of a list again after a reset that may have replaced
// every task object (undo, redo, a synchronisation): the object itself, only
// compared since the reset may have freed it; its server id; its place in
// the tree as rows from the top.
class TaskTrace
{
public:
    TaskTrace() = default;
    // Taken while the list still holds the task; null for no task.
    TaskTrace(const ListModel *list, const Task *task);

    bool isNull() const { return m_place.isEmpty(); }
    // A task removed since: its object is not looked for again (the address
    // may come back as another task).
    void forgetObjectIfGone(const ListModel *list);

    // The task that stands for the traced one in the list now: the same
    // object while the list holds it, else the task with its server id, else
    // the task at its place; null when there is none.
    Task *find(const ListModel *list) const;
    // The same, but a task at the place that carries a server id of its own,
    // other than the traced one's, is another task: null then.
    Task *findSame(const ListModel *list) const;

private:
    Task *find(const ListModel *list, bool byPlaceOnlyWithoutOtherId) const;

    const Task *m_task = nullptr;
    quint32 m_id = 0;
    QList<int> m_place;
};

#endif
