#include "lists/commands/taskcommands.h"

#include "lists/listsui.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "shell/messagedialog.h"

// ------------------------------------------------------------ add task

AddTaskAction::AddTaskAction(ListsUI *ui)
    : ListsAction(tr("Add task"), ui, ui)
{
}

QIcon AddTaskAction::currentIcon() { return QIcon(QStringLiteral(":/add-task.png")); }

bool AddTaskAction::shouldBeEnabled()
{
    return currentTreeView() && isCurrentListEditable();
}

void AddTaskAction::execute()
{
    if (hasCurrentTask())
        currentTreeView()->insertAfterCurrent();
    else
        currentTreeView()->addTaskAtEnd();
}

// ------------------------------------------------------------ add note

AddNoteAction::AddNoteAction(ListsUI *ui)
    : ListsAction(tr("Add note"), ui, ui)
{
    setShortcut(QKeySequence(tr("Shift+Ctrl+N", "shortcut")));
}

QIcon AddNoteAction::currentIcon() { return QIcon(QStringLiteral(":/note.png")); }

bool AddNoteAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

void AddNoteAction::execute()
{
    listsUI()->showNoteDialog();
}

// ----------------------------------------------------------- done task

DoneTaskAction::DoneTaskAction(ListsUI *ui)
    : ListsAction(tr("Check task"), ui, ui)
{
    setShortcut(QKeySequence(tr("Space", "shortcut")));
    setCheckable(true);
    setIconText(tr("Task"));
}

QIcon DoneTaskAction::currentIcon() { return QIcon(QStringLiteral(":/done-menu.png")); }

bool DoneTaskAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

bool DoneTaskAction::shouldBeChecked()
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return false;
    return index.siblingAtColumn(0).data(Qt::CheckStateRole).toBool();
}

QString DoneTaskAction::checkedText() { return tr("Uncheck task"); }
QString DoneTaskAction::uncheckedText() { return tr("Check task"); }
QString DoneTaskAction::displayText() { return tr("Check/uncheck task"); }

void DoneTaskAction::execute()
{
    // The new state comes from the task itself rather than from the
    // toolkit's toggle, which may be stale when no refresh ran since the
    // current task changed.
    const bool done = !shouldBeChecked();
    currentModel()->setData(currentIndex().siblingAtColumn(0), QVariant(done), Qt::CheckStateRole);
}

// --------------------------------------------------------- remove task

RemoveTaskAction::RemoveTaskAction(ListsUI *ui)
    : ListsAction(tr("Remove task"), ui, ui)
{
}

QIcon RemoveTaskAction::currentIcon() { return QIcon(QStringLiteral(":/remove-task.png")); }

bool RemoveTaskAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

void RemoveTaskAction::execute()
{
    currentTreeView()->removeCurrent();
}

// ------------------------------------------------- remove checked tasks

RemoveCheckedTasksAction::RemoveCheckedTasksAction(ListsUI *ui, ListModel *list, QObject *parent)
    : ListsAction(tr("Remove checked tasks"), ui, parent)
    , m_list(list)
{
}

ListModel *RemoveCheckedTasksAction::list() const { return m_list; }

QIcon RemoveCheckedTasksAction::currentIcon() { return QIcon(QStringLiteral(":/erase_comptasks.png")); }

bool RemoveCheckedTasksAction::shouldBeEnabled()
{
    // It deletes tasks: a list shared read-only must keep them.
    return currentTreeView() && isCurrentListEditable();
}

void RemoveCheckedTasksAction::execute()
{
    QPointer<RemoveCheckedTasksAction> alive(this);
    if (!MessageDialog::question(tr("Remove checked tasks"), tr("Remove all the checked tasks\nAre you sure?"),
                                 dialogParent()))
        return;
    // The question ran an event loop: the menu that built the command, the
    // tab or the permissions may have changed meanwhile.
    if (!alive || !shouldBeEnabled())
        return;
    currentTreeView()->removeCheckedTasks();
}

// -------------------------------------------------------------- priority

SetTaskPriorityAction::SetTaskPriorityAction(const QString &text, TaskPriority priority, ListsUI *ui)
    : ListsAction(text, ui, ui)
    , m_priority(priority)
{
    setCheckable(true);
}

QIcon SetTaskPriorityAction::currentIcon()
{
    if (m_priority == TaskPriority(TaskPriority::Urgent))
        return QIcon(QStringLiteral(":/priority-red.png"));
    if (m_priority == TaskPriority(TaskPriority::Reminder))
        return QIcon(QStringLiteral(":/priority-green.png"));
    return QIcon();
}

bool SetTaskPriorityAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

bool SetTaskPriorityAction::shouldBeChecked()
{
    ListModel *list = currentList();
    const QModelIndex index = currentIndex();
    return list && index.isValid() && list->taskPriority(index) == m_priority;
}

void SetTaskPriorityAction::execute()
{
    currentList()->setTaskPriority(currentIndex(), m_priority);
}

// ------------------------------------------------------------- set alarm

SetAlarmAction::SetAlarmAction(ListsUI *ui)
    : ListsAction(tr("Set alarm"), ui, ui)
{
    setShortcut(QKeySequence(tr("Shift+Ctrl+A", "shortcut")));
}

QIcon SetAlarmAction::currentIcon() { return QIcon(QStringLiteral(":/red-clock.png")); }

bool SetAlarmAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

void SetAlarmAction::execute()
{
    listsUI()->showAlarmDialog();
}

// ------------------------------------------------------- copy and paste

CopyTaskAction::CopyTaskAction(ListsUI *ui)
    : ListsAction(tr("Copy Task"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+C", "shortcut")));
}

QIcon CopyTaskAction::currentIcon() { return QIcon(); }

bool CopyTaskAction::shouldBeEnabled()
{
    return hasCurrentTask();
}

void CopyTaskAction::execute()
{
    if (Task *task = listsUI()->currentTask())
        listsUI()->copyTask(task);
}

PasteTaskAction::PasteTaskAction(ListsUI *ui)
    : ListsAction(tr("Paste Task"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+V", "shortcut")));
}

QIcon PasteTaskAction::currentIcon() { return QIcon(); }

bool PasteTaskAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

void PasteTaskAction::execute()
{
    // The tree takes the copy, inserts it after the current task and makes
    // it current; a fresh copy each time keeps two pastes independent.
    if (Task *copy = listsUI()->copiedTask())
        currentTreeView()->pasteTask(copy);
}

// ---------------------------------------------------------- undo and redo

UndoAction::UndoAction(ListsUI *ui)
    : ListsAction(tr("Undo"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+Z", "shortcut")));
}

bool UndoAction::shouldBeEnabled()
{
    // An undo during a synchronisation would be replaced by the server's copy.
    return currentList() && !isSynchronizing(currentList());
}

void UndoAction::execute()
{
    if (TreeView *view = currentTreeView())
        view->closeCurrentEditor();
    currentList()->undo();
}

RedoAction::RedoAction(ListsUI *ui)
    : ListsAction(tr("Redo"), ui, ui)
{
    setShortcuts({QKeySequence(tr("Ctrl+Y", "shortcut")), QKeySequence(tr("Ctrl+Shift+Z", "shortcut"))});
}

bool RedoAction::shouldBeEnabled()
{
    return currentList() && !isSynchronizing(currentList());
}

void RedoAction::execute()
{
    if (TreeView *view = currentTreeView())
        view->closeCurrentEditor();
    currentList()->redo();
}
