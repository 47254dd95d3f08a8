#ifndef STRUCTURECOMMANDS_H
#define STRUCTURECOMMANDS_H

#include "lists/commands/listsaction.h"

#include <QPointer>

class Task;

// Commands that change where a task stands: indent, outdent, moves within
// the list and to other lists, expand and collapse. "Writable" means the
// list's permission letters contain "w" and no synchronisation runs on it.

// "Indent task" (Tab): with its subtasks or alone, as the preferences say.
class GenericIndentTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit GenericIndentTaskAction(ListsUI *ui);
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Indent task only": the current task alone.
class IndentTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit IndentTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Indent task/subtasks": the current task with its subtasks.
class IndentGroupTasksAction : public ListsAction
{
    Q_OBJECT
public:
    explicit IndentGroupTasksAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Outdent task" (Shift+Tab): a task below the top level.
class OutdentTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit OutdentTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Move task up" (Ctrl+Up).
class MoveTaskUpAction : public ListsAction
{
    Q_OBJECT
public:
    explicit MoveTaskUpAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Move task down" (Ctrl+Down).
class MoveTaskDownAction : public ListsAction
{
    Q_OBJECT
public:
    explicit MoveTaskDownAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Move task top": to the first top-level row.
class MoveTaskTopAction : public ListsAction
{
    Q_OBJECT
public:
    explicit MoveTaskTopAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Move task bottom": to the last top-level row.
class MoveTaskBottomAction : public ListsAction
{
    Q_OBJECT
public:
    explicit MoveTaskBottomAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// One entry of "Move to list": the current task with its subtasks goes to
// the target. Both lists change, so both must be writable.
class MoveTaskToListAction : public ListsAction
{
    Q_OBJECT
public:
    MoveTaskToListAction(ListModel *target, ListsUI *ui, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    ListModel *target() const;

private:
    QPointer<ListModel> m_target;
};

// One entry of "Move completed tasks to": asks, then every checked task of
// the current list goes to the target. Both lists must be writable.
class MoveCompletedTasksToListAction : public ListsAction
{
    Q_OBJECT
public:
    MoveCompletedTasksToListAction(ListModel *target, ListsUI *ui, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    ListModel *target() const;

private:
    void moveCheckedUnder(Task *parent);

    QPointer<ListModel> m_target;
};

// "Expand task": the current task (the root without one) has subtasks and
// is collapsed.
class ExpandTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ExpandTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Collapse task": the current task has subtasks and is expanded.
class CollapseTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit CollapseTaskAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Expand all tasks".
class ExpandAllTasksAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ExpandAllTasksAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Collapse all tasks". No key of its own: Ctrl+T belongs to "Add list".
class CollapseAllTasksAction : public ListsAction
{
    Q_OBJECT
public:
    explicit CollapseAllTasksAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

#endif
