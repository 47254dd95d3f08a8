#include "sync/requests/httpresponseheader.h"

#include <QNetworkReply>
#include <QNetworkRequest>

HttpResponseHeader::HttpResponseHeader(int statusCode, const QString &reasonPhrase,
                                       const QList<QPair<QByteArray, QByteArray>> &values)
    : m_statusCode(statusCode)
    , m_reasonPhrase(reasonPhrase)
    , m_values(values)
{
}

HttpResponseHeader HttpResponseHeader::fromReply(const QNetworkReply *reply)
{
    if (!reply)
        return HttpResponseHeader();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return HttpResponseHeader();
    const QString reason = QString::fromLatin1(
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    return HttpResponseHeader(status.toInt(), reason, reply->rawHeaderPairs());
}

bool HttpResponseHeader::hasKey(const QString &key) const
{
    const QByteArray wanted = key.toLatin1();
    for (const auto &pair : m_values) {
        if (pair.first.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString HttpResponseHeader::value(const QString &key) const
{
    const QByteArray wanted = key.toLatin1();
    for (const auto &pair : m_values) {
        if (pair.first.compare(wanted, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(pair.second);
    }
    return QString();
}
