#include "model/taskreaderwriter.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklistimage.h"
#include "model/userlists.h"
#include "core/serversettings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QFileDevice>
#include <QXmlStreamWriter>
#include <QIODevice>
#include <QRegularExpression>
#include <QUrl>
#include <QVarLengthArray>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

const QString kClass = QStringLiteral("class");
const QString kTrue = QStringLiteral("true");
const QString kFalse = QStringLiteral("false");
const QString kOwnerPermissions = QStringLiteral("orwd");

QString boolText(bool value)
{
    return value ? kTrue : kFalse;
}

using Element = ElementTree::Element;

// A text as an element gives it: null when there is none (a missing key),
// empty for an element without children.
struct Value
{
    QStringView text;
    bool isNull = true;

    bool isEmpty() const { return text.isEmpty(); }
    QString toString() const
    {
        if (isNull)
            return QString();
        return text.isEmpty() ? QString(QLatin1String("")) : text.toString();
    }
};

// The text of an element: its leading run of character data; an error
// when its first child is anything else.
Value textOf(XMLReaderWriter *frame, Element element)
{
    switch (element.textKind()) {
    case ElementTree::NoChild:
        return {QStringView(), false};
    case ElementTree::Text:
        return {element.text(), false};
    case ElementTree::NullText:
        return {QStringView(), true};
    case ElementTree::OtherChild:
        break;
    }
    frame->setUnexpectedChildError(element.tagName().toString());
    return {QStringView(), false};
}

// The fields of a definition list: the first dt of each term with the
// element after it (null when that is not a dd). A value's text is taken
// (and its error set) only when asked for.
class Fields
{
public:
    Fields(XMLReaderWriter *frame, Element dl)
        : m_frame(frame)
    {
        for (Element e = dl.firstChild(); !e.isNull(); e = e.nextSibling()) {
            if (e.tagName() != u"dt")
                continue;
            Element next = e.nextSibling();
            if (!next.isNull() && next.tagName() != u"dd")
                next = Element();
            m_entries.append({textOf(frame, e).text, next});
        }
    }

    // Null when the key is missing or its dt has no dd.
    Value value(QStringView key) const
    {
        // The rules ask for a fixed few keys: a scan each beats hashing
        // every term.
        for (const Entry &entry : m_entries) {
            if (entry.term == key)
                return entry.dd.isNull() ? Value() : textOf(m_frame, entry.dd);
        }
        return Value();
    }

private:
    struct Entry
    {
        QStringView term;
        Element dd;
    };
    XMLReaderWriter *m_frame;
    QVarLengthArray<Entry, 24> m_entries;
};

ElementTree treeOf(const QDomElement &element)
{
    ElementTree tree;
    if (!element.isNull())
        tree.appendDom(element);
    return tree;
}

// A DOM element's fields, read by the same rules.
class DomFields
{
public:
    DomFields(XMLReaderWriter *frame, const QDomElement &dl)
        : m_tree(treeOf(dl))
        , m_fields(frame, m_tree.root())
    {
    }
    DomFields(const DomFields &) = delete;
    DomFields &operator=(const DomFields &) = delete;
    QString value(QStringView key) const { return m_fields.value(key).toString(); }

private:
    ElementTree m_tree;
    Fields m_fields;
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

// What a sink is asked to write, as one text: two parts that give the same
// text are written, and so read, the same.
class RecordSink
{
public:
    void start(const QString &tag, const QString &cls) { add(u'<', tag, cls); }
    void end() { m_record += u'>'; }
    void text(const QString &tag, const QString &text, const QString &cls = QString())
    {
        add(u'=', tag, cls);
        add(u'"', text, QString());
    }
    void definition(const QString &term, const QString &value) { add(u':', term, value); }
    const QString &record() const { return m_record; }

private:
    void add(QChar kind, const QString &a, const QString &b)
    {
        m_record += kind;
        m_record += QString::number(a.size()) + u' ' + a;
        m_record += QString::number(b.size()) + u' ' + b;
    }

    QString m_record;
};

} // namespace

TaskReaderWriter::TaskReaderWriter(int documentKind)
    : XMLReaderWriter(documentKind)
{
}

TaskReaderWriter::~TaskReaderWriter()
{
    dropReadAhead();
}

// ---------------------------------------------------------------------------
// Text forms

bool TaskReaderWriter::parseUInt(QStringView text, quint32 *value)
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

quint32 TaskReaderWriter::numberFromString(QStringView text, const QString &errorPrefix, ZeroIs zero)
{
    quint32 value = 0;
    if (!parseUInt(text, &value) || (value == 0 && zero == NonZero)) {
        setError(errorPrefix + text.toString());
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
    if (!device || (!device->isOpen() && !device->open(QIODevice::WriteOnly)) || !device->isWritable()) {
        setError(QStringLiteral("couldn't open device for writing"));
        return false;
    }
    // Never a file the reader refuses for its size: past the bound, agreed
    // copies are left out, the largest first, until it fits (those lists
    // then read as written before agreed copies were kept, and merge by the
    // marks of their uploads); a document that does not fit without any is
    // not written. A device that cannot be measured and started again is
    // written once, as it comes.
    const bool measured = !device->isSequential();
    m_agreedLeftOut.clear();
    for (int attempt = 0;; ++attempt) {
        m_agreedBytes.clear();
        m_measured = measured ? device : nullptr;
        const bool written = writeListsDocument(lists, device);
        m_measured = nullptr;
        if (!written)
            return false;
        const qint64 size = device->pos();
        if (!measured || size <= maxDocumentBytes())
            break;
        if (m_agreedBytes.isEmpty() || !restart(device)) {
            setError(QStringLiteral("the lists take %1 bytes, more than the %2 a lists file may hold: not written")
                         .arg(size)
                         .arg(maxDocumentBytes()));
            return false;
        }
        QList<std::pair<qint64, const TaskList *>> parts;
        for (auto it = m_agreedBytes.cbegin(); it != m_agreedBytes.cend(); ++it)
            parts.append({it.value(), it.key()});
        std::sort(parts.begin(), parts.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        // What a measure between two tokens may miss: the end of a tag.
        const qint64 slack = 16;
        qint64 excess = size - maxDocumentBytes();
        for (const auto &[bytes, list] : std::as_const(parts)) {
            if (attempt == 0 && excess <= 0)
                break;
            m_agreedLeftOut.insert(list);
            excess -= bytes - slack;
        }
    }
    if (!m_agreedLeftOut.isEmpty())
        qWarning().noquote() << m_agreedLeftOut.size()
                             << "edited lists were saved without what they agreed with the server, so that the "
                                "lists file stays within"
                             << maxDocumentBytes() << "bytes";
    return true;
}

bool TaskReaderWriter::restart(QIODevice *device)
{
    if (auto *file = qobject_cast<QFileDevice *>(device))
        return file->flush() && file->resize(0) && file->seek(0);
    if (auto *buffer = qobject_cast<QBuffer *>(device)) {
        if (!buffer->seek(0))
            return false;
        buffer->buffer().clear();
        return true;
    }
    return false;
}

bool TaskReaderWriter::writeListsDocument(UserLists *lists, QIODevice *device)
{
    // Streamed rather than built as a tree and then serialised: the same
    // document, in a fraction of the time and memory (writeLists gives the
    // tree when one is wanted).
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

namespace {

QStringView classOf(const QXmlStreamReader &reader)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.qualifiedName() == kClass)
            return attribute.value();
    }
    return QStringView();
}

} // namespace

