#include "contacts/basefriendswidget.h"

#include "contacts/basefriendwidget.h"
#include "contacts/friends.h"
#include "contacts/user.h"

#include <QCollator>
#include <QLayoutItem>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>

BaseFriendsWidget::BaseFriendsWidget(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent)
    : QFrame(parent)
    , m_chatUI(chatUI)
    , m_friends(friends)
    , m_layout(new QVBoxLayout(this))
    , m_withChatIcons(withChatIcons)
{
}

void BaseFriendsWidget::createContents()
{
    setObjectName(QStringLiteral("friendswidget"));
    QSettings settings;
    m_showAvatars = settings.value(QStringLiteral("friends/show-avatars"), true).toBool();
    m_showOffline = settings.value(QStringLiteral("friends/show-offline"), true).toBool();
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    rebuild();
    if (m_friends)
        connect(m_friends, &Friends::changed, this, &BaseFriendsWidget::onFriendsChanged);
}

void BaseFriendsWidget::setShowAvatars(bool show)
{
    m_showAvatars = show;
    for (BaseFriendWidget *row : std::as_const(m_friendWidgets))
        row->setAvatarVisible(show);
}

void BaseFriendsWidget::setFilter(const QString &filter)
{
    m_filter = filter;
    for (BaseFriendWidget *row : std::as_const(m_friendWidgets))
        row->setFilter(filter);
}

void BaseFriendsWidget::onFriendsChanged()
{
    rebuild();
}

void BaseFriendsWidget::rebuild()
{
    clearFriendWidgets();
    fillFriendWidgets();
    emit rebuilt();
}

void BaseFriendsWidget::clearFriendWidgets()
{
    while (!m_friendWidgets.isEmpty()) {
        BaseFriendWidget *row = m_friendWidgets.takeLast();
        row->hide();
        row->deleteLater();
    }
    while (QLayoutItem *item = m_layout->takeAt(m_layout->count() - 1))
        delete item;
}

BaseFriendWidget *BaseFriendsWidget::createFriendWidget(ChatUI *chatUI, User *user, QWidget *parent)
{
    auto *row = new BaseFriendWidget(chatUI, user, m_withChatIcons, parent);
    row->createContents();
    return row;
}

void BaseFriendsWidget::fillFriendWidgets()
{
    QList<User *> users = m_friends ? m_friends->friends() : QList<User *>();
    QCollator collator;
    std::sort(users.begin(), users.end(),
              [&collator](User *a, User *b) { return collator.compare(a->realName(), b->realName()) < 0; });
    for (User *user : std::as_const(users)) {
        BaseFriendWidget *row = createFriendWidget(m_chatUI, user, this);
        m_layout->addWidget(row);
        row->setAvatarVisible(m_showAvatars);
        row->setHideOffline(!m_showOffline);
        if (!m_filter.isEmpty())
            row->setFilter(m_filter);
        connect(row, &BaseFriendWidget::infoClicked, this, &BaseFriendsWidget::onFriendWidgetInfoClicked);
        connect(row, &BaseFriendWidget::clickedToSelect, this, &BaseFriendsWidget::onFriendWidgetClickedToSelect);
        m_friendWidgets.append(row);
    }
    m_layout->addSpacing(50);
    m_layout->addStretch();
}

void BaseFriendsWidget::onFriendWidgetClickedToSelect(BaseFriendWidget *row)
{
    if (row->isSelected())
        return;
    for (BaseFriendWidget *other : std::as_const(m_friendWidgets)) {
        if (other != row)
            other->setSelected(false);
    }
    row->setSelected(true);
}

void BaseFriendsWidget::onFriendWidgetInfoClicked(BaseFriendWidget *row)
{
    if (row->isInfoShown()) {
        row->setInfoShown(false);
        return;
    }
    for (BaseFriendWidget *other : std::as_const(m_friendWidgets)) {
        if (other != row) {
            other->setInfoShown(false);
            other->setSelected(false);
        }
    }
    row->setInfoShown(true);
    row->setSelected(true);
}
