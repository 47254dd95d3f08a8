#include "dialogs/listsgroupsmanagerlist.h"

#include "dialogs/listsgroupsmanagercommands.h"
#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerframeelementlist.h"
#include "model/listmodel.h"
#include "model/listsgroupselementgroup.h"
#include "model/listsgroupselementlist.h"
#include "shell/menu.h"
#include "shell/toolbutton.h"

#include <QDebug>

ListsGroupsManagerList::ListsGroupsManagerList(ListsGroupsElementList *entry, const QString &name, int level,
                                               ListsGroupsManagerContainer *container)
    : ListsGroupsManagerElement(container, level)
    , m_entry(entry)
{
    m_listFrame = new ListsGroupsManagerFrameElementList(name, this);
    setFrameElement(m_listFrame);
    branchButton()->setImage(branchIconName());
    branchButton()->setAccessibleName(tr("List"));
    connect(m_listFrame, &ListsGroupsManagerFrameElement::nameChanged, this, &ListsGroupsManagerList::onUserChangeListName);
    connect(m_listFrame, &ListsGroupsManagerFrameElement::doubleClick, this, &ListsGroupsManagerList::onListDoubleClicked);
}

QString ListsGroupsManagerList::iconName() const
{
    return QStringLiteral("attach_add");
}

QString ListsGroupsManagerList::branchIconName() const
{
    return QStringLiteral("pointer_empty");
}

void ListsGroupsManagerList::updateFromList(const ListModel *model)
{
    m_listFrame->updateFromList(model);
}

ListModel *ListsGroupsManagerList::listModel() const
{
    return container()->listByIds(m_entry->serverId(), m_entry->localId());
}

static QList<ListsGroupsElementList *> siblingsOf(const ListsGroupsElementList *entry)
{
    const auto *group = qobject_cast<const ListsGroupsElementGroup *>(entry->parent());
    return group ? group->lists() : QList<ListsGroupsElementList *>();
}

bool ListsGroupsManagerList::canMoveUp() const
{
    return canMove(siblingsOf(m_entry), m_entry, true);
}

bool ListsGroupsManagerList::canMoveDown() const
{
    return canMove(siblingsOf(m_entry), m_entry, false);
}

void ListsGroupsManagerList::onUserChangeListName(const QString &newName)
{
    container()->userChangeListName(this, newName);
}

void ListsGroupsManagerList::onListDoubleClicked()
{
    container()->openList(listModel());
}

void ListsGroupsManagerList::showContextMenu(const QPoint &globalPos)
{
    const ListModel *model = listModel();
    if (!model) {
        qDebug() << "ListsGroupsManagerList::showContextMenu, ListModel not found";
        return;
    }
    auto *menu = new Menu;
    ListsGroupsManagerContainer *c = container();
    const bool writable = model->hasWritePermission();
    addMenuEntry(menu, new RemoveListFromGroupAction(c, this))->setEnabled(writable);
    addMenuEntry(menu, new RenameListInGroupAction(c, this))->setEnabled(writable);
    addMenuEntry(menu, new MoveListUpInGroupsAction(c, this));
    addMenuEntry(menu, new MoveListDownInGroupsAction(c, this));
    popUp(menu, globalPos);
}
