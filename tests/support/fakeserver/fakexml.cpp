#include "fakexml.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <zlib.h>

namespace FakeXml {

QString escape(const QString &text)
{
    QString out = text.toHtmlEscaped(); // & < > "
    return out;
}

QByteArray document(const QString &title, const QByteArray &bodyInner)
{
    QByteArray out;
    out += "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
           "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
           " <head>\n  <title>";
    out += escape(title).toUtf8();
    out += "</title>\n  <meta name=\"generator\" content=\"PlumDeck\"/>\n </head>\n <body>\n";
    out += bodyInner;
    out += "\n </body>\n</html>\n";
    return out;
}

QByteArray dl(const QString &cls, const QList<QPair<QString, QString>> &fields)
{
    QByteArray out = "<dl class=\"" + escape(cls).toUtf8() + "\">";
    for (const auto &f : fields) {
        out += "<dt>" + escape(f.first).toUtf8() + "</dt>";
        if (f.second.isEmpty())
            out += "<dd/>";
        else
            out += "<dd>" + escape(f.second).toUtf8() + "</dd>";
    }
    out += "</dl>";
    return out;
}

QByteArray element(const char *tag, const QString &cls, const QByteArray &inner)
{
    QByteArray out = QByteArray("<") + tag;
    if (!cls.isEmpty())
        out += " class=\"" + escape(cls).toUtf8() + "\"";
    if (inner.isEmpty())
        return out + "/>";
    return out + ">" + inner + "</" + tag + ">";
}

QByteArray textElement(const char *tag, const QString &cls, const QString &text)
{
    return element(tag, cls, escape(text).toUtf8());
}

bool parse(const QByteArray &bytes, QDomDocument *doc, QString *error, int maxDepth)
{
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > maxDepth) {
            *error = QStringLiteral("nesting deeper than %1 elements").arg(maxDepth);
            return false;
        }
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    if (reader.hasError()) {
        *error = QStringLiteral("not well-formed: %1 at line %2")
                     .arg(reader.errorString()).arg(reader.lineNumber());
        return false;
    }
    QString message;
    int line = 0;
    if (!doc->setContent(bytes, false, &message, &line)) {
        *error = QStringLiteral("not well-formed: %1 at line %2").arg(message).arg(line);
        return false;
    }
    return true;
}

static void collect(const QDomElement &e, const QString &cls, QList<QDomElement> &out)
{
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        if (c.attribute(QStringLiteral("class")) == cls)
            out.append(c);
        collect(c, cls, out);
    }
}

QList<QDomElement> descendantsByClass(const QDomElement &root, const QString &cls)
{
    QList<QDomElement> out;
    collect(root, cls, out);
    return out;
}

QList<QDomElement> childrenByClass(const QDomElement &parent, const QString &cls)
{
    QList<QDomElement> out;
    for (QDomElement c = parent.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        if (c.attribute(QStringLiteral("class")) == cls)
            out.append(c);
    return out;
}

QList<QDomElement> childElements(const QDomElement &parent)
{
    QList<QDomElement> out;
    for (QDomElement c = parent.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        out.append(c);
    return out;
}

QDomElement oneByClass(const QDomElement &root, const QString &cls, int *count)
{
    const QList<QDomElement> all = descendantsByClass(root, cls);
    if (count)
        *count = int(all.size());
    return all.size() == 1 ? all.first() : QDomElement();
}

QList<QPair<QString, QString>> fields(const QDomElement &dl)
{
    QList<QPair<QString, QString>> out;
    QString term;
    bool haveTerm = false;
    for (QDomElement c = dl.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        if (c.tagName() == QLatin1String("dt")) {
            term = c.text();
            haveTerm = true;
        } else if (c.tagName() == QLatin1String("dd") && haveTerm) {
            out.append({term, c.text()});
            haveTerm = false;
        }
    }
    return out;
}

bool hasKey(const QList<QPair<QString, QString>> &fields, const QString &key)
{
    for (const auto &f : fields)
        if (f.first == key)
            return true;
    return false;
}

QString value(const QList<QPair<QString, QString>> &fields, const QString &key)
{
    for (const auto &f : fields)
        if (f.first == key)
            return f.second;
    return QString();
}

QString headTitle(const QDomDocument &doc)
{
    const QDomNodeList heads = doc.elementsByTagName(QStringLiteral("head"));
    if (heads.size() != 1)
        return QString();
    const QDomNodeList titles = heads.at(0).toElement().elementsByTagName(QStringLiteral("title"));
    return titles.size() == 1 ? titles.at(0).toElement().text() : QString();
}

QString metaContent(const QDomDocument &doc, const QString &name, bool *found)
{
    const QDomNodeList metas = doc.elementsByTagName(QStringLiteral("meta"));
    for (int i = 0; i < metas.size(); ++i) {
        const QDomElement m = metas.at(i).toElement();
        if (m.attribute(QStringLiteral("name")) == name) {
            if (found)
                *found = true;
            return m.attribute(QStringLiteral("content"));
        }
    }
    if (found)
        *found = false;
    return QString();
}

bool isTime19(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
    return text.size() == 19 && re.match(text).hasMatch()
        && QDateTime::fromString(text, Qt::ISODate).isValid();
}

bool isDecimalId(const QString &text)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    text.toUInt(&ok);
    return ok;
}

quint32 toId(const QString &text)
{
    return isDecimalId(text) ? text.toUInt() : 0;
}

QByteArray compress(const QByteArray &data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                  reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()), 6) != Z_OK)
        return QByteArray();
    out.resize(qsizetype(size));
    return out;
}

bool looksLikeZlib(const QByteArray &data)
{
    if (data.size() < 2)
        return false;
    const unsigned b0 = quint8(data[0]), b1 = quint8(data[1]);
    return (b0 & 0x0f) == 8 && (b0 >> 4) <= 7 && ((b0 << 8) | b1) % 31 == 0;
}

bool inflate(const QByteArray &data, QByteArray *out, qint64 maxOut)
{
    z_stream s{};
    if (inflateInit(&s) != Z_OK)
        return false;
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    out->clear();
    char chunk[16384];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        s.next_out = reinterpret_cast<Bytef *>(chunk);
        s.avail_out = sizeof chunk;
        rc = ::inflate(&s, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        out->append(chunk, qsizetype(sizeof chunk - s.avail_out));
        if (out->size() > maxOut) {
            rc = Z_MEM_ERROR;
            break;
        }
        if (rc == Z_OK && s.avail_in == 0 && s.avail_out != 0)
            break; // input ended before the stream did
    }
    inflateEnd(&s);
    return rc == Z_STREAM_END;
}

QByteArray bomb(qint64 size)
{
    z_stream s{};
    deflateInit(&s, 9);
    QByteArray zeros(1 << 20, '\0');
    QByteArray out;
    char chunk[16384];
    qint64 left = size;
    while (true) {
        const qint64 n = qMin<qint64>(left, zeros.size());
        left -= n;
        s.next_in = reinterpret_cast<Bytef *>(zeros.data());
        s.avail_in = uInt(n);
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int rc;
        do {
            s.next_out = reinterpret_cast<Bytef *>(chunk);
            s.avail_out = sizeof chunk;
            rc = deflate(&s, flush);
            out.append(chunk, qsizetype(sizeof chunk - s.avail_out));
        } while (s.avail_out == 0);
        if (flush == Z_FINISH || rc == Z_STREAM_END)
            break;
    }
    deflateEnd(&s);
    return out;
}

} // namespace FakeXml
