#include "sync/uploadmark.h"

#include "model/notepadnote.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QSet>

namespace {

const QChar Separator(0x1f);

QString hashOf(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString definitionsOf(const QDomElement &dl, const QSet<QString> &skipped, const QSet<QString> &kept)
{
    QString out;
    QString key;
    for (QDomElement e = dl.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() == QLatin1String("dt")) {
            key = e.text();
            continue;
        }
        if (skipped.contains(key) || (!kept.isEmpty() && !kept.contains(key)))
            continue;
        out += key + Separator + e.text() + Separator;
    }
    return out;
}

// Every element below `parent` in document order, with its class and text,
// except the removed tasks and the server's own keys.
void walk(const QDomElement &parent, QString &out)
{
    static const QSet<QString> serverTaskKeys{
        QStringLiteral("id"), QStringLiteral("revision"), QStringLiteral("hashcode"),
        QStringLiteral("created-by"), QStringLiteral("done-by"), QStringLiteral("last-modified-by"),
        QStringLiteral("modification-time")};
    static const QSet<QString> listKeys{QStringLiteral("name"), QStringLiteral("done"),
                                        QStringLiteral("description")};
    for (QDomNode n = parent.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isText()) {
            const QString text = n.toText().data().trimmed();
            if (!text.isEmpty())
                out += text + Separator;
            continue;
        }
        const QDomElement e = n.toElement();
        if (e.isNull())
            continue;
        const QString cls = e.attribute(QStringLiteral("class"));
        if (cls == QLatin1String("pd-removed-tasks"))
            continue;
        out += QLatin1Char('<') + cls + Separator;
        if (cls == QLatin1String("pd-list-fields"))
            out += definitionsOf(e, {}, listKeys);
        else if (cls == QLatin1String("pd-task-fields"))
            out += definitionsOf(e, serverTaskKeys, {});
        else
            walk(e, out);
        out += QLatin1Char('>');
    }
}

QDomElement listElement(const QDomElement &parent)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("class")) == QLatin1String("pd-list"))
            return e;
        const QDomElement found = listElement(e);
        if (!found.isNull())
            return found;
    }
    return QDomElement();
}

} // namespace

QString UploadMark::make(quint32 highestKnownId, const QString &digest)
{
    return QString::number(highestKnownId) + QLatin1Char(':') + digest;
}

bool UploadMark::parse(const QString &mark, quint32 *highestKnownId, QString *digest)
{
    const qsizetype colon = mark.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == mark.size() - 1)
        return false;
    bool ok = false;
    const quint32 id = mark.left(colon).toUInt(&ok);
    if (!ok)
        return false;
    *highestKnownId = id;
    *digest = mark.mid(colon + 1);
    return true;
}

bool UploadMark::matches(const QString &mark, quint32 id, const QString &digest)
{
    quint32 highest = 0;
    QString recorded;
    return parse(mark, &highest, &recorded) && id > highest && recorded == digest;
}

bool UploadMark::unchangedSince(const QString &mark, const QString &digest)
{
    quint32 highest = 0;
    QString recorded;
    return parse(mark, &highest, &recorded) && recorded == digest;
}

QString UploadMark::listDigest(TaskList *list)
{
    TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
    const QDomDocument doc = writer.writeSingleList(list);
    QString out;
    walk(listElement(doc.documentElement()), out);
    return hashOf(out);
}

QString UploadMark::noteDigest(const NotepadNote *note)
{
    return hashOf(note->title() + Separator + note->text());
}
