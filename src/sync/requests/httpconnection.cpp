#include "sync/requests/httpconnection.h"

#include <QAuthenticator>
#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <limits>

#include "core/clock.h"
#include "sync/requests/httpresponseheader.h"
#include "sync/requests/request.h"
#include "sync/requests/sslerrorhandler.h"

HttpConnection::HttpConnection(QObject *parent)
    : QObject(parent)
    , m_sslConfiguration(QSslConfiguration::defaultConfiguration())
    , m_idleTimer(new QTimer(this))
    , m_stallTimer(new QTimer(this))
{
    if (!QSslSocket::supportsSsl())
        qFatal("no SSL - missing DLLs in install?");
    m_idleTimer->setSingleShot(true);
    connect(m_idleTimer, &QTimer::timeout, this, &HttpConnection::onTimeout);
    m_stallTimer->setSingleShot(true);
    connect(m_stallTimer, &QTimer::timeout, this, &HttpConnection::onStalled);
}

HttpConnection::~HttpConnection()
{
    for (const Entry &entry : std::as_const(m_queue))
        disconnect(entry.request, &QObject::destroyed, this, &HttpConnection::onRequestDestroyed);
    stopReply();
}

void HttpConnection::setHost(const QString &host, bool secure, quint16 port,
                             const QString &pathPrefix)
{
    m_pathPrefix = pathPrefix;
    if (host == m_host && secure == m_secure && port == m_port)
        return;
    m_host = host;
    m_secure = secure;
    m_port = port;
    resetHttp();
}

void HttpConnection::setUser(const QString &user, const QString &password)
{
    if (user == m_user && password == m_password)
        return;
    m_user = user;
    m_password = password;
    resetHttp();
}

void HttpConnection::setSslConfiguration(const QSslConfiguration &configuration)
{
    m_sslConfiguration = configuration;
    resetHttp();
}

QNetworkAccessManager *HttpConnection::http()
{
    if (!m_http) {
        m_http = new QNetworkAccessManager(this);
        // No proxy, as the server is addressed directly; the toolkit's
        // credential cache stays unused (credentials go in every request).
        m_http->setProxy(QNetworkProxy::NoProxy);
        connect(m_http, &QNetworkAccessManager::authenticationRequired, this,
                &HttpConnection::onAuthenticationRequired);
        m_deleteWhenDone = false;
    }
    return m_http;
}

void HttpConnection::resetHttp()
{
    if (!m_http)
        return;
    if (m_reply) {
        // The running request finishes on the old client.
        m_deleteWhenDone = true;
        return;
    }
    m_idleTimer->stop();
    closeOrDelete();
}

void HttpConnection::closeOrDelete()
{
    if (!m_http) {
        qWarning("HttpConnection::closeOrDelete with null m_http");
        return;
    }
    if (m_questionReply) {
        // Not while a reply of this client waits for the user's answer.
        m_deleteWhenDone = true;
        return;
    }
    // Replies are children of the client and go with it.
    QNetworkAccessManager *old = m_http;
    m_http = nullptr;
    m_deleteWhenDone = false;
    disconnect(old, nullptr, this, nullptr);
    old->deleteLater();
}

void HttpConnection::addRequest(Request *request)
{
    if (!request)
        return;
    if (findRequest(request) >= 0) {
        qWarning("HttpConnection::addRequest - request already queued");
        return;
    }
    m_idleTimer->stop();
    updateTarget();

    QUrl url;
    url.setScheme(m_secure ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(m_host);
    url.setPort(m_port);
    url.setPath(m_pathPrefix + request->path(), QUrl::TolerantMode);

    QNetworkRequest networkRequest(url);
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                QNetworkRequest::AlwaysNetwork);
    networkRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute,
                                QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute,
                                QNetworkRequest::Manual);
    if (!m_user.isEmpty() && !m_password.isEmpty()) {
        const QByteArray credentials = (m_user + QLatin1Char(':') + m_password).toUtf8();
        networkRequest.setRawHeader("Authorization", "Basic " + credentials.toBase64());
    }
    if (m_secure)
        networkRequest.setSslConfiguration(m_sslConfiguration);

    const int id = m_nextId++;
    m_queue.insert(id, Entry{request, networkRequest});
    connect(request, &QObject::destroyed, this, &HttpConnection::onRequestDestroyed);
    http();
    startNext();
}

