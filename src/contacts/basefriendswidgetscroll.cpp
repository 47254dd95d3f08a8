#include "contacts/basefriendswidgetscroll.h"

#include <QScrollBar>

BaseFriendsWidgetScroll::BaseFriendsWidgetScroll(QWidget *parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("friendswidgetscroll"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
}

bool BaseFriendsWidgetScroll::isVerticalScrollBarVisible() const
{
    return verticalScrollBar()->isVisible();
}

void BaseFriendsWidgetScroll::resizeEvent(QResizeEvent *event)
{
    const bool visible = isVerticalScrollBarVisible();
    if (visible && !m_scrollBarShown) {
        m_scrollBarShown = true;
        emit scrollChangesToVisible();
    } else if (!visible && m_scrollBarShown) {
        m_scrollBarShown = false;
        emit scrollChangesToHidden();
    }
    QScrollArea::resizeEvent(event);
}
