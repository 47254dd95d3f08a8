#ifndef TASKTRACE_H
#define TASKTRACE_H

#include <QString>
#include <QtGlobal>

#include <memory>

class ListModel;
class Task;
class TaskList;

// What tells one task of a list again after a reset that may have replaced
// every task object (undo, redo, a synchronisation): the object itself while
// it lives and the list holds it; its copy in an older or newer version of
// the list (undo, redo: its lineage); its server id; its identity (creator
// and creation second) when no other task of the list shares it. Never its
// row: another task takes the row when one is added or removed above it.
// Tasks typed in one second share an identity; among them the title tells.
class TaskTrace
{
public:
    TaskTrace() = default;
    // Taken while the list still holds the task; null for no task.
    TaskTrace(const ListModel *list, const Task *task);
    // A task the list held until a change it has not reset for yet: alive,
    // no longer in it.
    static TaskTrace ofTaken(const ListModel *list, const Task *task);

    bool isNull() const { return !m_traced; }

    // The task that stands for the traced one in the list now; null when no
    // task of the list is known to be it (it was removed, or nothing left
    // tells it apart).
    Task *find(const ListModel *list) const;
    // The copy a run's settling of moves put the traced task into when it
    // took it out of `list`, and the list it went into; null when none.
    Task *findMoved(const ListModel *list, const TaskList **into) const;

private:
    void trace(const ListModel *list, const Task *task);

    bool m_traced = false;
    // Only compared, and only while the task lives: a freed task's address
    // may be another task's by now.
    const Task *m_task = nullptr;
    std::weak_ptr<const void> m_lifetime;
    quint64 m_lineage = 0;
    quint32 m_id = 0;
    // Empty when the task had none, or another task of the list had it and
    // its title too (a pasted copy).
    QString m_identity;
    // Set where tasks made in the same second share the identity: the task
    // is then the one of them with this title.
    QString m_title;
};

#endif
