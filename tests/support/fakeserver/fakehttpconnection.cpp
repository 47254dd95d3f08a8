#include "fakehttpconnection.h"

#include "fakeserver.h"
#include "fakexml.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace {
constexpr qsizetype MaxHeaderBytes = 64 * 1024;
}

FakeHttpConnection::FakeHttpConnection(FakeServer *server, QTcpSocket *socket, int serial, bool tls)
    : QObject(socket), m_server(server), m_socket(socket), m_serial(serial), m_tls(tls)
{
    connect(socket, &QTcpSocket::readyRead, this, &FakeHttpConnection::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &FakeHttpConnection::onReadyRead);
}

void FakeHttpConnection::onReadyRead()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    processNext();
}

void FakeHttpConnection::fail(int status, const char *reason)
{
    if (!m_socket)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
                     + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    m_socket->write(out);
    m_buffer.clear();
    closeLater();
}

void FakeHttpConnection::closeLater()
{
    m_closing = true;
    if (m_socket)
        m_socket->disconnectFromHost();
}

void FakeHttpConnection::dripOut(const QByteArray &bytes, int chunkBytes, int intervalMs,
                                 bool keepAlive)
{
    const qsizetype headerEnd = bytes.indexOf("\r\n\r\n");
    const qsizetype bodyStart = headerEnd < 0 ? 0 : headerEnd + 4;
    m_socket->write(bytes.left(bodyStart));
    auto *timer = new QTimer(this);
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this,
            [this, timer, rest = bytes.mid(bodyStart), chunkBytes, keepAlive]() mutable {
                if (!m_socket) {
                    timer->deleteLater();
                    return;
                }
                m_socket->write(rest.left(chunkBytes));
                rest.remove(0, chunkBytes);
                if (!rest.isEmpty())
                    return;
                timer->stop();
                timer->deleteLater();
                if (!keepAlive)
                    closeLater();
                m_busy = false;
                processNext();
            });
    timer->start();
}

void FakeHttpConnection::processNext()
{
    while (m_socket && !m_busy && !m_closing) {
        const qsizetype headerEnd = m_buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            if (m_buffer.size() > MaxHeaderBytes)
                fail(431, "Request Header Fields Too Large");
            return;
        }
        FakeRequest request;
        request.connection = m_serial;
        request.tls = m_tls;
        const QList<QByteArray> lines = m_buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
            fail(400, "Bad Request");
            return;
        }
        request.method = requestLine[0];
        request.target = requestLine[1];
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        if (!request.header("Transfer-Encoding").isEmpty()) {
            fail(411, "Length Required");
            return;
        }
        bool ok = true;
        const QByteArray lengthText = request.header("Content-Length");
        const qint64 length = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&ok);
        if (!ok || length < 0) {
            fail(400, "Bad Request");
            return;
        }
        if (length > m_server->m_maxBody) {
            fail(413, "Payload Too Large");
            return;
        }
        if (m_buffer.size() < headerEnd + 4 + length)
            return; // wait for the rest of the body
        request.rawBody = m_buffer.mid(headerEnd + 4, length);
        m_buffer.remove(0, headerEnd + 4 + length);

        const bool wantsClose =
            request.header("Connection").toLower().contains("close")
            || requestLine[2] == "HTTP/1.0";
        FakeServer::Response response;
        int delayMs = 0;
        const FakeServer::Action action = m_server->handle(request, response, delayMs);
        if (action == FakeServer::CloseIt) {
            m_server->finishRequest(request);
            m_socket->abort();
            return;
        }
        if (action == FakeServer::StallIt) {
            m_server->finishRequest(request);
            m_busy = true; // never answers; later requests on this connection wait too
            return;
        }
        ++m_answered;
        if (response.hold) {
            m_socket->write(m_server->encodeResponse(request, response, true));
            m_server->finishRequest(request);
            m_busy = true;
            return;
        }
        const bool keepAlive = !wantsClose && response.raw.isEmpty()
                               && !(m_server->m_closeAfter > 0 && m_answered >= m_server->m_closeAfter);
        const QByteArray bytes = m_server->encodeResponse(request, response, keepAlive);
        m_server->finishRequest(request);
        auto send = [this, bytes, keepAlive] {
            if (!m_socket)
                return;
            m_socket->write(bytes);
            if (!keepAlive)
                closeLater();
        };
        if (response.dripBytes > 0 && response.raw.isEmpty()) {
            m_busy = true;
            dripOut(bytes, response.dripBytes, response.dripMs, keepAlive);
            return;
        }
        if (delayMs < 0) {
            m_busy = true;
            m_server->m_held.append([self = QPointer<FakeHttpConnection>(this), send] {
                if (!self)
                    return;
                send();
                self->m_busy = false;
                self->processNext();
            });
            return;
        }
        if (delayMs > 0) {
            m_busy = true;
            QTimer::singleShot(delayMs, this, [this, send] {
                send();
                m_busy = false;
                processNext();
            });
            return;
        }
        send();
    }
}
