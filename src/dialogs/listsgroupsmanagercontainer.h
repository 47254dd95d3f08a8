#ifndef LISTSGROUPSMANAGERCONTAINER_H
#define LISTSGROUPSMANAGERCONTAINER_H

#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QStringList>

class ListModel;
class ListsGroups;
class ListsGroupsElementGroup;
class ListsGroupsManagerElement;
class ListsGroupsManagerGroup;
class ListsGroupsManagerList;
class QFrame;
class QVBoxLayout;
class TaskList;
class ToolButton;
class UserLists;

// The scrolling body of the list manager: the tree of list groups shown as
// a flat, indented column of rows (inside a group its lists first, then its
// groups, each followed by its subtree). Every gesture on the rows becomes an
// operation on the groups or the lists; the rows are then rearranged to
// match, and rebuilt from the model only by reload().
//
// What only the lists page can do is asked for through signals: opening a
// list and renaming one. New and removed lists reach the groups through the
// page too (it enters a created list into the default group and reports a
// removal with removeListElement).
class ListsGroupsManagerContainer : public QScrollArea
{
    Q_OBJECT
public:
    ListsGroupsManagerContainer(UserLists *lists, ListsGroups *groups, QWidget *parent = nullptr);

    UserLists *userLists() const;
    ListsGroups *listsGroups() const;
    // For the lists page when it replaces them; reload() shows the change.
    void setUserLists(UserLists *lists);
    void setListsGroups(ListsGroups *groups);
    QFrame *contentFrame() const { return m_contentFrame; }
    // The page the menu commands work for (and that owns them while no
    // menu does).
    QObject *page() const;
    void setPage(QObject *page);
    // The live list whose non-zero server id or local id matches.
    ListModel *listByIds(quint32 serverId, quint32 localId) const;

    // From the lists page. A name being typed in a row goes on being typed
    // in the row's new copy; the groups the rows showed must still exist.
    void reload();
    void updateListElement(ListModel *model);
    void removeListElement(quint32 localId, quint32 serverId);
    void addListIntoDefaultGroupOnlyView(TaskList *list);
    // The dialog's buttons.
    void addGroupAtSelection();
    void addListAtSelection();

    // The rows' menu commands.
    void addNewGroup();
    void addNewListIntoDefaultGroup();
    void addNewGroupInto(ListsGroupsManagerGroup *row);
    void addNewListToGroup(ListsGroupsManagerGroup *row);
    void removeGroup(ListsGroupsManagerGroup *row);
    void removeList(ListsGroupsManagerList *row);
    void userMoveListUp(ListsGroupsManagerList *row);
    void userMoveListDown(ListsGroupsManagerList *row);
    void userMoveGroupUp(ListsGroupsManagerGroup *row);
    void userMoveGroupDown(ListsGroupsManagerGroup *row);

    // The rows' gestures.
    void onDragElement(const QPoint &globalPos, ListsGroupsManagerElement *dragged);
    void onDropElement(ListsGroupsManagerElement *dragged);
    void expandGroup(ListsGroupsManagerGroup *row);
    void collapseGroup(ListsGroupsManagerGroup *row);
    void renameGroup(ListsGroupsManagerGroup *row, const QString &name);
    void userChangeListName(ListsGroupsManagerList *row, const QString &name);
    void openList(ListModel *model);

    QList<ListsGroupsManagerElement *> rows() const { return m_rows; }
    // The first row that is selected and visible, if any.
    ListsGroupsManagerElement *selectedRow() const;
    ListsGroupsManagerElement *currentDropTarget() const { return m_dropTarget; }
    bool isBottomIndicatorShown() const { return m_bottomIndicatorShown; }
    ToolButton *bottomIndicator() const { return m_bottomIndicator; }

signals:
    // Show the list's tab (a list that is not found comes as null).
    void openListRequested(ListModel *model);
    // The user renamed the list in its row.
    void listNameChangeRequested(ListModel *model, const QString &name);

public slots:
    void onElementClickedToSelect(ListsGroupsManagerElement *row);
    void unselectAll();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // A row being renamed: what tells it again among rebuilt rows, and the
    // typing.
    struct Rename
    {
        bool pending = false;
        bool list = false;
        quint32 localId = 0;
        quint32 serverId = 0;
        // The group renamed, as long as it lives.
        QPointer<ListsGroupsElementGroup> group;
        // Another group held its name: the name tells nothing.
        bool nameShared = false;
        // The rows' arrangement of groups and their lists, and the group's
        // place among the group rows: a group without server id is told by
        // its place when the groups come back as they were.
        QStringList arrangement;
        int groupPlace = -1;
        QString name;
        QString typed;
    };
    Rename takeRename();
    void resumeRename(const Rename &rename);
    QList<ListsGroupsManagerElement *> groupRowsNamed(const QString &name) const;
    QList<ListsGroupsManagerElement *> groupRows() const;
    QStringList groupArrangement() const;

    QPointer<QObject> m_page;
    void addGroupRows(ListsGroupsElementGroup *group, int level);
    ListsGroupsManagerList *makeListRow(ListModel *model, TaskList *list, int level);
    void insertRow(int index, ListsGroupsManagerElement *row);
    ListsGroupsManagerElement *takeRow(int index);
    QList<ListsGroupsManagerElement *> takeSubtree(ListsGroupsManagerElement *row);
    void insertRows(int index, const QList<ListsGroupsManagerElement *> &rows);
    void dropRow(ListsGroupsManagerElement *row);
    int indexAfterSubtree(int index) const;
    int firstGroupRowFrom(int index) const;
    int leadingListRows() const;
    ListsGroupsManagerGroup *parentGroupRow(ListsGroupsManagerElement *row) const;
    ListsGroupsManagerList *findListRow(quint32 localId, quint32 serverId) const;
    void placeListIntoGroup(ListsGroupsManagerElement *listRow, ListsGroupsManagerGroup *groupRow);
    void placeListAtRoot(ListsGroupsManagerElement *listRow);
    void moveListRow(ListsGroupsManagerList *row, int step);
    void updateVisibility();
    void selectRow(ListsGroupsManagerElement *row);
    void setBottomIndicator(bool shown);
    ListsGroupsManagerElement *visibleNeighbour(ListsGroupsManagerElement *row, int step) const;

    QPointer<UserLists> m_userLists;
    QPointer<ListsGroups> m_listsGroups;
    QFrame *m_contentFrame;
    QVBoxLayout *m_rowsLayout;
    ToolButton *m_bottomIndicator;
    QList<ListsGroupsManagerElement *> m_rows;
    ListsGroupsManagerElement *m_dropTarget = nullptr;
    bool m_bottomIndicatorShown = false;
};

#endif
