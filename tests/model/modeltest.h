#ifndef MODELTEST_H
#define MODELTEST_H

// Builders and checks shared by the model's test programs.

#include "model/notepadnote.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <ctime>

namespace ModelTest {

inline QDateTime utc(const char *isoText)
{
    return QDateTime::fromString(QLatin1String(isoText), Qt::ISODate).toUTC();
}

inline Task *addTask(Task *parent, const QString &title, quint32 id = 0)
{
    Task *task = new Task;
    task->setTitle(title);
    task->setId(id);
    parent->insertChild(task, parent->childCount());
    return task;
}

inline TaskList *makeList(TaskList::SyncStatus status, quint32 serverId = 0, const QString &name = QStringLiteral("l"),
                          quint32 localId = 0)
{
    TaskList *list = TaskList::create();
    list->setSyncStatus(status);
    list->setName(name);
    list->setLocalId(localId);
    if (serverId) {
        list->setServerId(serverId);
        list->setRevision(1);
    }
    return list;
}

inline NotepadNote *makeNote(const QString &title, NotepadNote::SyncStatus status = NotepadNote::New, quint32 id = 0,
                             quint32 revision = 0, const QString &text = QString())
{
    auto *note = new NotepadNote;
    note->setSyncStatus(status);
    note->setServerId(id);
    note->setRevision(revision);
    note->setTitle(title);
    note->setText(text);
    return note;
}

inline const QString &hash32()
{
    static const QString hash = QStringLiteral("0123456789abcdef0123456789abcdef");
    return hash;
}

// A task with every field set, three kinds of attachment and three children:
// one plain, one whose note has only a text, one whose note has only a time.
inline Task *fullTask(const QString &title)
{
    Task *task = new Task;
    task->setTitle(title);
    task->setDone(true);
    task->setPriority(TaskPriority(TaskPriority::Urgent));
    task->setNote(utc("2009-05-31T12:00:00Z"), QStringLiteral("semi-skimmed,\n2 l & <more>"));
    task->setAlarmTime(utc("2009-06-02T07:30:00Z"));
    task->setId(4000000001u);
    task->setRevision(2);
    task->setHashcode(hash32());
    task->setCreationTime(utc("2009-05-30T10:00:00Z"));
    task->setModificationTime(utc("2009-06-01T07:45:12Z"));
    task->setDeletionTime(utc("2009-06-01T07:50:00Z"));
    task->setStartTime(utc("2009-06-01T09:00:00Z"));
    task->setDueTime(utc("2009-06-03T17:00:00Z"));
    task->setCreatedBy(QStringLiteral("me"));
    task->setDoneBy(QStringLiteral("alice"));
    task->setLastModifiedBy(QStringLiteral("bob"));
    task->setOutlookId(QStringLiteral("00000000F0E1D2C3B4A59687"));
    task->setExpanded(false);
    task->assign(QStringLiteral("alice"));
    task->assign(QStringLiteral("me"));
    task->createAttachment(QStringLiteral("webHyperlink"), QStringLiteral("Shop"), QStringLiteral("http://shop.example.com/milk"));
    TaskAttachment *video = task->createAttachment(QStringLiteral("videoHyperlink"), QStringLiteral("Clip"),
                                                   QStringLiteral("http://video.example.com/v/123"));
    video->setDescription(QStringLiteral("short clip"));
    video->setAdditionalData(QStringLiteral("width;640;height;480;thumbnail;http://video.example.com/t/1.jpg"));
    TaskAttachment *plain = task->createAttachment(QStringLiteral("generic"), QStringLiteral("Doc"),
                                                   QStringLiteral("http://example.com/a%20b/%C3%A9t%C3%A9?q=x%26y"));
    plain->setDescription(QStringLiteral(""));
    for (int i = 0; i < 3; ++i) {
        Task *kid = addTask(task, QStringLiteral("child %1").arg(i));
        kid->setRevision(1);
        kid->setHashcode(hash32());
        if (i == 1)
            kid->setNote(QDateTime(), QStringLiteral("text only"));
        if (i == 2)
            kid->setNote(utc("2009-05-31T12:00:00Z"), QString());
    }
    return task;
}

// Every field of a task and of its subtree, an entry a field, each named by
// the task's path and the field, so that a comparison shows the field that
// differs. Without `local` the fields only the local file keeps (Outlook id,
// expanded) are left out.
inline QStringList dump(const Task *t, bool local = true, const QString &path = QStringLiteral("0"))
{
    auto time = [](const QDateTime &d) { return d.isNull() ? QStringLiteral("-") : d.toUTC().toString(Qt::ISODateWithMs); };
    auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("(null)") : QLatin1Char('"') + s + QLatin1Char('"'); };
    QStringList f{text(t->title()), t->isDone() ? QStringLiteral("done") : QStringLiteral("open"),
                  t->priority().toString(), time(t->note().addedTime()), QLatin1Char('"') + t->note().text() + QLatin1Char('"'),
                  time(t->alarmTime()), QString::number(t->id()), QString::number(t->revision()), t->hashcode(),
                  time(t->creationTime()), time(t->modificationTime()), time(t->deletionTime()),
                  time(t->startTime()), time(t->dueTime()), t->createdBy(), t->doneBy(), t->lastModifiedBy(),
                  t->assignments().join(QLatin1Char(','))};
    if (local)
        f << t->outlookId() << (t->isExpanded() ? QStringLiteral("expanded") : QStringLiteral("collapsed"));
    for (const TaskAttachment *a : t->attachments())
        f << QStringLiteral("%1 %2 %3 %4 %5").arg(a->typeName(), a->name(), a->url().toString(),
                                                  text(a->description()), text(a->additionalData()));
    for (int i = 0; i < f.size(); ++i)
        f[i].prepend(path + QLatin1Char('#') + QString::number(i) + QLatin1Char(' '));
    for (int i = 0; i < t->childCount(); ++i)
        f << dump(t->child(i), local, path + QLatin1Char('.') + QString::number(i));
    return f;
}

