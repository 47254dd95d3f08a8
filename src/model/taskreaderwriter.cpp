#include "model/taskreaderwriter.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/userlists.h"
#include "core/serversettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileDevice>
#include <QXmlStreamWriter>
#include <QIODevice>
#include <QUrl>

namespace {

const QString kClass = QStringLiteral("class");
const QString kTrue = QStringLiteral("true");
const QString kFalse = QStringLiteral("false");
const QString kOwnerPermissions = QStringLiteral("orwd");

QString boolText(bool value)
{
    return value ? kTrue : kFalse;
}

// The fields of a definition list: the first dt of each term with the
// element after it (null when that is not a dd). One walk per list instead of
// one per key; a value's text is taken only when asked for, as
// definitionValue would.
class Fields
{
public:
    Fields(XMLReaderWriter *frame, const QDomElement &dl)
        : m_frame(frame)
    {
        if (dl.isNull())
            return;
        const QString dt = QStringLiteral("dt");
        const QString dd = QStringLiteral("dd");
        for (QDomElement e = dl.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.tagName() != dt)
                continue;
            const QString term = frame->elementText(e);
            if (m_values.contains(term))
                continue;
            QDomElement next = e.nextSiblingElement();
            if (!next.isNull() && next.tagName() != dd)
                next = QDomElement();
            m_values.insert(term, next);
        }
    }

    // Null when the key is missing or its dt has no dd.
    QString value(const QString &key) const
    {
        const auto it = m_values.constFind(key);
        if (it == m_values.constEnd() || it->isNull())
            return QString();
        return m_frame->elementText(*it);
    }

private:
    XMLReaderWriter *m_frame;
    QHash<QString, QDomElement> m_values;
};

// Counts nesting of task elements for the reader's depth bound.
class DepthGuard
{
public:
    explicit DepthGuard(int &depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~DepthGuard() { --m_depth; }

private:
    int &m_depth;
};


// Where the writers put elements: a DOM (the documents the operations return)
// or a stream (saving the lists file, which never builds the whole tree in
// memory). Both give the same document.
class DomSink
{
public:
    DomSink(const XMLReaderWriter *frame, QDomElement parent)
        : m_frame(frame)
    {
        m_stack.append(parent);
    }
    void start(const QString &tag, const QString &cls)
    {
        m_stack.append(m_frame->appendElementWithClass(m_stack.last(), tag, cls));
    }
    void end() { m_stack.removeLast(); }
    void text(const QString &tag, const QString &text, const QString &cls = QString())
    {
        m_frame->appendTextElement(m_stack.last(), tag, text, cls);
    }
    void definition(const QString &term, const QString &value)
    {
        m_frame->appendDefinition(m_stack.last(), term, value);
    }

private:
    const XMLReaderWriter *m_frame;
    QList<QDomElement> m_stack;
};

class StreamSink
{
public:
    explicit StreamSink(QXmlStreamWriter &writer)
        : m_writer(writer)
    {
    }
    void start(const QString &tag, const QString &cls)
    {
        m_writer.writeStartElement(tag);
        m_writer.writeAttribute(kClass, cls);
    }
    void end() { m_writer.writeEndElement(); }
    void text(const QString &tag, const QString &text, const QString &cls = QString())
    {
        m_writer.writeStartElement(tag);
        if (!cls.isEmpty())
            m_writer.writeAttribute(kClass, cls);
        const QString clean = XMLReaderWriter::stripInvalidXmlChars(text);
        if (!clean.isEmpty())
            m_writer.writeCharacters(clean);
        m_writer.writeEndElement();
    }
    void definition(const QString &term, const QString &value)
    {
        text(kDt, term);
        text(kDd, value);
    }

private:
    QXmlStreamWriter &m_writer;
    const QString kDt = QStringLiteral("dt");
    const QString kDd = QStringLiteral("dd");
};

} // namespace

TaskReaderWriter::TaskReaderWriter(int documentKind)
    : XMLReaderWriter(documentKind)
{
}

TaskReaderWriter::~TaskReaderWriter() = default;

// ---------------------------------------------------------------------------
// Text forms

bool TaskReaderWriter::parseUInt(const QString &text, quint32 *value)
{
    // Digits only: the toolkit's own parse would accept blanks and a sign.
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const uint v = text.toUInt(&ok, 10);
    if (!ok)
        return false;
    *value = v;
    return true;
}

QString TaskReaderWriter::taskIdToString(quint32 id)
{
    return QString::number(id);
}

QString TaskReaderWriter::listIdToString(quint32 id)
{
    return QString::number(id);
}

QString TaskReaderWriter::groupIdToString(quint32 id)
{
    return QString::number(id);
}

QString TaskReaderWriter::revisionToString(quint32 revision)
{
    return QString::number(revision);
}

quint32 TaskReaderWriter::numberFromString(const QString &text, const QString &errorPrefix, ZeroIs zero)
{
    quint32 value = 0;
    if (!parseUInt(text, &value) || (value == 0 && zero == NonZero)) {
        setError(errorPrefix + text);
        return 0;
    }
    return value;
}

quint32 TaskReaderWriter::taskIdFromString(const QString &text)
{
    if (text.isEmpty())
        return 0;
    return numberFromString(text, QStringLiteral("bad task id string "));
}

quint32 TaskReaderWriter::listIdFromString(const QString &text)
{
    return numberFromString(text, QStringLiteral("bad list id string "));
}

quint32 TaskReaderWriter::revisionFromString(const QString &text)
{
    return numberFromString(text, QStringLiteral("bad rev num string "));
}

