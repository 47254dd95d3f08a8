#include "fakeeventconnection.h"

#include "fakeserver.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr qsizetype MaxLineBytes = 4096;
constexpr qsizetype MaxStreamChars = 4 * 1024 * 1024;
}

FakeEventConnection::FakeEventConnection(FakeServer *server, QTcpSocket *socket, int attempt)
    : QObject(socket), m_server(server), m_socket(socket), m_attempt(attempt)
{
    connect(socket, &QTcpSocket::readyRead, this, &FakeEventConnection::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        m_state = Closed;
        m_server->eventClosed(this);
        if (m_socket)
            m_socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &FakeEventConnection::onReadyRead);
}

bool FakeEventConnection::write(const QByteArray &bytes)
{
    if (!m_socket || m_state != Streaming)
        return false;
    return m_socket->write(bytes) == bytes.size();
}

void FakeEventConnection::close()
{
    if (m_socket)
        m_socket->disconnectFromHost();
}

void FakeEventConnection::onReadyRead()
{
    if (!m_socket)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (m_state == AwaitingLine) {
        m_line += bytes;
        const qsizetype nl = m_line.indexOf('\n');
        if (nl < 0) {
            if (m_line.size() > MaxLineBytes) {
                m_server->m_violations.append(
                    QStringLiteral("EVENT: authorisation line longer than %1 bytes").arg(MaxLineBytes));
                m_socket->abort();
            }
            return;
        }
        const QByteArray line = m_line.left(nl + 1);
        const QByteArray rest = m_line.mid(nl + 1);
        m_line.clear();
        FakeEventConnectAttempt scratch;
        auto &attempt = m_attempt < m_server->m_eventAttempts.size()
                            ? m_server->m_eventAttempts[m_attempt] : scratch;
        attempt.authLine = line;
        QString user;
        bool ok = false;
        const QByteArray prefix = "Authorization: Basic ";
        if (!line.endsWith("\n") || line.endsWith("\r\n"))
            m_server->m_violations.append(QStringLiteral("EVENT: authorisation line must end in LF only"));
        if (line.startsWith(prefix)) {
            const QByteArray decoded = QByteArray::fromBase64(line.mid(prefix.size()).trimmed());
            const qsizetype colon = decoded.indexOf(':');
            if (colon > 0) {
                user = QString::fromUtf8(decoded.left(colon));
                const QString password = QString::fromUtf8(decoded.mid(colon + 1));
                ok = m_server->m_users.contains(user)
                     && m_server->m_users.value(user).password == password;
            }
        }
        if (m_server->m_eventAlways401)
            ok = false;
        m_user = user; // also for an answer override, which ignores the password
        if (ok) {
            attempt.user = user;
            attempt.accepted = true;
        }
        m_state = Answering;
        if (m_server->m_eventAnswerDelay > 0)
            QTimer::singleShot(m_server->m_eventAnswerDelay, this, [this, ok] { answer(ok); });
        else
            answer(ok);
        if (!rest.isEmpty())
            readStream(rest);
        return;
    }
    if (m_state == Answering || m_state == Streaming)
        readStream(bytes);
}

void FakeEventConnection::answer(bool ok)
{
    if (!m_socket)
        return;
    const QByteArray override = m_server->m_eventAnswerOverride;
    if (!override.isEmpty()) {
        m_socket->write(override);
        if (override.startsWith("200")) {
            m_state = Streaming;
            m_server->eventAuthorised(this, m_user);
        }
        return;
    }
    if (!ok) {
        m_socket->write("401 Unauthorized\n");
        m_state = Closed;
        m_socket->disconnectFromHost();
        return;
    }
    m_socket->write("200 OK\n<?xml version=\"1.0\" encoding=\"UTF-8\"?><pd-event-stream>"
                    + m_server->m_eventGreetingExtra);
    m_state = Streaming;
    m_server->eventAuthorised(this, m_user);
}

void FakeEventConnection::readStream(const QByteArray &bytes)
{
    if (m_broken)
        return;
    const QString text = m_decoder.decode(bytes);
    m_text += text;
    if (m_text.size() > MaxStreamChars) {
        m_server->m_violations.append(QStringLiteral("EVENT: client stream over %1 characters").arg(MaxStreamChars));
        m_broken = true;
        return;
    }
    m_reader.addData(text);
    while (true) {
        const auto token = m_reader.readNext();
        if (token == QXmlStreamReader::Invalid)
            break;
        const qint64 offset = m_reader.characterOffset();
        if (token == QXmlStreamReader::StartElement) {
            ++m_depth;
            if (m_depth == 1) {
                m_rootName = m_reader.name().toString();
                if (m_rootName != QLatin1String("pd-event-stream"))
                    m_server->m_violations.append(
                        QStringLiteral("EVENT: client stream root is <%1>, not <pd-event-stream>").arg(m_rootName));
            } else if (m_depth == 2) {
                // The reader may have looked ahead: find the tag itself.
                m_eventStart = m_text.lastIndexOf(QStringLiteral("<") + m_reader.qualifiedName().toString(), offset);
                m_type = m_reader.attributes().value(QLatin1String("type")).toString();
                m_resource = m_reader.attributes().value(QLatin1String("resource")).toString();
                m_eventText.clear();
                if (m_reader.name() != QLatin1String("event"))
                    m_server->m_violations.append(
                        QStringLiteral("EVENT: client sent <%1>, not <event>").arg(m_reader.name().toString()));
            }
        } else if (token == QXmlStreamReader::Characters && m_depth >= 2) {
            m_eventText += m_reader.text();
        } else if (token == QXmlStreamReader::EndElement) {
            if (m_depth == 2) {
                FakeEventRecord record;
                record.direction = FakeEventRecord::FromClient;
                record.user = m_user;
                const qint64 close = m_text.lastIndexOf(QStringLiteral("</") + m_reader.qualifiedName().toString(), offset);
                qint64 end = close >= m_eventStart ? m_text.indexOf(QLatin1Char('>'), close) + 1 : 0;
                if (end <= 0) // an empty element <event .../>
                    end = m_text.indexOf(QLatin1String("/>"), m_eventStart) + 2;
                record.bytes = m_text.mid(m_eventStart, end - m_eventStart).toUtf8();
                record.type = m_type;
                record.resource = m_resource;
                record.text = m_eventText.trimmed();
                m_server->recordEvent(record);
            }
            --m_depth;
        }
    }
    if (m_reader.hasError() && m_reader.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        m_server->m_violations.append(QStringLiteral("EVENT: client stream not well-formed: %1")
                                          .arg(m_reader.errorString()));
        m_broken = true;
    }
}
