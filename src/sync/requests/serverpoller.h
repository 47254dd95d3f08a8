#ifndef SERVERPOLLER_H
#define SERVERPOLLER_H

#include <QObject>
#include <QPointer>

class QTimer;
class Request;

// Whether the server can be reached: a HEAD request for the server root
// every 5 minutes and at once when the server URL changes.
class ServerPoller : public QObject
{
    Q_OBJECT
public:
    enum State {
        NoServer = 0,      // no server URL set
        TryingConnect = 1, // a poll is running
        Unreachable = 2,   // the last poll failed
        Reachable = 3,     // the last poll got a response
    };
    Q_ENUM(State)

    static const int pollIntervalMs = 300000;

    // Creates the single instance (once, at start-up).
    static ServerPoller *create();
    static ServerPoller *instance();
    ~ServerPoller() override;

    State state() const { return m_state; }
    void setState(State state);

signals:
    void serverStatusChanged();

private slots:
    void onServerChanged();
    void onPollTimeout();
    void onServerInfoRequestFinished();

private:
    ServerPoller();

    static ServerPoller *s_instance;
    QTimer *m_pollTimer = nullptr;
    QPointer<Request> m_serverInfoRequest;
    State m_state = NoServer;
};

#endif
