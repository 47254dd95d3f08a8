// The lists file read two ways from the same bytes: streamed (loadLists,
// what the program does) and through a whole DOM (readDocument, then
// readLists). Both must give the same lists, or the same error; a document
// both malformed and nested too deep may be refused with either reason.
// Shared by the differential test and its fuzz target.
#ifndef LISTSDIFFERENTIAL_H
#define LISTSDIFFERENTIAL_H

#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"

#include <QBuffer>
#include <QStringList>

namespace ListsDifferential {

inline QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("<null>") : QLatin1Char('"') + s + QLatin1Char('"');
}

inline QString text(const QDateTime &t)
{
    return t.isNull() ? QStringLiteral("<null>") : t.toString(Qt::ISODateWithMs) + QString::number(t.timeSpec());
}

// Every field a reader sets, blank tasks included.
inline void dumpTask(QStringList &out, const Task *t, const QString &indent)
{
    out << indent
            + QStringList{text(t->title()), QString::number(t->isDone()), QString::number(t->priority().value()),
                          text(t->note().addedTime()), text(t->note().text()), text(t->alarmTime()),
                          QString::number(t->id()), QString::number(t->revision()), text(t->hashcode()),
                          text(t->creationTime()), text(t->modificationTime()), text(t->deletionTime()),
                          text(t->startTime()), text(t->dueTime()), text(t->createdBy()), text(t->doneBy()),
                          text(t->lastModifiedBy()), text(t->outlookId()), QString::number(t->isExpanded()),
                          t->assignments().join(QLatin1Char(','))}
                  .join(QLatin1Char('|'));
    for (const TaskAttachment *a : t->attachments())
        out << indent + QStringLiteral("@ %1 %2 %3 %4 %5 %6")
                            .arg(a->type())
                            .arg(text(a->typeName()), text(a->name()), a->url().toString(), text(a->description()),
                                 text(a->additionalData()));
    for (int i = 0; i < t->childCount(); ++i)
        dumpTask(out, t->child(i), indent + QLatin1Char(' '));
}

inline void dumpList(QStringList &out, const TaskList *l)
{
    out << QStringList{QString::number(l->syncStatus()), QString::number(l->serverId()),
                       QString::number(l->revision()), QString::number(l->localId()), text(l->name()),
                       text(l->outlookId()), text(l->owner()), QString::number(l->isOwned()), text(l->permissions()),
                       QString::number(l->isDone()), text(l->description())}
               .join(QLatin1Char('|'));
    dumpTask(out, l->rootTask(), QStringLiteral(" "));
    for (const Task *t : l->removedTasks())
        dumpTask(out, t, QStringLiteral("-"));
}

inline QString dump(const UserLists *lists)
{
    QStringList out;
    out << QString::number(lists->isDisplayOrderChanged()) + text(lists->outlookLastSyncTime());
    for (const ListModel *m : lists->models()) {
        const QMap<QString, QString> users = m->sharedUsers();
        QStringList shared;
        for (auto it = users.cbegin(); it != users.cend(); ++it)
            shared << it.key() + QLatin1Char('=') + it.value();
        out << QStringLiteral("model %1 %2 %3%4%5%6 %7")
                   .arg(m->isSharedEdited())
                   .arg(m->sharedRevision())
                   .arg(m->showStartTimeColumn())
                   .arg(m->showEndTimeColumn())
                   .arg(m->showElapsedTimeColumn())
                   .arg(m->showAssignmentColumn())
                   .arg(shared.join(QLatin1Char(',')));
        dumpList(out, m->taskList());
    }
    for (const TaskList *l : lists->deletedLists()) {
        out << QStringLiteral("deleted");
        dumpList(out, l);
    }
    return out.join(QLatin1Char('\n'));
}

// What one way of reading gave: the lists' dump, or the error text.
struct Outcome
{
    bool loaded = false;
    QString result;
};

// The lists read, then the records left out.
inline Outcome outcomeOf(UserLists *lists, const TaskReaderWriter &reader)
{
    Outcome o{lists != nullptr, lists ? dump(lists) : reader.errorString()};
    if (lists) {
        for (const UnreadRecord &r : reader.unreadRecords())
            o.result += QStringLiteral("\nleft out %1 %2 %3 %4").arg(r.position).arg(text(r.name)).arg(r.serverId).arg(r.reason);
    }
    delete lists;
    return o;
}

// `skipping`: the readers leave out the lists they refuse.
inline Outcome streamed(QIODevice *device, bool skipping = false)
{
    TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
    reader.setSkipsUnreadRecords(skipping);
    return outcomeOf(reader.loadLists(device), reader);
}

inline Outcome streamed(QByteArray bytes, bool skipping = false)
{
    QBuffer buffer(&bytes);
    return streamed(&buffer, skipping);
}

inline Outcome throughTree(QByteArray bytes, bool skipping = false)
{
    QBuffer buffer(&bytes);
    TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
    reader.setSkipsUnreadRecords(skipping);
    const QDomDocument doc = reader.readDocument(&buffer);
    UserLists *lists = doc.isNull() ? nullptr : reader.readLists(doc);
    if (lists && !reader.errorString().isEmpty()) {
        delete lists;
        lists = nullptr;
    }
    return outcomeOf(lists, reader);
}

// Empty when the two agree; otherwise what differs.
inline QString difference(const Outcome &stream, const Outcome &tree)
{
    if (stream.loaded == tree.loaded && stream.result == tree.result)
        return QString();
    const QString malformed = QStringLiteral("failed to parse xml");
    const QString tooDeep = QStringLiteral("failed to parse xml: elements nested deeper than %1 levels")
                                .arg(XMLReaderWriter::maxElementDepth);
    const QStringList refusals{malformed, tooDeep};
    if (!stream.loaded && !tree.loaded && refusals.contains(stream.result) && refusals.contains(tree.result))
        return QString();
    return QStringLiteral("stream %1:\n%2\ntree %3:\n%4")
        .arg(stream.loaded ? QStringLiteral("read") : QStringLiteral("refused"), stream.result,
             tree.loaded ? QStringLiteral("read") : QStringLiteral("refused"), tree.result);
}

inline QString difference(const QByteArray &bytes, bool skipping = false)
{
    return difference(streamed(bytes, skipping), throughTree(bytes, skipping));
}

} // namespace ListsDifferential

#endif
