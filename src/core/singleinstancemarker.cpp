#include "core/singleinstancemarker.h"

#include <QDebug>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QtEndian>

SingleInstanceMarker::SingleInstanceMarker(const QString &serverName, QObject *parent)
    : QObject(parent), m_serverName(serverName)
{
}

SingleInstanceMarker::~SingleInstanceMarker() = default;

bool SingleInstanceMarker::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstanceMarker::isAnotherInstanceRunning()
{
    if (isListening())
        return false;

    // Only one starting instance at a time looks and claims: two started at
    // once must not both find nothing and both run. A lock left by a crashed
    // process is taken over (its process is gone).
    // The lock sits beside the socket file.
    const QString lockPath = QDir::isAbsolutePath(m_serverName)
                                 ? m_serverName + QStringLiteral(".lock")
                                 : QDir(QDir::tempPath()).filePath(m_serverName + QStringLiteral(".lock"));
    QLockFile lock(lockPath);
    if (!lock.tryLock(m_timeout * 5))
        qWarning() << "SingleApplication: could not lock" << lock.error();

    for (int attempt = 0; attempt < 3; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(m_timeout)) {
            uchar message[4];
            qToBigEndian(bringForwardMessage, message);
            socket.write(reinterpret_cast<const char *>(message), sizeof message);
            if (!socket.waitForBytesWritten(m_timeout))
                qWarning("SingleApplication: SendMessage failed");
            socket.disconnectFromServer();
            return true;
        }
        switch (socket.error()) {
        case QLocalSocket::SocketTimeoutError:
            // Someone holds the name but does not answer (a hung instance):
            // do not hang with it.
            qWarning("SingleApplication: SendMessage failed");
            return true;
        case QLocalSocket::ConnectionRefusedError:
            // A socket file nobody listens on: left by a crashed instance.
            QLocalServer::removeServer(m_serverName);
            break;
        default:
            break;
        }

        auto *server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        server->setObjectName(m_serverName);
        if (server->listen(m_serverName)) {
            m_server = server;
            connect(server, &QLocalServer::newConnection, this, &SingleInstanceMarker::onNewConnection);
            return false;
        }
        const QAbstractSocket::SocketError error = server->serverError();
        const QString errorText = server->errorString();
        delete server;
        if (error == QAbstractSocket::AddressInUseError)
            continue; // another instance got there first: ask it
        qWarning() << "SingleApplication: cannot listen" << errorText;
        return false;
    }
    qWarning() << "SingleApplication: cannot claim" << m_serverName;
    return false;
}

void SingleInstanceMarker::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readMessage(socket);
            socket->deleteLater();
        });
        readMessage(socket);
    }
}

void SingleInstanceMarker::readMessage(QLocalSocket *socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    uchar message[4];
    if (socket->read(reinterpret_cast<char *>(message), sizeof message) != sizeof message)
        return;
    // One message per connection; anything else on it is ignored.
    socket->readAll();
    socket->disconnectFromServer();
    if (qFromBigEndian<quint32>(message) == bringForwardMessage)
        emit bringForwardRequested();
}
