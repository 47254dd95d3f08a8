#include "listssyncclient.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "sync/runs/singlelistsyncqueue.h"
#include "model/taskreaderwriter.h"
#include "sync/requests/sslerrorhandler.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

struct Outcome
{
    bool ended = false;
    int endings = 0;
    bool ok = false;
    QString message;
    ListModel *model = nullptr;
};

} // namespace

class TstSingleListSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newListIsPostedAndFetched();
    void editedListIsUploaded();
    void unchangedListMakesNoListRequest();
    void listGoneFromServerIsPurged_data();
    void listGoneFromServerIsPurged();
    void listInfoAnswers_data();
    void listInfoAnswers();
    void sharingDecision_data();
    void sharingDecision();
    void incompleteSettings();
    void cancel_data();
    void cancel();
    void listRemovedBeforeStart();
    void listRemovedMidRun();
    void postAcceptedFetchFailedIsFetchedNext();
    void certificateAskerMadeForTheRun();
    void tooDeepSharedListFailsNamingIt_data();
    void tooDeepSharedListFailsNamingIt();
    void aListThatWaitsForTheFullRunSaysSo_data();
    void aListThatWaitsForTheFullRunSaysSo();

private:
    Outcome run(SingleListSynchronizer &sync);
    Outcome runFor(ListModel *model);
    ListModel *syncedList(const QString &name, const QStringList &titles);

    std::unique_ptr<CheckedFakeServer> m_server;
    std::unique_ptr<SyncClient> m_client;
    NotepadNotes *m_notes = nullptr;
};

void TstSingleListSynchronizer::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    m_server->setStrictCompression(true);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    m_notes = new NotepadNotes;
    m_client = std::make_unique<SyncClient>();
}

