#include "model/listsgroupselementgroup.h"

#include "model/listsgroupselementlist.h"

ListsGroupsElementGroup::ListsGroupsElementGroup(QObject *parent)
    : QObject(parent)
    , m_name(defaultName())
{
}

QString ListsGroupsElementGroup::defaultName()
{
    // Deliberately not translated.
    return QStringLiteral("New Group");
}

void ListsGroupsElementGroup::addList(ListsGroupsElementList *list)
{
    if (!list)
        return;
    list->setParent(this);
    m_lists.append(list);
}

void ListsGroupsElementGroup::addGroup(ListsGroupsElementGroup *group)
{
    if (!group)
        return;
    group->setParent(this);
    m_groups.append(group);
}

bool ListsGroupsElementGroup::removeList(ListsGroupsElementList *list)
{
    return m_lists.removeOne(list);
}

bool ListsGroupsElementGroup::removeGroup(ListsGroupsElementGroup *group)
{
    return m_groups.removeOne(group);
}

bool ListsGroupsElementGroup::containsGroup(const ListsGroupsElementGroup *group) const
{
    if (!group)
        return false;
    for (const ListsGroupsElementGroup *child : m_groups) {
        if (child == group || child->containsGroup(group))
            return true;
    }
    return false;
}
