#ifndef TASKCOMMANDS_H
#define TASKCOMMANDS_H

#include "lists/commands/listsaction.h"
#include "model/taskpriority.h"

#include <QPointer>

// Commands that edit tasks: add, note, check, remove, priority, alarm, copy
// and paste, undo and redo. "Writable" below means the current list's
// permission letters contain "w" and no synchronisation runs on it; undo and
// redo wait for the run too.

// "Add task": after the current task, or at the end without one; writable.
class AddTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit AddTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Add note" (Shift+Ctrl+N): the note dialog; a current task, writable.
class AddNoteAction : public ListsAction
{
    Q_OBJECT
public:
    explicit AddNoteAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Check task" / "Uncheck task" (Space): checkable, follows the task's done
// state; a current task, writable.
class DoneTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit DoneTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    bool shouldBeChecked() override;
    QString checkedText() override;
    QString uncheckedText() override;
    QString displayText() override;
    void execute() override;
};

// "Remove task": a current task, writable.
class RemoveTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit RemoveTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Remove checked tasks", built by the "Macros" menu; asks first. It removes
// tasks, so it needs a writable current list.
class RemoveCheckedTasksAction : public ListsAction
{
    Q_OBJECT
public:
    RemoveCheckedTasksAction(ListsUI *ui, ListModel *list, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    ListModel *list() const;

private:
    QPointer<ListModel> m_list;
};

// "Urgent", "Reminder", "None": checkable when the current task has this
// priority; a current task, writable.
class SetTaskPriorityAction : public ListsAction
{
    Q_OBJECT
public:
    SetTaskPriorityAction(const QString &text, TaskPriority priority, ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    bool shouldBeChecked() override;
    void execute() override;

    TaskPriority priority() const { return m_priority; }

private:
    TaskPriority m_priority;
};

// "Set alarm" (Shift+Ctrl+A): the alarm dialog; a current task, writable.
class SetAlarmAction : public ListsAction
{
    Q_OBJECT
public:
    explicit SetAlarmAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Copy Task" (Ctrl+C): into the page's own clipboard; a current task.
class CopyTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit CopyTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Paste Task" (Ctrl+V): a fresh copy after the current task; writable.
class PasteTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit PasteTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Undo" (Ctrl+Z): a current list.
class UndoAction : public ListsAction
{
    Q_OBJECT
public:
    explicit UndoAction(ListsUI *ui);
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Redo" (Ctrl+Y, Ctrl+Shift+Z): a current list.
class RedoAction : public ListsAction
{
    Q_OBJECT
public:
    explicit RedoAction(ListsUI *ui);
    bool shouldBeEnabled() override;
    void execute() override;
};

#endif
