#include "sync/requests/eventsubscription.h"

#include "sync/requests/eventconnection.h"

EventSubscription::EventSubscription(const QString &resource, QObject *parent)
    : QObject(parent)
    , m_resource(resource)
{
    EventConnection *connection = EventConnection::instance();
    connection->subscribe(this);
    connect(connection, &EventConnection::connected, this, &EventSubscription::connected);
    connect(connection, &EventConnection::disconnected, this, &EventSubscription::disconnected);
}

EventSubscription::~EventSubscription()
{
    EventConnection *connection = EventConnection::instance();
    connection->unsubscribe(this);
    disconnect(connection, nullptr, this, nullptr);
}

bool EventSubscription::isConnected() const
{
    return EventConnection::instance()->isConnected();
}

void EventSubscription::deliver(const QDomElement &event)
{
    emit received(event);
}