QString TaskReaderWriter::syncStatusToString(TaskList::SyncStatus status)
{
    switch (status) {
    case TaskList::New:
        return QStringLiteral("new");
    case TaskList::Unedited:
        return QStringLiteral("unedited");
    case TaskList::Edited:
        return QStringLiteral("edited");
    case TaskList::Deleted:
        return QStringLiteral("deleted");
    case TaskList::LocallyUnknown:
        qWarning() << "attempt to serialize LocallyUnknown";
        return QString(QLatin1String(""));
    }
    qWarning() << "unknown SyncStatus";
    return QString(QLatin1String(""));
}

TaskList::SyncStatus TaskReaderWriter::parseSyncStatus(const QString &text)
{
    if (text == QLatin1String("new"))
        return TaskList::New;
    if (text == QLatin1String("edited"))
        return TaskList::Edited;
    if (text == QLatin1String("unedited"))
        return TaskList::Unedited;
    if (text == QLatin1String("deleted"))
        return TaskList::Deleted;
    return TaskList::LocallyUnknown;
}

TaskList::SyncStatus TaskReaderWriter::syncStatusFromString(const QString &text)
{
    const TaskList::SyncStatus status = parseSyncStatus(text);
    if (status == TaskList::LocallyUnknown)
        setError(QStringLiteral("unexpected sync status string ") + text);
    return status;
}

// ---------------------------------------------------------------------------
// Helpers

QDomElement TaskReaderWriter::bodyOf(const QDomDocument &doc)
{
    return mandatoryElementByTagName(doc.documentElement(), QStringLiteral("body"));
}

// ---------------------------------------------------------------------------
// Lists document

bool TaskReaderWriter::saveLists(UserLists *lists, QIODevice *device)
{
    // Streamed rather than built as a tree and then serialised: the same
    // document, in a fraction of the time and memory (writeLists gives the
    // tree when one is wanted).
    if (!device || (!device->isOpen() && !device->open(QIODevice::WriteOnly)) || !device->isWritable()) {
        setError(QStringLiteral("couldn't open device for writing"));
        return false;
    }
    QXmlStreamWriter writer(device);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(1);
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                                   "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"));
    writer.writeStartElement(QStringLiteral("html"));
    writer.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://www.w3.org/1999/xhtml"));
    writer.writeStartElement(QStringLiteral("head"));
    writer.writeTextElement(QStringLiteral("title"), QStringLiteral("pd-local-lists"));
    writer.writeEmptyElement(QStringLiteral("meta"));
    writer.writeAttribute(QStringLiteral("name"), QStringLiteral("generator"));
    writer.writeAttribute(QStringLiteral("content"), stripInvalidXmlChars(QCoreApplication::applicationName()));
    writer.writeEmptyElement(QStringLiteral("meta"));
    writer.writeAttribute(QStringLiteral("name"), QStringLiteral("format-version"));
    writer.writeAttribute(QStringLiteral("content"), QString::number(formatVersion));
    writer.writeEndElement();
    writer.writeStartElement(QStringLiteral("body"));
    StreamSink sink(writer);
    emitLists(sink, lists);
    writer.writeEndElement();
    writer.writeEndDocument();

    bool ok = !writer.hasError();
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

UserLists *TaskReaderWriter::loadLists(QIODevice *device)
{
    const QDomDocument doc = readDocument(device);
    if (doc.isNull())
        return nullptr;
    UserLists *lists = readLists(doc);
    // An error that let the reading go on still fails the load: a lists file
    // read in part must not replace the whole.
    if (!errorString().isEmpty()) {
        delete lists;
        return nullptr;
    }
    return lists;
}

QDomDocument TaskReaderWriter::writeLists(UserLists *lists)
{
    QDomDocument doc = createDocument();
    DomSink sink(this, appendHeadAndBody(doc, QStringLiteral("pd-local-lists")));
    emitLists(sink, lists);
    return doc;
}

void TaskReaderWriter::writeLocalFields(QDomElement body, UserLists *lists)
{
    DomSink sink(this, body);
    emitLocalFields(sink, lists);
}

template<typename Sink>
void TaskReaderWriter::emitLists(Sink &sink, UserLists *lists)
{
    emitLocalFields(sink, lists);
    const QList<ListModel *> models = lists->models();
    for (ListModel *model : models)
        emitList(sink, model->taskList(), model);
    const QList<TaskList *> deleted = lists->deletedLists();
    for (TaskList *list : deleted)
        emitList(sink, list, nullptr);
}

template<typename Sink>
void TaskReaderWriter::emitLocalFields(Sink &sink, UserLists *lists)
{
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-local-fields"));
    sink.definition(QStringLiteral("display-order-changed"), boolText(lists->isDisplayOrderChanged()));
    if (!lists->outlookLastSyncTime().isNull())
        sink.definition(QStringLiteral("outlook-last-sync-time"), dateTimeToString(lists->outlookLastSyncTime()));
    sink.end();
}

void TaskReaderWriter::readLocalFields(const QDomElement &fields, UserLists *lists)
{
    const Fields values(this, fields);
    lists->setDisplayOrderChanged(values.value(QStringLiteral("display-order-changed")) == kTrue);
    lists->setOutlookLastSyncTime(parseDateTime(values.value(QStringLiteral("outlook-last-sync-time"))));
}

