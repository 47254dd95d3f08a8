#ifndef LISTSGROUPSMANAGERFRAMEELEMENTLIST_H
#define LISTSGROUPSMANAGERFRAMEELEMENTLIST_H

#include "dialogs/listsgroupsmanagerframeelement.h"

class ListModel;

// The body of a list row, with the list's sharing icon after the name.
class ListsGroupsManagerFrameElementList : public ListsGroupsManagerFrameElement
{
    Q_OBJECT
public:
    ListsGroupsManagerFrameElementList(const QString &name, ListsGroupsManagerElement *owner);

    // Takes the list's name and shows its sharing icon.
    void updateFromList(const ListModel *model);
    // The sharing icon for the list, empty when none is shown.
    static QString sharingIcon(const ListModel *model);

private:
    QLabel *m_sharingLabel;
};

#endif
