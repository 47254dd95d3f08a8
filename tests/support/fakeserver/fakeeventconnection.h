#ifndef FAKEEVENTCONNECTION_H
#define FAKEEVENTCONNECTION_H

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringDecoder>
#include <QXmlStreamReader>

class FakeServer;
class QAbstractSocket;
class QTcpSocket;

// One connection to the fake server's event port: the authorisation line,
// the "200"/"401" answer, then the XML stream both ways.
class FakeEventConnection : public QObject
{
    Q_OBJECT
public:
    FakeEventConnection(FakeServer *server, QTcpSocket *socket, int attempt);

    QString user() const { return m_user; }
    bool streaming() const { return m_state == Streaming; }
    bool write(const QByteArray &bytes);
    void close();

private:
    enum State { AwaitingLine, Answering, Streaming, Closed };
    void onReadyRead();
    void readStream(const QByteArray &bytes);
    void answer(bool ok);

    FakeServer *m_server;
    // The socket's own type only: it says it is gone from inside its
    // destructor, when it is no QTcpSocket any more.
    QPointer<QAbstractSocket> m_socket;
    int m_attempt;
    State m_state = AwaitingLine;
    QByteArray m_line;
    QString m_user;

    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QXmlStreamReader m_reader;
    QString m_text;          // everything the client sent on the stream
    int m_depth = 0;
    qint64 m_eventStart = 0;
    QString m_type, m_resource, m_eventText;
    QString m_rootName;
    bool m_broken = false;
};

#endif
