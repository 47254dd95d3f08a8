#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachmentwebhyperlink.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "core/serversettings.h"
#include "failingdevice.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace ModelTest;

namespace {

const int Local = XMLReaderWriter::LocalDocument;
const int Server = XMLReaderWriter::ServerDocument;

QString taskXml(const QString &pairs, const QString &inner = QString())
{
    return QStringLiteral("<li class=\"pd-task\"><dl class=\"pd-task-fields\">%1</dl>%2</li>").arg(fields(pairs), inner);
}

QString tasksXml(const QString &items)
{
    return QStringLiteral("<ol class=\"pd-tasks\">%1</ol>").arg(items);
}

QString listXml(const QString &pairs, const QString &inner = QString())
{
    return QStringLiteral("<div class=\"pd-list\"><dl class=\"pd-list-fields\">%1</dl>%2</div>").arg(fields(pairs), inner);
}

QString localDoc(const QString &body)
{
    return QStringLiteral("<html><head><title>pd-local-lists</title><meta name=\"generator\" content=\"PlumDeck\"/>"
                          "<meta name=\"format-version\" content=\"2\"/></head><body>%1</body></html>").arg(body);
}

QString serverDoc(const QString &body, const QString &title = QStringLiteral("t"))
{
    return QStringLiteral("<html><head><title>%1</title></head><body>%2</body></html>").arg(title, body);
}

// Serialised by the writer and parsed again: what lands on disk or the wire.
QDomDocument reparse(const QDomDocument &doc)
{
    QBuffer buffer;
    if (!TaskReaderWriter(Local).writeDocument(doc, &buffer))
        qFatal("write failed");
    return parseBytes(buffer.data());
}

QDomElement writtenTask(Task *task, int kind)
{
    TaskReaderWriter writer(kind);
    QDomDocument doc = writer.createDocument();
    writer.writeTask(task, writer.appendHeadAndBody(doc, QStringLiteral("t")));
    return bodyOf(reparse(doc)).firstChildElement();
}

Task *readTaskXml(const QString &xml, int kind, QString *error = nullptr)
{
    TaskReaderWriter reader(kind);
    Task *task = reader.readTask(bodyOf(parse(serverDoc(tasksXml(xml)))).firstChildElement().firstChildElement());
    if (error)
        *error = reader.errorString();
    return task;
}

// Live lists of three kinds (owned and shared with removed tasks, shared with
// me, new) and a deleted one.
UserLists *sampleLists()
{
    UserLists *lists = UserLists::create();
    lists->setDisplayOrderChanged(true);
    lists->setOutlookLastSyncTime(utc("2009-06-01T08:30:00Z"));

    TaskList *owned = makeList(TaskList::Edited, 40, QStringLiteral("Groceries"), 1);
    owned->setOutlookId(QStringLiteral("00000000A1B2C3D4E5F60708"));
    owned->setRevision(7);
    owned->setDescription(QStringLiteral("weekly"));
    owned->setDone(true);
    owned->rootTask()->insertChild(fullTask(QStringLiteral("Buy milk")), 0);
    owned->rootTask()->insertChild(new Task, 1); // blank: not written
    owned->setRemovedTasks({fullTask(QStringLiteral("Buy bread"))});
    owned->removedTasks().first()->setLeftByMove(true); // moved to another list
    ListModel *model = lists->addList(owned);
    model->loadSharedUser(QStringLiteral("bob"), QStringLiteral("r"));
    model->addSharedUser(QStringLiteral("alice"), QStringLiteral("rw")); // agreed: bob alone
    model->setSharedRevision(3);
    model->setSharedEdited();
    model->setShowStartTimeColumn(true);
    model->setShowAssignmentColumn(true);

    TaskList *shared = makeList(TaskList::Unedited, 41, QStringLiteral("Team chores"), 3);
    shared->setRevision(12);
    shared->setOwned(false);
    shared->setOwner(QStringLiteral("carol"));
    shared->setPermissions(QStringLiteral("rw"));
    Task *task = addTask(shared->rootTask(), QStringLiteral("Water the plants"), 610);
    task->setRevision(4);
    task->setHashcode(hash32());
    ListModel *sharedModel = lists->addList(shared);
    sharedModel->setShowEndTimeColumn(true);
    sharedModel->setShowElapsedTimeColumn(true);

    TaskList *fresh = TaskList::createNew();
    fresh->setLocalId(2);
    lists->addList(fresh);
    lists->addList(makeList(TaskList::Deleted, 39, QStringLiteral("Old list"), 4));
    return lists;
}

QByteArray saveToBytes(UserLists *lists)
{
    QBuffer buffer;
    if (!TaskReaderWriter(Local).saveLists(lists, &buffer))
        qFatal("save failed");
    return buffer.data();
}

UserLists *loadFromBytes(QByteArray bytes, QString *error = nullptr)
{
    QBuffer buffer(&bytes);
    TaskReaderWriter reader(Local);
    UserLists *lists = reader.loadLists(&buffer);
    if (error)
        *error = reader.errorString();
    return lists;
}

// "bob=r carol=rw", or "unknown".
QString usersText(const std::optional<QMap<QString, QString>> &users)
{
    if (!users)
        return QStringLiteral("unknown");
    QStringList out;
    for (auto it = users->cbegin(); it != users->cend(); ++it)
        out << it.key() + QLatin1Char('=') + it.value();
    return out.join(QLatin1Char(' '));
}

QString sharedXml(const QString &className, const QString &users)
{
    QString items;
    for (const QString &user : users.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString name = user.section(QLatin1Char('='), 0, 0);
        const QString letters = user.contains(QLatin1Char('=')) ? user.section(QLatin1Char('='), 1) : QString();
        items += QStringLiteral("<li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">%1</dl></li>")
                     .arg(fields(QStringLiteral("name=") + name + (letters.isNull() ? QString() : "|permissions=" + letters)));
    }
    return QStringLiteral("<ul class=\"%1\">%2</ul>").arg(className, items);
}

QString childClasses(const QDomElement &parent)
{
    QStringList classes;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        classes << e.attribute(QStringLiteral("class"));
    return classes.join(QLatin1Char(' '));
}

} // namespace

class TstTaskReaderWriter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ServerSettings::instance()->setUserName(QStringLiteral("me")); }

    void idConversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // task id, list id, revision; "!" after a failure
        QTest::newRow("number") << "12" << "12 12 12";
        QTest::newRow("zero") << "0" << "0 0 0";
        QTest::newRow("max") << "4294967295" << "4294967295 4294967295 4294967295";
        QTest::newRow("empty") << "" << "0 0! 0!";
        QTest::newRow("too big") << "4294967296" << "0! 0! 0!";
        QTest::newRow("blank") << " 12" << "0! 0! 0!";
        QTest::newRow("sign") << "+12" << "0! 0! 0!";
        QTest::newRow("word") << "x1" << "0! 0! 0!";
    }
    void idConversions()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QStringList results;
        const QStringList prefixes{"bad task id string ", "bad list id string ", "bad rev num string "};
        for (int i = 0; i < 3; ++i) {
            TaskReaderWriter rw(Local);
            const quint32 value = i == 0 ? rw.taskIdFromString(text) : i == 1 ? rw.listIdFromString(text) : rw.revisionFromString(text);
            QVERIFY(rw.errorString().isEmpty() || rw.errorString() == prefixes.at(i) + text);
            results << QString::number(value) + (rw.errorString().isEmpty() ? "" : "!");
        }
        QCOMPARE(results.join(' '), expected);
    }

    void syncStatusTexts()
    {
        const QStringList texts{"new", "unedited", "edited", "deleted"};
        for (int status = TaskList::New; status <= TaskList::Deleted; ++status) {
            TaskReaderWriter rw(Local);
            QCOMPARE(TaskReaderWriter::syncStatusToString(TaskList::SyncStatus(status)), texts.at(status - 1));
            QCOMPARE(int(rw.syncStatusFromString(texts.at(status - 1))), status);
            QVERIFY(rw.errorString().isEmpty());
        }
        QTest::ignoreMessage(QtWarningMsg, "attempt to serialize LocallyUnknown");
        QCOMPARE(TaskReaderWriter::syncStatusToString(TaskList::LocallyUnknown), QString());
        QTest::ignoreMessage(QtWarningMsg, "unknown SyncStatus");
        QCOMPARE(TaskReaderWriter::syncStatusToString(TaskList::SyncStatus(7)), QString());
        TaskReaderWriter rw(Local);
        QCOMPARE(rw.syncStatusFromString(QStringLiteral("Edited")), TaskList::LocallyUnknown);
        QCOMPARE(rw.errorString(), QStringLiteral("unexpected sync status string Edited"));
    }

    void taskRoundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("local") << Local;
        QTest::newRow("server") << Server;
    }
    void taskRoundTrip()
    {
        QFETCH(int, kind);
        QScopedPointer<Task> task(fullTask(QStringLiteral("Buy milk")));
        TaskReaderWriter reader(kind);
        QScopedPointer<Task> read(reader.readTask(writtenTask(task.data(), kind)));
        QVERIFY2(read && reader.errorString().isEmpty(), qPrintable(reader.errorString()));
        QCOMPARE(dump(read.data(), kind == Local), dump(task.data(), kind == Local));
        if (kind == Server)
            QVERIFY(read->isExpanded());
    }

    void taskElement_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("known");
        QTest::addColumn<QString>("expected");
        const QString parts = QStringLiteral(
            " ul.pd-task-assignments\n  li.pd-task-assignment\n   span.pd-user-nick \"alice\"\n"
            "  li.pd-task-assignment\n   span.pd-user-nick \"me\"\n ul.pd-task-attachments\n"
            "  li.pd-task-attachment\n   dl.pd-task-attachment-fields: name url type\n"
            "  li.pd-task-attachment\n   dl.pd-task-attachment-fields: name url type description additional_data\n"
            "  li.pd-task-attachment\n   dl.pd-task-attachment-fields: name url type description\n ol.pd-tasks\n");
        const QString kid = QStringLiteral("  li.pd-task\n   dl.pd-task-fields: title done revision hashcode%1 "
                                           "start-time due-time created-by done-by last-modified-by priority%2\n");
        const QString note = QStringLiteral(" note-added-time note-text");
        QTest::newRow("local, known to the server") << Local << true
            << "li.pd-task\n dl.pd-task-fields: title done outlook-id id revision hashcode expanded lineage creation-time "
               "modification-time deletion-time start-time due-time created-by done-by last-modified-by priority "
               "note-added-time note-text alarm-time\n" + parts + kid.arg(" expanded lineage", "")
               + kid.arg(" expanded lineage", note) + kid.arg(" expanded lineage", note);
        QTest::newRow("server, known to the server") << Server << true
            << "li.pd-task\n dl.pd-task-fields: title done id revision hashcode creation-time modification-time "
               "deletion-time start-time due-time created-by done-by last-modified-by priority note-added-time "
               "note-text alarm-time\n" + parts + kid.arg("", "") + kid.arg("", note) + kid.arg("", note);
        QTest::newRow("local, new") << Local << false
            << "li.pd-task\n dl.pd-task-fields: title= done=false hashcode= expanded=true lineage=00000000000004d2 "
               "start-time=none due-time=none created-by= done-by= last-modified-by= priority=none\n";
    }
    void taskElement()
    {
        QFETCH(int, kind);
        QFETCH(bool, known);
        QFETCH(QString, expected);
        QScopedPointer<Task> task(known ? fullTask(QStringLiteral("t")) : new Task);
        if (!known) {
            task->setHashcode(hash32().left(31)); // only a whole hash is written
            task->setLineage(1234);
        }
        QCOMPARE(outline(writtenTask(task.data(), kind), !known), expected);
        // The attachments element on its own: task element first, then the task.
        TaskReaderWriter writer(kind);
        QDomDocument doc = writer.createDocument();
        QDomElement li = writer.appendElementWithClass(writer.appendHeadAndBody(doc, QStringLiteral("t")),
                                                       QStringLiteral("li"), QStringLiteral("pd-task"));
        writer.writeTaskAttachments(li, task.data());
        QCOMPARE(childClasses(li.firstChildElement()), QString(known ? "pd-task-attachment pd-task-attachment pd-task-attachment" : ""));
    }

    void taskReading_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QString>("expected"); // expanded, start, priority, id; empty: not read
        QTest::addColumn<QString>("error");
        QTest::newRow("defaults") << Local << "done=false" << "1  0 0" << "";
        QTest::newRow("expanded TRUE") << Local << "done=false|expanded=TRUE" << "0  0 0" << "";
        QTest::newRow("expanded false") << Local << "done=false|expanded=false" << "0  0 0" << "";
        QTest::newRow("start none") << Local << "done=false|start-time=none" << "1  0 0" << "";
        QTest::newRow("start bad") << Local << "done=false|start-time=2009-06-01T09:00:0x" << "1  0 0" << "";
        QTest::newRow("start set") << Local << "done=false|start-time=2009-06-01T09:00:00" << "1 2009-06-01T09:00:00Z 0 0" << "";
        QTest::newRow("priority empty") << Local << "done=false|priority=" << "1  0 0" << "";
        QTest::newRow("priority reminder") << Local << "done=false|priority=reminder" << "1  1 0" << "";
        QTest::newRow("done in capitals") << Local << "title=a|done=TRUE" << "" << "bad value for done: TRUE";
        QTest::newRow("done missing") << Local << "title=a" << "" << "bad value for done: ";
        QTest::newRow("server without revision") << Server << "title=a|done=false|hashcode=" << "" << "no revision number found: ";
        QTest::newRow("local without revision") << Local << "title=a|done=false" << "1  0 0" << "";
        QTest::newRow("server without hashcode") << Server << "title=a|done=false|revision=1" << "" << "no hash code found: ";
        QTest::newRow("server with empty hashcode") << Server << "title=a|done=false|revision=1|hashcode=" << "1  0 0" << "";
        QTest::newRow("bad id goes on") << Local << "title=a|done=false|id=x" << "1  0 0" << "bad task id string x";
        QTest::newRow("bad revision goes on") << Local << "title=a|done=false|revision=-1" << "1  0 0" << "bad rev num string -1";
    }
    void taskReading()
    {
        QFETCH(int, kind);
        QFETCH(QString, pairs);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        QString actual;
        QScopedPointer<Task> t(readTaskXml(taskXml(pairs), kind, &actual));
        QCOMPARE(t ? QStringLiteral("%1 %2 %3 %4").arg(int(t->isExpanded())).arg(t->startTime().toString(Qt::ISODate))
                         .arg(t->priority().value()).arg(t->id())
                   : QString(),
                 expected);
        QCOMPARE(actual, error);
    }

    void taskPartsReading_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<QString>("expected"); // children, assignments, attachment types
        QTest::addColumn<QString>("error");
        const QString nick = QStringLiteral("<li class=\"pd-task-assignment\"><span class=\"pd-user-nick\">%1</span></li>");
        QTest::newRow("assignments: a repeat dropped, another item ends them")
            << QStringLiteral("<ul class=\"pd-task-assignments\">%1%1<li class=\"x\"/>%2</ul>").arg(nick.arg("alice"), nick.arg("bob"))
            << "|alice|" << "";
        // The failing third child ends the reading of the children; the parent
        // is still returned and the error stays visible.
        QTest::newRow("failing child") << tasksXml(taskXml("title=a|done=false") + "<li>skipped</li>" + taskXml("title=b|done=false")
                                                   + taskXml("title=bad|done=maybe") + taskXml("title=c|done=false"))
                                       << "a,b||" << "bad value for done: maybe";
        // The item without a url ends the reading; the one before it stays,
        // as a generic attachment.
        const QString item = QStringLiteral("<li class=\"pd-task-attachment\"><dl class=\"pd-task-attachment-fields\">%1</dl></li>");
        QTest::newRow("attachments") << "<ul class=\"pd-task-attachments\">" + item.arg(fields("name=a|url=http://a/|type=weird"))
                                            + item.arg(fields("name=b|type=webHyperlink"))
                                            + item.arg(fields("name=c|url=http://c/|type=webHyperlink")) + "</ul>"
                                     << "||generic" << "";
    }
    void taskPartsReading()
    {
        QFETCH(QString, inner);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        QString actual;
        QScopedPointer<Task> task(readTaskXml(taskXml(QStringLiteral("title=p|done=false"), inner), Local, &actual));
        QVERIFY(task);
        QStringList children, types;
        for (const Task *child : task->children())
            children << child->title();
        for (const TaskAttachment *a : task->attachments())
            types << a->typeName();
        QCOMPARE(children.join(',') + '|' + task->assignments().join(',') + '|' + types.join(','), expected);
        QCOMPARE(actual, error);
    }

    void deepTaskTreeRefused()
    {
        // A DOM built elsewhere may nest without bound; the reader must fail
        // cleanly rather than run out of stack.
        QDomDocument doc;
        QDomElement parent = doc.appendChild(doc.createElement(QStringLiteral("ol"))).toElement();
        QDomElement top;
        for (int i = 0; i < TaskReaderWriter::maxTaskDepth + 50; ++i) {
            const QDomDocument li = parse(taskXml(QStringLiteral("done=false"), tasksXml(QString())));
            QDomElement item = parent.appendChild(doc.importNode(li.documentElement(), true)).toElement();
            if (top.isNull())
                top = item;
            parent = item.lastChildElement();
        }
        TaskReaderWriter reader(Local);
        QScopedPointer<Task> task(reader.readTask(top));
        QVERIFY(task);
        QCOMPARE(reader.errorString(), QStringLiteral("tasks nested more than %1 levels deep").arg(TaskReaderWriter::maxTaskDepth));
        QVERIFY(reader.failedTaskCount() > 0);
    }

    // The deepest task the bound allows, with its note, assignment and
    // attachment (the elements that reach deepest below it), is written in a
    // document every read accepts, local and from the server; one level more
    // is refused, whoever wrote it.
    void depthBoundFitsTheDocuments_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("levels");
        QTest::addColumn<bool>("extras"); // note, assignment, attachment
        QTest::addColumn<bool>("read");
        QTest::addColumn<bool>("agreed"); // edited, with its agreed copy as deep
        const int max = TaskReaderWriter::maxTaskDepth;
        QTest::newRow("local, deepest") << Local << max << true << true << false;
        QTest::newRow("local, deepest, edited with its agreed copy") << Local << max << true << true << true;
        QTest::newRow("server, deepest") << Server << max << true << true << false;
        // Without the extras the elements would still fit: the task bound
        // refuses it.
        QTest::newRow("local, one more") << Local << max + 1 << false << false << false;
        QTest::newRow("server, one more") << Server << max + 1 << false << false << false;
    }

    void depthBoundFitsTheDocuments()
    {
        QFETCH(int, kind);
        QFETCH(int, levels);
        QFETCH(bool, extras);
        QFETCH(bool, read);
        QFETCH(bool, agreed);
        auto *lists = new UserLists;
        QScopedPointer<UserLists> owner(lists);
        ListModel *model = lists->createList();
        TaskList *list = model->taskList();
        list->setName(QStringLiteral("Deep"));
        list->setSyncStatus(TaskList::Unedited);
        list->setServerId(100);
        list->setRevision(1);
        while (list->rootTask()->childCount())
            list->rootTask()->deleteChild(list->rootTask()->child(0));
        Task *task = list->rootTask();
        for (int level = 1; level <= levels; ++level) {
            task = task->createChild(0);
            task->setTitle(QStringLiteral("t%1").arg(level));
            task->setId(quint32(1000 + level));
            task->setRevision(1);
            task->setHashcode(QString(32, QLatin1Char('a')));
        }
        QCOMPARE(task->level(), levels);
        if (extras) {
            task->setNote(QDateTime(QDate(2009, 6, 1), QTime(8, 30)), QStringLiteral("note"));
            task->assign(QStringLiteral("alice"));
            task->addAttachment(new TaskAttachmentWebHyperlink(QStringLiteral("site"), QUrl(QStringLiteral("https://example.org/"))));
        }
        if (agreed) {
            list->agreeAsIs();
            list->setSyncStatus(TaskList::Edited);
        }

        int depth = 0;
        QString error;
        if (kind == Local) {
            const QByteArray bytes = saveToBytes(lists);
            depth = XMLReaderWriter::scanElementDepth(bytes, 100000);
            QScopedPointer<UserLists> back(loadFromBytes(bytes, &error));
            QCOMPARE(bool(back), read);
            if (read)
                QCOMPARE(back->models().first()->taskList()->allTasks().size(), levels);
            if (read && agreed)
                QCOMPARE(back->models().first()->taskList()->agreed()->allTasks().size(), levels);
        } else {
            TaskReaderWriter writer(Server);
            QByteArray bytes = writer.writeSingleList(list).toByteArray();
            depth = XMLReaderWriter::scanElementDepth(bytes, 100000);
            QBuffer buffer(&bytes);
            TaskReaderWriter reader(Server);
            const QDomDocument doc = reader.readDocument(&buffer);
            QScopedPointer<TaskList> back(doc.isNull() ? nullptr : reader.readSingleList(doc));
            error = reader.errorString();
            QVERIFY2(bool(back) == read, qPrintable(error));
        }
        if (read) {
            QVERIFY(depth <= XMLReaderWriter::maxElementDepth);
            QVERIFY2(depth >= XMLReaderWriter::maxElementDepth - 1, qPrintable(QString::number(depth)));
        } else {
            QVERIFY(depth <= XMLReaderWriter::maxElementDepth);
            QVERIFY2(error.contains(QStringLiteral("%1 levels").arg(TaskReaderWriter::maxTaskDepth)), qPrintable(error));
        }
    }

    void agreedDisplayOrder_data()
    {
        QTest::addColumn<QString>("value"); // written in the local fields; null: none
        QTest::addColumn<QString>("expected"); // the order read, or "none"
        QTest::newRow("none written") << QString() << "none";
        QTest::newRow("three lists") << "101 103 102" << "101 103 102";
        QTest::newRow("no list") << "" << "";
        QTest::newRow("a zero") << "101 0" << "none";
        QTest::newRow("one twice") << "101 102 101" << "none";
        QTest::newRow("not a number") << "101 x" << "none";
        QTest::newRow("a sign") << "+101" << "none";
    }

    // The order this computer last agreed with the server is kept with the
    // lists; one that does not read is unknown, and costs nothing else.
    void agreedDisplayOrder()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QString fields = QStringLiteral("<dt>display-order-changed</dt><dd>true</dd>");
        if (!value.isNull())
            fields += QStringLiteral("<dt>agreed-display-order</dt><dd>%1</dd>").arg(value);
        const QString body = QStringLiteral("<dl class=\"pd-local-fields\">%1</dl>").arg(fields)
                             + listXml(QStringLiteral("sync-status=unedited|id=101|revision=2|name=n|done=false"));
        if (expected == QLatin1String("none") && !value.isNull())
            QTest::ignoreMessage(QtWarningMsg, "the agreed display order of the lists does not read; it is left out");
        QString error;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(body).toUtf8(), &error));
        QVERIFY2(lists, qPrintable(error));
        QVERIFY(lists->isDisplayOrderChanged());
        const auto text = [](const UserLists *read) {
            if (!read->agreedDisplayOrder())
                return QStringLiteral("none");
            QStringList ids;
            for (quint32 id : *read->agreedDisplayOrder())
                ids << QString::number(id);
            return ids.join(QLatin1Char(' '));
        };
        QCOMPARE(text(lists.data()), expected);
        // Written again as read.
        QScopedPointer<UserLists> back(loadFromBytes(saveToBytes(lists.data())));
        QVERIFY(back);
        QCOMPARE(text(back.data()), expected);
    }

    void movedInOrder_data()
    {
        QTest::addColumn<QString>("agreed"); // the agreed order written; null: none
        QTest::addColumn<QString>("moved");  // the lists moved since written; null: none
        QTest::addColumn<QString>("expected"); // the moved lists read, or "unknown"
        QTest::addColumn<QString>("arrived");  // the lists taken from the server since written; null: none
        QTest::addColumn<QString>("expectedArrived");
        QTest::newRow("none moved") << "101 102" << "" << "" << QString() << "";
        QTest::newRow("two moved") << "101 102" << "102 101" << "101 102" << QString() << "";
        QTest::newRow("not written beside an agreed order") << "101 102" << QString() << "unknown" << QString() << "";
        QTest::newRow("damaged") << "101 102" << "101 y" << "unknown" << QString() << "";
        QTest::newRow("no agreed order: none moved") << QString() << "101" << "" << QString() << "";
        // Placed by the server's order even after a run that ended before
        // it merged the orders.
        QTest::newRow("two taken from the server") << "101 102" << "" << "" << "104 103" << "103 104";
        QTest::newRow("taken from the server, damaged") << "101 102" << "" << "" << "103 z" << "";
    }

    // Which lists the user moved since the order was last agreed is kept
    // beside that order; untold, the orders themselves are read for it.
    void movedInOrder()
    {
        QFETCH(QString, agreed);
        QFETCH(QString, moved);
        QFETCH(QString, expected);
        QFETCH(QString, arrived);
        QFETCH(QString, expectedArrived);
        QString fields = QStringLiteral("<dt>display-order-changed</dt><dd>true</dd>");
        if (!agreed.isNull())
            fields += QStringLiteral("<dt>agreed-display-order</dt><dd>%1</dd>").arg(agreed);
        if (!moved.isNull())
            fields += QStringLiteral("<dt>display-order-moved</dt><dd>%1</dd>").arg(moved);
        if (!arrived.isNull())
            fields += QStringLiteral("<dt>display-order-arrived</dt><dd>%1</dd>").arg(arrived);
        const QString body = QStringLiteral("<dl class=\"pd-local-fields\">%1</dl>").arg(fields);
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(body).toUtf8()));
        QVERIFY(lists);
        const auto text = [](const UserLists *read) {
            if (!read->movedInOrder())
                return QStringLiteral("unknown");
            QList<quint32> ids(read->movedInOrder()->cbegin(), read->movedInOrder()->cend());
            std::sort(ids.begin(), ids.end());
            QStringList out;
            for (quint32 id : ids)
                out << QString::number(id);
            return out.join(QLatin1Char(' '));
        };
        const auto arrivedText = [](const UserLists *read) {
            QList<quint32> ids(read->arrivedInOrder().cbegin(), read->arrivedInOrder().cend());
            std::sort(ids.begin(), ids.end());
            QStringList out;
            for (quint32 id : ids)
                out << QString::number(id);
            return out.join(QLatin1Char(' '));
        };
        QCOMPARE(text(lists.data()), expected);
        QCOMPARE(arrivedText(lists.data()), expectedArrived);
        QScopedPointer<UserLists> back(loadFromBytes(saveToBytes(lists.data())));
        QVERIFY(back);
        QCOMPARE(text(back.data()), expected);
        QCOMPARE(arrivedText(back.data()), expectedArrived);
    }

    void agreedCopy_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("agreedParts"); // written beside the list's own
        QTest::addColumn<QString>("expected");    // the agreed copy read, or "none"
        const QString fieldsOf40 = QStringLiteral(
            "<dl class=\"pd-agreed-fields\"><dt>id</dt><dd>40</dd><dt>revision</dt><dd>7</dd>"
            "<dt>name</dt><dd>Shopping</dd><dt>done</dt><dd>false</dd><dt>description</dt><dd/></dl>");
        const QString tasks = QStringLiteral(
            "<ol class=\"pd-agreed-tasks\">%1</ol>")
                                  .arg(taskXml(QStringLiteral("title=Milk|done=false|id=301|revision=7|hashcode="),
                                               tasksXml(taskXml(QStringLiteral("title=Semi|done=true|id=305|revision=2")))));
        QTest::newRow("edited, with it") << "edited" << fieldsOf40 + tasks << "40/7 Shopping: Milk(Semi*)";
        QTest::newRow("edited, written before it was kept") << "edited" << "" << "none";
        QTest::newRow("unedited: the list itself") << "unedited" << "" << "40/7 Groceries: Buy milk";
        QTest::newRow("unedited: a copy written beside it is not read") << "unedited" << fieldsOf40 + tasks
                                                                        << "40/7 Groceries: Buy milk";
        QTest::newRow("edited, another list's id") << "edited" << QString(fieldsOf40).replace("<dd>40</dd>", "<dd>41</dd>")
                                                   << "none";
        QTest::newRow("edited, a damaged revision") << "edited" << QString(fieldsOf40).replace("<dd>7</dd>", "<dd>x</dd>")
                                                    << "none";
        QTest::newRow("edited, a damaged task")
            << "edited"
            << fieldsOf40 + QStringLiteral("<ol class=\"pd-agreed-tasks\">%1</ol>").arg(taskXml(QStringLiteral("title=Milk|done=maybe")))
            << "none";
        QTest::newRow("edited, two copies") << "edited" << fieldsOf40 + fieldsOf40 << "none";
        // Reads, but cannot be what the list agreed: a merge would take wrong
        // changes from it.
        QTest::newRow("edited, another revision of the list")
            << "edited" << QString(fieldsOf40).replace("<dd>7</dd>", "<dd>6</dd>") + tasks << "none";
        const QString agreedTask = QStringLiteral("<ol class=\"pd-agreed-tasks\">%1</ol>");
        QTest::newRow("edited, a task under the id of another made at another time")
            << "edited"
            << fieldsOf40 + agreedTask.arg(taskXml(QStringLiteral("title=Milk|done=false|id=301|revision=7|hashcode=|"
                                                                  "created-by=alice|creation-time=2026-03-01 09:00:00")))
            << "none";
        QTest::newRow("edited, a task newer than the list's")
            << "edited" << fieldsOf40 + agreedTask.arg(taskXml(QStringLiteral("title=Milk|done=false|id=301|revision=5")))
            << "none";
        QTest::newRow("edited, a task as old as the list's under another hash code")
            << "edited"
            << fieldsOf40 + agreedTask.arg(taskXml(QStringLiteral("title=Milk|done=false|id=301|revision=7|hashcode=00ff00ff00ff00ff00ff00ff00ff00ff")))
            << "none";
        QTest::newRow("edited, one id twice")
            << "edited"
            << fieldsOf40 + agreedTask.arg(taskXml(QStringLiteral("title=Milk|done=false|id=301|revision=7"))
                                           + taskXml(QStringLiteral("title=Eggs|done=false|id=301|revision=7")))
            << "none";
        // A removal takes only what its copy agreed with the server.
        QTest::newRow("removed, with it") << "deleted" << fieldsOf40 + tasks << "40/7 Shopping: Milk(Semi*)";
        QTest::newRow("removed, written before it was kept") << "deleted" << "" << "none";
    }

    // What an edited list last agreed with the server is kept beside it; a
    // part that does not read costs that copy alone, never the list.
    void agreedCopy()
    {
        QFETCH(QString, status);
        QFETCH(QString, agreedParts);
        QFETCH(QString, expected);
        const QString list = listXml(
            QStringLiteral("sync-status=%1|id=40|revision=7|name=Groceries|done=false|owned=true|permissions=orwd").arg(status),
            tasksXml(taskXml(QStringLiteral("title=Buy milk|done=false|id=301|revision=7"))) + agreedParts);
        QString error;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(list).toUtf8(), &error));
        QVERIFY2(lists, qPrintable(error));
        const bool removed = status == QLatin1String("deleted");
        const auto listOf = [removed](const UserLists *in) {
            return removed ? in->deletedLists().value(0) : in->models().value(0)->taskList();
        };
        QCOMPARE(lists->models().size() + lists->deletedLists().size(), 1);
        const TaskList *read = listOf(lists.data());
        QCOMPARE(read->name(), QStringLiteral("Groceries"));
        const auto describe = [](const TaskList *agreed) {
            if (!agreed)
                return QStringLiteral("none");
            std::function<QString(const Task *)> tree = [&](const Task *parent) {
                QStringList out;
                for (const Task *t : parent->children())
                    out << t->title() + (t->isDone() ? "*" : "")
                               + (t->childCount() ? QStringLiteral("(%1)").arg(tree(t)) : QString());
                return out.join(QLatin1Char(' '));
            };
            return QStringLiteral("%1/%2 %3: %4").arg(agreed->serverId()).arg(agreed->revision()).arg(agreed->name(), tree(agreed->rootTask()));
        };
        QCOMPARE(describe(read->agreed()), expected);
        if (!read->agreed())
            return;
        // Written again only for an edited or removed list, and read back the same.
        const QByteArray again = saveToBytes(lists.data());
        QCOMPARE(again.contains("pd-agreed-list"), status == QLatin1String("edited") || removed);
        QScopedPointer<UserLists> back(loadFromBytes(again));
        QCOMPARE(describe(listOf(back.data())->agreed()), expected);
    }

    void compactAgreedCopy_data()
    {
        QTest::addColumn<QString>("own");      // the list's tasks
        QTest::addColumn<QString>("parts");    // written beside them
        QTest::addColumn<QString>("expected"); // the agreed copy read, or "none"
        const QString milk = taskXml(QStringLiteral("title=Buy milk|done=false|id=301|revision=7|hashcode="));
        const QString eggs = taskXml(QStringLiteral("title=Eggs|done=true|id=302|revision=7|hashcode="));
        const QString fieldsOf40 = QStringLiteral(
            "<dl class=\"pd-agreed-list-fields\"><dt>id</dt><dd>40</dd><dt>revision</dt><dd>6</dd>"
            "<dt>name</dt><dd>Shopping</dd><dt>done</dt><dd>false</dd><dt>description</dt><dd/></dl>");
        const auto compact = [&](const QString &shape, const QString &changes = QString()) {
            return QStringLiteral("<div class=\"pd-agreed-list\">%1<p class=\"pd-agreed-list-tree\">%2</p>%3</div>")
                .arg(fieldsOf40, shape,
                     changes.isEmpty() ? QString() : QStringLiteral("<ol class=\"pd-agreed-list-changes\">%1</ol>").arg(changes));
        };
        const QString changedMilk = taskXml(QStringLiteral("title=Milk|done=false|id=301|revision=6|hashcode="));
        const QString semi = taskXml(QStringLiteral("title=Semi|done=true|id=305|revision=2"));
        const QString whole = QStringLiteral(
            "<dl class=\"pd-agreed-fields\"><dt>id</dt><dd>40</dd><dt>revision</dt><dd>5</dd><dt>name</dt><dd>Old</dd>"
            "<dt>done</dt><dd>false</dd><dt>description</dt><dd/></dl><ol class=\"pd-agreed-tasks\">%1</ol>").arg(changedMilk);
        QTest::newRow("tasks named by id") << milk + eggs << compact("1:302 2:301") << "40/6 Shopping: Eggs*(Buy milk)";
        QTest::newRow("changed tasks and one named by id")
            << milk << compact("1:* 2:* 1:301", QString(changedMilk).replace("<dd>301</dd>", "<dd>303</dd>") + semi)
            << "40/6 Shopping: Milk(Semi*) Buy milk";
        const QString madeHere = taskXml(QStringLiteral("title=Bread|done=false"));
        QTest::newRow("no tasks") << madeHere << compact("") << "40/6 Shopping: ";
        QTest::newRow("a task the server gave an id left out") << milk + eggs << compact("1:302") << "none";
        QTest::newRow("no tasks, the list holding one the server gave an id") << milk << compact("") << "none";
        QTest::newRow("line broken and spaced") << milk + eggs << compact("\n 1:301\n  1:302 ") << "40/6 Shopping: Buy milk Eggs*";
        QTest::newRow("beside an earlier version's whole copy: the compact one")
            << milk << compact("1:301") + whole << "40/6 Shopping: Buy milk";
        QTest::newRow("an id the list does not hold") << milk << compact("1:999") << "none";
        QTest::newRow("an id two of the list's tasks hold") << milk + milk << compact("1:301") << "none";
        QTest::newRow("an id of a removed task")
            << milk + "</ol><ul class=\"pd-removed-tasks\">" + eggs + "</ul><ol>" << compact("1:302") << "none";
        QTest::newRow("a level skipped") << milk << compact("1:* 3:301", changedMilk) << "none";
        QTest::newRow("level 0") << milk << compact("0:301") << "none";
        QTest::newRow("no level") << milk << compact("301") << "none";
        QTest::newRow("a level that is no number") << milk << compact("x:301") << "none";
        QTest::newRow("an id that is no number") << milk << compact("1:3o1") << "none";
        QTest::newRow("more changed tasks named than written") << milk << compact("1:* 1:*", changedMilk) << "none";
        QTest::newRow("a changed task left over") << milk << compact("1:301", changedMilk) << "none";
        QTest::newRow("a changed task with children") << milk << compact("1:*", taskXml(QStringLiteral("title=Milk|done=false|id=301"), tasksXml(semi)))
                                                      << "none";
        QTest::newRow("a damaged changed task") << milk << compact("1:*", taskXml(QStringLiteral("title=Milk|done=maybe"))) << "none";
        QTest::newRow("something else among the changed tasks") << milk << compact("1:*", changedMilk + "<li class=\"pd-note\"/>") << "none";
        QTest::newRow("without its tree") << milk << QStringLiteral("<div class=\"pd-agreed-list\">%1</div>").arg(fieldsOf40) << "none";
        QTest::newRow("a tree of elements") << milk << compact("<b>1:301</b>") << "none";
        QTest::newRow("another list's id") << milk << QString(compact("1:301")).replace("<dd>40</dd>", "<dd>41</dd>") << "none";
        QTest::newRow("twice") << milk << compact("1:301") + compact("1:301") << "none";
    }

    // The compact form of an agreed copy: the tasks that differ from the
    // list's own written whole, the others named by id. A part that does not
    // read costs that copy alone, never the list; one that reads is written
    // back the same.
    void compactAgreedCopy()
    {
        QFETCH(QString, own);
        QFETCH(QString, parts);
        QFETCH(QString, expected);
        const QString list = listXml(
            QStringLiteral("sync-status=edited|id=40|revision=6|name=Groceries|done=false|owned=true|permissions=orwd"),
            tasksXml(own) + parts);
        QString error;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(list).toUtf8(), &error));
        QVERIFY2(lists, qPrintable(error));
        QCOMPARE(lists->models().size(), 1);
        const TaskList *read = lists->models().first()->taskList();
        QCOMPARE(read->name(), QStringLiteral("Groceries"));
        const auto describe = [](const TaskList *agreed) {
            if (!agreed)
                return QStringLiteral("none");
            std::function<QString(const Task *)> tree = [&](const Task *parent) {
                QStringList out;
                for (const Task *t : parent->children())
                    out << t->title() + (t->isDone() ? "*" : "")
                               + (t->childCount() ? QStringLiteral("(%1)").arg(tree(t)) : QString());
                return out.join(QLatin1Char(' '));
            };
            return QStringLiteral("%1/%2 %3: %4").arg(agreed->serverId()).arg(agreed->revision()).arg(agreed->name(), tree(agreed->rootTask()));
        };
        QCOMPARE(describe(read->agreed()), expected);
        if (!read->agreed())
            return;
        const QStringList agreedTasks = dump(read->agreed()->rootTask());
        const QByteArray again = saveToBytes(lists.data());
        QVERIFY(again.contains("pd-agreed-list-tree"));
        QVERIFY(!again.contains("pd-agreed-fields"));
        QScopedPointer<UserLists> back(loadFromBytes(again));
        QCOMPARE(dump(back->models().first()->taskList()->agreed()->rootTask()), agreedTasks);
        QCOMPARE(saveToBytes(back.data()), again);
    }

    void agreedCopyRoundTrip_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("whole"); // agreed tasks written whole
        QTest::newRow("nothing changed since") << "none" << 0;
        QTest::newRow("one retitled") << "retitled" << 1;
        QTest::newRow("one ticked and touched") << "ticked" << 1;
        QTest::newRow("one moved under another") << "moved" << 0;
        QTest::newRow("one removed") << "removed" << 1;
        QTest::newRow("one added") << "added" << 0;
        QTest::newRow("an attachment edited in place") << "attachment" << 1;
        QTest::newRow("one collapsed") << "collapsed" << 1;
        QTest::newRow("its id held by a second task too") << "id twice" << 1;
        QTest::newRow("an untyped row the list leaves out") << "blank" << 1;
        QTest::newRow("an untyped row opened below a task since, left out") << "blank below" << 0;
        QTest::newRow("a blank task the server knows, kept") << "blanked" << 0;
        QTest::newRow("an untitled task with a note, kept") << "untitled note" << 0;
        QTest::newRow("a task without an id") << "no id" << 1;
        QTest::newRow("the list's own fields") << "list fields" << 0;
        QTest::newRow("every task changed") << "all" << 6;
        QTest::newRow("kept whole in memory (a merge's server copy)") << "whole" << 0;
    }

    // An edited list's agreed copy reads back exactly as it was, while only
    // the tasks that differ from the list's own are written whole.
    void agreedCopyRoundTrip()
    {
        QFETCH(QString, edit);
        QFETCH(int, whole);
        QScopedPointer<UserLists> lists(UserLists::create());
        TaskList *list = makeList(TaskList::Unedited, 40, QStringLiteral("Groceries"), 1);
        list->setRevision(6);
        list->setDescription(QStringLiteral("weekly"));
        Task *milk = fullTask(QStringLiteral("Buy milk"));
        for (int i = 0; i < milk->childCount(); ++i)
            milk->child(i)->setId(quint32(601 + i));
        list->rootTask()->insertChild(milk, 0);
        Task *eggs = addTask(list->rootTask(), QStringLiteral("Eggs"), 41);
        eggs->setHashcode(hash32());
        eggs->setRevision(3);
        Task *bread = addTask(list->rootTask(), QStringLiteral("Bread"), 42);
        if (edit == "blank" || edit == "blanked")
            addTask(list->rootTask(), QStringLiteral(""), edit == "blank" ? 0 : 43);
        if (edit == "untitled note")
            addTask(list->rootTask(), QStringLiteral(""), 43)->setNote(utc("2010-01-01T08:00:00Z"), QStringLiteral("milk"));
        if (edit == "no id")
            addTask(eggs, QStringLiteral("loose"), 0);
        lists->addList(list);
        list->agreeAsIs();

        if (edit == "retitled")
            eggs->setTitle(QStringLiteral("Free-range eggs"));
        else if (edit == "ticked")
            milk->child(1)->setDone(true), milk->child(1)->setModificationTime(utc("2010-01-01T08:00:00Z"));
        else if (edit == "moved")
            eggs->insertChild(list->rootTask()->takeChild(bread), 0);
        else if (edit == "removed")
            list->removeTask(eggs);
        else if (edit == "added")
            addTask(bread, QStringLiteral("rye"));
        else if (edit == "blank below")
            addTask(bread, QString());
        else if (edit == "attachment")
            milk->attachments().at(1)->setDescription(QStringLiteral("longer clip"));
        else if (edit == "collapsed")
            eggs->setExpanded(false);
        else if (edit == "id twice")
            list->rootTask()->insertChild(bread->clone(), 0);
        else if (edit == "list fields")
            list->setName(QStringLiteral("Shopping")), list->setDescription(QString());
        else if (edit == "all")
            list->rootTask()->forEachBelow([](Task *task) { task->setTitle(task->title() + QStringLiteral("!")); });
        list->markEdited();
        if (edit == "whole") {
            // A copy set whole, not as an image, is written as compactly.
            std::unique_ptr<TaskList> agreed(list->agreed()->clone());
            list->setAgreed(agreed.release());
        }
        const QStringList agreedTasks = dump(list->agreed()->rootTask());
        const QStringList ownTasks = dump(list->rootTask());

        const QByteArray bytes = saveToBytes(lists.data());
        const QDomElement listElement = bodyOf(parseBytes(bytes)).firstChildElement(QStringLiteral("div"));
        const QDomElement compact = listElement.lastChildElement();
        QCOMPARE(compact.attribute(QStringLiteral("class")), QStringLiteral("pd-agreed-list"));
        QCOMPARE(compact.elementsByTagName(QStringLiteral("ol")).isEmpty() ? 0
                     : compact.firstChildElement(QStringLiteral("ol")).childNodes().size(), whole);
        QString error;
        QScopedPointer<UserLists> back(loadFromBytes(bytes, &error));
        QVERIFY2(back, qPrintable(error));
        const TaskList *read = back->models().first()->taskList();
        QVERIFY(read->agreed());
        QCOMPARE(dump(read->agreed()->rootTask()), agreedTasks);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(read->agreed()->serverId()).arg(read->agreed()->revision())
                     .arg(read->agreed()->name(), read->agreed()->description()).arg(read->agreed()->isDone()),
                 QStringLiteral("40 6 Groceries weekly 0"));
        if (edit != "blank")
            QCOMPARE(dump(read->rootTask()), edit == "blank below" ? agreedTasks : ownTasks);
        QCOMPARE(saveToBytes(back.data()), bytes);
    }

    void saveWithinTheReadBound_data()
    {
        QTest::addColumn<QString>("bound");
        QTest::addColumn<bool>("toFile");
        QTest::addColumn<QString>("agreed"); // the lists read back with their agreed copy, or "not saved"
        for (const bool toFile : {true, false}) {
            const char *device = toFile ? "to a file" : "to a buffer";
            QTest::newRow(qPrintable(QStringLiteral("room for all, %1").arg(device))) << "all" << toFile << "big small";
            QTest::newRow(qPrintable(QStringLiteral("a byte short: the larger copy left out, %1").arg(device)))
                << "all - 1" << toFile << "small";
            QTest::newRow(qPrintable(QStringLiteral("room for the lists alone, %1").arg(device)))
                << "none" << toFile << "";
            QTest::newRow(qPrintable(QStringLiteral("not even for the lists, %1").arg(device)))
                << "none - 1" << toFile << "not saved";
        }
    }

    // The lists file is never written larger than it is read: agreed copies
    // are left out first, the largest first, and lists that still do not fit
    // are not written at all, the file on disk staying as it was.
    void saveWithinTheReadBound()
    {
        QFETCH(QString, bound);
        QFETCH(bool, toFile);
        QFETCH(QString, agreed);
        const auto build = [](bool withAgreed) {
            UserLists *lists = UserLists::create();
            for (const QString &name : {QStringLiteral("big"), QStringLiteral("small")}) {
                TaskList *list = makeList(TaskList::Unedited, name == "big" ? 40 : 41, name);
                for (int i = 0; i < 20; ++i)
                    addTask(list->rootTask(), QStringLiteral("task %1").arg(i), quint32(100 * list->serverId() + i));
                lists->addList(list);
                list->agreeAsIs();
                const int changed = name == "big" ? 20 : 1;
                for (int i = 0; i < changed; ++i)
                    list->rootTask()->child(i)->setTitle(QStringLiteral("changed %1").arg(i));
                list->markEdited();
                if (!withAgreed)
                    list->setAgreed(nullptr);
            }
            return lists;
        };
        QScopedPointer<UserLists> lists(build(true));
        QScopedPointer<UserLists> bare(build(false));
        const qint64 all = saveToBytes(lists.data()).size();
        const qint64 none = saveToBytes(bare.data()).size();
        QVERIFY(none < all);
        const qint64 limit = bound == "all" ? all : bound == "all - 1" ? all - 1 : bound == "none" ? none : none - 1;
        XMLReaderWriter::setMaxDocumentBytes(limit);
        const auto restore = qScopeGuard([] { XMLReaderWriter::setMaxDocumentBytes(0); });

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lists.xhtml"));
        const QByteArray before("<earlier file/>");
        QByteArray bytes;
        bool saved = false;
        QString error;
        if (toFile) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
            file.close();
            saved = lists->save(path, &error);
            bytes = readFile(path);
        } else {
            QBuffer buffer(&bytes);
            TaskReaderWriter writer(Local);
            saved = writer.saveLists(lists.data(), &buffer);
            error = writer.errorString();
        }
        QCOMPARE(saved, agreed != "not saved");
        if (!saved) {
            QVERIFY2(error.contains(QStringLiteral("more than the %1").arg(limit)), qPrintable(error));
            if (toFile)
                QCOMPARE(bytes, before);
            return;
        }
        QVERIFY(bytes.size() <= limit);
        QScopedPointer<UserLists> back(loadFromBytes(bytes, &error));
        QVERIFY2(back, qPrintable(error));
        QStringList kept;
        for (ListModel *model : back->models()) {
            QCOMPARE(model->taskList()->syncStatus(), TaskList::Edited);
            QCOMPARE(model->taskList()->rootTask()->child(0)->title(), QStringLiteral("changed 0"));
            if (model->taskList()->agreed())
                kept << model->taskList()->name();
        }
        QCOMPARE(kept.join(QLatin1Char(' ')), agreed);
        // What stays in memory is the copy as it was, whatever the file holds.
        for (ListModel *model : lists->models())
            QCOMPARE(model->taskList()->agreed()->rootTask()->child(0)->title(), QStringLiteral("task 0"));
    }

    // A task's lineage, the one identity this computer gives it (the lists
    // file keeps it: see the round trip): a pasted copy gets a new one, and
    // so does each task read from a file of an earlier version, which keeps
    // none, the same in the list and its agreed copy.
    void lineageIsKept()
    {
        QScopedPointer<UserLists> lists(UserLists::create());
        TaskList *list = makeList(TaskList::Unedited, 40, QStringLiteral("Groceries"), 1);
        Task *milk = addTask(list->rootTask(), QStringLiteral("Milk"), 41);
        milk->setRevision(1);
        lists->addList(list);
        list->agreeAsIs();
        list->markEdited();
        QScopedPointer<Task> pasted(milk->copy());
        QVERIFY(Task::isLineage(pasted->lineage()) && pasted->lineage() != milk->lineage());
        const QByteArray bytes = saveToBytes(lists.data());
        QVERIFY(QScopedPointer<UserLists>(loadFromBytes(bytes))->tasksIdentified());
        QScopedPointer<UserLists> earlier(loadFromBytes(QString::fromUtf8(bytes)
            .remove(QRegularExpression(QStringLiteral("<dt>lineage</dt>\\s*<dd>[^<]*</dd>"))).toUtf8()));
        QVERIFY(earlier && !earlier->tasksIdentified());
        const TaskList *read = earlier->taskLists().first();
        QVERIFY(Task::isLineage(read->rootTask()->child(0)->lineage()));
        QCOMPARE(read->agreed()->rootTask()->child(0)->lineage(), read->rootTask()->child(0)->lineage());
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
        QCOMPARE(read->outlookLastSyncTime(), lists->outlookLastSyncTime());
        QVERIFY(read->isDisplayOrderChanged());
        // Each list and model field against the lists written; only owned
        // lists keep their sharing in the file.
        auto fieldsOf = [](const TaskList *l, const ListModel *m) {
            QString out = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9").arg(l->syncStatus()).arg(l->serverId()).arg(l->revision())
                              .arg(l->localId()).arg(l->name(), l->outlookId(), l->owner()).arg(int(l->isOwned())).arg(l->permissions())
                + QStringLiteral(" %1 %2").arg(int(l->isDone())).arg(l->description());
            if (m)
                out += QStringLiteral(" columns %1%2%3%4").arg(int(m->showStartTimeColumn())).arg(int(m->showEndTimeColumn()))
                           .arg(int(m->showElapsedTimeColumn())).arg(int(m->showAssignmentColumn()));
            if (m && l->isOwned())
                out += QStringLiteral(" shared %1 %2 %3 %4").arg(QStringList(m->sharedUsers().keys()).join(','),
                           QStringList(m->sharedUsers().values()).join(',')).arg(m->sharedRevision()).arg(int(m->isSharedEdited()))
                    + QStringLiteral(" agreed ") + usersText(m->agreedSharedUsers());
            return out;
        };
        QCOMPARE(read->models().size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(fieldsOf(read->models().at(i)->taskList(), read->models().at(i)),
                     fieldsOf(lists->models().at(i)->taskList(), lists->models().at(i)));
        QCOMPARE(read->deletedLists().size(), 1);
        QCOMPARE(fieldsOf(read->deletedLists().first(), nullptr), fieldsOf(lists->deletedLists().first(), nullptr));
        // The blank top-level task is left out; the titled one and the removed
        // one arrive whole.
        TaskList *groceries = read->models().first()->taskList();
        TaskList *original = lists->models().first()->taskList();
        QCOMPARE(groceries->rootTask()->childCount(), 1);
        QCOMPARE(dump(groceries->rootTask()->child(0)), dump(original->rootTask()->child(0)));
        QCOMPARE(groceries->removedTasks().size(), 1);
        QCOMPARE(dump(groceries->removedTasks().first()), dump(original->removedTasks().first()));
        QVERIFY(groceries->removedTasks().first()->leftByMove());
        QCOMPARE(read->models().at(2)->taskList()->rootTask()->childCount(), 0);
        // Writing left the live tree alone.
        QCOMPARE(original->rootTask()->childCount(), 2);
    }

    void listElement_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("children");
        const QString columns = QStringLiteral(
            " show-start-time-column show-end-time-column show-elapsed-time-column show-assignment-column");
        QTest::newRow("owned") << "0"
            << "sync-status outlook-id local-id id revision name done description owned permissions shared-edited "
               "shared-revision" + columns
            << "pd-list-fields pd-shared pd-agreed-shared-fields pd-agreed-shared pd-tasks pd-removed-tasks";
        QTest::newRow("not owned") << "1"
            << "sync-status local-id id revision name done description owned owner permissions" + columns
            << "pd-list-fields pd-tasks";
        QTest::newRow("new") << "2"
            << "sync-status local-id name done description owned permissions shared-edited shared-revision" + columns
            << "pd-list-fields";
        QTest::newRow("deleted") << "3" << "sync-status local-id id revision name done description owned permissions"
                                 << "pd-list-fields";
        // Kept by a run that ended before it told the user: told by the next.
        QTest::newRow("new, kept and not told yet") << "2 kept"
            << "sync-status local-id kept-untold name done description owned permissions shared-edited shared-revision"
                   + columns
            << "pd-list-fields";
        // Tasks the user removed that a run kept, not told yet, one title a line.
        QTest::newRow("new, tasks kept and not told yet") << "2 kept tasks"
            << "sync-status local-id kept-tasks-untold name done description owned permissions shared-edited "
               "shared-revision"
                   + columns
            << "pd-list-fields";
        QTest::newRow("single list") << "single" << "id revision name done description owned permissions"
                                     << "pd-list-fields pd-tasks pd-removed-tasks";
        QTest::newRow("single new list") << "single new" << "name done description owned permissions" << "pd-list-fields";
    }
    void listElement()
    {
        QFETCH(QString, which);
        QFETCH(QString, keys);
        QFETCH(QString, children);
        QScopedPointer<UserLists> lists(sampleLists());
        QDomDocument doc;
        QDomElement div;
        if (which.startsWith(QLatin1String("single"))) {
            QScopedPointer<TaskList> fresh(TaskList::createNew());
            fresh->setServerId(12); // hidden while the list is new
            TaskList *list = which == QLatin1String("single") ? lists->models().first()->taskList() : fresh.data();
            doc = reparse(TaskReaderWriter(Server).writeSingleList(list));
            QCOMPARE(doc.documentElement().firstChildElement().firstChildElement().text(), QStringLiteral("pd-list"));
            QVERIFY(!outline(doc.documentElement()).contains(QLatin1String("format-version")));
            QCOMPARE(childClasses(bodyOf(doc)), QStringLiteral("pd-list"));
            div = bodyOf(doc).firstChildElement();
        } else {
            const int index = which.section(QLatin1Char(' '), 0, 0).toInt();
            const bool kept = which.endsWith(QLatin1String("kept"));
            const bool keptTasks = which.endsWith(QLatin1String("kept tasks"));
            const QStringList titles{QStringLiteral("Dune"), QStringLiteral("Tea & <biscuits>")};
            if (kept)
                lists->models().at(index)->taskList()->setUntoldKept(QStringLiteral("copy"));
            if (keptTasks)
                lists->models().at(index)->taskList()->setUntoldKeptTasks(titles);
            const QByteArray bytes = saveToBytes(lists.data());
            doc = parseBytes(bytes);
            div = bodyOf(doc).firstChildElement();
            for (int i = 0; i <= index; ++i)
                div = div.nextSiblingElement();
            if (kept) {
                QScopedPointer<UserLists> back(loadFromBytes(bytes));
                QVERIFY(back && back->models().size() > index);
                QCOMPARE(back->models().at(index)->taskList()->untoldKept(), QStringLiteral("copy"));
            }
            if (keptTasks) {
                QScopedPointer<UserLists> back(loadFromBytes(bytes));
                QVERIFY(back && back->models().size() > index);
                QCOMPARE(back->models().at(index)->taskList()->untoldKeptTasks(), titles);
                QVERIFY(back->models().at(0)->taskList()->untoldKeptTasks().isEmpty());
            }
        }
        QCOMPARE(div.tagName(), QStringLiteral("div"));
        QCOMPARE(outline(div.firstChildElement()), "dl.pd-list-fields: " + keys + '\n');
        QCOMPARE(childClasses(div), children);
    }

    void listsDocumentFrame()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        const QByteArray bytes = saveToBytes(lists.data());
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
        const QDomDocument doc = parseBytes(bytes);
        QVERIFY(outline(doc.documentElement()).startsWith(
            "html\n head\n  title \"pd-local-lists\"\n  meta generator=PlumDeck\n  meta format-version=2\n body\n"
            "  dl.pd-local-fields: display-order-changed outlook-last-sync-time\n  div.pd-list\n"));
        QCOMPARE(outline(bodyOf(doc).firstChildElement(), true),
                 "dl.pd-local-fields: display-order-changed=true outlook-last-sync-time=2009-06-01T08:30:00\n");
        QCOMPARE(outline(bodyOf(doc).firstChildElement().nextSiblingElement().firstChildElement().nextSiblingElement(), true),
                 "ul.pd-shared\n li.pd-shared-user\n  dl.pd-shared-user-fields: name=alice permissions=rw\n"
                 " li.pd-shared-user\n  dl.pd-shared-user-fields: name=bob permissions=r\n");
        // No Outlook time, no key.
        lists->setOutlookLastSyncTime(QDateTime());
        QCOMPARE(outline(bodyOf(parseBytes(saveToBytes(lists.data()))).firstChildElement()),
                 "dl.pd-local-fields: display-order-changed\n");
    }

    void singleListReadsBack()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        TaskList *original = lists->models().first()->taskList();
        TaskReaderWriter reader(Server);
        QScopedPointer<TaskList> list(reader.readSingleList(reparse(TaskReaderWriter(Server).writeSingleList(original))));
        QVERIFY2(list, qPrintable(reader.errorString()));
        QCOMPARE(list->syncStatus(), TaskList::Unedited);
        QCOMPARE(list->serverId(), 40u);
        QCOMPARE(dump(list->removedTasks().first(), false), dump(original->removedTasks().first(), false));
        QCOMPARE(dump(list->rootTask()->child(0), false), dump(original->rootTask()->child(0), false));
    }

    // Damaged documents fail with the reason as the error text; what may be
    // intended loads. Warnings come with their exact texts (an expected
    // message that never comes fails the test).
    void listsLoad_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QString>("expected"); // status, id, permissions, order changed, shared edited
        QTest::addColumn<QString>("error");
        const QString ok = QStringLiteral("sync-status=unedited|id=5|revision=2|name=n|done=false");
        const QString ownership = QStringLiteral("TaskReaderWriter error pharsing a task list, ");
        const QString sharedUsersFailed = QStringLiteral(
            "TaskReaderWriter pharsinig error in readList method while trying to read the list of shared users");
        const QString order = QStringLiteral("<dl class=\"pd-local-fields\"><dt>display-order-changed</dt><dd>%1</dd></dl>");
        const QStringList none;
        QTest::newRow("sync status in capitals") << listXml("sync-status=Edited|name=n") << none << ""
                                                 << "unexpected sync status string Edited";
        QTest::newRow("id zero") << listXml("sync-status=edited|id=0|revision=1") << none << "" << "bad list id string 0";
        QTest::newRow("id not a number") << listXml("sync-status=edited|id=x|revision=1") << none << "" << "bad list id string x";
        QTest::newRow("revision zero") << listXml("sync-status=edited|id=3|revision=0") << none << "" << "bad rev num string 0";
        QTest::newRow("local id zero") << listXml("sync-status=new|name=n|local-id=0") << none << "" << "bad list id string 0";
        QTest::newRow("owned false, no permissions") << listXml(ok + "|owned=false|owner=carol") << none << ""
                                                     << ownership + "owned=false but no permissions found";
        QTest::newRow("owned false, no owner") << listXml(ok + "|owned=false|permissions=r") << none << ""
                                               << ownership + "owned=false but no owner found";
        QTest::newRow("owned invalid") << listXml(ok + "|owned=yes") << none << "" << ownership + "owned value invalid";
        QTest::newRow("two local fields") << "<dl class=\"pd-local-fields\"/><dl class=\"pd-local-fields\"/>" << none << ""
                                          << "duplicate element with class pd-local-fields under body";
        QTest::newRow("bad shared revision") << listXml(ok + "|shared-revision=x") << none << "" << "bad rev num string x";
        QTest::newRow("failing grandchild") << listXml(ok, tasksXml(taskXml("title=a|done=false", tasksXml(taskXml("done=no")))))
                                            << none << "" << "bad value for done: no";
        QTest::newRow("shared user without permissions")
            << listXml(ok, "<ul class=\"pd-shared\"><li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">"
                           "<dt>name</dt><dd>bob</dd></dl></li></ul>")
            << QStringList{sharedUsersFailed} << "" << sharedUsersFailed;
        QTest::newRow("shared user without fields") << listXml(ok, "<ul class=\"pd-shared\"><li class=\"pd-shared-user\"/></ul>")
            << QStringList{"Parsing error reading a shared user, required class not found", sharedUsersFailed} << ""
            << sharedUsersFailed;
        QTest::newRow("no sync status: new, id ignored") << listXml("id=7|revision=2|name=n|done=false")
                                                         << QStringList{"missing sync-status, legacy file?"} << "1 0 orwd 0 0" << "";
        QTest::newRow("owned missing overrides permissions") << listXml("sync-status=new|name=n|permissions=r") << none
                                                             << "1 0 orwd 0 0" << "";
        QTest::newRow("owned true without permissions") << listXml("sync-status=new|name=n|owned=true") << none
                                                        << "1 0 orwd 0 0" << "";
        QTest::newRow("other body children ignored") << "<p class=\"x\"/><div class=\"pd-lists\"/>" + listXml("sync-status=new")
                                                     << none << "1 0 orwd 0 0" << "";
        QTest::newRow("display order TRUE is false") << order.arg("TRUE") + listXml("sync-status=new") << none << "1 0 orwd 0 0" << "";
        QTest::newRow("display order true") << order.arg("true") + listXml("sync-status=new") << none << "1 0 orwd 1 0" << "";
        QTest::newRow("shared-edited unknown") << listXml(ok + "|shared-edited=yes")
            << QStringList{"TaskReaderWriter: Parse error reading List, tag shared-edited with unknown value"} << "2 5 orwd 0 0" << "";
        QTest::newRow("shared-edited true") << listXml(ok + "|shared-edited=true") << none << "2 5 orwd 0 1" << "";
    }
    void listsLoad()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, warnings);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        for (const QString &warning : std::as_const(warnings))
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QString actual;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(body).toUtf8(), &actual));
        QCOMPARE(actual, error);
        QCOMPARE(bool(lists), !expected.isEmpty());
        if (!lists)
            return;
        QCOMPARE(lists->models().size(), 1);
        ListModel *m = lists->models().first();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(m->taskList()->syncStatus()).arg(m->taskList()->serverId())
                     .arg(m->taskList()->permissions()).arg(int(lists->isDisplayOrderChanged())).arg(int(m->isSharedEdited())),
                 expected);
        QVERIFY(lists->outlookLastSyncTime().isNull());
    }

    // What an edited sharing last agreed with the server is read back; a
    // part that does not read costs that alone, never the load.
    void agreedSharingLoad_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QString>("agreed");
        QTest::addColumn<QStringList>("warnings");
        const QString users = sharedXml(QStringLiteral("pd-shared"), QStringLiteral("bob=rw"));
        const QString revision = QStringLiteral("<dl class=\"pd-agreed-shared-fields\">%1</dl>");
        const QString three = revision.arg(fields(QStringLiteral("shared-revision=3")));
        const QString agreed = sharedXml(QStringLiteral("pd-agreed-shared"), QStringLiteral("bob=r carol=r"));
        const QStringList unread{QStringLiteral("the agreed sharing of list 5 does not read; it syncs without it")};
        const QStringList none;
        QTest::newRow("kept") << users + three + agreed << "true" << "bob=r carol=r" << none;
        QTest::newRow("kept, nobody") << users + three << "true" << "" << none;
        QTest::newRow("an older file's: unknown") << users << "true" << "unknown" << none;
        QTest::newRow("unedited: the users") << users + three + agreed << "false" << "bob=rw" << none;
        QTest::newRow("of another revision") << users + revision.arg(fields(QStringLiteral("shared-revision=2"))) + agreed
                                             << "true" << "unknown" << unread;
        QTest::newRow("without a revision") << users + revision.arg(QString()) + agreed << "true" << "unknown" << unread;
        QTest::newRow("users without their revision") << users + agreed << "true" << "unknown" << unread;
        QTest::newRow("a user without letters") << users + three + sharedXml(QStringLiteral("pd-agreed-shared"), "bob")
                                                << "true" << "unknown" << unread;
        QTest::newRow("a user without fields") << users + three + "<ul class=\"pd-agreed-shared\"><li class=\"pd-shared-user\"/></ul>"
                                               << "true" << "unknown"
                                               << QStringList{"Parsing error reading a shared user, required class not found"} + unread;
        QTest::newRow("twice") << users + three + three + agreed << "true" << "unknown" << unread;
    }
    void agreedSharingLoad()
    {
        QFETCH(QString, inner);
        QFETCH(QString, edited);
        QFETCH(QString, agreed);
        QFETCH(QStringList, warnings);
        for (const QString &warning : std::as_const(warnings))
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const QString ok = QStringLiteral("sync-status=edited|id=5|revision=2|name=n|done=false|owned=true|permissions=orwd"
                                          "|shared-revision=3|shared-edited=") + edited;
        QString error;
        QScopedPointer<UserLists> lists(loadFromBytes(localDoc(listXml(ok, inner)).toUtf8(), &error));
        QVERIFY2(lists, qPrintable(error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        ListModel *m = lists->models().first();
        QCOMPARE(usersText(m->sharedUsers()), QStringLiteral("bob=rw"));
        QCOMPARE(m->sharedRevision(), 3u);
        QCOMPARE(usersText(m->agreedSharedUsers()), agreed);
        // Written again only while it is known and differs from the users.
        const QString written = QString::fromUtf8(saveToBytes(lists.data()));
        QCOMPARE(written.contains(QLatin1String("pd-agreed-shared-fields")), agreed != "unknown" && edited == "true");
    }

    // A reader that skips unread records leaves out the one list it refuses,
    // whichever part of it failed, and reads the others around it; a broken
    // frame still refuses the whole document.
    void unreadListLeftOut_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QString>("lists"); // live names / deleted ids; empty: refused
        QTest::addColumn<QString>("unread"); // position|name|server id|reason, when read
        QTest::addColumn<QString>("error");
        const QString ok = QStringLiteral("sync-status=unedited|id=8|revision=2|name=Broken|done=false");
        const QString sharedUsersFailed = QStringLiteral(
            "TaskReaderWriter pharsinig error in readList method while trying to read the list of shared users");
        const QString read = QStringLiteral("A B / 6");
        const QStringList none;
        QTest::newRow("removed list with an id and revision 0")
            << listXml("sync-status=deleted|id=7|revision=0|name=Gone|done=false") << none << read
            << "2|Gone|7|bad rev num string 0" << "";
        QTest::newRow("id not a number") << listXml("sync-status=edited|id=x|revision=1|name=Odd") << none << read
                                         << "2|Odd|0|bad list id string x" << "";
        QTest::newRow("sync status in capitals") << listXml("sync-status=Edited|name=Caps") << none << read
                                                 << "2|Caps|0|unexpected sync status string Edited" << "";
        QTest::newRow("shared, no owner") << listXml(ok + "|owned=false|permissions=r") << none << read
            << "2|Broken|8|TaskReaderWriter error pharsing a task list, owned=false but no owner found" << "";
        QTest::newRow("failing grandchild task")
            << listXml(ok, tasksXml(taskXml("title=a|done=false", tasksXml(taskXml("done=no"))))) << none << read
            << "2|Broken|8|bad value for done: no" << "";
        QTest::newRow("failing removed task") << listXml(ok, "<ul class=\"pd-removed-tasks\">" + taskXml("title=r") + "</ul>")
                                              << none << read << "2|Broken|8|bad value for done: " << "";
        // Taken out again when a part read after the list was added fails.
        QTest::newRow("bad shared revision") << listXml(ok + "|shared-revision=x") << none << read
                                             << "2|Broken|8|bad rev num string x" << "";
        QTest::newRow("shared user without permissions")
            << listXml(ok, "<ul class=\"pd-shared\"><li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">"
                           "<dt>name</dt><dd>bob</dd></dl></li></ul>")
            << QStringList{sharedUsersFailed} << read << "2|Broken|8|" + sharedUsersFailed << "";
        QTest::newRow("removed list, soft task error") << listXml("sync-status=deleted|id=8|revision=2|name=Broken",
                                                                  tasksXml(taskXml("title=a|done=false|id=x")))
                                                       << none << read << "2|Broken|8|bad task id string x" << "";
        QTest::newRow("live list, soft task error") << listXml(ok, tasksXml(taskXml("title=a|done=false|revision=-1")))
                                                    << none << read << "2|Broken|8|bad rev num string -1" << "";
        // Known by what can be read of it.
        QTest::newRow("no name, known by id") << listXml("sync-status=edited|id=9|revision=0") << none << read
                                              << "2||9|bad rev num string 0" << "";
        QTest::newRow("unreadable name") << listXml("sync-status=edited|id=x|revision=1|name=<b/>") << none << read
                                         << "2||0|bad list id string x" << "";
        QTest::newRow("two refused") << listXml("sync-status=new|name=One|local-id=0") + listXml("sync-status=no|name=Two")
                                     << none << read << "2|One|0|bad list id string 0 3|Two|0|unexpected sync status string no"
                                     << "";
        QTest::newRow("none refused") << listXml("sync-status=new|name=C") << none << "A C B / 6" << "" << "";
        // Nested past the element bound (a hand-edited or foreign file):
        // walked to its end, nothing of it built, and left out alone.
        const int bound = XMLReaderWriter::maxElementDepth;
        const auto nested = [](const QString &open, const QString &close, int levels, const QString &inner = {}) {
            return open.repeated(levels) + inner + close.repeated(levels);
        };
        const QString tooDeep = XMLReaderWriter::tooDeepText();
        QTest::newRow("list nested past the element bound")
            << listXml(ok, nested("<div>", "</div>", bound)) << none << read << "2|Broken|8|" + tooDeep << "";
        QTest::newRow("tasks nested past the element bound")
            << listXml(ok, nested("<ol class=\"pd-tasks\"><li class=\"pd-task\">", "</li></ol>", bound / 2)) << none
            << read << "2|Broken|8|" + tooDeep << "";
        QTest::newRow("past the bound in its fields")
            << listXml("sync-status=unedited|id=8|revision=2|name=Broken|done=false|x=" + nested("<b>", "</b>", bound))
            << none << read << "2|Broken|8|" + tooDeep << "";
        QTest::newRow("two lists past the bound, one readable between")
            << listXml(ok, nested("<div>", "</div>", bound)) + listXml("sync-status=new|name=C")
                   + listXml("sync-status=new|name=E", nested("<p>", "</p>", 2 * bound))
            << none << "A C B / 6" << "2|Broken|8|" + tooDeep + " 4|E|0|" + tooDeep << "";
        QTest::newRow("one level less: the task bound")
            << listXml(ok, nested("<ol class=\"pd-tasks\"><li class=\"pd-task\"><dl class=\"pd-task-fields\">"
                                  "<dt>title</dt><dd>t</dd><dt>done</dt><dd>false</dd></dl>",
                                  "</li></ol>", TaskReaderWriter::maxTaskDepth + 1))
            << none << read
            << QStringLiteral("2|Broken|8|tasks nested more than %1 levels deep").arg(TaskReaderWriter::maxTaskDepth)
            << "";
        // What stays bounded: past the walk's own bound, or past the element
        // bound outside any list, the whole file is refused.
        // The list's element is the third (html, body, div).
        const int walkBound = XMLReaderWriter::maxLeftOutElementDepth - 3;
        QTest::newRow("list at the walk's bound") << listXml(ok, nested("<i>", "</i>", walkBound)) << none << read
                                                  << "2|Broken|8|" + tooDeep << "";
        QTest::newRow("broken frame: list past the walk's bound")
            << listXml(ok, nested("<i>", "</i>", walkBound + 1)) << none << "" << "" << tooDeep;
        QTest::newRow("broken frame: past the bound outside any list")
            << listXml("sync-status=new|name=C") + "<div>" + nested("<div>", "</div>", bound) + "</div>" << none << ""
            << "" << tooDeep;
        QTest::newRow("broken frame: local fields past the bound")
            << "<dl class=\"pd-local-fields\"><dt>x</dt><dd>" + nested("<b>", "</b>", bound) + "</dd></dl>" << none
            << "" << "" << tooDeep;
        QTest::newRow("broken frame: two local fields")
            << "<dl class=\"pd-local-fields\"/><dl class=\"pd-local-fields\"/>" + listXml("sync-status=no") << none << ""
            << "" << "duplicate element with class pd-local-fields under body";
        QTest::newRow("broken frame: two bodies") << listXml("sync-status=no") + "</body><body>" << none << "" << ""
                                                  << "duplicate elements body under html";
    }
    void unreadListLeftOut()
    {
        QFETCH(QString, record);
        QFETCH(QStringList, warnings);
        QFETCH(QString, lists);
        QFETCH(QString, unread);
        QFETCH(QString, error);
        const QString before = listXml(QStringLiteral("sync-status=unedited|id=5|revision=2|name=A|done=false"));
        const QString after = listXml(QStringLiteral("sync-status=new|name=B"))
                              + listXml(QStringLiteral("sync-status=deleted|id=6|revision=3|name=D|done=false"));
        QByteArray bytes = localDoc(before + record + after).toUtf8();
        for (const QString &warning : std::as_const(warnings))
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QBuffer buffer(&bytes);
        TaskReaderWriter reader(Local);
        reader.setSkipsUnreadRecords(true);
        QScopedPointer<UserLists> read(reader.loadLists(&buffer));
        QCOMPARE(reader.errorString(), error);
        QStringList names;
        if (read) {
            QStringList left;
            for (const UnreadRecord &r : reader.unreadRecords())
                left << QStringLiteral("%1|%2|%3|%4").arg(r.position).arg(r.name).arg(r.serverId).arg(r.reason);
            QCOMPARE(left.join(QLatin1Char(' ')), unread);
            for (const ListModel *m : read->models())
                names << m->taskList()->name();
            names << QStringLiteral("/");
            for (const TaskList *l : read->deletedLists())
                names << QString::number(l->serverId());
        }
        QCOMPARE(names.join(QLatin1Char(' ')), lists);
        // A reader that leaves nothing out refuses such a file whole.
        if (!unread.isEmpty()) {
            QBuffer again(&bytes);
            TaskReaderWriter whole(Local);
            QScopedPointer<UserLists> refused(whole.loadLists(&again));
            QVERIFY(!refused);
            QVERIFY(!whole.errorString().isEmpty());
        }
    }

    void duplicateServerIdKeptAsNewList()
    {
        const QString first = listXml(QStringLiteral("sync-status=unedited|id=5|revision=2|name=first|done=false"));
        const QString second = listXml(
            QStringLiteral("sync-status=edited|id=5|revision=3|name=second|done=false|owned=false|owner=carol|permissions=r"),
            tasksXml(taskXml(QStringLiteral("title=edit|done=false|id=9|revision=1"))));
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
        QCOMPARE(kept->rootTask()->child(0)->id(), 0u);
    }

    void streamedEqualsTree()
    {
        // The lists file is streamed; the tree writer serves everything else.
        // Both give the same document, and characters XML forbids are left out
        // so that the file stays loadable.
        QScopedPointer<UserLists> lists(sampleLists());
        lists->models().first()->taskList()->rootTask()->child(0)->setTitle(
            QStringLiteral("quotes \" and ' & <tags> \x01 \u00e9\U0001F600 ]]> end"));
        lists->models().first()->taskList()->setName(QStringLiteral("na\x0bme"));
        lists->models().at(1)->taskList()->setDescription(QStringLiteral("  leading and trailing  "));
        const QByteArray streamed = saveToBytes(lists.data());
        TaskReaderWriter writer(Local);
        QBuffer buffer;
        QVERIFY(writer.writeDocument(writer.writeLists(lists.data()), &buffer));
        const QDomDocument a = parseBytes(streamed);
        QCOMPARE(a.toString(1), parseBytes(buffer.data()).toString(1));
        QCOMPARE(a.doctype().publicId(), QStringLiteral("-//W3C//DTD XHTML 1.0 Strict//EN"));
        QCOMPARE(a.doctype().systemId(), QStringLiteral("http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd"));
        QCOMPARE(a.documentElement().attribute(QStringLiteral("xmlns")), QStringLiteral("http://www.w3.org/1999/xhtml"));
        QString error;
        QScopedPointer<UserLists> read(loadFromBytes(streamed, &error));
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->models().first()->taskList()->rootTask()->child(0)->title(),
                 QStringLiteral("quotes \" and ' & <tags>  \u00e9\U0001F600 ]]> end"));
        QCOMPARE(read->models().first()->taskList()->name(), QStringLiteral("name"));
    }

    void exampleDocuments()
    {
        // The fuzzers' seeds are complete example documents: they must read.
        const QString corpus = QStringLiteral(PLUMDECK_TEST_DATA_DIR "/../../fuzz/corpus/");
        for (const char *name : {"sample.xhtml", "minimal.xhtml"}) {
            QFile file(corpus + QStringLiteral("listsdocument/") + QLatin1String(name));
            QString error;
            QScopedPointer<UserLists> lists(UserLists::load(&file, &error));
            QVERIFY2(lists && !lists->models().isEmpty(), qPrintable(error));
        }
        // A body as the client sends it (its new task has no revision yet) is
        // no valid reply.
        for (const char *name : {"minimal.xhtml", "sample.xhtml"}) {
            QFile file(corpus + QStringLiteral("singlelist/") + QLatin1String(name));
            TaskReaderWriter reader(Server);
            QScopedPointer<TaskList> list(reader.readSingleList(reader.readDocument(&file)));
            QCOMPARE(list ? list->rootTask()->childCount() : -1, name[0] == 'm' ? 1 : -1);
            QCOMPARE(reader.errorString(), QString(name[0] == 'm' ? "" : "no revision number found: "));
        }
        QFile infos(corpus + QStringLiteral("serverlistdocuments/listinfos.xhtml"));
        TaskReaderWriter reader(Server);
        QMap<quint32, ListInfo *> map;
        QVERIFY(reader.readListInfos(reader.readDocument(&infos), map));
        QCOMPARE(map.size(), 2);
        qDeleteAll(map);
    }

    void saveToFailingDevice()
    {
        QScopedPointer<UserLists> lists(sampleLists());
        FailingDevice device(100);
        TaskReaderWriter writer(Local);
        QVERIFY(!writer.saveLists(lists.data(), &device));
        QVERIFY(writer.errorString().startsWith(QLatin1String("couldn't write document: ")));
    }

    void listRefs()
    {
        TaskReaderWriter writer(Server);
        const QDomDocument doc = reparse(writer.writeListRefs({12, 0}));
        QCOMPARE(outline(doc.documentElement()),
                 "html\n head\n  title \"pd-list-refs\"\n  meta generator=PlumDeck\n body\n  ol.pd-list-refs\n"
                 "   li.pd-list-ref\n    a.pd-list-id href=/plumdeck/lists/12 \"12\"\n"
                 "   li.pd-list-ref\n    a.pd-list-id href=/plumdeck/lists/0 \"0\"\n");
        TaskReaderWriter reader(Server);
        QList<quint32> ids;
        QVERIFY(reader.readListRefs(reparse(writer.writeListRefs({12, 7})), ids));
        QCOMPARE(ids, (QList<quint32>{12, 7}));
    }

    void sharedUsersDocument()
    {
        TaskReaderWriter writer(Server);
        const QMap<QString, QString> users{{"bob", "r"}, {"Zed", "rw"}, {"alice", "rwd"}};
        const QDomDocument doc = reparse(writer.writeSharedUsers(users));
        QCOMPARE(outline(bodyOf(doc), true),
                 "body\n ul.pd-shared\n  li.pd-shared-user\n   dl.pd-shared-user-fields: name=Zed permissions=rw\n"
                 "  li.pd-shared-user\n   dl.pd-shared-user-fields: name=alice permissions=rwd\n"
                 "  li.pd-shared-user\n   dl.pd-shared-user-fields: name=bob permissions=r\n");
        TaskReaderWriter reader(Server);
        QMap<QString, QString> read;
        QVERIFY(reader.readSharedUsers(doc, read));
        QCOMPARE(read, users);
        QCOMPARE(outline(bodyOf(reparse(writer.writeSharedUsers({})))), "body\n ul.pd-shared\n");
        QDomDocument list = writer.createDocument();
        QDomElement body = writer.appendHeadAndBody(list, QStringLiteral("t"));
        writer.writeListSharedUsers({}, body);
        QVERIFY(!body.hasChildNodes());
    }

    // The small documents the server answers with: each reader against
    // damaged and unexpected input. The result names what was read.
    void serverDocuments_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error");
        const QString fieldsOk = QStringLiteral("id=44|revision=1|name=Groceries|done=false|description=|owned=true|permissions=orwd");
        const QString good = taskXml("title=Buy milk|done=false|id=700|revision=1|hashcode=" + hash32());
        QTest::newRow("list") << "list" << serverDoc(listXml(fieldsOk, tasksXml(good))) << "2 44 1" << "";
        QTest::newRow("list: none") << "list" << serverDoc("") << "null" << "failed to find mandatory element with class pd-list under body";
        QTest::newRow("list: two") << "list" << serverDoc(listXml(fieldsOk) + listXml(fieldsOk)) << "null"
                                   << "duplicate element with class pd-list under body";
        QTest::newRow("list: no owner") << "list" << serverDoc(listXml("id=44|revision=1|owned=false|permissions=r")) << "null"
                                        << "TaskReaderWriter error pharsing a task list, owned=false but no owner found";
        QTest::newRow("list: task without revision") << "list"
            << serverDoc(listXml(fieldsOk, tasksXml(taskXml("title=x|done=false|hashcode=") + good))) << "null"
            << "no revision number found: ";
        // A failing task deep in the tree must not yield a truncated list.
        QTest::newRow("list: failing grandchild") << "list"
            << serverDoc(listXml(fieldsOk, tasksXml(taskXml("title=a|done=false|revision=1|hashcode=",
                                                            tasksXml(taskXml("done=x|revision=1|hashcode=") + good)))))
            << "null" << "bad value for done: x";
        QTest::newRow("list: bad task id goes on") << "list"
            << serverDoc(listXml(fieldsOk, tasksXml(taskXml("title=x|done=false|id=q|revision=1|hashcode="))))
            << "2 44 1" << "bad task id string q";

        const QString ref = QStringLiteral("<li class=\"pd-list-ref\"><a class=\"pd-list-id\" href=\"/plumdeck/lists/3\">%1</a></li>");
        const QString refs = QStringLiteral("<ol class=\"pd-list-refs\">%1</ol>");
        QTest::newRow("refs: none") << "refs" << serverDoc("") << "1 1" << "";
        QTest::newRow("refs: other class skipped") << "refs" << serverDoc(refs.arg("<li class=\"x\"/>" + ref.arg(3))) << "1 3" << "";
        QTest::newRow("refs: zero") << "refs" << serverDoc(refs.arg(ref.arg(3) + ref.arg(0))) << "0 1" << "";
        QTest::newRow("refs: empty text") << "refs" << serverDoc(refs.arg(ref.arg(""))) << "0 1" << "expected list id '' to be a number";
        QTest::newRow("refs: word") << "refs" << serverDoc(refs.arg(ref.arg("three"))) << "0 1"
                                    << "expected list id 'three' to be a number";

        auto info = [](const QString &pairs) {
            return QStringLiteral("<li class=\"pd-list-info\"><dl class=\"pd-list-fields\">%1</dl></li>").arg(fields(pairs));
        };
        const QString rest = QStringLiteral("|shared_revision=3|name=G|owned=true|owner=me|shared=true|permissions=orwd");
        const QString a = info("id=40|revision=8" + rest);
        const QString b = info("id=41|revision=12|shared_revision=1|name=T|owned=True|owner=carol|shared=no|permissions=rw");
        const QString infos = QStringLiteral("<ul class=\"pd-list-infos\">%1</ul>");
        // Only the exact "true" counts as true.
        QTest::newRow("infos: two") << "infos" << serverDoc(infos.arg(a + b)) << "1 40:8:3:G:1:1:me:orwd 41:12:1:T:0:0:carol:rw" << "";
        QTest::newRow("infos: none") << "infos" << serverDoc("") << "1" << "";
        QTest::newRow("infos: two containers") << "infos" << serverDoc(infos.arg(a) + infos.arg(b)) << "1"
                                               << "duplicate element with class pd-list-infos under body";
        QTest::newRow("infos: same id twice") << "infos" << serverDoc(infos.arg(a + a)) << "1 40:8:3:G:1:1:me:orwd" << "";
        QTest::newRow("infos: other class") << "infos" << serverDoc(infos.arg(a + "<li class=\"x\"/>")) << "0" << "";
        QTest::newRow("infos: no fields") << "infos" << serverDoc(infos.arg("<li class=\"pd-list-info\"/>")) << "0" << "";
        QTest::newRow("infos: missing key") << "infos"
            << serverDoc(infos.arg(info("id=40|revision=8|name=G|owned=true|owner=me|shared=true|permissions=r"))) << "0" << "";
        QTest::newRow("infos: bad revision") << "infos" << serverDoc(infos.arg(a + info("id=42|revision=x" + rest))) << "0" << "";
        QTest::newRow("infos: id zero") << "infos" << serverDoc(infos.arg(info("id=0|revision=8" + rest))) << "0" << "";
        const QString single = QStringLiteral("<div class=\"pd-list-info\">%1</div>");
        QTest::newRow("info") << "info" << serverDoc(single.arg("<dl class=\"pd-list-fields\">" + fields("id=40|revision=8" + rest) + "</dl>"))
                              << "1 40:8:3:G:1:1:me:orwd" << "";
        QTest::newRow("info: none") << "info" << serverDoc("") << "1" << "";
        QTest::newRow("info: no fields") << "info" << serverDoc(single.arg("")) << "0" << "";

        const QString shared = QStringLiteral("<dl class=\"shared-fields\">%1</dl>");
        QTest::newRow("list id") << "id" << serverDoc("<span class=\"pd-list-id\">44</span>") << "44" << "";
        QTest::newRow("list id: word") << "id" << serverDoc("<span class=\"pd-list-id\">x</span>") << "0"
                                       << "expected list id 'x' to be a number";
        QTest::newRow("shared revision") << "revision" << serverDoc(shared.arg(fields("shared_revision=4"))) << "4" << "";
        QTest::newRow("shared revision: missing") << "revision" << serverDoc(shared.arg("")) << "0" << "";
        QTest::newRow("shared revision: word") << "revision" << serverDoc(shared.arg(fields("shared_revision=y"))) << "0"
                                               << "bad rev num string y";

        const QString user = QStringLiteral("<li class=\"pd-shared-user\"><dl class=\"pd-shared-user-fields\">%1</dl></li>");
        const QString users = QStringLiteral("<ul class=\"pd-shared\">%1</ul>");
        const QString list = users.arg(user.arg(fields("name=me|permissions=rwd")) + "<li class=\"other\"/>"
                                       + user.arg(fields("name=bob|permissions=r")));
        QTest::newRow("users: skips me") << "users" << serverDoc(list, "permissions") << "1 bob" << "";
        QTest::newRow("users: wrong title") << "users" << serverDoc(list, "Permissions") << "0" << "";
        QTest::newRow("users: no list") << "users" << serverDoc("", "permissions") << "0" << "";
        QTest::newRow("users: missing permissions") << "users" << serverDoc(users.arg(user.arg(fields("name=bob"))), "permissions")
                                                    << "0" << "";
    }
    void serverDocuments()
    {
        QFETCH(QString, reader);
        QFETCH(QString, doc);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        TaskReaderWriter rw(Server);
        const QDomDocument d = parse(doc);
        auto describe = [](const ListInfo *i) {
            return QStringLiteral(" %1:%2:%3:%4:%5:%6:%7:%8").arg(i->id()).arg(i->revision()).arg(i->sharedRevision())
                .arg(i->name()).arg(int(i->isOwned())).arg(int(i->isShared())).arg(i->owner(), i->permissions());
        };
        QString result;
        if (reader == QLatin1String("list")) {
            QScopedPointer<TaskList> list(rw.readSingleList(d));
            result = list ? QStringLiteral("%1 %2 %3").arg(list->syncStatus()).arg(list->serverId()).arg(list->rootTask()->childCount())
                          : QStringLiteral("null");
        } else if (reader == QLatin1String("refs")) {
            QList<quint32> ids{1};
            result = QString::number(rw.readListRefs(d, ids));
            for (quint32 id : ids)
                result += QLatin1Char(' ') + QString::number(id);
        } else if (reader == QLatin1String("infos")) {
            QMap<quint32, ListInfo *> infos;
            result = QString::number(rw.readListInfos(d, infos));
            for (const ListInfo *i : std::as_const(infos))
                result += describe(i);
            qDeleteAll(infos);
        } else if (reader == QLatin1String("info")) {
            ListInfo *info = nullptr;
            result = QString::number(rw.readSingleListInfo(d, info));
            result += info ? describe(info) : QString();
            delete info;
        } else if (reader == QLatin1String("id")) {
            result = QString::number(rw.readListId(d));
        } else if (reader == QLatin1String("revision")) {
            result = QString::number(rw.readSharedRevision(d));
        } else {
            QMap<QString, QString> users;
            const bool ok = rw.readSharedUsers(d, users);
            result = QString::number(ok) + (ok ? QLatin1Char(' ') + QStringList(users.keys()).join(QLatin1Char(' ')) : QString());
        }
        QCOMPARE(result, expected);
        QCOMPARE(rw.errorString(), error);
    }
};

PLUMDECK_TEST_MAIN(TstTaskReaderWriter)
#include "tst_taskreaderwriter.moc"
