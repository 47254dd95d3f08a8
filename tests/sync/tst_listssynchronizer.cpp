#include "core/clock.h"
#include "listssyncclient.h"
#include "model/listinfo.h"
#include "model/taskreaderwriter.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/listsynchronizer.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

struct RunResult
{
    bool ended = false;
    bool ok = false;
    QString error;
    QStringList texts;
    QList<int> positions; // absolute positions in units of 1000, -1 for 1 of 1
    QList<int> additions;
    int endings = 0;
};

quint32 serverIdOf(const FakeServer &server, const QString &user, const QString &name)
{
    for (const FakeList &l : server.visibleLists(user))
        if (l.name == name)
            return l.id;
    return 0;
}

QStringList serverNames(const FakeServer &server, const QString &user)
{
    QStringList out;
    for (const FakeList &l : server.visibleLists(user))
        out << l.name;
    out.sort();
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

ListsGroupsElementGroup *groupNamed(ListsGroups *groups, const QString &name)
{
    for (ListsGroupsElementGroup *group : groups->rootGroup()->groups())
        if (group->name() == name)
            return group;
    return nullptr;
}

ListsGroupsElementList *entryOf(ListsGroups *groups, const SyncClient &client, const QString &list)
{
    return groups->findList(0, client.model(list)->taskList()->serverId());
}

// As the lists page does: a list it learns of gets a local id and goes
// into the default group.
void placeNewListsAsThePage(SyncClient &client)
{
    QObject::connect(&client.lists, &UserLists::listAdded, &client.lists, [&client](ListModel *model) {
        TaskList *list = model->taskList();
        if (list->localId() == 0)
            list->setLocalId(quint32(client.lists.models().size()) + 100);
        ListsGroups *groups = client.host.listsGroups();
        if (!groups->containsList(list))
            groups->addListToDefaultGroup(list);
    });
}

} // namespace

class TstListsSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyAccountProgress();
    void listsReplacedDuringTheRun_data();
    void listsReplacedDuringTheRun();
    void listsOfEveryKind();
    void serverInfoVersions_data();
    void serverInfoVersions();
    void stepFailures_data();
    void stepFailures();
    void secondRunFailsAtOnce();
    void incompleteSettingsFail();
    void sharingSteps_data();
    void sharingSteps();
    void displayOrderFetched();
    void groupsUploadedWhenEdited();
    void freshGroupsTreeIsFetchedNotUploaded_data();
    void freshGroupsTreeIsFetchedNotUploaded();
    void refusedGroupsUploadIsLogged();
    void groupsChangedOnTwoComputers_data();
    void groupsChangedOnTwoComputers();
    void notepadStep();
    void cancelAtEveryStep_data();
    void cancelAtEveryStep();
    void stalledServerEndsTheRun_data();
    void stalledServerEndsTheRun();
    void listRemovedMidStepEndsTheRun();
    void forcedRemoteSparesListsSharedByOthers();
    void forcedRemoteUploadsEverything();
    void forcedRemoteCutBeforeTheSharesMergesLater();
    void forcedLocalTakesTheServersLists();
    void postAcceptedFetchFailedIsFetchedNextRun();
    void editBeforeFetchGoesUpInPlace();
    void twoClientsConverge();
    void progressStepCountsEveryList();
    void newListGetsItsGroupEntryId();
    void failedPostRecordsNothing();
    void answerWithoutListSetRemovesNothing();
    void expandedStatesSurviveAFetch();
    void tooDeepSharedListIsNamedAndTheRestSyncs_data();
    void tooDeepSharedListIsNamedAndTheRestSyncs();
    void everyUnreadableListIsNamed_data();
    void everyUnreadableListIsNamed();
    void removalFromAnOlderCopy_data();
    void removalFromAnOlderCopy();

private:
    RunResult run(SyncClient &client, bool forceRemote = false, bool forceLocal = false);
    void seedThreeLists();

    std::unique_ptr<CheckedFakeServer> m_server;
    NotepadNotes *m_notes = nullptr;
    TestNotepadView *m_view = nullptr;
};

void TstListsSynchronizer::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    m_server->setStrictCompression(true);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    m_notes = new NotepadNotes;
    m_view = new TestNotepadView(m_notes);
}

void TstListsSynchronizer::cleanup()
{
    dropNotepad(m_notes, m_view);
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
    ServerHttpConnection::instance()->setStallTimeout(HttpConnection::defaultStallTimeoutMs);
}

RunResult TstListsSynchronizer::run(SyncClient &client, bool forceRemote, bool forceLocal)
{
    RunResult r;
    ListsSynchronizer sync(&client.lists, &client.host);
    sync.setForceRemote(forceRemote);
    sync.setForceLocal(forceLocal);
    connect(&sync, &BaseSynchronizer::progress, this, [&r](const QString &text, int done, int total) {
        r.texts << text;
        r.positions << (total == 1000 ? done : -1);
    });
    connect(&sync, &BaseSynchronizer::addProgress, this, [&r](const QString &text, int addition) {
        r.texts << text;
        r.additions << addition;
    });
    connect(&sync, &BaseSynchronizer::finished, this, [&r](bool ok) {
        r.ok = ok;
        ++r.endings;
    });
    sync.start();
    r.ended = QTest::qWaitFor([&r] { return r.endings > 0; }, 20000);
    QTest::qWait(20);
    r.error = sync.errorString();
    return r;
}

void TstListsSynchronizer::seedThreeLists()
{
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Chores"), {FakeTask::make(QStringLiteral("Dishes"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Drafts"), {FakeTask::make(QStringLiteral("Letter"))});
}

// ---------------------------------------------------------------------------

void TstListsSynchronizer::emptyAccountProgress()
{
    SyncClient client;
    const RunResult r = run(client);
    QVERIFY(r.ended);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.endings, 1);
    const QStringList head{"Contacting server...", "Checking available lists...", "0 lists visible on server.",
                           "Downloading list display order", "Downloading lists groups info"};
    QCOMPARE(r.texts.mid(0, 5), head);
    QCOMPARE(r.positions.mid(0, 5), (QList<int>{0, 50, 100, 650, 700}));
    QCOMPARE(r.texts.last(), QStringLiteral("Succeeded."));
    QCOMPARE(r.positions.last(), -1);
    QCOMPARE(client.lists.models().size(), 0);
    QCOMPARE(requestLines(*m_server).mid(0, 4),
             (QStringList{"GET /", "GET /users/alice/lists-info", "GET /users/alice/lists-display-order",
                          "GET /users/alice/list-groups-display-order"}));
}