void HttpConnection::startNext()
{
    if (m_reply || m_queue.isEmpty())
        return;
    const auto it = m_queue.constBegin();
    const Entry entry = it.value();
    m_currentId = it.key();
    QNetworkReply *reply = entry.request->submit(http(), entry.networkRequest);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &HttpConnection::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &HttpConnection::onRequestFinished);
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpConnection::onDownloadProgress);
    connect(reply, &QNetworkReply::sslErrors, this, &HttpConnection::onSslErrors);
    // Any byte moving either way, or the handshake or headers coming in,
    // shows that the server is still there.
    connect(reply, &QNetworkReply::uploadProgress, this, &HttpConnection::onTransferProgress);
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpConnection::onTransferProgress);
    connect(reply, &QNetworkReply::metaDataChanged, this, &HttpConnection::onTransferProgress);
    connect(reply, &QNetworkReply::encrypted, this, &HttpConnection::onTransferProgress);
    watchStall();
}

// (Re)starts the stall watch of the running reply. Not while the user is
// asked about its certificate: that wait is no stalled server.
void HttpConnection::watchStall()
{
    if (m_reply && !m_questionReply && m_stallTimeoutMs > 0)
        m_stallTimer->start(m_stallTimeoutMs);
    else
        m_stallTimer->stop();
}

void HttpConnection::onTransferProgress()
{
    if (sender() && sender() == m_reply)
        watchStall();
}

// A reply stopped here is disconnected first and never reports, so this
// failure cannot be taken for the program's own cancel or abort.
void HttpConnection::onStalled()
{
    if (!m_reply)
        return;
    failRunning(tr("The server stopped responding (timed out)"));
}

// After a request left the queue: the next one starts, or the idle client
// is closed (at once when the settings changed under it).
void HttpConnection::continueQueue()
{
    startNext();
    if (!m_queue.isEmpty() || m_reply || !m_http)
        return;
    if (m_deleteWhenDone)
        closeOrDelete();
    else if (!m_idleTimer->isActive())
        m_idleTimer->start(Clock::interval(idleCloseMs));
}

int HttpConnection::findRequest(Request *request) const
{
    for (auto it = m_queue.constBegin(); it != m_queue.constEnd(); ++it) {
        if (it.value().request == request)
            return it.key();
    }
    return -1;
}

bool HttpConnection::isRunning(const Request *request) const
{
    const auto it = m_queue.constFind(m_currentId);
    return request && it != m_queue.constEnd() && it.value().request == request;
}

void HttpConnection::stopReply()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    m_currentId = -1;
    m_stallTimer->stop();
    if (!reply)
        return;
    disconnect(reply, nullptr, this, nullptr);
    // A reply whose error status came in has failed already; aborting would
    // fail it a second time. Deleting it ends its transfer all the same.
    if (reply->error() == QNetworkReply::NoError)
        reply->abort();
    // A reply whose certificate question is open is still on the stack;
    // onSslErrors releases it.
    if (reply != m_questionReply)
        reply->deleteLater();
}

bool HttpConnection::takeRequest(Request *request)
{
    const int id = findRequest(request);
    if (id < 0) {
        qWarning("HttpConnection - cancelRequest which "
                 "was never added or has finished.");
        return false;
    }
    m_queue.remove(id);
    disconnect(request, &QObject::destroyed, this, &HttpConnection::onRequestDestroyed);
    if (id == m_currentId)
        stopReply();
    return true;
}

void HttpConnection::cancelRequest(Request *request)
{
    if (!takeRequest(request))
        return;
    request->setError(tr("Request canceled"));
    continueQueue();
}

void HttpConnection::abortRequest(Request *request)
{
    if (!takeRequest(request))
        return;
    continueQueue();
}

void HttpConnection::onRequestDestroyed(QObject *object)
{
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it.value().request == object) {
            const bool running = it.key() == m_currentId;
            m_queue.erase(it);
            if (running)
                stopReply();
            continueQueue();
            return;
        }
    }
    qWarning("HttpConnection::onRequestDestroyed - "
             "unknown request");
}

QString HttpConnection::replyErrorText(const QNetworkReply *reply)
{
    const QString text = reply->errorString().trimmed();
    if (!text.isEmpty())
        return text;
    return QString::number(int(reply->error()));
}

