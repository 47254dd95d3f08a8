#include "core/xmlreaderwriter.h"
#include "listedits.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/notepadnote.h"
#include "model/tasklist.h"
#include "storedclient.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/singlelistsyncqueue.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QScopeGuard>

// A synchronisation whose save before its uploads fails (a full disk, a file
// larger than the program reads back) sends nothing more, and says so, naming
// the file and what went up before; the next run, with room again, sends
// everything once.

namespace {

using ListEdits::addTask;
using ListEdits::taskTitled;

enum Change { NewList, AddedTask, RemovedList, ChangedOnBoth, KeptAgainstRemoval, Shared, NewNote, NewGroup,
              AddedTaskAndKeptList, AddedTaskAndNewNote };
enum Failure { TooLarge, DiskFull };

// The bound a failing run reads and writes with: the server's answers stay
// well below it, a file holding the ballast goes past it.
const qint64 Bound = 64 * 1024;
const QString Ballast(int(Bound), QLatin1Char('x'));
const QString Trip = QStringLiteral("Trip");

int uploads(const FakeServer &server)
{
    int count = 0;
    for (const FakeRequest &request : server.requests())
        count += request.method != "GET";
    return count;
}

} // namespace

class TstUploadSaves : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fullRunSendsNothing_data();
    void fullRunSendsNothing();
    void singleListRunSendsNothing_data();
    void singleListRunSendsNothing();

private:
    // Makes the change on a client of the store and saves it.
    void makeChange(StoredClient &store, Change change, Failure failure);
    // While the run of the client is on, saving fails so.
    void failSaves(LiveClient &client, Change change, Failure failure);
    // What the server holds after the change went up.
    void verifyArrived(Change change);

    std::unique_ptr<CheckedFakeServer> m_server;
    quint32 m_trip = 0;
};

void TstUploadSaves::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    QFile::remove(NotepadNotes::filePath());
    m_trip = m_server->addList(QStringLiteral("alice"), Trip,
                               {FakeTask::make(QStringLiteral("Tickets")), FakeTask::make(QStringLiteral("Bags"))});
}

void TstUploadSaves::cleanup()
{
    XMLReaderWriter::setMaxDocumentBytes(0);
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

void TstUploadSaves::makeChange(StoredClient &store, Change change, Failure failure)
{
    if (change == AddedTaskAndKeptList)
        m_server->addList(QStringLiteral("alice"), QStringLiteral("Garden"), {FakeTask::make(QStringLiteral("Seeds"))});
    {
        LiveClient client(store);
        QVERIFY(runClientSync(client, *m_server));
        client.persist();
    }
    LiveClient client(store);
    ListModel *model = client.model(Trip);
    QVERIFY(model);
    const QString filler = failure == TooLarge ? Ballast : QString();
    switch (change) {
    case NewList:
        client.addList(QStringLiteral("Garden"), {QStringLiteral("Seeds")})->taskList()->setDescription(filler);
        break;
    case AddedTask:
        addTask(model, QStringLiteral("Passports"));
        break;
    case AddedTaskAndKeptList:
        // The second list's run keeps it, and saves, after the first went up.
        addTask(model, QStringLiteral("Passports"));
        addTask(client.model(QStringLiteral("Garden")), QStringLiteral("Rake"));
        m_server->removeList(client.model(QStringLiteral("Garden"))->taskList()->serverId());
        break;
    case AddedTaskAndNewNote:
        addTask(model, QStringLiteral("Passports"));
        client.addNote(QStringLiteral("Packing"), Ballast);
        break;
    case RemovedList:
        client.lists->deleteList(model->taskList());
        break;
    case ChangedOnBoth:
    case KeptAgainstRemoval: {
        addTask(model, QStringLiteral("Passports"));
        if (change == KeptAgainstRemoval) {
            m_server->removeList(m_trip);
            break;
        }
        FakeList other = m_server->list(m_trip);
        other.tasks << FakeTask::make(QStringLiteral("Maps"));
        ++other.revision;
        m_server->putList(other);
        break;
    }
    case Shared:
        QVERIFY(model->addSharedUser(QStringLiteral("bob"), QStringLiteral("rw")));
        break;
    case NewNote:
        client.addNote(QStringLiteral("Packing"), failure == TooLarge ? Ballast : QStringLiteral("Socks"));
        break;
    case NewGroup: {
        ListsGroups *groups = client.listsGroups();
        ListsGroupsElementGroup *group = groups->addGroupToDefaultGroup();
        groups->setGroupName(group, failure == TooLarge ? Ballast : QStringLiteral("Holidays"));
        groups->userMoveListToGroup(groups->findList(0, m_trip), group);
        break;
    }
    }
    client.persist();
}

void TstUploadSaves::failSaves(LiveClient &client, Change change, Failure failure)
{
    if (failure == TooLarge) {
        XMLReaderWriter::setMaxDocumentBytes(Bound);
        return;
    }
    // Full from the save that matters on: the run's earlier saves worked.
    switch (change) {
    case KeptAgainstRemoval:
        client.diskFull = [&client](SaveFailure::Document) {
            const ListModel *model = client.model(Trip);
            return model && model->taskList()->syncStatus() == TaskList::New;
        };
        break;
    case Shared:
        client.diskFull = [&client](SaveFailure::Document) {
            const ListModel *model = client.model(Trip);
            return model && model->sentSharedUsers().has_value();
        };
        break;
    case NewGroup:
        client.diskFull = [](SaveFailure::Document document) { return document == SaveFailure::ListsGroups; };
        break;
    case AddedTaskAndKeptList:
        client.diskFull = [this](SaveFailure::Document) { return uploads(*m_server) > 0; };
        break;
    default:
        client.diskFull = [](SaveFailure::Document) { return true; };
        break;
    }
}

void TstUploadSaves::verifyArrived(Change change)
{
    int trips = 0;
    int gardens = 0;
    for (const FakeList &list : m_server->visibleLists(QStringLiteral("alice"))) {
        trips += list.name == Trip;
        gardens += list.name == QLatin1String("Garden");
    }
    QCOMPARE(gardens, change == NewList || change == AddedTaskAndKeptList ? 1 : 0);
    QCOMPARE(trips, change == RemovedList ? 0 : 1);
    quint32 trip = m_trip;
    for (const FakeList &list : m_server->visibleLists(QStringLiteral("alice")))
        if (list.name == Trip)
            trip = list.id;
    // A list removed elsewhere comes back holding what was added here.
    QStringList titles;
    if (change != KeptAgainstRemoval)
        titles << QStringLiteral("Tickets") << QStringLiteral("Bags");
    if (change == ChangedOnBoth)
        titles << QStringLiteral("Maps");
    if (change == AddedTask || change == ChangedOnBoth || change == KeptAgainstRemoval || change == AddedTaskAndKeptList
        || change == AddedTaskAndNewNote)
        titles << QStringLiteral("Passports");
    if (change != RemovedList) {
        QStringList onServer = serverTitles(*m_server, trip);
        onServer.sort();
        titles.sort();
        QCOMPARE(onServer, titles);
    }
    QCOMPARE(m_server->sharing(trip).value(QStringLiteral("bob")), change == Shared ? QStringLiteral("rw") : QString());
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(),
             change == NewNote || change == AddedTaskAndNewNote ? 1 : 0);
    QCOMPARE(m_server->groups(QStringLiteral("alice")).children.size(), change == NewGroup ? 1 : 0);
}