void TstListsSynchronizer::listsOfEveryKind()
{
    seedThreeLists();
    SyncClient client;
    RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(sorted(client.names()), (QStringList{"Books", "Chores", "Drafts"}));
    QVERIFY(r.texts.contains(QStringLiteral("3 lists visible on server.")));
    for (ListModel *m : client.lists.models()) {
        QCOMPARE(m->taskList()->syncStatus(), TaskList::Unedited);
        QCOMPARE(m->taskList()->serverId(), serverIdOf(*m_server, "alice", m->taskList()->name()));
        QCOMPARE(SyncClient::titles(m), serverTitles(*m_server, m->taskList()->serverId()));
    }

    // New here, edited here, deleted here, changed there, new there.
    client.addList(QStringLiteral("Apples"), {"Red", "Green"});
    SyncClient::editFirstTask(client.model("Chores"), QStringLiteral("Dishes done"));
    const quint32 draftsId = client.model("Drafts")->taskList()->serverId();
    client.lists.deleteList(client.model("Drafts")->taskList());
    const quint32 booksId = serverIdOf(*m_server, "alice", "Books");
    FakeList books = m_server->list(booksId);
    books.tasks << FakeTask::make(QStringLiteral("Neuromancer"));
    books.revision = 2;
    m_server->putList(books);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Errands"), {FakeTask::make(QStringLiteral("Post"))});
    m_server->clearRequests();

    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(sorted(client.names()), (QStringList{"Apples", "Books", "Chores", "Errands"}));
    QCOMPARE(serverNames(*m_server, "alice"), (QStringList{"Apples", "Books", "Chores", "Errands"}));
    QVERIFY(m_server->list(draftsId).isNull());
    QVERIFY(client.lists.deletedLists().isEmpty());
    QCOMPARE(SyncClient::titles(client.model("Books")), (QStringList{"Dune", "Neuromancer"}));
    QCOMPARE(serverTitles(*m_server, serverIdOf(*m_server, "alice", "Chores")), QStringList{"Dishes done"});
    QCOMPARE(serverTitles(*m_server, serverIdOf(*m_server, "alice", "Apples")), (QStringList{"Red", "Green"}));
    for (ListModel *m : client.lists.models()) {
        QCOMPARE(m->taskList()->syncStatus(), TaskList::Unedited);
        QCOMPARE(SyncClient::titles(m), serverTitles(*m_server, m->taskList()->serverId()));
    }
    // A new list made the order go up, in the client's order.
    QList<quint32> order;
    for (TaskList *l : client.lists.taskLists())
        order << l->serverId();
    QCOMPARE(m_server->storedListOrder("alice"), order);
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 1);
    QCOMPARE(m_server->requests("DELETE", "^/lists/").size(), 1);
    QCOMPARE(m_server->requests("PUT", "^/lists/\\d+$").size(), 1);

    // Nothing changed: no list goes up or down.
    m_server->clearRequests();
    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(m_server->requests({}, "^/lists").size(), 0);
}

void TstListsSynchronizer::serverInfoVersions_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("oldest");
    QTest::addColumn<QString>("error");
    QTest::newRow("8 and 8") << 8 << 8 << "server is running protocol version 8 and we require 9";
    QTest::newRow("9 and 10") << 10 << 10 << "server requires protocol version 10 and we only do 9";
    QTest::newRow("9 and 9") << 9 << 9 << "";
    QTest::newRow("10 and 9") << 10 << 9 << "";
}

void TstListsSynchronizer::serverInfoVersions()
{
    QFETCH(int, protocol);
    QFETCH(int, oldest);
    QFETCH(QString, error);
    m_server->setServerInfo(protocol, oldest);
    SyncClient client;
    const RunResult r = run(client);
    QVERIFY(r.ended);
    QCOMPARE(r.ok, error.isEmpty());
    QCOMPARE(r.error, error);
    if (!error.isEmpty()) {
        QCOMPARE(requestLines(*m_server), QStringList{"GET /"});
        QCOMPARE(r.texts.mid(r.texts.size() - 2), (QStringList{error, "Sync failed."}));
    }
}

void TstListsSynchronizer::stepFailures_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QByteArray none;
    const QByteArray notADoc = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head>"
                               "<body><p>nothing</p></body></html>";
    QTest::newRow("server info 500") << QByteArray("GET") << "^/$" << 500 << none
                                     << "Unexpected response 500 Internal Server Error";
    QTest::newRow("lists info 503") << QByteArray("GET") << "lists-info$" << 503 << none
                                    << "Unexpected response: Service Unavailable";
    const QByteArray badInfos = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>pd-list-infos</title></head>"
                                "<body><ul class=\"pd-list-infos\"><li class=\"other\"/></ul></body></html>";
    const QByteArray badRefs = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>pd-list-refs</title></head>"
                               "<body><ul class=\"pd-list-refs\"><li class=\"pd-list-ref\"><span>7</span></li></ul>"
                               "</body></html>";
    QTest::newRow("lists info unreadable") << QByteArray("GET") << "lists-info$" << 200 << badInfos
                                           << "Could not parse retrieved list set.";
    QTest::newRow("list fetch 500") << QByteArray("GET") << "^/lists/\\d+$" << 500 << none
                                    << "Failed to retrieve list.";
    QTest::newRow("order fetch 500") << QByteArray("GET") << "lists-display-order$" << 500 << none
                                     << "Unexpected response 500 Internal Server Error";
    QTest::newRow("order unreadable") << QByteArray("GET") << "lists-display-order$" << 200 << badRefs
                                      << "Could not parse retrieved list order.";
    QTest::newRow("groups fetch 500") << QByteArray("GET") << "list-groups-display-order$" << 500 << none
                                      << "Unexpected response 500 Internal Server Error";
    QTest::newRow("groups unreadable") << QByteArray("GET") << "list-groups-display-order$" << 200 << notADoc
                                       << "Could not parse retrieved groups.";
    QTest::newRow("notes info 500") << QByteArray("GET") << "notepad-notes-info$" << 500 << none
                                    << "Unexpected response: Internal Server Error";
}

// Every failure ends the run once with its text; the next run works and
// brings both sides level.
void TstListsSynchronizer::stepFailures()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->respondOnce(method, path, status, body);
    SyncClient client;
    RunResult r = run(client);
    QVERIFY(r.ended);
    QVERIFY(!r.ok);
    QCOMPARE(r.endings, 1);
    QCOMPARE(r.error, error);
    QCOMPARE(r.texts.last(), QStringLiteral("Sync failed."));

    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(client.names(), QStringList{"Books"});
    QCOMPARE(SyncClient::titles(client.model("Books")), QStringList{"Dune"});
}

void TstListsSynchronizer::secondRunFailsAtOnce()
{
    SyncClient client;
    ListsSynchronizer first(&client.lists, &client.host);
    QCOMPARE(ListsSynchronizer::running(), &first);
    RunResult r = run(client);
    QVERIFY(r.ended);
    QVERIFY(!r.ok);
    QCOMPARE(r.error, QStringLiteral("A synchronisation is already running."));
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(ListsSynchronizer::running(), &first);
}

void TstListsSynchronizer::incompleteSettingsFail()
{
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QString());
    SyncClient client;
    const RunResult r = run(client);
    QVERIFY(r.ended);
    QCOMPARE(r.error, QStringLiteral("Settings required for sync are not complete."));
    QVERIFY(m_server->requests().isEmpty());
}

void TstListsSynchronizer::sharingSteps_data()
{
    QTest::addColumn<quint32>("localRevision");
    QTest::addColumn<quint32>("serverRevision");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("error");
    QTest::newRow("server newer: fetched") << 1u << 3u << false << "GET" << "";
    QTest::newRow("same, edited: uploaded") << 3u << 3u << true << "PUT" << "";
    QTest::newRow("same, not edited: nothing") << 3u << 3u << false << "" << "";
    QTest::newRow("local newer: started anew, put together with the server's, told") << 4u << 3u << false << "GET"
                                                                                       << "";
}

void TstListsSynchronizer::sharingSteps()
{
    QFETCH(quint32, localRevision);
    QFETCH(quint32, serverRevision);
    QFETCH(bool, edited);
    QFETCH(QString, request);
    QFETCH(QString, error);
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"),
                                         {FakeTask::make(QStringLiteral("Dune"))});
    SyncClient client;
    QVERIFY(run(client).ok);
    FakeList list = m_server->list(id);
    list.sharedRevision = serverRevision;
    list.sharing.insert(QStringLiteral("bob"), QStringLiteral("r"));
    m_server->putList(list);
    ListModel *model = client.model("Books");
    model->restoreSharedRevision(localRevision);
    if (edited) {
        model->setSharedUsers({{QStringLiteral("bob"), QStringLiteral("rw")}});
        model->setSharedEdited(true);
    }
    m_server->clearRequests();
    ModalAnswerer boxes;
    const RunResult r = run(client);
    QCOMPARE(r.error, error);
    QCOMPARE(m_server->requests({}, "sharingV3$").size(), request.isEmpty() ? 0 : 1);
    QCOMPARE(boxes.texts, localRevision > serverRevision ? QStringList{ListOutcome::sharingText({"Books"})}
                                                         : QStringList());
    if (request == "GET") {
        QCOMPARE(model->sharedRevision(), serverRevision);
        QCOMPARE(model->sharedUsers().value("bob"), QStringLiteral("r"));
    } else if (request == "PUT") {
        QCOMPARE(m_server->sharing(id).value("bob"), QStringLiteral("rw"));
        QCOMPARE(model->sharedRevision(), serverRevision + 1);
        QVERIFY(!model->isSharedEdited());
    }
}

