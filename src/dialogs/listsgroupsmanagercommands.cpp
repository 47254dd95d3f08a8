#include "dialogs/listsgroupsmanagercommands.h"

#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagergroup.h"
#include "dialogs/listsgroupsmanagerlist.h"

namespace {

QObject *pageOf(ListsGroupsManagerContainer *container)
{
    return container ? container->page() : nullptr;
}

} // namespace

// ------------------------------------------------------------- row bases

GroupRowAction::GroupRowAction(const QString &text, ListsGroupsManagerContainer *container,
                               ListsGroupsManagerGroup *groupRow)
    : Action(text, pageOf(container))
    , m_container(container)
    , m_groupRow(groupRow)
{
}

bool GroupRowAction::shouldBeEnabled()
{
    return true;
}

ListsGroupsManagerGroup *GroupRowAction::liveRow() const
{
    return m_container && m_groupRow && m_container->rows().contains(m_groupRow.data()) ? m_groupRow.data() : nullptr;
}

ListRowAction::ListRowAction(const QString &text, ListsGroupsManagerContainer *container,
                             ListsGroupsManagerList *listRow)
    : Action(text, pageOf(container))
    , m_container(container)
    , m_listRow(listRow)
{
}

bool ListRowAction::shouldBeEnabled()
{
    return true;
}

ListsGroupsManagerList *ListRowAction::liveRow() const
{
    return m_container && m_listRow && m_container->rows().contains(m_listRow.data()) ? m_listRow.data() : nullptr;
}

// ------------------------------------------------------------ group rows