UserLists *TaskReaderWriter::readLists(const QDomDocument &doc)
{
    UserLists *lists = UserLists::create();
    const QDomElement root = doc.documentElement();

    const QDomElement head = mandatoryElementByTagName(root, QStringLiteral("head"));
    if (head.isNull() || !checkHead(head)) {
        delete lists;
        return nullptr;
    }
    const QDomElement body = mandatoryElementByTagName(root, QStringLiteral("body"));
    if (body.isNull()) {
        delete lists;
        return nullptr;
    }

    const QDomElement localFields = childElementByClass(body, QStringLiteral("pd-local-fields"));
    if (!localFields.isNull())
        readLocalFields(localFields, lists);

    const QString listClass = QStringLiteral("pd-list");
    for (QDomElement e = body.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != listClass)
            continue;
        TaskList *list = readList(e);
        if (!list) {
            delete lists;
            return nullptr;
        }

        UserLists::AddResult result = UserLists::Added;
        ListModel *model = lists->addList(list, &result);
        bool readModelFields = true;
        if (result == UserLists::Refused) {
            const quint32 id = list->serverId();
            if (list->syncStatus() == TaskList::Deleted) {
                // Its tasks were cleared when it was deleted: nothing to keep.
                qWarning() << "dropping a second deleted list with server id" << id;
                delete list;
                continue;
            }
            // A second live list with a server id already held keeps its
            // content as a new list of the user's own instead of vanishing at
            // the next save.
            qWarning() << "keeping a second list with server id" << id << "as a new list";
            list->resetToNew();
            list->setOwned(true);
            list->setPermissions(kOwnerPermissions);
            model = lists->addList(list, &result);
            if (!model) {
                delete list;
                continue;
            }
            readModelFields = false;
        }
        if (!model)
            continue;

        if (documentKind() == LocalDocument && readModelFields && model->isOwned()) {
            readSharedFields(model, e);
            if (!readListSharedUsers(model, e)) {
                const QString text = QStringLiteral(
                    "TaskReaderWriter pharsinig error in readList method while trying to read the list of shared users");
                qWarning().noquote() << text;
                setError(text);
                delete lists;
                return nullptr;
            }
        }
        if (documentKind() == LocalDocument)
            readListColumns(model, e);
    }
    return lists;
}

void TaskReaderWriter::writeList(TaskList *list, ListModel *model, QDomElement parent)
{
    DomSink sink(this, parent);
    emitList(sink, list, model);
}

template<typename Sink>
void TaskReaderWriter::emitList(Sink &sink, TaskList *list, ListModel *model)
{
    sink.start(QStringLiteral("div"), QStringLiteral("pd-list"));
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-list-fields"));
    const bool local = documentKind() == LocalDocument;
    const TaskList::SyncStatus status = list->syncStatus();

    if (local) {
        sink.definition(QStringLiteral("sync-status"), syncStatusToString(status));
        if (!list->outlookId().isEmpty())
            sink.definition(QStringLiteral("outlook-id"), list->outlookId());
        if (list->localId() != 0)
            sink.definition(QStringLiteral("local-id"), listIdToString(list->localId()));
    }
    if (status != TaskList::New) {
        sink.definition(QStringLiteral("id"), listIdToString(list->serverId()));
        sink.definition(QStringLiteral("revision"), revisionToString(list->revision()));
    }
    sink.definition(QStringLiteral("name"), list->name());
    sink.definition(QStringLiteral("done"), boolText(list->isDone()));
    sink.definition(QStringLiteral("description"), list->description());
    if (list->isOwned()) {
        sink.definition(QStringLiteral("owned"), kTrue);
        sink.definition(QStringLiteral("permissions"), list->permissions());
        if (model && local) {
            sink.definition(QStringLiteral("shared-edited"), boolText(model->isSharedEdited()));
            sink.definition(QStringLiteral("shared-revision"), revisionToString(model->sharedRevision()));
        }
    } else {
        sink.definition(QStringLiteral("owned"), kFalse);
        sink.definition(QStringLiteral("owner"), list->owner());
        sink.definition(QStringLiteral("permissions"), list->permissions());
    }
    if (model && local) {
        sink.definition(QStringLiteral("show-start-time-column"), boolText(model->showStartTimeColumn()));
        sink.definition(QStringLiteral("show-end-time-column"), boolText(model->showEndTimeColumn()));
        sink.definition(QStringLiteral("show-elapsed-time-column"), boolText(model->showElapsedTimeColumn()));
        sink.definition(QStringLiteral("show-assignment-column"), boolText(model->showAssignmentColumn()));
    }
    sink.end();

    if (model && list->isOwned())
        emitListSharedUsers(sink, model->sharedUsers());

    // Top-level tasks whose whole subtree is blank are left out. Writing
    // straight from the live tree gives the same document as pruning a copy,
    // without copying every task at every save.
    Task *root = list->rootTask();
    QList<Task *> topLevel;
    for (int i = 0; i < root->childCount(); ++i) {
        if (!root->child(i)->isBlankRecursively())
            topLevel.append(root->child(i));
    }
    if (!topLevel.isEmpty()) {
        sink.start(QStringLiteral("ol"), QStringLiteral("pd-tasks"));
        for (Task *task : std::as_const(topLevel))
            emitTask(sink, task);
        sink.end();
    }

    emitRemovedTasks(sink, list->removedTasks());
    sink.end();
}

