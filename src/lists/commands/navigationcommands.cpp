#include "lists/commands/navigationcommands.h"

#include "lists/listsui.h"
#include "model/listmodel.h"
#include "shell/menu.h"

namespace {

// Assignments change the list: only on the list the menu was built for,
// while it is current and writable.
bool canChangeAssignments(const ListModel *model, const ListModel *current, const QModelIndex &index)
{
    return model && model == current && model->hasWritePermission() && index.isValid();
}

} // namespace

// ---------------------------------------------------------- assignments

AssignTaskAction::AssignTaskAction(const QString &nick, ListModel *model, bool isMe, ListsUI *ui, QObject *parent)
    : ListsAction(Menu::entryText(isMe ? tr("%1 (me)").arg(nick) : nick), ui, parent)
    , m_nick(nick)
    , m_model(model)
{
}

bool AssignTaskAction::shouldBeEnabled()
{
    return isEditable(m_model) && canChangeAssignments(m_model, currentList(), currentIndex());
}

void AssignTaskAction::execute()
{
    m_model->assignTask(currentIndex(), m_nick);
    listsUI()->updateTaskAssignmentsDialog();
    listsUI()->updateTaskInfoDialog();
}

UnassignTaskAction::UnassignTaskAction(const QString &nick, ListModel *model, bool isMe, ListsUI *ui,
                                       QObject *parent)
    : ListsAction(Menu::entryText(isMe ? tr("%1 (me)").arg(nick) : nick), ui,
                  parent ? parent : static_cast<QObject *>(ui))
    , m_nick(nick)
    , m_model(model)
{
}

QIcon UnassignTaskAction::currentIcon() { return QIcon(QStringLiteral(":/check.png")); }

bool UnassignTaskAction::shouldBeEnabled()
{
    return isEditable(m_model) && canChangeAssignments(m_model, currentList(), currentIndex());
}

void UnassignTaskAction::execute()
{
    m_model->unassignTask(currentIndex(), m_nick);
    listsUI()->updateTaskAssignmentsDialog();
    listsUI()->updateTaskInfoDialog();
}

UnassignAllTaskAction::UnassignAllTaskAction(ListModel *model, ListsUI *ui, QObject *parent)
    : ListsAction(tr("Unassign all"), ui, parent ? parent : static_cast<QObject *>(ui))
    , m_model(model)
{
    setEnabled(shouldBeEnabled());
}

QIcon UnassignAllTaskAction::currentIcon() { return QIcon(QStringLiteral(":/unshare.png")); }

bool UnassignAllTaskAction::shouldBeEnabled()
{
    const QModelIndex index = currentIndex();
    return isEditable(m_model) && canChangeAssignments(m_model, currentList(), index)
        && m_model->taskHasAssignments(index);
}

void UnassignAllTaskAction::execute()
{
    m_model->unassignAll(currentIndex());
    listsUI()->updateTaskAssignmentsDialog();
    listsUI()->updateTaskInfoDialog();
}

ShowTaskAssignmentsAction::ShowTaskAssignmentsAction(ListsUI *ui, QObject *parent)
    : ListsAction(tr("Show All"), ui, parent ? parent : static_cast<QObject *>(ui))
{
}

QIcon ShowTaskAssignmentsAction::currentIcon() { return QIcon(QStringLiteral(":/asign_task.png")); }

bool ShowTaskAssignmentsAction::shouldBeEnabled() { return true; }

void ShowTaskAssignmentsAction::execute()
{
    listsUI()->showTaskAssignmentsDialog();
}

// ------------------------------------------------------ task information

ShowTaskInfoAction::ShowTaskInfoAction(ListsUI *ui)
    : ListsAction(tr("Show task info"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+I", "shortcut")));
}

QIcon ShowTaskInfoAction::currentIcon() { return QIcon(QStringLiteral(":/info_tasks.png")); }

bool ShowTaskInfoAction::shouldBeEnabled() { return true; }

void ShowTaskInfoAction::execute()
{
    listsUI()->showTaskInfoDialog();
}

ShowTaskAttachmentsAction::ShowTaskAttachmentsAction(ListsUI *ui)
    : ListsAction(tr("Attachments"), ui, ui)
{
}

QIcon ShowTaskAttachmentsAction::currentIcon() { return QIcon(QStringLiteral(":/attachment.png")); }

bool ShowTaskAttachmentsAction::shouldBeEnabled()
{
    return hasCurrentTask();
}

void ShowTaskAttachmentsAction::execute()
{
    listsUI()->showTaskAttachmentsDialog();
}

TimeManagementAction::TimeManagementAction(ListsUI *ui)
    : ListsAction(tr("Edit calendar"), ui, ui)
{
}

QIcon TimeManagementAction::currentIcon() { return QIcon(QStringLiteral(":/calendar.png")); }

bool TimeManagementAction::shouldBeEnabled()
{
    return hasCurrentTask() && isCurrentListEditable();
}

void TimeManagementAction::execute()
{
    listsUI()->showTimeManagementDialog();
}

// ------------------------------------------------------------- next list

NextListAction::NextListAction(ListsUI *ui)
    : ListsAction(tr("Switch to next list"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+Tab", "shortcut")));
}

bool NextListAction::shouldBeEnabled()
{
    return currentList();
}

void NextListAction::execute()
{
    listsUI()->switchToNextList();
}
