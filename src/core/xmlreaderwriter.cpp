#include "core/xmlreaderwriter.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDomImplementation>
#include <QDomNodeList>
#include <QFileDevice>
#include <QIODevice>
#include <QXmlStreamReader>

#include <cstring>

namespace {

const char xhtmlNamespace[] = "http://www.w3.org/1999/xhtml";
const char doctypePublicId[] = "-//W3C//DTD XHTML 1.0 Strict//EN";
const char doctypeSystemId[] = "http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd";
const char xmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

bool isXmlChar(char32_t c)
{
    if (c >= 0x20)
        return c <= 0xD7FF || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    return c == 0x9 || c == 0xA || c == 0xD;
}

bool isDecimalInteger(const QString &text)
{
    if (text.isEmpty())
        return false;
    int i = text.at(0) == QLatin1Char('-') ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Digits at [pos, pos + count), or -1.
int digitsAt(QStringView text, int pos, int count)
{
    int value = 0;
    for (int i = pos; i < pos + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

QString malformedText()
{
    return QStringLiteral("failed to parse xml");
}

void appendDigits(QString &out, int value, int count)
{
    QChar buf[4];
    for (int i = count - 1; i >= 0; --i) {
        buf[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out.append(buf, count);
}

} // namespace

QString XMLReaderWriter::tooDeepText()
{
    return QStringLiteral("failed to parse xml: elements nested deeper than %1 levels").arg(maxElementDepth);
}

XMLReaderWriter::XMLReaderWriter(int documentKind)
    : m_documentKind(documentKind)
{
}

XMLReaderWriter::~XMLReaderWriter() = default;

void XMLReaderWriter::setError(const QString &text)
{
    qDebug() << text;
    m_error = text;
    ++m_errorCount;
}

QDomDocument XMLReaderWriter::createDocument() const
{
    QDomImplementation impl;
    const QDomDocumentType doctype = impl.createDocumentType(
        QStringLiteral("html"), QLatin1String(doctypePublicId), QLatin1String(doctypeSystemId));
    return impl.createDocument(QLatin1String(xhtmlNamespace), QStringLiteral("html"), doctype);
}

QDomElement XMLReaderWriter::appendHeadAndBody(QDomDocument doc, const QString &title) const
{
    QDomElement root = doc.documentElement();
    QDomElement head = doc.createElement(QStringLiteral("head"));
    root.appendChild(head);
    appendTextElement(head, QStringLiteral("title"), title);
    appendMeta(head, QStringLiteral("generator"), QCoreApplication::applicationName());
    if (m_documentKind == LocalDocument)
        appendMeta(head, QStringLiteral("format-version"), QString::number(formatVersion));
    QDomElement body = doc.createElement(QStringLiteral("body"));
    root.appendChild(body);
    return body;
}

void XMLReaderWriter::appendMeta(QDomElement head, const QString &name,
                                 const QString &content) const
{
    QDomElement meta = head.ownerDocument().createElement(QStringLiteral("meta"));
    meta.setAttribute(QStringLiteral("name"), name);
    meta.setAttribute(QStringLiteral("content"), content);
    head.appendChild(meta);
}

QDomElement XMLReaderWriter::appendElementWithClass(QDomElement parent, const QString &tagName,
                                                    const QString &className) const
{
    QDomElement element = parent.ownerDocument().createElement(tagName);
    element.setAttribute(QStringLiteral("class"), className);
    parent.appendChild(element);
    return element;
}

QDomElement XMLReaderWriter::appendTextElement(QDomElement parent, const QString &tagName,
                                               const QString &text,
                                               const QString &className) const
{
    QDomDocument doc = parent.ownerDocument();
    QDomElement element = doc.createElement(tagName);
    parent.appendChild(element);
    const QString clean = stripInvalidXmlChars(text);
    if (!clean.isEmpty())
        element.appendChild(doc.createTextNode(clean));
    if (!className.isEmpty())
        element.setAttribute(QStringLiteral("class"), className);
    return element;
}

void XMLReaderWriter::appendDefinition(QDomElement dl, const QString &term,
                                       const QString &value) const
{
    appendTextElement(dl, QStringLiteral("dt"), term);
    appendTextElement(dl, QStringLiteral("dd"), value);
}

namespace {

QList<XMLReaderWriter::Meta> metasOf(const QDomElement &head)
{
    QList<XMLReaderWriter::Meta> metas;
    const QString metaTag = QStringLiteral("meta");
    for (QDomElement meta = head.firstChildElement(metaTag); !meta.isNull();
         meta = meta.nextSiblingElement(metaTag))
        metas.append({meta.attribute(QStringLiteral("name")), meta.attribute(QStringLiteral("content"))});
    return metas;
}

} // namespace

bool XMLReaderWriter::checkHead(const QDomElement &head)
{
    return checkHead(metasOf(head));
}

bool XMLReaderWriter::checkHead(const QList<Meta> &metas)
{
    if (metaContent(metas, QStringLiteral("generator")) != QCoreApplication::applicationName()) {
        setError(QStringLiteral("generator has different name"));
        return false;
    }
    const QString versionText = metaContent(metas, QStringLiteral("format-version"));
    bool ok = isDecimalInteger(versionText);
    const int version = ok ? versionText.toInt(&ok, 10) : 0;
    if (!ok) {
        setError(QStringLiteral("don't understand doc format version"));
        return false;
    }
    if (version > formatVersion) {
        setError(QStringLiteral("document format %1 is newer than our version %2")
                     .arg(version)
                     .arg(formatVersion));
        return false;
    }
    return true;
}

QString XMLReaderWriter::metaContent(const QDomElement &head, const QString &name)
{
    return metaContent(metasOf(head), name);
}

QString XMLReaderWriter::metaContent(const QList<Meta> &metas, const QString &name)
{
    QString found;
    bool matched = false;
    for (const Meta &meta : metas) {
        if (meta.name != name)
            continue;
        if (matched) {
            setError(QStringLiteral("duplicate meta tag with name") + name);
            return QString();
        }
        matched = true;
        found = meta.content;
    }
    return found;
}

QString XMLReaderWriter::elementText(const QDomElement &element)
{
    QDomNode child = element.firstChild();
    if (child.isNull())
        return QString(QLatin1String(""));
    if (!child.isText() && !child.isCDATASection()) {
        setUnexpectedChildError(element.tagName());
        return QString(QLatin1String(""));
    }
    // The parser may hand one run of character data over as several adjacent
    // nodes (text next to a CDATA section); they are one text.
    QString text = child.nodeValue();
    for (QDomNode next = child.nextSibling(); !next.isNull() && (next.isText() || next.isCDATASection());
         next = next.nextSibling())
        text += next.nodeValue();
    return text;
}

QString XMLReaderWriter::definitionValue(const QDomElement &dl, const QString &term)
{
    const QString dt = QStringLiteral("dt");
    for (QDomElement e = dl.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() != dt || elementText(e) != term)
            continue;
        const QDomElement dd = e.nextSiblingElement();
        if (!dd.isNull() && dd.tagName() == QLatin1String("dd"))
            return elementText(dd);
        return QString();
    }
    return QString();
}

QMap<QString, QString> XMLReaderWriter::readDefinitionList(const QDomElement &dl)
{
    QMap<QString, QString> map;
    const QString dt = QStringLiteral("dt");
    for (QDomElement e = dl.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() != dt)
            continue;
        const QString term = elementText(e);
        if (term.isEmpty())
            continue;
        const QDomElement dd = e.nextSiblingElement();
        if (!dd.isNull() && dd.tagName() == QLatin1String("dd"))
            map.insert(term, elementText(dd));
        else
            map.insert(term, QString());
    }
    return map;
}

QDomElement XMLReaderWriter::findChildByClass(const QDomElement &parent,
                                              const QString &className, bool mandatory)
{
    QDomElement found;
    const QString classAttr = QStringLiteral("class");
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(classAttr) != className)
            continue;
        if (!found.isNull()) {
            setDuplicateClassError(className, parent.tagName());
            return QDomElement();
        }
        found = e;
    }
    if (found.isNull() && mandatory)
        setMissingClassError(className, parent.tagName());
    return found;
}

QDomElement XMLReaderWriter::childElementByClass(const QDomElement &parent,
                                                 const QString &className)
{
    return findChildByClass(parent, className, false);
}

QDomElement XMLReaderWriter::mandatoryChildElementByClass(const QDomElement &parent,
                                                          const QString &className)
{
    return findChildByClass(parent, className, true);
}

QDomElement XMLReaderWriter::mandatoryElementByTagName(const QDomElement &parent,
                                                       const QString &tagName)
{
    // Walked by hand: only "none", "one" or "more than one" matters, and the
    // walk stops at the second match.
    QDomElement found;
    int matches = 0;
    QDomNode node = parent.firstChild();
    while (!node.isNull() && matches < 2) {
        if (node.isElement()) {
            const QDomElement e = node.toElement();
            if (e.tagName() == tagName) {
                ++matches;
                found = e;
            }
        }
        if (node.hasChildNodes()) {
            node = node.firstChild();
            continue;
        }
        while (!node.isNull() && node != parent && node.nextSibling().isNull())
            node = node.parentNode();
        if (node.isNull() || node == parent)
            break;
        node = node.nextSibling();
    }
    return foundOnce(matches, tagName, parent.tagName()) ? found : QDomElement();
}

bool XMLReaderWriter::foundOnce(int matches, const QString &tagName, const QString &parentTag)
{
    if (matches == 0)
        setError(QStringLiteral("failed to find mandatory element %1 under %2").arg(tagName, parentTag));
    else if (matches > 1)
        setError(QStringLiteral("duplicate elements %1 under %2").arg(tagName, parentTag));
    return matches == 1;
}

void XMLReaderWriter::setMissingClassError(const QString &className, const QString &parentTag)
{
    setError(QStringLiteral("failed to find mandatory element with class %1 under %2").arg(className, parentTag));
}

void XMLReaderWriter::setDuplicateClassError(const QString &className, const QString &parentTag)
{
    setError(QStringLiteral("duplicate element with class %1 under %2").arg(className, parentTag));
}

void XMLReaderWriter::setUnexpectedChildError(const QString &tagName)
{
    setError(QStringLiteral("unexpected dom child inside ") + tagName);
}

QDateTime XMLReaderWriter::parseDateTime(QStringView text)
{
    if (text.isEmpty())
        return QDateTime();
    if (text.size() != 19) {
        qWarning() << "datetime string too long - trying to use a timezone?";
        return QDateTime();
    }
    // The form every writer produces, read without the general parser.
    if (text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')
        && text.at(10) == QLatin1Char('T') && text.at(13) == QLatin1Char(':')
        && text.at(16) == QLatin1Char(':')) {
        const QDate date(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2));
        const QTime time(digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    // Any other ISO 8601 text of this length: its clock value, taken as UTC.
    const QDateTime parsed = QDateTime::fromString(text.toString(), Qt::ISODate);
    if (!parsed.isValid())
        return QDateTime();
    return QDateTime(parsed.date(), parsed.time(), Qt::UTC);
}

QString XMLReaderWriter::dateTimeToString(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return QString();
    // Stored times are UTC; a local time handed in is converted, not relabelled.
    const QDateTime utc = dateTime.timeSpec() == Qt::UTC ? dateTime : dateTime.toUTC();
    const QDate date = utc.date();
    const QTime time = utc.time();
    // Only four-digit years fit the 19-character form the readers accept.
    if (date.year() < 1 || date.year() > 9999)
        return QString();
    QString out;
    out.reserve(19);
    appendDigits(out, date.year(), 4);
    out += QLatin1Char('-');
    appendDigits(out, date.month(), 2);
    out += QLatin1Char('-');
    appendDigits(out, date.day(), 2);
    out += QLatin1Char('T');
    appendDigits(out, time.hour(), 2);
    out += QLatin1Char(':');
    appendDigits(out, time.minute(), 2);
    out += QLatin1Char(':');
    appendDigits(out, time.second(), 2);
    return out;
}

QString XMLReaderWriter::stripInvalidXmlChars(const QString &text)
{
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    qsizetype i = 0;
    // Fast path: nearly every text is clean and is returned shared.
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x20 && c < 0xD800)
            continue;
        if (c == 0x9 || c == 0xA || c == 0xD || (c >= 0xE000 && c <= 0xFFFD))
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            ++i;
            continue;
        }
        break;
    }
    if (i == n)
        return text;

    QString out;
    out.reserve(n);
    out.append(s, i);
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
                out.append(s + i, 2);
                ++i;
            }
            continue;
        }
        if (isXmlChar(c))
            out.append(s[i]);
    }
    return out;
}

