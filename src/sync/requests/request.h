#ifndef REQUEST_H
#define REQUEST_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslError>
#include <QString>

#include "sync/requests/httpresponseheader.h"

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class SslErrorHandler;

// One asynchronous request to the synchronisation server: a method, a path
// below the server's path prefix, header values and a body; once it has run,
// a response header, an error text or the authentication-failure mark.
//
// Use: construct; set headers, body, output device, SSL error handler;
// connect finished(); ServerHttpConnection::instance()->addRequest(r). In the
// slot test authFailed(), then hasError()/errorString(), then
// responseHeader().statusCode(); finally deleteLater(). Any HTTP status is a
// response, not an error. To stop a request early, cancel it on the
// connection (HttpConnection::cancelRequest) or simply delete it.
class Request : public QObject
{
    Q_OBJECT
public:
    // Upper bound of a response body unless set otherwise; past it the
    // request fails with "Response too large".
    static const qint64 defaultMaxResponseSize = qint64(512) * 1024 * 1024;

    Request(const QString &method, const QString &path, QObject *parent = nullptr);
    ~Request() override;

    QString method() const { return m_method; }
    QString path() const { return m_path; }

    // A second value for the same key (case-insensitive) replaces the first.
    void setHeader(const QString &key, const QString &value);
    QString header(const QString &key) const;
    QList<QPair<QString, QString>> headers() const { return m_headers; }

    void setBody(const QByteArray &body) { m_body = body; }
    QByteArray body() const { return m_body; }

    // The response body is written into this device (not owned; open it for
    // writing first). Without a device the body is dropped.
    void setOutputDevice(QIODevice *device) { m_outputDevice = device; }
    QIODevice *outputDevice() const { return m_outputDevice; }

    void setSslErrorHandler(SslErrorHandler *handler) { m_sslErrorHandler = handler; }
    SslErrorHandler *sslErrorHandler() const { return m_sslErrorHandler; }

    void setMaxResponseSize(qint64 bytes) { m_maxResponseSize = bytes; }
    qint64 maxResponseSize() const { return m_maxResponseSize; }

    // Sends the request on `http`; `networkRequest` carries the URL (prefix
    // and path), credentials and transport settings. Only the HTTP
    // connection calls it.
    QNetworkReply *submit(QNetworkAccessManager *http, QNetworkRequest networkRequest);

    // Takes the next bytes of the response body. Returns an error text when
    // they cannot be taken (too large, device failure), else an empty string.
    QString writeResponseData(const QByteArray &data);
    qint64 responseSize() const { return m_responseSize; }

    // The certificate decision for this request, with its handler.
    bool handleSslErrors(const QList<QSslError> &errors);
    // A certificate other than the one accepted for the server was refused:
    // the request's failure is to say so.
    bool refusedChangedCertificate() const { return m_refusedChangedCertificate; }

    bool hasError() const { return !m_errorString.isEmpty(); }
    QString errorString() const { return m_errorString; }
    bool authFailed() const { return m_authFailed; }
    void setAuthFailed(bool failed) { m_authFailed = failed; }
    HttpResponseHeader responseHeader() const { return m_responseHeader; }
    // finished() was emitted.
    bool isFinished() const { return m_finished; }

    virtual bool isXmlRequest() const;

    // `text` percent-encoded for use as one path segment ("a b/c" gives
    // "a%20b%2Fc"), so a user name cannot address another resource.
    static QString pathSegment(const QString &text);
    // False for a text no path segment can stand for: empty, "." or "..",
    // which the address would fold into the segment above (the server's root
    // for "/users/..").
    static bool isAddressableSegment(const QString &text);

signals:
    void finished();

public slots:
    // Stores the header and finishes.
    virtual void onResponseReceived(const HttpResponseHeader &header);
    // Stores the trimmed text ("Unknown error" for a blank one) and finishes.
    virtual void setError(const QString &text);

protected:
    void setResponseHeader(const HttpResponseHeader &header) { m_responseHeader = header; }
    // Emits finished() once; a second end is refused with a warning.
    void emitFinished();

private:
    QString m_method;
    QString m_path;
    QList<QPair<QString, QString>> m_headers;
    QByteArray m_body;
    QIODevice *m_outputDevice = nullptr;
    SslErrorHandler *m_sslErrorHandler = nullptr;
    qint64 m_maxResponseSize = defaultMaxResponseSize;
    qint64 m_responseSize = 0;
    bool m_authFailed = false;
    bool m_refusedChangedCertificate = false;
    bool m_finished = false;
    QString m_errorString;
    HttpResponseHeader m_responseHeader;
};

#endif
