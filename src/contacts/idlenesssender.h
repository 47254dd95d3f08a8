#ifndef IDLENESSSENDER_H
#define IDLENESSSENDER_H

#include <QByteArray>
#include <QObject>

class QTimer;

// Tells the server once a minute, while the event connection is up, whether
// the user is idle. The first report goes out a minute after (re)connection.
class IdlenessSender : public QObject
{
    Q_OBJECT
public:
    static const int intervalMs = 60000;

    ~IdlenessSender() override;

    static void createInstance();
    static IdlenessSender *instance();

    // The one-line event for this user and word ("idle" or "active").
    static QByteArray idlenessEvent(const QString &userName, bool idle);

private slots:
    void onConnected();
    void onDisconnected();
    void onTimeout();

private:
    IdlenessSender();

    QTimer *m_timer;
    static IdlenessSender *s_instance;
};

#endif
