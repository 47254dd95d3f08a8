#include "sync/listsynchronizer.h"

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "model/task.h"
#include "model/taskreaderwriter.h"

#include <QCryptographicHash>
#include <QSet>

template class ItemSynchronizer<ListSyncTraits>;

ListSynchronizer::ListSynchronizer(quint32 id, ListInfo *serverInfo, TaskList *localList,
                                   int progressStep, QObject *parent)
    : ItemSynchronizer<ListSyncTraits>(id, serverInfo, localList, progressStep, parent)
{
}

void ListSynchronizer::cancel()
{
    cancelRun(tr("Sync canceled"));
}

void ListSynchronizer::recordAssignedId(TaskList *list, quint32 id)
{
    if (!list || id == 0)
        return;
    list->setSyncStatus(TaskList::Unedited);
    list->setServerId(id);
    list->setRevision(NotFetchedRevision);
}

bool ListSyncTraits::mustFetch(const TaskList *list)
{
    const auto status = list->syncStatus();
    return (status == TaskList::Unedited || status == TaskList::Edited)
        && list->revision() == ListSynchronizer::NotFetchedRevision;
}

namespace {

const QString PutPrefix = QStringLiteral("put:");

} // namespace

bool ListSyncTraits::mayHoldUploadedParts(const TaskList *list)
{
    return list->syncStatus() == TaskList::Edited && list->pendingUpload().startsWith(PutPrefix);
}

