#ifndef FAKESERVERPROBE_H
#define FAKESERVERPROBE_H

// A blocking HTTP client over plain QNetworkAccessManager for the fake
// server's own tests (header only): it knows nothing of the program's classes.

#include "fakeserver.h"
#include "fakexml.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>

struct ProbeReply
{
    int status = 0;            // 0: no HTTP answer
    QByteArray reason;
    QByteArray rawBody;
    QByteArray body;           // inflated when Content-Encoding was zlib
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QList<QSslError> sslErrors;
    QList<QNetworkReply::RawHeaderPair> headers;
    bool timedOut = false;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers)
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.second;
        return QByteArray();
    }
};

class FakeServerProbe
{
public:
    explicit FakeServerProbe(const FakeServer &server) : m_server(server) {}

    QString user = QStringLiteral("alice");
    QString password = QStringLiteral("secret");
    bool sendAuth = true;
    bool acceptZlib = false;
    bool compressBody = false;
    bool trustTestCertificate = true;
    int timeoutMs = 5000;
    QList<QPair<QByteArray, QByteArray>> extraHeaders;

    ProbeReply send(const QByteArray &method, const QString &path, const QByteArray &body = {})
    {
        QNetworkRequest request(QUrl(m_server.url() + path));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (sendAuth)
            request.setRawHeader("Authorization",
                                 "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64());
        request.setRawHeader("Accept-Encoding", acceptZlib ? "zlib" : "identity");
        for (const auto &h : extraHeaders)
            request.setRawHeader(h.first, h.second);
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/xhtml+xml; charset=utf-8"));
        if (m_server.transport() == FakeServer::Tls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            if (trustTestCertificate)
                config.addCaCertificate(FakeServer::testCertificate());
            request.setSslConfiguration(config);
        }
        const QByteArray payload = compressBody ? FakeXml::compress(body) : body;
        // A custom "HEAD" verb would make Qt wait for a body.
        QNetworkReply *reply = method == "HEAD" ? m_manager.head(request)
                                                : m_manager.sendCustomRequest(request, method, payload);
        ProbeReply out;
        QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                         [&out](const QList<QSslError> &errors) { out.sslErrors = errors; });
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, [&] { out.timedOut = true; loop.quit(); });
        if (!reply->isFinished())
            loop.exec();
        if (out.timedOut && !reply->isFinished()) {
            reply->abort();
        } else {
            out.timedOut = false;
        }
        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        out.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
        out.error = reply->error();
        out.headers = reply->rawHeaderPairs();
        if (reply->isOpen())
            out.rawBody = reply->readAll();
        out.body = out.rawBody;
        if (out.header("Content-Encoding") == "zlib" && !FakeXml::inflate(out.rawBody, &out.body, 1 << 30))
            out.body.clear();
        reply->deleteLater();
        return out;
    }

    ProbeReply get(const QString &path) { return send("GET", path); }
    ProbeReply put(const QString &path, const QByteArray &body) { return send("PUT", path, body); }
    ProbeReply post(const QString &path, const QByteArray &body) { return send("POST", path, body); }
    ProbeReply del(const QString &path) { return send("DELETE", path); }

private:
    const FakeServer &m_server;
    QNetworkAccessManager m_manager;
};

#endif
