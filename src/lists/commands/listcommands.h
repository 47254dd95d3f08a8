#ifndef LISTCOMMANDS_H
#define LISTCOMMANDS_H

#include "lists/commands/listsaction.h"

#include <QPointer>

// Commands on whole lists: add, remove, rename, move left or right, jump to
// and export. A command built for a tab's menu carries that tab's list and
// works on it; without one it works on the current list.

// "Add list" (Ctrl+T): a new list, made current.
class AddListAction : public ListsAction
{
    Q_OBJECT
public:
    explicit AddListAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Remove list" (Ctrl+W, Ctrl+F4): asks unless the list is blank or
// -noconfirm was given; the current list must be deletable.
class RemoveListAction : public ListsAction
{
    Q_OBJECT
public:
    explicit RemoveListAction(ListsUI *ui);
    RemoveListAction(ListsUI *ui, ListModel *list, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    void init();

};

// "Rename list" (Ctrl+F2): the rename dialog of the list's tab; the current
// list must be writable.
class RenameListAction : public ListsAction
{
    Q_OBJECT
public:
    explicit RenameListAction(ListsUI *ui);
    RenameListAction(ListsUI *ui, ListModel *list, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    void init();

};

// "Move list left": one place left in the display order.
class MoveListLeftAction : public ListsAction
{
    Q_OBJECT
public:
    MoveListLeftAction(ListsUI *ui, ListModel *list, bool atFirstTab, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    QPointer<ListModel> m_list;
    bool m_atFirstTab;
};

// "Move list right": one place right in the display order.
class MoveListRightAction : public ListsAction
{
    Q_OBJECT
public:
    MoveListRightAction(ListsUI *ui, ListModel *list, bool atLastTab, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    QPointer<ListModel> m_list;
    bool m_atLastTab;
};

// One entry of "Jump to": the list's name as the menu was filled. Built for
// a menu, so it lives with the menu (the page when no parent is given).
class GoToListAction : public ListsAction
{
    Q_OBJECT
public:
    GoToListAction(ListModel *list, ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    ListModel *list() const;
    ListsUI *page() const { return listsUI(); }

private:
    QPointer<ListModel> m_list;
};

// "Export list": the list as a UTF-8 text file the user names. A file that
// cannot be opened or written is reported; a failed write never leaves a
// partial file in place of an earlier one.
class ExportListAction : public ListsAction
{
    Q_OBJECT
public:
    ExportListAction(ListsUI *ui, ListModel *list, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    // Writes the list's text to the file; false with the message already
    // shown when it cannot. Separate from the file dialog for the tests.
    bool exportTo(const QString &fileName);

private:

};

// "Print list": the printer's dialog, then every page of the list (the tab's,
// or the current one when built for none).
class PrintListAction : public ListsAction
{
    Q_OBJECT
public:
    PrintListAction(ListsUI *ui, ListModel *list, QObject *parent);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    ListModel *printedList() const;

private:
};

#endif
