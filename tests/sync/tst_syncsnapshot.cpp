#include "listssyncclient.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/syncsnapshot.h"
#include "sync/merges/uploadmark.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

QStringList serverNames(const FakeServer &server)
{
    QStringList out;
    for (const FakeList &l : server.visibleLists(QStringLiteral("alice")))
        out << l.name;
    out.sort();
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

// Forced runs that do not succeed: the snapshot taken before the preparation
// puts the lists, groups and notes back, and the next normal run levels both
// sides with no list lost or doubled.
class TstSyncSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void forcedRemoteFailingPartWay();
    void forcedRemoteFailingFirst();
    void forcedRemoteFailingKeepsTheAgreedSharing();
    void forcedLocalFailingPartWay_data();
    void forcedLocalFailingPartWay();
    void forcedLocalCancelled();
    void forcedRemoteFailingKeepsUploadsInDoubt();
    void forcedRemoteFailingKeepsWhatANoteAgreed();
    void removedRecordsComeBackOnce_data();
    void removedRecordsComeBackOnce();
    void groupsEditedHereSurviveAFailedForcedRun_data();
    void groupsEditedHereSurviveAFailedForcedRun();

private:
    bool run(bool forceRemote, bool forceLocal, QString *error = nullptr);
    void seed();

    std::unique_ptr<CheckedFakeServer> m_server;
    std::unique_ptr<SyncClient> m_client;
    NotepadNotes *m_notes = nullptr;
    TestNotepadView *m_view = nullptr;
};

void TstSyncSnapshot::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->setStrictCompression(true);
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    m_notes = new NotepadNotes;
    m_view = new TestNotepadView(m_notes);
    m_client = std::make_unique<SyncClient>();
}

