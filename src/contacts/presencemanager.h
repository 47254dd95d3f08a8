#ifndef PRESENCEMANAGER_H
#define PRESENCEMANAGER_H

#include <QObject>
#include <QPointer>

#include "contacts/presence.h"

class XMLRequest;

// The presence the signed-in user chose, published to the server one request
// at a time: changes made while a request is in flight collapse into the
// last one, and the choice is sent again each time the event connection
// comes up.
class PresenceManager : public QObject
{
    Q_OBJECT
public:
    static PresenceManager *instance();

    Presence presence() const { return m_presence; }
    void setPresence(const Presence &presence);
    void sendPresence();

signals:
    void presenceChanged();

private slots:
    void onConnected();
    void onDisconnected();
    void onRequestFinished();

private:
    PresenceManager();

    Presence m_presence{Presence::Available, QString()};
    Presence m_queued;
    QPointer<XMLRequest> m_request;
};

#endif
