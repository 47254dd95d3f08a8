#include "sync/requests/fetchingsubscription.h"

#include <QDebug>
#include <QPointer>

#include "sync/requests/eventconnection.h"
#include "sync/requests/eventsubscription.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"
#include "sync/requests/xmlrequest.h"

FetchingSubscription::FetchingSubscription(const QString &resource, bool userRelative,
                                           QObject *parent)
    : QObject(parent)
    , m_resource(resource)
    , m_userRelative(userRelative)
{
    subscribe();
    if (m_userRelative) {
        // The pushed events of a new user or server carry the new path.
        ServerSettings *settings = ServerSettings::instance();
        connect(settings, &ServerSettings::serverChanged, this,
                &FetchingSubscription::onServerSettingsChanged);
        connect(settings, &ServerSettings::userChanged, this,
                &FetchingSubscription::onServerSettingsChanged);
    }
    if (EventConnection::instance()->isConnected())
        fetch();
}

FetchingSubscription::~FetchingSubscription()
{
    unsubscribe();
    m_queuedEvents.clear();
}

QString FetchingSubscription::fetchPath() const
{
    if (!m_userRelative)
        return m_resource;
    // The settings' own user name: a settings signal may reach us before
    // the server connection has copied it.
    return QStringLiteral("/users/") + Request::pathSegment(ServerSettings::instance()->userName())
        + m_resource;
}

bool FetchingSubscription::isConnected() const
{
    return m_subscription && m_subscription->isConnected();
}

bool FetchingSubscription::isBusy() const
{
    return m_fetchRequest || m_holdEvents;
}

void FetchingSubscription::subscribe()
{
    m_subscription = new EventSubscription(fetchPath(), this);
    connect(m_subscription, &EventSubscription::connected, this,
            &FetchingSubscription::onConnected);
    connect(m_subscription, &EventSubscription::disconnected, this,
            &FetchingSubscription::onDisconnected);
    connect(m_subscription, &EventSubscription::received, this,
            &FetchingSubscription::onEventReceived);
}

void FetchingSubscription::unsubscribe()
{
    if (!m_subscription)
        return;
    disconnect(m_subscription, nullptr, this, nullptr);
    delete m_subscription;
    m_subscription = nullptr;
}

void FetchingSubscription::onServerSettingsChanged()
{
    if (m_subscription && m_subscription->resource() == fetchPath())
        return;
    unsubscribe();
    subscribe();
}

void FetchingSubscription::setHoldEvents(bool hold)
{
    m_holdEvents = hold;
    processQueuedEvents();
}

void FetchingSubscription::onConnected()
{
    fetch();
}

void FetchingSubscription::fetch()
{
    if (m_fetchRequest) {
        // A fetch that was overtaken by a new connection is replaced.
        XMLRequest *old = m_fetchRequest;
        m_fetchRequest = nullptr;
        disconnect(old, nullptr, this, nullptr);
        delete old;
    }
    m_fetchRequest = new XMLRequest(QStringLiteral("GET"), fetchPath(), false, this);
    connect(m_fetchRequest, &Request::finished, this, &FetchingSubscription::onRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_fetchRequest);
}

void FetchingSubscription::onRequestFinished()
{
    XMLRequest *request = m_fetchRequest;
    if (!request || sender() != request)
        return;
    // Released before anything is emitted: a receiver may delete us.
    m_fetchRequest = nullptr;
    request->deleteLater();
    QPointer<FetchingSubscription> self(this);
    if (!request->hasError()) {
        const int status = request->responseHeader().statusCode();
        if (status == 200)
            emit fetched(request->responseDocument());
        else
            qWarning() << "FetchingSubscription: request status" << status;
    } else if (request->authFailed()) {
        qWarning("FetchingSubscription: request bad auth");
    } else {
        qWarning() << "FetchingSubscription: request errored" << request->errorString();
    }
    if (self)
        processQueuedEvents();
}

void FetchingSubscription::onDisconnected()
{
    if (m_fetchRequest) {
        XMLRequest *request = m_fetchRequest;
        m_fetchRequest = nullptr;
        disconnect(request, nullptr, this, nullptr);
        delete request;
    }
    emit disconnected();
}

void FetchingSubscription::onEventReceived(const QDomElement &event)
{
    if (isBusy()) {
        m_queuedEvents.append(event);
        return;
    }
    handleEvent(event);
}

void FetchingSubscription::handleEvent(const QDomElement &event)
{
    const QString type = event.attribute(QStringLiteral("type"));
    if (type == QLatin1String("add"))
        emit addedEvent(event);
    else if (type == QLatin1String("remove"))
        emit removedEvent(event);
    else
        qWarning() << "ignoring unknown event type" << type;
}

void FetchingSubscription::processQueuedEvents()
{
    QPointer<FetchingSubscription> self(this);
    while (self && !isBusy() && !m_queuedEvents.isEmpty())
        handleEvent(m_queuedEvents.takeFirst());
}
