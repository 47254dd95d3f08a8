#ifndef LISTSGROUPSMANAGERCOMMANDS_H
#define LISTSGROUPSMANAGERCOMMANDS_H

#include "shell/action.h"

#include <QPointer>

class ListsGroupsManagerContainer;
class ListsGroupsManagerGroup;
class ListsGroupsManagerList;

// The list manager's menu commands. Each forwards to the manager's container
// (or to a row's inline rename); the manager builds them anew each time a
// menu opens, so the move commands' enabled states are taken once, when built.
// Each is owned by the page the manager works for until its menu takes it.

// A command on the group row the menu was opened on.
class GroupRowAction : public Action
{
    Q_OBJECT
public:
    GroupRowAction(const QString &text, ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    bool shouldBeEnabled() override;

protected:
    // The row while the container still shows it: a rebuild of the rows
    // while the menu was open leaves the command without one.
    ListsGroupsManagerGroup *liveRow() const;

    QPointer<ListsGroupsManagerContainer> m_container;
    QPointer<ListsGroupsManagerGroup> m_groupRow;
};

// A command on the list row the menu was opened on.
class ListRowAction : public Action
{
    Q_OBJECT
public:
    ListRowAction(const QString &text, ListsGroupsManagerContainer *container, ListsGroupsManagerList *listRow);
    bool shouldBeEnabled() override;

protected:
    ListsGroupsManagerList *liveRow() const;

    QPointer<ListsGroupsManagerContainer> m_container;
    QPointer<ListsGroupsManagerList> m_listRow;
};

class MoveGroupUpInGroupsAction : public GroupRowAction
{
    Q_OBJECT
public:
    MoveGroupUpInGroupsAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

class MoveGroupDownInGroupsAction : public GroupRowAction
{
    Q_OBJECT
public:
    MoveGroupDownInGroupsAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

class RenameGroupAction : public GroupRowAction
{
    Q_OBJECT
public:
    RenameGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    QIcon currentIcon() override;
    void execute() override;
};

class AddNewGroupActionInto : public GroupRowAction
{
    Q_OBJECT
public:
    AddNewGroupActionInto(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    QIcon currentIcon() override;
    void execute() override;
};

class RemoveGroupAction : public GroupRowAction
{
    Q_OBJECT
public:
    RemoveGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    QIcon currentIcon() override;
    void execute() override;
};

class AddNewListToGroupAction : public GroupRowAction
{
    Q_OBJECT
public:
    AddNewListToGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow);
    QIcon currentIcon() override;
    void execute() override;
};

class MoveListUpInGroupsAction : public ListRowAction
{
    Q_OBJECT
public:
    MoveListUpInGroupsAction(ListsGroupsManagerContainer *container, ListsGroupsManagerList *listRow);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

class MoveListDownInGroupsAction : public ListRowAction
{
    Q_OBJECT
public:
    MoveListDownInGroupsAction(ListsGroupsManagerContainer *container, ListsGroupsManagerList *listRow);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

class RenameListInGroupAction : public ListRowAction
{
    Q_OBJECT
public:
    RenameListInGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerList *listRow);
    QIcon currentIcon() override;
    void execute() override;
};

class RemoveListFromGroupAction : public ListRowAction
{
    Q_OBJECT
public:
    RemoveListFromGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerList *listRow);
    QIcon currentIcon() override;
    void execute() override;
};

// The two commands of the empty area below the rows.
class AddNewGroupAction : public Action
{
    Q_OBJECT
public:
    explicit AddNewGroupAction(ListsGroupsManagerContainer *container);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    QPointer<ListsGroupsManagerContainer> m_container;
};

class AddNewListIntoDefaultGroupAction : public Action
{
    Q_OBJECT
public:
    explicit AddNewListIntoDefaultGroupAction(ListsGroupsManagerContainer *container);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    QPointer<ListsGroupsManagerContainer> m_container;
};

#endif