TaskList *TaskReaderWriter::readList(const QDomElement &listElement)
{
    TaskList *list = TaskList::create();
    const QDomElement fieldsElement = childElementByClass(listElement, QStringLiteral("pd-list-fields"));
    const Fields fields(this, fieldsElement);
    auto fail = [list](const QString &report = QString()) -> TaskList * {
        if (!report.isEmpty())
            qWarning().noquote() << report;
        delete list;
        return nullptr;
    };

    list->setName(fields.value(QStringLiteral("name")));

    bool hasServerFields = true;
    if (documentKind() == LocalDocument) {
        const QString statusText = fields.value(QStringLiteral("sync-status"));
        if (statusText.isEmpty()) {
            qWarning() << "missing sync-status, legacy file?";
            hasServerFields = false;
        } else {
            const TaskList::SyncStatus status = syncStatusFromString(statusText);
            if (status == TaskList::LocallyUnknown)
                return fail();
            list->setSyncStatus(status);
            hasServerFields = status != TaskList::New;
        }
    } else {
        list->setSyncStatus(TaskList::Unedited);
    }

    list->setDone(fields.value(QStringLiteral("done")) == kTrue);
    const QString description = fields.value(QStringLiteral("description"));
    if (!description.isNull())
        list->setDescription(description);

    // A zero id or revision fails with the same error text as a malformed
    // one, so that the failed load says why.
    const QString badListId = QStringLiteral("bad list id string ");
    if (hasServerFields) {
        const quint32 id = numberFromString(fields.value(QStringLiteral("id")), badListId, NonZero);
        if (id == 0)
            return fail();
        list->setServerId(id);
        const quint32 revision = numberFromString(fields.value(QStringLiteral("revision")),
                                                  QStringLiteral("bad rev num string "), NonZero);
        if (revision == 0)
            return fail();
        list->setRevision(revision);
    }

    if (documentKind() == LocalDocument) {
        list->setOutlookId(fields.value(QStringLiteral("outlook-id")));
        const QString localIdText = fields.value(QStringLiteral("local-id"));
        if (!localIdText.isNull()) {
            const quint32 localId = numberFromString(localIdText, badListId, NonZero);
            if (localId == 0)
                return fail();
            list->setLocalId(localId);
        }
    }

    // The consistency reports also become the error text, so that a failed
    // load never logs an empty reason.
    const QString owned = fields.value(QStringLiteral("owned"));
    const QString permissions = fields.value(QStringLiteral("permissions"));
    if (owned.isNull()) {
        list->setOwned(true);
        list->setPermissions(kOwnerPermissions);
    } else if (owned == kTrue) {
        list->setOwned(true);
        list->setPermissions(permissions.isNull() ? kOwnerPermissions : permissions);
    } else if (owned == kFalse) {
        list->setOwned(false);
        if (permissions.isNull()) {
            const QString text = QStringLiteral(
                "TaskReaderWriter error pharsing a task list, owned=false but no permissions found");
            setError(text);
            return fail();
        }
        list->setPermissions(permissions);
        const QString owner = fields.value(QStringLiteral("owner"));
        if (owner.isNull()) {
            setError(QStringLiteral("TaskReaderWriter error pharsing a task list, owned=false but no owner found"));
            return fail();
        }
        list->setOwner(owner);
    } else {
        setError(QStringLiteral("TaskReaderWriter error pharsing a task list, owned value invalid"));
        return fail();
    }

    const QDomElement tasks = childElementByClass(listElement, QStringLiteral("pd-tasks"));
    if (!tasks.isNull() && !readTasks(list->rootTask(), tasks))
        return fail();

    const QDomElement removed = childElementByClass(listElement, QStringLiteral("pd-removed-tasks"));
    if (!removed.isNull()) {
        QList<Task *> removedTasks;
        if (!readRemovedTasks(&removedTasks, removed))
            return fail();
        list->setRemovedTasks(removedTasks);
    }
    return list;
}

void TaskReaderWriter::readListColumns(ListModel *model, const QDomElement &listElement)
{
    const Fields fields(this, childElementByClass(listElement, QStringLiteral("pd-list-fields")));
    if (fields.value(QStringLiteral("show-start-time-column")) == kTrue)
        model->restoreShowStartTimeColumn(true);
    if (fields.value(QStringLiteral("show-end-time-column")) == kTrue)
        model->restoreShowEndTimeColumn(true);
    if (fields.value(QStringLiteral("show-elapsed-time-column")) == kTrue)
        model->restoreShowElapsedTimeColumn(true);
    if (fields.value(QStringLiteral("show-assignment-column")) == kTrue)
        model->restoreShowAssignmentColumn(true);
}

void TaskReaderWriter::readSharedFields(ListModel *model, const QDomElement &listElement)
{
    const Fields fields(this, childElementByClass(listElement, QStringLiteral("pd-list-fields")));
    const QString edited = fields.value(QStringLiteral("shared-edited"));
    if (edited.isNull() || edited == kFalse)
        model->clearSharedEdited();
    else if (edited == kTrue)
        model->setSharedEdited();
    else
        qWarning() << "TaskReaderWriter: Parse error reading List, tag shared-edited with unknown value";

    const QString revision = fields.value(QStringLiteral("shared-revision"));
    if (!revision.isNull())
        model->restoreSharedRevision(revisionFromString(revision));
}

bool TaskReaderWriter::readListSharedUsers(ListModel *model, const QDomElement &listElement)
{
    const QDomElement shared = childElementByClass(listElement, QStringLiteral("pd-shared"));
    if (shared.isNull())
        return true;
    const QString userClass = QStringLiteral("pd-shared-user");
    for (QDomElement e = shared.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != userClass)
            continue;
        if (!readSharedUser(model, e))
            return false;
    }
    return true;
}

bool TaskReaderWriter::readSharedUser(ListModel *model, const QDomElement &userElement)
{
    const QDomElement fieldsElement =
        mandatoryChildElementByClass(userElement, QStringLiteral("pd-shared-user-fields"));
    if (fieldsElement.isNull()) {
        qWarning() << "Parsing error reading a shared user, required class not found";
        return false;
    }
    const Fields fields(this, fieldsElement);
    const QString name = fields.value(QStringLiteral("name"));
    const QString permissions = fields.value(QStringLiteral("permissions"));
    if (name.isNull() || permissions.isNull()) {
        setError(QStringLiteral("Parsing error reading a shared user, name or permissions null"));
        return false;
    }
    model->loadSharedUser(name, permissions);
    return true;
}