struct TaskReaderWriter::ListGathering
{
    ElementTree list; // its top-level tasks only as marked placeholders
    ElementTree task; // the top-level task being gathered
    int depth = 0;    // of the list element
    bool inTasks = false;
    int taskDepth = 0; // of the task being gathered, 0 when none
    int taskSlot = -1;
};

bool TaskReaderWriter::gather(ListGathering &g, const QXmlStreamReader &reader, int depth)
{
    const QXmlStreamReader::TokenType token = reader.tokenType();
    if (g.taskDepth > 0) {
        g.task.read(reader);
        if (token == QXmlStreamReader::EndElement && depth == g.taskDepth) {
            g.list.read(reader);
            readAhead(g.task.root(), g.taskSlot);
            g.task.clear();
            g.taskDepth = 0;
        }
        return false;
    }
    g.list.read(reader);
    if (token == QXmlStreamReader::StartElement) {
        // Only the tasks that readTasks takes from the list's own task
        // sequences are read ahead.
        if (depth == g.depth + 1) {
            const QStringView className = classOf(reader);
            g.inTasks = className == u"pd-tasks" || className == u"pd-removed-tasks";
        } else if (g.inTasks && depth == g.depth + 2 && classOf(reader) == u"pd-task") {
            g.taskSlot = int(m_readAhead.size());
            m_readAhead.append(ReadAhead());
            g.list.setMark(g.list.current(), g.taskSlot);
            g.task.read(reader);
            g.taskDepth = depth;
        }
    } else if (token == QXmlStreamReader::EndElement && depth == g.depth + 1) {
        g.inTasks = false;
    }
    return token == QXmlStreamReader::EndElement && depth == g.depth;
}

void TaskReaderWriter::readAhead(Element taskElement, int slot)
{
    const ErrorState before = errorState();
    const int failedBefore = m_failedTasks;
    Task *task = readTask(taskElement);
    const ErrorState after = errorState();
    ReadAhead &ahead = m_readAhead[slot];
    ahead.task = task;
    ahead.error = after.text;
    ahead.errors = after.count - before.count;
    ahead.failedTasks = m_failedTasks - failedBefore;
    restoreErrorState(before);
    m_failedTasks = failedBefore;
}

Task *TaskReaderWriter::takeTask(Element taskElement)
{
    const int slot = taskElement.mark();
    if (slot < 0 || slot >= m_readAhead.size())
        return readTask(taskElement);
    ReadAhead &ahead = m_readAhead[slot];
    if (ahead.errors > 0)
        restoreErrorState({ahead.error, errorState().count + ahead.errors});
    m_failedTasks += ahead.failedTasks;
    return std::exchange(ahead.task, nullptr);
}

void TaskReaderWriter::dropReadAhead()
{
    // The tasks the rules did not take: a sequence they never read, or the
    // rest of one after a task that failed.
    for (const ReadAhead &ahead : std::as_const(m_readAhead))
        delete ahead.task;
    m_readAhead.clear();
}

