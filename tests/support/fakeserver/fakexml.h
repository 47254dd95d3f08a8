#ifndef FAKEXML_H
#define FAKEXML_H

// The fake server's own document helpers: literal XHTML text for answers, a
// bounded DOM reader and class/field look-ups for checking request bodies,
// and zlib both ways. Nothing here comes from the program.

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QPair>
#include <QString>

namespace FakeXml {

QString escape(const QString &text);
// <!DOCTYPE ...><html xmlns=...><head><title>title</title><meta generator/></head><body>inner</body></html>
QByteArray document(const QString &title, const QByteArray &bodyInner);
// <dl class="cls"><dt>k</dt><dd>v</dd>...</dl>
QByteArray dl(const QString &cls, const QList<QPair<QString, QString>> &fields);
QByteArray element(const char *tag, const QString &cls, const QByteArray &inner);
QByteArray textElement(const char *tag, const QString &cls, const QString &text);

// Parses with a linear depth check first (at most maxDepth nested elements).
bool parse(const QByteArray &bytes, QDomDocument *doc, QString *error, int maxDepth = 512);

// Descendants (not the element itself) whose class attribute equals cls.
QList<QDomElement> descendantsByClass(const QDomElement &root, const QString &cls);
QList<QDomElement> childrenByClass(const QDomElement &parent, const QString &cls);
QList<QDomElement> childElements(const QDomElement &parent);
// Exactly one descendant with class cls; null element otherwise (and *count set).
QDomElement oneByClass(const QDomElement &root, const QString &cls, int *count = nullptr);
// dt/dd pairs of a dl, in order.
QList<QPair<QString, QString>> fields(const QDomElement &dl);
bool hasKey(const QList<QPair<QString, QString>> &fields, const QString &key);
QString value(const QList<QPair<QString, QString>> &fields, const QString &key);
QString headTitle(const QDomDocument &doc);
QString metaContent(const QDomDocument &doc, const QString &name, bool *found = nullptr);

bool isTime19(const QString &text);  // YYYY-MM-DDThh:mm:ss
bool isDecimalId(const QString &text); // unsigned 32-bit decimal, no blanks or sign
quint32 toId(const QString &text);     // 0 when not a decimal id

// zlib (RFC 1950), level 6.
QByteArray compress(const QByteArray &data);
// Whether the first two bytes form a zlib header.
bool looksLikeZlib(const QByteArray &data);
// Inflates at most maxOut bytes; false on a damaged or longer stream.
bool inflate(const QByteArray &data, QByteArray *out, qint64 maxOut);
// A small zlib stream that inflates to `size` zero bytes.
QByteArray bomb(qint64 size);

} // namespace FakeXml

#endif