void TstUploadSaves::fullRunSendsNothing_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("file");
    const QString lists = QStringLiteral("lists.xhtml");
    QTest::newRow("new list, the lists file too large") << int(NewList) << int(TooLarge) << lists;
    QTest::newRow("new list, disk full") << int(NewList) << int(DiskFull) << lists;
    QTest::newRow("task added, disk full") << int(AddedTask) << int(DiskFull) << lists;
    QTest::newRow("list removed, disk full") << int(RemovedList) << int(DiskFull) << lists;
    QTest::newRow("changed on both computers, merged first") << int(ChangedOnBoth) << int(DiskFull) << lists;
    QTest::newRow("changed here, removed elsewhere, kept") << int(KeptAgainstRemoval) << int(DiskFull) << lists;
    QTest::newRow("shared, full once the sharing is recorded") << int(Shared) << int(DiskFull) << lists;
    QTest::newRow("new note, the notes file too large")
        << int(NewNote) << int(TooLarge) << QStringLiteral("notepad.xhtml");
    QTest::newRow("new group, the groups file too large")
        << int(NewGroup) << int(TooLarge) << QStringLiteral("listsGroups.xhtml");
    QTest::newRow("new group, disk full") << int(NewGroup) << int(DiskFull) << QStringLiteral("listsGroups.xhtml");
    QTest::newRow("task added to two lists, the second removed elsewhere, the disk full once the first went up")
        << int(AddedTaskAndKeptList) << int(DiskFull) << lists;
    QTest::newRow("task added and a new note, the notes file too large")
        << int(AddedTaskAndNewNote) << int(TooLarge) << QStringLiteral("notepad.xhtml");
}