UserLists *TaskReaderWriter::loadLists(QIODevice *device)
{
    // The rules are those of readLists, which finds its elements in a whole
    // tree: "head" and "body" anywhere under the root, each exactly once,
    // and a list's or the local fields' parts by class among all their
    // children. The stream counts what the tree would be searched for and
    // gathers one list at a time (and of it one top-level task at a time),
    // so that little more than the lists read is held; what the tree would
    // have refused first is decided at the end.
    TokenStream stream(this, device);
    if (stream.failed())
        return nullptr;
    std::unique_ptr<UserLists> lists(UserLists::create());
    const QString head = QStringLiteral("head");
    const QString body = QStringLiteral("body");
    const QString meta = QStringLiteral("meta");
    const QString listClass = QStringLiteral("pd-list");
    const QString localFieldsClass = QStringLiteral("pd-local-fields");

    QString rootName;
    QList<Meta> metas;
    int depth = 0;
    int heads = 0;
    int bodies = 0;
    int headDepth = 0; // of the first head and body, while open
    int bodyDepth = 0;
    ListGathering list;
    bool gatheringList = false;
    ElementTree localFields;
    bool gatheringFields = false;
    int localFieldsSeen = 0;
    int listsSeen = 0;
    bool listFailed = false;
    const ErrorState before = errorState();

    while (stream.readNext()) {
        const QXmlStreamReader &reader = stream.reader();
        const QXmlStreamReader::TokenType token = reader.tokenType();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = reader.qualifiedName();
            if (depth == 1) {
                rootName = name.toString();
            } else if (name == head) {
                if (++heads == 1)
                    headDepth = depth;
            } else if (name == body) {
                if (++bodies == 1)
                    bodyDepth = depth;
            } else if (headDepth > 0 && depth == headDepth + 1 && name == meta) {
                const QXmlStreamAttributes attributes = reader.attributes();
                auto attribute = [&attributes](const QString &name) {
                    return attributes.hasAttribute(name) ? attributes.value(name).toString() : QString();
                };
                metas.append({attribute(QStringLiteral("name")), attribute(QStringLiteral("content"))});
            }
            // Once a list failed or a second head or body showed, the load
            // fails whatever follows: the rest is only walked.
            if (!gatheringList && !gatheringFields && bodyDepth > 0 && depth == bodyDepth + 1 && !listFailed
                && heads < 2 && bodies < 2) {
                const QStringView className = classOf(reader);
                if (className == listClass) {
                    gatheringList = true;
                    list.depth = depth;
                    // A list nested too deep costs that list alone, as
                    // one whose tasks go too deep does.
                    if (skipsUnreadRecords())
                        stream.allowDeepRecord(depth);
                } else if (className == localFieldsClass && ++localFieldsSeen == 1) {
                    gatheringFields = true;
                }
            }
        }
        if (gatheringList) {
            // Past the element bound nothing more of the list is gathered:
            // its end is only looked for.
            const bool tooDeep = stream.recordTooDeep();
            if (tooDeep ? token == QXmlStreamReader::EndElement && depth == list.depth : gather(list, reader, depth)) {
                if (tooDeep)
                    leaveOutList(list.list.root(), ++listsSeen, tooDeepText(), errorState());
                else
                    listFailed = !addListRecord(lists.get(), list.list.root(), ++listsSeen);
                stream.allowDeepRecord(0);
                dropReadAhead();
                list.list.clear();
                list.task.clear();
                list.inTasks = false;
                list.taskDepth = 0;
                gatheringList = false;
            }
        } else if (gatheringFields) {
            localFields.read(reader);
            gatheringFields = token != QXmlStreamReader::EndElement || depth != bodyDepth + 1;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (depth == headDepth)
                headDepth = 0;
            if (depth == bodyDepth)
                bodyDepth = 0;
            --depth;
        }
    }
    dropReadAhead();
    if (stream.failed())
        return nullptr;
    const bool listsSetError = errorState().count != before.count;

    if (!foundOnce(heads, head, rootName) || !checkHead(metas) || !foundOnce(bodies, body, rootName)
        || listFailed)
        return nullptr;

    // The local fields are read before the lists in a tree: an error of a
    // list is the later one, and stays the one reported.
    const ErrorState afterLists = errorState();
    if (localFieldsSeen > 1)
        setDuplicateClassError(localFieldsClass, body);
    else if (localFieldsSeen == 1)
        readLocalFields(localFields.root(), lists.get());
    if (listsSetError)
        restoreErrorState({afterLists.text, errorState().count});

    // An error that let the reading go on still fails the load: a lists file
    // read in part must not replace the whole.
    if (!errorString().isEmpty())
        return nullptr;
    lists->setTasksIdentified(m_tasksWithoutLineage == 0);
    return lists.release();
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
    if (const std::optional<QList<quint32>> &agreed = lists->agreedDisplayOrder()) {
        sink.definition(QStringLiteral("agreed-display-order"), idListText(*agreed));
        if (const std::optional<QSet<quint32>> &moved = lists->movedInOrder()) {
            QList<quint32> ids(moved->cbegin(), moved->cend());
            std::sort(ids.begin(), ids.end());
            sink.definition(QStringLiteral("display-order-moved"), idListText(ids));
        }
        if (!lists->arrivedInOrder().isEmpty()) {
            QList<quint32> ids(lists->arrivedInOrder().cbegin(), lists->arrivedInOrder().cend());
            std::sort(ids.begin(), ids.end());
            sink.definition(QStringLiteral("display-order-arrived"), idListText(ids));
        }
    }
    if (!lists->outlookLastSyncTime().isNull())
        sink.definition(QStringLiteral("outlook-last-sync-time"), dateTimeToString(lists->outlookLastSyncTime()));
    if (!lists->account().isEmpty())
        sink.definition(QStringLiteral("account"), lists->account());
    sink.end();
}

void TaskReaderWriter::readLocalFields(Element fields, UserLists *lists)
{
    const Fields values(this, fields);
    lists->setDisplayOrderChanged(values.value(u"display-order-changed").text == kTrue);
    lists->setOutlookLastSyncTime(parseDateTime(values.value(u"outlook-last-sync-time").text));
    lists->setAccount(values.value(u"account").toString());
    // One that does not read is unknown: the next order uploaded then
    // takes the server's where it can tell nothing was moved here.
    const Value agreed = values.value(u"agreed-display-order");
    if (!agreed.isNull) {
        std::optional<QList<quint32>> ids = parseIdList(agreed.toString());
        if (!ids)
            qWarning() << "the agreed display order of the lists does not read; it is left out";
        lists->setAgreedDisplayOrder(ids);
        // Beside it, which lists were moved here since; untold, the orders
        // themselves are read for it.
        const Value movedText = values.value(u"display-order-moved");
        const std::optional<QList<quint32>> moved
            = movedText.isNull ? std::nullopt : parseIdList(movedText.toString());
        lists->setMovedInOrder(moved ? std::optional<QSet<quint32>>(QSet<quint32>(moved->cbegin(), moved->cend()))
                                     : std::nullopt);
        // One that does not read places those lists as if made here.
        const std::optional<QList<quint32>> arrived
            = parseIdList(values.value(u"display-order-arrived").toString());
        lists->setArrivedInOrder(arrived ? QSet<quint32>(arrived->cbegin(), arrived->cend()) : QSet<quint32>());
    }
}

QString TaskReaderWriter::idListText(const QList<quint32> &ids)
{
    QStringList parts;
    parts.reserve(ids.size());
    for (quint32 id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(' '));
}

std::optional<QList<quint32>> TaskReaderWriter::parseIdList(const QString &text)
{
    QList<quint32> ids;
    for (const QString &part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        quint32 id = 0;
        if (!parseUInt(part, &id) || id == 0 || ids.contains(id))
            return std::nullopt;
        ids << id;
    }
    return ids;
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

    ElementTree tree;
    const QDomElement localFields = childElementByClass(body, QStringLiteral("pd-local-fields"));
    if (!localFields.isNull()) {
        tree.appendDom(localFields);
        readLocalFields(tree.root(), lists);
    }

    const QString listClass = QStringLiteral("pd-list");
    int position = 0;
    for (QDomElement e = body.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(kClass) != listClass)
            continue;
        tree.clear();
        tree.appendDom(e);
        if (!addListRecord(lists, tree.root(), ++position)) {
            delete lists;
            return nullptr;
        }
    }
    lists->setTasksIdentified(m_tasksWithoutLineage == 0);
    return lists;
}

bool TaskReaderWriter::addReadList(UserLists *lists, Element listElement)
{
    TaskList *list = readList(listElement);
    if (!list)
        return false;

    UserLists::AddResult result = UserLists::Added;
    ListModel *model = lists->addList(list, &result);
    bool readModelFields = true;
    if (result == UserLists::Refused) {
        const quint32 id = list->serverId();
        if (list->syncStatus() == TaskList::Deleted) {
            // Its tasks were cleared when it was deleted: nothing to keep.
            qWarning() << "dropping a second deleted list with server id" << id;
            delete list;
            return true;
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
            return true;
        }
        readModelFields = false;
    }
    if (!model)
        return true;

    if (documentKind() == LocalDocument && readModelFields && model->isOwned()) {
        readSharedFields(model, listElement);
        if (!readListSharedUsers(model, listElement)) {
            const QString text = QStringLiteral(
                "TaskReaderWriter pharsinig error in readList method while trying to read the list of shared users");
            qWarning().noquote() << text;
            setError(text);
            return false;
        }
        readAgreedSharing(model, listElement);
        readSentSharing(model, listElement);
        readImportedSharing(model, listElement);
    }
    if (documentKind() == LocalDocument)
        readListColumns(model, listElement);
    return true;
}

