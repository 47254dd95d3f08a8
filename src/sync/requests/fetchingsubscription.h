#ifndef FETCHINGSUBSCRIPTION_H
#define FETCHINGSUBSCRIPTION_H

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class EventSubscription;
class XMLRequest;

// Fetch, then follow: each time the event connection comes up it GETs the
// resource's current document (fetched()), and it sorts the resource's
// events of type "add" and "remove" into two signals. Events are held back
// while a fetch runs or while the owner holds them, and replayed in arrival
// order afterwards, so no event overtakes the document it applies to.
class FetchingSubscription : public QObject
{
    Q_OBJECT
public:
    // With `userRelative` the path is "/users/<user name><resource>", and it
    // follows changes of the user or the server.
    FetchingSubscription(const QString &resource, bool userRelative, QObject *parent = nullptr);
    ~FetchingSubscription() override;

    QString resource() const { return m_resource; }
    // The path fetched and subscribed to.
    QString fetchPath() const;
    bool isConnected() const;
    // A fetch runs or events are held.
    bool isBusy() const;
    void setHoldEvents(bool hold);
    int queuedEventCount() const { return m_queuedEvents.size(); }

signals:
    void fetched(const QDomDocument &document);
    void addedEvent(const QDomElement &event);
    void removedEvent(const QDomElement &event);
    void disconnected();

public slots:
    void onConnected();
    void onDisconnected();
    void onEventReceived(const QDomElement &event);
    void onRequestFinished();

private slots:
    void onServerSettingsChanged();

private:
    void subscribe();
    void unsubscribe();
    void fetch();
    void handleEvent(const QDomElement &event);
    void processQueuedEvents();

    const QString m_resource;
    const bool m_userRelative;
    EventSubscription *m_subscription = nullptr;
    QPointer<XMLRequest> m_fetchRequest;
    bool m_holdEvents = false;
    QList<QDomElement> m_queuedEvents;
};

#endif
