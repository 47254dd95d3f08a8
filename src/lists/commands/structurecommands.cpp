#include "lists/commands/structurecommands.h"

#include "core/uisettings.h"
#include "lists/listsui.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"

namespace {

// A moved task goes to the top level of the target, in front or at the
// end as the preferences say at that moment.
void insertIntoTarget(ListModel *target, Task *task)
{
    if (UISettings::instance()->moveToTop())
        target->prependTask(task);
    else
        target->appendTask(task);
}

} // namespace

// The tree commits an open title editor itself before each of these
// operations, so a key press never drops what the user typed.

// --------------------------------------------------------------- indent

GenericIndentTaskAction::GenericIndentTaskAction(ListsUI *ui)
    : ListsAction(tr("Indent task"), ui, ui)
{
    setShortcut(QKeySequence(tr("Tab", "shortcut")));
}

bool GenericIndentTaskAction::shouldBeEnabled()
{
    return hasCurrentTask() && currentIndex().row() != 0 && isCurrentListEditable();
}

void GenericIndentTaskAction::execute()
{
    // Read at every use, so the Tab key follows the preferences at once.
    if (UISettings::instance()->defaultIndentGroupTasks())
        currentTreeView()->indentCurrentGroupTasks();
    else
        currentTreeView()->indentCurrent();
}

IndentTaskAction::IndentTaskAction(ListsUI *ui)
    : ListsAction(tr("Indent task only"), ui, ui)
{
}

QIcon IndentTaskAction::currentIcon() { return QIcon(QStringLiteral(":/indent.png")); }

bool IndentTaskAction::shouldBeEnabled()
{
    return hasCurrentTask() && currentIndex().row() != 0 && isCurrentListEditable();
}

void IndentTaskAction::execute()
{
    currentTreeView()->indentCurrent();
}

IndentGroupTasksAction::IndentGroupTasksAction(ListsUI *ui)
    : ListsAction(tr("Indent task/subtasks"), ui, ui)
{
}

QIcon IndentGroupTasksAction::currentIcon() { return QIcon(QStringLiteral(":/indent_task_subtasks.png")); }

bool IndentGroupTasksAction::shouldBeEnabled()
{
    return hasCurrentTask() && currentIndex().row() != 0 && isCurrentListEditable();
}

void IndentGroupTasksAction::execute()
{
    currentTreeView()->indentCurrentGroupTasks();
}

OutdentTaskAction::OutdentTaskAction(ListsUI *ui)
    : ListsAction(tr("Outdent task"), ui, ui)
{
    setShortcut(QKeySequence(tr("Shift+Tab", "shortcut")));
}

QIcon OutdentTaskAction::currentIcon() { return QIcon(QStringLiteral(":/unindent.png")); }

bool OutdentTaskAction::shouldBeEnabled()
{
    return hasCurrentTask() && currentIndex().parent().isValid() && isCurrentListEditable();
}

void OutdentTaskAction::execute()
{
    currentTreeView()->outdentCurrent();
}

// ------------------------------------------------- moves within the list

