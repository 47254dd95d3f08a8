#include "contacts/presencelabel.h"

#include "contacts/user.h"

PresenceLabel::PresenceLabel(QWidget *parent)
    : QLabel(parent)
{
}

PresenceLabel::PresenceLabel(User *user, QWidget *parent)
    : PresenceLabel(parent)
{
    setUser(user);
}

void PresenceLabel::setUser(User *user)
{
    if (m_user)
        disconnect(m_user, &User::presenceChanged, this, &PresenceLabel::onPresenceChanged);
    m_user = user;
    if (m_user)
        connect(m_user, &User::presenceChanged, this, &PresenceLabel::onPresenceChanged);
    onPresenceChanged();
}

void PresenceLabel::setColored(bool colored)
{
    m_colored = colored;
    onPresenceChanged();
}

void PresenceLabel::onPresenceChanged()
{
    if (!m_user) {
        setText(QString());
        return;
    }
    const Presence presence = m_user->presence();
    // Another user's message is text, never markup.
    if (!m_colored) {
        setTextFormat(Qt::PlainText);
        setText(presence.text());
        return;
    }
    setTextFormat(Qt::RichText);
    const QString colour = presence.state() == Presence::Available ? QStringLiteral("#36601a")
                                                                   : QStringLiteral("#666666");
    setText(QStringLiteral("<span style=\"color: %1\">%2</span>").arg(colour, presence.text().toHtmlEscaped()));
}
