#include "dialogs/listsgroupsmanagergroup.h"

#include "dialogs/listsgroupsmanagercommands.h"
#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerframeelementgroup.h"
#include "model/listsgroupselementgroup.h"
#include "shell/menu.h"
#include "shell/toolbutton.h"

ListsGroupsManagerGroup::ListsGroupsManagerGroup(ListsGroupsElementGroup *group, int level,
                                                 ListsGroupsManagerContainer *container)
    : ListsGroupsManagerElement(container, level)
    , m_group(group)
{
    auto *frame = new ListsGroupsManagerFrameElementGroup(group->name(), this);
    setFrameElement(frame);
    branchButton()->setImage(branchIconName());
    connect(frame, &ListsGroupsManagerFrameElement::nameChanged, this, &ListsGroupsManagerGroup::onUserChangeGroupName);
    connect(frame, &ListsGroupsManagerFrameElement::doubleClick, this, &ListsGroupsManagerGroup::onExpandButtonClicked);
    branchButton()->setAccessibleName(tr("Expand or collapse"));
    connect(branchButton(), &ToolButton::clicked, this, &ListsGroupsManagerGroup::onExpandButtonClicked);
}

QString ListsGroupsManagerGroup::iconName() const
{
    return QStringLiteral("add-task");
}

QString ListsGroupsManagerGroup::branchIconName() const
{
    return m_expanded ? QStringLiteral("pointer_open") : QStringLiteral("pointer_close");
}

void ListsGroupsManagerGroup::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    branchButton()->setImage(branchIconName());
}

static QList<ListsGroupsElementGroup *> siblingsOf(const ListsGroupsElementGroup *group)
{
    const auto *parent = qobject_cast<const ListsGroupsElementGroup *>(group->parent());
    return parent ? parent->groups() : QList<ListsGroupsElementGroup *>();
}

bool ListsGroupsManagerGroup::canMoveUp() const
{
    return canMove(siblingsOf(m_group), m_group, true);
}

bool ListsGroupsManagerGroup::canMoveDown() const
{
    return canMove(siblingsOf(m_group), m_group, false);
}

void ListsGroupsManagerGroup::onUserChangeGroupName(const QString &newName)
{
    container()->renameGroup(this, newName);
}

void ListsGroupsManagerGroup::onExpandButtonClicked()
{
    if (m_expanded)
        container()->collapseGroup(this);
    else
        container()->expandGroup(this);
}

void ListsGroupsManagerGroup::showContextMenu(const QPoint &globalPos)
{
    auto *menu = new Menu;
    ListsGroupsManagerContainer *c = container();
    addMenuEntry(menu, new AddNewGroupActionInto(c, this));
    addMenuEntry(menu, new RenameGroupAction(c, this));
    addMenuEntry(menu, new RemoveGroupAction(c, this));
    addMenuEntry(menu, new AddNewListToGroupAction(c, this));
    addMenuEntry(menu, new MoveGroupUpInGroupsAction(c, this));
    addMenuEntry(menu, new MoveGroupDownInGroupsAction(c, this));
    popUp(menu, globalPos);
}