void TstSingleListSynchronizer::cleanup()
{
    m_client.reset();
    delete m_notes;
    m_notes = nullptr;
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

Outcome TstSingleListSynchronizer::run(SingleListSynchronizer &sync)
{
    Outcome o;
    connect(&sync, &SingleListSynchronizer::success, this, [&o](SingleListSynchronizer *, ListModel *model) {
        o.ok = true;
        o.model = model;
        ++o.endings;
    });
    connect(&sync, &SingleListSynchronizer::failed, this,
            [&o](const QString &message, SingleListSynchronizer *, ListModel *model) {
                o.message = message;
                o.model = model;
                ++o.endings;
            });
    sync.start();
    o.ended = QTest::qWaitFor([&o] { return o.endings > 0; }, 15000);
    QTest::qWait(20);
    return o;
}

Outcome TstSingleListSynchronizer::runFor(ListModel *model)
{
    SingleListSynchronizer sync(&m_client->lists, &m_client->host, model);
    return run(sync);
}

// A list both sides hold, after a full run.
ListModel *TstSingleListSynchronizer::syncedList(const QString &name, const QStringList &titles)
{
    QList<FakeTask> tasks;
    for (const QString &t : titles)
        tasks << FakeTask::make(t);
    m_server->addList(QStringLiteral("alice"), name, tasks);
    ListsSynchronizer full(&m_client->lists, &m_client->host);
    QSignalSpy finished(&full, &BaseSynchronizer::finished);
    full.start();
    if (!finished.wait(15000) || !finished.first().first().toBool())
        return nullptr;
    m_server->clearRequests();
    return m_client->model(name);
}

void TstSingleListSynchronizer::newListIsPostedAndFetched()
{
    ListModel *model = m_client->addList(QStringLiteral("Trip"), {"Tickets"});
    model->taskList()->setLocalId(7);
    ListsGroups *groups = m_client->host.listsGroups();
    groups->addListToDefaultGroup(model->taskList());
    const Outcome o = runFor(model);
    QVERIFY(o.ended);
    QCOMPARE(o.endings, 1);
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(o.model, model);
    QCOMPARE(m_client->host.started, QList<ListModel *>{model});
    QVERIFY(!model->isSynchronizing());
    const quint32 id = model->taskList()->serverId();
    QVERIFY(id != 0);
    QCOMPARE(model->taskList()->syncStatus(), TaskList::Unedited);
    QCOMPARE(requestLines(*m_server), (QStringList{"POST /lists", QStringLiteral("GET /lists/%1").arg(id)}));
    QCOMPARE(serverTitles(*m_server, id), QStringList{"Tickets"});
    QCOMPARE(groups->findListByLocalId(7)->serverId(), id);
}

void TstSingleListSynchronizer::editedListIsUploaded()
{
    ListModel *model = syncedList(QStringLiteral("Books"), {"Dune", "Emma"});
    QVERIFY(model);
    const quint32 id = model->taskList()->serverId();
    SyncClient::editFirstTask(model, QStringLiteral("Dune Messiah"));
    const Outcome o = runFor(model);
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(requestLines(*m_server),
             (QStringList{QStringLiteral("GET /users/alice/list-info/%1").arg(id), QStringLiteral("PUT /lists/%1").arg(id),
                          QStringLiteral("GET /lists/%1").arg(id)}));
    QCOMPARE(serverTitles(*m_server, id), (QStringList{"Dune Messiah", "Emma"}));
    QCOMPARE(SyncClient::titles(model), serverTitles(*m_server, id));
    QCOMPARE(model->taskList()->revision(), m_server->revision(id));
    QCOMPARE(model->taskList()->syncStatus(), TaskList::Unedited);
}

void TstSingleListSynchronizer::unchangedListMakesNoListRequest()
{
    ListModel *model = syncedList(QStringLiteral("Books"), {"Dune"});
    QVERIFY(model);
    const Outcome o = runFor(model);
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(requestLines(*m_server),
             QStringList{QStringLiteral("GET /users/alice/list-info/%1").arg(model->taskList()->serverId())});
}

void TstSingleListSynchronizer::listGoneFromServerIsPurged_data()
{
    QTest::addColumn<int>("goneStatus");
    QTest::addColumn<bool>("editedHere");
    QTest::addColumn<bool>("untypedRowHere");
    QTest::addColumn<bool>("sentWhole");
    QTest::newRow("404") << 404 << false << false << false;
    QTest::newRow("410") << 410 << false << false << false;
    QTest::newRow("404, a task retitled here: kept for the full run") << 404 << true << false << false;
    QTest::newRow("410, a task retitled here: kept for the full run") << 410 << true << false << false;
    QTest::newRow("404, a row opened below a subtask here and left untyped") << 404 << false << true << false;
    QTest::newRow("404, marked whole by a forced remote run that never looked, unchanged here: the removal holds")
        << 404 << false << false << true;
}

// A list another computer removed goes, unless it changed here since: that
// waits for the full run, which puts it back with the change. A forced run's
// mark is no change.
void TstSingleListSynchronizer::listGoneFromServerIsPurged()
{
    QFETCH(int, goneStatus);
    QFETCH(bool, editedHere);
    QFETCH(bool, untypedRowHere);
    QFETCH(bool, sentWhole);
    ListModel *model = syncedList(QStringLiteral("Books"), {"Dune"});
    QVERIFY(model);
    const QModelIndex dune = model->index(0, 0);
    if (untypedRowHere) {
        // Dune holds a subtask both sides agree on.
        QVERIFY(model->insertRows(0, 1, dune));
        QVERIFY(model->setData(model->index(0, 0, dune), QStringLiteral("Notes"), Qt::EditRole));
        QVERIFY(runFor(model).ok);
    }
    m_server->respondOnce("GET", "list-info/", goneStatus);
    if (editedHere)
        SyncClient::editFirstTask(model, QStringLiteral("Changed"));
    if (sentWhole)
        ForcedRuns::prepareForceRemote(&m_client->lists, nullptr);
    // Return on the subtask: a row below it, nobody types into it.
    if (untypedRowHere) {
        model->saveUndoState();
        QVERIFY(model->insertRows(1, 1, model->index(0, 0)));
        QCOMPARE(model->taskList()->syncStatus(), TaskList::Edited);
    }
    m_server->removeList(model->taskList()->serverId());
    QSignalSpy removed(&m_client->lists, &UserLists::listRemoved);
    const Outcome o = runFor(model);
    if (editedHere) {
        QVERIFY(!o.ok);
        QCOMPARE(o.message, SingleListSynchronizer::waitsForRemovalText(QStringLiteral("Books")));
        QCOMPARE(removed.count(), 0);
        QCOMPARE(m_client->lists.models().size(), 1);
        QCOMPARE(SyncClient::titles(model), QStringList{"Changed"});
        QCOMPARE(model->taskList()->syncStatus(), TaskList::Edited);
        return;
    }
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(o.model, nullptr);
    QCOMPARE(removed.count(), 1);
    QVERIFY(m_client->lists.models().isEmpty());
}

void TstSingleListSynchronizer::listInfoAnswers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("wrongPassword");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("debugLine");
    const QByteArray noInfo = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>pd-list-info</title></head>"
                              "<body><p>nothing</p></body></html>";
    QTest::newRow("500") << 500 << QByteArray() << false << "Unexpected response: Internal Server Error"
                         << "SingleListSynchronizer::onListRequestFinished(),Unexpected response. Error code: 500";
    QTest::newRow("200 without a summary")
        << 200 << noInfo << false << "Could not parse retrieved list info."
        << "SingleListSynchronizer::onListRequestFinished(),Could not parse retrieved list info.";
    QTest::newRow("wrong password") << 0 << QByteArray() << true << "Authorization failure." << "";
}

