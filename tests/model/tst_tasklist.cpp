#include "core/clock.h"
#include "core/serversettings.h"
#include "modeltest.h"
#include "testenvironment.h"

#include <memory>

using namespace ModelTest;

namespace {

// The list's own fields in one line.
QString fieldsOf(const TaskList *l)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9").arg(l->syncStatus()).arg(l->serverId()).arg(l->revision())
        .arg(l->localId()).arg(l->name(), l->outlookId(), l->owner()).arg(int(l->isOwned())).arg(l->permissions())
        + QStringLiteral(" %1 %2").arg(int(l->isDone())).arg(l->description());
}

} // namespace

class TstTaskList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("pw")); }
    void cleanup() { Clock::reset(); }

    void defaults()
    {
        std::unique_ptr<TaskList> list(TaskList::create());
        QCOMPARE(fieldsOf(list.get()), QStringLiteral("1 0 0 0 %1  %1 1 orwd 0 ").arg(TaskList::defaultName()));
        QVERIFY(list->canWrite() && list->canDelete());
        QCOMPARE(list->rootTask()->title(), QStringLiteral("[ROOT]"));
        // Ids read 0 while the list is new.
        list->setServerId(12);
        list->setRevision(4000000000u);
        QCOMPARE(list->serverId() + list->revision(), 0u);
        list->setSyncStatus(TaskList::Unedited);
        QCOMPARE(list->serverId(), 12u);
        QCOMPARE(list->revision(), 4000000000u);
    }

    void idOverwriteWarns()
    {
        // Replacing an id warns; setting the first, the same or none does not.
        std::unique_ptr<TaskList> list(makeList(TaskList::Unedited));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        for (quint32 id : {5u, 5u, 0u, 7u}) {
            list->setServerId(id);
            list->setLocalId(id);
        }
        QTest::ignoreMessage(QtWarningMsg, "setting server id when we have one already");
        QTest::ignoreMessage(QtWarningMsg, "setting local id when we have one already");
        list->setServerId(6);
        list->setLocalId(6);
        QCOMPARE(list->serverId() + list->localId(), 12u);
    }

    void markEdited()
    {
        // Only Unedited becomes Edited.
        for (int status = TaskList::LocallyUnknown; status <= TaskList::Deleted; ++status) {
            TaskList list;
            list.setSyncStatus(TaskList::SyncStatus(status));
            list.markEdited();
            QCOMPARE(int(list.syncStatus()), status == TaskList::Unedited ? int(TaskList::Edited) : status);
        }
    }

    void removeTaskDepthFirst()
    {
        const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
        Clock::setFixedTime(now);
        TaskList list;
        Task *top = addTask(list.rootTask(), "top", 5);
        Task *grand = addTask(addTask(top, "child", 0), "grand", 9);
        Task *keep = addTask(list.rootTask(), "keep", 0);
        list.removeTask(top);
        // Known to the server: recorded, children first; the others deleted.
        QCOMPARE(list.removedTasks(), (QList<Task *>{grand, top}));
        QCOMPARE(grand->deletionTime(), now);
        QCOMPARE(top->deletionTime(), now);
        QCOMPARE(top->childCount(), 0);
        QCOMPARE(top->parent(), nullptr);
        QCOMPARE(list.rootTask()->children(), QList<Task *>{keep});
        QCOMPARE(list.allTasks(), QSet<Task *>{keep});
        // Clearing the tasks keeps what the server must still delete.
        list.clearTasks();
        QCOMPARE(list.rootTask()->childCount(), 0);
        QCOMPARE(list.removedTasks().size(), 2);
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
        QCOMPARE(list.serverId() + list.revision() + a->id() + a->revision() + b->id(), 0u);
        QVERIFY(list.removedTasks().isEmpty());
    }

    void untouchedDefault()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 6, 1), QTime(9, 0), Qt::UTC));
        std::unique_ptr<TaskList> list(TaskList::createNew());
        QCOMPARE(list->rootTask()->childCount(), 1);
        Task *t = list->rootTask()->child(0);
        QCOMPARE(t->creationTime(), Clock::currentDateTimeUtc());
        QCOMPARE(t->createdBy(), QStringLiteral("alice"));
        QVERIFY(list->hasNoTitledTask());
        QVERIFY(list->isUntouchedDefault());
        t->setTitle("x");
        QVERIFY(!list->isUntouchedDefault());
        t->setTitle(QString());
        list->setName("groceries");
        QVERIFY(!list->isUntouchedDefault());
        list->setName(TaskList::defaultName());
        list->setSyncStatus(TaskList::Unedited);
        QVERIFY(!list->isUntouchedDefault());
    }

    void statistics_data()
    {
        QTest::addColumn<QStringList>("titles"); // "!" = done, "  " = child of the previous
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
            title = title.trimmed();
            Task *t = addTask(nested ? last : list.rootTask(), title.startsWith('!') ? title.mid(1) : title);
            t->setDone(title.startsWith('!'));
            if (!nested)
                last = t;
        }
        int total = -1, done = -1, notDone = -1, donePercent = -1, notDonePercent = -1;
        list.taskStatistics(total, done, notDone, donePercent, notDonePercent);
        QCOMPARE((QList<int>{total, done, notDone, donePercent, notDonePercent}), expected);
    }

    void takeSyncStateFrom_data()
    {
        QTest::addColumn<int>("before");   // the copy's status
        QTest::addColumn<int>("now");      // the list's status now
        QTest::addColumn<bool>("uploadOut"); // an upload left since the copy
        QTest::addColumn<int>("expected"); // the copy's status after
        QTest::newRow("new, posted since in doubt") << int(TaskList::New) << int(TaskList::New) << true
                                                   << int(TaskList::New);
        QTest::newRow("new, created since") << int(TaskList::New) << int(TaskList::Unedited) << false
                                           << int(TaskList::Edited);
        QTest::newRow("as on the server, edited since") << int(TaskList::Unedited) << int(TaskList::Edited)
                                                       << false << int(TaskList::Unedited);
        QTest::newRow("as on the server, an update out since") << int(TaskList::Unedited) << int(TaskList::Edited)
                                                              << true << int(TaskList::Edited);
        QTest::newRow("edited, edited since") << int(TaskList::Edited) << int(TaskList::Edited) << false
                                             << int(TaskList::Edited);
    }

    void takeSyncStateFrom()
    {
        QFETCH(int, before);
        QFETCH(int, now);
        QFETCH(bool, uploadOut);
        QFETCH(int, expected);
        Clock::setFixedTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
        std::unique_ptr<TaskList> live(makeList(TaskList::SyncStatus(now), now == TaskList::New ? 0 : 40));
        Task *tea = live->rootTask()->createChild(0);
        tea->setTitle(QStringLiteral("Tea"));
        Clock::advance(5000);
        Task *cake = live->rootTask()->createChild(1);
        cake->setTitle(QStringLiteral("Cake"));
        Clock::advance(5000);
        Task *jam = live->rootTask()->createChild(2);
        jam->setTitle(QStringLiteral("Jam"));
        std::unique_ptr<TaskList> copy(live->clone());
        copy->setSyncStatus(TaskList::SyncStatus(before));
        if (before != TaskList::New)
            copy->setServerId(40);
        copy->setRevision(live->revision());
        // Since the copy: the server gave Tea and Cake ids, and the copy's
        // Cake already holds one of its own (never handed out twice); Jam
        // was removed after the server knew it.
        tea->setId(301);
        cake->setId(302);
        jam->setId(303);
        copy->rootTask()->child(1)->setId(302);
        live->removeTask(jam);
        if (uploadOut)
            live->setPendingUpload(QStringLiteral("put3:0:f::"));
        copy->takeSyncStateFrom(live.get());
        QCOMPARE(int(copy->syncStatus()), expected);
        QCOMPARE(copy->pendingUpload(), live->pendingUpload());
        QCOMPARE(copy->serverId(), now == TaskList::New ? 0u : 40u);
        const QList<Task *> tasks = copy->rootTask()->children();
        QCOMPARE(tasks.at(0)->id(), 301u);
        QCOMPARE(tasks.at(1)->id(), 302u);
        // Its id known from the removed task: the copy brings it back.
        QCOMPARE(tasks.at(2)->id(), 303u);
    }

    // A task of an older copy not told by its lineage (the list read again
    // since) takes the id of the one task that holds its identity on each
    // side; where several share one (typed in one second, pasted), of the
    // one its content or title tells, then of the last one of each side;
    // pasted copies alike tell nothing, and then nothing is given.
    void takeSyncStateFromByIdentity_data()
    {
        QTest::addColumn<int>("inCopy"); // tasks of the copy holding the identity
        QTest::addColumn<int>("inLive"); // tasks of the list holding it, with ids
        QTest::addColumn<QStringList>("copyTitles"); // the copy's titles, when not all "Tea"
        QTest::addColumn<QStringList>("liveTitles");
        QTest::addColumn<QList<quint32>>("expected"); // ids the copy's tasks take
        QTest::newRow("one on each side") << 1 << 1 << QStringList() << QStringList() << QList<quint32>{501};
        QTest::newRow("pasted twice in the copy") << 2 << 1 << QStringList() << QStringList() << QList<quint32>{0, 0};
        QTest::newRow("pasted twice in the list") << 1 << 2 << QStringList() << QStringList() << QList<quint32>{0};
        QTest::newRow("typed in one second") << 2 << 2 << QStringList{"Tea", "Cake"} << QStringList{"Tea", "Cake"}
                                             << QList<quint32>{501, 502};
        QTest::newRow("typed in one second, one retitled since")
            << 2 << 2 << QStringList{"Tea", "Cake"} << QStringList{"Tea", "Cakes"} << QList<quint32>{501, 502};
        QTest::newRow("typed in one second, one of them removed since")
            << 2 << 1 << QStringList{"Tea", "Cake"} << QStringList{"Cake"} << QList<quint32>{0, 501};
        QTest::newRow("typed in one second, two retitled since: nothing tells")
            << 2 << 2 << QStringList{"Tea", "Cake"} << QStringList{"Teas", "Cakes"} << QList<quint32>{0, 0};
    }

    void takeSyncStateFromByIdentity()
    {
        QFETCH(int, inCopy);
        QFETCH(int, inLive);
        QFETCH(QStringList, copyTitles);
        QFETCH(QStringList, liveTitles);
        QFETCH(QList<quint32>, expected);
        const QDateTime made(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
        auto stamped = [&made](Task *parent, int row) {
            Task *task = parent->createChild(row);
            task->setCreatedBy(QStringLiteral("ann"));
            task->setCreationTime(made);
            task->setTitle(QStringLiteral("Tea"));
            return task;
        };
        std::unique_ptr<TaskList> live(makeList(TaskList::Edited, 40));
        for (int i = 0; i < inLive; ++i) {
            Task *task = stamped(live->rootTask(), i);
            task->setId(501 + i);
            if (!liveTitles.isEmpty())
                task->setTitle(liveTitles.at(i));
        }
        std::unique_ptr<TaskList> copy(makeList(TaskList::Edited, 40));
        for (int i = 0; i < inCopy; ++i) {
            Task *task = stamped(copy->rootTask(), i);
            if (!copyTitles.isEmpty())
                task->setTitle(copyTitles.at(i));
        }
        copy->takeSyncStateFrom(live.get());
        QList<quint32> ids;
        for (const Task *task : copy->rootTask()->children())
            ids << task->id();
        QCOMPARE(ids, expected);
    }

    void takeSyncStateFromForgetsIdsOfAnotherList_data()
    {
        QTest::addColumn<QString>("current"); // "new", "agreed" or "older file"
        QTest::addColumn<QList<quint32>>("expected"); // ids the copy's tasks keep, removed one last
        // A copy from before a forced upload made the list new: its ids are
        // the replaced list's.
        QTest::newRow("the list became new") << "new" << QList<quint32>{0, 0, 0};
        QTest::newRow("known to what it agreed or holds") << "agreed" << QList<quint32>{501, 0, 502};
        QTest::newRow("an older file's list, nothing agreed") << "older file" << QList<quint32>{501, 777, 502};
        QTest::newRow("known to what it agreed alone") << "agreed alone" << QList<quint32>{501, 0, 502};
        QTest::newRow("known to what it agreed alone, kept whole") << "agreed whole" << QList<quint32>{501, 0, 502};
    }

    void takeSyncStateFromForgetsIdsOfAnotherList()
    {
        QFETCH(QString, current);
        QFETCH(QList<quint32>, expected);
        std::unique_ptr<TaskList> live(makeList(current == QLatin1String("new") ? TaskList::New : TaskList::Edited, 40));
        addTask(live->rootTask(), "a", 501);
        addTask(live->rootTask(), "gone", 502);
        if (current == QLatin1String("agreed")) {
            live->agreeAsIs();
            live->removeTask(live->rootTask()->child(1));
        } else if (current.startsWith(QLatin1String("agreed "))) {
            if (current == QLatin1String("agreed whole"))
                live->setAgreed(live->clone());
            else
                live->agreeAsIs();
            live->removeTask(live->rootTask()->child(1));
            // Not among the removed tasks: known to the agreed copy alone.
            live->setRemovedTasks({});
        } else if (current == QLatin1String("new")) {
            live->resetToNew();
        }
        std::unique_ptr<TaskList> copy(makeList(TaskList::Edited, 40));
        addTask(copy->rootTask(), "a", 501);
        addTask(copy->rootTask(), "stale", 777);
        Task *removed = addTask(copy->rootTask(), "gone", 502);
        copy->removeTask(removed);
        copy->takeSyncStateFrom(live.get());
        QList<quint32> ids;
        for (const Task *task : copy->rootTask()->children())
            ids << task->id();
        for (const Task *task : copy->removedTasks())
            ids << task->id();
        if (ids.size() < expected.size())
            ids << 0;
        QCOMPARE(ids, expected);
        QCOMPARE(copy->agreed(), live->agreed());
    }

    void agreedCopyFits_data()
    {
        // What changes from three copies of one list (revision 5, tasks 501
        // and 502 at revision 3): the copy here, the agreed one, the
        // server's.
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("fits");  // the agreed copy can be what the list here agreed
        QTest::addColumn<bool>("grew");  // the server's copy can have grown from it
        QTest::newRow("as agreed") << "" << true << true;
        QTest::newRow("retitled here") << "here: title" << true << true;
        QTest::newRow("here older than agreed (an undo across a run)") << "here: older" << true << true;
        QTest::newRow("here newer than agreed") << "here: newer" << false << true;
        QTest::newRow("here under another's id") << "here: other identity" << false << true;
        QTest::newRow("here another hash code at one revision") << "here: other hash" << false << true;
        QTest::newRow("the list here at another revision") << "here: list revision" << false << true;
        QTest::newRow("one id twice in the agreed copy") << "agreed: twice" << false << false;
        QTest::newRow("changed there since") << "there: newer" << true << true;
        QTest::newRow("there older than agreed") << "there: older" << true << false;
        QTest::newRow("there under another's id") << "there: other identity" << true << false;
        QTest::newRow("there another hash code at one revision") << "there: other hash" << true << false;
        QTest::newRow("the server's copy older than agreed") << "there: list revision" << true << false;
        QTest::newRow("removed there") << "there: removed" << true << true;
        QTest::newRow("removed here") << "here: removed" << true << true;
        QTest::newRow("a task here left out of the agreed copy") << "agreed: removed" << false << true;
    }

    void agreedCopyFits()
    {
        QFETCH(QString, change);
        QFETCH(bool, fits);
        QFETCH(bool, grew);
        const auto make = [](const QString &side, const QString &change) {
            TaskList *list = makeList(TaskList::Edited, 40);
            list->setRevision(5);
            for (quint32 id : {501u, 502u}) {
                Task *task = addTask(list->rootTask(), QStringLiteral("t%1").arg(id), id);
                task->setRevision(3);
                task->setHashcode(QString(32, QLatin1Char(id == 501 ? 'a' : 'b')));
                task->setCreatedBy(QStringLiteral("alice"));
                task->setCreationTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0, int(id - 500)), Qt::UTC));
            }
            if (!change.startsWith(side))
                return list;
            Task *first = list->rootTask()->child(0);
            const QString what = change.mid(side.size());
            if (what == QLatin1String("title"))
                first->setTitle(QStringLiteral("changed"));
            else if (what == QLatin1String("older"))
                first->setRevision(2);
            else if (what == QLatin1String("newer"))
                first->setRevision(4);
            else if (what == QLatin1String("other identity"))
                first->setCreationTime(first->creationTime().addSecs(60));
            else if (what == QLatin1String("other hash"))
                first->setHashcode(QString(32, QLatin1Char('c')));
            else if (what == QLatin1String("list revision"))
                list->setRevision(side == QLatin1String("here: ") ? 6 : 4);
            else if (what == QLatin1String("twice"))
                list->rootTask()->child(1)->setId(501);
            else if (what == QLatin1String("removed"))
                list->rootTask()->deleteChild(first);
            if (side == QLatin1String("there: ") && what == QLatin1String("newer")) {
                first->setHashcode(QString(32, QLatin1Char('c')));
                list->setRevision(6);
            }
            return list;
        };
        std::unique_ptr<TaskList> here(make(QStringLiteral("here: "), change));
        std::unique_ptr<TaskList> agreed(make(QStringLiteral("agreed: "), change));
        std::unique_ptr<TaskList> there(make(QStringLiteral("there: "), change));
        QCOMPARE(here->fitsAgreed(agreed.get()), fits);
        QCOMPARE(TaskList::grewFrom(agreed.get(), there.get()), grew);
        QVERIFY(!here->fitsAgreed(nullptr));
        QVERIFY(!TaskList::grewFrom(nullptr, there.get()));
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
        list.rootTask()->insertChild(fullTask("a"), 0);
        list.removeTask(addTask(list.rootTask(), "r1", 2));
        list.removeTask(addTask(list.rootTask(), "r2", 3));

        std::unique_ptr<TaskList> c(list.clone());
        QCOMPARE(fieldsOf(c.get()), QStringLiteral("3 21 3 7 n ol bob 0 rw 1 d"));
        QVERIFY(c->rootTask()->child(0) != list.rootTask()->child(0));
        QCOMPARE(dump(c->rootTask()), dump(list.rootTask()));
        // Pending server deletions survive the copy, as separate objects.
        QCOMPARE(c->removedTasks().size(), 2);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(c->removedTasks().at(i) != list.removedTasks().at(i));
            QCOMPARE(dump(c->removedTasks().at(i)), dump(list.removedTasks().at(i)));
        }
        // Taking a list of removed tasks that holds one already held frees
        // nothing twice.
        Task *extra = new Task;
        list.setRemovedTasks({list.removedTasks().first(), extra});
        QCOMPARE(list.removedTasks().size(), 2);
    }

    void agreedCopyOutlivesEdits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("askedFirst"); // the copy made whole before the edit
        const QStringList edits{"title", "done", "touch", "assign", "unassign", "note", "alarm", "priority",
                                "dates", "ids", "expanded", "attachment edited", "attachment removed",
                                "attachment added", "fields taken", "moved", "removed", "added", "became new",
                                "list fields", "contents swapped", "cleared"};
        for (const QString &edit : edits) {
            QTest::newRow(qPrintable(edit)) << edit << false;
            QTest::newRow(qPrintable(edit + ", asked for before")) << edit << true;
        }
    }

    // The agreed copy of a list that agrees as it is shares its tasks'
    // values: no edit of the list, of any kind, reaches it.
    void agreedCopyOutlivesEdits()
    {
        QFETCH(QString, edit);
        QFETCH(bool, askedFirst);
        std::unique_ptr<TaskList> list(makeList(TaskList::Unedited, 40, QStringLiteral("Groceries")));
        list->setDescription(QStringLiteral("weekly"));
        Task *full = fullTask(QStringLiteral("milk"));
        list->rootTask()->insertChild(full, 0);
        Task *other = addTask(list->rootTask(), QStringLiteral("eggs"), 41);
        list->agreeAsIs();
        std::unique_ptr<TaskList> before(list->clone());
        const QStringList expected = dump(before->rootTask());
        if (askedFirst)
            QCOMPARE(dump(list->agreed()->rootTask()), expected);

        Task *child = full->child(1);
        std::unique_ptr<TaskList> swapped(makeList(TaskList::Unedited, 40));
        if (edit == "title")
            child->setTitle(QStringLiteral("retitled"));
        else if (edit == "done")
            full->setDone(false);
        else if (edit == "touch")
            child->touch();
        else if (edit == "assign")
            full->assign(QStringLiteral("bob"));
        else if (edit == "unassign")
            full->unassignAll();
        else if (edit == "note")
            full->setNote(TaskNote());
        else if (edit == "alarm")
            full->setAlarmTime(QDateTime());
        else if (edit == "priority")
            full->setPriority(TaskPriority());
        else if (edit == "dates")
            full->setDueTime(utc("2010-01-01T00:00:00Z"));
        else if (edit == "ids")
            full->setId(77), full->setRevision(9), full->setHashcode(QString());
        else if (edit == "expanded")
            full->setExpanded(true);
        else if (edit == "attachment edited")
            full->attachments().first()->setName(QStringLiteral("renamed in place"));
        else if (edit == "attachment removed")
            full->removeAttachment(full->attachments().first());
        else if (edit == "attachment added")
            other->createAttachment(QStringLiteral("webHyperlink"), QStringLiteral("x"), QStringLiteral("http://x.example"));
        else if (edit == "fields taken")
            other->takeFieldsFrom(child);
        else if (edit == "moved")
            other->insertChild(full->takeChild(child), 0);
        else if (edit == "removed")
            list->removeTask(full);
        else if (edit == "added")
            addTask(full, QStringLiteral("new"));
        else if (edit == "became new")
            list->rootTask()->clearIdsRecursively();
        else if (edit == "list fields")
            list->setName(QStringLiteral("Shopping")), list->setDone(true), list->setRevision(5);
        else if (edit == "contents swapped")
            list->swapContent(*swapped);
        else if (edit == "cleared")
            list->clearTasks();
        QVERIFY(dump(list->rootTask()) != dump(before->rootTask()) || edit == "list fields"
                || edit == "contents swapped");

        const TaskList *agreed = edit == "contents swapped" ? swapped->agreed() : list->agreed();
        QVERIFY(agreed);
        QCOMPARE(dump(agreed->rootTask()), expected);
        QCOMPARE(fieldsOf(agreed), QStringLiteral("2 40 1 0 Groceries  list 1 orwd 0 weekly"));
        QVERIFY(agreed->removedTasks().isEmpty());
        QVERIFY(!agreed->agreed());
    }
};

PLUMDECK_TEST_MAIN(TstTaskList)
#include "tst_tasklist.moc"
