#include "core/clock.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "core/serversettings.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <QLocale>
#include <QPointer>
#include <QSettings>

#include <memory>

using namespace ModelTest;

namespace {

// A tree from a compact description: one title per line, leading blanks
// give the depth, "_" an empty title, "#" an empty title under a server id.
Task *buildTree(const QStringList &lines)
{
    Task *root = Task::createRoot();
    QList<Task *> stack{root};
    for (const QString &line : lines) {
        const int depth = int(line.size() - line.trimmed().size());
        stack.resize(depth + 1);
        const bool known = line.trimmed() == QLatin1String("#");
        stack.append(addTask(stack.last(), known || line.trimmed() == QLatin1String("_") ? QString() : line.trimmed(),
                             known ? 7 : 0));
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
    void initTestCase() { ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("pw")); }
    void cleanup() { Clock::reset(); }

    void blank_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<bool>("blank");
        QTest::addColumn<QStringList>("afterRemoveBlank");
        QTest::newRow("empty root") << QStringList() << true << QStringList();
        QTest::newRow("titled grandchild keeps child") << QStringList{"_", " grand"} << false << QStringList{"", " grand"};
        QTest::newRow("four, second titled") << QStringList{"_", "two", "_", "_"} << false << QStringList{"two"};
        QTest::newRow("blank grandchild stays under titled child") << QStringList{"a", " _", "_"} << false << QStringList{"a", " "};
        QTest::newRow("all blank") << QStringList{"_", " _", "_"} << true << QStringList();
        QTest::newRow("a blank row the server knows stays") << QStringList{"_", "#", " _"} << true << QStringList{"", " "};
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
        QSet<Task *> all;
        root->collectTasks(all);
        QCOMPARE(all.size(), afterRemoveBlank.size() + 1);
    }

    void rows()
    {
        std::unique_ptr<Task> root(buildTree({"a", "b"}));
        QCOMPARE(root->child(1)->row(), 1);
        QCOMPARE(root->row(), 0);
        Task stranger;
        QTest::ignoreMessage(QtWarningMsg, "Task::indexOfChild couldn't match child");
        QCOMPARE(root->indexOfChild(&stranger), -1);
        QCOMPARE(root->title(), QStringLiteral("[ROOT]"));
        QVERIFY(!stranger.title().isNull());
    }

