#ifndef ASSIGNMENTSFRIENDWIDGET_H
#define ASSIGNMENTSFRIENDWIDGET_H

#include "contacts/basefriendwidget.h"

class QCheckBox;

// An assignment picker row: one box, ticked when the task is the contact's.
class AssignmentsFriendWidget : public BaseFriendWidget
{
    Q_OBJECT
public:
    AssignmentsFriendWidget(ChatUI *chatUI, User *user, bool withChatIcons, QWidget *parent = nullptr);

    void createContents() override;
    QSize avatarSize() const override;

    void markAssigned();
    void markUnassigned();
    bool isAssigned() const { return m_assigned; }
    QCheckBox *assignedBox() const { return m_assignedBox; }

signals:
    void assingBoxClicked(User *user, bool assigned);

public slots:
    void onAssignBoxClicked();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QCheckBox *m_assignedBox = nullptr;
    bool m_assigned = false;
};

#endif
