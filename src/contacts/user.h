#ifndef USER_H
#define USER_H

#include <QMap>
#include <QObject>
#include <QString>

#include "contacts/presence.h"

// One person of the service, known by nick. Every mention of a nick anywhere
// in the program resolves through get() to the same object, so a presence or
// field change read from any document reaches every view at once.
class User : public QObject
{
    Q_OBJECT
public:
    // The registry's user for the nick (exact, case-sensitive), created on
    // first mention. Never null; users live until the process ends.
    static User *get(const QString &nick);

    // The signed-in user's name as configured, and whether this is that user.
    static QString ownNick();
    bool isOwnUser() const { return m_nick == ownNick(); }

    QString nick() const { return m_nick; }
    // "/users/" and the nick as one percent-encoded path segment, so that no
    // nick can address another resource.
    QString resourcePath() const;
    // The nick as one percent-encoded path segment.
    QString nickSegment() const;
    // False for a nick no URL can carry as a segment of its own: empty, "."
    // or ".." would address the parent resource instead.
    bool isAddressable() const;

    Presence presence() const { return m_presence; }
    void setPresence(const Presence &presence);

    QString field(const QString &key) const { return m_fields.value(key); }
    QString realName() const { return field(QStringLiteral("user-real-name")); }
    QMap<QString, QString> fields() const { return m_fields; }
    // Always announces, also when nothing changed.
    void setFields(const QMap<QString, QString> &fields);

signals:
    void presenceChanged();
    void fieldsChanged();

private:
    User(const QString &nick, QObject *parent);

    const QString m_nick;
    Presence m_presence;
    QMap<QString, QString> m_fields;
};

#endif