bool TaskReaderWriter::addListRecord(UserLists *lists, Element listElement, int position)
{
    if (!skipsUnreadRecords())
        return addReadList(lists, listElement);
    const ErrorState before = errorState();
    const qsizetype models = lists->models().size();
    const qsizetype deleted = lists->deletedLists().size();
    if (addReadList(lists, listElement) && errorState().count == before.count)
        return true;
    // A part read after the list was added failed: it goes again, whole.
    if (lists->models().size() > models)
        lists->purgeList(lists->models().last()->taskList());
    else if (lists->deletedLists().size() > deleted)
        lists->purgeList(lists->deletedLists().last());
    const QString reason = errorSince(before);
    leaveOutList(listElement, position, reason.isEmpty() ? QStringLiteral("list refused") : reason, before);
    return true;
}

void TaskReaderWriter::leaveOutList(Element listElement, int position, const QString &reason,
                                    const ErrorState &before)
{
    UnreadRecord record;
    record.position = position;
    record.reason = reason;
    // What the user may know the list by, as far as it can be read.
    const Fields fields(this, childByClass(listElement, QStringLiteral("pd-list-fields")));
    record.name = fields.value(u"name").toString();
    parseUInt(fields.value(u"id").text, &record.serverId);
    leaveOut(record, before);
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
        if (!list->pendingUpload().isEmpty())
            sink.definition(QStringLiteral("pending-upload"), list->pendingUpload());
        if (!list->untoldKept().isEmpty())
            sink.definition(QStringLiteral("kept-untold"), list->untoldKept());
        if (!list->untoldKeptAs().isEmpty())
            sink.definition(QStringLiteral("kept-untold-as"), list->untoldKeptAs());
        if (!list->untoldKeptTasks().isEmpty())
            sink.definition(QStringLiteral("kept-tasks-untold"), list->untoldKeptTasks().join(QLatin1Char('\n')));
    }
    // A removed list whose upload is in doubt has no id yet.
    const bool removedInDoubt = status == TaskList::Deleted && list->serverId() == 0
                                && !list->pendingUpload().isEmpty();
    if (status != TaskList::New && !removedInDoubt) {
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
        if (!model->backupKey().isEmpty())
            sink.definition(QStringLiteral("backup-key"), model->backupKey());
    }
    sink.end();

    if (model && list->isOwned()) {
        emitListSharedUsers(sink, model->sharedUsers());
        if (local) {
            emitAgreedSharing(sink, model);
            emitSentSharing(sink, model);
            emitImportedSharing(sink, model);
        }
    }

    emitTasks(sink, list->rootTask());

    emitRemovedTasks(sink, list->removedTasks());
    // An unedited list is what it agreed: only an edited one keeps a copy,
    // and a removed one, whose removal takes only what it agreed.
    if (local && (status == TaskList::Edited || status == TaskList::Deleted) && !m_agreedLeftOut.contains(list)) {
        if (const std::shared_ptr<const TaskListImage> agreed = list->agreedImage()) {
            const qint64 before = m_measured ? m_measured->pos() : 0;
            emitAgreed(sink, list, *agreed);
            if (m_measured)
                m_agreedBytes.insert(list, m_measured->pos() - before);
        }
    }
    sink.end();
}

// Beside the list's own parts, in a part older versions pass by (they read
// such a list as one written before agreed copies were kept). Of the tasks,
// only those that differ from the list's own are written whole; the others
// are named by their id, in a line that gives the agreed tree's shape: for
// each task in tree order its level and its id, or "*" for the next task of
// the changed ones. The changed tasks are written without children, so that
// the part is never deeper than the list's own tasks.
template<typename Sink>
void TaskReaderWriter::emitAgreed(Sink &sink, const TaskList *list, const TaskListImage &agreed)
{
    sink.start(QStringLiteral("div"), QStringLiteral("pd-agreed-list"));
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-agreed-list-fields"));
    sink.definition(QStringLiteral("id"), listIdToString(agreed.serverId()));
    sink.definition(QStringLiteral("revision"), revisionToString(agreed.revision()));
    sink.definition(QStringLiteral("name"), agreed.name());
    sink.definition(QStringLiteral("done"), boolText(agreed.isDone()));
    sink.definition(QStringLiteral("description"), agreed.description());
    sink.end();

    // The list's tasks as written (untyped ones hold no id), by id, where
    // one id names one task.
    QHash<quint32, const Task *> own;
    QSet<quint32> sharedIds;
    const auto learn = [&](const Task *task) {
        if (task->id() == 0 || sharedIds.contains(task->id()))
            return;
        if (own.contains(task->id())) {
            own.remove(task->id());
            sharedIds.insert(task->id());
        } else {
            own.insert(task->id(), task);
        }
    };
    const Task *root = list->rootTask();
    for (const Task *top : root->children()) {
        if (top->isUntypedRecursively())
            continue;
        learn(top);
        top->forEachBelow(learn);
    }

    QString shape;
    QList<int> changed;
    for (int i = 1; i < agreed.taskCount(); ++i) {
        const Task *mine = own.value(agreed.taskId(i));
        bool same = mine && agreed.sharesContentWith(i, mine);
        if (mine && !same) {
            const std::unique_ptr<Task> before(agreed.task(i));
            RecordSink a, b;
            emitTaskParts(a, before.get());
            emitTaskParts(b, mine);
            same = a.record() == b.record();
        }
        if (!shape.isEmpty())
            shape += QLatin1Char(' ');
        shape += QString::number(agreed.level(i)) + QLatin1Char(':');
        if (same) {
            shape += taskIdToString(agreed.taskId(i));
        } else {
            shape += QLatin1Char('*');
            changed.append(i);
        }
    }
    sink.text(QStringLiteral("p"), shape, QStringLiteral("pd-agreed-list-tree"));
    if (!changed.isEmpty()) {
        sink.start(QStringLiteral("ol"), QStringLiteral("pd-agreed-list-changes"));
        for (int i : std::as_const(changed)) {
            const std::unique_ptr<Task> task(agreed.task(i));
            sink.start(QStringLiteral("li"), QStringLiteral("pd-task"));
            emitTaskParts(sink, task.get());
            sink.end();
        }
        sink.end();
    }
    sink.end();
}

