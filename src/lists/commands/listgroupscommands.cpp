#include "lists/commands/listgroupscommands.h"

#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagergroup.h"
#include "dialogs/listsgroupsmanagerlist.h"
#include "lists/listsui.h"

namespace {

ListsUI *pageOf(ListsGroupsManagerContainer *container)
{
    return container ? container->listsUI() : nullptr;
}

} // namespace

// ------------------------------------------------------------- row bases

GroupRowAction::GroupRowAction(const QString &text, ListsGroupsManagerContainer *container,
                               ListsGroupsManagerGroup *groupRow)
    : ListsAction(text, pageOf(container), pageOf(container))
    , m_container(container)
    , m_groupRow(groupRow)
{
}

bool GroupRowAction::shouldBeEnabled()
{
    return true;
}

ListRowAction::ListRowAction(const QString &text, ListsGroupsManagerContainer *container,
                             ListsGroupsManagerList *listRow)
    : ListsAction(text, pageOf(container), pageOf(container))
    , m_container(container)
    , m_listRow(listRow)
{
}

bool ListRowAction::shouldBeEnabled()
{
    return true;
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
    return m_groupRow && m_groupRow->canMoveUp();
}

void MoveGroupUpInGroupsAction::execute()
{
    if (m_container && m_groupRow)
        m_container->userMoveGroupUp(m_groupRow);
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
    return m_groupRow && m_groupRow->canMoveDown();
}

void MoveGroupDownInGroupsAction::execute()
{
    if (m_container && m_groupRow)
        m_container->userMoveGroupDown(m_groupRow);
}

RenameGroupAction::RenameGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Rename group"), container, groupRow)
{
    setIcon(currentIcon());
}

QIcon RenameGroupAction::currentIcon() { return QIcon(QStringLiteral(":/rename-list.png")); }

void RenameGroupAction::execute()
{
    if (m_groupRow)
        m_groupRow->startRename();
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
    if (m_container && m_groupRow)
        m_container->addNewGroupInto(m_groupRow);
}

RemoveGroupAction::RemoveGroupAction(ListsGroupsManagerContainer *container, ListsGroupsManagerGroup *groupRow)
    : GroupRowAction(tr("Remove group"), container, groupRow)
{
    setIcon(currentIcon());
}

QIcon RemoveGroupAction::currentIcon() { return QIcon(QStringLiteral(":/list_group_delete.png")); }

void RemoveGroupAction::execute()
{
    if (m_container && m_groupRow)
        m_container->removeGroup(m_groupRow);
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
    if (m_container && m_groupRow)
        m_container->addNewListToGroup(m_groupRow);
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
    return m_listRow && m_listRow->canMoveUp();
}

void MoveListUpInGroupsAction::execute()
{
    if (m_container && m_listRow)
        m_container->userMoveListUp(m_listRow);
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
    return m_listRow && m_listRow->canMoveDown();
}

void MoveListDownInGroupsAction::execute()
{
    if (m_container && m_listRow)
        m_container->userMoveListDown(m_listRow);
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
    if (m_listRow)
        m_listRow->startRename();
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
    if (m_container && m_listRow)
        m_container->removeList(m_listRow);
}

// ------------------------------------------------------------ empty area

AddNewGroupAction::AddNewGroupAction(ListsGroupsManagerContainer *container, ListsUI *ui)
    : ListsAction(tr("Add group"), ui, ui)
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

AddNewListIntoDefaultGroupAction::AddNewListIntoDefaultGroupAction(ListsGroupsManagerContainer *container,
                                                                   ListsUI *ui)
    : ListsAction(tr("Add list"), ui, ui)
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
