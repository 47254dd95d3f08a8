#include "contacts/friendswidgetscroll.h"

#include "contacts/friendswidget.h"

FriendsWidgetScroll::FriendsWidgetScroll(ChatUI *chatUI, Friends *friends, QWidget *parent)
    : QScrollArea(parent), m_friendsWidget(new FriendsWidget(chatUI, friends))
{
    setWidget(m_friendsWidget);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

FriendsWidgetScroll::~FriendsWidgetScroll()
{
    delete takeWidget();
}
