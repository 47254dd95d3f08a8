#include "sync/merges/uploadmark.h"

#include "model/notepadnote.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace {

const QChar Separator(0x1f);

QString hashOf(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

// The digests kept per task: short, as a list's mark holds one pair a task.
QString shortHashOf(const QString &text)
{
    return hashOf(text).left(12);
}

const QString PutPrefix = QStringLiteral("put3:");
const QString WholePutPrefix = QStringLiteral("wholeput:");
const QString ReplacePrefix = QStringLiteral("replaces:");
const QString WholeText = QStringLiteral("whole");
const QString WholeImportText = QStringLiteral("whole restored");
const QString ForcedRemovalPrefix = QStringLiteral("forced removal:");
const QString RestoredText = QStringLiteral("restored");
const QString OldPutPrefix = QStringLiteral("put:");
const QString NotePutPrefix = QStringLiteral("noteput:");
const QString RestoredPrefix = QStringLiteral("restored:");

QString timeText(const QDateTime &time)
{
    return time.isValid() ? QString::number(time.toSecsSinceEpoch()) : QString();
}

// As the writer leaves them out: rows whose whole subtree is untyped.
void collectUploaded(Task *task, QList<Task *> &out)
{
    for (Task *child : task->children()) {
        if (child->isUntypedRecursively())
            continue;
        out.append(child);
        collectUploaded(child, out);
    }
}

QString tasksText(const QList<UploadMark::SentTask> &tasks)
{
    QStringList entries;
    entries.reserve(tasks.size());
    for (const UploadMark::SentTask &task : tasks)
        entries << task.identity + QLatin1Char('.') + task.contents.join(QLatin1Char('.'));
    return entries.join(QLatin1Char(','));
}

QString knownText(const QHash<quint32, QStringList> &known)
{
    QList<quint32> ids = known.keys();
    std::sort(ids.begin(), ids.end());
    QStringList entries;
    entries.reserve(ids.size());
    for (quint32 id : std::as_const(ids))
        entries << QString::number(id) + QLatin1Char('.') + known.value(id).join(QLatin1Char('.'));
    return entries.join(QLatin1Char(','));
}

bool readKnown(const QString &text, QHash<quint32, QStringList> *known)
{
    if (text.isEmpty())
        return true;
    const QStringList entries = text.split(QLatin1Char(','));
    for (const QString &entry : entries) {
        QStringList parts = entry.split(QLatin1Char('.'));
        bool ok = false;
        const quint32 id = parts.takeFirst().toUInt(&ok);
        if (!ok || id == 0 || parts.isEmpty() || parts.contains(QString()))
            return false;
        known->insert(id, parts);
    }
    return true;
}

QString idsText(const QSet<quint32> &ids)
{
    QList<quint32> sorted(ids.cbegin(), ids.cend());
    std::sort(sorted.begin(), sorted.end());
    QStringList out;
    out.reserve(sorted.size());
    for (quint32 id : std::as_const(sorted))
        out << QString::number(id);
    return out.join(QLatin1Char(','));
}

bool readIds(const QString &text, QSet<quint32> *ids)
{
    if (text.isEmpty())
        return true;
    const QStringList entries = text.split(QLatin1Char(','));
    for (const QString &entry : entries) {
        bool ok = false;
        const quint32 id = entry.toUInt(&ok);
        if (!ok || id == 0)
            return false;
        ids->insert(id);
    }
    return true;
}

bool readTasks(const QString &text, QList<UploadMark::SentTask> *tasks)
{
    if (text.isEmpty())
        return true;
    const QStringList entries = text.split(QLatin1Char(','));
    for (const QString &entry : entries) {
        QStringList parts = entry.split(QLatin1Char('.'));
        if (parts.size() < 2 || parts.contains(QString()))
            return false;
        const QString identity = parts.takeFirst();
        tasks->append({identity, parts});
    }
    return true;
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

UploadMark UploadMark::read(const QString &text)
{
    UploadMark mark;
    if (text == RestoredText) {
        mark.m_kind = Restored;
        return mark;
    }
    if (text.startsWith(RestoredPrefix)) {
        bool ok = false;
        mark.m_restored = text.mid(RestoredPrefix.size()).toUInt(&ok);
        if (ok && mark.m_restored != 0)
            mark.m_kind = EarlierRestore;
        return mark;
    }
    if (text == WholeText || text == WholeImportText) {
        mark.m_kind = Whole;
        mark.m_ofImport = text == WholeImportText;
        return mark;
    }
    if (text.startsWith(ForcedRemovalPrefix)) {
        bool ok = false;
        mark.m_seen = text.mid(ForcedRemovalPrefix.size()).toUInt(&ok);
        if (ok && mark.m_seen != 0) {
            mark.m_kind = Whole;
            mark.m_forcedRemoval = true;
        } else {
            mark.m_seen = 0;
        }
        return mark;
    }
    for (const QString &whole : {WholeText, WholeImportText}) {
        if (!text.startsWith(whole + QLatin1Char(':')))
            continue;
        bool ok = false;
        mark.m_seen = text.mid(whole.size() + 1).toUInt(&ok);
        if (ok && mark.m_seen != 0) {
            mark.m_kind = Whole;
            mark.m_ofImport = whole == WholeImportText;
        } else {
            mark.m_seen = 0;
        }
        return mark;
    }
    if (text.startsWith(ReplacePrefix)) {
        bool ok = false;
        mark.m_replaced = text.mid(ReplacePrefix.size()).toUInt(&ok);
        if (ok && mark.m_replaced != 0)
            mark.m_kind = Replace;
        return mark;
    }
    if (text.startsWith(WholePutPrefix)) {
        // wholeput:<seen revision>[.<whole copy sent>]:<as put3>
        const qsizetype end = text.indexOf(QLatin1Char(':'), WholePutPrefix.size());
        const QStringList head = text.mid(WholePutPrefix.size(), end - WholePutPrefix.size()).split(QLatin1Char('.'));
        bool ok = false;
        const quint32 seen = head.first().toUInt(&ok);
        if (end < 0 || !ok || seen == 0)
            return UploadMark();
        mark = read(PutPrefix + text.mid(end + 1));
        if (mark.m_kind == Put) {
            mark.m_seen = seen;
            mark.m_wholeCopy = head.value(1);
        }
        return mark;
    }
    if (text.startsWith(PutPrefix)) {
        // put3:<arrived>:<fields>:<tasks without id>:<tasks with id>:<removed>
        const QStringList parts = text.mid(PutPrefix.size()).split(QLatin1Char(':'));
        if (parts.size() != 5 || (parts.at(0) != QLatin1String("0") && parts.at(0) != QLatin1String("1"))
            || !readTasks(parts.at(2), &mark.m_tasks) || !readKnown(parts.at(3), &mark.m_known)
            || !readIds(parts.at(4), &mark.m_removed)) {
            return UploadMark();
        }
        mark.m_arrived = parts.at(0) == QLatin1String("1");
        mark.m_fields = parts.at(1).split(QLatin1Char('.'), Qt::SkipEmptyParts);
        mark.m_kind = Put;
        return mark;
    }
    if (text.startsWith(NotePutPrefix)) {
        // noteput:<title>.<text>[,<title>.<text>...], digests of each update
        for (const QString &entry : text.mid(NotePutPrefix.size()).split(QLatin1Char(','))) {
            const QStringList parts = entry.split(QLatin1Char('.'));
            if (parts.size() != 2 || parts.contains(QString()))
                return UploadMark();
            mark.m_fields << entry;
        }
        mark.m_kind = NotePut;
        return mark;
    }
    if (text.startsWith(OldPutPrefix)) {
        // Written before tasks were told by identity: its copies cannot be
        // told apart from other tasks, so none are taken for them.
        mark.m_kind = Put;
        return mark;
    }
    // <highest>:<digest>[:<fields>:<tasks>[:<replaced id>]]
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2 && parts.size() != 4 && parts.size() != 5)
        return mark;
    bool ok = false;
    const quint32 highest = parts.at(0).toUInt(&ok);
    if (!ok || parts.at(1).isEmpty())
        return mark;
    if (parts.size() >= 4 && !readTasks(parts.at(3), &mark.m_tasks)) {
        mark.m_tasks.clear();
        return mark;
    }
    if (parts.size() == 5) {
        mark.m_replaced = parts.at(4).toUInt(&ok);
        if (!ok) {
            mark.m_tasks.clear();
            return UploadMark();
        }
    }
    mark.m_kind = Post;
    mark.m_highest = highest;
    mark.m_digest = parts.at(1);
    if (parts.size() >= 4 && !parts.at(2).isEmpty())
        mark.m_fields = QStringList{parts.at(2)};
    return mark;
}

QString UploadMark::text() const
{
    switch (m_kind) {
    case None:
        break;
    case Whole:
    {
        if (m_forcedRemoval)
            return ForcedRemovalPrefix + QString::number(m_seen);
        const QString &whole = m_ofImport ? WholeImportText : WholeText;
        return m_seen != 0 ? whole + QLatin1Char(':') + QString::number(m_seen) : whole;
    }
    case Replace:
        return ReplacePrefix + QString::number(m_replaced);
    case NotePut:
        return NotePutPrefix + m_fields.join(QLatin1Char(','));
    case Restored:
        return RestoredText;
    case EarlierRestore:
        return RestoredPrefix + QString::number(m_restored);
    case Put: {
        const QString copy = m_wholeCopy.isEmpty() ? QString() : QLatin1Char('.') + m_wholeCopy;
        return (m_seen != 0 ? WholePutPrefix + QString::number(m_seen) + copy + QLatin1Char(':') : PutPrefix)
               + (m_arrived ? QLatin1Char('1') : QLatin1Char('0')) + QLatin1Char(':')
               + m_fields.join(QLatin1Char('.')) + QLatin1Char(':') + tasksText(m_tasks) + QLatin1Char(':')
               + knownText(m_known) + QLatin1Char(':') + idsText(m_removed);
    }
    case Post: {
        QString out = QString::number(m_highest) + QLatin1Char(':') + m_digest;
        if (m_fields.isEmpty() && m_tasks.isEmpty() && m_replaced == 0)
            return out;
        out += QLatin1Char(':') + m_fields.join(QString()) + QLatin1Char(':') + tasksText(m_tasks);
        if (m_replaced != 0)
            out += QLatin1Char(':') + QString::number(m_replaced);
        return out;
    }
    }
    return QString();
}

UploadMark UploadMark::ofListPost(quint32 highestKnownId, TaskList *list)
{
    UploadMark mark;
    mark.m_kind = Post;
    mark.m_highest = highestKnownId;
    mark.m_digest = listDigest(list);
    mark.m_fields = QStringList{listFieldsDigest(list)};
    const QList<Task *> tasks = uploadedTasks(list);
    mark.m_tasks.reserve(tasks.size());
    for (const Task *task : tasks)
        mark.m_tasks.append(sentTask(task));
    return mark;
}

UploadMark UploadMark::ofNotePost(quint32 highestKnownId, const NotepadNote *note)
{
    UploadMark mark;
    mark.m_kind = Post;
    mark.m_highest = highestKnownId;
    mark.m_digest = noteDigest(note);
    return mark;
}

UploadMark UploadMark::ofNotePut(const NotepadNote *note, const UploadMark &earlier)
{
    UploadMark mark;
    mark.m_kind = NotePut;
    mark.m_fields << shortHashOf(note->title()) + QLatin1Char('.') + shortHashOf(note->text());
    if (earlier.isNotePut())
        for (const QString &sent : earlier.m_fields)
            if (!mark.m_fields.contains(sent))
                mark.m_fields << sent;
    return mark;
}

bool UploadMark::sentWhole(const TaskList *fetched) const
{
    return !m_wholeCopy.isEmpty() && m_wholeCopy == shortHashOf(listDigest(fetched));
}

bool UploadMark::isForcedRemoval(const TaskList *record)
{
    const UploadMark mark = read(record->pendingUpload());
    return mark.m_kind == Whole && (mark.m_forcedRemoval || !record->agreed());
}

bool UploadMark::sentNotePart(const QString &text, bool title) const
{
    const QString digest = shortHashOf(text);
    return isNotePut() && std::any_of(m_fields.cbegin(), m_fields.cend(), [&](const QString &sent) {
               return title ? sent.section(QLatin1Char('.'), 0, 0) == digest
                            : sent.section(QLatin1Char('.'), 1, 1) == digest;
           });
}

UploadMark UploadMark::replacing(quint32 replacedId)
{
    UploadMark mark;
    if (replacedId != 0) {
        mark.m_kind = Replace;
        mark.m_replaced = replacedId;
    }
    return mark;
}

UploadMark UploadMark::wholeUpdate(quint32 seenRevision, bool ofImport)
{
    UploadMark mark;
    mark.m_kind = Whole;
    mark.m_seen = seenRevision;
    mark.m_ofImport = ofImport;
    return mark;
}

UploadMark UploadMark::ofWholePut(const TaskList *list, quint32 seenRevision)
{
    UploadMark made;
    made.m_kind = Put;
    made.m_seen = seenRevision;
    return ofListPut(list, made);
}

UploadMark UploadMark::forcedRemoval(quint32 seenRevision)
{
    UploadMark mark = wholeUpdate(seenRevision);
    mark.m_forcedRemoval = seenRevision != 0;
    return mark;
}

UploadMark UploadMark::restored()
{
    UploadMark mark;
    mark.m_kind = Restored;
    return mark;
}

UploadMark UploadMark::ofListPut(const TaskList *list, const UploadMark &earlier)
{
    UploadMark mark;
    // Whether it arrives is for this upload to tell: an earlier one's
    // arrival says nothing of it.
    mark.m_kind = Put;
    mark.m_fields = QStringList{listFieldsDigest(list)};
    for (const QString &fields : earlier.m_fields)
        if (!mark.m_fields.contains(fields))
            mark.m_fields.append(fields);
    const QList<Task *> tasks = uploadedTasks(list);
    for (const Task *task : tasks) {
        if (task->id() == 0)
            mark.m_tasks.append(sentTask(task));
        else
            mark.m_known[task->id()] = QStringList{contentDigest(task)};
    }
    for (const Task *removed : list->removedTasks())
        if (removed->id() != 0)
            mark.m_removed.insert(removed->id());
    if (!earlier.isPut())
        return mark;
    mark.m_seen = earlier.m_seen;
    // The whole copy sent (a forced run's, or one sent again before the
    // server changed, so the one before never arrived): the server's copy
    // reading as it tells it did.
    if (mark.m_seen != 0)
        mark.m_wholeCopy = shortHashOf(listDigest(list));
    mark.m_removed.unite(earlier.m_removed);
    for (auto it = earlier.m_known.cbegin(); it != earlier.m_known.cend(); ++it) {
        QStringList &contents = mark.m_known[it.key()];
        for (const QString &content : it.value())
            if (!contents.contains(content))
                contents.append(content);
    }
    // An earlier upload's tasks stay: one still without an id is the same
    // task, sent then with the content it had then.
    QList<bool> merged(mark.m_tasks.size(), false);
    for (const SentTask &task : earlier.m_tasks) {
        qsizetype same = -1;
        for (qsizetype i = 0; i < mark.m_tasks.size() && same < 0; ++i)
            if (!merged.at(i) && mark.m_tasks.at(i).identity == task.identity)
                same = i;
        if (same < 0) {
            mark.m_tasks.append(task);
            merged.append(true);
            continue;
        }
        merged[same] = true;
        for (const QString &content : task.contents)
            if (!mark.m_tasks[same].contents.contains(content))
                mark.m_tasks[same].contents.append(content);
    }
    return mark;
}

QString UploadMark::listDigest(const TaskList *list)
{
    TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
    // Written, not changed.
    const QDomDocument doc = writer.writeSingleList(const_cast<TaskList *>(list));
    QString out;
    walk(listElement(doc.documentElement()), out);
    return hashOf(out);
}

QString UploadMark::noteDigest(const NotepadNote *note)
{
    return hashOf(note->title() + Separator + note->text());
}

QString UploadMark::listFieldsDigest(const TaskList *list)
{
    return shortHashOf(list->name() + Separator + (list->isDone() ? QLatin1Char('1') : QLatin1Char('0'))
                       + Separator + list->description());
}

QString UploadMark::identityDigest(const Task *task)
{
    return shortHashOf(task->identity());
}

QString UploadMark::contentDigest(const Task *task)
{
    QString out = task->title() + Separator + (task->isDone() ? QLatin1Char('1') : QLatin1Char('0')) + Separator
                  + task->priority().toString() + Separator + timeText(task->note().addedTime()) + Separator
                  + task->note().text() + Separator + timeText(task->alarmTime()) + Separator
                  + timeText(task->startTime()) + Separator + timeText(task->dueTime()) + Separator
                  + task->assignments().join(Separator) + Separator;
    for (const TaskAttachment *attachment : task->attachments()) {
        out += attachment->typeName() + Separator + attachment->name() + Separator + attachment->url().toString()
               + Separator + attachment->description() + Separator + attachment->additionalData() + Separator;
    }
    return shortHashOf(out);
}

UploadMark::SentTask UploadMark::sentTask(const Task *task)
{
    return {identityDigest(task), {contentDigest(task)}};
}

namespace {

// Only what may be on the server counts: a task never sent cannot be the one
// a server copy holds, whatever identity it shares.
void countIdentities(const TaskList *list, QHash<QString, int> &counts)
{
    const UploadMark mark = UploadMark::read(list->pendingUpload());
    const TaskList::SyncStatus status = list->syncStatus();
    if (status == TaskList::New || status == TaskList::Deleted) {
        // What an upload of it in doubt carried, removed here since or not.
        if (mark.isPost() || status == TaskList::Deleted) {
            for (const UploadMark::SentTask &task : mark.tasks())
                ++counts[task.identity];
        }
        return;
    }
    for (const Task *task : UploadMark::uploadedTasks(list))
        if (task->id() != 0)
            ++counts[UploadMark::identityDigest(task)];
    // Sent without an id by an update in doubt.
    if (mark.isPut()) {
        for (const UploadMark::SentTask &task : mark.tasks())
            ++counts[task.identity];
    }
}

} // namespace

QSet<QString> UploadMark::ownIdentities(const QHash<QString, int> &here, const TaskList *own) const
{
    QHash<QString, int> inOwn;
    if (own)
        countIdentities(own, inOwn);
    QSet<QString> out;
    for (const SentTask &task : m_tasks)
        if (here.value(task.identity) <= inOwn.value(task.identity))
            out.insert(task.identity);
    return out;
}

QHash<QString, int> UploadMark::identityCounts(const QList<TaskList *> &lists)
{
    QHash<QString, int> counts;
    for (const TaskList *list : lists)
        countIdentities(list, counts);
    return counts;
}

QList<Task *> UploadMark::uploadedTasks(const TaskList *list)
{
    QList<Task *> out;
    collectUploaded(list->rootTask(), out);
    return out;
}
