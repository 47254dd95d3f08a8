#include "lists/commands/viewcommands.h"

#include "lists/listsui.h"
#include "model/listmodel.h"

namespace {

QIcon onOffIcon(bool on)
{
    return QIcon(on ? QStringLiteral(":/menu-check.png") : QStringLiteral(":/menu-spacer.png"));
}

} // namespace

// ----------------------------------------------------------------- mode

UIModeAction::UIModeAction(const QString &text, int mode, ListsUI *ui)
    : ListsAction(text, ui, ui)
    , m_mode(mode)
{
}

QIcon UIModeAction::currentIcon()
{
    return onOffIcon(listsUI()->uiMode() == m_mode);
}

bool UIModeAction::shouldBeEnabled() { return true; }

void UIModeAction::execute()
{
    listsUI()->userChangeUIMode(m_mode);
}

// ------------------------------------------------------------ shortcuts

ShowShortcutsAction::ShowShortcutsAction(ListsUI *ui)
    : ListsAction(tr("Show shortcuts"), ui, ui)
{
}

QIcon ShowShortcutsAction::currentIcon() { return QIcon(); }

bool ShowShortcutsAction::shouldBeEnabled() { return true; }

void ShowShortcutsAction::execute()
{
    listsUI()->showShortcuts();
}

// -------------------------------------------------------------- columns

ShowStartTimeColumnForCurrentAction::ShowStartTimeColumnForCurrentAction(ListsUI *ui)
    : ListsAction(tr("Show start time"), ui, ui)
{
}

QIcon ShowStartTimeColumnForCurrentAction::currentIcon()
{
    ListModel *list = currentList();
    return onOffIcon(list && list->showStartTimeColumn());
}

bool ShowStartTimeColumnForCurrentAction::shouldBeEnabled() { return true; }

void ShowStartTimeColumnForCurrentAction::execute()
{
    listsUI()->toggleStartTimeColumn();
}

ShowEndTimeColumnForCurrentAction::ShowEndTimeColumnForCurrentAction(ListsUI *ui)
    : ListsAction(tr("Show end time"), ui, ui)
{
}

QIcon ShowEndTimeColumnForCurrentAction::currentIcon()
{
    ListModel *list = currentList();
    return onOffIcon(list && list->showEndTimeColumn());
}

bool ShowEndTimeColumnForCurrentAction::shouldBeEnabled() { return true; }

void ShowEndTimeColumnForCurrentAction::execute()
{
    listsUI()->toggleEndTimeColumn();
}

ShowElapsedTimeColumnForCurrentAction::ShowElapsedTimeColumnForCurrentAction(ListsUI *ui)
    : ListsAction(tr("Show elapsed time"), ui, ui)
{
}

QIcon ShowElapsedTimeColumnForCurrentAction::currentIcon()
{
    ListModel *list = currentList();
    return onOffIcon(list && list->showElapsedTimeColumn());
}

bool ShowElapsedTimeColumnForCurrentAction::shouldBeEnabled() { return true; }

void ShowElapsedTimeColumnForCurrentAction::execute()
{
    listsUI()->toggleElapsedTimeColumn();
}

ShowAssignColumnForCurrentAction::ShowAssignColumnForCurrentAction(ListsUI *ui)
    : ListsAction(tr("Show assignment"), ui, ui)
{
}

QIcon ShowAssignColumnForCurrentAction::currentIcon()
{
    ListModel *list = currentList();
    return onOffIcon(list && list->showAssignmentColumn());
}

bool ShowAssignColumnForCurrentAction::shouldBeEnabled() { return true; }

void ShowAssignColumnForCurrentAction::execute()
{
    listsUI()->toggleAssignColumn();
}

// ----------------------------------------------------------- search bars

HideShowSearchTaskAction::HideShowSearchTaskAction(ListsUI *ui)
    : ListsAction(tr("Hide/Show task search"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+F", "shortcut")));
}

bool HideShowSearchTaskAction::shouldBeEnabled() { return true; }

void HideShowSearchTaskAction::execute()
{
    if (listsUI()->isTaskSearchShown())
        listsUI()->hideTaskSearch();
    else
        listsUI()->showTaskSearch();
}

// --------------------------------------------------------------- windows

ShowListGroupsManagerDialogAction::ShowListGroupsManagerDialogAction(ListsUI *ui)
    : ListsAction(tr("Show list manager"), ui, ui)
{
    setShortcut(QKeySequence(tr("Ctrl+L", "shortcut")));
}

QIcon ShowListGroupsManagerDialogAction::currentIcon() { return QIcon(QStringLiteral(":/info_lists.png")); }

bool ShowListGroupsManagerDialogAction::shouldBeEnabled() { return true; }

void ShowListGroupsManagerDialogAction::execute()
{
    listsUI()->showListsGroupsManagerDialog();
}

ShowListInfoAction::ShowListInfoAction(ListsUI *ui)
    : ListsAction(tr("Show list info"), ui, ui)
{
}

QIcon ShowListInfoAction::currentIcon() { return QIcon(QStringLiteral(":/info_lists.png")); }

bool ShowListInfoAction::shouldBeEnabled() { return true; }

void ShowListInfoAction::execute()
{
    listsUI()->showListInfoDialog();
}
