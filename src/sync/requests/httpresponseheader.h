#ifndef HTTPRESPONSEHEADER_H
#define HTTPRESPONSEHEADER_H

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>

class QNetworkReply;

// The status line and header values of one server response, kept as a value
// so callers can read the status, the reason phrase and values such as
// "ETag" after the reply object is gone.
class HttpResponseHeader
{
public:
    HttpResponseHeader() = default;
    HttpResponseHeader(int statusCode, const QString &reasonPhrase,
                       const QList<QPair<QByteArray, QByteArray>> &values = {});

    // The status and header values of a reply that got a status line; an
    // invalid header otherwise.
    static HttpResponseHeader fromReply(const QNetworkReply *reply);

    // A status line was received.
    bool isValid() const { return m_statusCode > 0; }
    int statusCode() const { return m_statusCode; }
    QString reasonPhrase() const { return m_reasonPhrase; }

    // Keys compare case-insensitively; the first value with the key wins.
    bool hasKey(const QString &key) const;
    QString value(const QString &key) const;
    QList<QPair<QByteArray, QByteArray>> values() const { return m_values; }

private:
    int m_statusCode = 0;
    QString m_reasonPhrase;
    QList<QPair<QByteArray, QByteArray>> m_values;
};

Q_DECLARE_METATYPE(HttpResponseHeader)

#endif