TaskReaderWriter::Element TaskReaderWriter::childByClass(Element parent, const QString &className, bool mandatory)
{
    Element found;
    for (Element e = parent.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (!e.hasClass(className))
            continue;
        if (!found.isNull()) {
            setDuplicateClassError(className, parent.tagName().toString());
            return Element();
        }
        found = e;
    }
    if (found.isNull() && mandatory)
        setMissingClassError(className, parent.tagName().toString());
    return found;
}

TaskList *TaskReaderWriter::readList(const QDomElement &listElement)
{
    const ElementTree tree = treeOf(listElement);
    return readList(tree.root());
}

TaskList *TaskReaderWriter::readList(Element listElement)
{
    TaskList *list = TaskList::create();
    const Fields fields(this, childByClass(listElement, QStringLiteral("pd-list-fields")));
    auto fail = [list](const QString &report = QString()) -> TaskList * {
        if (!report.isEmpty())
            qWarning().noquote() << report;
        delete list;
        return nullptr;
    };

    list->setName(fields.value(u"name").toString());

    bool hasServerFields = true;
    if (documentKind() == LocalDocument) {
        const Value statusText = fields.value(u"sync-status");
        if (statusText.isEmpty()) {
            qWarning() << "missing sync-status, legacy file?";
            hasServerFields = false;
        } else {
            const TaskList::SyncStatus status = syncStatusFromString(statusText.toString());
            if (status == TaskList::LocallyUnknown)
                return fail();
            list->setSyncStatus(status);
            hasServerFields = status != TaskList::New;
            // A removed list whose upload is in doubt has no id yet.
            if (status == TaskList::Deleted && fields.value(u"id").isNull
                && !fields.value(u"pending-upload").toString().isEmpty())
                hasServerFields = false;
        }
    } else {
        list->setSyncStatus(TaskList::Unedited);
    }

    list->setDone(fields.value(u"done").text == kTrue);
    const Value description = fields.value(u"description");
    if (!description.isNull)
        list->setDescription(description.toString());

    // A zero id or revision fails with the same error text as a malformed
    // one, so that the failed load says why.
    const QString badListId = QStringLiteral("bad list id string ");
    if (hasServerFields) {
        const quint32 id = numberFromString(fields.value(u"id").text, badListId, NonZero);
        if (id == 0)
            return fail();
        list->setServerId(id);
        const quint32 revision = numberFromString(fields.value(u"revision").text,
                                                  QStringLiteral("bad rev num string "), NonZero);
        if (revision == 0)
            return fail();
        list->setRevision(revision);
    }

    if (documentKind() == LocalDocument) {
        list->setOutlookId(fields.value(u"outlook-id").toString());
        list->setPendingUpload(fields.value(u"pending-upload").toString());
        list->setUntoldKept(fields.value(u"kept-untold").toString());
        list->setUntoldKeptAs(fields.value(u"kept-untold-as").toString());
        list->setUntoldKeptTasks(
            fields.value(u"kept-tasks-untold").toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts));
        const Value localIdText = fields.value(u"local-id");
        if (!localIdText.isNull) {
            const quint32 localId = numberFromString(localIdText.text, badListId, NonZero);
            if (localId == 0)
                return fail();
            list->setLocalId(localId);
        }
    }

    // The consistency reports also become the error text, so that a failed
    // load never logs an empty reason.
    const Value owned = fields.value(u"owned");
    const Value permissions = fields.value(u"permissions");
    if (owned.isNull) {
        list->setOwned(true);
        list->setPermissions(kOwnerPermissions);
    } else if (owned.text == kTrue) {
        list->setOwned(true);
        list->setPermissions(permissions.isNull ? kOwnerPermissions : permissions.toString());
    } else if (owned.text == kFalse) {
        list->setOwned(false);
        if (permissions.isNull) {
            const QString text = QStringLiteral(
                "TaskReaderWriter error pharsing a task list, owned=false but no permissions found");
            setError(text);
            return fail();
        }
        list->setPermissions(permissions.toString());
        const Value owner = fields.value(u"owner");
        if (owner.isNull) {
            setError(QStringLiteral("TaskReaderWriter error pharsing a task list, owned=false but no owner found"));
            return fail();
        }
        list->setOwner(sharedName(owner.text));
    } else {
        setError(QStringLiteral("TaskReaderWriter error pharsing a task list, owned value invalid"));
        return fail();
    }

    const Element tasks = childByClass(listElement, QStringLiteral("pd-tasks"));
    if (!tasks.isNull() && !readTasks(list->rootTask(), tasks))
        return fail();

    const Element removed = childByClass(listElement, QStringLiteral("pd-removed-tasks"));
    if (!removed.isNull()) {
        QList<Task *> removedTasks;
        if (!readRemovedTasks(&removedTasks, removed))
            return fail();
        list->setRemovedTasks(removedTasks);
    }
    if (documentKind() == LocalDocument) {
        if (list->syncStatus() == TaskList::Unedited)
            list->agreeAsIs();
        else if (list->syncStatus() == TaskList::Edited || list->syncStatus() == TaskList::Deleted)
            readAgreed(list, listElement);
    }
    return list;
}

