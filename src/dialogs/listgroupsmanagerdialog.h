#ifndef LISTGROUPSMANAGERDIALOG_H
#define LISTGROUPSMANAGERDIALOG_H

#include "shell/customdialog.h"

class ListModel;
class ListsGroups;
class ListsGroupsManagerContainer;
class QPushButton;
class TaskList;
class UserLists;

// The "List manager": a narrow, non-modal window (or docked panel) in which
// the user arranges lists into groups. It never closes itself: Escape and
// the close button only emit closeDialog(), which the lists page answers.
class ListGroupsManagerDialog : public CustomDialog
{
    Q_OBJECT
public:
    ListGroupsManagerDialog(UserLists *lists, ListsGroups *groups, QWidget *parent = nullptr);

    ListsGroupsManagerContainer *container() const { return m_container; }
    QPushButton *addGroupButton() const { return m_addGroupButton; }
    QPushButton *addListButton() const { return m_addListButton; }

    void setUserLists(UserLists *lists);
    void setListsGroups(ListsGroups *groups);
    void reload();
    void updateListElement(ListModel *model);
    void removeListElement(quint32 localId, quint32 serverId);
    void addListIntoDefaultGroupOnlyView(TaskList *list);

signals:
    void closeDialog();

public slots:
    void accept() override;
    void reject() override;
    void onAddListButtonPressed();
    void onAddGroupButtonPressed();

private:
    ListsGroupsManagerContainer *m_container;
    QPushButton *m_addGroupButton;
    QPushButton *m_addListButton;
};

#endif