namespace {

// What a new task's upload carries and the server keeps, its creator
// included: another user's task never has the same key.
QString taskKey(const Task *task)
{
    return QStringList{task->title(), task->isDone() ? QStringLiteral("1") : QStringLiteral("0"),
                       task->createdBy(), task->creationTime().toString(Qt::ISODate),
                       task->dueTime().toString(Qt::ISODate), task->startTime().toString(Qt::ISODate),
                       task->note().text()}
        .join(QChar(0x1f));
}

QString keyDigestOf(const QString &key)
{
    return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString keyDigest(const Task *task)
{
    return keyDigestOf(taskKey(task));
}

void collectNewDigests(const Task *task, QStringList &out)
{
    for (const Task *child : task->children()) {
        if (child->id() == 0) {
            const QString digest = keyDigest(child);
            if (!out.contains(digest))
                out << digest;
        }
        collectNewDigests(child, out);
    }
}

void collectNew(Task *task, QList<Task *> &out)
{
    for (Task *child : task->children()) {
        if (child->id() == 0)
            out << child;
        collectNew(child, out);
    }
}

void collectIds(const Task *task, QSet<quint32> &ids)
{
    for (const Task *child : task->children()) {
        if (child->id() != 0)
            ids.insert(child->id());
        collectIds(child, ids);
    }
}

void collectUnknown(const Task *task, const QSet<quint32> &known, QList<const Task *> &out)
{
    for (const Task *child : task->children()) {
        if (!known.contains(child->id()))
            out << child;
        collectUnknown(child, known, out);
    }
}

} // namespace

QString ListSynchronizer::putMark(const TaskList *list)
{
    QStringList digests;
    const QString earlier = list->pendingUpload();
    if (earlier.startsWith(PutPrefix))
        digests = earlier.mid(PutPrefix.size()).split(QLatin1Char(','), Qt::SkipEmptyParts);
    collectNewDigests(list->rootTask(), digests);
    return digests.isEmpty() ? QString() : PutPrefix + digests.join(QLatin1Char(','));
}

// Only tasks of the server's copy that no task here knows and that carry
// exactly what a task of the upload in doubt carried (same fields, same
// creator) are its copies. Each takes the place of one task here without an
// id: first the one that still reads the same, then, in order, those changed
// since; a copy left over was removed here since and is removed there. The
// upload that follows then leaves the server with the user's version and no
// task twice.
void ListSyncTraits::takeUploadedParts(TaskList *list, TaskList *fetched)
{
    const QStringList sent = list->pendingUpload().mid(PutPrefix.size()).split(QLatin1Char(','));
    QSet<quint32> known;
    collectIds(list->rootTask(), known);
    for (const Task *removed : list->removedTasks())
        known.insert(removed->id());
    QList<const Task *> unknown;
    collectUnknown(fetched->rootTask(), known, unknown);
    // Each copy with its key, made once: the matching below compares keys.
    QList<QPair<const Task *, QString>> copies;
    for (const Task *task : std::as_const(unknown)) {
        QString key = taskKey(task);
        if (sent.contains(keyDigestOf(key)))
            copies.append({task, std::move(key)});
    }

    QList<Task *> mine;
    collectNew(list->rootTask(), mine);
    auto take = [](Task *task, const Task *copy) {
        task->setId(copy->id());
        task->setRevision(copy->revision());
        task->setHashcode(copy->hashcode());
    };
    for (Task *task : std::as_const(mine)) {
        const QString key = taskKey(task);
        for (int i = 0; i < copies.size(); ++i) {
            if (copies.at(i).second == key) {
                take(task, copies.takeAt(i).first);
                break;
            }
        }
    }
    for (Task *task : std::as_const(mine)) {
        if (copies.isEmpty())
            break;
        if (task->id() == 0)
            take(task, copies.takeFirst().first);
    }
    for (const auto &copy : std::as_const(copies)) {
        Task *removed = copy.first->clone();
        removed->deleteChildren();
        list->recordRemovedTask(removed);
    }
}

QString ListSyncTraits::text(ItemSyncText::Id id, const QString &name)
{
    using T = ItemSyncText;
    switch (id) {
    case T::DownloadingNewRemote: return ListSynchronizer::tr("Downloading new remote list");
    case T::DeletingNewRemote: return ListSynchronizer::tr("Deleting new remote list");
    case T::UploadingNew: return ListSynchronizer::tr("Uploading list \"%1\"").arg(name);
    case T::GoneFromServer: return ListSynchronizer::tr("List \"%1\" gone from server").arg(name);
    case T::CheckingForChanges: return ListSynchronizer::tr("Checking for changes in list \"%1\"").arg(name);
    case T::NoChangesIn: return ListSynchronizer::tr("No changes in list \"%1\"").arg(name);
    case T::DownloadingChanges: return ListSynchronizer::tr("Download changes in list \"%1\"").arg(name);
    case T::UploadingChanges: return ListSynchronizer::tr("Uploading changes to list \"%1\"").arg(name);
    case T::AlreadyGone: return ListSynchronizer::tr("List \"%1\" already gone from server").arg(name);
    case T::Deleting: return ListSynchronizer::tr("Deleting list \"%1\"").arg(name);
    case T::MessageTitle: return ListSynchronizer::tr("Sync");
    case T::RevisionMessage:
        return ListSynchronizer::tr("The local revision number of the list %1 is bigger than the remote one.\n"
                                    "Please force a local or remote sync to fix the problem").arg(name);
    case T::FailedToRetrieve: return ListSynchronizer::tr("Failed to retrieve list.");
    case T::FailedToAdd: return ListSynchronizer::tr("Failed to add new list.");
    case T::FailedToUpload: return ListSynchronizer::tr("Failed to upload changes. ");
    case T::FailedToDelete: return ListSynchronizer::tr("Failed to delete list.");
    case T::UnknownStatus: return QStringLiteral("Unknown TaskList::SyncStatus");
    case T::GetNewBadStatus:
    case T::GetExistingBadStatus:
    case T::PostBadStatus:
        break;
    }
    return QString();
}

const char *ListSyncTraits::debugLine(ItemSyncText::Id id)
{
    switch (id) {
    case ItemSyncText::GetNewBadStatus: return "Error status code in get new request list finished: ";
    case ItemSyncText::GetExistingBadStatus: return "Error status code in on get existing list request: ";
    case ItemSyncText::PostBadStatus: return "Error trying to do a post new request, response: ";
    default: return nullptr;
    }
}

QString ListSyncTraits::collectionPath()
{
    return QStringLiteral("/lists");
}

QString ListSyncTraits::itemPath(quint32 id)
{
    return QStringLiteral("/lists/%1").arg(id);
}

int ListSyncTraits::status(const TaskList *list)
{
    return int(list->syncStatus());
}

quint32 ListSyncTraits::revision(const TaskList *list)
{
    return list->revision();
}

QString ListSyncTraits::name(const TaskList *list)
{
    return list->name();
}

quint32 ListSyncTraits::infoRevision(const ListInfo *info)
{
    return info->revision();
}

QString ListSyncTraits::infoPermissions(const ListInfo *info)
{
    return info->permissions();
}

QDomDocument ListSyncTraits::writeItem(TaskList *list)
{
    TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
    return writer.writeSingleList(list);
}

TaskList *ListSyncTraits::readItem(const QDomDocument &doc, QString *error)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    TaskList *list = reader.readSingleList(doc);
    if (!list)
        *error = reader.errorString();
    return list;
}

quint32 ListSyncTraits::readNewId(const QDomDocument &doc, QString *error)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    const quint32 id = reader.readListId(doc);
    if (id == 0)
        *error = reader.errorString();
    return id;
}

const char *ListSyncTraits::neverTakenWarning()
{
    return "ListSynchronizer: result list was never taken from us";
}
