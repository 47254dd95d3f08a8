#include "contacts/assignmentsfriendscontainer.h"

#include "contacts/assignmentsfriendswidget.h"
#include "contacts/user.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"

AssignmentsFriendsContainer::AssignmentsFriendsContainer(ChatUI *chatUI, Friends *friends, bool withChatIcons,
                                                         QWidget *parent)
    : BaseFriendsContainer(chatUI, friends, withChatIcons, parent)
{
}

BaseFriendsWidget *AssignmentsFriendsContainer::createFriendsWidget(ChatUI *chatUI, Friends *friends)
{
    auto *list = new AssignmentsFriendsWidget(chatUI, friends, withChatIcons());
    list->createContents();
    connect(list, &AssignmentsFriendsWidget::assingBoxClicked, this,
            &AssignmentsFriendsContainer::onAssingBoxClicked);
    // Rows made anew after a contacts change start unticked.
    connect(list, &BaseFriendsWidget::rebuilt, this, &AssignmentsFriendsContainer::reapplyTask);
    return list;
}

AssignmentsFriendsWidget *AssignmentsFriendsContainer::assignmentsFriendsWidget() const
{
    return static_cast<AssignmentsFriendsWidget *>(friendsWidget());
}

void AssignmentsFriendsContainer::setTask(Task *task, ListModel *list)
{
    if (m_listModel != list) {
        if (m_listModel)
            m_listModel->disconnect(this);
        if (list) {
            connect(list, &QAbstractItemModel::modelReset, this, &AssignmentsFriendsContainer::forgetTaskIfGone);
            connect(list, &QAbstractItemModel::rowsRemoved, this, &AssignmentsFriendsContainer::forgetTaskIfGone);
            connect(list, &QAbstractItemModel::dataChanged, this, &AssignmentsFriendsContainer::reapplyTask);
        }
    }
    m_task = task;
    m_listModel = list;
    reapplyTask();
}

bool AssignmentsFriendsContainer::taskAlive() const
{
    if (!m_task || !m_listModel)
        return false;
    const TaskList *list = m_listModel->taskList();
    return list && list->allTasks().contains(m_task);
}

void AssignmentsFriendsContainer::forgetTaskIfGone()
{
    if (!m_task || taskAlive())
        return;
    m_task = nullptr;
    reapplyTask();
}

void AssignmentsFriendsContainer::reapplyTask()
{
    AssignmentsFriendsWidget *rows = assignmentsFriendsWidget();
    if (!rows)
        return;
    if (m_task && !taskAlive())
        m_task = nullptr;
    const bool usable = m_task && m_listModel;
    // A run replaces the list with the server's copy: no edit while it goes.
    rows->setEnabled(usable && !m_listModel->isSynchronizing());
    rows->setTask(usable ? m_task : nullptr);
}

void AssignmentsFriendsContainer::onAssingBoxClicked(User *user, bool assigned)
{
    forgetTaskIfGone();
    if (!m_task || !m_listModel) {
        qWarning("AssignmentsFriendsContainer::onAssingBoxClicked, task or listmodel are null");
        return;
    }
    if (!user || m_listModel->isSynchronizing())
        return;
    const QModelIndex index = m_listModel->indexOfTask(m_task);
    if (assigned)
        m_listModel->assignTask(index, user->nick());
    else
        m_listModel->unassignTask(index, user->nick());
}