QDomDocument TaskReaderWriter::writeSingleList(TaskList *list)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-list"));
    writeList(list, nullptr, body);
    return doc;
}

TaskList *TaskReaderWriter::readSingleList(const QDomDocument &doc)
{
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return nullptr;
    const QDomElement listElement = mandatoryChildElementByClass(body, QStringLiteral("pd-list"));
    if (listElement.isNull())
        return nullptr;
    const int failedBefore = m_failedTasks;
    TaskList *list = readList(listElement);
    if (list && m_failedTasks != failedBefore) {
        // A task that failed ends the reading of its siblings: the list would
        // be short of tasks and replace the user's complete one.
        delete list;
        return nullptr;
    }
    return list;
}

// ---------------------------------------------------------------------------
// Task element

void TaskReaderWriter::writeTask(Task *task, QDomElement parent)
{
    DomSink sink(this, parent);
    emitTask(sink, task);
}

void TaskReaderWriter::writeTasks(Task *task, QDomElement parent)
{
    DomSink sink(this, parent);
    emitTasks(sink, task);
}

void TaskReaderWriter::writeRemovedTasks(const QList<Task *> &tasks, QDomElement parent)
{
    DomSink sink(this, parent);
    emitRemovedTasks(sink, tasks);
}

void TaskReaderWriter::writeTaskAssignments(Task *task, QDomElement taskElement)
{
    DomSink sink(this, taskElement);
    emitTaskAssignments(sink, task);
}

void TaskReaderWriter::writeTaskAttachments(QDomElement taskElement, Task *task)
{
    DomSink sink(this, taskElement);
    emitTaskAttachments(sink, task);
}

template<typename Sink>
void TaskReaderWriter::emitTask(Sink &sink, Task *task)
{
    sink.start(QStringLiteral("li"), QStringLiteral("pd-task"));
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-task-fields"));
    const bool local = documentKind() == LocalDocument;

    sink.definition(QStringLiteral("title"), task->title());
    sink.definition(QStringLiteral("done"), boolText(task->isDone()));
    if (local && !task->outlookId().isEmpty())
        sink.definition(QStringLiteral("outlook-id"), task->outlookId());
    if (task->id() != 0)
        sink.definition(QStringLiteral("id"), taskIdToString(task->id()));
    if (task->revision() != 0)
        sink.definition(QStringLiteral("revision"), revisionToString(task->revision()));
    const QString hashcode = task->hashcode();
    sink.definition(QStringLiteral("hashcode"), !hashcode.isNull() && hashcode.size() == 32 ? hashcode : QString());
    if (local)
        sink.definition(QStringLiteral("expanded"), boolText(task->isExpanded()));
    if (task->creationTime().isValid())
        sink.definition(QStringLiteral("creation-time"), dateTimeToString(task->creationTime()));
    if (task->modificationTime().isValid())
        sink.definition(QStringLiteral("modification-time"), dateTimeToString(task->modificationTime()));
    if (task->deletionTime().isValid())
        sink.definition(QStringLiteral("deletion-time"), dateTimeToString(task->deletionTime()));
    const QString none = QStringLiteral("none");
    sink.definition(QStringLiteral("start-time"), task->startTime().isNull() ? none : dateTimeToString(task->startTime()));
    sink.definition(QStringLiteral("due-time"), task->dueTime().isNull() ? none : dateTimeToString(task->dueTime()));
    sink.definition(QStringLiteral("created-by"), task->createdBy());
    sink.definition(QStringLiteral("done-by"), task->doneBy());
    sink.definition(QStringLiteral("last-modified-by"), task->lastModifiedBy());
    sink.definition(QStringLiteral("priority"), task->priority().toString());
    const TaskNote note = task->note();
    if (!note.isEmpty()) {
        sink.definition(QStringLiteral("note-added-time"),
                        note.addedTime().isNull() ? QString() : dateTimeToString(note.addedTime()));
        sink.definition(QStringLiteral("note-text"), note.text());
    }
    if (!task->alarmTime().isNull())
        sink.definition(QStringLiteral("alarm-time"), dateTimeToString(task->alarmTime()));
    sink.end();

    if (task->hasAssignments())
        emitTaskAssignments(sink, task);
    if (task->hasAttachments())
        emitTaskAttachments(sink, task);
    emitTasks(sink, task);
    sink.end();
}

template<typename Sink>
void TaskReaderWriter::emitTasks(Sink &sink, Task *task)
{
    if (task->childCount() == 0)
        return;
    sink.start(QStringLiteral("ol"), QStringLiteral("pd-tasks"));
    for (int i = 0; i < task->childCount(); ++i)
        emitTask(sink, task->child(i));
    sink.end();
}

template<typename Sink>
void TaskReaderWriter::emitRemovedTasks(Sink &sink, const QList<Task *> &tasks)
{
    if (tasks.isEmpty())
        return;
    sink.start(QStringLiteral("ul"), QStringLiteral("pd-removed-tasks"));
    for (Task *task : tasks)
        emitTask(sink, task);
    sink.end();
}

template<typename Sink>
void TaskReaderWriter::emitTaskAssignments(Sink &sink, Task *task)
{
    sink.start(QStringLiteral("ul"), QStringLiteral("pd-task-assignments"));
    const QStringList nicks = task->assignments();
    for (const QString &nick : nicks) {
        sink.start(QStringLiteral("li"), QStringLiteral("pd-task-assignment"));
        sink.text(QStringLiteral("span"), nick, QStringLiteral("pd-user-nick"));
        sink.end();
    }
    sink.end();
}