void TstSingleListSynchronizer::listInfoAnswers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, wrongPassword);
    QFETCH(QString, message);
    QFETCH(QString, debugLine);
    ListModel *model = syncedList(QStringLiteral("Books"), {"Dune"});
    QVERIFY(model);
    SyncClient::editFirstTask(model, QStringLiteral("Changed"));
    if (status)
        m_server->respondOnce("GET", "list-info/", status, body);
    if (wrongPassword)
        ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("wrong"));
    MessageLog log;
    const Outcome o = runFor(model);
    QVERIFY(o.ended);
    QVERIFY(!o.ok);
    QCOMPARE(o.message, message);
    QCOMPARE(o.model, model);
    QVERIFY(!model->isSynchronizing());
    if (!debugLine.isEmpty())
        QVERIFY2(log.lines.contains(QStringLiteral("debug: ") + debugLine), qPrintable(log.lines.join('\n')));
    QCOMPARE(m_server->requests("PUT", "^/lists/").size(), 0);
    QCOMPARE(model->taskList()->syncStatus(), TaskList::Edited);
}

void TstSingleListSynchronizer::sharingDecision_data()
{
    QTest::addColumn<quint32>("local");
    QTest::addColumn<quint32>("server");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("owned");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("message");
    QTest::newRow("3 below 5: fetched") << 3u << 5u << false << true << "GET" << "";
    QTest::newRow("5 and 5, edited: uploaded") << 5u << 5u << true << true << "PUT" << "";
    QTest::newRow("5 and 5: nothing") << 5u << 5u << false << true << "" << "";
    QTest::newRow("6 above 5: started anew, the server's taken, the tab tells") << 6u << 5u << false << true << "GET"
                                                                                << "";
    QTest::newRow("not owned: nothing") << 3u << 5u << true << false << "" << "";
}