void TaskReaderWriter::readAgreed(TaskList *list, Element listElement)
{
    const ErrorState before = errorState();
    const int failedBefore = m_failedTasks;
    const Element compact = childByClass(listElement, QStringLiteral("pd-agreed-list"));
    // A file of an earlier version holds the whole copy.
    const Element fieldsElement = compact.isNull() ? childByClass(listElement, QStringLiteral("pd-agreed-fields"))
                                                   : childByClass(compact, QStringLiteral("pd-agreed-list-fields"));
    if (fieldsElement.isNull() || errorState().count != before.count) {
        restoreErrorState(before);
        return;
    }
    std::unique_ptr<TaskList> agreed(TaskList::create());
    const Fields fields(this, fieldsElement);
    const quint32 id = numberFromString(fields.value(u"id").text, QStringLiteral("bad list id string "), NonZero);
    const quint32 revision
        = numberFromString(fields.value(u"revision").text, QStringLiteral("bad rev num string "), NonZero);
    const Value done = fields.value(u"done");
    bool read = id == list->serverId() && revision != 0 && (done.text == kTrue || done.text == kFalse);
    if (read && !compact.isNull()) {
        read = readAgreedTasks(agreed->rootTask(), list, compact);
    } else if (read) {
        const Element tasks = childByClass(listElement, QStringLiteral("pd-agreed-tasks"));
        if (!tasks.isNull())
            read = readTasks(agreed->rootTask(), tasks);
    }
    if (!read || m_failedTasks != failedBefore || errorState().count != before.count) {
        qWarning() << "the agreed copy of list" << list->serverId() << "does not read; the list merges without it";
        restoreErrorState(before);
        m_failedTasks = failedBefore;
        return;
    }
    agreed->setSyncStatus(TaskList::Unedited);
    agreed->setServerId(id);
    agreed->setRevision(revision);
    agreed->setName(fields.value(u"name").toString());
    agreed->setDone(done.text == kTrue);
    agreed->setDescription(fields.value(u"description").toString());
    agreed->setOwned(list->isOwned());
    agreed->setOwner(list->owner());
    agreed->setPermissions(list->permissions());
    // One that reads but cannot be what the list agreed (a task under
    // another's id, another revision) would tell the merge wrong changes.
    if (!list->fitsAgreed(agreed.get())) {
        qWarning() << "the agreed copy of list" << list->serverId() << "does not fit the list and is left out";
        return;
    }
    // Kept as an image: the tasks named by id share the list's values.
    list->setAgreedImage(std::make_shared<const TaskListImage>(*agreed));
}

bool TaskReaderWriter::readAgreedTasks(Task *root, const TaskList *list, Element compact)
{
    const Element shapeElement = childByClass(compact, QStringLiteral("pd-agreed-list-tree"), true);
    const Element changesElement = childByClass(compact, QStringLiteral("pd-agreed-list-changes"));
    if (shapeElement.isNull())
        return false;
    QList<Element> changed;
    for (Element e = changesElement.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (e.tagName() != u"li" || !e.hasClass(QStringLiteral("pd-task")))
            return false;
        changed.append(e);
    }
    // The list's own tasks by id, where one id names one task.
    QHash<quint32, const Task *> own;
    QSet<quint32> sharedIds;
    list->rootTask()->forEachBelow([&](const Task *task) {
        if (task->id() == 0 || sharedIds.contains(task->id()))
            return;
        if (own.contains(task->id())) {
            own.remove(task->id());
            sharedIds.insert(task->id());
        } else {
            own.insert(task->id(), task);
        }
    });

    const Value shape = textOf(this, shapeElement);
    QList<Task *> parents{root};
    int next = 0;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (QStringView token : shape.text.split(blanks, Qt::SkipEmptyParts)) {
        const qsizetype colon = token.indexOf(u':');
        quint32 level = 0;
        if (colon < 0 || !parseUInt(token.left(colon), &level) || level == 0 || level > quint32(parents.size())
            || level > quint32(maxTaskDepth))
            return false;
        const QStringView name = token.mid(colon + 1);
        Task *task = nullptr;
        if (name == u"*") {
            if (next >= changed.size())
                return false;
            task = readTask(changed.at(next++));
            if (!task)
                return false;
            if (task->childCount() > 0) {
                delete task;
                return false;
            }
        } else {
            quint32 taskId = 0;
            const Task *same = parseUInt(name, &taskId) ? own.value(taskId) : nullptr;
            if (!same)
                return false;
            task = Task::withFields(same->fields());
            task->setLineage(same->lineage());
            for (const TaskAttachment *attachment : same->attachments())
                task->addAttachment(attachment->clone());
        }
        parents.resize(level);
        parents.last()->insertChild(task, parents.last()->childCount());
        parents.append(task);
    }
    return next == changed.size();
}

void TaskReaderWriter::readListColumns(ListModel *model, Element listElement)
{
    const Fields fields(this, childByClass(listElement, QStringLiteral("pd-list-fields")));
    if (fields.value(u"show-start-time-column").text == kTrue)
        model->restoreShowStartTimeColumn(true);
    if (fields.value(u"show-end-time-column").text == kTrue)
        model->restoreShowEndTimeColumn(true);
    if (fields.value(u"show-elapsed-time-column").text == kTrue)
        model->restoreShowElapsedTimeColumn(true);
    if (fields.value(u"show-assignment-column").text == kTrue)
        model->restoreShowAssignmentColumn(true);
    model->setBackupKey(fields.value(u"backup-key").toString());
}

void TaskReaderWriter::readSharedFields(ListModel *model, Element listElement)
{
    const Fields fields(this, childByClass(listElement, QStringLiteral("pd-list-fields")));
    const Value edited = fields.value(u"shared-edited");
    if (edited.isNull || edited.text == kFalse)
        model->clearSharedEdited();
    else if (edited.text == kTrue)
        model->setSharedEdited();
    else
        qWarning() << "TaskReaderWriter: Parse error reading List, tag shared-edited with unknown value";

    const Value revision = fields.value(u"shared-revision");
    if (!revision.isNull)
        model->restoreSharedRevision(numberFromString(revision.text, QStringLiteral("bad rev num string ")));
}

bool TaskReaderWriter::readListSharedUsers(ListModel *model, Element listElement)
{
    const Element shared = childByClass(listElement, QStringLiteral("pd-shared"));
    if (shared.isNull())
        return true;
    return readSharedUserList(shared, [model](const QString &name, const QString &letters) {
        model->loadSharedUser(name, letters);
    });
}

bool TaskReaderWriter::readSharedUserList(Element shared, const std::function<void(const QString &, const QString &)> &take)
{
    const QString userClass = QStringLiteral("pd-shared-user");
    for (Element e = shared.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (!e.hasClass(userClass))
            continue;
        const Element fieldsElement = childByClass(e, QStringLiteral("pd-shared-user-fields"), true);
        if (fieldsElement.isNull()) {
            qWarning() << "Parsing error reading a shared user, required class not found";
            return false;
        }
        const Fields fields(this, fieldsElement);
        const Value name = fields.value(u"name");
        const Value permissions = fields.value(u"permissions");
        if (name.isNull || permissions.isNull) {
            setError(QStringLiteral("Parsing error reading a shared user, name or permissions null"));
            return false;
        }
        take(sharedName(name.text), permissions.toString());
    }
    return true;
}

// Kept only for an edited sharing; one that does not read is unknown (the
// sharing then syncs as an older file's) and costs nothing else.
void TaskReaderWriter::readAgreedSharing(ListModel *model, Element listElement)
{
    if (const auto agreed = readSharingCopy(model, listElement, QStringLiteral("pd-agreed-shared"),
                                            QStringLiteral("the agreed sharing")))
        model->setAgreedSharedUsers(*agreed);
}