MoveGroupUpInGroupsAction::MoveGroupUpInGroupsAction(ListsGroupsManagerContainer *container,
                                                     ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Move group up"), container, groupRow)
{
    setIcon(currentIcon());
    setEnabled(shouldBeEnabled());
}

QIcon MoveGroupUpInGroupsAction::currentIcon() { return QIcon(QStringLiteral(":/move-up-button.png")); }

bool MoveGroupUpInGroupsAction::shouldBeEnabled()
{
    ListsGroupsManagerGroup *row = liveRow();
    return row && row->canMoveUp();
}

void MoveGroupUpInGroupsAction::execute()
{
    if (ListsGroupsManagerGroup *row = liveRow())
        m_container->userMoveGroupUp(row);
}

MoveGroupDownInGroupsAction::MoveGroupDownInGroupsAction(ListsGroupsManagerContainer *container,
                                                         ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Move group down"), container, groupRow)
{
    setIcon(currentIcon());
    setEnabled(shouldBeEnabled());
}

QIcon MoveGroupDownInGroupsAction::currentIcon() { return QIcon(QStringLiteral(":/move-down-button.png")); }

bool MoveGroupDownInGroupsAction::shouldBeEnabled()
{
    ListsGroupsManagerGroup *row = liveRow();
    return row && row->canMoveDown();
}

void MoveGroupDownInGroupsAction::execute()
{
    if (ListsGroupsManagerGroup *row = liveRow())
        m_container->userMoveGroupDown(row);
}

RenameGroupAction::RenameGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Rename group"), container, groupRow)
{
    setIcon(currentIcon());
}

QIcon RenameGroupAction::currentIcon() { return QIcon(QStringLiteral(":/rename-list.png")); }

void RenameGroupAction::execute()
{
    if (ListsGroupsManagerGroup *row = liveRow())
        row->startRename();
}

AddNewGroupActionInto::AddNewGroupActionInto(ListsGroupsManagerContainer *container,
                                             ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Add group"), container, groupRow)
{
    setIcon(currentIcon());
}

QIcon AddNewGroupActionInto::currentIcon() { return QIcon(QStringLiteral(":/list_group_add.png")); }

void AddNewGroupActionInto::execute()
{
    if (ListsGroupsManagerGroup *row = liveRow())
        m_container->addNewGroupInto(row);
}

RemoveGroupAction::RemoveGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Remove group"), container, groupRow)
{
    setIcon(currentIcon());
}

QIcon RemoveGroupAction::currentIcon() { return QIcon(QStringLiteral(":/list_group_delete.png")); }

void RemoveGroupAction::execute()
{
    if (ListsGroupsManagerGroup *row = liveRow())
        m_container->removeGroup(row);
}

AddNewListToGroupAction::AddNewListToGroupAction(ListsGroupsManagerContainer *container,
                                                 ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Add new list"), container, groupRow)
{
    setIcon(currentIcon());
}

QIcon AddNewListToGroupAction::currentIcon() { return QIcon(QStringLiteral(":/add-list-menu.png")); }

void AddNewListToGroupAction::execute()
{
    if (ListsGroupsManagerGroup *row = liveRow())
        m_container->addNewListToGroup(row);
}

// ------------------------------------------------------------- list rows

MoveListUpInGroupsAction::MoveListUpInGroupsAction(ListsGroupsManagerContainer *container,
                                                   ListsGroupsManagerList *listRow)
    : ListRowAction(tr("Move list up"), container, listRow)
{
    setIcon(currentIcon());
    setEnabled(shouldBeEnabled());
}

QIcon MoveListUpInGroupsAction::currentIcon() { return QIcon(QStringLiteral(":/move-up-button.png")); }

bool MoveListUpInGroupsAction::shouldBeEnabled()
{
    ListsGroupsManagerList *row = liveRow();
    return row && row->canMoveUp();
}

void MoveListUpInGroupsAction::execute()
{
    if (ListsGroupsManagerList *row = liveRow())
        m_container->userMoveListUp(row);
}

MoveListDownInGroupsAction::MoveListDownInGroupsAction(ListsGroupsManagerContainer *container,
                                                       ListsGroupsManagerList *listRow)
    : ListRowAction(tr("Move list down"), container, listRow)
{
    setIcon(currentIcon());
    setEnabled(shouldBeEnabled());
}

QIcon MoveListDownInGroupsAction::currentIcon() { return QIcon(QStringLiteral(":/move-down-button.png")); }

bool MoveListDownInGroupsAction::shouldBeEnabled()
{
    ListsGroupsManagerList *row = liveRow();
    return row && row->canMoveDown();
}

void MoveListDownInGroupsAction::execute()
{
    if (ListsGroupsManagerList *row = liveRow())
        m_container->userMoveListDown(row);
}

RenameListInGroupAction::RenameListInGroupAction(ListsGroupsManagerContainer *container,
                                                 ListsGroupsManagerList *listRow)
    : ListRowAction(tr("Rename list"), container, listRow)
{
    setIcon(currentIcon());
}

QIcon RenameListInGroupAction::currentIcon() { return QIcon(QStringLiteral(":/rename-list.png")); }

void RenameListInGroupAction::execute()
{
    if (ListsGroupsManagerList *row = liveRow())
        row->startRename();
}

RemoveListFromGroupAction::RemoveListFromGroupAction(ListsGroupsManagerContainer *container,
                                                     ListsGroupsManagerList *listRow)
    : ListRowAction(tr("Remove list"), container, listRow)
{
    setIcon(currentIcon());
}

QIcon RemoveListFromGroupAction::currentIcon() { return QIcon(QStringLiteral(":/remove-list-menu.png")); }

void RemoveListFromGroupAction::execute()
{
    if (ListsGroupsManagerList *row = liveRow())
        m_container->removeList(row);
}

// ------------------------------------------------------------ empty area

AddNewGroupAction::AddNewGroupAction(ListsGroupsManagerContainer *container)
    : Action(tr("Add group"), pageOf(container))
    , m_container(container)
{
    setIcon(currentIcon());
}

QIcon AddNewGroupAction::currentIcon() { return QIcon(QStringLiteral(":/list_group_add.png")); }

bool AddNewGroupAction::shouldBeEnabled()
{
    return true;
}

void AddNewGroupAction::execute()
{
    if (m_container)
        m_container->addNewGroup();
}

AddNewListIntoDefaultGroupAction::AddNewListIntoDefaultGroupAction(ListsGroupsManagerContainer *container)
    : Action(tr("Add list"), pageOf(container))
    , m_container(container)
{
    setIcon(currentIcon());
}

QIcon AddNewListIntoDefaultGroupAction::currentIcon() { return QIcon(QStringLiteral(":/add-list-menu.png")); }

bool AddNewListIntoDefaultGroupAction::shouldBeEnabled()
{
    return true;
}

void AddNewListIntoDefaultGroupAction::execute()
{
    if (m_container)
        m_container->addNewListIntoDefaultGroup();
}
