#include "contacts/chatpresenceicon.h"

#include "contacts/user.h"

#include <QAction>
#include <QMouseEvent>

ChatPresenceIcon::ChatPresenceIcon(User *user, QAction *action, QWidget *parent)
    : QLabel(parent)
    , m_action(action)
{
    setUser(user);
}

void ChatPresenceIcon::setUser(User *user)
{
    if (m_user)
        disconnect(m_user, &User::presenceChanged, this, &ChatPresenceIcon::onPresenceChanged);
    m_user = user;
    if (m_user)
        connect(m_user, &User::presenceChanged, this, &ChatPresenceIcon::onPresenceChanged);
    onPresenceChanged();
}

QString ChatPresenceIcon::imagePath() const
{
    QString file = QStringLiteral("chating.png");
    if (m_user) {
        switch (m_user->presence().state()) {
        case Presence::Available:
            file = QStringLiteral("chating_available.png");
            break;
        case Presence::Idle:
            file = QStringLiteral("chating_idle.png");
            break;
        case Presence::Busy:
            file = QStringLiteral("chating_unnavailable.png");
            break;
        default:
            break;
        }
    }
    return QStringLiteral(":/chat/") + file;
}

void ChatPresenceIcon::onPresenceChanged()
{
    setPixmap(QPixmap(imagePath()));
}

void ChatPresenceIcon::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (m_action)
            m_action->trigger();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}
