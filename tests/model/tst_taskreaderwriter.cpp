#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "core/serversettings.h"
#include "failingdevice.h"
#include "testenvironment.h"

#include <QBuffer>

namespace {

const QString kHash = QStringLiteral("0123456789abcdef0123456789abcdef");

QDateTime utc(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate).toUTC();
}

// Serialises through the writer and parses the bytes with a fresh parser, so
// the checks see what lands on disk or on the wire.
QDomDocument reparse(const QDomDocument &doc)
{
    TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
    QBuffer buffer;
    if (!writer.writeDocument(doc, &buffer))
        qFatal("write failed");
    QDomDocument parsed;
    if (!parsed.setContent(buffer.data(), false))
        qFatal("written document does not parse");
    return parsed;
}

QDomDocument parse(const QString &xml)
{
    QDomDocument doc;
    if (!doc.setContent(xml, false))
        qFatal("bad test document");
    return doc;
}

QDomElement child(const QDomElement &parent, const QString &cls)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("class")) == cls)
            return e;
    }
    return QDomElement();
}

QStringList childClasses(const QDomElement &parent)
{
    QStringList classes;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        classes << e.attribute(QStringLiteral("class"));
    return classes;
}

QStringList keys(const QDomElement &dl)
{
    QStringList result;
    for (QDomElement e = dl.firstChildElement(QStringLiteral("dt")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("dt")))
        result << e.text();
    return result;
}

QString value(const QDomElement &dl, const QString &key)
{
    for (QDomElement e = dl.firstChildElement(QStringLiteral("dt")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("dt"))) {
        if (e.text() == key)
            return e.nextSiblingElement().text();
    }
    return QString();
}

QString fields(const QString &pairs)
{
    QString xml;
    const QStringList parts = pairs.split(QLatin1Char('|'));
    for (const QString &part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        xml += QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(part.left(eq), part.mid(eq + 1));
    }
    return xml;
}

QString taskXml(const QString &pairs, const QString &inner = QString())
{
    return QStringLiteral("<li class=\"pd-task\"><dl class=\"pd-task-fields\">%1</dl>%2</li>")
        .arg(fields(pairs), inner);
}

QString localDoc(const QString &body)
{
    return QStringLiteral("<html><head><title>pd-local-lists</title>"
                          "<meta name=\"generator\" content=\"PlumDeck\"/>"
                          "<meta name=\"format-version\" content=\"2\"/></head><body>%1</body></html>")
        .arg(body);
}

QString listXml(const QString &pairs, const QString &inner = QString())
{
    return QStringLiteral("<div class=\"pd-list\"><dl class=\"pd-list-fields\">%1</dl>%2</div>")
        .arg(fields(pairs), inner);
}

QString serverDoc(const QString &body, const QString &title = QStringLiteral("t"))
{
    return QStringLiteral("<html><head><title>%1</title></head><body>%2</body></html>").arg(title, body);
}

// A task with every field set.
Task *fullTask(const QString &title)
{
    Task *task = new Task;
    task->setTitle(title);
    task->setDone(true);
    task->setPriority(TaskPriority(TaskPriority::Urgent));
    task->setNote(utc(QStringLiteral("2009-05-31T12:00:00Z")), QStringLiteral("semi-skimmed,\n2 l & <more>"));
    task->setAlarmTime(utc(QStringLiteral("2009-06-02T07:30:00Z")));
    task->setId(501);
    task->setRevision(2);
    task->setHashcode(kHash);
    task->setCreationTime(utc(QStringLiteral("2009-05-30T10:00:00Z")));
    task->setModificationTime(utc(QStringLiteral("2009-06-01T07:45:12Z")));
    task->setDeletionTime(utc(QStringLiteral("2009-06-01T07:50:00Z")));
    task->setStartTime(utc(QStringLiteral("2009-06-01T09:00:00Z")));
    task->setDueTime(utc(QStringLiteral("2009-06-03T17:00:00Z")));
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
    Task *kid = new Task;
    kid->setTitle(QStringLiteral("child"));
    kid->setRevision(1);
    kid->setHashcode(kHash);
    task->insertChild(kid, 0);
    return task;
}

void compareTasks(const Task *a, const Task *b, bool local)
{
    QCOMPARE(b->title(), a->title());
    QCOMPARE(b->isDone(), a->isDone());
    QCOMPARE(b->priority().value(), a->priority().value());
    QCOMPARE(b->note().addedTime(), a->note().addedTime());
    QCOMPARE(b->note().text(), a->note().text());
    QCOMPARE(b->alarmTime(), a->alarmTime());
    QCOMPARE(b->id(), a->id());
    QCOMPARE(b->revision(), a->revision());
    QCOMPARE(b->hashcode(), a->hashcode());
    QCOMPARE(b->creationTime(), a->creationTime());
    QCOMPARE(b->modificationTime(), a->modificationTime());
    QCOMPARE(b->deletionTime(), a->deletionTime());
    QCOMPARE(b->startTime(), a->startTime());
    QCOMPARE(b->dueTime(), a->dueTime());
    QCOMPARE(b->createdBy(), a->createdBy());
    QCOMPARE(b->doneBy(), a->doneBy());
    QCOMPARE(b->lastModifiedBy(), a->lastModifiedBy());
    QCOMPARE(b->outlookId(), local ? a->outlookId() : QString());
    QCOMPARE(b->isExpanded(), local ? a->isExpanded() : true);
    QCOMPARE(b->assignments(), a->assignments());
    QCOMPARE(b->attachments().size(), a->attachments().size());
    for (int i = 0; i < a->attachments().size(); ++i) {
        const TaskAttachment *x = a->attachments().at(i);
        const TaskAttachment *y = b->attachments().at(i);
        QCOMPARE(y->type(), x->type());
        QCOMPARE(y->name(), x->name());
        QCOMPARE(y->url(), x->url());
        QCOMPARE(y->description(), x->description());
        QCOMPARE(y->description().isNull(), x->description().isNull());
        QCOMPARE(y->additionalData(), x->additionalData());
        QCOMPARE(y->additionalData().isNull(), x->additionalData().isNull());
    }
    QCOMPARE(b->childCount(), a->childCount());
    for (int i = 0; i < a->childCount(); ++i)
        compareTasks(a->child(i), b->child(i), local);
}

// The element one task is written as, of the given kind, parsed back from
// the written bytes.
QDomElement writtenTask(Task *task, int kind)
{
    TaskReaderWriter writer(kind);
    QDomDocument doc = writer.createDocument();
    writer.writeTask(task, writer.appendHeadAndBody(doc, QStringLiteral("t")));
    return reparse(doc).documentElement().firstChildElement(QStringLiteral("body")).firstChildElement();
}

// Writes one task and reads it back.
Task *roundTripTask(Task *task, int kind)
{
    TaskReaderWriter reader(kind);
    Task *read = reader.readTask(writtenTask(task, kind));
    if (!reader.errorString().isEmpty())
        qWarning() << "unexpected error" << reader.errorString();
    return read;
}

Task *readTaskXml(const QString &xml, int kind, QString *error = nullptr)
{
    const QDomDocument doc = parse(serverDoc(QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(xml)));
    TaskReaderWriter reader(kind);
    Task *task = reader.readTask(doc.documentElement().firstChildElement(QStringLiteral("body"))
                                     .firstChildElement().firstChildElement());
    if (error)
        *error = reader.errorString();
    return task;
}