template<typename Sink>
void TaskReaderWriter::emitTaskAttachments(Sink &sink, Task *task)
{
    sink.start(QStringLiteral("ul"), QStringLiteral("pd-task-attachments"));
    const QList<TaskAttachment *> attachments = task->attachments();
    for (TaskAttachment *attachment : attachments) {
        sink.start(QStringLiteral("li"), QStringLiteral("pd-task-attachment"));
        sink.start(QStringLiteral("dl"), QStringLiteral("pd-task-attachment-fields"));
        sink.definition(QStringLiteral("name"), attachment->name());
        sink.definition(QStringLiteral("url"), attachment->url().toString());
        sink.definition(QStringLiteral("type"), attachment->typeName());
        if (attachment->hasDescription())
            sink.definition(QStringLiteral("description"), attachment->description());
        if (attachment->hasAdditionalData())
            sink.definition(QStringLiteral("additional_data"), attachment->additionalData());
        sink.end();
        sink.end();
    }
    sink.end();
}

Task *TaskReaderWriter::readTask(const QDomElement &taskElement)
{
    DepthGuard depth(m_taskDepth);
    Task *task = new Task;
    auto fail = [this, task](const QString &error) -> Task * {
        setError(error);
        delete task;
        ++m_failedTasks;
        return nullptr;
    };
    if (m_taskDepth > maxTaskDepth)
        return fail(QStringLiteral("tasks nested more than %1 levels deep").arg(maxTaskDepth));

    const bool server = documentKind() == ServerDocument;
    const Fields fields(this, mandatoryChildElementByClass(taskElement, QStringLiteral("pd-task-fields")));

    task->setTitle(fields.value(QStringLiteral("title")));

    const QString done = fields.value(QStringLiteral("done"));
    if (done == kTrue)
        task->setDone(true);
    else if (done == kFalse)
        task->setDone(false);
    else
        return fail(QStringLiteral("bad value for done: ") + done);

    const quint32 id = taskIdFromString(fields.value(QStringLiteral("id")));
    if (id != 0)
        task->setId(id);

    const QString revision = fields.value(QStringLiteral("revision"));
    if (!revision.isNull())
        task->setRevision(revisionFromString(revision));
    else if (server)
        return fail(QStringLiteral("no revision number found: "));

    const QString hashcode = fields.value(QStringLiteral("hashcode"));
    if (!hashcode.isNull()) {
        if (hashcode.size() == 32)
            task->setHashcode(hashcode);
    } else if (server) {
        return fail(QStringLiteral("no hash code found: "));
    }

    const QString expanded = fields.value(QStringLiteral("expanded"));
    if (!expanded.isNull())
        task->setExpanded(expanded == kTrue);

    QDateTime time = parseDateTime(fields.value(QStringLiteral("creation-time")));
    if (time.isValid())
        task->setCreationTime(time);
    time = parseDateTime(fields.value(QStringLiteral("modification-time")));
    if (time.isValid())
        task->setModificationTime(time);
    time = parseDateTime(fields.value(QStringLiteral("deletion-time")));
    if (time.isValid())
        task->setDeletionTime(time);

    const QString none = QStringLiteral("none");
    const QString start = fields.value(QStringLiteral("start-time"));
    if (start != none) {
        time = parseDateTime(start);
        task->setStartTime(time.isValid() ? time : QDateTime());
    }
    const QString due = fields.value(QStringLiteral("due-time"));
    if (due != none) {
        time = parseDateTime(due);
        task->setDueTime(time.isValid() ? time : QDateTime());
    }

    const QString createdBy = fields.value(QStringLiteral("created-by"));
    if (!createdBy.isEmpty())
        task->setCreatedBy(createdBy);
    const QString doneBy = fields.value(QStringLiteral("done-by"));
    if (!doneBy.isEmpty())
        task->setDoneBy(doneBy);
    const QString lastModifiedBy = fields.value(QStringLiteral("last-modified-by"));
    if (!lastModifiedBy.isEmpty())
        task->setLastModifiedBy(lastModifiedBy);

    if (!server)
        task->setOutlookId(fields.value(QStringLiteral("outlook-id")));

    // A note is kept when it has an added time or a text, the same rule that
    // decides whether it is written, so no written note is lost on reading.
    const QDateTime noteTime = parseDateTime(fields.value(QStringLiteral("note-added-time")));
    const QString noteText = fields.value(QStringLiteral("note-text"));
    if (noteTime.isValid() || !noteText.isEmpty())
        task->setNote(noteTime.isValid() ? noteTime : QDateTime(), noteText.isNull() ? QString() : noteText);

    time = parseDateTime(fields.value(QStringLiteral("alarm-time")));
    if (time.isValid())
        task->setAlarmTime(time);

    const QString priority = fields.value(QStringLiteral("priority"));
    if (!priority.isEmpty())
        task->setPriority(TaskPriority::fromString(priority));

    const QDomElement assignments = childElementByClass(taskElement, QStringLiteral("pd-task-assignments"));
    if (!assignments.isNull())
        readTaskAssignments(task, assignments);
    const QDomElement attachments = childElementByClass(taskElement, QStringLiteral("pd-task-attachments"));
    if (!attachments.isNull())
        readTaskAttachments(task, attachments);
    const QDomElement children = childElementByClass(taskElement, QStringLiteral("pd-tasks"));
    if (!children.isNull())
        readTasks(task, children);
    return task;
}

bool TaskReaderWriter::readTasks(Task *parent, const QDomElement &tasksElement)
{
    const QString taskClass = QStringLiteral("pd-task");
    for (QDomElement e = tasksElement.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != taskClass)
            continue;
        Task *task = readTask(e);
        if (!task)
            return false;
        parent->insertChild(task, parent->childCount());
    }
    return true;
}

