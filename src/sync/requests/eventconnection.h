#ifndef EVENTCONNECTION_H
#define EVENTCONNECTION_H

#include <QByteArray>
#include <QDomDocument>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QString>

class EventSubscription;
class QTimer;
class XMLRequest;
class XMLStreamReceiver;

// The long-lived socket over which the server pushes events. It finds the
// event port in the server-information document, connects (TLS when the
// server URL is "https"), authorises with one line, then reads an endless XML
// stream and hands each "event" to the subscription of its resource. After a
// failure it retries after 10 s times the failed attempts (at most 300 s);
// after refused credentials it waits for new settings or connectNow().
class EventConnection : public QObject
{
    Q_OBJECT
public:
    enum State {
        Disconnected = 0,
        AuthFailed = 1, // the server answered "401": no automatic retry
        Connecting = 2, // fetching the port, connecting, authorising
        Connected = 3,  // stream open
    };
    Q_ENUM(State)

    static const int retryStepMs = 10000;
    static const int maxRetryMs = 300000;
    static const int authWriteTimeoutMs = 1000;
    static const int maxAnswerLineBytes = 4096;

    // Created on first use; the first attempt starts at once.
    static EventConnection *instance();

    State state() const { return m_state; }
    bool isConnected() const { return m_state == Connected; }
    // Starts an attempt when Disconnected or AuthFailed (after signing in again).
    void connectNow();
    // Writes one event element on the open stream.
    void sendEvent(const QByteArray &event);

    // At most one subscription per resource.
    void subscribe(EventSubscription *subscription);
    // Removes the entry only when it is this subscription's.
    void unsubscribe(EventSubscription *subscription);
    EventSubscription *subscription(const QString &resource) const;

    // The TLS settings of the event socket (extra CA certificates for a
    // self-hosted server); the system's defaults unless set.
    void setSslConfiguration(const QSslConfiguration &configuration);
    QSslConfiguration sslConfiguration() const { return m_sslConfiguration; }

    quint16 eventPort() const { return m_eventPort; }
    int retryCount() const { return m_retryCount; }
    // The delay before the next attempt while one is scheduled, else 0.
    int retryIntervalMs() const;

signals:
    void connected();
    void disconnected();
    void stateChanged();

private slots:
    void onServerSettingsChanged();
    void onEventPortGetFinished();
    void onSocketConnected();
    void onSocketDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError> &errors);
    void onSocketReadyRead();
    void onBytesWritten();
    void onAuthWriteTimeout();
    void onFragmentReceived(const QDomDocument &fragment);
    void onParseError(const QString &message);
    void maybeFetchEventPort();
    void maybeConnect();

private:
    EventConnection();

    void setState(State state);
    void scheduleRetry();
    // Drops the socket and its receiver; then Disconnected with a retry
    // unless the credentials were refused.
    void socketLost();
    void failConnection(const QString &reason);
    void releaseSocket();
    void readAnswerLines();

    QSslSocket *m_socket = nullptr;
    XMLStreamReceiver *m_receiver = nullptr;
    State m_state = Disconnected;
    QTimer *m_retryTimer = nullptr;
    QTimer *m_authWriteTimer = nullptr;
    int m_retryCount = 0;
    QPointer<XMLRequest> m_portRequest;
    quint16 m_eventPort = 0;
    QMap<QString, EventSubscription *> m_subscriptions;
    QSslConfiguration m_sslConfiguration;
};

#endif
