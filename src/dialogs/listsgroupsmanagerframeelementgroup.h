#ifndef LISTSGROUPSMANAGERFRAMEELEMENTGROUP_H
#define LISTSGROUPSMANAGERFRAMEELEMENTGROUP_H

#include "dialogs/listsgroupsmanagerframeelement.h"

// The body of a group row.
class ListsGroupsManagerFrameElementGroup : public ListsGroupsManagerFrameElement
{
    Q_OBJECT
public:
    ListsGroupsManagerFrameElementGroup(const QString &name, ListsGroupsManagerElement *owner);
};

#endif