bool TaskReaderWriter::readRemovedTasks(QList<Task *> *tasks, const QDomElement &removedElement)
{
    const QString taskClass = QStringLiteral("pd-task");
    QList<Task *> read;
    for (QDomElement e = removedElement.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != taskClass)
            continue;
        Task *task = readTask(e);
        if (!task) {
            qDeleteAll(read);
            tasks->clear();
            return false;
        }
        read.append(task);
    }
    *tasks = read;
    return true;
}

bool TaskReaderWriter::readTaskAssignments(Task *task, const QDomElement &assignmentsElement)
{
    const QString assignmentClass = QStringLiteral("pd-task-assignment");
    for (QDomElement e = assignmentsElement.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != assignmentClass)
            return false;
        const QDomElement nick = mandatoryChildElementByClass(e, QStringLiteral("pd-user-nick"));
        if (nick.isNull())
            return false;
        task->assign(elementText(nick));
    }
    return true;
}

bool TaskReaderWriter::readTaskAttachments(Task *task, const QDomElement &attachmentsElement)
{
    const QString attachmentClass = QStringLiteral("pd-task-attachment");
    for (QDomElement e = attachmentsElement.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != attachmentClass)
            return false;
        const Fields fields(this, mandatoryChildElementByClass(e, QStringLiteral("pd-task-attachment-fields")));
        const QString type = fields.value(QStringLiteral("type"));
        const QString name = fields.value(QStringLiteral("name"));
        const QString url = fields.value(QStringLiteral("url"));
        if (type.isNull() || name.isNull() || url.isNull())
            return false;
        TaskAttachment *attachment = task->createAttachment(type, name, url);
        const QString description = fields.value(QStringLiteral("description"));
        if (!description.isNull())
            attachment->setDescription(description);
        const QString additional = fields.value(QStringLiteral("additional_data"));
        if (!additional.isNull())
            attachment->setAdditionalData(additional);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Server list documents

QDomDocument TaskReaderWriter::writeListRefs(const QList<quint32> &ids)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("pd-list-refs"));
    QDomElement ol = appendElementWithClass(body, QStringLiteral("ol"), QStringLiteral("pd-list-refs"));
    for (quint32 id : ids)
        writeListRef(ol, id);
    return doc;
}

void TaskReaderWriter::writeListRef(QDomElement parent, quint32 id)
{
    QDomElement li = appendElementWithClass(parent, QStringLiteral("li"), QStringLiteral("pd-list-ref"));
    QDomElement a = appendElementWithClass(li, QStringLiteral("a"), QStringLiteral("pd-list-id"));
    a.setAttribute(QStringLiteral("href"), QStringLiteral("/plumdeck/lists/%1").arg(id));
    a.appendChild(a.ownerDocument().createTextNode(listIdToString(id)));
}

bool TaskReaderWriter::readListRefs(const QDomDocument &doc, QList<quint32> &ids)
{
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return false;
    const QDomElement refs = childElementByClass(body, QStringLiteral("pd-list-refs"));
    if (refs.isNull())
        return true;
    const QString refClass = QStringLiteral("pd-list-ref");
    QList<quint32> read;
    for (QDomElement e = refs.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != refClass)
            continue;
        const quint32 id = readListRef(e);
        if (id == 0)
            return false;
        read.append(id);
    }
    ids = read;
    return true;
}

quint32 TaskReaderWriter::readListRef(const QDomElement &refElement)
{
    const QDomElement idElement = mandatoryChildElementByClass(refElement, QStringLiteral("pd-list-id"));
    if (idElement.isNull())
        return 0;
    return listIdFromElement(idElement);
}

quint32 TaskReaderWriter::listIdFromElement(const QDomElement &element)
{
    const QString text = elementText(element);
    quint32 id = 0;
    if (!parseUInt(text, &id)) {
        setError(QStringLiteral("expected list id '%1' to be a number").arg(text));
        return 0;
    }
    return id;
}

bool TaskReaderWriter::readListInfos(const QDomDocument &doc, QMap<quint32, ListInfo *> &infos)
{
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return false;
    const QDomElement list = childElementByClass(body, QStringLiteral("pd-list-infos"));
    if (list.isNull())
        return true;
    QMap<quint32, ListInfo *> read;
    auto fail = [&read](const char *message) {
        if (message)
            qDebug() << message;
        qDeleteAll(read);
        return false;
    };
    const QString infoClass = QStringLiteral("pd-list-info");
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != infoClass)
            return fail("Error parsing lists info: pd-list-infos found but pd-list-info not found in the li child");
        const QDomElement fields = childElementByClass(e, QStringLiteral("pd-list-fields"));
        if (fields.isNull())
            return fail("Error parsing lists info: pd-list-info found but pd-list-fields not found");
        ListInfo *info = readListInfo(fields);
        if (!info)
            return fail(nullptr);
        // A later info with the same id replaces the earlier one.
        delete read.value(info->id());
        read.insert(info->id(), info);
    }
    infos = read;
    return true;
}

