#ifndef FAKEHTTPCONNECTION_H
#define FAKEHTTPCONNECTION_H

#include <QByteArray>
#include <QObject>
#include <QPointer>

class FakeServer;
class QTcpSocket;

// One HTTP/1.1 connection of the fake server: reads requests one at a time
// (Content-Length bodies, bounded sizes), hands each to the server and writes
// the answer, keeping the connection open unless asked to close.
class FakeHttpConnection : public QObject
{
    Q_OBJECT
public:
    FakeHttpConnection(FakeServer *server, QTcpSocket *socket, int serial, bool tls);

private:
    void onReadyRead();
    void processNext();
    void fail(int status, const char *reason);
    void closeLater();
    // Writes the headers of `bytes` now and the body piece by piece; the
    // connection is busy until the last piece is out.
    void dripOut(const QByteArray &bytes, int chunkBytes, int intervalMs, bool keepAlive);

    FakeServer *m_server;
    QPointer<QTcpSocket> m_socket;
    int m_serial;
    bool m_tls;
    QByteArray m_buffer;
    bool m_busy = false;   // an answer is delayed or stalled
    bool m_closing = false;
    int m_answered = 0;
};

#endif
