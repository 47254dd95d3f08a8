#include "contacts/presencemanager.h"

#include <QDebug>

#include "contacts/friendsreaderwriter.h"
#include "contacts/user.h"
#include "sync/requests/eventconnection.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

PresenceManager *PresenceManager::instance()
{
    static PresenceManager manager;
    return &manager;
}

PresenceManager::PresenceManager()
{
    EventConnection *events = EventConnection::instance();
    connect(events, &EventConnection::connected, this, &PresenceManager::onConnected);
    connect(events, &EventConnection::disconnected, this, &PresenceManager::onDisconnected);
    if (events->isConnected())
        onConnected();
}

void PresenceManager::setPresence(const Presence &presence)
{
    if (presence == m_presence)
        return;
    m_presence = presence;
    m_queued = presence;
    sendPresence();
    emit presenceChanged();
}

void PresenceManager::sendPresence()
{
    if (m_request || m_queued.isUnknown())
        return;
    User *self = User::get(User::ownNick());
    if (!self->isAddressable()) {
        qWarning() << "PresenceManager: no request can name the user" << self->nick();
        return;
    }
    FriendsReaderWriter writer;
    m_request = new XMLRequest(QStringLiteral("PUT"),
                               self->resourcePath() + QStringLiteral("/presence"),
                               false, this);
    m_request->setRequestDocument(writer.writePresence(m_queued));
    connect(m_request, &Request::finished, this, &PresenceManager::onRequestFinished);
    m_queued = Presence();
    ServerHttpConnection::instance()->addRequest(m_request);
}

void PresenceManager::onRequestFinished()
{
    auto *request = qobject_cast<XMLRequest *>(sender());
    if (!request)
        return;
    if (request->hasError()) {
        qWarning() << "PresenceManager request failed" << request->errorString();
    } else {
        const int status = request->responseHeader().statusCode();
        // An update may answer 200 as well as 204.
        if (status == 204 || status == 200)
            qDebug("presence set ok");
        else
            qWarning() << "PresenceManager unexpected response" << status;
    }
    request->deleteLater();
    if (request == m_request)
        m_request = nullptr;
    sendPresence();
}

void PresenceManager::onConnected()
{
    m_queued = m_presence;
    sendPresence();
}

void PresenceManager::onDisconnected()
{
    m_queued = Presence();
}
