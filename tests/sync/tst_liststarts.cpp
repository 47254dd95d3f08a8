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

PLUMDECK_TEST_MAIN(TstListStarts)
#include "tst_liststarts.moc"
