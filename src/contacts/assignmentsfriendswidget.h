#ifndef ASSIGNMENTSFRIENDSWIDGET_H
#define ASSIGNMENTSFRIENDSWIDGET_H

#include "contacts/basefriendswidget.h"

class Task;

// The rows of the assignment picker, read from one task's assignees.
class AssignmentsFriendsWidget : public BaseFriendsWidget
{
    Q_OBJECT
public:
    AssignmentsFriendsWidget(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent = nullptr);

    void setTask(const Task *task);

signals:
    void assingBoxClicked(User *user, bool assigned);

public slots:
    void onAssingBoxClicked(User *user, bool assigned);

protected:
    BaseFriendWidget *createFriendWidget(ChatUI *chatUI, User *user, QWidget *parent) override;
};

#endif