// "key=value|key=value" as the dt and dd pairs of a definition list.
inline QString fields(const QString &pairs)
{
    QString xml;
    for (const QString &part : pairs.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const int eq = int(part.indexOf(QLatin1Char('=')));
        xml += QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(part.left(eq), part.mid(eq + 1));
    }
    return xml;
}

inline QDomDocument parse(const QString &xml)
{
    QDomDocument doc;
    if (!doc.setContent(xml, false))
        qFatal("test document does not parse");
    return doc;
}

inline QDomDocument parseBytes(const QByteArray &bytes)
{
    QDomDocument doc;
    if (!doc.setContent(bytes, false))
        qFatal("written document does not parse");
    return doc;
}

// The element structure below `e`, a line an element: tag, class, href, a
// meta's name and content, a text; a definition list on one line with its
// terms (and values when `values`).
inline QString outline(const QDomElement &e, bool values = false, int depth = 0)
{
    QString line = QString(depth, QLatin1Char(' ')) + e.tagName();
    if (e.hasAttribute(QStringLiteral("class")))
        line += QLatin1Char('.') + e.attribute(QStringLiteral("class"));
    if (e.hasAttribute(QStringLiteral("href")))
        line += QStringLiteral(" href=") + e.attribute(QStringLiteral("href"));
    if (e.tagName() == QLatin1String("meta"))
        line += QLatin1Char(' ') + e.attribute(QStringLiteral("name")) + QLatin1Char('=') + e.attribute(QStringLiteral("content"));
    if (e.tagName() == QLatin1String("dl")) {
        line += QLatin1Char(':');
        for (QDomElement dt = e.firstChildElement(QStringLiteral("dt")); !dt.isNull(); dt = dt.nextSiblingElement(QStringLiteral("dt")))
            line += QLatin1Char(' ') + dt.text() + (values ? QLatin1Char('=') + dt.nextSiblingElement().text() : QString());
        return line + QLatin1Char('\n');
    }
    const QDomNode first = e.firstChild();
    if (first.isText() && !first.nodeValue().trimmed().isEmpty())
        line += QStringLiteral(" \"") + first.nodeValue() + QLatin1Char('"');
    QString out = line + QLatin1Char('\n');
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        out += outline(c, values, depth + 1);
    return out;
}

inline QDomElement bodyOf(const QDomDocument &doc)
{
    return doc.documentElement().firstChildElement(QStringLiteral("body"));
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file");
}

// The bytes of the one file kept aside for `path` ("<path>.unreadable-…").
inline QByteArray keptAsideBytes(const QString &path)
{
    const QFileInfo info(path);
    const QStringList names = QDir(info.path()).entryList({info.fileName() + QStringLiteral(".unreadable-*")}, QDir::Files);
    return names.size() == 1 ? readFile(info.path() + QLatin1Char('/') + names.first())
                             : QByteArray::number(names.size()) + " files kept aside";
}

// Sets the local time zone for its lifetime.
class TimeZone
{
public:
    explicit TimeZone(const char *zone) : m_old(qgetenv("TZ")) { set(zone); }
    ~TimeZone() { set(m_old.isEmpty() ? nullptr : m_old.constData()); }
    void set(const char *zone)
    {
        zone ? qputenv("TZ", zone) : qunsetenv("TZ");
        tzset();
    }

private:
    const QByteArray m_old;
};

} // namespace ModelTest

#endif
