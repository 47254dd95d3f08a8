#include "contacts/presenceicon.h"

#include <QPixmap>

#include "contacts/user.h"

PresenceIcon::PresenceIcon(QWidget *parent)
    : QLabel(parent)
{
}

PresenceIcon::PresenceIcon(User *user, QWidget *parent)
    : QLabel(parent)
{
    setUser(user);
}

void PresenceIcon::setUser(User *user)
{
    if (m_user)
        disconnect(m_user, &User::presenceChanged, this, &PresenceIcon::onPresenceChanged);
    m_user = user;
    if (m_user)
        connect(m_user, &User::presenceChanged, this, &PresenceIcon::onPresenceChanged);
    onPresenceChanged();
}

QString PresenceIcon::imagePath(int state)
{
    switch (state) {
    case Presence::Available:
        return QStringLiteral(":/chat/presence-available.png");
    case Presence::Idle:
        return QStringLiteral(":/chat/presence-idle.png");
    case Presence::Busy:
        return QStringLiteral(":/chat/presence-busy.png");
    default:
        return QStringLiteral(":/chat/presence-unavailable.png");
    }
}

void PresenceIcon::onPresenceChanged()
{
    if (!m_user) {
        setPixmap(QPixmap());
        return;
    }
    setPixmap(QPixmap(imagePath(m_user->presence().state())));
}
