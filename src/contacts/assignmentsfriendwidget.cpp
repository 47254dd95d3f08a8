#include "contacts/assignmentsfriendwidget.h"

#include <QCheckBox>
#include <QHBoxLayout>

AssignmentsFriendWidget::AssignmentsFriendWidget(ChatUI *chatUI, User *user, bool withChatIcons, QWidget *parent)
    : BaseFriendWidget(chatUI, user, withChatIcons, parent)
{
}

QSize AssignmentsFriendWidget::avatarSize() const
{
    return QSize(24, 24);
}

void AssignmentsFriendWidget::createContents()
{
    BaseFriendWidget::createContents();
    m_assignedBox = new QCheckBox;
    m_assignedBox->setObjectName(QStringLiteral("assignedBox"));
    m_assignedBox->setAccessibleName(tr("Assign to %1").arg(nick()));
    m_assigned = false;
    rowLayout()->addWidget(m_assignedBox);
    connect(m_assignedBox, &QCheckBox::clicked, this, &AssignmentsFriendWidget::onAssignBoxClicked);
}

void AssignmentsFriendWidget::markAssigned()
{
    if (m_assigned)
        return;
    m_assigned = true;
    m_assignedBox->setChecked(true);
}

void AssignmentsFriendWidget::markUnassigned()
{
    if (!m_assigned)
        return;
    m_assigned = false;
    m_assignedBox->setChecked(false);
}

void AssignmentsFriendWidget::onAssignBoxClicked()
{
    m_assigned = !m_assigned;
    m_assignedBox->setChecked(m_assigned);
    emit assingBoxClicked(user(), m_assigned);
}

void AssignmentsFriendWidget::contextMenuEvent(QContextMenuEvent *)
{
}
