#include "contacts/friendswidget.h"

#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>

#include "contacts/friends.h"
#include "contacts/friendwidget.h"
#include "contacts/user.h"

namespace {
const char ShowAvatarsKey[] = "friends/show-avatars";
const char ShowOfflineKey[] = "friends/show-offline";
} // namespace

FriendsWidget::FriendsWidget(ChatUI *chatUI, Friends *friends, QWidget *parent)
    : QFrame(parent), m_chatUI(chatUI), m_friends(friends), m_layout(new QVBoxLayout(this))
{
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setObjectName(QStringLiteral("friendswidget"));
    QSettings settings;
    m_showAvatars = settings.value(QLatin1String(ShowAvatarsKey), true).toBool();
    m_showOffline = settings.value(QLatin1String(ShowOfflineKey), true).toBool();
    onFriendsChanged();
    connect(m_friends, &Friends::changed, this, &FriendsWidget::onFriendsChanged);
}

FriendsWidget::~FriendsWidget()
{
    clear();
}

void FriendsWidget::clear()
{
    for (FriendWidget *row : std::as_const(m_rows)) {
        m_layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    while (m_layout->count() > 0)
        delete m_layout->takeAt(m_layout->count() - 1);
}

void FriendsWidget::onFriendsChanged()
{
    clear();
    QList<User *> users = m_friends->friends();
    std::stable_sort(users.begin(), users.end(), [](User *a, User *b) {
        return QString::localeAwareCompare(a->nick(), b->nick()) < 0;
    });
    for (User *user : std::as_const(users)) {
        auto *row = new FriendWidget(m_chatUI, user, this);
        m_layout->addWidget(row);
        row->setShowAvatar(m_showAvatars);
        row->setHideWhenOffline(!m_showOffline);
        row->setFilter(m_filter);
        connect(row, &FriendWidget::infoClicked, this, &FriendsWidget::onFriendWidgetInfoClicked);
        connect(row, &FriendWidget::clickedToSelect, this, &FriendsWidget::onFriendWidgetClickedToSelect);
        m_rows.append(row);
    }
    m_layout->addSpacing(50);
    m_layout->addStretch();
}

void FriendsWidget::setFilter(const QString &filter)
{
    m_filter = filter;
    for (FriendWidget *row : std::as_const(m_rows))
        row->setFilter(filter);
}

void FriendsWidget::setShowAvatars(bool show)
{
    m_showAvatars = show;
    QSettings().setValue(QLatin1String(ShowAvatarsKey), show);
    for (FriendWidget *row : std::as_const(m_rows))
        row->setShowAvatar(show);
    emit optionsChanged();
}

void FriendsWidget::setShowOffline(bool show)
{
    m_showOffline = show;
    QSettings().setValue(QLatin1String(ShowOfflineKey), show);
    for (FriendWidget *row : std::as_const(m_rows))
        row->setHideWhenOffline(!show);
    emit optionsChanged();
}

void FriendsWidget::onFriendWidgetClickedToSelect(FriendWidget *row)
{
    if (row->isSelected())
        return;
    for (FriendWidget *other : std::as_const(m_rows)) {
        if (other != row)
            other->setSelected(false);
    }
    row->setSelected(true);
}

void FriendsWidget::onFriendWidgetInfoClicked(FriendWidget *row)
{
    if (row->isInfoShown()) {
        row->setInfoShown(false);
        return;
    }
    for (FriendWidget *other : std::as_const(m_rows)) {
        if (other != row) {
            other->setInfoShown(false);
            other->setSelected(false);
        }
    }
    row->setInfoShown(true);
    row->setSelected(true);
}
