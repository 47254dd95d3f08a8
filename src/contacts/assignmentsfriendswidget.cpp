#include "contacts/assignmentsfriendswidget.h"

#include "contacts/assignmentsfriendwidget.h"
#include "model/task.h"

AssignmentsFriendsWidget::AssignmentsFriendsWidget(ChatUI *chatUI, Friends *friends, bool withChatIcons,
                                                   QWidget *parent)
    : BaseFriendsWidget(chatUI, friends, withChatIcons, parent)
{
}

BaseFriendWidget *AssignmentsFriendsWidget::createFriendWidget(ChatUI *chatUI, User *user, QWidget *parent)
{
    auto *row = new AssignmentsFriendWidget(chatUI, user, withChatIcons(), parent);
    row->createContents();
    connect(row, &AssignmentsFriendWidget::assingBoxClicked, this, &AssignmentsFriendsWidget::onAssingBoxClicked);
    return row;
}

void AssignmentsFriendsWidget::setTask(const Task *task)
{
    for (BaseFriendWidget *base : friendWidgets()) {
        auto *row = static_cast<AssignmentsFriendWidget *>(base);
        if (task && task->isAssignedTo(row->nick()))
            row->markAssigned();
        else
            row->markUnassigned();
    }
}

void AssignmentsFriendsWidget::onAssingBoxClicked(User *user, bool assigned)
{
    emit assingBoxClicked(user, assigned);
}