MoveTaskUpAction::MoveTaskUpAction(ListsUI *ui)
    : ListsAction(tr("Move task up"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+Up", "shortcut")));
}

QIcon MoveTaskUpAction::currentIcon() { return QIcon(QStringLiteral(":/move_task_up.png")); }

bool MoveTaskUpAction::shouldBeEnabled()
{
    return hasCurrentTask() && currentIndex().row() != 0 && isCurrentListEditable();
}

void MoveTaskUpAction::execute()
{
    currentTreeView()->moveCurrentUp();
}

MoveTaskDownAction::MoveTaskDownAction(ListsUI *ui)
    : ListsAction(tr("Move task down"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+Down", "shortcut")));
}

QIcon MoveTaskDownAction::currentIcon() { return QIcon(QStringLiteral(":/move_task_down.png")); }

bool MoveTaskDownAction::shouldBeEnabled()
{
    const QModelIndex index = currentIndex();
    return index.isValid() && isCurrentListEditable()
        && index.row() != index.model()->rowCount(index.parent()) - 1;
}

void MoveTaskDownAction::execute()
{
    currentTreeView()->moveCurrentDown();
}

MoveTaskTopAction::MoveTaskTopAction(ListsUI *ui)
    : ListsAction(tr("Move task top"), ui, ui)
{
}

QIcon MoveTaskTopAction::currentIcon() { return QIcon(QStringLiteral(":/move_fullup.png")); }

bool MoveTaskTopAction::shouldBeEnabled()
{
    const QModelIndex index = currentIndex();
    return index.isValid() && isCurrentListEditable() && !(!index.parent().isValid() && index.row() == 0);
}

void MoveTaskTopAction::execute()
{
    currentTreeView()->moveCurrentToTop();
}

MoveTaskBottomAction::MoveTaskBottomAction(ListsUI *ui)
    : ListsAction(tr("Move task bottom"), ui, ui)
{
}

QIcon MoveTaskBottomAction::currentIcon() { return QIcon(QStringLiteral(":/move_fulldown.png")); }

bool MoveTaskBottomAction::shouldBeEnabled()
{
    const QModelIndex index = currentIndex();
    return index.isValid() && isCurrentListEditable()
        && !(!index.parent().isValid() && index.row() == index.model()->rowCount() - 1);
}

void MoveTaskBottomAction::execute()
{
    currentTreeView()->moveCurrentToBottom();
}

// ------------------------------------------------------ to another list

MoveTaskToListAction::MoveTaskToListAction(ListModel *target, ListsUI *ui, QObject *parent)
    : ListsAction(target ? Menu::entryText(target->name()) : QString(), ui, parent)
    , m_target(target)
{
    if (!isEditable(target))
        setEnabled(false);
}

ListModel *MoveTaskToListAction::target() const { return m_target; }

QIcon MoveTaskToListAction::currentIcon() { return QIcon(QStringLiteral(":/task_to_list.png")); }

bool MoveTaskToListAction::shouldBeEnabled()
{
    // The task leaves the current list, so that list changes too.
    return hasCurrentTask() && isEditable(m_target) && isCurrentListEditable()
        && m_target != currentList();
}

void MoveTaskToListAction::execute()
{
    Task *copy = currentTreeView()->moveCurrentToList(currentIndex());
    if (copy)
        insertIntoTarget(m_target, copy);
}

MoveCompletedTasksToListAction::MoveCompletedTasksToListAction(ListModel *target, ListsUI *ui, QObject *parent)
    : ListsAction(target ? Menu::entryText(target->name()) : QString(), ui, parent)
    , m_target(target)
{
}

ListModel *MoveCompletedTasksToListAction::target() const { return m_target; }

QIcon MoveCompletedTasksToListAction::currentIcon() { return QIcon(QStringLiteral(":/taskcomplete_to_list.png")); }

bool MoveCompletedTasksToListAction::shouldBeEnabled()
{
    // The checked tasks leave the current list: it must be writable too.
    return currentTreeView() && isEditable(m_target) && isCurrentListEditable() && m_target != currentList();
}

void MoveCompletedTasksToListAction::execute()
{
    QPointer<MoveCompletedTasksToListAction> alive(this);
    const QString name = m_target->name();
    if (!MessageDialog::question(tr("Move all checked tasks"),
                                 tr("Move all the checked tasks to list:\n%1\nAre you sure?").arg(name),
                                 dialogParent()))
        return;
    // The question ran an event loop: the menu that built the command or the
    // lists may have changed meanwhile.
    if (!alive || !shouldBeEnabled())
        return;
    moveCheckedUnder(currentList()->taskList()->rootTask());
}

void MoveCompletedTasksToListAction::moveCheckedUnder(Task *parent)
{
    // A copy of the children: moving a task out does not disturb the walk.
    const QList<Task *> children = parent->children();
    for (Task *task : children) {
        if (task->isDone()) {
            ListModel *list = currentList();
            Task *copy = currentTreeView()->moveCurrentToList(list->indexOfTask(task));
            if (copy)
                insertIntoTarget(m_target, copy);
        } else {
            moveCheckedUnder(task);
        }
    }
}

// -------------------------------------------------- expand and collapse

namespace {

// The task at the current index; the list's root when no row is current.
Task *taskAt(ListModel *list, const QModelIndex &index)
{
    return list ? list->taskForIndex(index) : nullptr;
}

} // namespace

ExpandTaskAction::ExpandTaskAction(ListsUI *ui)
    : ListsAction(tr("Expand task"), ui, ui)
{
}

QIcon ExpandTaskAction::currentIcon() { return QIcon(QStringLiteral(":/expand_alltasks.png")); }

bool ExpandTaskAction::shouldBeEnabled()
{
    const Task *task = taskAt(currentList(), currentIndex());
    return task && task->childCount() > 0 && !task->isExpanded();
}

void ExpandTaskAction::execute()
{
    currentTreeView()->expandCurrent(currentIndex());
}

CollapseTaskAction::CollapseTaskAction(ListsUI *ui)
    : ListsAction(tr("Collapse task"), ui, ui)
{
}

QIcon CollapseTaskAction::currentIcon() { return QIcon(QStringLiteral(":/collapse_alltasks.png")); }

bool CollapseTaskAction::shouldBeEnabled()
{
    const Task *task = taskAt(currentList(), currentIndex());
    return task && task->childCount() > 0 && task->isExpanded();
}

void CollapseTaskAction::execute()
{
    currentTreeView()->collapseCurrent(currentIndex());
}

ExpandAllTasksAction::ExpandAllTasksAction(ListsUI *ui)
    : ListsAction(tr("Expand all tasks"), ui, ui)
{
}

QIcon ExpandAllTasksAction::currentIcon() { return QIcon(QStringLiteral(":/expand_alltasks.png")); }

bool ExpandAllTasksAction::shouldBeEnabled() { return true; }

void ExpandAllTasksAction::execute()
{
    if (TreeView *view = currentTreeView())
        view->expandAll();
}

CollapseAllTasksAction::CollapseAllTasksAction(ListsUI *ui)
    : ListsAction(tr("Collapse all tasks"), ui, ui)
{
}

QIcon CollapseAllTasksAction::currentIcon() { return QIcon(QStringLiteral(":/collapse_alltasks.png")); }

bool CollapseAllTasksAction::shouldBeEnabled() { return true; }

void CollapseAllTasksAction::execute()
{
    if (TreeView *view = currentTreeView())
        view->collapseAll();
}