    void stamps()
    {
        const QDateTime now(QDate(2026, 5, 4), QTime(10, 0, 20, 123), Qt::UTC);
        Clock::setFixedTime(now);
        std::unique_ptr<Task> root(buildTree({"a", "b"}));
        Task *t = root->createChild(0);
        QCOMPARE(t->parent(), root.get());
        QCOMPARE(titles(root.get()), (QStringList{"", "a", "b"}));
        std::unique_ptr<Task> sub(buildTree({"x", " y"}));
        Task *x = sub->takeChild(sub->child(0));
        root->insertNewChild(x, 1);
        Task *plain = new Task;
        root->insertChild(plain, 2);
        for (const Task *stamped : {t, x, x->child(0)}) {
            QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(stamped->creationTime().toString(Qt::ISODateWithMs),
                                                       stamped->modificationTime().toString(Qt::ISODateWithMs),
                                                       stamped->createdBy(), stamped->lastModifiedBy()),
                     QStringLiteral("2026-05-04T10:00:20.123Z 2026-05-04T10:00:20.123Z alice alice"));
        }
        // insertChild does not stamp; touch stamps the modification only.
        QVERIFY(plain->creationTime().isNull());
        Clock::setFixedTime(now.addDays(1));
        x->touch();
        QCOMPARE(x->modificationTime(), now.addDays(1));
        QCOMPARE(x->creationTime(), now);
    }

    void attachments()
    {
        QPointer<TaskAttachment> watch;
        {
            Task t;
            TaskAttachment *web = t.createAttachment("webHyperlink", "w", "http://w.example/");
            TaskAttachment *video = t.createAttachment("videoHyperlink", "v", "http://v.example/");
            t.createAttachment("whatever", "g", "http://g.example/");
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(t.attachmentCount(-1)).arg(t.attachmentCount(0))
                         .arg(t.attachmentCount(1)).arg(t.attachmentCount(2)).arg(t.attachmentCount(3)),
                     QStringLiteral("0 1 1 1 0"));
            QCOMPARE(static_cast<TaskAttachment *>(t.webHyperlinkAttachment()), web);
            QCOMPARE(static_cast<TaskAttachment *>(t.videoHyperlinkAttachment()), video);

            watch = web;
            Task stranger;
            TaskAttachment *notMine = stranger.createAttachment("webHyperlink", "s", "http://s.example/");
            QVERIFY(!t.removeAttachment(notMine));
            QVERIFY(t.removeAttachment(web));
            QVERIFY(watch.isNull());
            QCOMPARE(t.attachmentCount(2), 0);
            QCOMPARE(t.webHyperlinkAttachment(), nullptr);
            watch = video;
        }
        // A task owns its attachments.
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
        std::unique_ptr<Task> src(fullTask(QStringLiteral("parent")));
        std::unique_ptr<Task> dup(clone ? src->clone() : src->copy());
        QCOMPARE(dup->parent(), nullptr);
        QCOMPARE(dup->child(0)->parent(), dup.get());
        // A copy leaves out what ties the task to the server: id, revision,
        // hashcode and Outlook id (fields 6, 7, 8 and 18 of the dump).
        QStringList expected = dump(src.get());
        for (QString &line : expected) {
            const int field = line.section(' ', 0, 0).section('#', 1).toInt();
            if (!clone && (field == 6 || field == 7 || field == 8 || field == 18))
                line = line.section(' ', 0, 0) + (field < 8 ? " 0" : " ");
        }
        QCOMPARE(dump(dup.get()), expected);

        // The copy has attachments of its own: removing or deleting on one
        // side leaves the other intact.
        TaskAttachment *copied = dup->attachments().at(1);
        QVERIFY(copied != src->attachments().at(1));
        QVERIFY(src->removeAttachment(src->attachments().at(1)));
        QCOMPARE(dup->videoHyperlinkAttachment()->name(), QStringLiteral("Clip"));
        QPointer<TaskAttachment> watch(copied);
        dup.reset();
        QVERIFY(watch.isNull());
    }

    void sharedValues_data()
    {
        QTest::addColumn<QString>("change"); // made to the clone
        QTest::addColumn<bool>("shares");
        QTest::newRow("none") << "none" << true;
        QTest::newRow("title") << "title" << false;
        QTest::newRow("the same title set again") << "same title" << false;
        QTest::newRow("expanded as it was") << "same expanded" << true;
        QTest::newRow("assigned to one it has") << "same assignee" << true;
        QTest::newRow("unassigned one it lacks") << "absent assignee" << true;
        QTest::newRow("an attachment renamed") << "attachment name" << false;
        QTest::newRow("an attachment's empty description dropped") << "attachment description" << false;
        QTest::newRow("an attachment's additional data dropped") << "attachment data" << false;
        QTest::newRow("an attachment added") << "attachment added" << false;
        QTest::newRow("a child added") << "child" << true;
    }
    // A clone shares its source's values until either changes them; the
    // values taken, and a task made of them, see no later change.
    void sharedValues()
    {
        QFETCH(QString, change);
        QFETCH(bool, shares);
        std::unique_ptr<Task> src(fullTask(QStringLiteral("parent")));
        std::unique_ptr<Task> dup(src->clone());
        const Task::Fields kept = src->fields();
        const QStringList before = dump(src.get());
        QVERIFY(dup->sharesContentWith(src.get()));
        TaskAttachment *video = dup->attachments().at(1);
        TaskAttachment *plain = dup->attachments().at(2);
        if (change == "title")
            dup->setTitle(QStringLiteral("other"));
        else if (change == "same title")
            dup->setTitle(dup->title());
        else if (change == "same expanded")
            dup->setExpanded(dup->isExpanded());
        else if (change == "same assignee")
            QVERIFY(!dup->assign(QStringLiteral("alice")));
        else if (change == "absent assignee")
            QVERIFY(!dup->unassign(QStringLiteral("zed")));
        else if (change == "attachment name")
            video->setName(QStringLiteral("Other clip"));
        else if (change == "attachment description")
            plain->setDescription(QString());
        else if (change == "attachment data")
            video->setAdditionalData(QString());
        else if (change == "attachment added")
            dup->createAttachment(QStringLiteral("generic"), QStringLiteral("x"), QStringLiteral("http://x.example/"));
        else if (change == "child")
            addTask(dup.get(), QStringLiteral("new child"));
        QCOMPARE(dup->sharesContentWith(src.get()), shares);
        QCOMPARE(src->sharesContentWith(dup.get()), shares);
        QCOMPARE(dump(src.get()), before);
        QVERIFY(src->fields() == kept);
        std::unique_ptr<Task> made(Task::withFields(kept));
        src->setTitle(QStringLiteral("changed after"));
        QCOMPARE(made->title(), QStringLiteral("parent"));
        QCOMPARE(made->childCount(), 0);
        QVERIFY(!made->hasAttachments());
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
        QCOMPARE(TaskPriority(value).toString() == text, !warns);
        QVERIFY(TaskPriority(3).toString().isEmpty());
        QVERIFY(TaskPriority(-1).toString().isEmpty());
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
        QCOMPARE(Task::dateTimeText(local), QLocale().toString(QDate(2026, 7, 8), QLocale::ShortFormat) + QLatin1Char(' ') + clock);
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