void TstSyncSnapshot::cleanup()
{
    m_client.reset();
    dropNotepad(m_notes, m_view);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

bool TstSyncSnapshot::run(bool forceRemote, bool forceLocal, QString *error)
{
    ListsSynchronizer sync(&m_client->lists, &m_client->host);
    sync.setForceRemote(forceRemote);
    sync.setForceLocal(forceLocal);
    QSignalSpy finished(&sync, &BaseSynchronizer::finished);
    sync.start();
    if (!finished.wait(20000))
        return false;
    if (error)
        *error = sync.errorString();
    return finished.first().first().toBool();
}

// Three lists and a note on both sides, and a group here.
void TstSyncSnapshot::seed()
{
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {FakeTask::make(QStringLiteral("Dune"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Chores"), {FakeTask::make(QStringLiteral("Dishes"))});
    m_server->addList(QStringLiteral("alice"), QStringLiteral("Drafts"), {FakeTask::make(QStringLiteral("Letter"))});
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("Idea"), QStringLiteral("text"));
    QVERIFY(run(false, false));
    ListsGroups *groups = m_client->host.listsGroups();
    groups->setGroupName(groups->addGroup(groups->rootGroup()), QStringLiteral("Home"));
    QVERIFY(run(false, false));
    QCOMPARE(m_server->groups("alice").children.size(), 1);
    m_server->clearRequests();
}

void TstSyncSnapshot::forcedRemoteFailingPartWay()
{
    seed();
    SyncClient::editFirstTask(m_client->model("Chores"), QStringLiteral("Dishes done"));
    QList<quint32> ids;
    for (TaskList *l : m_client->lists.taskLists())
        ids << l->serverId();
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    snapshot.setForcedRemote(true);
    ForcedRuns::prepareForceRemote(&m_client->lists, m_notes);
    // The first list goes up whole; then the server refuses updates.
    connect(m_server.get(), &FakeServer::requestReceived, this, [this](const FakeRequest &req) {
        if (req.method == "PUT" && req.status == 200 && req.segments.size() == 2 && req.segments[0] == "lists")
            m_server->respondAlways("PUT", "^/lists/\\d+$", 500);
    });
    QString error;
    QVERIFY(!run(true, false, &error));
    disconnect(m_server.get(), &FakeServer::requestReceived, this, nullptr);
    m_server->clearFaults();
    QCOMPARE(error, QStringLiteral("Failed to upload changes. Unexpected response 500 Internal Server Error"));
    QCOMPARE(m_server->lists().size(), 3);

    snapshot.restore();
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores", "Drafts"}));
    // Every list keeps its id, sent whole or marked to be by the next run.
    QList<quint32> now;
    for (TaskList *l : m_client->lists.taskLists())
        now << l->serverId();
    QCOMPARE(now, ids);
    QVERIFY(m_client->lists.deletedLists().isEmpty());
    QCOMPARE(SyncClient::titles(m_client->model("Chores")), QStringList{"Dishes done"});
    QCOMPARE(m_client->host.listsGroups()->rootGroup()->groupCount(), 1);
    QCOMPARE(m_notes->notes().size(), 1);
    QCOMPARE(m_notes->notes().first()->syncStatus(), NotepadNote::Unedited);

    QString again;
    ModalAnswerer boxes;
    QVERIFY2(run(false, false, &again), qPrintable(again));
    QCOMPARE(boxes.texts, QStringList{ForcedRuns::finishedText({"Chores", "Drafts"}, {})});
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(serverNames(*m_server), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores", "Drafts"}));
    for (ListModel *m : m_client->lists.models())
        QCOMPARE(SyncClient::titles(m), serverTitles(*m_server, m->taskList()->serverId()));
    QCOMPARE(m_server->notes("alice").size(), 1);
    QCOMPARE(m_notes->notes().size(), 1);
}

void TstSyncSnapshot::forcedRemoteFailingFirst()
{
    seed();
    QList<quint32> ids;
    for (TaskList *l : m_client->lists.taskLists())
        ids << l->serverId();
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    snapshot.setForcedRemote(true);
    ForcedRuns::prepareForceRemote(&m_client->lists, m_notes);
    m_server->respondOnce("GET", "lists-info$", 500);
    QVERIFY(!run(true, false));
    snapshot.restore();
    QList<quint32> now;
    for (TaskList *l : m_client->lists.taskLists())
        now << l->serverId();
    QCOMPARE(now, ids);
    QVERIFY(m_client->lists.deletedLists().isEmpty());
    QVERIFY(run(false, false));
    QCOMPARE(m_server->requests("POST", "^/lists$").size(), 0);
    QCOMPARE(m_server->lists().size(), 3);
}

// What the sharing agreed with the server comes back too: the next run
// still puts the user's share onto the server's sharing, where carol was
// unshared meanwhile, rather than taking that sharing or sharing again.
void TstSyncSnapshot::forcedRemoteFailingKeepsTheAgreedSharing()
{
    for (const char *user : {"bob", "carol", "dave"})
        m_server->addUser(QString::fromLatin1(user), QStringLiteral("pw"));
    seed();
    ListModel *books = m_client->model("Books");
    const quint32 id = books->taskList()->serverId();
    FakeList list = m_server->list(id);
    list.sharing = {{QStringLiteral("bob"), QStringLiteral("r")}, {QStringLiteral("carol"), QStringLiteral("r")}};
    list.sharedRevision = 2;
    m_server->putList(list);
    QVERIFY(run(false, false));
    QCOMPARE(books->sharedUsers(), list.sharing);
    books->addSharedUser(QStringLiteral("dave"), QStringLiteral("rw"));

    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    snapshot.setForcedRemote(true);
    ForcedRuns::prepareForceRemote(&m_client->lists, m_notes);
    m_server->respondOnce("GET", "lists-info$", 500);
    QVERIFY(!run(true, false));
    snapshot.restore();
    list = m_server->list(id);
    list.sharing.remove(QStringLiteral("carol"));
    list.sharedRevision = 3;
    m_server->putList(list);

    QVERIFY(run(false, false));
    const QMap<QString, QString> expected{{QStringLiteral("bob"), QStringLiteral("r")},
                                          {QStringLiteral("dave"), QStringLiteral("rw")}};
    QCOMPARE(m_server->sharing(id), expected);
    QCOMPARE(books->sharedUsers(), expected);
    QVERIFY(!books->isSharedEdited());
}

void TstSyncSnapshot::forcedLocalFailingPartWay_data()
{
    QTest::addColumn<QString>("failing");
    QTest::newRow("list summaries") << "lists-info$";
    QTest::newRow("second list") << "^/lists/101$";
    QTest::newRow("groups") << "list-groups-display-order$";
    QTest::newRow("notes") << "notepad-notes-info$";
}

void TstSyncSnapshot::forcedLocalFailingPartWay()
{
    QFETCH(QString, failing);
    seed();
    SyncClient::editFirstTask(m_client->model("Chores"), QStringLiteral("Dishes done"));
    const QMap<QString, QString> shared{{QStringLiteral("bob"), QStringLiteral("r")}};
    m_client->model("Books")->setSharedUsers(shared);
    m_client->model("Books")->restoreSharedRevision(2);
    // A copy an earlier run kept and was cut short before telling of.
    m_notes->notes().first()->setUntoldKeptCopy(true);
    m_notes->notes().first()->setUntoldKept(QStringLiteral("removed-there"));
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    m_client->lists.removeAllLists();
    m_client->host.setListsGroups(new ListsGroups);
    m_notes->deleteAndPurgeEverything();
    QVERIFY(m_notes->notes().isEmpty());
    m_server->respondOnce("GET", failing, 500);
    QVERIFY(!run(false, true));

    snapshot.restore();
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(SyncClient::titles(m_client->model("Chores")), QStringList{"Dishes done"});
    QCOMPARE(m_client->model("Chores")->taskList()->syncStatus(), TaskList::Edited);
    QCOMPARE(m_client->host.listsGroups()->rootGroup()->groupCount(), 1);
    QCOMPARE(m_client->host.listsGroups()->rootGroup()->groups()[0]->name(), QStringLiteral("Home"));
    QCOMPARE(m_notes->notes().size(), 1);
    QCOMPARE(m_notes->notes().first()->title(), QStringLiteral("Idea"));
    QCOMPARE(m_notes->notes().first()->text(), QStringLiteral("text"));
    QVERIFY(m_notes->notes().first()->isUntoldKeptCopy());
    QCOMPARE(m_notes->notes().first()->untoldKept(), QStringLiteral("removed-there"));
    QCOMPARE(m_client->model("Books")->sharedUsers(), shared);
    QCOMPARE(m_client->model("Books")->sharedRevision(), 2u);
    m_client->model("Books")->setSharedUsers({});
    m_client->model("Books")->restoreSharedRevision(1);

    QVERIFY(run(false, false));
    QCOMPARE(serverNames(*m_server), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(serverTitles(*m_server, m_client->model("Chores")->taskList()->serverId()), QStringList{"Dishes done"});
    QCOMPARE(m_notes->notes().size(), 1);
    QCOMPARE(m_server->notes("alice").size(), 1);
}

void TstSyncSnapshot::forcedLocalCancelled()
{
    seed();
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    m_client->lists.removeAllLists();
    m_client->host.setListsGroups(new ListsGroups);
    m_notes->deleteAndPurgeEverything();
    m_server->stall(QStringLiteral("list-groups-display-order$"), true);
    {
        ListsSynchronizer sync(&m_client->lists, &m_client->host);
        sync.setForceLocal(true);
        sync.start();
        QVERIFY(QTest::qWaitFor([&] { return !m_server->requests({}, "list-groups").isEmpty(); }, 10000));
    }
    snapshot.restore();
    QCOMPARE(sorted(m_client->names()), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(m_notes->notes().size(), 1);
    QVERIFY(run(false, false));
    QCOMPARE(serverNames(*m_server), (QStringList{"Books", "Chores", "Drafts"}));
    QCOMPARE(m_client->lists.models().size(), 3);
}

void TstSyncSnapshot::groupsEditedHereSurviveAFailedForcedRun_data()
{
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<QString>("restored");
    QTest::addColumn<QString>("after");
    const QString groups = QStringLiteral("list-groups-display-order$");
    const QString mine = QStringLiteral("[]House([])Garden([])");
    QTest::newRow("forced local") << false << QByteArray("GET") << groups << false << mine
                                  << "[]House([])Work([])Garden([])";
    QTest::newRow("forced remote") << true << QByteArray("PUT") << groups << false << mine
                                   << "[]House([])Work([])Garden([])";
    // The tree went up before the run failed: the server's groups are the
    // forced run's, and the group made here is there once.
    QTest::newRow("forced remote failing at the notes") << true << QByteArray("GET")
                                                        << QStringLiteral("notepad-notes-info$") << false << mine << mine;
    QTest::newRow("forced remote losing the groups' answer") << true << QByteArray("PUT") << groups << true << mine
                                                             << mine;
    QTest::newRow("forced remote losing a note's answer") << true << QByteArray("PUT")
                                                          << QStringLiteral("^/notepad-notes/\\d+$") << true << mine
                                                          << mine;
}

// Home renamed and Garden made here while another computer added Work; a
// forced run fails at the groups: the tree comes back with what it agreed
// with the server, and the next run keeps both changes. A forced remote run
// that fails once its tree went up keeps the tree the server took, Garden
// with the id it was given, and the next runs send no group again.
void TstSyncSnapshot::groupsEditedHereSurviveAFailedForcedRun()
{
    QFETCH(bool, remote);
    QFETCH(QByteArray, method);
    QFETCH(QString, failing);
    QFETCH(bool, lost);
    QFETCH(QString, restored);
    QFETCH(QString, after);
    seed();
    FakeGroup root = m_server->groups(QStringLiteral("alice"));
    root.children << FakeGroup{50, QStringLiteral("Work"), true, {}, {}};
    m_server->setGroups(QStringLiteral("alice"), root);
    ListsGroups *groups = m_client->host.listsGroups();
    groups->setGroupName(groups->rootGroup()->groups().first(), QStringLiteral("House"));
    groups->setGroupName(groups->addGroup(groups->rootGroup()), QStringLiteral("Garden"));
    // A note the forced remote run puts up.
    if (failing.contains(QLatin1String("notepad-notes/")))
        QVERIFY(m_notes->notes().first()->editText(QStringLiteral("text and more")));

    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    snapshot.setForcedRemote(remote);
    if (remote) {
        ForcedRuns::prepareForceRemote(&m_client->lists, m_notes);
    } else {
        m_client->lists.removeAllLists();
        m_client->host.setListsGroups(new ListsGroups);
        m_notes->deleteAndPurgeEverything();
    }
    if (lost)
        m_server->dropAnswerAfterApplying(method, failing);
    else
        m_server->respondOnce(method, failing, 500);
    QVERIFY(!run(remote, !remote));
    snapshot.restore();
    QCOMPARE(m_client->groupsOutline(), restored);

    QVERIFY(run(false, false));
    QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), after);
    QCOMPARE(m_client->groupsOutline(), after);
    QVERIFY(run(false, false));
    QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), after);
}

void TstSyncSnapshot::removedRecordsComeBackOnce_data()
{
    QTest::addColumn<bool>("purged");
    QTest::newRow("a run that left them") << false;
    QTest::newRow("a run that dropped them") << true;
}

// Removed lists still to be told to the server, two of them without an id
// (their creation is in doubt, their marks tell them apart), are each there
// once after a restore, whether the run dropped them or not.
void TstSyncSnapshot::removedRecordsComeBackOnce()
{
    QFETCH(bool, purged);
    const QStringList marks{QStringLiteral("7:aaaa"), QStringLiteral("7:bbbb"), QString()};
    for (int i = 0; i < marks.size(); ++i) {
        TaskList *list = TaskList::create();
        list->setName(QStringLiteral("Gone %1").arg(i));
        list->setPendingUpload(marks.at(i));
        if (marks.at(i).isEmpty()) {
            list->setSyncStatus(TaskList::Unedited);
            list->setServerId(41);
            list->setRevision(3);
        }
        m_client->lists.addList(list);
        m_client->lists.deleteList(list);
    }
    QCOMPARE(m_client->lists.deletedLists().size(), 3);
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    if (purged)
        m_client->lists.prepareForceRemoteSync();
    snapshot.restore();
    QStringList restored;
    for (const TaskList *list : m_client->lists.deletedLists())
        restored << list->name() + QLatin1Char(' ') + list->pendingUpload();
    restored.sort();
    QCOMPARE(restored, (QStringList{"Gone 0 7:aaaa", "Gone 1 7:bbbb", "Gone 2 "}));
}

PLUMDECK_TEST_MAIN(TstSyncSnapshot)
// Uploads in doubt (no id yet, each with the mark of its upload): two lists
// removed since and a note. A failed forced run puts back the removals and
// the note's mark, so the next run can still recognise what the lost
// uploads made.
void TstSyncSnapshot::forcedRemoteFailingKeepsUploadsInDoubt()
{
    seed();
    auto *note = new NotepadNote;
    note->setTitle(QStringLiteral("Plans"));
    note->setPendingUpload(QStringLiteral("mark of Plans"));
    m_notes->addNote(note);
    for (const char *mark : {"mark of Trip", "mark of Gifts"}) {
        TaskList *list = TaskList::create();
        list->setSyncStatus(TaskList::Deleted);
        list->setPendingUpload(QString::fromLatin1(mark));
        UserLists::AddResult result = UserLists::Refused;
        m_client->lists.addList(list, &result);
        QCOMPARE(result, UserLists::TakenAsDeleted);
    }
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    snapshot.setForcedRemote(true);
    ForcedRuns::prepareForceRemote(&m_client->lists, m_notes);
    m_server->respondOnce("GET", "lists-info$", 500);
    QVERIFY(!run(true, false));
    snapshot.restore();
    QStringList marks;
    for (const TaskList *list : m_client->lists.deletedLists())
        marks << list->pendingUpload();
    QCOMPARE(sorted(marks), (QStringList{"mark of Gifts", "mark of Trip"}));
    QCOMPARE(note->pendingUpload(), QStringLiteral("mark of Plans"));
}

// A forced remote run that fails puts the notes back with what they agreed
// with the server, so that the next run still puts an edited note onto the
// server's copy.
void TstSyncSnapshot::forcedRemoteFailingKeepsWhatANoteAgreed()
{
    seed();
    NotepadNote *note = m_notes->notes().first();
    QVERIFY(note->editText(QStringLiteral("text and more")));
    const std::optional<NotepadNote::Agreed> agreed = note->agreed();
    QVERIFY(agreed);
    QCOMPARE(agreed->text, QStringLiteral("text"));
    SyncSnapshot snapshot(&m_client->lists, &m_client->host, m_notes);
    snapshot.setForcedRemote(true);
    ForcedRuns::prepareForceRemote(&m_client->lists, m_notes);
    m_server->respondOnce("GET", "lists-info$", 500);
    QVERIFY(!run(true, false));
    snapshot.restore();
    QCOMPARE(note->syncStatus(), NotepadNote::Edited);
    QCOMPARE(note->agreed(), agreed);
}

#include "tst_syncsnapshot.moc"
