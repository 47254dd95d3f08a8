#ifndef LISTSGROUPSMANAGERGROUP_H
#define LISTSGROUPSMANAGERGROUP_H

#include "dialogs/listsgroupsmanagerelement.h"

class ListsGroupsElementGroup;

// A group row of the list manager.
class ListsGroupsManagerGroup : public ListsGroupsManagerElement
{
    Q_OBJECT
public:
    ListsGroupsManagerGroup(ListsGroupsElementGroup *group, int level, ListsGroupsManagerContainer *container);

    bool isGroup() const override { return true; }
    void showContextMenu(const QPoint &globalPos) override;
    QString iconName() const override;
    QString branchIconName() const override;

    ListsGroupsElementGroup *groupElement() const { return m_group; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    // Whether the group can move up or down among its parent's groups.
    bool canMoveUp() const;
    bool canMoveDown() const;

public slots:
    void onUserChangeGroupName(const QString &newName);
    void onExpandButtonClicked();

private:
    ListsGroupsElementGroup *m_group;
    bool m_expanded = true;
};

#endif
