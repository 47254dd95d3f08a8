#ifndef LISTSGROUPSMANAGERLIST_H
#define LISTSGROUPSMANAGERLIST_H

#include "dialogs/listsgroupsmanagerelement.h"

class ListModel;
class ListsGroupsElementList;
class ListsGroupsManagerFrameElementList;

// A list row of the list manager.
class ListsGroupsManagerList : public ListsGroupsManagerElement
{
    Q_OBJECT
public:
    ListsGroupsManagerList(ListsGroupsElementList *entry, const QString &name, int level,
                           ListsGroupsManagerContainer *container);

    bool isList() const override { return true; }
    void showContextMenu(const QPoint &globalPos) override;
    QString iconName() const override;
    QString branchIconName() const override;

    ListsGroupsElementList *listElement() const { return m_entry; }
    void updateFromList(const ListModel *model);
    // The list this row shows, null when the lists hold none.
    ListModel *listModel() const;

    // Whether the entry can move up or down among its group's lists.
    bool canMoveUp() const;
    bool canMoveDown() const;

public slots:
    void onUserChangeListName(const QString &newName);
    void onListDoubleClicked();

private:
    ListsGroupsElementList *m_entry;
    ListsGroupsManagerFrameElementList *m_listFrame;
};

#endif
