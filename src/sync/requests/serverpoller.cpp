#include "sync/requests/serverpoller.h"

#include <QDebug>
#include <QTimer>

#include "core/clock.h"
#include "sync/requests/request.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"

ServerPoller *ServerPoller::s_instance = nullptr;

ServerPoller *ServerPoller::create()
{
    if (!s_instance)
        s_instance = new ServerPoller;
    return s_instance;
}

ServerPoller *ServerPoller::instance()
{
    return s_instance;
}

ServerPoller::ServerPoller()
    : m_pollTimer(new QTimer(this))
{
    ServerHttpConnection::instance();
    m_pollTimer->start(Clock::interval(pollIntervalMs));
    connect(m_pollTimer, &QTimer::timeout, this, &ServerPoller::onPollTimeout);
    connect(ServerSettings::instance(), &ServerSettings::serverChanged, this,
            &ServerPoller::onServerChanged);
    onPollTimeout();
}

ServerPoller::~ServerPoller()
{
    if (s_instance == this)
        s_instance = nullptr;
    delete m_serverInfoRequest;
}

void ServerPoller::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit serverStatusChanged();
}

void ServerPoller::onPollTimeout()
{
    if (m_state == TryingConnect)
        return;
    if (m_serverInfoRequest) {
        qWarning("ServerPoller: m_serverInfoRequest "
                 "not null but not TryingConnect");
        return;
    }
    if (!ServerSettings::instance()->hasServer()) {
        setState(NoServer);
        return;
    }
    setState(TryingConnect);
    m_serverInfoRequest = new Request(QStringLiteral("HEAD"), QStringLiteral("/"), this);
    connect(m_serverInfoRequest, &Request::finished, this,
            &ServerPoller::onServerInfoRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_serverInfoRequest);
}

void ServerPoller::onServerInfoRequestFinished()
{
    Request *request = m_serverInfoRequest;
    if (!request || sender() != request)
        return;
    m_serverInfoRequest = nullptr;
    setState(request->hasError() ? Unreachable : Reachable);
    request->deleteLater();
}

void ServerPoller::onServerChanged()
{
    if (m_state != TryingConnect)
        onPollTimeout();
}