void TstSingleListSynchronizer::sharingDecision()
{
    QFETCH(quint32, local);
    QFETCH(quint32, server);
    QFETCH(bool, edited);
    QFETCH(bool, owned);
    QFETCH(QString, request);
    QFETCH(QString, message);
    const QString owner = owned ? QStringLiteral("alice") : QStringLiteral("bob");
    const quint32 id = m_server->addList(owner, QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    if (!owned)
        m_server->share(id, QStringLiteral("alice"), QStringLiteral("rw"));
    ListModel *model = syncedList(QStringLiteral("Other"), {"x"});
    model = m_client->model(QStringLiteral("Books"));
    QVERIFY(model);
    QCOMPARE(model->taskList()->isOwned(), owned);
    FakeList list = m_server->list(id);
    list.sharedRevision = server;
    if (owned)
        list.sharing.insert(QStringLiteral("bob"), QStringLiteral("r"));
    m_server->putList(list);
    model->restoreSharedRevision(local);
    if (edited) {
        model->setSharedUsers({{QStringLiteral("bob"), QStringLiteral("rw")}});
        model->setSharedEdited(true);
    }
    m_server->clearRequests();
    const Outcome o = runFor(model);
    QVERIFY(o.ended);
    QCOMPARE(o.message, message);
    QCOMPARE(o.ok, message.isEmpty());
    const QList<FakeRequest> sharing = m_server->requests({}, "sharingV3$");
    QCOMPARE(sharing.size(), request.isEmpty() ? 0 : 1);
    if (!request.isEmpty())
        QCOMPARE(QString::fromLatin1(sharing.first().method), request);
    if (request == "GET")
        QCOMPARE(model->sharedRevision(), server);
    if (request == "PUT")
        QCOMPARE(m_server->sharing(id).value("bob"), QStringLiteral("rw"));
    if (local > server) {
        QCOMPARE(model->sharedUsers().value("bob"), QStringLiteral("r"));
        QCOMPARE(ListOutcome::untoldText(model), ListOutcome::sharingText({QStringLiteral("Books")}));
    }
}

void TstSingleListSynchronizer::incompleteSettings()
{
    ListModel *model = m_client->addList(QStringLiteral("Trip"), {"Tickets"});
    ServerSettings::instance()->setSettings(m_server->url(), QString(), QStringLiteral("secret"));
    const Outcome o = runFor(model);
    QVERIFY(o.ended);
    QCOMPARE(o.message, QStringLiteral("Settings required for sync are not complete."));
    QVERIFY(!model->isSynchronizing());
    QVERIFY(m_server->requests().isEmpty());
}

void TstSingleListSynchronizer::cancel_data()
{
    QTest::addColumn<QString>("stalled"); // empty: cancel before start
    QTest::addColumn<bool>("shareEdited");
    QTest::addColumn<QString>("message");
    QTest::newRow("list info in flight") << "list-info/" << false << "Request canceled";
    QTest::newRow("list step in flight") << "^/lists/\\d+$" << false << "Request canceled";
    QTest::newRow("sharing step in flight") << "sharingV3$" << true << "Request canceled";
    QTest::newRow("nothing in flight") << "" << false << "Sync canceled";
}

// A cancelled run ends failed once, leaves nothing queued, and the next run
// levels both sides.
void TstSingleListSynchronizer::cancel()
{
    QFETCH(QString, stalled);
    QFETCH(bool, shareEdited);
    QFETCH(QString, message);
    ListModel *model = syncedList(QStringLiteral("Books"), {"Dune"});
    QVERIFY(model);
    const quint32 id = model->taskList()->serverId();
    SyncClient::editFirstTask(model, QStringLiteral("Changed"));
    if (shareEdited) {
        model->setSharedUsers({{QStringLiteral("bob"), QStringLiteral("r")}});
        model->setSharedEdited(true);
    }
    Outcome o;
    {
        SingleListSynchronizer sync(&m_client->lists, &m_client->host, model);
        connect(&sync, &SingleListSynchronizer::failed, this,
                [&o](const QString &text, SingleListSynchronizer *, ListModel *m) {
                    o.message = text;
                    o.model = m;
                    ++o.endings;
                });
        if (!stalled.isEmpty()) {
            m_server->stall(stalled, true);
            sync.start();
            QVERIFY(QTest::qWaitFor([&] { return !m_server->requests({}, stalled).isEmpty(); }, 10000));
        }
        sync.cancel();
        QTRY_COMPARE(o.endings, 1);
        sync.cancel();
        QTest::qWait(20);
        QCOMPARE(o.endings, 1);
        QCOMPARE(o.message, message);
        QVERIFY(!model->isSynchronizing());
    }
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    const Outcome again = runFor(model);
    QVERIFY2(again.ok, qPrintable(again.message));
    QCOMPARE(serverTitles(*m_server, id), QStringList{"Changed"});
    if (shareEdited)
        QCOMPARE(m_server->sharing(id).value("bob"), QStringLiteral("r"));
}

void TstSingleListSynchronizer::listRemovedBeforeStart()
{
    ListModel *model = m_client->addList(QStringLiteral("Trip"), {"Tickets"});
    SingleListSynchronizer sync(&m_client->lists, &m_client->host, model);
    m_client->lists.purgeList(model->taskList());
    const Outcome o = run(sync);
    QVERIFY(o.ended);
    QCOMPARE(o.message, QStringLiteral("The list was removed before its sync began."));
    QCOMPARE(o.model, nullptr);
    QVERIFY(m_server->requests().isEmpty());
}

void TstSingleListSynchronizer::listRemovedMidRun()
{
    ListModel *model = syncedList(QStringLiteral("Books"), {"Dune"});
    QVERIFY(model);
    SyncClient::editFirstTask(model, QStringLiteral("Changed"));
    m_server->delay(QStringLiteral("list-info/"), 200, true);
    connect(m_server.get(), &FakeServer::requestReceived, this, [&](const FakeRequest &req) {
        if (req.path.contains(QLatin1String("list-info")) && m_client->model("Books"))
            m_client->lists.purgeList(m_client->model("Books")->taskList());
    });
    const Outcome o = runFor(model);
    disconnect(m_server.get(), &FakeServer::requestReceived, this, nullptr);
    QVERIFY(o.ended);
    QCOMPARE(o.endings, 1);
    QCOMPARE(o.message, QStringLiteral("The list was removed during its sync."));
    QCOMPARE(o.model, nullptr);
    QCOMPARE(m_server->requests("PUT", "^/lists/").size(), 0);
}

void TstSingleListSynchronizer::postAcceptedFetchFailedIsFetchedNext()
{
    ListModel *model = m_client->addList(QStringLiteral("Trip"), {"Tickets"});
    m_server->respondOnce("GET", "^/lists/\\d+$", 500);
    Outcome o = runFor(model);
    QCOMPARE(o.message, QStringLiteral("Failed to retrieve list."));
    const quint32 id = model->taskList()->serverId();
    QVERIFY(id != 0);
    QCOMPARE(model->taskList()->revision(), ListSynchronizer::NotFetchedRevision);
    m_server->clearRequests();
    o = runFor(model);
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(requestLines(*m_server), (QStringList{QStringLiteral("GET /users/alice/list-info/%1").arg(id),
                                                   QStringLiteral("GET /lists/%1").arg(id)}));
    QCOMPARE(model->taskList()->revision(), m_server->revision(id));
    QCOMPARE(m_server->lists().size(), 1);
}

// A run asks about certificates through the handler the window layer makes
// for it, over the host's window; with no maker set it asks nobody.
void TstSingleListSynchronizer::certificateAskerMadeForTheRun()
{
    struct Asker : SslErrorHandler
    {
        bool askUser(const QStringList &) override { return false; }
    };
    ListModel *model = syncedList(QStringLiteral("Trip"), {QStringLiteral("Tickets")});
    QVERIFY(model);
    int calls = 0;
    SslErrorHandler *made = nullptr;
    QWidget *window = reinterpret_cast<QWidget *>(1);
    SslErrorHandler::setMaker([&](QWidget *over) -> SslErrorHandler * {
        ++calls;
        window = over;
        made = new Asker;
        return made;
    });
    {
        SingleListSynchronizer sync(&m_client->lists, &m_client->host, model);
        const Outcome o = run(sync);
        QVERIFY(o.ended && o.ok);
        QCOMPARE(calls, 1);
        QCOMPARE(window, m_client->host.dialogParent());
        QCOMPARE(sync.sslErrorHandler(), made);
    }
    SslErrorHandler::setMaker({});
    SingleListSynchronizer sync(&m_client->lists, &m_client->host, model);
    QVERIFY(run(sync).ok);
    QCOMPARE(calls, 1);
    QVERIFY(!sync.sslErrorHandler());
}

void TstSingleListSynchronizer::aListThatWaitsForTheFullRunSaysSo_data()
{
    QTest::addColumn<QString>("c");
    QTest::addColumn<bool>("waits");
    QTest::newRow("posted, the answer lost: waits") << "posted in doubt" << true;
    QTest::newRow("a task moved to another list here: waits, nothing sent") << "moved here" << true;
    QTest::newRow("a task changed here, gone from the server's copy: waits, nothing sent")
        << "changed here, gone there" << true;
    QTest::newRow("a task left as it was here, gone from the server's copy: taken") << "unchanged here, gone there"
                                                                                     << false;
    QTest::newRow("a task come into the server's copy, held changed in another list here: waits, nothing taken")
        << "came in there, changed here" << true;
    QTest::newRow("a task come into the server's copy, no list changed here: taken") << "came in there" << false;
    QTest::newRow("a task come into the server's copy, another list changed here without it: taken")
        << "came in there, another changed here" << false;
}

// A list's own run that leaves the list to the next full synchronisation
// sends and takes nothing, and the page is told that the list waits, not
// that its run failed. One that can see all it needs goes on.
void TstSingleListSynchronizer::aListThatWaitsForTheFullRunSaysSo()
{
    QFETCH(QString, c);
    QFETCH(bool, waits);
    ListModel *trip = syncedList(QStringLiteral("Trip"), {"Tickets", "Bags"});
    ListModel *home = syncedList(QStringLiteral("Home"), {"Keys"});
    QVERIFY(trip && home);
    const quint32 tripId = trip->taskList()->serverId();
    const quint32 homeId = home->taskList()->serverId();
    // Another computer takes Bags out of Trip, into Home or not.
    const auto takeBagsOutThere = [&](bool intoHome) {
        FakeList list = m_server->list(tripId);
        FakeTask bags = list.tasks.takeAt(1);
        ++list.revision;
        m_server->putList(list);
        if (!intoHome)
            return;
        FakeList into = m_server->list(homeId);
        bags.id = 0;
        bags.revision = 0;
        into.tasks << bags;
        ++into.revision;
        m_server->putList(into);
    };
    Task *bags = trip->taskList()->rootTask()->child(1);
    ListModel *run = trip;
    if (c == QLatin1String("posted in doubt")) {
        run = m_client->addList(QStringLiteral("Bin"), {"Box"});
        m_server->dropAnswerAfterApplying("POST", QStringLiteral("^/lists$"));
        QVERIFY(!runFor(run).ok);
    } else if (c == QLatin1String("moved here")) {
        Task *copy = bags->movedCopy();
        trip->saveUndoState();
        bags->markLeftByMove();
        trip->removeRows(1, 1, QModelIndex());
        home->appendTask(copy);
    } else if (c.endsWith(QLatin1String("gone there"))) {
        takeBagsOutThere(false);
        if (c.startsWith(QLatin1String("changed")))
            trip->setTaskTitle(bags, QStringLiteral("Big bags"));
        else
            trip->setTaskTitle(trip->taskList()->rootTask()->child(0), QStringLiteral("Train tickets"));
    } else if (c == QLatin1String("came in there, another changed here")) {
        // A task of its own, made by another user at another time.
        FakeTask lamp = FakeTask::make(QStringLiteral("Lamp"));
        setFakeField(lamp.fields, QStringLiteral("created-by"), QStringLiteral("bob"));
        setFakeField(lamp.fields, QStringLiteral("creation-time"), QStringLiteral("2011-02-03T04:05:06"));
        FakeList into = m_server->list(homeId);
        into.tasks << lamp;
        ++into.revision;
        m_server->putList(into);
        trip->setTaskTitle(bags, QStringLiteral("Big bags"));
        run = home;
    } else {
        takeBagsOutThere(true);
        if (c.endsWith(QLatin1String("changed here")))
            trip->setTaskTitle(bags, QStringLiteral("Big bags"));
        run = home;
    }
    const QStringList before = SyncClient::titles(run);
    const QString name = run->taskList()->name();
    m_server->clearRequests();
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    queue.syncSingleListManually(run);
    QTRY_COMPARE_WITH_TIMEOUT(m_client->host.ended.size(), 1, 15000);
    QCOMPARE(m_client->host.ended.first(), run);
    if (!waits) {
        QVERIFY2(m_client->host.failures.isEmpty(), qPrintable(m_client->host.failures.join('|')));
        QVERIFY(m_client->host.waits.isEmpty());
        const QStringList titles = c == QLatin1String("came in there")                         ? QStringList{"Keys", "Bags"}
                                   : c == QLatin1String("came in there, another changed here") ? QStringList{"Keys", "Lamp"}
                                                                                                : QStringList{"Train tickets"};
        QCOMPARE(SyncClient::titles(run), titles);
        return;
    }
    QVERIFY2(m_client->host.failures.isEmpty(), qPrintable(m_client->host.failures.join('|')));
    QCOMPARE(m_client->host.waits.size(), 1);
    const QString expected = c == QLatin1String("posted in doubt")
                                 ? SingleListSynchronizer::waitsForFullSyncText(name)
                             : c == QLatin1String("moved here") ? SingleListSynchronizer::waitsForMovesText(name)
                                                                : SingleListSynchronizer::waitsForOtherListsText(name);
    QCOMPARE(m_client->host.waits.first(), expected);
    QCOMPARE(SyncClient::titles(run), before);
    for (const FakeRequest &r : m_server->requests())
        QVERIFY2(r.method == "GET", qPrintable(r.method + ' ' + r.path));
    if (c == QLatin1String("moved here") || c == QLatin1String("posted in doubt"))
        QCOMPARE(m_server->requests().size(), 0);
}

PLUMDECK_TEST_MAIN(TstSingleListSynchronizer)
#include "tst_singlelistsynchronizer.moc"

void TstSingleListSynchronizer::tooDeepSharedListFailsNamingIt_data()
{
    QTest::addColumn<int>("levels");
    QTest::addColumn<QString>("reason");
    const int past = TaskReaderWriter::maxTaskDepth + 1;
    QTest::newRow("one past the bound") << past
                                        << QStringLiteral("tasks nested more than %1 levels deep").arg(past - 1);
    QTest::newRow("300 levels") << 300 << QStringLiteral("elements nested deeper than 512 levels");
}

// The list's own sync says which list it could not read, leaves it as it is
// and lets it go: a later request for it runs again.
void TstSingleListSynchronizer::tooDeepSharedListFailsNamingIt()
{
    QFETCH(int, levels);
    QFETCH(QString, reason);
    const quint32 deep = m_server->addList(QStringLiteral("bob"), QStringLiteral("Deep"), {FakeTask::nested(2)});
    m_server->share(deep, QStringLiteral("alice"), QStringLiteral("rw"));
    QVERIFY(syncedList(QStringLiteral("Books"), {"Dune"}));
    ListModel *model = m_client->model("Deep");
    QVERIFY(model);
    const quint32 revision = model->taskList()->revision();
    FakeList list = m_server->list(deep);
    list.tasks[0].children[0].children = {FakeTask::nested(levels - 2)};
    // Renamed there too: named as the user knows it here.
    list.name = QStringLiteral("Deeper");
    ++list.revision;
    m_server->putList(list);

    const Outcome o = runFor(model);
    QVERIFY(o.ended);
    QCOMPARE(o.endings, 1);
    QVERIFY(!o.ok);
    QVERIFY2(o.message.startsWith(QStringLiteral("The list \"Deep\" could not be read from the server")),
             qPrintable(o.message));
    QVERIFY2(o.message.contains(reason), qPrintable(o.message));
    QCOMPARE(o.model, model);
    QVERIFY(!model->isSynchronizing());
    QCOMPARE(SyncClient::depth(model), 2);
    QCOMPARE(model->taskList()->revision(), revision);
    QCOMPARE(model->taskList()->syncStatus(), TaskList::Unedited);

    // Through the page's queue, twice: each run ends and frees the list.
    SingleListSyncQueue queue(&m_client->lists, &m_client->host);
    for (int i = 0; i < 2; ++i) {
        m_server->clearRequests();
        queue.syncSingleListManually(model);
        QTRY_COMPARE(queue.runningCount(), 0);
        QCOMPARE(m_server->requests("GET", QStringLiteral("^/lists/%1$").arg(deep)).size(), 1);
        QVERIFY(!model->isSyncPending());
        QVERIFY(!model->isSynchronizing());
    }
    QCOMPARE(m_client->model("Deep"), model);
}