void TstListsSynchronizer::displayOrderFetched()
{
    seedThreeLists();
    SyncClient client;
    QVERIFY(run(client).ok);
    QList<quint32> ids;
    for (TaskList *l : client.lists.taskLists())
        ids << l->serverId();
    std::reverse(ids.begin(), ids.end());
    m_server->setListOrder(QStringLiteral("alice"), ids);
    m_server->clearRequests();
    QVERIFY(run(client).ok);
    QList<quint32> now;
    for (TaskList *l : client.lists.taskLists())
        now << l->serverId();
    QCOMPARE(now, ids);
    QCOMPARE(m_server->requests("PUT", "lists-display-order$").size(), 0);

    // Moved here: the order goes up.
    client.lists.moveList(0, 2);
    QVERIFY(client.lists.isDisplayOrderChanged());
    QVERIFY(run(client).ok);
    now.clear();
    for (TaskList *l : client.lists.taskLists())
        now << l->serverId();
    QCOMPARE(m_server->storedListOrder("alice"), now);
    QVERIFY(!client.lists.isDisplayOrderChanged());
}

void TstListsSynchronizer::groupsUploadedWhenEdited()
{
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    SyncClient client;
    QVERIFY(run(client).ok);
    ListsGroups *groups = client.host.listsGroups();
    QVERIFY(!groups->isEditedSinceSync());
    ListsGroupsElementGroup *reading = groups->addGroup(groups->rootGroup());
    groups->setGroupName(reading, QStringLiteral("Reading"));
    groups->addListToGroup(client.model("Books")->taskList(), reading);
    QVERIFY(groups->isEditedSinceSync());
    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.texts.contains(QStringLiteral("Uploading lists groups info")));
    const FakeGroup root = m_server->groups(QStringLiteral("alice"));
    QCOMPARE(root.children.size(), 1);
    QCOMPARE(root.children[0].name, QStringLiteral("Reading"));
    QCOMPARE(root.children[0].lists, QList<quint32>{client.model("Books")->taskList()->serverId()});
    // The server's copy, with its ids, replaced ours.
    ListsGroups *after = client.host.listsGroups();
    QCOMPARE(after->rootGroup()->groupCount(), 1);
    QVERIFY(after->rootGroup()->groups()[0]->serverId() != 0);
    QVERIFY(!after->isEditedSinceSync());
    QVERIFY(after->isModified());
}

void TstListsSynchronizer::freshGroupsTreeIsFetchedNotUploaded_data()
{
    QTest::addColumn<bool>("groupMade"); // before the first run here
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing in it") << false << "[]Work([Books])";
    QTest::newRow("a group made before the first run: added to the server's") << true << "[]Mine([])Work([Books])";
}

void TstListsSynchronizer::freshGroupsTreeIsFetchedNotUploaded()
{
    QFETCH(bool, groupMade);
    QFETCH(QString, expected);
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"),
                                         {FakeTask::make(QStringLiteral("Dune"))});
    FakeGroup root;
    FakeGroup work;
    work.id = 10;
    work.name = QStringLiteral("Work");
    work.lists << id;
    root.children << work;
    m_server->setGroups(QStringLiteral("alice"), root);
    SyncClient client; // a fresh tree: edited since sync, nothing in it
    QVERIFY(client.host.listsGroups()->isEditedSinceSync());
    if (groupMade) {
        ListsGroups *groups = client.host.listsGroups();
        groups->setGroupName(groups->addGroup(groups->rootGroup()), QStringLiteral("Mine"));
    }
    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(m_server->requests("PUT", "list-groups-display-order$").size(), groupMade ? 1 : 0);
    QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), expected);
    QCOMPARE(client.groupsOutline(), expected);
}

void TstListsSynchronizer::refusedGroupsUploadIsLogged()
{
    SyncClient client;
    QVERIFY(run(client).ok);
    ListsGroups *groups = client.host.listsGroups();
    groups->setGroupName(groups->addGroup(groups->rootGroup()), QStringLiteral("Mine"));
    m_server->setGroupsPutStatus(403);
    MessageLog log;
    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(log.lines.contains(QStringLiteral("warning: groups upload refused (403); server copy taken")));
    QCOMPARE(client.host.listsGroups()->rootGroup()->groupCount(), 0);
    QCOMPARE(m_server->groups(QStringLiteral("alice")).children.size(), 0);
}

void TstListsSynchronizer::groupsChangedOnTwoComputers_data()
{
    QTest::addColumn<QString>("there"); // what A does beside making Work with Books in it
    QTest::addColumn<QString>("here");  // what B then does from its older tree
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("puts"); // B's uploads of the tree
    QTest::newRow("another group made here") << "" << "make Trips" << "[Chores Drafts]Home([Garden])Work([Books])Trips([])" << 1;
    QTest::newRow("a list moved up here") << "" << "move Drafts up" << "[Drafts Chores]Home([Garden])Work([Books])" << 1;
    QTest::newRow("another group renamed here") << "" << "rename Home" << "[Chores Drafts]House([Garden])Work([Books])" << 1;
    QTest::newRow("one group renamed on both: here") << "rename Home" << "rename Home"
                                                    << "[Chores Drafts]House([Garden])Work([Books])" << 1;
    // The removal was all there was to send.
    QTest::newRow("removed here, a list put in it there") << "put Chores in Home" << "remove Home"
                                                          << "[Drafts]Home([Garden Chores])Work([Books])" << 0;
    QTest::newRow("removed there, a list put in it here") << "remove Home" << "put Chores in Home"
                                                          << "[Drafts]Home([Garden Chores])Work([Books])" << 1;
    QTest::newRow("not changed here, a list made there fetched") << "make Errands in Work" << ""
                                                                 << "[Chores Drafts]Home([Garden])Work([Books Errands])" << 0;
}

