#include "sync/requests/eventconnection.h"

#include <QDebug>
#include <QDomElement>
#include <QNetworkProxy>
#include <QTimer>

#include "core/clock.h"
#include "sync/requests/eventsubscription.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/serverreaderwriter.h"
#include "core/serversettings.h"
#include "sync/requests/sslerrorhandler.h"
#include "sync/requests/xmlrequest.h"
#include "sync/requests/xmlstreamreceiver.h"

EventConnection *EventConnection::instance()
{
    static EventConnection *connection = new EventConnection;
    return connection;
}

EventConnection::EventConnection()
    : m_retryTimer(new QTimer(this))
    , m_authWriteTimer(new QTimer(this))
    , m_sslConfiguration(QSslConfiguration::defaultConfiguration())
{
    // One attempt per failure: a repeating timer would fire again into an
    // attempt still under way.
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &EventConnection::maybeFetchEventPort);
    m_authWriteTimer->setSingleShot(true);
    connect(m_authWriteTimer, &QTimer::timeout, this, &EventConnection::onAuthWriteTimeout);

    // The server connection follows the settings first, so the port request
    // of a new attempt goes to the new server.
    ServerHttpConnection::instance();
    ServerSettings *settings = ServerSettings::instance();
    connect(settings, &ServerSettings::serverChanged, this,
            &EventConnection::onServerSettingsChanged);
    connect(settings, &ServerSettings::userChanged, this,
            &EventConnection::onServerSettingsChanged);
    connect(settings, &ServerSettings::passwordChanged, this,
            &EventConnection::onServerSettingsChanged);
    maybeFetchEventPort();
}

void EventConnection::setSslConfiguration(const QSslConfiguration &configuration)
{
    m_sslConfiguration = configuration;
}

void EventConnection::setState(State state)
{
    if (state == m_state)
        return;
    const State old = m_state;
    m_state = state;
    if (old == Connected)
        emit disconnected();
    if (state == Connected) {
        emit connected();
        if (m_socket && m_state == Connected)
            m_socket->write("<pd-event-stream>\n");
    }
    emit stateChanged();
}

void EventConnection::connectNow()
{
    if (m_state == Disconnected || m_state == AuthFailed)
        maybeFetchEventPort();
}

void EventConnection::maybeFetchEventPort()
{
    if (!ServerSettings::instance()->isComplete()) {
        setState(Disconnected);
        return;
    }
    if (m_state != Disconnected && m_state != AuthFailed) {
        qWarning("EventConnection: already connected or connecting");
        return;
    }
    setState(Connecting);
    m_portRequest = new XMLRequest(QStringLiteral("GET"), QStringLiteral("/"), false);
    connect(m_portRequest, &Request::finished, this, &EventConnection::onEventPortGetFinished);
    ServerHttpConnection::instance()->addRequest(m_portRequest);
}

void EventConnection::onEventPortGetFinished()
{
    XMLRequest *request = m_portRequest;
    if (!request || sender() != request)
        return;
    m_portRequest = nullptr;
    request->deleteLater();
    if (request->hasError()) {
        setState(Disconnected);
        scheduleRetry();
        return;
    }
    ServerReaderWriter reader;
    int protocolVersion = 0;
    int minSupportedVersion = 0;
    quint16 port = 0;
    if (!reader.readServerInfo(request->responseDocument(), &protocolVersion,
                               &minSupportedVersion, &port)) {
        qWarning() << reader.errorString();
        setState(Disconnected);
        scheduleRetry();
        return;
    }
    m_eventPort = port;
    maybeConnect();
}

