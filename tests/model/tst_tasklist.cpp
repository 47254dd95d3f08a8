#include "core/clock.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "core/serversettings.h"
#include "testenvironment.h"

#include <memory>

namespace {

Task *addTask(Task *parent, const QString &title, quint32 id = 0)
{
    Task *t = new Task;
    t->setTitle(title);
    t->setId(id);
    parent->insertChild(t, parent->childCount());
    return t;
}

} // namespace

class TstTaskList : public QObject
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
        std::unique_ptr<TaskList> list(TaskList::create());
        QCOMPARE(list->syncStatus(), TaskList::New);
        QCOMPARE(list->name(), TaskList::defaultName());
        QCOMPARE(list->owner(), TaskList::defaultName());
        QCOMPARE(list->permissions(), QStringLiteral("orwd"));
        QVERIFY(list->isOwned());
        QVERIFY(list->canWrite());
        QVERIFY(list->canDelete());
        QCOMPARE(list->rootTask()->title(), QStringLiteral("[ROOT]"));
        QCOMPARE(list->rootTask()->childCount(), 0);
        QVERIFY(list->removedTasks().isEmpty());
    }

    void idsHiddenWhileNew()
    {
        std::unique_ptr<TaskList> list(TaskList::create());
        list->setServerId(12);
        list->setRevision(4000000000u);
        QCOMPARE(list->serverId(), 0u);
        QCOMPARE(list->revision(), 0u);
        list->setSyncStatus(TaskList::Unedited);
        QCOMPARE(list->serverId(), 12u);
        QCOMPARE(list->revision(), 4000000000u);
    }

    void idOverwriteWarns_data()
    {
        QTest::addColumn<quint32>("first");
        QTest::addColumn<quint32>("second");
        QTest::addColumn<bool>("warns");
        QTest::newRow("from none") << 0u << 5u << false;
        QTest::newRow("same") << 5u << 5u << false;
        QTest::newRow("to none") << 5u << 0u << false;
        QTest::newRow("different") << 5u << 6u << true;
    }
    void idOverwriteWarns()
    {
        QFETCH(quint32, first);
        QFETCH(quint32, second);
        QFETCH(bool, warns);
        std::unique_ptr<TaskList> list(TaskList::create());
        list->setSyncStatus(TaskList::Unedited);
        list->setServerId(first);
        list->setLocalId(first);
        if (warns) {
            QTest::ignoreMessage(QtWarningMsg, "setting server id when we have one already");
            QTest::ignoreMessage(QtWarningMsg, "setting local id when we have one already");
        }
        list->setServerId(second);
        list->setLocalId(second);
        QCOMPARE(list->serverId(), second);
        QCOMPARE(list->localId(), second);
    }

    void markEdited_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("new stays") << int(TaskList::New) << int(TaskList::New);
        QTest::newRow("unedited to edited") << int(TaskList::Unedited) << int(TaskList::Edited);
        QTest::newRow("edited stays") << int(TaskList::Edited) << int(TaskList::Edited);
        QTest::newRow("deleted stays") << int(TaskList::Deleted) << int(TaskList::Deleted);
        QTest::newRow("unknown stays") << int(TaskList::LocallyUnknown) << int(TaskList::LocallyUnknown);
    }
    void markEdited()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        TaskList list;
        list.setSyncStatus(TaskList::SyncStatus(before));
        list.markEdited();
        QCOMPARE(int(list.syncStatus()), after);
    }

    void permissions_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("remove");
        QTest::newRow("default") << "orwd" << true << true;
        QTest::newRow("read only") << "r" << false << false;
        QTest::newRow("rw") << "rw" << true << false;
        QTest::newRow("upper case ignored") << "RWD" << false << false;
        QTest::newRow("empty") << "" << false << false;
    }
    void permissions()
    {
        QFETCH(QString, letters);
        QFETCH(bool, write);
        QFETCH(bool, remove);
        TaskList list;
        list.setPermissions(letters);
        QCOMPARE(list.canWrite(), write);
        QCOMPARE(list.canDelete(), remove);
    }

    void removeTaskDepthFirst()
    {
        const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
        Clock::setFixedTime(now);
        TaskList list;
        Task *top = addTask(list.rootTask(), "top", 5);
        Task *child = addTask(top, "child", 0);
        Task *grand = addTask(child, "grand", 9);
        Task *keep = addTask(list.rootTask(), "keep", 0);
        list.removeTask(top);
        const QList<Task *> removed = list.removedTasks();
        QCOMPARE(removed.size(), 2);
        QCOMPARE(removed.at(0), grand);
        QCOMPARE(removed.at(1), top);
        QCOMPARE(grand->deletionTime(), now);
        QCOMPARE(top->deletionTime(), now);
        QCOMPARE(top->childCount(), 0);
        QCOMPARE(top->parent(), nullptr);
        QCOMPARE(list.rootTask()->children(), QList<Task *>{keep});
        QCOMPARE(list.allTasks().size(), 1);
        Q_UNUSED(child);
    }

    void resetToNewDropsForeignRemovals()
    {
        TaskList list;
        list.setSyncStatus(TaskList::Edited);
        list.setServerId(3);
        list.setRevision(8);
        Task *a = addTask(list.rootTask(), "a", 11);
        a->setRevision(2);
        Task *b = addTask(a, "b", 12);
        list.removeTask(addTask(list.rootTask(), "gone", 13));
        QCOMPARE(list.removedTasks().size(), 1);
        list.resetToNew();
        QCOMPARE(list.syncStatus(), TaskList::New);
        list.setSyncStatus(TaskList::Unedited);
        QCOMPARE(list.serverId(), 0u);
        QCOMPARE(list.revision(), 0u);
        QCOMPARE(a->id(), 0u);
        QCOMPARE(a->revision(), 0u);
        QCOMPARE(b->id(), 0u);
        QVERIFY(list.removedTasks().isEmpty());
    }

    void clearTasksKeepsRemoved()
    {
        TaskList list;
        addTask(list.rootTask(), "a");
        list.removeTask(addTask(list.rootTask(), "b", 4));
        list.clearTasks();
        QCOMPARE(list.rootTask()->childCount(), 0);
        QCOMPARE(list.removedTasks().size(), 1);
    }

    void untouchedDefault()
    {
        std::unique_ptr<TaskList> list(TaskList::createNew());
        QCOMPARE(list->rootTask()->childCount(), 1);
        QVERIFY(list->hasNoTitledTask());
        QVERIFY(list->isUntouchedDefault());
        list->rootTask()->child(0)->setTitle("x");
        QVERIFY(!list->isUntouchedDefault());
        list->rootTask()->child(0)->setTitle(QString());
        list->setName("groceries");
        QVERIFY(!list->isUntouchedDefault());
        list->setName(TaskList::defaultName());
        list->setSyncStatus(TaskList::Unedited);
        QVERIFY(!list->isUntouchedDefault());
    }

    void createNewStampsTask()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 6, 1), QTime(9, 0), Qt::UTC));
        std::unique_ptr<TaskList> list(TaskList::createNew());
        Task *t = list->rootTask()->child(0);
        QCOMPARE(t->creationTime(), Clock::currentDateTimeUtc());
        QCOMPARE(t->createdBy(), QStringLiteral("alice"));
    }

    void statistics_data()
    {
        QTest::addColumn<QStringList>("titles"); // "!" prefix = done, "  " prefix = child of previous
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("empty") << QStringList() << QList<int>{0, 0, 0, 0, 0};
        QTest::newRow("three, one done") << QStringList{"a", "!b", "c"} << QList<int>{3, 1, 2, 33, 66};
        QTest::newRow("untitled parent hides children") << QStringList{"", "  x", "  !y"} << QList<int>{0, 0, 0, 0, 0};
        QTest::newRow("all done") << QStringList{"!a", "  !b"} << QList<int>{2, 2, 0, 100, 0};
    }
    void statistics()
    {
        QFETCH(QStringList, titles);
        QFETCH(QList<int>, expected);
        TaskList list;
        Task *last = nullptr;
        for (QString title : titles) {
            const bool nested = title.startsWith("  ");
            if (nested)
                title = title.mid(2);
            const bool done = title.startsWith('!');
            if (done)
                title = title.mid(1);
            Task *t = addTask(nested ? last : list.rootTask(), title);
            t->setDone(done);
            if (!nested)
                last = t;
        }
        int total = -1, done = -1, notDone = -1, donePercent = -1, notDonePercent = -1;
        list.taskStatistics(total, done, notDone, donePercent, notDonePercent);
        QCOMPARE((QList<int>{total, done, notDone, donePercent, notDonePercent}), expected);
    }

    void cloneKeepsEverything()
    {
        TaskList list;
        list.setSyncStatus(TaskList::Edited);
        list.setServerId(21);
        list.setRevision(3);
        list.setLocalId(7);
        list.setName("n");
        list.setOutlookId("ol");
        list.setOwner("bob");
        list.setOwned(false);
        list.setPermissions("rw");
        list.setDone(true);
        list.setDescription("d");
        addTask(list.rootTask(), "a", 1);
        list.removeTask(addTask(list.rootTask(), "r1", 2));
        list.removeTask(addTask(list.rootTask(), "r2", 3));

        std::unique_ptr<TaskList> c(list.clone());
        QCOMPARE(c->syncStatus(), TaskList::Edited);
        QCOMPARE(c->serverId(), 21u);
        QCOMPARE(c->revision(), 3u);
        QCOMPARE(c->localId(), 7u);
        QCOMPARE(c->name(), QStringLiteral("n"));
        QCOMPARE(c->outlookId(), QStringLiteral("ol"));
        QCOMPARE(c->owner(), QStringLiteral("bob"));
        QVERIFY(!c->isOwned());
        QCOMPARE(c->permissions(), QStringLiteral("rw"));
        QVERIFY(c->isDone());
        QCOMPARE(c->description(), QStringLiteral("d"));
        QCOMPARE(c->rootTask()->childCount(), 1);
        QVERIFY(c->rootTask()->child(0) != list.rootTask()->child(0));
        QCOMPARE(c->rootTask()->child(0)->id(), 1u);
        // Pending server deletions survive the copy, as separate objects.
        QCOMPARE(c->removedTasks().size(), 2);
        QCOMPARE(c->removedTasks().at(0)->id(), 2u);
        QCOMPARE(c->removedTasks().at(1)->id(), 3u);
        QCOMPARE(c->removedTasks().at(0)->deletionTime(), list.removedTasks().at(0)->deletionTime());
        QVERIFY(c->removedTasks().at(0) != list.removedTasks().at(0));
    }

    void setRemovedTasksTakesOwnership()
    {
        TaskList list;
        Task *a = new Task;
        a->setId(1);
        list.setRemovedTasks({a});
        Task *b = new Task;
        list.setRemovedTasks({a, b});
        QCOMPARE(list.removedTasks().size(), 2);
    }
};

PLUMDECK_TEST_MAIN(TstTaskList)
#include "tst_tasklist.moc"