// A makes the group Work, moves Books into it and synchronises; B, from its
// older tree, changes it another way and synchronises: each keeps what it
// did, both end with the server's tree, and a quiet run sends nothing.
void TstListsSynchronizer::groupsChangedOnTwoComputers()
{
    QFETCH(QString, there);
    QFETCH(QString, here);
    QFETCH(QString, expected);
    QFETCH(int, puts);
    seedThreeLists();
    const quint32 garden = m_server->addList(QStringLiteral("alice"), QStringLiteral("Garden"), {});
    FakeGroup root{0, {}, true, {}, {FakeGroup{5, QStringLiteral("Home"), true, {garden}, {}}}};
    for (const FakeList &list : m_server->visibleLists(QStringLiteral("alice")))
        if (list.id != garden)
            root.lists << list.id;
    m_server->setGroups(QStringLiteral("alice"), root);
    SyncClient a, b;
    placeNewListsAsThePage(a);
    placeNewListsAsThePage(b);
    QVERIFY(run(a).ok);
    QVERIFY(run(b).ok);
    QCOMPARE(b.groupsOutline(), QStringLiteral("[Books Chores Drafts]Home([Garden])"));

    // Each change of one computer, on its own tree.
    const auto change = [](SyncClient &client, const QString &what, bool here) {
        ListsGroups *groups = client.host.listsGroups();
        if (what == QLatin1String("make Trips")) {
            groups->setGroupName(groups->addGroupToDefaultGroup(), QStringLiteral("Trips"));
        } else if (what == QLatin1String("move Drafts up")) {
            groups->moveListUp(entryOf(groups, client, QStringLiteral("Drafts")));
        } else if (what == QLatin1String("rename Home")) {
            groups->setGroupName(groupNamed(groups, QStringLiteral("Home")),
                                 here ? QStringLiteral("House") : QStringLiteral("Casa"));
        } else if (what == QLatin1String("put Chores in Home")) {
            groups->userMoveListToGroup(entryOf(groups, client, QStringLiteral("Chores")),
                                        groupNamed(groups, QStringLiteral("Home")));
        } else if (what == QLatin1String("remove Home")) {
            groups->removeGroup(groupNamed(groups, QStringLiteral("Home")));
        } else if (what == QLatin1String("make Errands in Work")) {
            ListModel *errands = client.addList(QStringLiteral("Errands"), {"Stamps"});
            groups->userMoveListToGroup(groups->findListByLocalId(errands->taskList()->localId()),
                                        groupNamed(groups, QStringLiteral("Work")));
        }
    };
    ListsGroups *groups = a.host.listsGroups();
    ListsGroupsElementGroup *work = groups->addGroupToDefaultGroup();
    groups->setGroupName(work, QStringLiteral("Work"));
    groups->userMoveListToGroup(entryOf(groups, a, QStringLiteral("Books")), work);
    change(a, there, false);
    QVERIFY(run(a).ok);

    change(b, here, true);
    m_server->clearRequests();
    QVERIFY(run(b).ok);
    QCOMPARE(m_server->requests("PUT", "list-groups-display-order$").size(), puts);
    QVERIFY(run(a).ok);
    QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), expected);
    QCOMPARE(a.groupsOutline(), expected);
    QCOMPARE(b.groupsOutline(), expected);

    m_server->clearRequests();
    QVERIFY(run(b).ok);
    QCOMPARE(m_server->requests({}, "list-groups-display-order$").size(), 1);
    QCOMPARE(m_server->requests("GET", "list-groups-display-order$").size(), 1);
}

void TstListsSynchronizer::notepadStep()
{
    const quint32 there = m_server->addNote(QStringLiteral("alice"), QStringLiteral("There"), QStringLiteral("t"));
    auto *note = new NotepadNote;
    note->setTitle(QStringLiteral("Here"));
    note->setText(QStringLiteral("h"));
    m_notes->appendNote(note);
    SyncClient client;
    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 2);
    QCOMPARE(m_notes->notes().size(), 2);
    QVERIFY(m_notes->indexOfServerId(there) >= 0);
    QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
    QVERIFY(!m_server->note(note->serverId()).isNull());
}

void TstListsSynchronizer::cancelAtEveryStep_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("server info") << "^/$";
    QTest::newRow("lists info") << "lists-info$";
    QTest::newRow("list post") << "^/lists$";
    QTest::newRow("list fetch") << "^/lists/\\d+$";
    QTest::newRow("sharing") << "sharingV3$";
    QTest::newRow("display order") << "lists-display-order$";
    QTest::newRow("groups") << "list-groups-display-order$";
    QTest::newRow("notes info") << "notepad-notes-info$";
    QTest::newRow("note") << "^/notepad-notes";
}

// The user cancels while the request of each step waits: the run goes with
// its request, nothing stays queued, and the next run levels both sides.
void TstListsSynchronizer::cancelAtEveryStep()
{
    QFETCH(QString, path);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("Idea"), QStringLiteral("x"));
    SyncClient client;
    ListModel *mine = client.addList(QStringLiteral("Mine"), {"One"});
    mine->setSharedUsers({{QStringLiteral("bob"), QStringLiteral("r")}});
    mine->setSharedEdited(true);
    m_server->stall(path, true);
    {
        auto *sync = new ListsSynchronizer(&client.lists, &client.host);
        QSignalSpy finished(sync, &BaseSynchronizer::finished);
        sync->start();
        QVERIFY(QTest::qWaitFor([&] {
            for (const FakeRequest &req : m_server->requests())
                if (QRegularExpression(path).match(req.path).hasMatch() && req.status == 0)
                    return true;
            return false;
        }, 10000));
        QCOMPARE(finished.count(), 0);
        delete sync;
        QCOMPARE(finished.count(), 0);
    }
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);

    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(sorted(client.names()), (QStringList{"Books", "Mine"}));
    QCOMPARE(serverNames(*m_server, "alice"), (QStringList{"Books", "Mine"}));
    QCOMPARE(m_server->sharing(client.model("Mine")->taskList()->serverId()).value("bob"), QStringLiteral("r"));
    QCOMPARE(m_notes->notes().size(), 1);
}

void TstListsSynchronizer::stalledServerEndsTheRun_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("server info") << "^/$";
    QTest::newRow("lists info") << "lists-info$";
    QTest::newRow("list fetch") << "^/lists/\\d+$";
    QTest::newRow("notes info") << "notepad-notes-info$";
}

// A server that takes a request and never answers ends the run as a failure
// instead of leaving it running for good; the next run works.
void TstListsSynchronizer::stalledServerEndsTheRun()
{
    QFETCH(QString, path);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->stall(path, true);
    ServerHttpConnection::instance()->setStallTimeout(300);
    SyncClient client;
    RunResult r = run(client);
    QVERIFY(r.ended);
    QVERIFY(!r.ok);
    QCOMPARE(r.endings, 1);
    QCOMPARE(r.error, QStringLiteral("The server stopped responding (timed out)"));
    QCOMPARE(r.texts.last(), QStringLiteral("Sync failed."));
    QCOMPARE(ListsSynchronizer::running(), nullptr);

    ServerHttpConnection::instance()->setStallTimeout(HttpConnection::defaultStallTimeoutMs);
    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(client.names(), QStringList{"Books"});
}

void TstListsSynchronizer::listRemovedMidStepEndsTheRun()
{
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"),
                                         {FakeTask::make(QStringLiteral("Dune"))});
    SyncClient client;
    QVERIFY(run(client).ok);
    SyncClient::editFirstTask(client.model("Books"), QStringLiteral("Dune Messiah"));
    m_server->delay(QStringLiteral("^/lists/\\d+$"), 300, true);
    connect(m_server.get(), &FakeServer::requestReceived, this, [&](const FakeRequest &req) {
        if (req.method == "PUT" && client.model("Books"))
            client.lists.purgeList(client.model("Books")->taskList());
    });
    RunResult r = run(client);
    disconnect(m_server.get(), &FakeServer::requestReceived, this, nullptr);
    QVERIFY(r.ended);
    QCOMPARE(r.endings, 1);
    QCOMPARE(r.error, QStringLiteral("A list was removed during the sync."));
    QVERIFY(!client.model("Books"));

    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(SyncClient::titles(client.model("Books")), serverTitles(*m_server, id));
}

