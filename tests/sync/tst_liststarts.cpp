#include "model/listinfo.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "sync/runs/liststarts.h"
#include "testenvironment.h"

#include <QtTest>

#include <memory>

// Which copies the settling of moves takes for a list: as it agreed and as
// it was here when the run began, and the server's before the run sent
// anything.
class TstListStarts : public QObject
{
    Q_OBJECT

private slots:
    void seen_data();
    void seen();
    void removedSeen_data();
    void removedSeen();
};

void TstListStarts::seen_data()
{
    // The list's status as the run began; -1 for a list only the server had.
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("mergedOnto");
    // Which copy is the server's before: "merged onto", "agreed at start",
    // "agreed now" or "none".
    QTest::addColumn<QString>("serverBefore");

    QTest::newRow("only the server had it: what it agrees now") << -1 << false << "agreed now";
    QTest::newRow("changed here, merged onto the server's copy")
        << int(TaskList::Edited) << true << "merged onto";
    QTest::newRow("changed here only") << int(TaskList::Edited) << false << "agreed at start";
    QTest::newRow("unchanged here: as the run fetched it") << int(TaskList::Unedited) << false << "agreed now";
    QTest::newRow("unchanged here, its server copy noted") << int(TaskList::Unedited) << true << "merged onto";
    QTest::newRow("new here") << int(TaskList::New) << false << "none";
    QTest::newRow("new here, posted since") << int(TaskList::New) << true << "merged onto";
}

void TstListStarts::seen()
{
    QFETCH(int, status);
    QFETCH(bool, mergedOnto);
    QFETCH(QString, serverBefore);
    std::unique_ptr<TaskList> now(TaskList::create());
    now->setAgreed(std::shared_ptr<const TaskList>(TaskList::create()));
    ListStarts::Start start;
    start.agreed = std::shared_ptr<const TaskList>(TaskList::create());
    start.mine = std::shared_ptr<const TaskList>(TaskList::create());
    if (mergedOnto)
        start.serverBefore = std::shared_ptr<const TaskList>(TaskList::create());
    start.status = status;
    const ListMoves::List seen = ListStarts::seen(status < 0 ? nullptr : &start, now.get());
    QCOMPARE(seen.now, now.get());
    QCOMPARE(seen.agreedBefore, status < 0 ? nullptr : start.agreed.get());
    QCOMPARE(seen.mineBefore, status < 0 ? nullptr : start.mine.get());
    const QHash<QString, const TaskList *> copies{{"merged onto", start.serverBefore.get()},
                                                  {"agreed at start", start.agreed.get()},
                                                  {"agreed now", now->agreed()},
                                                  {"none", nullptr}};
    QCOMPARE(seen.serverBefore, copies.value(serverBefore));
}

void TstListStarts::removedSeen_data()
{
    // What the server's summary says of the list removed here: "gone",
    // "unchanged" or "moved on"; whether its agreed copy is known (and of
    // its id); whether a look fetched the server's copy, or the removal did
    // not hold and the list came back.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("agreed");
    QTest::addColumn<QString>("then");
    // Which copy the moves take for the server's: "none held" (the list is
    // gone there), "agreed", "fetched", or "" (left out).
    QTest::addColumn<QString>("serverBefore");

    QTest::newRow("gone there") << "gone" << "known" << "" << "none held";
    QTest::newRow("unchanged there") << "unchanged" << "known" << "" << "agreed";
    QTest::newRow("moved on there, not looked at") << "moved on" << "known" << "" << "";
    QTest::newRow("moved on there, looked at") << "moved on" << "known" << "looked at" << "fetched";
    QTest::newRow("moved on there, kept against the removal") << "moved on" << "known" << "kept" << "";
    QTest::newRow("gone there, what it agreed not known") << "gone" << "none" << "" << "";
    QTest::newRow("gone there, what it agreed of another id") << "gone" << "other id" << "" << "";
}

// A list removed here is seen by the moves as every task it agreed removed,
// once, beside the server's copy as it stood before the run sent anything.
void TstListStarts::removedSeen()
{
    QFETCH(QString, server);
    QFETCH(QString, agreed);
    QFETCH(QString, then);
    QFETCH(QString, serverBefore);
    const quint32 id = 41;
    std::unique_ptr<TaskList> record(TaskList::create());
    record->setServerId(id);
    record->setRevision(3);
    record->setSyncStatus(TaskList::Deleted);
    auto *agreedCopy = TaskList::create();
    agreedCopy->setSyncStatus(TaskList::Unedited);
    agreedCopy->setServerId(agreed == QLatin1String("other id") ? id + 1 : id);
    Task *task = agreedCopy->rootTask()->createChild(0);
    task->setTitle(QStringLiteral("Bags"));
    task->setId(1001);
    const std::shared_ptr<const TaskList> shared(agreedCopy);
    if (agreed != QLatin1String("none"))
        record->setAgreed(shared);
    QMap<quint32, ListInfo *> infos;
    if (server != QLatin1String("gone"))
        infos.insert(id, new ListInfo(id, server == QLatin1String("unchanged") ? 3 : 4, 1, QStringLiteral("Trip"),
                                      QStringLiteral("alice"), QStringLiteral("orwd"), true, false));
    std::unique_ptr<TaskList> fetched(TaskList::create());
    fetched->setSyncStatus(TaskList::Unedited);
    fetched->setServerId(id);
    fetched->setName(QStringLiteral("fetched"));

    ListStarts starts;
    starts.keepRemoved({record.get()}, infos);
    qDeleteAll(infos);
    if (then == QLatin1String("looked at"))
        starts.lookedAt(id, *fetched);
    if (then == QLatin1String("kept"))
        starts.dropRemoved(id);
    const std::vector<ListStarts::Removed> removed = starts.takeRemoved();
    QVERIFY(starts.takeRemoved().empty());
    QCOMPARE(removed.size(), serverBefore.isEmpty() ? 0U : 1U);
    if (removed.empty())
        return;
    const ListMoves::List seen = ListStarts::seen(&removed.front().start, removed.front().now.get());
    QCOMPARE(seen.agreedBefore, shared.get());
    QVERIFY(seen.now && !seen.now->rootTask()->childCount());
    // Every task it agreed removed with it.
    QVERIFY(seen.mineBefore);
    QCOMPARE(seen.mineBefore->syncStatus(), TaskList::Deleted);
    QCOMPARE(seen.mineBefore->removedTasks().size(), 1);
    QCOMPARE(seen.mineBefore->removedTasks().first()->id(), 1001U);
    if (serverBefore == QLatin1String("agreed")) {
        QCOMPARE(seen.serverBefore, shared.get());
    } else if (serverBefore == QLatin1String("fetched")) {
        QCOMPARE(seen.serverBefore->name(), QStringLiteral("fetched"));
    } else {
        QVERIFY(seen.serverBefore && seen.serverBefore != shared.get());
        QCOMPARE(seen.serverBefore->serverId(), 0U);
        QCOMPARE(seen.serverBefore->rootTask()->childCount(), 0);
    }
}

PLUMDECK_TEST_MAIN(TstListStarts)
#include "tst_liststarts.moc"
