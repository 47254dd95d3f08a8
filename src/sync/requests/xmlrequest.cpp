#include "sync/requests/xmlrequest.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <limits>
#include <zlib.h>

#include "core/pdcompressor.h"
#include "core/xmlreaderwriter.h"

XMLRequest::XMLRequest(const QString &method, const QString &path, bool compressed,
                       QObject *parent)
    : Request(method, path, parent)
    , m_bufferDevice(&m_responseBuffer)
    , m_compressed(compressed)
{
    m_bufferDevice.open(QIODevice::WriteOnly);
    setOutputDevice(&m_bufferDevice);
    setMaxResponseSize(maxDocumentResponseSize);
    if (compressed)
        setHeader(QStringLiteral("Accept-Encoding"), QStringLiteral("zlib"));
}

bool XMLRequest::isXmlRequest() const
{
    return true;
}

void XMLRequest::setRequestDocument(const QDomDocument &document)
{
    const QByteArray bytes = document.toByteArray(1);
    setBody(m_compressed ? PDCompressor::compress(bytes, 6) : bytes);
}

bool XMLRequest::inflatesBeyond(const QByteArray &zlibBytes, qint64 limit)
{
    // Counts the output through a small scratch buffer: constant memory.
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zlibBytes.constData()));
    stream.avail_in = uInt(std::min<qint64>(zlibBytes.size(), std::numeric_limits<uInt>::max()));
    char scratch[16384];
    qint64 total = 0;
    int result = Z_OK;
    while (result == Z_OK && total <= limit) {
        stream.next_out = reinterpret_cast<Bytef *>(scratch);
        stream.avail_out = sizeof scratch;
        result = inflate(&stream, Z_NO_FLUSH);
        total += qint64(sizeof scratch) - stream.avail_out;
    }
    inflateEnd(&stream);
    return total > limit;
}

bool XMLRequest::parseDocument(const QByteArray &bytes, QDomDocument *document,
                               QString *message, int *line)
{
    // Each level takes at least three bytes ("<a>"): a shorter body cannot
    // be too deep, and most answers are that short.
    const bool mayBeTooDeep = bytes.size() > 3 * qsizetype(XMLReaderWriter::maxElementDepth);
    QXmlStreamReader reader(mayBeTooDeep ? bytes : QByteArray());
    int depth = 0;
    while (mayBeTooDeep && !reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > XMLReaderWriter::maxElementDepth) {
                *message = QStringLiteral("elements nested deeper than %1 levels")
                               .arg(XMLReaderWriter::maxElementDepth);
                *line = int(reader.lineNumber());
                return false;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (mayBeTooDeep && reader.hasError()) {
        *message = reader.errorString();
        *line = int(reader.lineNumber());
        return false;
    }
    QDomDocument parsed;
    int column = 0;
    if (!parsed.setContent(bytes, false, message, line, &column))
        return false;
    *document = parsed;
    return true;
}

void XMLRequest::onResponseReceived(const HttpResponseHeader &header)
{
    if (m_responseBuffer.isEmpty()) {
        Request::onResponseReceived(header);
        return;
    }

    QByteArray bytes = m_responseBuffer;
    if (header.hasKey(QStringLiteral("Content-Encoding"))
        && header.value(QStringLiteral("Content-Encoding")) == QLatin1String("zlib")) {
        bytes = PDCompressor::uncompress(bytes);
        // A body that inflates past the bound is refused whatever its status;
        // any other failed inflation is left to the parse below.
        if (bytes.isEmpty() && inflatesBeyond(m_responseBuffer, PDCompressor::maxUncompressedSize)) {
            setError(tr("Response too large"));
            return;
        }
    }

    QString message;
    int line = 0;
    QDomDocument document;
    if (!parseDocument(bytes, &document, &message, &line)) {
        const int status = header.statusCode();
        if (status < 200 || status > 299) {
            // An error page from the server or a proxy: the status is what
            // the caller needs (404 and 410 mean "gone").
            Request::onResponseReceived(header);
            return;
        }
        m_unreadableDocument = true;
        setError(QStringLiteral("XML failed to parse: %1 at line %2").arg(message).arg(line));
        return;
    }
    m_responseDocument = document;
    Request::onResponseReceived(header);
}
