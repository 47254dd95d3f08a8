#ifndef TASKASSIGNMENTSDIALOG_H
#define TASKASSIGNMENTSDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>

class AssignmentsFriendsContainer;
class ListDialogsHost;
class ListModel;
class QFrame;
class Task;

// "Task Assingmens": the owner of a list ticks the contacts the current task
// is assigned to. A task of another user's list shows a notice instead.
class TaskAssignmentsDialog : public CustomDialog
{
    Q_OBJECT
public:
    TaskAssignmentsDialog(ListDialogsHost *host, QWidget *parent = nullptr);

    void updateInfo();
    AssignmentsFriendsContainer *assignmentsContainer() const { return m_assignmentsContainer; }
    QFrame *notOwnedContainer() const { return m_notOwnedContainer; }

signals:
    void closeDialog();

public slots:
    void selectedTaskChanged(Task *task, ListModel *list);
    void accept() override;
    void reject() override;

private:
    Task *m_task = nullptr;
    QPointer<ListModel> m_listModel;
    ListDialogsHost *m_host = nullptr;
    AssignmentsFriendsContainer *m_assignmentsContainer;
    QFrame *m_notOwnedContainer;
};

#endif
