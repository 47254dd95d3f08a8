#ifndef PRESENCE_H
#define PRESENCE_H

#include <QCoreApplication>
#include <QMetaType>
#include <QString>

// A user's availability and optional custom message, as shown by every
// presence label and menu.
class Presence
{
    Q_DECLARE_TR_FUNCTIONS(Presence)
public:
    enum State {
        Unknown = 0,
        Available = 1,
        Idle = 2,
        Busy = 3,
        Unavailable = 4,
    };

    Presence() = default;
    // A message is kept only for Available, Idle and Busy.
    Presence(State state, const QString &message);

    State state() const { return m_state; }
    QString message() const { return m_message; }
    bool isUnknown() const { return m_state == Unknown; }

    bool operator==(const Presence &other) const
    {
        return m_state == other.m_state && m_message == other.m_message;
    }
    bool operator!=(const Presence &other) const { return !(*this == other); }

    // The custom message, else the state's name.
    QString text() const;

private:
    State m_state = Unknown;
    QString m_message;
};

Q_DECLARE_METATYPE(Presence)

#endif
