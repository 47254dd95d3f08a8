#ifndef EVENTSUBSCRIPTION_H
#define EVENTSUBSCRIPTION_H

#include <QDomElement>
#include <QObject>
#include <QString>

// Receives the server's pushed events about one resource path, and relays
// the event connection's connected and disconnected signals.
class EventSubscription : public QObject
{
    Q_OBJECT
public:
    explicit EventSubscription(const QString &resource, QObject *parent = nullptr);
    ~EventSubscription() override;

    QString resource() const { return m_resource; }
    bool isConnected() const;
    // Called by the event connection only.
    void deliver(const QDomElement &event);

signals:
    void connected();
    void disconnected();
    void received(const QDomElement &event);

private:
    const QString m_resource;
};

#endif
