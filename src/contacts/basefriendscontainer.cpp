#include "contacts/basefriendscontainer.h"

#include "contacts/basefriendswidget.h"
#include "contacts/basefriendswidgetscroll.h"
#include "contacts/friends.h"
#include "contacts/friendssearchwidget.h"

#include <QVBoxLayout>

BaseFriendsContainer::BaseFriendsContainer(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent)
    : QWidget(parent)
    , m_chatUI(chatUI)
    , m_friends(friends)
    , m_withChatIcons(withChatIcons)
{
}

BaseFriendsWidget *BaseFriendsContainer::createFriendsWidget(ChatUI *chatUI, Friends *friends)
{
    auto *list = new BaseFriendsWidget(chatUI, friends, m_withChatIcons);
    list->createContents();
    return list;
}

void BaseFriendsContainer::createContents(bool withSearch)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_friendsWidget = createFriendsWidget(m_chatUI, m_friends);
    m_scroll = new BaseFriendsWidgetScroll;
    m_scroll->setWidget(m_friendsWidget);
    m_layout->addWidget(m_scroll);
    if (m_friends)
        connect(m_friends, &Friends::changed, this, &BaseFriendsContainer::onFriendsChanged);
    onFriendsChanged();
    connect(m_scroll, &BaseFriendsWidgetScroll::scrollChangesToVisible, this,
            &BaseFriendsContainer::onScrollChangesToVisible);
    connect(m_scroll, &BaseFriendsWidgetScroll::scrollChangesToHidden, this,
            &BaseFriendsContainer::onScrollChangesToHidden);
    if (!withSearch)
        return;
    m_searchOverlay = new FriendsSearchWidget(this);
    m_searchOverlay->setObjectName(QStringLiteral("searchoverlay"));
    m_friendsWidget->setFilter(m_searchOverlay->filter());
    connect(m_searchOverlay, &FriendsSearchWidget::filterChanged, m_friendsWidget, &BaseFriendsWidget::setFilter);
    connect(m_searchOverlay, &FriendsSearchWidget::filterChanged, this, &BaseFriendsContainer::onFilterChanged);
    onFilterChanged(QString());
}

void BaseFriendsContainer::onFriendsChanged()
{
}

void BaseFriendsContainer::onScrollChangesToVisible()
{
    if (m_searchOverlay)
        m_searchOverlay->show();
}

void BaseFriendsContainer::onScrollChangesToHidden()
{
    if (m_searchOverlay && m_searchOverlay->filter().isEmpty())
        m_searchOverlay->hide();
}

void BaseFriendsContainer::onFilterChanged(const QString &filter)
{
    if (!filter.isEmpty() || !m_searchOverlay)
        return;
    if (!m_scroll->isVerticalScrollBarVisible())
        m_searchOverlay->hide();
}

void BaseFriendsContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_searchOverlay)
        return;
    const int h = m_searchOverlay->sizeHint().height();
    m_searchOverlay->resize(width() - 48, h);
    m_searchOverlay->move(17, height() - h - 10);
    m_searchOverlay->raise();
}
