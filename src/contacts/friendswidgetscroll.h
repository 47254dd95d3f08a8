#ifndef FRIENDSWIDGETSCROLL_H
#define FRIENDSWIDGETSCROLL_H

#include <QScrollArea>

class ChatUI;
class Friends;
class FriendsWidget;

// The scroll area around the contact list.
class FriendsWidgetScroll : public QScrollArea
{
    Q_OBJECT
public:
    FriendsWidgetScroll(ChatUI *chatUI, Friends *friends, QWidget *parent = nullptr);
    ~FriendsWidgetScroll() override;

    FriendsWidget *friendsWidget() const { return m_friendsWidget; }

private:
    FriendsWidget *m_friendsWidget;
};

#endif