// Kept, as the agreed users are, while an upload of the sharing is in doubt;
// one that does not read is as if the upload had not left.
void TaskReaderWriter::readSentSharing(ListModel *model, Element listElement)
{
    if (const auto sent = readSharingCopy(model, listElement, QStringLiteral("pd-sent-shared"),
                                         QStringLiteral("the sharing sent in doubt")))
        model->setSentSharedUsers(*sent);
}

// A part that does not read is left out: it costs a message, nothing else.
void TaskReaderWriter::readImportedSharing(ListModel *model, Element listElement)
{
    const auto read = [&](const QString &className) {
        QMap<QString, QString> users;
        const ErrorState before = errorState();
        const Element shared = childByClass(listElement, className);
        if (!shared.isNull()
            && (!readSharedUserList(shared, [&users](const QString &name, const QString &letters) {
                    users.insert(name, letters);
                }) || errorState().count != before.count)) {
            qWarning().noquote() << className << "of list" << model->taskList()->serverId() << "does not read";
            users.clear();
        }
        restoreErrorState(before);
        return users;
    };
    model->setImportedSharing(read(QStringLiteral("pd-imported-shared")));
    model->setUntoldSharing(read(QStringLiteral("pd-untold-shared")));
}

std::optional<QMap<QString, QString>> TaskReaderWriter::readSharingCopy(ListModel *model, Element listElement,
                                                                        const QString &className, const QString &what)
{
    if (!model->isSharedEdited())
        return std::nullopt;
    const ErrorState before = errorState();
    const Element fieldsElement = childByClass(listElement, className + QStringLiteral("-fields"));
    const Element shared = childByClass(listElement, className);
    if (fieldsElement.isNull() && shared.isNull() && errorState().count == before.count)
        return std::nullopt; // an older file's
    bool read = !fieldsElement.isNull() && errorState().count == before.count;
    QMap<QString, QString> agreed;
    if (read) {
        const Fields fields(this, fieldsElement);
        const quint32 revision = numberFromString(fields.value(u"shared-revision").text,
                                                  QStringLiteral("bad rev num string "), NonZero);
        read = revision == model->sharedRevision()
               && (shared.isNull() || readSharedUserList(shared, [&agreed](const QString &name, const QString &letters) {
                      agreed.insert(name, letters);
                  }));
    }
    if (!read || errorState().count != before.count) {
        qWarning().noquote() << what << "of list" << model->taskList()->serverId()
                             << "does not read; it syncs without it";
        restoreErrorState(before);
        return std::nullopt;
    }
    return agreed;
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
    emitTaskParts(sink, task);
    emitTasks(sink, task);
    sink.end();
}

template<typename Sink>
void TaskReaderWriter::emitTaskParts(Sink &sink, const Task *task)
{
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
    if (local) {
        sink.definition(QStringLiteral("expanded"), boolText(task->isExpanded()));
        sink.definition(QStringLiteral("lineage"), QStringLiteral("%1").arg(task->lineage(), 16, 16, QLatin1Char('0')));
        if (task->leftByMove())
            sink.definition(QStringLiteral("left-by-move"), boolText(true));
    }
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
}

// Rows whose whole subtree is untyped are left out, at any depth. Writing
// straight from the live tree gives the same document as pruning a copy,
// without copying every task at every save.
template<typename Sink>
void TaskReaderWriter::emitTasks(Sink &sink, Task *task)
{
    const QList<Task *> children = task->children();
    auto written = [](const Task *child) { return !child->isUntypedRecursively(); };
    auto it = std::find_if(children.cbegin(), children.cend(), written);
    if (it == children.cend())
        return;
    sink.start(QStringLiteral("ol"), QStringLiteral("pd-tasks"));
    for (; it != children.cend(); ++it)
        if (written(*it))
            emitTask(sink, *it);
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
void TaskReaderWriter::emitTaskAssignments(Sink &sink, const Task *task)
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
void TaskReaderWriter::emitTaskAttachments(Sink &sink, const Task *task)
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
    const ElementTree tree = treeOf(taskElement);
    return readTask(tree.root());
}

Task *TaskReaderWriter::readTask(Element taskElement)
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
    const Fields fields(this, childByClass(taskElement, QStringLiteral("pd-task-fields"), true));

    task->setTitle(fields.value(u"title").toString());

    const Value done = fields.value(u"done");
    if (done.text == kTrue)
        task->setDone(true);
    else if (done.text == kFalse)
        task->setDone(false);
    else
        return fail(QStringLiteral("bad value for done: ") + done.toString());

    const Value id = fields.value(u"id");
    if (!id.isEmpty()) {
        const quint32 value = numberFromString(id.text, QStringLiteral("bad task id string "));
        if (value != 0)
            task->setId(value);
    }

    const Value revision = fields.value(u"revision");
    if (!revision.isNull)
        task->setRevision(numberFromString(revision.text, QStringLiteral("bad rev num string ")));
    else if (server)
        return fail(QStringLiteral("no revision number found: "));

    const Value hashcode = fields.value(u"hashcode");
    if (!hashcode.isNull) {
        if (hashcode.text.size() == 32)
            task->setHashcode(hashcode.toString());
    } else if (server) {
        return fail(QStringLiteral("no hash code found: "));
    }

    const Value expanded = fields.value(u"expanded");
    if (!expanded.isNull)
        task->setExpanded(expanded.text == kTrue);
    if (!server) {
        // An earlier version's file holds none: the task is given one now.
        bool ok = false;
        const quint64 lineage = fields.value(u"lineage").text.toULongLong(&ok, 16);
        if (ok && Task::isLineage(lineage))
            task->setLineage(lineage);
        else
            ++m_tasksWithoutLineage;
    }

    QDateTime time = parseDateTime(fields.value(u"creation-time").text);
    if (time.isValid())
        task->setCreationTime(time);
    time = parseDateTime(fields.value(u"modification-time").text);
    if (time.isValid())
        task->setModificationTime(time);
    time = parseDateTime(fields.value(u"deletion-time").text);
    if (time.isValid())
        task->setDeletionTime(time);

    const Value start = fields.value(u"start-time");
    if (start.text != u"none") {
        time = parseDateTime(start.text);
        task->setStartTime(time.isValid() ? time : QDateTime());
    }
    const Value due = fields.value(u"due-time");
    if (due.text != u"none") {
        time = parseDateTime(due.text);
        task->setDueTime(time.isValid() ? time : QDateTime());
    }

    const Value createdBy = fields.value(u"created-by");
    if (!createdBy.isEmpty())
        task->setCreatedBy(sharedName(createdBy.text));
    const Value doneBy = fields.value(u"done-by");
    if (!doneBy.isEmpty())
        task->setDoneBy(sharedName(doneBy.text));
    const Value lastModifiedBy = fields.value(u"last-modified-by");
    if (!lastModifiedBy.isEmpty())
        task->setLastModifiedBy(sharedName(lastModifiedBy.text));

    if (!server) {
        task->setOutlookId(fields.value(u"outlook-id").toString());
        task->setLeftByMove(fields.value(u"left-by-move").text == kTrue);
    }

    // A note is kept when it has an added time or a text, the same rule that
    // decides whether it is written, so no written note is lost on reading.
    const QDateTime noteTime = parseDateTime(fields.value(u"note-added-time").text);
    const Value noteText = fields.value(u"note-text");
    if (noteTime.isValid() || !noteText.isEmpty())
        task->setNote(noteTime.isValid() ? noteTime : QDateTime(), noteText.toString());

    time = parseDateTime(fields.value(u"alarm-time").text);
    if (time.isValid())
        task->setAlarmTime(time);

    const Value priority = fields.value(u"priority");
    if (!priority.isEmpty())
        task->setPriority(TaskPriority::fromString(priority.text));

    const Element assignments = childByClass(taskElement, QStringLiteral("pd-task-assignments"));
    if (!assignments.isNull())
        readTaskAssignments(task, assignments);
    const Element attachments = childByClass(taskElement, QStringLiteral("pd-task-attachments"));
    if (!attachments.isNull())
        readTaskAttachments(task, attachments);
    const Element children = childByClass(taskElement, QStringLiteral("pd-tasks"));
    if (!children.isNull())
        readTasks(task, children);
    return task;
}

