#ifndef VIEWCOMMANDS_H
#define VIEWCOMMANDS_H

#include "lists/commands/listsaction.h"

// Commands that change what the page shows: layout mode, the optional
// columns of the current list, the search bars and the shortcuts, list
// information and list manager windows. On/off states show as the check or
// spacer image, never as a check mark.

// "Normal", "Professional", "Advanced": the page's layout mode.
class UIModeAction : public ListsAction
{
    Q_OBJECT
public:
    UIModeAction(const QString &text, int mode, ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    int mode() const { return m_mode; }
    ListsUI *page() const { return listsUI(); }

private:
    int m_mode;
};

// "Show shortcuts": the keyboard shortcuts dialog.
class ShowShortcutsAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowShortcutsAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show start time": the current list's start-time column.
class ShowStartTimeColumnForCurrentAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowStartTimeColumnForCurrentAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show end time".
class ShowEndTimeColumnForCurrentAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowEndTimeColumnForCurrentAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show elapsed time".
class ShowElapsedTimeColumnForCurrentAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowElapsedTimeColumnForCurrentAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show assignment".
class ShowAssignColumnForCurrentAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowAssignColumnForCurrentAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Hide/Show task search" (Ctrl+F): the search bars of every tab at once.
class HideShowSearchTaskAction : public ListsAction
{
    Q_OBJECT
public:
    explicit HideShowSearchTaskAction(ListsUI *ui);
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show list manager" (Ctrl+L).
class ShowListGroupsManagerDialogAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowListGroupsManagerDialogAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show list info".
class ShowListInfoAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowListInfoAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

#endif
