#include "core/clock.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <QLocale>
#include <QPointer>
#include <QSettings>

#include <memory>

namespace {

// A tree from a compact description: one title per line, leading blanks
// give the depth.
Task *buildTree(const QStringList &lines)
{
    Task *root = Task::createRoot();
    QList<Task *> stack{root};
    for (const QString &line : lines) {
        int depth = 0;
        while (depth < line.size() && line.at(depth) == QLatin1Char(' '))
            ++depth;
        while (stack.size() > depth + 1)
            stack.removeLast();
        Task *parent = stack.last();
        Task *task = new Task;
        task->setTitle(line.mid(depth) == QLatin1String("_") ? QString() : line.mid(depth));
        parent->insertChild(task, parent->childCount());
        stack.append(task);
    }
    return root;
}

QStringList titles(const Task *task)
{
    QStringList out;
    for (const Task *child : task->children()) {
        out << child->title();
        for (const QString &t : titles(child))
            out << QLatin1Char(' ') + t;
    }
    return out;
}

} // namespace

class TstTask : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("pw"));
    }
    void cleanup() { Clock::reset(); }

    void defaults()
    {
        Task t;
        QVERIFY(t.title().isEmpty());
        QVERIFY(!t.title().isNull());
        QVERIFY(!t.isDone());
        QVERIFY(t.isExpanded());
        QCOMPARE(t.priority(), TaskPriority(TaskPriority::None));
        QVERIFY(!t.hasNote());
        QVERIFY(!t.hasAlarm());
        QCOMPARE(t.id(), 0u);
        QCOMPARE(t.revision(), 0u);
        for (int type = 0; type <= 2; ++type)
            QCOMPARE(t.attachmentCount(type), 0);
        QCOMPARE(t.parent(), nullptr);
        std::unique_ptr<Task> root(Task::createRoot());
        QCOMPARE(root->title(), QStringLiteral("[ROOT]"));
    }

    void unsignedIds()
    {
        Task t;
        t.setId(4000000000u);
        t.setRevision(0xffffffffu);
        QCOMPARE(t.id(), 4000000000u);
        QCOMPARE(t.revision(), 0xffffffffu);
    }

    void blank_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<bool>("blank");
        QTest::addColumn<QStringList>("afterRemoveBlank");
        QTest::newRow("empty root") << QStringList() << true << QStringList();
        QTest::newRow("titled grandchild keeps child")
            << QStringList{"_", " grand"} << false << QStringList{"", " grand"};
        QTest::newRow("four, second titled")
            << QStringList{"_", "two", "_", "_"} << false << QStringList{"two"};
        QTest::newRow("blank grandchild stays under titled child")
            << QStringList{"a", " _", "_"} << false << QStringList{"a", " "};
        QTest::newRow("all blank") << QStringList{"_", " _", "_"} << true << QStringList();
    }
    void blank()
    {
        QFETCH(QStringList, tree);
        QFETCH(bool, blank);
        QFETCH(QStringList, afterRemoveBlank);
        std::unique_ptr<Task> root(buildTree(tree));
        QCOMPARE(root->isBlankRecursively(), blank);
        root->removeBlankChildren();
        QCOMPARE(titles(root.get()), afterRemoveBlank);
        QVERIFY(root->verifyTree());
    }

    void indexOfMissingChild()
    {
        std::unique_ptr<Task> root(buildTree({"a", "b"}));
        Task stranger;
        QTest::ignoreMessage(QtWarningMsg, "Task::indexOfChild couldn't match child");
        QCOMPARE(root->indexOfChild(&stranger), -1);
        QCOMPARE(root->child(1)->row(), 1);
    }

    void createChildStamps()
    {
        const QDateTime now(QDate(2026, 5, 4), QTime(10, 0, 20, 123), Qt::UTC);
        Clock::setFixedTime(now);
        std::unique_ptr<Task> root(buildTree({"a", "b"}));
        Task *t = root->createChild(0);
        QCOMPARE(root->child(0), t);
        QCOMPARE(t->parent(), root.get());
        QCOMPARE(t->creationTime(), now);
        QCOMPARE(t->modificationTime(), t->creationTime());
        QCOMPARE(t->createdBy(), QStringLiteral("alice"));
        QCOMPARE(t->lastModifiedBy(), t->createdBy());
        QCOMPARE(titles(root.get()), (QStringList{"", "a", "b"}));
    }

    void insertNewChildStampsSubtree()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC));
        std::unique_ptr<Task> root(Task::createRoot());
        Task *sub = buildTree({"x", " y"});
        Task *x = sub->child(0);
        sub->takeChild(x);
        delete sub;
        root->insertNewChild(x, 0);
        QCOMPARE(x->child(0)->creationTime(), Clock::currentDateTimeUtc());
        QCOMPARE(x->child(0)->createdBy(), QStringLiteral("alice"));

        // insertChild does not stamp.
        Task *plain = new Task;
        root->insertChild(plain, 1);
        QVERIFY(plain->creationTime().isNull());
    }

    void touch()
    {
        Task t;
        t.setCreationTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
        Clock::setFixedTime(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6), Qt::UTC));
        t.touch();
        QCOMPARE(t.modificationTime(), Clock::currentDateTimeUtc());
        QCOMPARE(t.lastModifiedBy(), QStringLiteral("alice"));
        QCOMPARE(t.creationTime(), QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
    }

    void assignments()
    {
        Task t;
        QVERIFY(t.assign("bob"));
        QVERIFY(!t.assign("bob"));
        QCOMPARE(t.assignments(), QStringList{"bob"});
        QVERIFY(t.isAssignedTo("bob"));
        QVERIFY(!t.unassign("carol"));
        QVERIFY(t.assign("carol"));
        QVERIFY(t.unassign("bob"));
        QCOMPARE(t.assignments(), QStringList{"carol"});
        t.unassignAll();
        QVERIFY(!t.hasAssignments());
    }

    void attachments()
    {
        Task t;
        TaskAttachment *web = t.createAttachment("webHyperlink", "w", "http://w.example/");
        TaskAttachment *video = t.createAttachment("videoHyperlink", "v", "http://v.example/");
        TaskAttachment *other = t.createAttachment("whatever", "g", "http://g.example/");
        QCOMPARE(t.attachmentCount(0), 1);
        QCOMPARE(t.attachmentCount(1), 1);
        QCOMPARE(t.attachmentCount(2), 1);
        QCOMPARE(static_cast<TaskAttachment *>(t.webHyperlinkAttachment()), web);
        QCOMPARE(static_cast<TaskAttachment *>(t.videoHyperlinkAttachment()), video);
        QCOMPARE(other->typeName(), QStringLiteral("generic"));

        QPointer<TaskAttachment> watch(web);
        Task stranger;
        TaskAttachment *notMine = stranger.createAttachment("webHyperlink", "s", "http://s.example/");
        QVERIFY(!t.removeAttachment(notMine));
        QVERIFY(t.removeAttachment(web));
        QVERIFY(watch.isNull());
        QCOMPARE(t.attachmentCount(2), 0);
        QCOMPARE(t.webHyperlinkAttachment(), nullptr);
    }

    void attachmentsDeletedWithTask()
    {
        QPointer<TaskAttachment> watch;
        {
            Task t;
            watch = t.createAttachment("webHyperlink", "w", "http://w.example/");
        }
        QVERIFY(watch.isNull());
    }

    void copyAndClone_data()
    {
        QTest::addColumn<bool>("clone");
        QTest::newRow("copy") << false;
        QTest::newRow("clone") << true;
    }
    void copyAndClone()
    {
        QFETCH(bool, clone);
        std::unique_ptr<Task> root(buildTree({"parent", " child"}));
        Task *src = root->child(0);
        src->setId(17);
        src->setRevision(3);
        src->setHashcode(QStringLiteral("0123456789abcdef0123456789abcdef"));
        src->setOutlookId(QStringLiteral("OL-1"));
        src->child(0)->setId(18);
        const QDateTime created(QDate(2025, 1, 1), QTime(1, 2, 3), Qt::UTC);
        src->setCreationTime(created);
        src->setCreatedBy("bob");
        src->setDone(true);
        src->setDoneBy("bob");
        src->setExpanded(false);
        src->setPriority(TaskPriority::Urgent);
        src->setNote(created, "note");
        src->setAlarmTime(created.addDays(1));
        src->setStartTime(created.addDays(2));
        src->setDueTime(created.addDays(3));
        src->setDeletionTime(created.addDays(4));
        src->assign("carol");
        TaskAttachment *a = src->createAttachment("videoHyperlink", "v", "http://v.example/");
        a->setAdditionalData("width;1;height;2");

        std::unique_ptr<Task> dup(clone ? src->clone() : src->copy());
        QCOMPARE(dup->parent(), nullptr);
        QCOMPARE(dup->id(), clone ? 17u : 0u);
        QCOMPARE(dup->revision(), clone ? 3u : 0u);
        QCOMPARE(dup->hashcode(), clone ? src->hashcode() : QString());
        QCOMPARE(dup->outlookId(), clone ? src->outlookId() : QString());
        QCOMPARE(dup->child(0)->id(), clone ? 18u : 0u);
        QCOMPARE(dup->child(0)->parent(), dup.get());
        QCOMPARE(dup->creationTime(), created);
        QCOMPARE(dup->createdBy(), QStringLiteral("bob"));
        QCOMPARE(dup->doneBy(), QStringLiteral("bob"));
        QVERIFY(dup->isDone());
        QVERIFY(!dup->isExpanded());
        QCOMPARE(dup->priority(), TaskPriority(TaskPriority::Urgent));
        QCOMPARE(dup->note(), src->note());
        QCOMPARE(dup->alarmTime(), src->alarmTime());
        QCOMPARE(dup->startTime(), src->startTime());
        QCOMPARE(dup->dueTime(), src->dueTime());
        QCOMPARE(dup->deletionTime(), src->deletionTime());
        QCOMPARE(dup->assignments(), src->assignments());
        QCOMPARE(dup->attachmentCount(1), 1);

        // The copy has attachments of its own: removing or deleting on one
        // side leaves the other intact.
        TaskAttachment *copied = dup->attachments().first();
        QVERIFY(copied != a);
        QCOMPARE(copied->additionalData(), a->additionalData());
        QVERIFY(src->removeAttachment(a));
        QCOMPARE(dup->videoHyperlinkAttachment()->name(), QStringLiteral("v"));
        QPointer<TaskAttachment> watch(copied);
        dup.reset();
        QVERIFY(watch.isNull());
    }

    void clearIds()
    {
        std::unique_ptr<Task> root(buildTree({"a", " b"}));
        root->child(0)->setId(5);
        root->child(0)->child(0)->setRevision(7);
        root->clearIdsRecursively();
        QCOMPARE(root->child(0)->id(), 0u);
        QCOMPARE(root->child(0)->child(0)->revision(), 0u);
    }

    void collect()
    {
        std::unique_ptr<Task> root(buildTree({"a", " b", "  c", "d"}));
        QSet<Task *> set;
        root->child(0)->collectTasks(set);
        QCOMPARE(set.size(), 3);
        QVERIFY(!set.contains(root->child(1)));
    }

    void priorityText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("warns");
        QTest::newRow("none") << "none" << 0 << false;
        QTest::newRow("reminder") << "reminder" << 1 << false;
        QTest::newRow("urgent") << "urgent" << 2 << false;
        QTest::newRow("capital") << "Urgent" << 0 << true;
        QTest::newRow("blank") << " urgent" << 0 << true;
    }
    void priorityText()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, warns);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("could not parse TaskPriority from %1").arg(text)));
        QCOMPARE(TaskPriority::fromString(text).value(), value);
        if (!warns)
            QCOMPARE(TaskPriority(value).toString(), text);
    }
    void priorityTextOutOfRange()
    {
        QVERIFY(TaskPriority(3).toString().isEmpty());
        QVERIFY(TaskPriority(-1).toString().isEmpty());
    }

    void notes()
    {
        QVERIFY(TaskNote().isEmpty());
        QVERIFY(TaskNote(QDateTime(), QStringLiteral("")).isEmpty());
        QVERIFY(!TaskNote(QDateTime(), QStringLiteral("x")).isEmpty());
        const QDateTime t(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        QVERIFY(!TaskNote(t, QString()).isEmpty());
        QVERIFY(TaskNote(t, "a") == TaskNote(t, "a"));
        QVERIFY(TaskNote(t, "a") != TaskNote(t, "b"));
        QVERIFY(TaskNote(t, "a") != TaskNote(t.addSecs(1), "a"));
    }

    void dateTimeText_data()
    {
        QTest::addColumn<bool>("format24");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("clock");
        QTest::newRow("24h afternoon") << true << QTime(14, 5) << "14:05";
        QTest::newRow("12h afternoon") << false << QTime(14, 5) << "2:05 pm";
        QTest::newRow("12h morning") << false << QTime(9, 30) << "9:30 am";
        QTest::newRow("24h morning") << true << QTime(9, 30) << "09:30";
    }
    void dateTimeText()
    {
        QFETCH(bool, format24);
        QFETCH(QTime, time);
        QFETCH(QString, clock);
        QSettings().setValue("ui/time-format-24", format24);
        const QDateTime local(QDate(2026, 7, 8), time, Qt::LocalTime);
        QCOMPARE(Task::dateTimeText(local),
                 QLocale().toString(QDate(2026, 7, 8), QLocale::ShortFormat) + QLatin1Char(' ') + clock);
        QVERIFY(Task::dateTimeText(QDateTime()).isNull());

        // The stored UTC times are shown in local time.
        Task t;
        t.setDueTime(local.toUTC());
        QCOMPARE(t.dueTimeText(), Task::dateTimeText(local));
        QVERIFY(t.alarmTimeText().isNull());
        QSettings().remove("ui/time-format-24");
    }
};

PLUMDECK_TEST_MAIN(TstTask)
#include "tst_task.moc"