bool XMLReaderWriter::checkWellFormedAndDepth(const QByteArray &bytes, int maxDepth,
                                              bool *depthExceeded)
{
    if (depthExceeded)
        *depthExceeded = false;
    QXmlStreamReader reader(bytes);
    // Well-formed as the DOM builder reads it: without namespaces, so that a
    // prefix nobody declared is no reason to refuse here what it accepts.
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > maxDepth) {
                if (depthExceeded)
                    *depthExceeded = true;
                return false;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

int XMLReaderWriter::scanElementDepth(const QByteArray &bytes, int maxDepth)
{
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    // Only ASCII-compatible UTF-8 is scanned: there every byte of markup is
    // markup and never part of a multi-byte character.
    if (end - p >= 3 && uchar(p[0]) == 0xEF && uchar(p[1]) == 0xBB && uchar(p[2]) == 0xBF)
        p += 3;
    if (p == end || (*p != '<' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n'))
        return -1;

    auto find = [end](const char *from, const char *what, size_t n) -> const char * {
        const char *hit = static_cast<const char *>(
            memmem(from, size_t(end - from), what, n));
        return hit ? hit + n : nullptr;
    };
    // The end of a tag, quoted values skipped; null when unterminated.
    auto tagEnd = [end](const char *from) -> const char * {
        for (const char *q = from; q < end; ++q) {
            if (*q == '>')
                return q;
            if (*q == '"' || *q == '\'') {
                const void *close = memchr(q + 1, *q, size_t(end - q - 1));
                if (!close)
                    return nullptr;
                q = static_cast<const char *>(close);
            }
        }
        return nullptr;
    };

    int depth = 0;
    int deepest = 0;
    while (p < end) {
        const void *lt = memchr(p, '<', size_t(end - p));
        if (!lt)
            break;
        p = static_cast<const char *>(lt) + 1;
        if (p == end)
            return -1;
        if (*p == '/') {
            const void *gt = memchr(p, '>', size_t(end - p));
            if (!gt || --depth < 0)
                return -1;
            p = static_cast<const char *>(gt) + 1;
        } else if (*p == '?') {
            const char *declEnd = find(p, "?>", 2);
            if (!declEnd)
                return -1;
            if (p + 4 <= end && memcmp(p, "?xml", 4) == 0) {
                // Another declared encoding: leave it to the exact pass.
                QByteArray decl(p, declEnd - p);
                decl = decl.toLower();
                const qsizetype enc = decl.indexOf("encoding");
                if (enc >= 0 && decl.indexOf("utf-8", enc) < 0)
                    return -1;
            }
            p = declEnd;
        } else if (*p == '!') {
            if (end - p >= 3 && memcmp(p, "!--", 3) == 0) {
                p = find(p + 3, "-->", 3);
            } else if (end - p >= 8 && memcmp(p, "![CDATA[", 8) == 0) {
                p = find(p + 8, "]]>", 3);
            } else {
                // A doctype: an internal subset may declare entities whose
                // text holds markup, which only the exact pass sees.
                const char *gt = tagEnd(p);
                if (!gt || memchr(p, '[', size_t(gt - p)))
                    return -1;
                p = gt + 1;
            }
            if (!p)
                return -1;
        } else {
            const char *gt = tagEnd(p);
            if (!gt)
                return -1;
            const bool empty = gt[-1] == '/';
            if (depth + 1 > deepest) {
                deepest = depth + 1;
                if (deepest > maxDepth)
                    return maxDepth + 1;
            }
            if (!empty)
                ++depth;
            p = gt + 1;
        }
    }
    return depth == 0 ? deepest : -1;
}

bool XMLReaderWriter::openForReading(QIODevice *device)
{
    if (!device) {
        setError(QStringLiteral("Couldn't open device."));
        return false;
    }
    if (!device->isOpen()) {
        if (!device->open(QIODevice::ReadOnly)) {
            setError(QStringLiteral("Couldn't open device.") + device->errorString());
            return false;
        }
    } else if (!device->isReadable()) {
        setError(QStringLiteral("Couldn't open device.") + device->errorString());
        return false;
    }
    return true;
}

namespace {

qint64 g_maxDocumentBytes = XMLReaderWriter::defaultMaxDocumentBytes;

} // namespace

qint64 XMLReaderWriter::maxDocumentBytes()
{
    return g_maxDocumentBytes;
}

void XMLReaderWriter::setMaxDocumentBytes(qint64 bytes)
{
    g_maxDocumentBytes = bytes > 0 ? bytes : defaultMaxDocumentBytes;
}

bool XMLReaderWriter::readBounded(QIODevice *device, QByteArray *bytes)
{
    const qint64 bound = maxDocumentBytes();
    // Bounded, without reserving the bound up front.
    bool tooLarge = false;
    if (!device->isSequential()) {
        tooLarge = device->size() - device->pos() > bound;
        if (!tooLarge && bytes)
            *bytes = device->readAll();
    } else {
        for (;;) {
            const QByteArray chunk = device->read(qMin<qint64>(1 << 20, bound + 1 - bytes->size()));
            if (chunk.isEmpty())
                break;
            *bytes += chunk;
            if (bytes->size() > bound) {
                tooLarge = true;
                break;
            }
        }
    }
    if (tooLarge) {
        setError(QStringLiteral("failed to parse xml: document larger than %1 bytes")
                     .arg(bound));
        return false;
    }
    return true;
}

QDomDocument XMLReaderWriter::readDocument(QIODevice *device)
{
    QByteArray bytes;
    if (!openForReading(device) || !readBounded(device, &bytes))
        return QDomDocument();

    // Depth first: the DOM builder's time grows much faster than the depth.
    // The byte scan is cheap; the exact pass runs where the scan cannot tell.
    const int scanned = scanElementDepth(bytes, maxElementDepth);
    bool tooDeep = scanned > maxElementDepth;
    bool malformed = false;
    if (scanned < 0 && !checkWellFormedAndDepth(bytes, maxElementDepth, &tooDeep))
        malformed = !tooDeep;
    if (tooDeep) {
        setError(tooDeepText());
        return QDomDocument();
    }
    if (malformed) {
        setError(malformedText());
        return QDomDocument();
    }

    QDomDocument doc;
    if (!doc.setContent(bytes, false)) {
        setError(malformedText());
        return QDomDocument();
    }
    return doc;
}

XMLReaderWriter::TokenStream::TokenStream(XMLReaderWriter *frame, QIODevice *device)
    : m_frame(frame)
{
    m_failed = !frame->openForReading(device);
    if (m_failed)
        return;
    // A sequential device is read whole first, as readDocument does, so that
    // its size is known before the first token; any other is measured and
    // read as the tokens need it.
    if (device->isSequential()) {
        m_failed = !frame->readBounded(device, &m_bytes);
        m_buffer.setBuffer(&m_bytes);
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
    } else {
        m_failed = !frame->readBounded(device, nullptr);
        m_reader.setDevice(device);
    }
    m_reader.setNamespaceProcessing(false);
}

bool XMLReaderWriter::TokenStream::readNext()
{
    if (m_failed || m_ended)
        return false;
    const QXmlStreamReader::TokenType token = m_reader.readNext();
    // The DOM builder also refuses a document type declaration that is not
    // the only one or that comes inside the root, which the token reader
    // lets pass.
    if (m_reader.hasError() || (token == QXmlStreamReader::DTD && (m_sawDoctype || m_sawElement))) {
        m_frame->setError(malformedText());
        m_failed = true;
        return false;
    }
    m_sawDoctype = m_sawDoctype || token == QXmlStreamReader::DTD;
    m_sawElement = m_sawElement || token == QXmlStreamReader::StartElement;
    if (token == QXmlStreamReader::StartElement && ++m_depth > maxElementDepth) {
        // Inside a record that may be left out, only a depth past the
        // walk's own bound fails the whole document.
        if (m_deepRecordDepth > 0 && m_depth > m_deepRecordDepth && m_depth <= maxLeftOutElementDepth) {
            m_recordTooDeep = true;
        } else {
            m_frame->setError(tooDeepText());
            m_failed = true;
            return false;
        }
    }
    if (token == QXmlStreamReader::EndElement)
        --m_depth;
    if (token == QXmlStreamReader::EndDocument) {
        m_ended = true;
        return false;
    }
    return true;
}

void XMLReaderWriter::TokenStream::allowDeepRecord(int depth)
{
    m_deepRecordDepth = depth;
    m_recordTooDeep = false;
}

bool XMLReaderWriter::writeDocument(const QDomDocument &doc, QIODevice *device)
{
    if (!device) {
        setError(QStringLiteral("couldn't open device for writing"));
        return false;
    }
    if (!device->isOpen()) {
        if (!device->open(QIODevice::WriteOnly)) {
            setError(QStringLiteral("couldn't open device for writing"));
            return false;
        }
    } else if (!device->isWritable()) {
        setError(QStringLiteral("couldn't open device for writing"));
        return false;
    }

    QString text = doc.toString(1);
    // A tree read from a file may carry its own declaration; ours replaces it
    // (two declarations would make the document unreadable).
    if (text.startsWith(QLatin1String("<?xml")) && (text.size() == 5 || text.at(5).isSpace())) {
        const qsizetype end = text.indexOf(QLatin1String("?>"));
        qsizetype from = end < 0 ? text.size() : end + 2;
        while (from < text.size() && text.at(from).isSpace())
            ++from;
        text.remove(0, from);
    }
    QByteArray bytes(xmlDeclaration);
    bytes += stripInvalidXmlChars(text).toUtf8();
    // Never a file the reader refuses for its size: the previous one stays.
    if (bytes.size() > maxDocumentBytes()) {
        setError(QStringLiteral("the document takes %1 bytes, more than the %2 a file may hold: not written")
                     .arg(bytes.size())
                     .arg(maxDocumentBytes()));
        return false;
    }

    // A short or failed write must not pass for success: the callers keep the
    // previous file when this returns false.
    const qint64 written = device->write(bytes);
    bool ok = written == bytes.size();
    if (ok) {
        if (auto *file = qobject_cast<QFileDevice *>(device))
            ok = file->flush() && file->error() == QFileDevice::NoError;
    }
    if (!ok) {
        setError(QStringLiteral("couldn't write document: ") + device->errorString());
        return false;
    }
    return true;
}