// The run fails before anything leaves, or before anything more does; the
// program is then killed, with its files as the run last wrote them. Once
// the disk has room the next runs send the change once, and one more sends
// nothing.
void TstUploadSaves::fullRunSendsNothing()
{
    QFETCH(int, change);
    QFETCH(int, failure);
    QFETCH(QString, file);
    // What went up before the failed save, as the run names it.
    const QString sent = change == AddedTaskAndKeptList || change == AddedTaskAndNewNote
                             ? QStringLiteral("the list \"Trip\"")
                             : QString();
    ModalAnswerer boxes;
    StoredClient store(QStringLiteral("a"));
    makeChange(store, Change(change), Failure(failure));
    if (QTest::currentTestFailed())
        return;

    m_server->clearRequests();
    {
        LiveClient client(store);
        QHash<QString, QString> marks; // what each list's mark said before the run
        for (const ListModel *model : client.lists->models())
            marks.insert(model->name(), model->taskList()->pendingUpload());
        failSaves(client, Change(change), Failure(failure));
        if (sent.isEmpty())
            runClientSync(client, *m_server, [&] { return uploads(*m_server) > 0; });
        else
            QVERIFY(!runClientSync(client, *m_server));
        XMLReaderWriter::setMaxDocumentBytes(0);
        QVERIFY2(client.runError.contains(QStringLiteral("could not be saved to")), qPrintable(client.runError));
        QVERIFY2(client.runError.contains(file), qPrintable(client.runError));
        if (!sent.isEmpty()) {
            QVERIFY(uploads(*m_server) > 0);
            QVERIFY2(client.runError.contains(QStringLiteral("Sent to the server before that: %1.").arg(sent)),
                     qPrintable(client.runError));
            QVERIFY2(!client.runError.contains(QStringLiteral("Nothing was sent")), qPrintable(client.runError));
        } else {
            QCOMPARE(uploads(*m_server), 0);
            // Nothing left: no record says an upload may have arrived.
            for (const ListModel *model : client.lists->models()) {
                QCOMPARE(model->taskList()->pendingUpload(), marks.value(model->name()));
                QCOMPARE(model->sentSharedUsers(), std::nullopt);
            }
            QVERIFY(!client.listsGroups()->isUploadInDoubt());
            QVERIFY(client.listsGroups()->sentInDoubt().isEmpty());
            QVERIFY2(client.runError.contains(QStringLiteral("Nothing was sent to the server")),
                     qPrintable(client.runError));
        }
    }

    for (int i = 0; i < 2; ++i) {
        LiveClient client(store);
        QVERIFY2(runClientSync(client, *m_server), qPrintable(client.runError));
        client.persist();
    }
    verifyArrived(Change(change));
    m_server->clearRequests();
    LiveClient client(store);
    QVERIFY(runClientSync(client, *m_server));
    QCOMPARE(uploads(*m_server), 0);
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

void TstUploadSaves::singleListRunSendsNothing_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("new list") << int(NewList);
    QTest::newRow("task added") << int(AddedTask);
    QTest::newRow("changed on both computers, merged by its step") << int(ChangedOnBoth);
    QTest::newRow("shared, full once the sharing is recorded") << int(Shared);
}

// The list's own run fails as others do, on its tab; the program goes on,
// and the list's next run, with room again, sends the change once.
void TstUploadSaves::singleListRunSendsNothing()
{
    QFETCH(int, change);
    ModalAnswerer boxes;
    StoredClient store(QStringLiteral("a"));
    makeChange(store, Change(change), DiskFull);
    if (QTest::currentTestFailed())
        return;

    LiveClient client(store);
    const QString name = change == NewList ? QStringLiteral("Garden") : Trip;
    ListModel *model = client.model(name);
    QVERIFY(model);
    if (change == ChangedOnBoth)
        client.diskFull = [this](SaveFailure::Document) {
            return !m_server->requests("GET", QStringLiteral("^/lists/\\d+$")).isEmpty();
        };
    else
        failSaves(client, Change(change), DiskFull);
    m_server->clearRequests();
    const QString markBefore = model->taskList()->pendingUpload();
    SingleListSyncQueue queue(client.lists, &client);
    queue.syncSingleList(model);
    QTRY_COMPARE_WITH_TIMEOUT(client.ended.size(), 1, 15000);
    QCOMPARE(uploads(*m_server), 0);
    // No record says an upload may have arrived; a merge made in memory
    // keeps the mark its earlier save wrote.
    if (change != ChangedOnBoth)
        QCOMPARE(model->taskList()->pendingUpload(), markBefore);
    QCOMPARE(model->sentSharedUsers(), std::nullopt);
    QCOMPARE(client.failures.size(), 1);
    const QString failure = client.failures.first();
    QVERIFY2(failure.contains(QStringLiteral("could not be saved to")) && failure.contains(QStringLiteral("lists.xhtml"))
                 && failure.contains(QStringLiteral("Nothing was sent to the server")),
             qPrintable(failure));
    QVERIFY(client.waits.isEmpty());

    client.diskFull = {};
    queue.syncSingleList(model);
    QTRY_COMPARE_WITH_TIMEOUT(client.ended.size(), 2, 15000);
    QCOMPARE(client.failures.size(), 1);
    QVERIFY2(client.waits.isEmpty(), qPrintable(client.waits.join(QLatin1Char('\n'))));
    verifyArrived(Change(change));
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

PLUMDECK_TEST_MAIN(TstUploadSaves)
#include "tst_uploadsaves.moc"
