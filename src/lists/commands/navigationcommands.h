#ifndef NAVIGATIONCOMMANDS_H
#define NAVIGATIONCOMMANDS_H

#include "lists/commands/listsaction.h"

#include <QPointer>

// Assignment, task information and navigation commands. The assignment
// entries are built each time the "Assign to" menu is filled and live with
// that menu.

// One user not yet assigned: "nick" or "nick (me)".
class AssignTaskAction : public ListsAction
{
    Q_OBJECT
public:
    AssignTaskAction(const QString &nick, ListModel *model, bool isMe, ListsUI *ui, QObject *parent);
    bool shouldBeEnabled() override;
    void execute() override;

    QString nick() const { return m_nick; }

private:
    QString m_nick;
    QPointer<ListModel> m_model;
};

// One assigned user, shown with the check image: choosing it takes the
// assignment away.
class UnassignTaskAction : public ListsAction
{
    Q_OBJECT
public:
    UnassignTaskAction(const QString &nick, ListModel *model, bool isMe, ListsUI *ui,
                       QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    QString nick() const { return m_nick; }

private:
    QString m_nick;
    QPointer<ListModel> m_model;
};

// "Unassign all": disabled from the start when the task has no assignments.
class UnassignAllTaskAction : public ListsAction
{
    Q_OBJECT
public:
    UnassignAllTaskAction(ListModel *model, ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:
    QPointer<ListModel> m_model;
};

// "Show All": the task assignments dialog.
class ShowTaskAssignmentsAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowTaskAssignmentsAction(ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Show task info" (Ctrl+I).
class ShowTaskInfoAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowTaskInfoAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Attachments": a current task.
class ShowTaskAttachmentsAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowTaskAttachmentsAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Edit calendar": a current task, writable.
class TimeManagementAction : public ListsAction
{
    Q_OBJECT
public:
    explicit TimeManagementAction(ListsUI *ui);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// "Switch to next list" (Ctrl+Tab): wraps from the last tab to the first.
class NextListAction : public ListsAction
{
    Q_OBJECT
public:
    explicit NextListAction(ListsUI *ui);
    bool shouldBeEnabled() override;
    void execute() override;
};

#endif