bool TaskReaderWriter::readTasks(Task *parent, Element tasksElement)
{
    const QString taskClass = QStringLiteral("pd-task");
    for (Element e = tasksElement.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (!e.hasClass(taskClass))
            continue;
        Task *task = takeTask(e);
        if (!task)
            return false;
        parent->insertChild(task, parent->childCount());
    }
    return true;
}

bool TaskReaderWriter::readRemovedTasks(QList<Task *> *tasks, Element removedElement)
{
    const QString taskClass = QStringLiteral("pd-task");
    QList<Task *> read;
    for (Element e = removedElement.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (!e.hasClass(taskClass))
            continue;
        Task *task = takeTask(e);
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

bool TaskReaderWriter::readTaskAssignments(Task *task, Element assignmentsElement)
{
    const QString assignmentClass = QStringLiteral("pd-task-assignment");
    for (Element e = assignmentsElement.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (!e.hasClass(assignmentClass))
            return false;
        const Element nick = childByClass(e, QStringLiteral("pd-user-nick"), true);
        if (nick.isNull())
            return false;
        const Value text = textOf(this, nick);
        task->assign(text.isNull ? QString() : sharedName(text.text));
    }
    return true;
}

bool TaskReaderWriter::readTaskAttachments(Task *task, Element attachmentsElement)
{
    const QString attachmentClass = QStringLiteral("pd-task-attachment");
    for (Element e = attachmentsElement.firstChild(); !e.isNull(); e = e.nextSibling()) {
        if (!e.hasClass(attachmentClass))
            return false;
        const Fields fields(this, childByClass(e, QStringLiteral("pd-task-attachment-fields"), true));
        const Value type = fields.value(u"type");
        const Value name = fields.value(u"name");
        const Value url = fields.value(u"url");
        if (type.isNull || name.isNull || url.isNull)
            return false;
        TaskAttachment *attachment = task->createAttachment(type.toString(), name.toString(), url.toString());
        const Value description = fields.value(u"description");
        if (!description.isNull)
            attachment->setDescription(description.toString());
        const Value additional = fields.value(u"additional_data");
        if (!additional.isNull)
            attachment->setAdditionalData(additional.toString());
    }
    return true;
}

QString TaskReaderWriter::sharedName(QStringView name)
{
    if (name.isEmpty())
        return QString(QLatin1String(""));
    const auto it = m_names.constFind(name);
    if (it != m_names.constEnd())
        return *it;
    const QString copy = name.toString();
    // Bounded, whatever a document holds.
    if (m_names.size() < 1024)
        m_names.insert(QStringView(copy), copy);
    return copy;
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
    const DomFields fields(this, fieldsElement);
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
    const DomFields fields(this, fieldsElement);
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
void TaskReaderWriter::emitListSharedUsers(Sink &sink, const QMap<QString, QString> &users, const QString &className)
{
    if (users.isEmpty())
        return;
    sink.start(QStringLiteral("ul"), className);
    for (auto it = users.constBegin(); it != users.constEnd(); ++it)
        emitSharedUser(sink, it.key(), it.value());
    sink.end();
}

// Beside the users, what the server last agreed, while the users differ from
// it: an unedited sharing is what it agreed.
template<typename Sink>
void TaskReaderWriter::emitAgreedSharing(Sink &sink, const ListModel *model)
{
    const std::optional<QMap<QString, QString>> agreed = model->agreedSharedUsers();
    if (!model->isSharedEdited() || !agreed)
        return;
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-agreed-shared-fields"));
    sink.definition(QStringLiteral("shared-revision"), revisionToString(model->sharedRevision()));
    sink.end();
    emitListSharedUsers(sink, *agreed, QStringLiteral("pd-agreed-shared"));
}

// What an upload of the sharing in doubt sent, beside what was agreed.
template<typename Sink>
void TaskReaderWriter::emitSentSharing(Sink &sink, const ListModel *model)
{
    const std::optional<QMap<QString, QString>> sent = model->sentSharedUsers();
    if (!model->isSharedEdited() || !sent)
        return;
    sink.start(QStringLiteral("dl"), QStringLiteral("pd-sent-shared-fields"));
    sink.definition(QStringLiteral("shared-revision"), revisionToString(model->sharedRevision()));
    sink.end();
    emitListSharedUsers(sink, *sent, QStringLiteral("pd-sent-shared"));
}

// Until a run sent it and the user was told.
template<typename Sink>
void TaskReaderWriter::emitImportedSharing(Sink &sink, const ListModel *model)
{
    emitListSharedUsers(sink, model->importedSharing(), QStringLiteral("pd-imported-shared"));
    emitListSharedUsers(sink, model->untoldSharing(), QStringLiteral("pd-untold-shared"));
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
