#include "listssyncclient.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/singlelistsyncqueue.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

class TstSingleListSyncQueue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void atMostTenRun();
    void aListIsQueuedOnce();
    void autosyncTakesOnlyChangedLists_data();
    void autosyncTakesOnlyChangedLists();
    void manualFlag();
    void nullListsAreRefused();
    void dequeueReleasesTheList();
    void cancelOneRunningList();
    void cancelAllReleasesQueuedLists();
    void closingReleasesEveryList();
    void finishedRunsLevelBothSides();

private:
    QList<ListModel *> syncedLists(int count);

    std::unique_ptr<CheckedFakeServer> m_server;
    std::unique_ptr<SyncClient> m_client;
    NotepadNotes *m_notes = nullptr;
};

void TstSingleListSyncQueue::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    m_notes = new NotepadNotes;
    m_client = std::make_unique<SyncClient>();
}

void TstSingleListSyncQueue::cleanup()
{
    m_client.reset();
    delete m_notes;
    m_notes = nullptr;
    m_server->clearFaults();
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

// Lists both sides hold, each edited here.
QList<ListModel *> TstSingleListSyncQueue::syncedLists(int count)
{
    for (int i = 0; i < count; ++i)
        m_server->addList(QStringLiteral("alice"), QStringLiteral("List %1").arg(i, 2, 10, QLatin1Char('0')),
                          {FakeTask::make(QStringLiteral("Task"))});
    ListsSynchronizer full(&m_client->lists, &m_client->host);
    QSignalSpy finished(&full, &BaseSynchronizer::finished);
    full.start();
    if (!finished.wait(15000))
        return {};
    QList<ListModel *> models = m_client->lists.models();
    for (ListModel *m : models)
        SyncClient::editFirstTask(m, m->taskList()->name() + QStringLiteral(" edited"));
    m_server->clearRequests();
    return models;
}

void TstSingleListSyncQueue::atMostTenRun()
{
    const QList<ListModel *> models = syncedLists(12);
    QCOMPARE(models.size(), 12);
    m_server->stall(QStringLiteral("list-info/"));
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    for (ListModel *m : models)
        queue.syncSingleList(m);
    QCOMPARE(queue.runningCount(), 10);
    QCOMPARE(queue.queuedCount(), 2);
    QCOMPARE(m_client->host.started, models.mid(0, 10));
    for (ListModel *m : models)
        QVERIFY(m->isSyncPending());

    // One ends: the eleventh starts, then the twelfth after the next.
    queue.cancelSingleListSync(models[0]);
    QTRY_COMPARE(m_client->host.started.size(), 11);
    QCOMPARE(m_client->host.started.last(), models[10]);
    QVERIFY(!models[0]->isSyncPending());
    QCOMPARE(queue.runningCount(), 10);
    queue.cancelSingleListSync(models[1]);
    QTRY_COMPARE(m_client->host.started.size(), 12);
    QCOMPARE(queue.queuedCount(), 0);
    queue.cancelSingleListSyncs();
    QTRY_COMPARE(queue.runningCount(), 0);
    for (ListModel *m : models) {
        QTRY_VERIFY(!m->isSyncPending());
        QVERIFY(!m->isSynchronizing());
    }
}

void TstSingleListSyncQueue::aListIsQueuedOnce()
{
    const QList<ListModel *> models = syncedLists(1);
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    m_server->stall(QStringLiteral("list-info/"), true);
    queue.syncSingleList(models[0]);
    queue.syncSingleList(models[0]);
    queue.syncSingleListManually(models[0]);
    QCOMPARE(queue.runningCount() + queue.queuedCount(), 1);
    QVERIFY(!models[0]->isManualSync());
    QCOMPARE(m_client->host.started.size(), 1);
    queue.cancelSingleListSyncs();
}

void TstSingleListSyncQueue::autosyncTakesOnlyChangedLists_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("queued");
    QTest::newRow("new") << int(TaskList::New) << true;
    QTest::newRow("unedited") << int(TaskList::Unedited) << false;
    QTest::newRow("edited") << int(TaskList::Edited) << true;
    QTest::newRow("deleted") << int(TaskList::Deleted) << false;
    QTest::newRow("locally unknown") << 0 << false;
}

void TstSingleListSyncQueue::autosyncTakesOnlyChangedLists()
{
    QFETCH(int, status);
    QFETCH(bool, queued);
    ListModel *model = m_client->addList(QStringLiteral("Trip"), {"Tickets"});
    model->taskList()->setSyncStatus(TaskList::SyncStatus(status));
    m_server->stall(QStringLiteral("."), false);
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    queue.autosyncList(model);
    queue.autosyncList(nullptr);
    QCOMPARE(queue.runningCount() + queue.queuedCount(), queued ? 1 : 0);
    QCOMPARE(model->isSyncPending(), queued);
    queue.cancelSingleListSyncs();
    model->taskList()->setSyncStatus(TaskList::New);
}