// Three live lists (owned and shared, shared with me, new) and a deleted one.
UserLists *sampleLists()
{
    UserLists *lists = UserLists::create();
    lists->setDisplayOrderChanged(true);
    lists->setOutlookLastSyncTime(utc(QStringLiteral("2009-06-01T08:30:00Z")));

    TaskList *owned = TaskList::create();
    owned->setSyncStatus(TaskList::Edited);
    owned->setOutlookId(QStringLiteral("00000000A1B2C3D4E5F60708"));
    owned->setLocalId(1);
    owned->setServerId(40);
    owned->setRevision(7);
    owned->setName(QStringLiteral("Groceries"));
    owned->setDescription(QStringLiteral("weekly"));
    owned->setDone(true);
    owned->rootTask()->insertChild(fullTask(QStringLiteral("Buy milk")), 0);
    owned->rootTask()->insertChild(new Task, 1); // blank: not written
    Task *removed = new Task;
    removed->setTitle(QStringLiteral("Buy bread"));
    removed->setId(502);
    removed->setRevision(1);
    removed->setDeletionTime(utc(QStringLiteral("2009-06-01T07:50:00Z")));
    owned->setRemovedTasks({removed});
    ListModel *model = lists->addList(owned);
    model->addSharedUser(QStringLiteral("bob"), QStringLiteral("r"));
    model->addSharedUser(QStringLiteral("alice"), QStringLiteral("rw"));
    model->setSharedRevision(3);
    model->setSharedEdited();
    model->setShowStartTimeColumn(true);
    model->setShowAssignmentColumn(true);

    TaskList *shared = TaskList::create();
    shared->setSyncStatus(TaskList::Unedited);
    shared->setLocalId(3);
    shared->setServerId(41);
    shared->setRevision(12);
    shared->setName(QStringLiteral("Team chores"));
    shared->setOwned(false);
    shared->setOwner(QStringLiteral("carol"));
    shared->setPermissions(QStringLiteral("rw"));
    Task *task = new Task;
    task->setTitle(QStringLiteral("Water the plants"));
    task->setId(610);
    task->setRevision(4);
    task->setHashcode(kHash);
    shared->rootTask()->insertChild(task, 0);
    ListModel *sharedModel = lists->addList(shared);
    sharedModel->setShowEndTimeColumn(true);
    sharedModel->setShowElapsedTimeColumn(true);

    TaskList *fresh = TaskList::createNew();
    fresh->setLocalId(2);
    lists->addList(fresh);

    TaskList *deleted = TaskList::create();
    deleted->setSyncStatus(TaskList::Deleted);
    deleted->setLocalId(4);
    deleted->setServerId(39);
    deleted->setRevision(5);
    deleted->setName(QStringLiteral("Old list"));
    lists->addList(deleted);
    return lists;
}

QByteArray saveToBytes(UserLists *lists)
{
    TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
    QBuffer buffer;
    if (!writer.saveLists(lists, &buffer))
        qFatal("save failed");
    return buffer.data();
}

UserLists *loadFromBytes(const QByteArray &bytes, QString *error = nullptr)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
    UserLists *lists = reader.loadLists(&buffer);
    if (error)
        *error = reader.errorString();
    return lists;
}

} // namespace

class TstTaskReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ServerSettings::instance()->setUserName(QStringLiteral("me"));
    }

    void idConversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("taskId");
        QTest::addColumn<QString>("taskError");
        QTest::addColumn<uint>("listId");
        QTest::addColumn<QString>("listError");

        QTest::newRow("number") << "12" << 12u << "" << 12u << "";
        QTest::newRow("zero") << "0" << 0u << "" << 0u << "";
        QTest::newRow("max") << "4294967295" << 4294967295u << "" << 4294967295u << "";
        QTest::newRow("empty") << "" << 0u << "" << 0u << "bad list id string ";
        QTest::newRow("too big") << "4294967296" << 0u << "bad task id string 4294967296" << 0u
                                 << "bad list id string 4294967296";
        QTest::newRow("blank") << " 12" << 0u << "bad task id string  12" << 0u << "bad list id string  12";
        QTest::newRow("sign") << "+12" << 0u << "bad task id string +12" << 0u << "bad list id string +12";
        QTest::newRow("word") << "x1" << 0u << "bad task id string x1" << 0u << "bad list id string x1";
    }

    void idConversions()
    {
        QFETCH(QString, text);
        QFETCH(uint, taskId);
        QFETCH(QString, taskError);
        QFETCH(uint, listId);
        QFETCH(QString, listError);

        TaskReaderWriter a(XMLReaderWriter::LocalDocument);
        QCOMPARE(uint(a.taskIdFromString(text)), taskId);
        QCOMPARE(a.errorString(), taskError);
        TaskReaderWriter b(XMLReaderWriter::LocalDocument);
        QCOMPARE(uint(b.listIdFromString(text)), listId);
        QCOMPARE(b.errorString(), listError);
        TaskReaderWriter c(XMLReaderWriter::LocalDocument);
        QCOMPARE(uint(c.revisionFromString(text)), listId);
        QCOMPARE(c.errorString(), listError.isEmpty() ? QString() : listError.replace(QStringLiteral("bad list id string "), QStringLiteral("bad rev num string ")));
        if (taskId)
            QCOMPARE(TaskReaderWriter::taskIdToString(taskId), text);
    }

    void syncStatusTexts()
    {
        const QList<QPair<TaskList::SyncStatus, QString>> table = {
            {TaskList::New, QStringLiteral("new")},
            {TaskList::Unedited, QStringLiteral("unedited")},
            {TaskList::Edited, QStringLiteral("edited")},
            {TaskList::Deleted, QStringLiteral("deleted")},
        };
        for (const auto &entry : table) {
            TaskReaderWriter rw(XMLReaderWriter::LocalDocument);
            QCOMPARE(TaskReaderWriter::syncStatusToString(entry.first), entry.second);
            QCOMPARE(rw.syncStatusFromString(entry.second), entry.first);
            QVERIFY(rw.errorString().isEmpty());
        }
        QTest::ignoreMessage(QtWarningMsg, "attempt to serialize LocallyUnknown");
        QCOMPARE(TaskReaderWriter::syncStatusToString(TaskList::LocallyUnknown), QString());
        QTest::ignoreMessage(QtWarningMsg, "unknown SyncStatus");
        QCOMPARE(TaskReaderWriter::syncStatusToString(TaskList::SyncStatus(7)), QString());
        TaskReaderWriter rw(XMLReaderWriter::LocalDocument);
        QCOMPARE(rw.syncStatusFromString(QStringLiteral("Edited")), TaskList::LocallyUnknown);
        QCOMPARE(rw.errorString(), QStringLiteral("unexpected sync status string Edited"));
    }

    void taskRoundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("local") << int(XMLReaderWriter::LocalDocument);
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument);
    }

    void taskRoundTrip()
    {
        QFETCH(int, kind);
        QScopedPointer<Task> task(fullTask(QStringLiteral("Buy milk")));
        QScopedPointer<Task> read(roundTripTask(task.data(), kind));
        QVERIFY(read);
        compareTasks(task.data(), read.data(), kind == XMLReaderWriter::LocalDocument);
        QCOMPARE(read->attachments().at(1)->typeName(), QStringLiteral("videoHyperlink"));
        QCOMPARE(read->attachments().at(2)->description(), QStringLiteral(""));
        QVERIFY(!read->attachments().at(2)->description().isNull());
        QVERIFY(read->attachments().at(0)->description().isNull());
    }

    void taskKeyOrder_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("known");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("local, known to the server") << int(XMLReaderWriter::LocalDocument) << true
            << QStringList{"title", "done", "outlook-id", "id", "revision", "hashcode", "expanded",
                           "creation-time", "modification-time", "deletion-time", "start-time", "due-time",
                           "created-by", "done-by", "last-modified-by", "priority", "note-added-time",
                           "note-text", "alarm-time"};
        QTest::newRow("server, known to the server") << int(XMLReaderWriter::ServerDocument) << true
            << QStringList{"title", "done", "id", "revision", "hashcode", "creation-time",
                           "modification-time", "deletion-time", "start-time", "due-time", "created-by",
                           "done-by", "last-modified-by", "priority", "note-added-time", "note-text", "alarm-time"};
        QTest::newRow("local, new") << int(XMLReaderWriter::LocalDocument) << false
            << QStringList{"title", "done", "hashcode", "expanded", "start-time", "due-time", "created-by",
                           "done-by", "last-modified-by", "priority"};
    }

    void taskKeyOrder()
    {
        QFETCH(int, kind);
        QFETCH(bool, known);
        QFETCH(QStringList, expected);

        QScopedPointer<Task> task(known ? fullTask(QStringLiteral("t")) : new Task);
        const QDomElement li = writtenTask(task.data(), kind);
        QCOMPARE(li.tagName(), QStringLiteral("li"));
        QCOMPARE(li.attribute(QStringLiteral("class")), QStringLiteral("pd-task"));
        const QDomElement dl = child(li, QStringLiteral("pd-task-fields"));
        QCOMPARE(dl.tagName(), QStringLiteral("dl"));
        QCOMPARE(keys(dl), expected);
        if (!known) {
            QCOMPARE(value(dl, QStringLiteral("hashcode")), QString());
            QCOMPARE(value(dl, QStringLiteral("start-time")), QStringLiteral("none"));
            QCOMPARE(value(dl, QStringLiteral("priority")), QStringLiteral("none"));
            QCOMPARE(value(dl, QStringLiteral("expanded")), QStringLiteral("true"));
            QCOMPARE(childClasses(li), QStringList{"pd-task-fields"});
        } else {
            QCOMPARE(value(dl, QStringLiteral("creation-time")), QStringLiteral("2009-05-30T10:00:00"));
            QCOMPARE(value(dl, QStringLiteral("priority")), QStringLiteral("urgent"));
            QCOMPARE(childClasses(li),
                     (QStringList{"pd-task-fields", "pd-task-assignments", "pd-task-attachments", "pd-tasks"}));
        }
    }

    void taskChildrenStructure()
    {
        QScopedPointer<Task> task(fullTask(QStringLiteral("t")));
        const QDomElement li = writtenTask(task.data(), XMLReaderWriter::LocalDocument);

        const QDomElement assignments = child(li, QStringLiteral("pd-task-assignments"));
        QCOMPARE(assignments.tagName(), QStringLiteral("ul"));
        QCOMPARE(childClasses(assignments), (QStringList{"pd-task-assignment", "pd-task-assignment"}));
        const QDomElement nick = assignments.firstChildElement().firstChildElement();
        QCOMPARE(nick.tagName(), QStringLiteral("span"));
        QCOMPARE(nick.attribute(QStringLiteral("class")), QStringLiteral("pd-user-nick"));
        QCOMPARE(nick.text(), QStringLiteral("alice"));

        const QDomElement attachments = child(li, QStringLiteral("pd-task-attachments"));
        QCOMPARE(attachments.tagName(), QStringLiteral("ul"));
        QCOMPARE(attachments.childNodes().size(), 3);
        const QDomElement web = child(attachments.firstChildElement(), QStringLiteral("pd-task-attachment-fields"));
        QCOMPARE(keys(web), (QStringList{"name", "url", "type"}));
        QCOMPARE(value(web, QStringLiteral("type")), QStringLiteral("webHyperlink"));
        const QDomElement video = child(attachments.firstChildElement().nextSiblingElement(),
                                        QStringLiteral("pd-task-attachment-fields"));
        QCOMPARE(keys(video), (QStringList{"name", "url", "type", "description", "additional_data"}));

        const QDomElement children = child(li, QStringLiteral("pd-tasks"));
        QCOMPARE(children.tagName(), QStringLiteral("ol"));
        QCOMPARE(childClasses(children), QStringList{"pd-task"});

        // The attachments element on its own: task element first, then the task.
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        QDomDocument doc = writer.createDocument();
        QDomElement bare = writer.appendElementWithClass(writer.appendHeadAndBody(doc, QStringLiteral("t")),
                                                         QStringLiteral("li"), QStringLiteral("pd-task"));
        writer.writeTaskAttachments(bare, task.data());
        QCOMPARE(childClasses(bare), QStringList{"pd-task-attachments"});
        QCOMPARE(childClasses(bare.firstChildElement()),
                 (QStringList{"pd-task-attachment", "pd-task-attachment", "pd-task-attachment"}));
    }

    void hashcodeLength_data()
    {
        QTest::addColumn<QString>("hashcode");
        QTest::addColumn<QString>("written");
        QTest::newRow("32") << kHash << kHash;
        QTest::newRow("31") << kHash.left(31) << QString();
        QTest::newRow("33") << kHash + QLatin1Char('x') << QString();
    }

    void hashcodeLength()
    {
        QFETCH(QString, hashcode);
        QFETCH(QString, written);
        Task task;
        task.setRevision(1);
        task.setHashcode(hashcode);
        const QDomElement li = writtenTask(&task, XMLReaderWriter::ServerDocument);
        QCOMPARE(value(child(li, QStringLiteral("pd-task-fields")), QStringLiteral("hashcode")), written);
        QScopedPointer<Task> read(roundTripTask(&task, XMLReaderWriter::ServerDocument));
        QVERIFY(read);
        QCOMPARE(read->hashcode(), written.isEmpty() ? QString() : written);
    }

    void taskReadFailures_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("error");

        const int local = XMLReaderWriter::LocalDocument;
        const int server = XMLReaderWriter::ServerDocument;
        QTest::newRow("done in capitals") << local << "title=a|done=TRUE" << false << "bad value for done: TRUE";
        QTest::newRow("done missing") << local << "title=a" << false << "bad value for done: ";
        QTest::newRow("server without revision") << server << QStringLiteral("title=a|done=false|hashcode=") << false
                                                 << "no revision number found: ";
        QTest::newRow("local without revision") << local << "title=a|done=false" << true << "";
        QTest::newRow("server without hashcode") << server << "title=a|done=false|revision=1" << false
                                                 << "no hash code found: ";
        QTest::newRow("server with empty hashcode") << server << "title=a|done=false|revision=1|hashcode=" << true << "";
        QTest::newRow("bad id goes on") << local << "title=a|done=false|id=x" << true << "bad task id string x";
        QTest::newRow("bad revision goes on") << local << "title=a|done=false|revision=-1" << true
                                              << "bad rev num string -1";
    }

    void taskReadFailures()
    {
        QFETCH(int, kind);
        QFETCH(QString, pairs);
        QFETCH(bool, read);
        QFETCH(QString, error);
        QString actualError;
        QScopedPointer<Task> task(readTaskXml(taskXml(pairs), kind, &actualError));
        QCOMPARE(bool(task), read);
        QCOMPARE(actualError, error);
        if (task)
            QCOMPARE(task->id(), 0u);
    }

    void taskFieldReading_data()
    {
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<bool>("hasStart");
        QTest::addColumn<int>("priority");

        QTest::newRow("defaults") << "done=false" << true << false << 0;
        QTest::newRow("expanded TRUE") << "done=false|expanded=TRUE" << false << false << 0;
        QTest::newRow("expanded false") << "done=false|expanded=false" << false << false << 0;
        QTest::newRow("start none") << "done=false|start-time=none" << true << false << 0;
        QTest::newRow("start bad") << "done=false|start-time=2009-06-01T09:00:0x" << true << false << 0;
        QTest::newRow("start set") << "done=false|start-time=2009-06-01T09:00:00" << true << true << 0;
        QTest::newRow("priority empty") << "done=false|priority=" << true << false << 0;
        QTest::newRow("priority reminder") << "done=false|priority=reminder" << true << false << 1;
    }

    void taskFieldReading()
    {
        QFETCH(QString, pairs);
        QFETCH(bool, expanded);
        QFETCH(bool, hasStart);
        QFETCH(int, priority);
        QScopedPointer<Task> task(readTaskXml(taskXml(pairs), XMLReaderWriter::LocalDocument));
        QVERIFY(task);
        QCOMPARE(task->isExpanded(), expanded);
        QCOMPARE(!task->startTime().isNull(), hasStart);
        if (hasStart)
            QCOMPARE(task->startTime(), utc(QStringLiteral("2009-06-01T09:00:00Z")));
        QCOMPARE(task->priority().value(), priority);
    }

    void noteRoundTrip_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("time and text") << utc(QStringLiteral("2009-05-31T12:00:00Z")) << "milk";
        // A note is written when it has either part; it must not vanish on reading.
        QTest::newRow("time only") << utc(QStringLiteral("2009-05-31T12:00:00Z")) << "";
        QTest::newRow("text only") << QDateTime() << "milk";
        QTest::newRow("none") << QDateTime() << "";
    }

    void noteRoundTrip()
    {
        QFETCH(QDateTime, time);
        QFETCH(QString, text);
        Task task;
        task.setNote(time, text);
        QScopedPointer<Task> read(roundTripTask(&task, XMLReaderWriter::LocalDocument));
        QVERIFY(read);
        QCOMPARE(read->hasNote(), task.hasNote());
        QCOMPARE(read->note().addedTime(), time);
        QCOMPARE(read->note().text(), text);
    }

    void assignmentsReading()
    {
        const QString nick = QStringLiteral("<li class=\"pd-task-assignment\"><span class=\"pd-user-nick\">%1</span></li>");
        QScopedPointer<Task> task(readTaskXml(
            taskXml(QStringLiteral("done=false"),
                    QStringLiteral("<ul class=\"pd-task-assignments\">%1%2<li class=\"x\"/>%3</ul>")
                        .arg(nick.arg(QStringLiteral("alice")), nick.arg(QStringLiteral("alice")), nick.arg(QStringLiteral("bob")))),
            XMLReaderWriter::LocalDocument));
        QVERIFY(task);
        QCOMPARE(task->assignments(), QStringList{QStringLiteral("alice")});
    }

    void childReading()
    {
        const QString ok = taskXml(QStringLiteral("title=a|done=false"));
        const QString bad = taskXml(QStringLiteral("title=bad|done=maybe"));
        const QString okB = taskXml(QStringLiteral("title=b|done=false"));
        const QString kids = QStringLiteral("<ol class=\"pd-tasks\">%1<li>skipped</li>%2%3%4</ol>").arg(ok, okB, bad, ok);
        QString error;
        QScopedPointer<Task> task(readTaskXml(taskXml(QStringLiteral("title=parent|done=false"), kids),
                                              XMLReaderWriter::LocalDocument, &error));
        // The failing third child ends the reading of the children; the parent
        // is still returned and the error stays visible.
        QVERIFY(task);
        QCOMPARE(task->childCount(), 2);
        QCOMPARE(task->child(1)->title(), QStringLiteral("b"));
        QCOMPARE(error, QStringLiteral("bad value for done: maybe"));
    }

    void removedTasksKeepChildren()
    {
        TaskList *list = TaskList::create();
        list->setSyncStatus(TaskList::Edited);
        list->setServerId(4);
        list->setRevision(2);
        list->setRemovedTasks({fullTask(QStringLiteral("gone"))});
        UserLists lists;
        lists.addList(list);
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        QBuffer buffer;
        QVERIFY(writer.saveLists(&lists, &buffer));
        buffer.close();
        TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
        QScopedPointer<UserLists> read(reader.loadLists(&buffer));
        QVERIFY2(read, qPrintable(reader.errorString()));
        const QList<Task *> tasks = read->taskLists().first()->removedTasks();
        QCOMPARE(tasks.size(), 1);
        compareTasks(list->removedTasks().first(), tasks.first(), true);
    }

    void deepTaskTreeRefused()
    {
        // A DOM built elsewhere may nest without bound; the reader must fail
        // cleanly rather than run out of stack.
        QDomDocument doc;
        QDomElement parent = doc.createElement(QStringLiteral("ol"));
        doc.appendChild(parent);
        QDomElement top;
        auto add = [&doc](QDomElement parent, const char *tag, const char *cls, const char *text = nullptr) {
            QDomElement e = doc.createElement(QLatin1String(tag));
            if (cls)
                e.setAttribute(QStringLiteral("class"), QLatin1String(cls));
            if (text)
                e.appendChild(doc.createTextNode(QLatin1String(text)));
            return parent.appendChild(e).toElement();
        };
        for (int i = 0; i < TaskReaderWriter::maxTaskDepth + 50; ++i) {
            QDomElement li = add(parent, "li", "pd-task");
            QDomElement dl = add(li, "dl", "pd-task-fields");
            add(dl, "dt", nullptr, "done");
            add(dl, "dd", nullptr, "false");
            if (top.isNull())
                top = li;
            parent = add(li, "ol", "pd-tasks");
        }
        TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
        QScopedPointer<Task> task(reader.readTask(top));
        QVERIFY(task);
        QCOMPARE(reader.errorString(), QStringLiteral("tasks nested more than 1000 levels deep"));
        QVERIFY(reader.failedTaskCount() > 0);
    }

    void attachmentsReading()
    {
        const QString item = QStringLiteral("<li class=\"pd-task-attachment\"><dl class=\"pd-task-attachment-fields\">%1</dl></li>");
        const QString xml = QStringLiteral("<ul class=\"pd-task-attachments\">%1%2%3</ul>")
                                .arg(item.arg(fields(QStringLiteral("name=a|url=http://a/|type=weird"))),
                                     item.arg(fields(QStringLiteral("name=b|type=webHyperlink"))),
                                     item.arg(fields(QStringLiteral("name=c|url=http://c/|type=webHyperlink"))));
        QScopedPointer<Task> task(readTaskXml(taskXml(QStringLiteral("done=false"), xml), XMLReaderWriter::LocalDocument));
        QVERIFY(task);
        // The item without a url ends the reading; the one before it stays, as a
        // generic attachment.
        QCOMPARE(task->attachments().size(), 1);
        QCOMPARE(task->attachments().first()->typeName(), QStringLiteral("generic"));
    }

    void listsDocumentRoundTrip()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        QString error;
        QScopedPointer<UserLists> read(loadFromBytes(saveToBytes(lists.data()), &error));
        QVERIFY2(read, qPrintable(error));

        // Every field read is written again as it was: a field lost or misread
        // on the way in changes the second document.
        QCOMPARE(saveToBytes(read.data()), saveToBytes(lists.data()));
        QVERIFY(read->isDisplayOrderChanged());
        QCOMPARE(read->models().size(), 3);
        QCOMPARE(read->deletedLists().size(), 1);
        // The blank top-level task is left out; the titled one arrives whole.
        TaskList *groceries = read->models().first()->taskList();
        QCOMPARE(groceries->rootTask()->childCount(), 1);
        compareTasks(lists->models().first()->taskList()->rootTask()->child(0), groceries->rootTask()->child(0), true);
        // The new list's only task was blank.
        QCOMPARE(read->models().at(2)->taskList()->rootTask()->childCount(), 0);
        QCOMPARE(read->models().at(2)->taskList()->serverId(), 0u);

        TaskList *deleted = read->deletedLists().first();
        QCOMPARE(deleted->syncStatus(), TaskList::Deleted);
        QCOMPARE(deleted->serverId(), 39u);
        QCOMPARE(deleted->name(), QStringLiteral("Old list"));
        // The live tree was not touched by writing.
        QCOMPARE(lists->models().first()->taskList()->rootTask()->childCount(), 2);
    }

    void listKeyOrder_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("owned") << 0
            << QStringList{"sync-status", "outlook-id", "local-id", "id", "revision", "name", "done",
                           "description", "owned", "permissions", "shared-edited", "shared-revision",
                           "show-start-time-column", "show-end-time-column", "show-elapsed-time-column",
                           "show-assignment-column"};
        QTest::newRow("not owned") << 1
            << QStringList{"sync-status", "local-id", "id", "revision", "name", "done", "description", "owned",
                           "owner", "permissions", "show-start-time-column", "show-end-time-column",
                           "show-elapsed-time-column", "show-assignment-column"};
        QTest::newRow("new") << 2
            << QStringList{"sync-status", "local-id", "name", "done", "description", "owned", "permissions",
                           "shared-edited", "shared-revision", "show-start-time-column", "show-end-time-column",
                           "show-elapsed-time-column", "show-assignment-column"};
        QTest::newRow("deleted") << 3
            << QStringList{"sync-status", "local-id", "id", "revision", "name", "done", "description", "owned",
                           "permissions"};
    }

    void listKeyOrder()
    {
        QFETCH(int, index);
        QFETCH(QStringList, expected);
        QScopedPointer<UserLists> lists(sampleLists());
        QDomDocument doc;
        QVERIFY(doc.setContent(saveToBytes(lists.data()), false));
        QDomElement body = doc.documentElement().firstChildElement(QStringLiteral("body"));
        QDomElement div = body.firstChildElement().nextSiblingElement();
        for (int i = 0; i < index; ++i)
            div = div.nextSiblingElement();
        QCOMPARE(div.tagName(), QStringLiteral("div"));
        QCOMPARE(keys(child(div, QStringLiteral("pd-list-fields"))), expected);
    }

    void listsDocumentStructure()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        const QByteArray bytes = saveToBytes(lists.data());
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
        QDomDocument doc;
        QVERIFY(doc.setContent(bytes, false));
        const QDomElement head = doc.documentElement().firstChildElement(QStringLiteral("head"));
        QCOMPARE(head.firstChildElement(QStringLiteral("title")).text(), QStringLiteral("pd-local-lists"));
        const QDomElement body = doc.documentElement().firstChildElement(QStringLiteral("body"));
        QCOMPARE(childClasses(body), (QStringList{"pd-local-fields", "pd-list", "pd-list", "pd-list", "pd-list"}));
        const QDomElement local = child(body, QStringLiteral("pd-local-fields"));
        QCOMPARE(keys(local), (QStringList{"display-order-changed", "outlook-last-sync-time"}));
        QCOMPARE(value(local, QStringLiteral("outlook-last-sync-time")), QStringLiteral("2009-06-01T08:30:00"));

        const QDomElement owned = child(body, QStringLiteral("pd-list"));
        QCOMPARE(childClasses(owned), (QStringList{"pd-list-fields", "pd-shared", "pd-tasks", "pd-removed-tasks"}));
        const QDomElement shared = child(owned, QStringLiteral("pd-shared"));
        QCOMPARE(shared.tagName(), QStringLiteral("ul"));
        QStringList names;
        for (QDomElement li = shared.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
            QCOMPARE(li.attribute(QStringLiteral("class")), QStringLiteral("pd-shared-user"));
            const QDomElement dl = child(li, QStringLiteral("pd-shared-user-fields"));
            QCOMPARE(keys(dl), (QStringList{"name", "permissions"}));
            names << value(dl, QStringLiteral("name"));
        }
        QCOMPARE(names, (QStringList{"alice", "bob"}));
        QCOMPARE(child(owned, QStringLiteral("pd-tasks")).childNodes().size(), 1);

        // Not owned, new and deleted lists carry no shared users.
        const QDomElement notOwned = owned.nextSiblingElement();
        QCOMPARE(childClasses(notOwned), (QStringList{"pd-list-fields", "pd-tasks"}));
        QCOMPARE(childClasses(notOwned.nextSiblingElement()), QStringList{"pd-list-fields"});
        QCOMPARE(childClasses(notOwned.nextSiblingElement().nextSiblingElement()), QStringList{"pd-list-fields"});

        // No Outlook time, no key.
        lists->setOutlookLastSyncTime(QDateTime());
        QVERIFY(doc.setContent(saveToBytes(lists.data()), false));
        QCOMPARE(keys(child(doc.documentElement().firstChildElement(QStringLiteral("body")), QStringLiteral("pd-local-fields"))),
                 QStringList{"display-order-changed"});
    }

    void singleListLeavesOutLocalFields()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        const QDomDocument doc = reparse(writer.writeSingleList(lists->models().first()->taskList()));
        const QDomElement head = doc.documentElement().firstChildElement(QStringLiteral("head"));
        QCOMPARE(head.firstChildElement(QStringLiteral("title")).text(), QStringLiteral("pd-list"));
        for (QDomElement meta = head.firstChildElement(QStringLiteral("meta")); !meta.isNull();
             meta = meta.nextSiblingElement(QStringLiteral("meta")))
            QVERIFY(meta.attribute(QStringLiteral("name")) != QLatin1String("format-version"));
        const QDomElement body = doc.documentElement().firstChildElement(QStringLiteral("body"));
        QCOMPARE(childClasses(body), QStringList{"pd-list"});
        const QDomElement div = body.firstChildElement();
        QCOMPARE(childClasses(div), (QStringList{"pd-list-fields", "pd-tasks", "pd-removed-tasks"}));
        QCOMPARE(keys(child(div, QStringLiteral("pd-list-fields"))),
                 (QStringList{"id", "revision", "name", "done", "description", "owned", "permissions"}));
        const QString text = doc.toString();
        for (const char *key : {"sync-status", "outlook-id", "local-id", "shared-edited", "shared-revision",
                                "show-start-time-column", "expanded", "pd-shared\""})
            QVERIFY2(!text.contains(QLatin1String(key)), key);

        // And it reads back as the server's copy.
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QScopedPointer<TaskList> list(reader.readSingleList(doc));
        QVERIFY2(list, qPrintable(reader.errorString()));
        QCOMPARE(list->syncStatus(), TaskList::Unedited);
        QCOMPARE(list->serverId(), 40u);
        QCOMPARE(list->removedTasks().size(), 1);
        compareTasks(lists->models().first()->taskList()->rootTask()->child(0), list->rootTask()->child(0), false);
    }

    void newListHasNoIds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("local") << int(XMLReaderWriter::LocalDocument);
        QTest::newRow("server") << int(XMLReaderWriter::ServerDocument);
    }

    void newListHasNoIds()
    {
        QFETCH(int, kind);
        QScopedPointer<TaskList> list(TaskList::createNew());
        list->setServerId(12); // hidden while the list is new
        TaskReaderWriter writer(kind);
        QDomDocument doc = writer.createDocument();
        QDomElement body = writer.appendHeadAndBody(doc, QStringLiteral("t"));
        writer.writeList(list.data(), nullptr, body);
        const QStringList written = keys(child(reparse(doc).documentElement().firstChildElement(QStringLiteral("body"))
                                                   .firstChildElement(), QStringLiteral("pd-list-fields")));
        QVERIFY(!written.contains(QStringLiteral("id")));
        QVERIFY(!written.contains(QStringLiteral("revision")));
        if (kind == XMLReaderWriter::LocalDocument) {
            TaskReaderWriter reader(kind);
            QScopedPointer<TaskList> read(reader.readList(body.firstChildElement()));
            QVERIFY(read);
            QCOMPARE(read->syncStatus(), TaskList::New);
            QCOMPARE(read->serverId(), 0u);
        }
    }

    void listsLoadFailures_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("error");

        const QString ok = QStringLiteral("sync-status=unedited|id=5|revision=2|name=n|done=false");
        QTest::newRow("sync status in capitals") << listXml(QStringLiteral("sync-status=Edited|name=n"))
                                                 << "unexpected sync status string Edited";
        QTest::newRow("id zero") << listXml(QStringLiteral("sync-status=edited|id=0|revision=1"))
                                 << "bad list id string 0";
        QTest::newRow("id not a number") << listXml(QStringLiteral("sync-status=edited|id=x|revision=1"))
                                         << "bad list id string x";
        QTest::newRow("revision zero") << listXml(QStringLiteral("sync-status=edited|id=3|revision=0"))
                                       << "bad rev num string 0";
        QTest::newRow("local id zero") << listXml(QStringLiteral("sync-status=new|name=n|local-id=0"))
                                       << "bad list id string 0";
        QTest::newRow("owned false, no permissions") << listXml(ok + QStringLiteral("|owned=false|owner=carol"))
            << "TaskReaderWriter error pharsing a task list, owned=false but no permissions found";
        QTest::newRow("owned false, no owner") << listXml(ok + QStringLiteral("|owned=false|permissions=r"))
            << "TaskReaderWriter error pharsing a task list, owned=false but no owner found";
        QTest::newRow("owned invalid") << listXml(ok + QStringLiteral("|owned=yes"))
            << "TaskReaderWriter error pharsing a task list, owned value invalid";
        QTest::newRow("two local fields") << QStringLiteral("<dl class=\"pd-local-fields\"/><dl class=\"pd-local-fields\"/>")
            << "duplicate element with class pd-local-fields under body";
        QTest::newRow("bad shared revision") << listXml(ok + QStringLiteral("|shared-revision=x"))
                                             << "bad rev num string x";
        QTest::newRow("failing grandchild") << listXml(ok, QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(
            taskXml(QStringLiteral("title=a|done=false"),
                    QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(taskXml(QStringLiteral("done=no"))))))
            << "bad value for done: no";
        QTest::newRow("shared user without permissions") << listXml(ok,
            QStringLiteral("<ul class=\"pd-shared\"><li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">"
                           "<dt>name</dt><dd>bob</dd></dl></li></ul>"))
            << "TaskReaderWriter pharsinig error in readList method while trying to read the list of shared users";
    }

    void listsLoadFailures()
    {
        QFETCH(QString, body);
        QFETCH(QString, error);
        QString actual;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(body).toUtf8(), &actual));
        QVERIFY(!lists);
        QCOMPARE(actual, error);
    }

    void listsLoadLenient_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<bool>("displayOrderChanged");

        QTest::newRow("no sync status: new, id ignored")
            << listXml(QStringLiteral("id=7|revision=2|name=n|done=false")) << true << "orwd" << false;
        QTest::newRow("owned missing overrides permissions")
            << listXml(QStringLiteral("sync-status=new|name=n|permissions=r")) << true << "orwd" << false;
        QTest::newRow("owned true without permissions")
            << listXml(QStringLiteral("sync-status=new|name=n|owned=true")) << true << "orwd" << false;
        QTest::newRow("other body children ignored")
            << QStringLiteral("<p class=\"x\"/><div class=\"pd-lists\"/>") + listXml(QStringLiteral("sync-status=new"))
            << true << "orwd" << false;
        QTest::newRow("display order TRUE is false")
            << QStringLiteral("<dl class=\"pd-local-fields\"><dt>display-order-changed</dt><dd>TRUE</dd></dl>")
                   + listXml(QStringLiteral("sync-status=new"))
            << true << "orwd" << false;
        QTest::newRow("display order true")
            << QStringLiteral("<dl class=\"pd-local-fields\"><dt>display-order-changed</dt><dd>true</dd></dl>")
                   + listXml(QStringLiteral("sync-status=new"))
            << true << "orwd" << true;
    }

    void listsLoadLenient()
    {
        QFETCH(QString, body);
        QFETCH(bool, isNew);
        QFETCH(QString, permissions);
        QFETCH(bool, displayOrderChanged);
        QString error;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(body).toUtf8(), &error));
        QVERIFY2(lists, qPrintable(error));
        QCOMPARE(lists->models().size(), 1);
        TaskList *list = lists->models().first()->taskList();
        QCOMPARE(list->syncStatus() == TaskList::New, isNew);
        QCOMPARE(list->serverId(), 0u);
        QCOMPARE(list->permissions(), permissions);
        QCOMPARE(lists->isDisplayOrderChanged(), displayOrderChanged);
        QVERIFY(lists->outlookLastSyncTime().isNull());
    }

    void duplicateServerIdKeptAsNewList()
    {
        const QString first = listXml(QStringLiteral("sync-status=unedited|id=5|revision=2|name=first|done=false"));
        const QString second = listXml(
            QStringLiteral("sync-status=edited|id=5|revision=3|name=second|done=false|owned=false|owner=carol|permissions=r"),
            QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(taskXml(QStringLiteral("title=edit|done=false|id=9|revision=1"))));
        const QString deleted = listXml(QStringLiteral("sync-status=deleted|id=5|revision=3|name=third|done=false"));
        QString error;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(first + second + deleted).toUtf8(), &error));
        QVERIFY2(lists, qPrintable(error));
        // The second list's edits survive as a new list of the user's own; the
        // deleted duplicate has nothing to keep.
        QCOMPARE(lists->models().size(), 2);
        QCOMPARE(lists->deletedLists().size(), 0);
        TaskList *kept = lists->models().at(1)->taskList();
        QCOMPARE(kept->name(), QStringLiteral("second"));
        QCOMPARE(kept->syncStatus(), TaskList::New);
        QVERIFY(kept->isOwned());
        QCOMPARE(kept->rootTask()->childCount(), 1);
        QCOMPARE(kept->rootTask()->child(0)->id(), 0u);
    }

    void listReadReports_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<bool>("loads");

        const QString ok = QStringLiteral("sync-status=unedited|id=5|revision=2|name=n|done=false");
        QTest::newRow("no sync status") << listXml(QStringLiteral("name=n|done=false"))
                                        << QStringList{"missing sync-status, legacy file?"} << true;
        QTest::newRow("shared-edited unknown") << listXml(ok + QStringLiteral("|shared-edited=yes"))
            << QStringList{"TaskReaderWriter: Parse error reading List, tag shared-edited with unknown value"} << true;
        QTest::newRow("shared user without fields") << listXml(ok,
            QStringLiteral("<ul class=\"pd-shared\"><li class=\"pd-shared-user\"/></ul>"))
            << QStringList{"Parsing error reading a shared user, required class not found",
                           "TaskReaderWriter pharsinig error in readList method while trying to read the list of shared users"}
            << false;
    }

    // The reports of the list reader reach the warning stream with their exact
    // texts (an expected message that never comes fails the test).
    void listReadReports()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, warnings);
        QFETCH(bool, loads);
        for (const QString &warning : std::as_const(warnings))
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(body).toUtf8()));
        QCOMPARE(bool(lists), loads);
        if (lists)
            QVERIFY(!lists->models().first()->isSharedEdited());
    }

    void singleListRead_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("error");

        const QString fieldsOk = QStringLiteral("id=44|revision=1|name=Groceries|done=false|description=|owned=true|permissions=orwd");
        const QString good = taskXml(QStringLiteral("title=Buy milk|done=false|id=700|revision=1|hashcode=") + kHash);
        QTest::newRow("minimal") << listXml(fieldsOk, QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(good)) << true << "";
        QTest::newRow("no list") << QString() << false << "failed to find mandatory element with class pd-list under body";
        QTest::newRow("two lists") << listXml(fieldsOk) + listXml(fieldsOk) << false
                                   << "duplicate element with class pd-list under body";
        QTest::newRow("no owner") << listXml(QStringLiteral("id=44|revision=1|owned=false|permissions=r")) << false
            << "TaskReaderWriter error pharsing a task list, owned=false but no owner found";
        QTest::newRow("task without revision") << listXml(fieldsOk, QStringLiteral("<ol class=\"pd-tasks\">%1%2</ol>")
            .arg(taskXml(QStringLiteral("title=x|done=false|hashcode=")), good)) << false << "no revision number found: ";
        // A failing task deep in the tree must not yield a truncated list.
        QTest::newRow("failing grandchild") << listXml(fieldsOk, QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(
            taskXml(QStringLiteral("title=a|done=false|revision=1|hashcode="),
                    QStringLiteral("<ol class=\"pd-tasks\">%1%2</ol>").arg(taskXml(QStringLiteral("done=x|revision=1|hashcode=")), good))))
            << false << "bad value for done: x";
        QTest::newRow("bad task id goes on") << listXml(fieldsOk, QStringLiteral("<ol class=\"pd-tasks\">%1</ol>")
            .arg(taskXml(QStringLiteral("title=x|done=false|id=q|revision=1|hashcode=")))) << true << "bad task id string q";
    }

    void singleListRead()
    {
        QFETCH(QString, body);
        QFETCH(bool, read);
        QFETCH(QString, error);
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QScopedPointer<TaskList> list(reader.readSingleList(parse(serverDoc(body))));
        QCOMPARE(bool(list), read);
        QCOMPARE(reader.errorString(), error);
        if (list) {
            QCOMPARE(list->syncStatus(), TaskList::Unedited);
            QCOMPARE(list->serverId(), 44u);
        }
    }

    void streamedEqualsTree()
    {
        // The lists file is streamed; the tree writer serves everything else.
        // Both must give the same document.
        QScopedPointer<UserLists> lists(sampleLists());
        Task *task = lists->models().first()->taskList()->rootTask()->child(0);
        task->setTitle(QStringLiteral("quotes \" and ' & <tags> \x01 \u00e9\U0001F600 ]]> end"));
        lists->models().at(1)->taskList()->setDescription(QStringLiteral("  leading and trailing  "));
        const QByteArray streamed = saveToBytes(lists.data());
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        QBuffer buffer;
        QVERIFY(writer.writeDocument(writer.writeLists(lists.data()), &buffer));
        QDomDocument a;
        QDomDocument b;
        QVERIFY(a.setContent(streamed, false));
        QVERIFY(b.setContent(buffer.data(), false));
        QCOMPARE(a.toString(1), b.toString(1));
        QCOMPARE(a.doctype().publicId(), QStringLiteral("-//W3C//DTD XHTML 1.0 Strict//EN"));
        QCOMPARE(a.doctype().systemId(), QStringLiteral("http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd"));
        QCOMPARE(a.documentElement().attribute(QStringLiteral("xmlns")), QStringLiteral("http://www.w3.org/1999/xhtml"));
    }

    void exampleDocuments()
    {
        // The fuzzers' seeds are complete example documents: they must read.
        const QString corpus = QStringLiteral(PLUMDECK_TEST_DATA_DIR "/../../fuzz/corpus/");
        for (const char *name : {"sample.xhtml", "minimal.xhtml"}) {
            QFile file(corpus + QStringLiteral("listsdocument/") + QLatin1String(name));
            QString error;
            QScopedPointer<UserLists> lists(UserLists::load(&file, &error));
            QVERIFY2(lists, qPrintable(error));
            QVERIFY(!lists->models().isEmpty());
        }
        {
            QFile file(corpus + QStringLiteral("singlelist/minimal.xhtml"));
            TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
            QScopedPointer<TaskList> list(reader.readSingleList(reader.readDocument(&file)));
            QVERIFY2(list, qPrintable(reader.errorString()));
            QCOMPARE(list->rootTask()->childCount(), 1);
        }
        {
            // A body as the client sends it: its new task has no revision yet,
            // so it is no valid reply.
            QFile file(corpus + QStringLiteral("singlelist/sample.xhtml"));
            TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
            QScopedPointer<TaskList> list(reader.readSingleList(reader.readDocument(&file)));
            QVERIFY(!list);
            QCOMPARE(reader.errorString(), QStringLiteral("no revision number found: "));
        }
        QFile infos(corpus + QStringLiteral("serverlistdocuments/listinfos.xhtml"));
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QMap<quint32, ListInfo *> map;
        QVERIFY(reader.readListInfos(reader.readDocument(&infos), map));
        QCOMPARE(map.size(), 2);
        qDeleteAll(map);
    }

    void saveToFailingDevice()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        FailingDevice device(100);
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        QVERIFY(!writer.saveLists(lists.data(), &device));
        QVERIFY(!writer.errorString().isEmpty());
    }

    void invalidCharactersStayLoadable()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        lists->models().first()->taskList()->rootTask()->child(0)->setTitle(QStringLiteral("bad\x01title"));
        lists->models().first()->taskList()->setName(QStringLiteral("na\x0bme"));
        QString error;
        QScopedPointer<UserLists> read(loadFromBytes(saveToBytes(lists.data()), &error));
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->models().first()->taskList()->rootTask()->child(0)->title(), QStringLiteral("badtitle"));
    }

    void listRefs()
    {
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        const QDomDocument doc = reparse(writer.writeListRefs({12, 7, 0}));
        QCOMPARE(doc.documentElement().firstChildElement(QStringLiteral("head")).firstChildElement(QStringLiteral("title")).text(),
                 QStringLiteral("pd-list-refs"));
        const QDomElement ol = doc.documentElement().firstChildElement(QStringLiteral("body")).firstChildElement();
        QCOMPARE(ol.tagName(), QStringLiteral("ol"));
        QCOMPARE(ol.attribute(QStringLiteral("class")), QStringLiteral("pd-list-refs"));
        QStringList hrefs;
        QStringList texts;
        for (QDomElement li = ol.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
            QCOMPARE(li.attribute(QStringLiteral("class")), QStringLiteral("pd-list-ref"));
            const QDomElement a = li.firstChildElement();
            QCOMPARE(a.tagName(), QStringLiteral("a"));
            QCOMPARE(a.attribute(QStringLiteral("class")), QStringLiteral("pd-list-id"));
            hrefs << a.attribute(QStringLiteral("href"));
            texts << a.text();
        }
        QCOMPARE(hrefs, (QStringList{"/plumdeck/lists/12", "/plumdeck/lists/7", "/plumdeck/lists/0"}));
        QCOMPARE(texts, (QStringList{"12", "7", "0"}));

        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QList<quint32> ids{99};
        QVERIFY(!reader.readListRefs(doc, ids)); // 0 fails the read
        QCOMPARE(ids, QList<quint32>{99});
        QVERIFY(reader.readListRefs(reparse(writer.writeListRefs({12, 7})), ids));
        QCOMPARE(ids, (QList<quint32>{12, 7}));
    }

    void listRefsReading_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<quint32>>("ids");
        QTest::addColumn<QString>("error");
        const QString ref = QStringLiteral("<li class=\"pd-list-ref\"><a class=\"pd-list-id\" href=\"/plumdeck/lists/3\">%1</a></li>");
        QTest::newRow("none") << "" << true << QList<quint32>{1} << "";
        QTest::newRow("other class skipped") << QStringLiteral("<ol class=\"pd-list-refs\"><li class=\"x\"/>%1</ol>").arg(ref.arg(3))
                                             << true << QList<quint32>{3} << "";
        QTest::newRow("empty text") << QStringLiteral("<ol class=\"pd-list-refs\">%1</ol>").arg(ref.arg(QString()))
                                    << false << QList<quint32>{1} << "expected list id '' to be a number";
        QTest::newRow("word") << QStringLiteral("<ol class=\"pd-list-refs\">%1</ol>").arg(ref.arg(QStringLiteral("three")))
                              << false << QList<quint32>{1} << "expected list id 'three' to be a number";
    }

    void listRefsReading()
    {
        QFETCH(QString, body);
        QFETCH(bool, ok);
        QFETCH(QList<quint32>, ids);
        QFETCH(QString, error);
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QList<quint32> out{1};
        QCOMPARE(reader.readListRefs(parse(serverDoc(body)), out), ok);
        QCOMPARE(out, ids);
        QCOMPARE(reader.errorString(), error);
    }

    void listInfos_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");

        auto info = [](const QString &pairs) {
            return QStringLiteral("<li class=\"pd-list-info\"><dl class=\"pd-list-fields\">%1</dl></li>").arg(fields(pairs));
        };
        const QString a = info(QStringLiteral("id=40|revision=8|shared_revision=3|name=G|owned=true|owner=me|shared=true|permissions=orwd"));
        const QString b = info(QStringLiteral("id=41|revision=12|shared_revision=1|name=T|owned=True|owner=carol|shared=no|permissions=rw"));
        const QString wrap = QStringLiteral("<ul class=\"pd-list-infos\">%1</ul>");
        QTest::newRow("two") << wrap.arg(a + b) << true << 2;
        QTest::newRow("none") << QString() << true << 0;
        QTest::newRow("two containers") << wrap.arg(a) + wrap.arg(b) << true << 0;
        QTest::newRow("same id twice") << wrap.arg(a + a) << true << 1;
        QTest::newRow("other class") << wrap.arg(a + QStringLiteral("<li class=\"x\"/>")) << false << 0;
        QTest::newRow("no fields") << wrap.arg(QStringLiteral("<li class=\"pd-list-info\"/>")) << false << 0;
        QTest::newRow("missing key") << wrap.arg(info(QStringLiteral("id=40|revision=8|name=G|owned=true|owner=me|shared=true|permissions=r")))
                                     << false << 0;
        QTest::newRow("bad revision") << wrap.arg(a + info(QStringLiteral("id=42|revision=x|shared_revision=3|name=G|owned=true|owner=me|shared=true|permissions=r")))
                                      << false << 0;
        QTest::newRow("id zero") << wrap.arg(info(QStringLiteral("id=0|revision=8|shared_revision=3|name=G|owned=true|owner=me|shared=true|permissions=r")))
                                 << false << 0;
    }

    void listInfos()
    {
        QFETCH(QString, body);
        QFETCH(bool, ok);
        QFETCH(int, count);
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QMap<quint32, ListInfo *> infos;
        QCOMPARE(reader.readListInfos(parse(serverDoc(body)), infos), ok);
        QCOMPARE(infos.size(), count);
        if (count == 2) {
            const ListInfo *a = infos.value(40);
            QCOMPARE(a->revision(), 8u);
            QCOMPARE(a->sharedRevision(), 3u);
            QCOMPARE(a->name(), QStringLiteral("G"));
            QVERIFY(a->isOwned());
            QVERIFY(a->isShared());
            QCOMPARE(a->permissions(), QStringLiteral("orwd"));
            const ListInfo *b = infos.value(41);
            QVERIFY(!b->isOwned()); // only the exact "true" counts
            QVERIFY(!b->isShared());
            QCOMPARE(b->owner(), QStringLiteral("carol"));
        }
        qDeleteAll(infos);
    }

    void singleListInfo()
    {
        const QString fieldsOk = fields(QStringLiteral("id=40|revision=8|shared_revision=3|name=G|owned=true|owner=me|shared=false|permissions=orwd"));
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        ListInfo *info = nullptr;
        QVERIFY(reader.readSingleListInfo(parse(serverDoc(QString())), info));
        QVERIFY(!info);
        QVERIFY(!reader.readSingleListInfo(parse(serverDoc(QStringLiteral("<div class=\"pd-list-info\"/>"))), info));
        QVERIFY(!info);
        QVERIFY(reader.readSingleListInfo(
            parse(serverDoc(QStringLiteral("<div class=\"pd-list-info\"><dl class=\"pd-list-fields\">%1</dl></div>").arg(fieldsOk))), info));
        QVERIFY(info);
        QCOMPARE(info->id(), 40u);
        QCOMPARE(info->revision(), 8u);
        delete info;
    }

    void listIdAndSharedRevision_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<uint>("listId");
        QTest::addColumn<uint>("sharedRevision");
        QTest::addColumn<QString>("error");
        QTest::newRow("list id") << "<span class=\"pd-list-id\">44</span>" << 44u << 0u << "";
        QTest::newRow("list id word") << "<span class=\"pd-list-id\">x</span>" << 0u << 0u << "expected list id 'x' to be a number";
        QTest::newRow("shared revision") << "<dl class=\"shared-fields\"><dt>shared_revision</dt><dd>4</dd></dl>" << 0u << 4u << "";
        QTest::newRow("shared revision missing") << "<dl class=\"shared-fields\"></dl>" << 0u << 0u << "";
        QTest::newRow("shared revision word") << "<dl class=\"shared-fields\"><dt>shared_revision</dt><dd>y</dd></dl>" << 0u << 0u
                                              << "bad rev num string y";
    }

    void listIdAndSharedRevision()
    {
        QFETCH(QString, body);
        QFETCH(uint, listId);
        QFETCH(uint, sharedRevision);
        QFETCH(QString, error);
        const QDomDocument doc = parse(serverDoc(body));
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        if (body.contains(QLatin1String("pd-list-id"))) {
            QCOMPARE(uint(reader.readListId(doc)), listId);
        } else {
            QCOMPARE(uint(reader.readSharedRevision(doc)), sharedRevision);
        }
        QCOMPARE(reader.errorString(), error);
    }

    void sharedUsersDocument()
    {
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        QMap<QString, QString> users{{QStringLiteral("bob"), QStringLiteral("r")},
                                     {QStringLiteral("Zed"), QStringLiteral("rw")},
                                     {QStringLiteral("alice"), QStringLiteral("rwd")}};
        const QDomDocument doc = reparse(writer.writeSharedUsers(users));
        const QDomElement ul = doc.documentElement().firstChildElement(QStringLiteral("body")).firstChildElement();
        QCOMPARE(ul.tagName(), QStringLiteral("ul"));
        QCOMPARE(ul.attribute(QStringLiteral("class")), QStringLiteral("pd-shared"));
        QStringList names;
        for (QDomElement li = ul.firstChildElement(); !li.isNull(); li = li.nextSiblingElement())
            names << value(li.firstChildElement(), QStringLiteral("name"));
        QCOMPARE(names, (QStringList{"Zed", "alice", "bob"}));

        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QMap<QString, QString> read;
        QVERIFY(reader.readSharedUsers(doc, read));
        QCOMPARE(read, users);

        const QDomDocument empty = reparse(writer.writeSharedUsers({}));
        const QDomElement emptyUl = empty.documentElement().firstChildElement(QStringLiteral("body")).firstChildElement();
        QCOMPARE(emptyUl.attribute(QStringLiteral("class")), QStringLiteral("pd-shared"));
        QVERIFY(!emptyUl.hasChildNodes());
        QDomDocument list = writer.createDocument();
        QDomElement body = writer.appendHeadAndBody(list, QStringLiteral("t"));
        writer.writeListSharedUsers({}, body);
        QVERIFY(!body.hasChildNodes());
    }

    void sharedUsersReading_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("names");
        const QString user = QStringLiteral("<li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">%1</dl></li>");
        const QString list = QStringLiteral("<ul class=\"pd-shared\">%1</ul>")
                                 .arg(user.arg(fields(QStringLiteral("name=me|permissions=rwd")))
                                      + QStringLiteral("<li class=\"other\"/>")
                                      + user.arg(fields(QStringLiteral("name=bob|permissions=r"))));
        QTest::newRow("skips me") << serverDoc(list, QStringLiteral("permissions")) << true << QStringList{"bob"};
        QTest::newRow("wrong title") << serverDoc(list, QStringLiteral("Permissions")) << false << QStringList{};
        QTest::newRow("no list") << serverDoc(QString(), QStringLiteral("permissions")) << false << QStringList{};
        QTest::newRow("missing permissions")
            << serverDoc(QStringLiteral("<ul class=\"pd-shared\">%1</ul>").arg(user.arg(fields(QStringLiteral("name=bob")))),
                         QStringLiteral("permissions"))
            << false << QStringList{};
    }

    void sharedUsersReading()
    {
        QFETCH(QString, doc);
        QFETCH(bool, ok);
        QFETCH(QStringList, names);
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        QMap<QString, QString> users;
        QCOMPARE(reader.readSharedUsers(parse(doc), users), ok);
        QCOMPARE(users.keys(), names);
    }
};

PLUMDECK_TEST_MAIN(TstTaskReaderWriter)
#include "tst_taskreaderwriter.moc"
