#include "sync/requests/serverhttpconnection.h"

#include "sync/requests/request.h"
#include "core/serversettings.h"

ServerHttpConnection *ServerHttpConnection::instance()
{
    static ServerHttpConnection *connection = new ServerHttpConnection;
    return connection;
}

ServerHttpConnection::ServerHttpConnection()
    : HttpConnection(nullptr)
{
    ServerSettings *settings = ServerSettings::instance();
    connect(settings, &ServerSettings::serverChanged, this,
            &ServerHttpConnection::onServerSettingsChanged);
    connect(settings, &ServerSettings::userChanged, this,
            &ServerHttpConnection::onServerSettingsChanged);
    connect(settings, &ServerSettings::passwordChanged, this,
            &ServerHttpConnection::onServerSettingsChanged);
    onServerSettingsChanged();
}

QString ServerHttpConnection::password() const
{
    if (!m_sessionPassword.isEmpty())
        return m_sessionPassword;
    return ServerSettings::instance()->password();
}

bool ServerHttpConnection::isComplete() const
{
    return ServerSettings::instance()->hasServer() && !m_userName.isEmpty()
        && !password().isEmpty();
}

void ServerHttpConnection::setSessionPassword(const QString &password)
{
    m_sessionPassword = password;
    setUser(m_userName, this->password());
}

QString ServerHttpConnection::userPath() const
{
    return QStringLiteral("/users/") + Request::pathSegment(m_userName);
}

void ServerHttpConnection::updateTarget()
{
    // A slot that queues a request on a settings signal may run before ours.
    onServerSettingsChanged();
}

void ServerHttpConnection::onServerSettingsChanged()
{
    ServerSettings *settings = ServerSettings::instance();
    const int port = settings->serverPort();
    setHost(settings->serverHost(), settings->isSecure(),
            port > 0 && port <= 65535 ? quint16(port) : quint16(0), settings->serverPath());
    m_userName = settings->userName();
    setUser(m_userName, password());
}