void TstSingleListSyncQueue::manualFlag()
{
    ListModel *model = m_client->addList(QStringLiteral("Trip"), {"Tickets"});
    m_server->stall(QStringLiteral("^/lists$"), true);
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    queue.syncSingleListManually(model);
    QVERIFY(model->isManualSync());
    QVERIFY(model->isSyncPending());
    queue.cancelSingleListSyncs();
    QTRY_VERIFY(!model->isManualSync());
}

void TstSingleListSyncQueue::nullListsAreRefused()
{
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    QTest::ignoreMessage(QtWarningMsg, "ListsUI::syncSingleList , the given list is null");
    queue.syncSingleList(nullptr);
    QTest::ignoreMessage(QtWarningMsg, "ListsUI::syncSingleListManually , the given list is null");
    queue.syncSingleListManually(nullptr);
    QCOMPARE(queue.queuedCount() + queue.runningCount(), 0);
}

// Coming back to a list whose automatic run still waits drops the run and
// frees the list for the next request.
void TstSingleListSyncQueue::dequeueReleasesTheList()
{
    const QList<ListModel *> models = syncedLists(11);
    m_server->stall(QStringLiteral("list-info/"));
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    for (ListModel *m : models)
        queue.autosyncList(m);
    ListModel *waiting = models.last();
    QVERIFY(queue.findQueuedSingleListSync(waiting));
    QVERIFY(!queue.findQueuedSingleListSync(models.first()));
    queue.dequeueSingleListSync(waiting);
    QCOMPARE(queue.queuedCount(), 0);
    QVERIFY(!waiting->isSyncPending());
    queue.syncSingleList(waiting);
    QCOMPARE(queue.queuedCount(), 1);
    queue.cancelSingleListSyncs();
}

void TstSingleListSyncQueue::cancelOneRunningList()
{
    const QList<ListModel *> models = syncedLists(2);
    m_server->stall(QStringLiteral("list-info/"));
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    queue.syncSingleList(models[0]);
    queue.syncSingleList(models[1]);
    MessageLog log;
    queue.cancelSingleListSync(models[1]);
    QTRY_VERIFY(!models[1]->isSyncPending());
    QVERIFY(log.lines.contains(QStringLiteral("warning: Single list sync failed: Request canceled")));
    QCOMPARE(m_client->host.ended, QList<ListModel *>{models[1]});
    QVERIFY(models[0]->isSyncPending());
    QCOMPARE(queue.runningCount(), 1);
    queue.cancelSingleListSyncs();
}

// Before a full run: queued lists are released, not left pending for ever.
void TstSingleListSyncQueue::cancelAllReleasesQueuedLists()
{
    const QList<ListModel *> models = syncedLists(12);
    m_server->stall(QStringLiteral("list-info/"));
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    for (ListModel *m : models)
        queue.syncSingleList(m);
    queue.cancelSingleListSyncs();
    QCOMPARE(queue.queuedCount(), 0);
    QCOMPARE(queue.runningCount(), 0);
    for (ListModel *m : models)
        QTRY_VERIFY(!m->isSyncPending());
    m_server->clearFaults();
    // A later request of a dropped list is taken.
    queue.syncSingleList(models.last());
    QCOMPARE(queue.runningCount(), 1);
    QTRY_COMPARE(queue.runningCount(), 0);
    QCOMPARE(m_server->task(models.last()->taskList()->serverId(),
                            models.last()->taskList()->rootTask()->children().first()->id()).title(),
             QStringLiteral("List 11 edited"));
}

void TstSingleListSyncQueue::closingReleasesEveryList()
{
    const QList<ListModel *> models = syncedLists(12);
    m_server->stall(QStringLiteral("list-info/"));
    {
        SingleListSyncQueue queue(&m_client->lists, &m_client->host);
        for (ListModel *m : models)
            queue.syncSingleList(m);
    }
    for (ListModel *m : models) {
        QVERIFY(!m->isSyncPending());
        QVERIFY(!m->isSynchronizing());
    }
}

void TstSingleListSyncQueue::finishedRunsLevelBothSides()
{
    const QList<ListModel *> models = syncedLists(3);
    ListModel *fresh = m_client->addList(QStringLiteral("Fresh"), {"New task"});
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    for (ListModel *m : models)
        queue.syncSingleList(m);
    queue.syncSingleList(fresh);
    QTRY_COMPARE(queue.runningCount(), 0);
    QCOMPARE(m_client->host.ended.size(), 4);
    for (ListModel *m : m_client->lists.models()) {
        QVERIFY(!m->isSyncPending());
        QCOMPARE(m->taskList()->syncStatus(), TaskList::Unedited);
        QCOMPARE(m_server->list(m->taskList()->serverId()).name, m->taskList()->name());
        QCOMPARE(m_server->tasks(m->taskList()->serverId()).first().title(),
                 m->taskList()->rootTask()->children().first()->title());
    }
}

PLUMDECK_TEST_MAIN(TstSingleListSyncQueue)
#include "tst_singlelistsyncqueue.moc"
