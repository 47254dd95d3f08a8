#ifndef ASSIGNMENTSFRIENDSCONTAINER_H
#define ASSIGNMENTSFRIENDSCONTAINER_H

#include "contacts/basefriendscontainer.h"

#include <QPointer>

class AssignmentsFriendsWidget;
class ListModel;
class Task;
class User;

// The assignment picker: which contacts one task is assigned to. A tick goes
// through the task's list, so that the change is saved, uploaded and shown.
class AssignmentsFriendsContainer : public BaseFriendsContainer
{
    Q_OBJECT
public:
    AssignmentsFriendsContainer(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent = nullptr);

    void setTask(Task *task, ListModel *list);
    Task *task() const { return m_task; }
    ListModel *listModel() const { return m_listModel; }
    AssignmentsFriendsWidget *assignmentsFriendsWidget() const;

public slots:
    void onAssingBoxClicked(User *user, bool assigned);

protected:
    BaseFriendsWidget *createFriendsWidget(ChatUI *chatUI, Friends *friends) override;

private slots:
    void reapplyTask();
    void forgetTaskIfGone();

private:
    bool taskAlive() const;

    // Undo, redo and removals free tasks: the task is checked against its
    // list before every use.
    Task *m_task = nullptr;
    QPointer<ListModel> m_listModel;
};

#endif
