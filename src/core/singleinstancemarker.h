#ifndef SINGLEINSTANCEMARKER_H
#define SINGLEINSTANCEMARKER_H

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The mark of a running instance: a local socket server under a fixed name.
// A later instance finds it, sends the bring-forward message and ends.
class SingleInstanceMarker : public QObject
{
    Q_OBJECT

public:
    // The bring-forward message (sent as 4 bytes, most significant first).
    static constexpr quint32 bringForwardMessage = 0xB61E5501;

    explicit SingleInstanceMarker(const QString &serverName, QObject *parent = nullptr);
    ~SingleInstanceMarker() override;

    QString serverName() const { return m_serverName; }
    bool isListening() const;

    // True when another instance holds the marker: it has been sent the
    // bring-forward message (or could not be reached in time; the answer is
    // true then too). False when this instance now holds the marker.
    // Race-free between instances started at once; a socket left by a
    // crashed instance is removed once nobody answers on it.
    bool isAnotherInstanceRunning();

    // Milliseconds to wait for a connection and for the message's write.
    void setTimeout(int ms) { m_timeout = ms; }

signals:
    void bringForwardRequested();

private:
    void onNewConnection();
    void readMessage(QLocalSocket *socket);

    QString m_serverName;
    QLocalServer *m_server = nullptr;
    int m_timeout = 1000;
};

#endif