ListInfo *TaskReaderWriter::readListInfo(const QDomElement &fieldsElement)
{
    const Fields fields(this, fieldsElement);
    const QString idText = fields.value(QStringLiteral("id"));
    const QString revisionText = fields.value(QStringLiteral("revision"));
    const QString sharedRevisionText = fields.value(QStringLiteral("shared_revision"));
    const QString name = fields.value(QStringLiteral("name"));
    const QString owned = fields.value(QStringLiteral("owned"));
    const QString owner = fields.value(QStringLiteral("owner"));
    const QString shared = fields.value(QStringLiteral("shared"));
    const QString permissions = fields.value(QStringLiteral("permissions"));
    if (idText.isNull() || revisionText.isNull() || sharedRevisionText.isNull() || name.isNull()
        || owned.isNull() || owner.isNull() || shared.isNull() || permissions.isNull()) {
        qDebug() << "Error parsing lists info: pd-list-fields found but one of the info fields is NULL";
        return nullptr;
    }
    quint32 id = 0;
    quint32 revision = 0;
    quint32 sharedRevision = 0;
    if (!parseUInt(idText, &id)) {
        qDebug() << "Error parsing lists info: invalid id number";
        return nullptr;
    }
    if (!parseUInt(revisionText, &revision)) {
        qDebug() << "Error parsing lists info: invalid revision number";
        return nullptr;
    }
    if (!parseUInt(sharedRevisionText, &sharedRevision)) {
        qDebug() << "Error parsing lists info: invalid shared revision number";
        return nullptr;
    }
    if (id == 0) {
        qDebug() << "Error parsing lists info: list id 0";
        return nullptr;
    }
    return new ListInfo(id, revision, sharedRevision, name, owner, permissions, owned == kTrue, shared == kTrue);
}

bool TaskReaderWriter::readSingleListInfo(const QDomDocument &doc, ListInfo *&info)
{
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return false;
    const QDomElement infoElement = childElementByClass(body, QStringLiteral("pd-list-info"));
    if (infoElement.isNull())
        return true;
    const QDomElement fields = childElementByClass(infoElement, QStringLiteral("pd-list-fields"));
    if (fields.isNull()) {
        qDebug() << "TaskReaderWriter::readSingleListInfo: Error parsing lists info: pd-list-info found but pd-list-fields not found";
        return false;
    }
    ListInfo *read = readListInfo(fields);
    if (!read)
        return false;
    info = read;
    return true;
}

quint32 TaskReaderWriter::readListId(const QDomDocument &doc)
{
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return 0;
    const QDomElement idElement = mandatoryChildElementByClass(body, QStringLiteral("pd-list-id"));
    if (idElement.isNull())
        return 0;
    return listIdFromElement(idElement);
}

quint32 TaskReaderWriter::readSharedRevision(const QDomDocument &doc)
{
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return 0;
    const QDomElement fields = mandatoryChildElementByClass(body, QStringLiteral("shared-fields"));
    if (fields.isNull())
        return 0;
    const QString text = definitionValue(fields, QStringLiteral("shared_revision"));
    if (text.isNull())
        return 0;
    return revisionFromString(text);
}

QDomDocument TaskReaderWriter::writeSharedUsers(const QMap<QString, QString> &users)
{
    QDomDocument doc = createDocument();
    QDomElement body = appendHeadAndBody(doc, QStringLiteral("permissions"));
    QDomElement ul = appendElementWithClass(body, QStringLiteral("ul"), QStringLiteral("pd-shared"));
    for (auto it = users.constBegin(); it != users.constEnd(); ++it)
        writeSharedUser(ul, it.key(), it.value());
    return doc;
}

bool TaskReaderWriter::readSharedUsers(const QDomDocument &doc, QMap<QString, QString> &users)
{
    const QDomElement root = doc.documentElement();
    const QDomElement head = mandatoryElementByTagName(root, QStringLiteral("head"));
    if (head.isNull())
        return false;
    const QDomElement title = mandatoryElementByTagName(head, QStringLiteral("title"));
    if (title.isNull() || elementText(title) != QLatin1String("permissions"))
        return false;
    const QDomElement body = bodyOf(doc);
    if (body.isNull())
        return false;
    const QDomElement shared = childElementByClass(body, QStringLiteral("pd-shared"));
    if (shared.isNull())
        return false;
    const QString currentUser = ServerSettings::instance()->userName();
    const QString userClass = QStringLiteral("pd-shared-user");
    for (QDomElement e = shared.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != userClass)
            continue;
        if (!readSharedUserFields(e, users, currentUser))
            return false;
    }
    return true;
}

bool TaskReaderWriter::readSharedUserFields(const QDomElement &userElement, QMap<QString, QString> &users,
                                            const QString &currentUser)
{
    const QDomElement fieldsElement =
        mandatoryChildElementByClass(userElement, QStringLiteral("pd-shared-user-fields"));
    if (fieldsElement.isNull())
        return false;
    const Fields fields(this, fieldsElement);
    const QString name = fields.value(QStringLiteral("name"));
    const QString permissions = fields.value(QStringLiteral("permissions"));
    if (name.isNull() || permissions.isNull())
        return false;
    if (name != currentUser)
        users.insert(name, permissions);
    return true;
}

void TaskReaderWriter::writeListSharedUsers(const QMap<QString, QString> &users, QDomElement parent)
{
    DomSink sink(this, parent);
    emitListSharedUsers(sink, users);
}

template<typename Sink>
void TaskReaderWriter::emitListSharedUsers(Sink &sink, const QMap<QString, QString> &users)
{
    if (users.isEmpty())
        return;
    sink.start(QStringLiteral("ul"), QStringLiteral("pd-shared"));
    for (auto it = users.constBegin(); it != users.constEnd(); ++it)
        emitSharedUser(sink, it.key(), it.value());
    sink.end();
}

void TaskReaderWriter::writeSharedUser(QDomElement parent, const QString &name, const QString &permissions)
{
    DomSink sink(this, parent);
    emitSharedUser(sink, name, permissions);
}

template<typename Sink>
void TaskReaderWriter::emitSharedUser(Sink &sink, const QString &name, const QString &permissions)
{
    sink.start(QStringLiteral("li"), QStringLiteral("pd-shared-user"));
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-shared-user-fields"));
    sink.definition(QStringLiteral("name"), name);
    sink.definition(QStringLiteral("permissions"), permissions);
    sink.end();
    sink.end();
}
