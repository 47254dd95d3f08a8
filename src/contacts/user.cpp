#include "contacts/user.h"

#include "core/serversettings.h"
#include "sync/requests/request.h"

User::User(const QString &nick, QObject *parent)
    : QObject(parent)
    , m_nick(nick)
{
}

User *User::get(const QString &nick)
{
    // Never destroyed: views may hold users until the very end.
    static auto *registry = new QMap<QString, User *>;
    User *&user = (*registry)[nick];
    if (!user)
        user = new User(nick, nullptr);
    return user;
}

QString User::ownNick()
{
    return ServerSettings::instance()->userName();
}

QString User::nickSegment() const
{
    return Request::pathSegment(m_nick);
}

bool User::isAddressable() const
{
    return Request::isAddressableSegment(m_nick);
}

QString User::resourcePath() const
{
    return QStringLiteral("/users/") + nickSegment();
}

void User::setPresence(const Presence &presence)
{
    if (presence == m_presence)
        return;
    m_presence = presence;
    emit presenceChanged();
}

void User::setFields(const QMap<QString, QString> &fields)
{
    m_fields = fields;
    m_fields.remove(QStringLiteral("user-nick"));
    emit fieldsChanged();
}