void EventConnection::maybeConnect()
{
    ServerSettings *settings = ServerSettings::instance();
    if (!settings->isComplete()) {
        setState(Disconnected);
        return;
    }
    releaseSocket();
    QSslSocket *socket = new QSslSocket(this);
    m_socket = socket;
    socket->setProxy(QNetworkProxy::NoProxy);
    connect(socket, &QSslSocket::readyRead, this, &EventConnection::onSocketReadyRead);
    connect(socket, &QSslSocket::disconnected, this, &EventConnection::onSocketDisconnected);
    connect(socket, &QSslSocket::errorOccurred, this, &EventConnection::onSocketError);
    connect(socket, &QSslSocket::sslErrors, this, &EventConnection::onSslErrors);
    connect(socket, &QSslSocket::bytesWritten, this, &EventConnection::onBytesWritten);
    if (settings->isSecure()) {
        connect(socket, &QSslSocket::encrypted, this, &EventConnection::onSocketConnected);
        socket->setSslConfiguration(m_sslConfiguration);
        socket->connectToHostEncrypted(settings->serverHost(), m_eventPort);
    } else {
        connect(socket, &QSslSocket::connected, this, &EventConnection::onSocketConnected);
        socket->connectToHost(settings->serverHost(), m_eventPort);
    }
}

void EventConnection::onSocketConnected()
{
    if (!m_socket || sender() != m_socket)
        return;
    m_retryTimer->stop();
    m_retryCount = 0;
    ServerSettings *settings = ServerSettings::instance();
    // The stored password: a password typed for one run is not for this.
    const QByteArray credentials =
        (settings->userName() + QLatin1Char(':') + settings->password()).toUtf8();
    const QByteArray line = "Authorization: Basic " + credentials.toBase64() + "\n";
    // Written without blocking: a line still unsent after the wait gives up.
    m_authWriteTimer->start(Clock::interval(authWriteTimeoutMs));
    if (m_socket->write(line) != line.size())
        failConnection(QStringLiteral("could not write the authorisation line"));
}

void EventConnection::onBytesWritten()
{
    if (m_socket && sender() == m_socket && m_socket->bytesToWrite() == 0)
        m_authWriteTimer->stop();
}

void EventConnection::onAuthWriteTimeout()
{
    if (m_socket && m_state == Connecting && m_socket->bytesToWrite() > 0)
        failConnection(QStringLiteral("timed out writing the authorisation line"));
}

void EventConnection::onSocketReadyRead()
{
    if (!m_socket || sender() != m_socket)
        return;
    switch (m_state) {
    case Connecting:
        readAnswerLines();
        break;
    case Connected:
        if (m_receiver)
            m_receiver->parseMore();
        break;
    default:
        qWarning() << "EventConnection doesn't expect to receive in state" << int(m_state);
        // Not kept: nothing reads it.
        m_socket->readAll();
        break;
    }
}

void EventConnection::readAnswerLines()
{
    // Every complete line is handled now, and bytes that came with the "200"
    // line go to the stream parser at once.
    while (m_socket && m_state == Connecting && m_socket->canReadLine()) {
        const QByteArray raw = m_socket->readLine(maxAnswerLineBytes + 1);
        if (raw.size() > maxAnswerLineBytes) {
            failConnection(QStringLiteral("answer line longer than %1 bytes").arg(maxAnswerLineBytes));
            return;
        }
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("200"))) {
            setState(Connected);
            if (!m_socket || m_state != Connected)
                return;
            if (m_receiver) {
                disconnect(m_receiver, nullptr, this, nullptr);
                m_receiver->deleteLater();
            }
            m_receiver = new XMLStreamReceiver(m_socket, this);
            connect(m_receiver, &XMLStreamReceiver::fragmentReceived, this,
                    &EventConnection::onFragmentReceived);
            connect(m_receiver, &XMLStreamReceiver::parseError, this,
                    &EventConnection::onParseError);
            m_receiver->parseMore();
            return;
        }
        if (line.startsWith(QLatin1String("401"))) {
            setState(AuthFailed);
            return;
        }
        qWarning() << "unexpected auth response" << line;
    }
    if (m_socket && m_state == Connecting && m_socket->bytesAvailable() > maxAnswerLineBytes)
        failConnection(QStringLiteral("answer line longer than %1 bytes").arg(maxAnswerLineBytes));
}

