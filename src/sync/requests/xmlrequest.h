#ifndef XMLREQUEST_H
#define XMLREQUEST_H

#include <QBuffer>
#include <QByteArray>
#include <QDomDocument>

#include "sync/requests/request.h"

// A request whose body is an XHTML document and whose response body is
// parsed into one. With `compressed` both directions may be zlib streams:
// the request asks with "Accept-Encoding: zlib" and its body is compressed.
class XMLRequest : public Request
{
    Q_OBJECT
public:
    // Upper bound of a document body as received (before inflating).
    static const qint64 maxDocumentResponseSize = qint64(32) * 1024 * 1024;

    XMLRequest(const QString &method, const QString &path, bool compressed,
               QObject *parent = nullptr);

    bool isCompressed() const { return m_compressed; }
    void setRequestDocument(const QDomDocument &document);
    // A copy of the parsed response: null when the body was empty, or when a
    // non-2xx answer carried a body that is not a document.
    QDomDocument responseDocument() const { return m_responseDocument; }
    // The response body as received.
    QByteArray responseBody() const { return m_responseBuffer; }
    // The request failed because a 2xx answer's body is not a document it
    // can read (malformed, or nested too deep), not for want of an answer.
    bool hasUnreadableDocument() const { return m_unreadableDocument; }

    bool isXmlRequest() const override;

public slots:
    void onResponseReceived(const HttpResponseHeader &header) override;

private:
    // True when the zlib stream inflates to more than `limit` bytes.
    static bool inflatesBeyond(const QByteArray &zlibBytes, qint64 limit);
    // Parses `bytes` after a linear check of well-formedness and nesting
    // depth, so a deeply nested body cannot stall the DOM builder.
    static bool parseDocument(const QByteArray &bytes, QDomDocument *document,
                              QString *message, int *line);

    QByteArray m_responseBuffer;
    QBuffer m_bufferDevice;
    QDomDocument m_responseDocument;
    bool m_compressed;
    bool m_unreadableDocument = false;
};

#endif