void TstListsSynchronizer::forcedRemoteSparesListsSharedByOthers()
{
    const quint32 bobs = m_server->addList(QStringLiteral("bob"), QStringLiteral("Bob's"),
                                           {FakeTask::make(QStringLiteral("Hers"))});
    m_server->share(bobs, QStringLiteral("alice"), QStringLiteral("r"));
    const quint32 stray = m_server->addList(QStringLiteral("alice"), QStringLiteral("Stray"),
                                            {FakeTask::make(QStringLiteral("Old"))});
    SyncClient client;
    client.addList(QStringLiteral("Mine"), {"One"});
    const RunResult r = run(client, true);
    QVERIFY(r.ended);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(m_server->list(stray).isNull());
    QVERIFY(!m_server->list(bobs).isNull());
    QCOMPARE(m_server->requests("DELETE", QStringLiteral("^/lists/%1$").arg(bobs)).size(), 0);
    QCOMPARE(sorted(client.names()), (QStringList{"Bob's", "Mine"}));
    QVERIFY(!client.model("Bob's")->taskList()->isOwned());
}

void TstListsSynchronizer::forcedRemoteUploadsEverything()
{
    seedThreeLists();
    SyncClient client;
    QVERIFY(run(client).ok);
    const quint32 books = client.model("Books")->taskList()->serverId();
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Elsewhere"), {FakeTask::make(QStringLiteral("X"))});
    // A row opened below a task and left untyped is no task to send.
    ListModel *booksModel = client.model("Books");
    QVERIFY(booksModel->insertRows(0, 1, booksModel->index(0, 0)));
    ForcedRuns::prepareForceRemote(&client.lists, nullptr);
    m_notes->resetAllNotesToNew();
    m_server->clearRequests();
    const RunResult r = run(client, true);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(serverNames(*m_server, "alice"), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(sorted(client.names()), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(m_server->requests("PUT", "^/lists/\\d+$").size(), 3);
    QCOMPARE(client.model("Books")->taskList()->serverId(), books);
    QVERIFY(m_server->tasks(books).first().children.isEmpty());
    QCOMPARE(m_server->requests("PUT", "sharingV3$").size(), 3);
    QCOMPARE(m_server->requests("PUT", "lists-display-order$").size(), 1);
    QCOMPARE(m_server->requests("PUT", "list-groups-display-order$").size(), 1);
    for (ListModel *m : client.lists.models())
        QCOMPARE(SyncClient::titles(m), serverTitles(*m_server, m->taskList()->serverId()));
}

// A forced run cut short before the shares went up: what it did not upload
// is merged later onto a share made there since.
void TstListsSynchronizer::forcedRemoteCutBeforeTheSharesMergesLater()
{
    for (const char *user : {"carol", "dave"})
        m_server->addUser(QString::fromLatin1(user), QStringLiteral("pw"));
    const quint32 old = m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"),
                                          {FakeTask::make(QStringLiteral("Dune"))});
    FakeList list = m_server->list(old);
    list.sharing = {{QStringLiteral("bob"), QStringLiteral("r")}};
    list.sharedRevision = 2;
    m_server->putList(list);
    SyncClient client;
    QVERIFY(run(client).ok);
    ListModel *books = client.model("Books");
    books->addSharedUser(QStringLiteral("carol"), QStringLiteral("rw"));
    ForcedRuns::prepareForceRemote(&client.lists, m_notes);
    m_server->respondOnce("PUT", "sharingV3$", 500);
    QVERIFY(!run(client, true).ok);
    const quint32 id = books->taskList()->serverId();
    QCOMPARE(id, old);
    m_server->share(id, QStringLiteral("dave"), QStringLiteral("r"));
    list = m_server->list(id);
    list.sharedRevision = 3;
    m_server->putList(list);

    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    const QMap<QString, QString> expected{{QStringLiteral("bob"), QStringLiteral("r")},
                                          {QStringLiteral("carol"), QStringLiteral("rw")},
                                          {QStringLiteral("dave"), QStringLiteral("r")}};
    QCOMPARE(m_server->sharing(id), expected);
    QCOMPARE(books->sharedUsers(), expected);
}

void TstListsSynchronizer::forcedLocalTakesTheServersLists()
{
    seedThreeLists();
    SyncClient client;
    client.addList(QStringLiteral("Local only"), {"Here"});
    client.lists.removeAllLists();
    client.host.setListsGroups(new ListsGroups);
    const RunResult r = run(client, false, true);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(sorted(client.names()), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(serverNames(*m_server, "alice"), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(m_server->requests("PUT", "list-groups-display-order$").size(), 0);
}

// A POST the server accepted whose fetch failed: the list is not posted a
// second time, the next run fetches it.
void TstListsSynchronizer::postAcceptedFetchFailedIsFetchedNextRun()
{
    SyncClient client;
    ListModel *model = client.addList(QStringLiteral("Trip"), {"Tickets", "Bags"});
    model->clearChanged();
    m_server->respondOnce("GET", "^/lists/\\d+$", 500);
    RunResult r = run(client);
    QCOMPARE(r.error, QStringLiteral("Failed to retrieve list."));
    const quint32 id = serverIdOf(*m_server, "alice", "Trip");
    QVERIFY(id != 0);
    QCOMPARE(model->taskList()->serverId(), id);
    QCOMPARE(model->taskList()->revision(), ListSynchronizer::NotFetchedRevision);
    QVERIFY(model->isChanged());

    m_server->clearRequests();
    ModalAnswerer boxes;
    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(m_server->requests("PUT", "^/lists/").size(), 0);
    QCOMPARE(client.names(), QStringList{"Trip"});
    QCOMPARE(serverNames(*m_server, "alice"), QStringList{"Trip"});
    QCOMPARE(client.model("Trip")->taskList()->revision(), m_server->revision(id));
    QCOMPARE(SyncClient::titles(client.model("Trip")), (QStringList{"Tickets", "Bags"}));
    QVERIFY(boxes.titles.isEmpty());
}

// The user changed that list before the fetch: the server's copy still
// holds just what was posted, so the user's version replaces it there, with
// no copy kept beside it and no task twice.
void TstListsSynchronizer::editBeforeFetchGoesUpInPlace()
{
    SyncClient client;
    client.addList(QStringLiteral("Trip"), {"Tickets", "Bags"});
    m_server->respondOnce("GET", "^/lists/\\d+$", 500);
    RunResult r = run(client);
    QVERIFY(!r.ok);
    const quint32 id = serverIdOf(*m_server, "alice", "Trip");
    QCOMPARE(client.model("Trip")->taskList()->serverId(), id);
    SyncClient::editFirstTask(client.model("Trip"), QStringLiteral("Passports"));
    QCOMPARE(client.model("Trip")->taskList()->syncStatus(), TaskList::Edited);

    m_server->clearRequests();
    ModalAnswerer boxes;
    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(client.names(), QStringList{"Trip"});
    QCOMPARE(serverNames(*m_server, "alice"), QStringList{"Trip"});
    QCOMPARE(SyncClient::titles(client.model("Trip")), (QStringList{"Passports", "Bags"}));
    QCOMPARE(serverTitles(*m_server, id), (QStringList{"Passports", "Bags"}));
    QCOMPARE(client.model("Trip")->taskList()->serverId(), id);
    QCOMPARE(client.model("Trip")->taskList()->syncStatus(), TaskList::Unedited);
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(m_server->requests("PUT", "^/lists/").size(), 1);
    QVERIFY(boxes.titles.isEmpty());

    r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(client.lists.models().size(), 1);
    QCOMPARE(serverTitles(*m_server, id), (QStringList{"Passports", "Bags"}));
}

void TstListsSynchronizer::twoClientsConverge()
{
    SyncClient a;
    SyncClient b;
    a.addList(QStringLiteral("Shared plan"), {"Step 1", "Step 2"});
    QVERIFY(run(a).ok);
    QVERIFY(run(b).ok);
    QCOMPARE(b.names(), QStringList{"Shared plan"});
    SyncClient::editFirstTask(b.model("Shared plan"), QStringLiteral("Step 1 done"));
    b.addList(QStringLiteral("From b"), {"Hello"});
    a.addList(QStringLiteral("From a"), {"Hi"});
    QVERIFY(run(b).ok);
    QVERIFY(run(a).ok);
    QVERIFY(run(b).ok);
    const QStringList all{"From a", "From b", "Shared plan"};
    QCOMPARE(sorted(a.names()), all);
    QCOMPARE(sorted(b.names()), all);
    QCOMPARE(serverNames(*m_server, "alice"), all);
    for (const QString &name : all) {
        QCOMPARE(SyncClient::titles(a.model(name)), SyncClient::titles(b.model(name)));
        QCOMPARE(SyncClient::titles(a.model(name)), serverTitles(*m_server, serverIdOf(*m_server, "alice", name)));
        QCOMPARE(a.model(name)->taskList()->serverId(), b.model(name)->taskList()->serverId());
    }
    QCOMPARE(SyncClient::titles(a.model("Shared plan")), (QStringList{"Step 1 done", "Step 2"}));
    QCOMPARE(a.lists.taskLists().size(), b.lists.taskLists().size());
    QList<quint32> orderA, orderB;
    for (TaskList *l : a.lists.taskLists())
        orderA << l->serverId();
    for (TaskList *l : b.lists.taskLists())
        orderB << l->serverId();
    QCOMPARE(orderA, orderB);
}

void TstListsSynchronizer::expandedStatesSurviveAFetch()
{
    FakeTask parent = FakeTask::make(QStringLiteral("Parent"), false, {FakeTask::make(QStringLiteral("Child"))});
    const quint32 id = m_server->addList(QStringLiteral("alice"), QStringLiteral("Tree"), {parent});
    SyncClient client;
    QVERIFY(run(client).ok);
    Task *first = client.model("Tree")->taskList()->rootTask()->children().first();
    const quint32 taskId = first->id();
    const bool flipped = !first->isExpanded();
    first->setExpanded(flipped);
    FakeList list = m_server->list(id);
    list.tasks << FakeTask::make(QStringLiteral("Later"));
    list.revision = 2;
    m_server->putList(list);
    QVERIFY(run(client).ok);
    Task *after = client.model("Tree")->taskList()->rootTask()->children().first();
    QCOMPARE(after->id(), taskId);
    QCOMPARE(after->isExpanded(), flipped);
    QCOMPARE(client.model("Tree")->taskList()->rootTask()->children().size(), 2);
}

// Each list step's share of the range counts the server's lists, the live
// lists and the deleted ones: 2 + 1 + 1 lists share 500 units.
void TstListsSynchronizer::progressStepCountsEveryList()
{
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Old"), {FakeTask::make(QStringLiteral("x"))});
    SyncClient client;
    QVERIFY(run(client).ok);
    client.lists.deleteList(client.model("Old")->taskList());
    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(!r.additions.isEmpty());
    QCOMPARE(r.additions.first(), 125);
}

void TstListsSynchronizer::newListGetsItsGroupEntryId()
{
    SyncClient client;
    ListModel *model = client.addList(QStringLiteral("Trip"), {"Tickets"});
    model->taskList()->setLocalId(7);
    ListsGroups *groups = client.host.listsGroups();
    ListsGroupsElementGroup *travel = groups->addGroup(groups->rootGroup());
    groups->setGroupName(travel, QStringLiteral("Travel"));
    groups->addListToGroup(model->taskList(), travel);
    const RunResult r = run(client);
    QVERIFY2(r.ok, qPrintable(r.error));
    const quint32 id = client.model("Trip")->taskList()->serverId();
    QVERIFY(id != 0);
    // Uploaded with the new id, so the server's copy holds the entry.
    const FakeGroup root = m_server->groups(QStringLiteral("alice"));
    QCOMPARE(root.children.size(), 1);
    QCOMPARE(root.children[0].lists, QList<quint32>{id});
}

void TstListsSynchronizer::failedPostRecordsNothing()
{
    SyncClient client;
    ListModel *model = client.addList(QStringLiteral("Trip"), {"Tickets"});
    model->clearChanged();
    m_server->respondOnce("POST", "^/lists$", 500);
    const RunResult r = run(client);
    QCOMPARE(r.error, QStringLiteral("Failed to add new list. Unexpected response 500 Internal Server Error"));
    QCOMPARE(model->taskList()->syncStatus(), TaskList::New);
    // Only the record of the upload, made before it left.
    QVERIFY(!model->taskList()->pendingUpload().isEmpty());
    QCOMPARE(model->taskList()->serverId(), 0u);
}

// A readable page that is not the list set must not empty the user's lists;
// on an account with nothing yet it is taken as no lists.
void TstListsSynchronizer::answerWithoutListSetRemovesNothing()
{
    const QByteArray page = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Welcome</title></head>"
                            "<body><p>Please sign in</p></body></html>";
    SyncClient fresh;
    m_server->respondOnce("GET", "lists-info$", 200, page);
    QVERIFY(run(fresh).ok);

    seedThreeLists();
    SyncClient client;
    QVERIFY(run(client).ok);
    SyncClient::editFirstTask(client.model("Books"), QStringLiteral("Dune, read"));
    m_server->respondOnce("GET", "lists-info$", 200, page);
    const RunResult r = run(client);
    QCOMPARE(r.error, QStringLiteral("Could not parse retrieved list set."));
    QCOMPARE(sorted(client.names()), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(SyncClient::titles(client.model("Books")), QStringList{"Dune, read"});
    QVERIFY(run(client).ok);
    QCOMPARE(serverTitles(*m_server, client.model("Books")->taskList()->serverId()), QStringList{"Dune, read"});
}

void TstListsSynchronizer::listsReplacedDuringTheRun_data()
{
    QTest::addColumn<QString>("held"); // the request out when the lists go
    QTest::newRow("a new list posted") << "POST";
    QTest::newRow("an edited list put") << "PUT";
    QTest::newRow("a list fetched") << "GET";
}

// The page's lists replaced as a whole while a run is out (a backup restored
// from the tray's preferences under the run's window): the run ends at once,
// saying so, and reads nothing of the lists that are gone.
void TstListsSynchronizer::listsReplacedDuringTheRun()
{
    QFETCH(QString, held);
    m_server->addList(QStringLiteral("alice"), QStringLiteral("There"), {FakeTask::make(QStringLiteral("Tea"))});
    SyncClient seeded;
    seeded.addList(QStringLiteral("Home"), {QStringLiteral("Bills")});
    QVERIFY(run(seeded).ok);
    auto *lists = new UserLists;
    TestSyncHost host;
    for (ListModel *model : seeded.lists.models()) {
        if (held == QLatin1String("POST") && model->taskList()->name() == QLatin1String("Home"))
            continue;
        TaskList *copy = model->taskList()->clone();
        if (held == QLatin1String("PUT"))
            copy->markEdited();
        lists->addList(copy);
    }
    if (held == QLatin1String("POST")) {
        TaskList *fresh = TaskList::create();
        fresh->setName(QStringLiteral("Fresh"));
        fresh->rootTask()->createChild(0)->setTitle(QStringLiteral("Milk"));
        lists->addList(fresh);
    }
    if (held == QLatin1String("GET"))
        m_server->putList([&] {
            FakeList l = m_server->visibleLists(QStringLiteral("alice")).first();
            ++l.revision;
            return l;
        }());
    m_server->hold(held.toLatin1(), QStringLiteral("^/lists(/\\d+)?$"));
    ListsSynchronizer sync(lists, &host);
    QSignalSpy finished(&sync, &BaseSynchronizer::finished);
    sync.start();
    QTRY_COMPARE(m_server->heldCount(), 1);
    delete lists;
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(sync.errorString(), QStringLiteral("The lists were replaced during the sync."));
    m_server->releaseHeld();
    QTest::qWait(50);
}

PLUMDECK_TEST_MAIN(TstListsSynchronizer)
#include "tst_listssynchronizer.moc"

void TstListsSynchronizer::tooDeepSharedListIsNamedAndTheRestSyncs_data()
{
    QTest::addColumn<int>("levels");
    QTest::addColumn<QString>("heldHere"); // "", "unedited", "edited" or "added"
    QTest::addColumn<QString>("reason");
    const int past = TaskReaderWriter::maxTaskDepth + 1;
    const QString tooManyTasks = QStringLiteral("tasks nested more than %1 levels deep").arg(past - 1);
    const QString tooManyElements = QStringLiteral("elements nested deeper than 512 levels");
    QTest::newRow("one past the bound, new here") << past << "" << tooManyTasks;
    QTest::newRow("300 levels, new here") << 300 << "" << tooManyElements;
    QTest::newRow("one past the bound, copy here") << past << "unedited" << tooManyTasks;
    QTest::newRow("300 levels, copy here") << 300 << "unedited" << tooManyElements;
    QTest::newRow("300 levels, copy edited here") << 300 << "edited" << tooManyElements;
    // Looked at before the upload, for copies of the new task an earlier
    // upload may have made.
    QTest::newRow("one past the bound, task added here") << past << "added" << tooManyTasks;
    QTest::newRow("300 levels, task added here") << 300 << "added" << tooManyElements;
}

// A list another user nested deeper than anything here can read is left as
// it is on both sides; every other list, the notes, the groups and the order
// still synchronise, and the run ends naming that list.
void TstListsSynchronizer::tooDeepSharedListIsNamedAndTheRestSyncs()
{
    QFETCH(int, levels);
    QFETCH(QString, heldHere);
    QFETCH(QString, reason);
    const quint32 deep = m_server->addList(QStringLiteral("bob"), QStringLiteral("Deep"),
                                           {FakeTask::nested(heldHere.isEmpty() ? levels : 3)});
    m_server->share(deep, QStringLiteral("alice"), QStringLiteral("rw"));
    SyncClient client;
    if (!heldHere.isEmpty()) {
        QVERIFY(run(client).ok);
        if (heldHere == QLatin1String("edited"))
            SyncClient::editFirstTask(client.model("Deep"), QStringLiteral("Mine"));
        if (heldHere == QLatin1String("added")) {
            auto *task = new Task;
            task->setTitle(QStringLiteral("Added"));
            client.model("Deep")->prependTask(task);
        }
        // Bob nests more below the tasks alice has.
        FakeList list = m_server->list(deep);
        FakeTask *bottom = &list.tasks[0];
        while (!bottom->children.isEmpty())
            bottom = &bottom->children[0];
        bottom->children = {FakeTask::nested(levels - 3)};
        ++list.revision;
        m_server->putList(list);
    }
    const quint32 deepRevisionHere = heldHere.isEmpty() ? 0 : client.model("Deep")->taskList()->revision();
    const quint32 later = m_server->addList(QStringLiteral("alice"), QStringLiteral("Later"),
                                            {FakeTask::make(QStringLiteral("Post"))});
    const quint32 there = m_server->addNote(QStringLiteral("alice"), QStringLiteral("There"), QStringLiteral("t"));
    auto *note = new NotepadNote;
    note->setTitle(QStringLiteral("Here"));
    m_notes->appendNote(note);
    ListModel *fresh = client.addList(QStringLiteral("Fresh"), {"Milk", "Eggs"});
    fresh->taskList()->setLocalId(7);
    ListsGroups *groups = client.host.listsGroups();
    ListsGroupsElementGroup *reading = groups->addGroup(groups->rootGroup());
    groups->setGroupName(reading, QStringLiteral("Reading"));
    groups->addListToGroup(fresh->taskList(), reading);
    m_server->clearRequests();

    RunResult r = run(client);
    QVERIFY(r.ended);
    QVERIFY(!r.ok);
    QCOMPARE(r.endings, 1);
    QVERIFY2(r.error.startsWith(QStringLiteral("The list \"Deep\" could not be read from the server")),
             qPrintable(r.error));
    QVERIFY2(r.error.contains(reason), qPrintable(r.error));
    QCOMPARE(r.texts.last(), QStringLiteral("Sync failed."));

    // The server got and gave everything else.
    const quint32 freshId = fresh->taskList()->serverId();
    QVERIFY(freshId != 0);
    QCOMPARE(serverTitles(*m_server, freshId), (QStringList{"Milk", "Eggs"}));
    QVERIFY(m_server->storedListOrder(QStringLiteral("alice")).contains(freshId));
    const FakeGroup root = m_server->groups(QStringLiteral("alice"));
    QCOMPARE(root.children.size(), 1);
    QCOMPARE(root.children[0].name, QStringLiteral("Reading"));
    QCOMPARE(root.children[0].lists, QList<quint32>{freshId});
    QVERIFY(!m_server->note(note->serverId()).isNull());
    QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
    QVERIFY(m_notes->indexOfServerId(there) >= 0);
    QCOMPARE(SyncClient::titles(client.model("Later")), QStringList{"Post"});
    QCOMPARE(client.model("Later")->taskList()->serverId(), later);
    QCOMPARE(client.host.listsGroups()->rootGroup()->groupCount(), 1);
    QVERIFY(client.host.listsGroups()->rootGroup()->groups()[0]->serverId() != 0);
    QVERIFY(!client.host.listsGroups()->isEditedSinceSync());

    // The deep list: as it was, there and here.
    const bool edited = heldHere == QLatin1String("edited");
    const bool added = heldHere == QLatin1String("added");
    QCOMPARE(m_server->requests("DELETE", QStringLiteral("^/lists/%1$").arg(deep)).size(), 0);
    // An update goes onto the server's copy: one that cannot be read is
    // never written over, so the update waits.
    QCOMPARE(m_server->requests("PUT", QStringLiteral("^/lists/%1$").arg(deep)).size(), 0);
    QCOMPARE(serverTitles(*m_server, deep), QStringList{"Level 1"});
    ListModel *held = client.model("Deep");
    if (heldHere.isEmpty()) {
        QCOMPARE(held, nullptr);
        QCOMPARE(sorted(client.names()), (QStringList{"Fresh", "Later"}));
    } else {
        QVERIFY(held);
        QCOMPARE(SyncClient::depth(held), 3);
        QCOMPARE(held->taskList()->revision(), deepRevisionHere);
        QCOMPARE(held->taskList()->syncStatus(), edited || added ? TaskList::Edited : TaskList::Unedited);
        const QStringList titles = added ? QStringList{"Added", "Level 1"} : QStringList{edited ? "Mine" : "Level 1"};
        QCOMPARE(SyncClient::titles(held), titles);
        // An update looks at the server's copy first to merge onto it (the
        // run before the uploads, then its step).
        QCOMPARE(m_server->requests("GET", QStringLiteral("^/lists/%1$").arg(deep)).size(), edited || added ? 2 : 1);
        QCOMPARE(sorted(client.names()), (QStringList{"Deep", "Fresh", "Later"}));
    }

    // The next run says the same and adds nothing twice.
    m_server->clearRequests();
    r = run(client);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.startsWith(QStringLiteral("The list \"Deep\"")), qPrintable(r.error));
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    // The update still waits: the server's copy is looked at first, and
    // refused again.
    QCOMPARE(m_server->requests("PUT", QStringLiteral("^/lists/%1$").arg(deep)).size(), 0);
    QCOMPARE(m_server->requests("POST", "^/notepad-notes$").size(), 0);
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 2);
    QCOMPARE(client.lists.models().size(), heldHere.isEmpty() ? 2 : 3);
}

void TstListsSynchronizer::everyUnreadableListIsNamed_data()
{
    QTest::addColumn<QString>("laterFault"); // a path that answers 500 after the lists
    QTest::addColumn<QString>("error");      // what the run's text starts with
    const QString heading = QStringLiteral("These lists could not be read from the server and were left as they are:");
    QTest::newRow("only the lists") << "" << heading;
    QTest::newRow("and the notes failed") << "notepad-notes-info$"
                                          << QStringLiteral("Unexpected response: Internal Server Error\n\n") + heading;
}

// Each list that could not be read is named: by the name the user knows, or,
// with none, by its number; another failure of the run comes first.
void TstListsSynchronizer::everyUnreadableListIsNamed()
{
    QFETCH(QString, laterFault);
    QFETCH(QString, error);
    const quint32 deep = m_server->addList(QStringLiteral("bob"), QStringLiteral("Deep"),
                                           {FakeTask::nested(TaskReaderWriter::maxTaskDepth + 1)});
    const quint32 nameless = m_server->addList(QStringLiteral("bob"), QString(), {FakeTask::nested(300)});
    m_server->share(deep, QStringLiteral("alice"), QStringLiteral("r"));
    m_server->share(nameless, QStringLiteral("alice"), QStringLiteral("r"));
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    if (!laterFault.isEmpty())
        m_server->respondOnce("GET", laterFault, 500);
    SyncClient client;
    const RunResult r = run(client);
    QVERIFY(r.ended);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.startsWith(error), qPrintable(r.error));
    const QStringList lines = r.error.mid(error.size()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.contains(QStringLiteral("\"Deep\": parse error: tasks nested more than %1 levels deep")
                                .arg(TaskReaderWriter::maxTaskDepth)),
             qPrintable(r.error));
    QVERIFY2(lines.contains(QStringLiteral("number %1: XML failed to parse: elements nested deeper than 512 levels "
                                           "at line 8").arg(nameless)),
             qPrintable(r.error));
    QCOMPARE(client.names(), QStringList{"Books"});
}

void TstListsSynchronizer::removalFromAnOlderCopy_data()
{
    QTest::addColumn<QString>("there");         // what the other computer did since: add, retitle, rename, remove
    QTest::addColumn<bool>("unreadable");       // the server's copy does not read at the look
    QTest::addColumn<QStringList>("requests");  // this computer's, to the list itself
    QTest::addColumn<QString>("onServer");      // "Name[tasks]", or empty: gone
    QTest::newRow("untouched there: deleted at once") << "" << false << QStringList{"DELETE"} << "";
    QTest::newRow("a task added there: back with it") << "add" << false << QStringList{"GET", "PUT", "GET"}
                                                      << "Trip[Passport]";
    QTest::newRow("a task retitled there: back with it") << "retitle" << false << QStringList{"GET", "PUT", "GET"}
                                                         << "Trip[Train tickets]";
    QTest::newRow("renamed there: back empty, renamed") << "rename" << false << QStringList{"GET", "PUT", "GET"}
                                                        << "Journey[]";
    QTest::newRow("a task removed there: nothing to keep") << "remove" << false << QStringList{"GET", "DELETE"}
                                                           << "";
    QTest::newRow("a task added there, the server's copy unreadable: it waits, then comes back")
        << "add" << true << QStringList{"GET", "GET", "PUT", "GET"} << "Trip[Passport]";
}

// A list removed here from a copy older than the server's takes only what
// that copy held: what the other computer added or changed since stays.
void TstListsSynchronizer::removalFromAnOlderCopy()
{
    QFETCH(QString, there);
    QFETCH(bool, unreadable);
    QFETCH(QStringList, requests);
    QFETCH(QString, onServer);
    ModalAnswerer boxes;
    SyncClient a;
    SyncClient b;
    a.addList(QStringLiteral("Trip"), {"Tickets", "Bags"});
    const qint64 tripMade = Clock::currentMSecsSinceEpoch();
    QVERIFY(run(a).ok);
    QVERIFY(run(b).ok);
    ListModel *theirs = b.model(QStringLiteral("Trip"));
    if (there == QLatin1String("add")) {
        const int row = theirs->rowCount();
        theirs->insertRows(row, 1);
        theirs->setData(theirs->index(row, 0), QStringLiteral("Passport"), Qt::EditRole);
    } else if (there == QLatin1String("retitle")) {
        SyncClient::editFirstTask(theirs, QStringLiteral("Train tickets"));
    } else if (there == QLatin1String("rename")) {
        theirs->setName(QStringLiteral("Journey"));
    } else if (there == QLatin1String("remove")) {
        theirs->saveUndoState();
        theirs->removeRows(0, 1);
    }
    if (!there.isEmpty())
        QVERIFY(run(b).ok);
    const quint32 id = serverIdOf(*m_server, "alice", there == QLatin1String("rename") ? "Journey" : "Trip");
    const QString path = QStringLiteral("^/lists/%1$").arg(id);
    a.model(QStringLiteral("Trip"))->taskList()->setLocalId(7);
    a.lists.deleteList(a.model(QStringLiteral("Trip"))->taskList());
    // Made in a later second than Trip's tasks: made in theirs, Rope could
    // be one of them moved, and the run would keep both and say so.
    QVERIFY(QTest::qWaitFor([&] { return Clock::currentMSecsSinceEpoch() / 1000 > tripMade / 1000; }));
    // The page hands the removed list's local id to the next list made
    // (after a restart, ids are given from the live lists).
    a.addList(QStringLiteral("Other"), {"Rope"})->taskList()->setLocalId(7);
    m_server->clearRequests();
    if (unreadable) {
        m_server->respondOnce("GET", path, 200, "<html><body><div class=\"pd-list\">");
        const RunResult r = run(a);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.startsWith(QStringLiteral("The list \"Trip\" could not be read from the server and was left as "
                                                   "it is")),
                 qPrintable(r.error));
        QCOMPARE(a.lists.deletedLists().size(), 1);
        QCOMPARE(m_server->list(id).name, QStringLiteral("Trip"));
    }
    QVERIFY(run(a).ok);
    QStringList sent;
    for (const FakeRequest &r : m_server->requests(QByteArray(), path))
        sent << QString::fromLatin1(r.method);
    QCOMPARE(sent, requests);
    QStringList lists;
    for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice"))) {
        if (l.name == QLatin1String("Other"))
            continue;
        QStringList titles;
        for (const FakeTask &t : l.tasks)
            titles << t.title();
        lists << l.name + QLatin1Char('[') + titles.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    QCOMPARE(lists, onServer.isEmpty() ? QStringList() : QStringList{onServer});
    QVERIFY(a.lists.deletedLists().isEmpty());
    // Back, it is not taken for the list that has its old local id now.
    for (const ListModel *model : a.lists.models())
        if (model->taskList()->name() != QLatin1String("Other"))
            QVERIFY(model->taskList()->localId() != 7);
    if (!onServer.isEmpty()) {
        ListOutcome::KeptAgainstRemovals kept;
        // Told by the name it had here.
        kept.removedHere << (there == QLatin1String("rename") ? QStringLiteral("Trip (now called \"Journey\")")
                                                              : onServer.section(QLatin1Char('['), 0, 0));
        QVERIFY2(boxes.texts.contains(ListOutcome::keptAgainstRemovalsText(kept)),
                 qPrintable(boxes.texts.join(QLatin1Char('|'))));
    }
    QVERIFY(run(b).ok);
    QStringList names = b.names();
    names.removeAll(QStringLiteral("Other"));
    QCOMPARE(names, onServer.isEmpty() ? QStringList() : QStringList{onServer.section(QLatin1Char('['), 0, 0)});
}
