#include "sync/requests/request.h"

#include <QDebug>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

#include "sync/requests/sslerrorhandler.h"

Request::Request(const QString &method, const QString &path, QObject *parent)
    : QObject(parent)
    , m_method(method)
    , m_path(path)
{
}

Request::~Request() = default;

void Request::setHeader(const QString &key, const QString &value)
{
    for (auto &pair : m_headers) {
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0) {
            pair.second = value;
            return;
        }
    }
    m_headers.append(qMakePair(key, value));
}

QString Request::header(const QString &key) const
{
    for (const auto &pair : m_headers) {
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            return pair.second;
    }
    return QString();
}

bool Request::isXmlRequest() const
{
    return false;
}

QString Request::pathSegment(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

bool Request::isAddressableSegment(const QString &text)
{
    return !text.isEmpty() && text != QLatin1String(".") && text != QLatin1String("..");
}

QNetworkReply *Request::submit(QNetworkAccessManager *http, QNetworkRequest networkRequest)
{
    for (const auto &pair : std::as_const(m_headers))
        networkRequest.setRawHeader(pair.first.toLatin1(), pair.second.toUtf8());
    // Without a value of our own the toolkit asks for gzip and inflates it
    // behind our back; the server is to send bodies as they are.
    if (header(QStringLiteral("Accept-Encoding")).isNull())
        networkRequest.setRawHeader("Accept-Encoding", "identity");
    if (!m_body.isEmpty() && header(QStringLiteral("Content-Type")).isNull()) {
        networkRequest.setRawHeader("Content-Type",
                                    isXmlRequest() ? "application/xhtml+xml; charset=utf-8"
                                                   : "application/octet-stream");
    }

    const QByteArray verb = m_method.toLatin1();
    if (verb == "GET")
        return http->get(networkRequest);
    if (verb == "HEAD")
        return http->head(networkRequest);
    if (verb == "PUT")
        return http->put(networkRequest, m_body);
    if (verb == "POST")
        return http->post(networkRequest, m_body);
    if (verb == "DELETE" && m_body.isEmpty())
        return http->deleteResource(networkRequest);
    return http->sendCustomRequest(networkRequest, verb, m_body);
}

QString Request::writeResponseData(const QByteArray &data)
{
    if (data.isEmpty())
        return QString();
    if (m_maxResponseSize >= 0 && m_responseSize + data.size() > m_maxResponseSize)
        return tr("Response too large");
    m_responseSize += data.size();
    if (!m_outputDevice)
        return QString();
    if (m_outputDevice->write(data) != data.size())
        return tr("Could not store the response: %1").arg(m_outputDevice->errorString());
    return QString();
}

bool Request::handleSslErrors(const QList<QSslError> &errors)
{
    // Known before the question: accepting it makes the certificate known.
    const bool changed = SslErrorHandler::isCertificateChanged(errors);
    // The question spins an event loop in which the request may be deleted.
    const QPointer<Request> alive(this);
    const bool ignore = SslErrorHandler::handleSslErrors(m_sslErrorHandler, errors);
    if (alive)
        m_refusedChangedCertificate = changed && !ignore;
    return ignore;
}

void Request::onResponseReceived(const HttpResponseHeader &header)
{
    if (m_finished) {
        qWarning() << "Request: finished twice" << m_method << m_path;
        return;
    }
    m_responseHeader = header;
    emitFinished();
}

void Request::setError(const QString &text)
{
    if (m_finished) {
        qWarning() << "Request: finished twice" << m_method << m_path;
        return;
    }
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        qWarning("Request: empty error");
        trimmed = QStringLiteral("Unknown error");
    }
    m_errorString = trimmed;
    emitFinished();
}

void Request::emitFinished()
{
    if (m_finished) {
        qWarning() << "Request: finished twice" << m_method << m_path;
        return;
    }
    m_finished = true;
    emit finished();
}