void HttpConnection::onReadyRead()
{
    QNetworkReply *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply != m_reply)
        return;
    const auto it = m_queue.constFind(m_currentId);
    if (it == m_queue.constEnd())
        return;
    const QString problem = it.value().request->writeResponseData(reply->readAll());
    if (!problem.isEmpty())
        failRunning(problem);
}

void HttpConnection::failRunning(const QString &text)
{
    const auto it = m_queue.constFind(m_currentId);
    if (it == m_queue.constEnd())
        return;
    Request *request = it.value().request;
    takeRequest(request);
    request->setError(text);
    continueQueue();
}

void HttpConnection::onRequestFinished()
{
    QNetworkReply *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    if (reply != m_reply) {
        reply->deleteLater();
        return;
    }
    const int id = m_currentId;
    m_reply = nullptr;
    m_currentId = -1;
    m_stallTimer->stop();
    disconnect(reply, nullptr, this, nullptr);
    reply->deleteLater();

    const auto it = m_queue.find(id);
    if (it == m_queue.end()) {
        startNext();
        return;
    }
    Request *request = it.value().request;
    m_queue.erase(it);
    disconnect(request, &QObject::destroyed, this, &HttpConnection::onRequestDestroyed);

    // The response must be taken whole before it is judged.
    const QString problem = request->writeResponseData(reply->readAll());

    // The old client is closed once its running request is done; the rest
    // of the queue goes to a new one.
    if (m_deleteWhenDone && m_http)
        closeOrDelete();

    const QNetworkReply::NetworkError error = reply->error();
    const HttpResponseHeader header = HttpResponseHeader::fromReply(reply);
    // Errors below 200 are connection-level: a body cut short by them is no
    // response even when a status line had arrived.
    const bool transportError = error != QNetworkReply::NoError && int(error) < 200;

    if (!problem.isEmpty()) {
        request->setError(problem);
    } else if (header.isValid() && !transportError) {
        if (header.statusCode() == 401) {
            request->setAuthFailed(true);
            request->setError(replyErrorText(reply));
        } else {
            request->onResponseReceived(header);
        }
    } else if (error == QNetworkReply::SslHandshakeFailedError && request->refusedChangedCertificate()) {
        // The toolkit names only what is wrong with the new certificate.
        request->setError(SslErrorHandler::refusedChangedCertificateText(replyErrorText(reply)));
    } else if (error != QNetworkReply::NoError) {
        request->setError(replyErrorText(reply));
    } else {
        request->setError(tr("Empty response or bad headers."));
    }

    continueQueue();
}

void HttpConnection::onDownloadProgress(qint64 done, qint64 total)
{
    const auto clamp = [](qint64 v) {
        return int(std::min<qint64>(std::max<qint64>(v, 0), std::numeric_limits<int>::max()));
    };
    emit readProgress(clamp(done), clamp(total));
}

void HttpConnection::onAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    Q_UNUSED(authenticator);
    // The authenticator stays empty, so the toolkit fails the request: no
    // second attempt with other credentials.
    const auto it = m_queue.constFind(m_currentId);
    if (reply != m_reply || it == m_queue.constEnd()) {
        qWarning("authentication required on unknown request");
        return;
    }
    it.value().request->setAuthFailed(true);
}

void HttpConnection::onSslErrors(const QList<QSslError> &errors)
{
    QPointer<QNetworkReply> reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    bool ignore = false;
    const auto it = m_queue.constFind(m_currentId);
    if (reply != m_reply || it == m_queue.constEnd()) {
        qWarning("onSslErrors for unknown request");
        ignore = SslErrorHandler::handleSslErrors(nullptr, errors);
    } else {
        // The question may spin an event loop in which the request is
        // cancelled or deleted, or the settings change.
        m_questionReply = reply;
        watchStall();
        ignore = it.value().request->handleSslErrors(errors);
        m_questionReply = nullptr;
        if (reply && reply != m_reply) {
            reply->deleteLater();
            if (m_deleteWhenDone && !m_reply && m_http)
                closeOrDelete();
            return;
        }
        watchStall();
    }
    // Only the listed errors, for this reply's connection: a later connection
    // with another certificate is judged again.
    if (ignore && reply)
        reply->ignoreSslErrors(errors);
}

void HttpConnection::onTimeout()
{
    if (m_http && !m_reply && m_queue.isEmpty())
        closeOrDelete();
}