void EventConnection::onParseError(const QString &message)
{
    if (sender() != m_receiver)
        return;
    // A stream that cannot be read any further must not look connected.
    failConnection(QStringLiteral("event stream unreadable: ") + message);
}

void EventConnection::onFragmentReceived(const QDomDocument &fragment)
{
    if (sender() != m_receiver)
        return;
    const QDomElement event = fragment.documentElement();
    if (event.tagName() != QLatin1String("event")) {
        qWarning("received non-event fragment");
        return;
    }
    if (event.attribute(QStringLiteral("type")) == QLatin1String("keep-alive"))
        return;
    if (!event.hasAttribute(QStringLiteral("resource"))) {
        qWarning("event has no resource attribute");
        return;
    }
    EventSubscription *subscription =
        m_subscriptions.value(event.attribute(QStringLiteral("resource")));
    if (subscription)
        subscription->deliver(event);
}

void EventConnection::onSocketError(QAbstractSocket::SocketError error)
{
    Q_UNUSED(error);
    if (!m_socket || sender() != m_socket)
        return;
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        // The disconnection follows.
        m_socket->disconnectFromHost();
        return;
    }
    socketLost();
}

void EventConnection::onSocketDisconnected()
{
    if (!m_socket || sender() != m_socket)
        return;
    socketLost();
}

void EventConnection::onSslErrors(const QList<QSslError> &errors)
{
    if (!m_socket || sender() != m_socket)
        return;
    if (SslErrorHandler::handleSslErrors(nullptr, errors))
        m_socket->ignoreSslErrors(errors);
}

void EventConnection::releaseSocket()
{
    m_authWriteTimer->stop();
    if (m_receiver) {
        disconnect(m_receiver, nullptr, this, nullptr);
        m_receiver->deleteLater();
        m_receiver = nullptr;
    }
    if (m_socket) {
        QSslSocket *socket = m_socket;
        m_socket = nullptr;
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
}

void EventConnection::socketLost()
{
    releaseSocket();
    if (m_state == AuthFailed)
        return;
    setState(Disconnected);
    scheduleRetry();
}

void EventConnection::failConnection(const QString &reason)
{
    qWarning() << "EventConnection:" << reason;
    socketLost();
}

void EventConnection::scheduleRetry()
{
    ++m_retryCount;
    const qint64 delay = std::min<qint64>(qint64(m_retryCount) * retryStepMs, maxRetryMs);
    m_retryTimer->start(Clock::interval(delay));
}

int EventConnection::retryIntervalMs() const
{
    return m_retryTimer->isActive() ? m_retryTimer->interval() : 0;
}

void EventConnection::onServerSettingsChanged()
{
    releaseSocket();
    if (m_portRequest) {
        XMLRequest *request = m_portRequest;
        m_portRequest = nullptr;
        disconnect(request, nullptr, this, nullptr);
        // Leaves the server connection's queue alone but for this request.
        delete request;
    }
    m_retryTimer->stop();
    m_retryCount = 0;
    setState(Disconnected);
    maybeFetchEventPort();
}

void EventConnection::sendEvent(const QByteArray &event)
{
    if (m_state != Connected || !m_socket) {
        qWarning("EventConnection::sendEvent - not connected");
        return;
    }
    if (m_socket->write(event) < event.size())
        m_socket->disconnectFromHost();
}

void EventConnection::subscribe(EventSubscription *subscription)
{
    const QString resource = subscription->resource();
    if (m_subscriptions.contains(resource)) {
        qWarning() << "already have a subscription to" << resource;
        return;
    }
    m_subscriptions.insert(resource, subscription);
}

void EventConnection::unsubscribe(EventSubscription *subscription)
{
    const auto it = m_subscriptions.find(subscription->resource());
    if (it != m_subscriptions.end() && it.value() == subscription)
        m_subscriptions.erase(it);
}

EventSubscription *EventConnection::subscription(const QString &resource) const
{
    return m_subscriptions.value(resource);
}
