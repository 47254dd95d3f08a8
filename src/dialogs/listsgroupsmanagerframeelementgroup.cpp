#include "dialogs/listsgroupsmanagerframeelementgroup.h"

ListsGroupsManagerFrameElementGroup::ListsGroupsManagerFrameElementGroup(const QString &name,
                                                                         ListsGroupsManagerElement *owner)
    : ListsGroupsManagerFrameElement(name, owner)
{
    setIcon(QStringLiteral(":/list_group.png"));
}
