#include "contacts/presence.h"

#include <QDebug>

Presence::Presence(State state, const QString &message)
    : m_state(state)
    , m_message(message)
{
    if (!m_message.isEmpty() && state != Available && state != Idle && state != Busy) {
        qWarning() << "ignoring presence message for state" << int(state);
        m_message.clear();
    }
}

QString Presence::text() const
{
    if (!m_message.isEmpty())
        return m_message;
    switch (m_state) {
    case Unknown:
        return tr("Unknown");
    case Available:
        return tr("Available");
    case Idle:
        return tr("Idle");
    case Busy:
        return tr("Busy");
    case Unavailable:
        return tr("Unavailable");
    }
    qWarning() << "bad presence" << int(m_state);
    return tr("Unknown");
}
