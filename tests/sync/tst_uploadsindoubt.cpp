#include "model/listmodel.h"
#include "model/notepadnote.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "storedclient.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "sync/merges/uploadmark.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

#include <functional>

// A new list or note whose upload reached the server while its answer never
// reached the client (lost, failed after the server applied it, the program
// killed) exists once afterwards, on the server and in the client.

namespace {

enum Fault {
    AnswerDropped,       // applied, then the connection drops mid-answer
    FailedAfterApplying, // applied, then answered 500
    KilledWhileSent,     // applied; the program dies before the answer
    FetchFailedThenEdited, // answered, the fetch after it fails, the user edits
    EditedInDoubt,       // answer dropped, the user edits before the next run
    RemovedInDoubt,      // answer dropped, the user removes it
    DuplicatedByUser,    // answer dropped, the user makes a second one alike
    OthersLookAlike,     // answer dropped, another user shares one alike
    LostBeforeApplying   // 500 without applying: posted again, once
};

const QStringList PostedTitles{QStringLiteral("Tickets"), QStringLiteral("Bags")};
const QStringList EditedTitles{QStringLiteral("Passports"), QStringLiteral("Bags")};

QString noteText(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

QStringList taskTitles(const TaskList *list)
{
    QStringList out;
    for (const Task *task : list->rootTask()->children())
        out << task->title();
    return out;
}

// An update's mark as the lists file could hold it damaged (cut short, edited
// by hand): {F} stands for the list's fields, {I}.{D} for a task sent without
// an id, {T1}.{C1} and {T2}.{C2} for two sent with theirs. Intact, it says
// the update arrived.
const QString IntactUpdateMark = QStringLiteral("put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:");

void addDamagedUpdateMarkRows()
{
    QTest::addColumn<QString>("mark");
    const struct
    {
        const char *name;
        const char *mark;
    } rows[] = {
        {"only the kind", "put3:"},
        {"cut after the arrived flag", "put3:1"},
        {"cut after the list's fields", "put3:1:{F}"},
        {"cut after the tasks without id", "put3:1:{F}:{I}.{D}"},
        {"cut after the tasks with ids", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}"},
        {"one field too many", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}::"},
        {"the list's fields left out", "put3:1:{I}.{D}:{T1}.{C1},{T2}.{C2}:"},
        {"no arrived flag", "put3::{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:"},
        {"an arrived flag of 2", "put3:2:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:"},
        {"an arrived flag as a word", "put3:yes:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:"},
        {"an arrived flag of two digits", "put3:11:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:"},
        {"a task's id not a number", "put3:1:{F}:{I}.{D}:{T1}.{C1},x{T2}.{C2}:"},
        {"a task's id zero", "put3:1:{F}:{I}.{D}:{T1}.{C1},0.{C2}:"},
        {"a task's id negative", "put3:1:{F}:{I}.{D}:{T1}.{C1},-{T2}.{C2}:"},
        {"a task's id beyond 32 bits", "put3:1:{F}:{I}.{D}:{T1}.{C1},4294967296.{C2}:"},
        {"a task with an id and no content", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}:"},
        {"a task with an id and an empty content", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.:"},
        {"a task with an id and an empty content between two", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}..{C2}:"},
        {"an empty entry among the tasks with ids", "put3:1:{F}:{I}.{D}:{T1}.{C1},,{T2}.{C2}:"},
        {"a task without id and no content", "put3:1:{F}:{I}:{T1}.{C1},{T2}.{C2}:"},
        {"a task without id and an empty content", "put3:1:{F}:{I}.:{T1}.{C1},{T2}.{C2}:"},
        {"a task without id and no identity", "put3:1:{F}:.{D}:{T1}.{C1},{T2}.{C2}:"},
        {"an empty entry among the tasks without id", "put3:1:{F}:{I}.{D},:{T1}.{C1},{T2}.{C2}:"},
        {"a removed task's id not a number", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:x"},
        {"a removed task's id zero", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:0"},
        {"an empty entry among the removed tasks", "put3:1:{F}:{I}.{D}:{T1}.{C1},{T2}.{C2}:9999,"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.mark);
}

QString filled(QString mark, const QHash<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        mark.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), it.value());
    return mark;
}

} // namespace

class TstUploadsInDoubt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recognisedOnce_data();
    void recognisedOnce();
    void newTasksOfAnUnansweredPutAddedOnce_data();
    void newTasksOfAnUnansweredPutAddedOnce();
    void singleListRunLeavesAListInDoubtToTheFullRun();
    void oldListsFileWithoutMarksStillLoads();
    void damagedUpdateMarkReadsAsNull_data();
    void damagedUpdateMarkReadsAsNull();
    void listWithADamagedUpdateMarkSendsItsChange_data();
    void listWithADamagedUpdateMarkSendsItsChange();
    void groupsUploadInDoubtMakesEachGroupOnce_data();
    void groupsUploadInDoubtMakesEachGroupOnce();

private:
    // Runs a full synchronisation; with `killWhen`, the program is killed
    // (the run and the client dropped, nothing more saved) once it holds.
    bool runSync(LiveClient &client, const std::function<bool()> &killWhen = {});
    void uploadWithFault(LiveClient &client, int fault, const QByteArray &method, const QString &path,
                         const QString &fetch);

    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstUploadsInDoubt::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    QFile::remove(NotepadNotes::filePath());
}

void TstUploadsInDoubt::cleanup()
{
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

bool TstUploadsInDoubt::runSync(LiveClient &client, const std::function<bool()> &killWhen)
{
    return runClientSync(client, *m_server, killWhen);
}

// Sends the client's upload with the fault on its request (or on the fetch
// after it), and leaves the client as the fault leaves it: killed, or failed
// and saved.
void TstUploadsInDoubt::uploadWithFault(LiveClient &client, int fault, const QByteArray &method,
                                        const QString &path, const QString &fetch)
{
    switch (Fault(fault)) {
    case FailedAfterApplying:
        m_server->respondAfterApplying(method, path, 500);
        break;
    case KilledWhileSent:
        m_server->hold(path);
        break;
    case FetchFailedThenEdited:
        m_server->respondOnce("GET", fetch, 500);
        break;
    case LostBeforeApplying:
        m_server->respondOnce(method, path, 500);
        break;
    default:
        m_server->dropAnswerAfterApplying(method, path);
        break;
    }
    if (fault == KilledWhileSent) {
        runSync(client, [&] { return m_server->requests(method, path).size() == 1; });
        QCOMPARE(m_server->requests(method, path).size(), 1);
        QCOMPARE(m_server->releaseHeld(), 1);
        QTest::qWait(50);
    } else {
        QVERIFY(!runSync(client));
        client.persist();
    }
}

void TstUploadsInDoubt::recognisedOnce_data()
{
    QTest::addColumn<bool>("note");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("expected"); // copies on the server and in the client

    const struct
    {
        const char *name;
        Fault fault;
        int expected;
    } rows[] = {
        {"answer dropped after applying", AnswerDropped, 1},
        {"500 after applying", FailedAfterApplying, 1},
        {"killed after the request left", KilledWhileSent, 1},
        {"fetch after the upload failed, edited since", FetchFailedThenEdited, 1},
        {"edited while in doubt", EditedInDoubt, 1},
        {"removed while in doubt", RemovedInDoubt, 0},
        {"a second one made alike by the user stays", DuplicatedByUser, 2},
        {"another user's look-alike is not taken", OthersLookAlike, 2},
        {"lost before applying: posted again once", LostBeforeApplying, 1},
    };
    for (bool note : {false, true}) {
        for (const auto &row : rows) {
            if (note && row.fault == OthersLookAlike)
                continue; // notes are private to their owner
            // A note is told by its content only, which a note made alike
            // elsewhere shares: its removal in doubt deletes nothing there,
            // and the copy comes back.
            const int expected = note && row.fault == RemovedInDoubt ? 1 : row.expected;
            QTest::addRow("%s: %s", note ? "note" : "list", row.name) << note << int(row.fault) << expected;
        }
    }
}

void TstUploadsInDoubt::recognisedOnce()
{
    QFETCH(bool, note);
    QFETCH(int, fault);
    QFETCH(int, expected);
    const QString name = QStringLiteral("Trip");
    const QString post = note ? QStringLiteral("^/notepad-notes$") : QStringLiteral("^/lists$");
    const QString fetch = note ? QStringLiteral("^/notepad-notes/\\d+$") : QStringLiteral("^/lists/\\d+$");
    const bool edited = fault == FetchFailedThenEdited || fault == EditedInDoubt;
    ModalAnswerer boxes;
    StoredClient store(QStringLiteral("a"));

    // First run: the item is made and its upload goes wrong.
    {
        LiveClient client(store);
        if (note)
            client.addNote(name, noteText(PostedTitles));
        else
            client.addList(name, PostedTitles);
        client.persist();
        uploadWithFault(client, fault, "POST", post, fetch);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(m_server->faultsFired(), 1);

    // The user acts before the next run.
    {
        LiveClient client(store);
        QCOMPARE(note ? client.countNotes(name) : client.countLists(name), 1);
        switch (Fault(fault)) {
        case FetchFailedThenEdited:
        case EditedInDoubt:
            if (note) {
                client.note(name)->editText(noteText(EditedTitles));
            } else {
                ListModel *model = client.model(name);
                model->setTaskTitle(model->taskList()->rootTask()->children().first(), EditedTitles.first());
            }
            break;
        case RemovedInDoubt:
            if (note)
                client.removeNote(client.note(name));
            else
                client.lists->deleteList(client.model(name)->taskList());
            break;
        case DuplicatedByUser:
            if (note)
                client.addNote(name, noteText(PostedTitles));
            else
                client.addList(name, PostedTitles);
            break;
        case OthersLookAlike: {
            QList<FakeTask> tasks;
            for (const QString &title : PostedTitles)
                tasks << FakeTask::make(title);
            m_server->share(m_server->addList(QStringLiteral("bob"), name, tasks), QStringLiteral("alice"),
                            QStringLiteral("rw"));
            break;
        }
        default:
            break;
        }
        client.persist();
    }

    // The next runs, without faults.
    m_server->clearRequests();
    for (int i = 0; i < 2; ++i) {
        LiveClient client(store);
        QVERIFY(runSync(client));
        client.persist();
    }
    QCOMPARE(boxes.titles, QStringList());

    // One more run changes nothing.
    m_server->clearRequests();
    LiveClient client(store);
    QVERIFY(runSync(client));
    QCOMPARE(m_server->requests("POST", post).size(), 0);
    QCOMPARE(m_server->requests("PUT", fetch).size(), 0);
    QCOMPARE(m_server->requests("DELETE", fetch).size(), 0);

    const QStringList wanted = edited ? EditedTitles : PostedTitles;
    if (note) {
        QList<FakeNote> onServer;
        for (const FakeNote &n : m_server->notes(QStringLiteral("alice")))
            if (n.title == name)
                onServer << n;
        QCOMPARE(onServer.size(), expected);
        QCOMPARE(client.countNotes(name), expected);
        for (const FakeNote &n : onServer)
            QCOMPARE(n.text, noteText(wanted));
        for (NotepadNote *n : client.notes->notes()) {
            QCOMPARE(n->text(), noteText(wanted));
            QCOMPARE(n->syncStatus(), NotepadNote::Unedited);
            QVERIFY(n->pendingUpload().isEmpty());
        }
    } else {
        QList<FakeList> onServer;
        for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
            if (l.name == name)
                onServer << l;
        QCOMPARE(onServer.size(), expected);
        QCOMPARE(client.countLists(name), expected);
        for (const FakeList &l : onServer)
            QCOMPARE(serverTitles(*m_server, l.id), wanted);
        QSet<quint32> ids;
        for (ListModel *m : client.lists->models()) {
            QCOMPARE(taskTitles(m->taskList()), wanted);
            QCOMPARE(m->taskList()->syncStatus(), TaskList::Unedited);
            QVERIFY(m->taskList()->pendingUpload().isEmpty());
            ids.insert(m->taskList()->serverId());
        }
        QCOMPARE(ids.size(), expected);
        if (fault == OthersLookAlike) {
            int owned = 0;
            for (ListModel *m : client.lists->models())
                owned += m->taskList()->isOwned();
            QCOMPARE(owned, 1);
        }
        QVERIFY(client.lists->deletedLists().isEmpty());
    }
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

void TstUploadsInDoubt::newTasksOfAnUnansweredPutAddedOnce_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("meanwhile"); // 0: an old task edited, 1: the new one renamed, 2: it removed
    QTest::addColumn<bool>("subtask"); // the new task goes under the first one
    const struct
    {
        const char *name;
        Fault fault;
    } faults[] = {
        {"answer dropped after applying", AnswerDropped},
        {"500 after applying", FailedAfterApplying},
        {"killed after the request left", KilledWhileSent},
        {"fetch after the upload failed", FetchFailedThenEdited},
        {"lost before applying", LostBeforeApplying},
    };
    const char *changes[] = {"old task edited", "new task renamed", "new task removed"};
    for (const auto &f : faults)
        for (int m = 0; m < 3; ++m)
            QTest::addRow("%s, %s", f.name, changes[m]) << int(f.fault) << m << false;
    for (const auto &f : faults)
        QTest::addRow("%s, new subtask, %s", f.name, changes[0]) << int(f.fault) << 0 << true;
}

// An Edited list's PUT carries tasks the server has no id for; the server
// adds them but the client never learns their ids. The next run finds them
// on the server and sends only what is still missing.
void TstUploadsInDoubt::newTasksOfAnUnansweredPutAddedOnce()
{
    QFETCH(int, fault);
    QFETCH(int, meanwhile);
    QFETCH(bool, subtask);
    const QString put = QStringLiteral("^/lists/\\d+$");
    StoredClient store(QStringLiteral("a"));
    {
        LiveClient client(store);
        client.addList(QStringLiteral("Trip"), PostedTitles);
        QVERIFY(runSync(client));
        ListModel *model = client.model(QStringLiteral("Trip"));
        Task *child = new Task;
        child->setTitle(QStringLiteral("Socks"));
        model->appendTask(child);
        if (subtask)
            QVERIFY(model->reparentTask(model->index(PostedTitles.size(), 0), model->index(0, 0), 0));
        client.persist();
        uploadWithFault(client, fault, "PUT", put, put);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(m_server->faultsFired(), 1);
    {
        // What the user does meanwhile goes up too.
        LiveClient client(store);
        ListModel *model = client.model(QStringLiteral("Trip"));
        const QList<Task *> tasks = model->taskList()->rootTask()->children();
        if (meanwhile == 0)
            model->setTaskTitle(tasks.first(), EditedTitles.first());
        else if (meanwhile == 1)
            model->setTaskTitle(tasks.last(), QStringLiteral("Wool socks"));
        else
            model->taskList()->removeTask(tasks.last());
        model->setChanged();
        client.persist();
    }
    for (int i = 0; i < 2; ++i) {
        LiveClient client(store);
        QVERIFY(runSync(client));
        client.persist();
    }
    if (subtask) {
        // Sent once, kept once, under its task on both sides.
        QCOMPARE(m_server->visibleLists(QStringLiteral("alice")).size(), 1);
        const QList<FakeTask> onServer = m_server->tasks(m_server->visibleLists(QStringLiteral("alice")).first().id);
        QCOMPARE(serverTitles(*m_server, m_server->visibleLists(QStringLiteral("alice")).first().id), EditedTitles);
        QCOMPARE(onServer.first().children.size(), 1);
        QCOMPARE(onServer.first().children.first().title(), QStringLiteral("Socks"));
        LiveClient client(store);
        const TaskList *list = client.model(QStringLiteral("Trip"))->taskList();
        QCOMPARE(taskTitles(list), EditedTitles);
        const QList<Task *> under = list->rootTask()->children().first()->children();
        QCOMPARE(under.size(), 1);
        QCOMPARE(under.first()->title(), QStringLiteral("Socks"));
        QVERIFY(list->pendingUpload().isEmpty());
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
        return;
    }
    QStringList wanted = PostedTitles;
    if (meanwhile == 0)
        wanted = QStringList{EditedTitles.first(), EditedTitles.last(), QStringLiteral("Socks")};
    else if (meanwhile == 1)
        wanted << QStringLiteral("Wool socks");
    QCOMPARE(m_server->visibleLists(QStringLiteral("alice")).size(), 1);
    QCOMPARE(serverTitles(*m_server, m_server->visibleLists(QStringLiteral("alice")).first().id), wanted);
    // The task the earlier upload added is the one that stays: nothing was
    // removed there unless the user removed it here.
    QCOMPARE(m_server->visibleLists(QStringLiteral("alice")).first().removedTasks.isEmpty(),
             meanwhile != 2 || fault == LostBeforeApplying);
    LiveClient client(store);
    QCOMPARE(taskTitles(client.model(QStringLiteral("Trip"))->taskList()), wanted);
    QVERIFY(client.model(QStringLiteral("Trip"))->taskList()->pendingUpload().isEmpty());
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

// A single-list run cannot see the server's other lists: it leaves a list
// whose earlier upload is in doubt alone, says so, and the full run settles
// it.
void TstUploadsInDoubt::singleListRunLeavesAListInDoubtToTheFullRun()
{
    StoredClient store(QStringLiteral("a"));
    {
        LiveClient client(store);
        client.addList(QStringLiteral("Trip"), PostedTitles);
        m_server->dropAnswerAfterApplying("POST", QStringLiteral("^/lists$"));
        QVERIFY(!runSync(client));
        QVERIFY(client.listSaves >= 1);
        // Saved before the request left: the file has the mark.
        std::unique_ptr<UserLists> onDisk(UserLists::load(store.listsPath()));
        QVERIFY(onDisk);
        QVERIFY(!onDisk->taskLists().first()->pendingUpload().isEmpty());
        client.persist();
    }
    m_server->clearRequests();
    LiveClient client(store);
    SingleListSynchronizer single(client.lists, &client, client.model(QStringLiteral("Trip")));
    QSignalSpy ended(&single, &SingleListSynchronizer::failed);
    single.start();
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.first().first().toString(), SingleListSynchronizer::waitsForFullSyncText(QStringLiteral("Trip")));
    QCOMPARE(m_server->requests().size(), 0);
    QVERIFY(runSync(client));
    QCOMPARE(m_server->visibleLists(QStringLiteral("alice")).size(), 1);
    QCOMPARE(client.lists->models().size(), 1);
}

// Lists and notepad files written before the mark existed load as before; a
// removed list or note whose upload is in doubt is kept without an id.
void TstUploadsInDoubt::oldListsFileWithoutMarksStillLoads()
{
    StoredClient store(QStringLiteral("a"));
    {
        LiveClient client(store);
        client.addList(QStringLiteral("Trip"), PostedTitles);
        client.addNote(QStringLiteral("Idea"), QStringLiteral("kite"));
        client.persist();
    }
    QFile file(store.listsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("pending-upload"));
    file.close();
    {
        LiveClient client(store);
        QCOMPARE(client.lists->models().size(), 1);
        QVERIFY(client.model(QStringLiteral("Trip"))->taskList()->pendingUpload().isEmpty());
        // A marked one, removed.
        client.model(QStringLiteral("Trip"))->taskList()->setPendingUpload(QStringLiteral("7:abc"));
        client.lists->deleteList(client.model(QStringLiteral("Trip"))->taskList());
        client.note(QStringLiteral("Idea"))->setPendingUpload(QStringLiteral("7:def"));
        client.removeNote(client.note(QStringLiteral("Idea")));
        client.persist();
    }
    LiveClient client(store);
    QCOMPARE(client.lists->models().size(), 0);
    QCOMPARE(client.lists->deletedLists().size(), 1);
    QCOMPARE(client.lists->deletedLists().first()->serverId(), 0u);
    QCOMPARE(client.lists->deletedLists().first()->pendingUpload(), QStringLiteral("7:abc"));
    QCOMPARE(client.notes->notes().size(), 1);
    QCOMPARE(client.notes->notes().first()->syncStatus(), NotepadNote::Deleted);
    QCOMPARE(client.notes->notes().first()->pendingUpload(), QStringLiteral("7:def"));
}

void TstUploadsInDoubt::groupsUploadInDoubtMakesEachGroupOnce_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("changedThere");
    QTest::newRow("killed after the save, the upload never arrived") << int(LostBeforeApplying) << true;
    QTest::newRow("killed after the upload arrived") << int(KilledWhileSent) << true;
    QTest::newRow("answer lost after the upload arrived") << int(AnswerDropped) << true;
    QTest::newRow("500 after the upload arrived") << int(FailedAfterApplying) << true;
    QTest::newRow("changed here only, groups saved before the run, killed after the upload arrived")
        << int(KilledWhileSent) << false;
}

// The groups here, changed since another computer added Work, go up merged
// with it; the answer does not come back. The next runs make the group made
// here once, keep Work, and then send nothing.
void TstUploadsInDoubt::groupsUploadInDoubtMakesEachGroupOnce()
{
    QFETCH(int, fault);
    QFETCH(bool, changedThere);
    const QString path = QStringLiteral("list-groups-display-order$");
    const quint32 books = m_server->addList(QStringLiteral("alice"), QStringLiteral("Books"), {});
    const quint32 chores = m_server->addList(QStringLiteral("alice"), QStringLiteral("Chores"), {});
    FakeGroup root{0, {}, true, {books, chores}, {FakeGroup{5, QStringLiteral("Home"), true, {}, {}}}};
    m_server->setGroups(QStringLiteral("alice"), root);
    StoredClient store(QStringLiteral("a"));
    {
        LiveClient client(store);
        QVERIFY(runSync(client));
        client.persist();
    }
    // Another computer's change.
    if (changedThere) {
        root.lists = {books};
        root.children << FakeGroup{6, QStringLiteral("Work"), true, {chores}, {}};
        m_server->setGroups(QStringLiteral("alice"), root);
    }
    {
        LiveClient client(store);
        ListsGroups *groups = client.listsGroups();
        ListsGroupsElementGroup *errands = groups->addGroupToDefaultGroup();
        groups->setGroupName(errands, QStringLiteral("Errands"));
        groups->userMoveListToGroup(groups->findList(0, books), errands);
        client.persist();
        if (fault == LostBeforeApplying || fault == KilledWhileSent) {
            if (fault == LostBeforeApplying)
                m_server->respondOnce("PUT", path, 500);
            else
                m_server->hold("PUT", path);
            runSync(client, [&] { return m_server->requests("PUT", path).size() == 1; });
            m_server->releaseHeld();
            QTest::qWait(50);
        } else {
            uploadWithFault(client, fault, "PUT", path, path);
        }
    }
    QCOMPARE(m_server->faultsFired(), 1);
    QVERIFY(LiveClient(store).listsGroups()->isUploadInDoubt());

    for (int i = 0; i < 2; ++i) {
        LiveClient client(store);
        QVERIFY(runSync(client));
        client.persist();
    }
    const QString expected = changedThere ? QStringLiteral("[]Home([])Work([Chores])Errands([Books])")
                                          : QStringLiteral("[Chores]Home([])Errands([Books])");
    QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), expected);
    m_server->clearRequests();
    LiveClient client(store);
    QCOMPARE(groupsOutline(client.listsGroups()->rootGroup(), *client.lists), expected);
    QVERIFY(!client.listsGroups()->isUploadInDoubt());
    QVERIFY(runSync(client));
    QCOMPARE(m_server->requests("PUT", path).size(), 0);
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

void TstUploadsInDoubt::damagedUpdateMarkReadsAsNull_data()
{
    addDamagedUpdateMarkRows();
}

// Nothing of a damaged mark is half-read.
void TstUploadsInDoubt::damagedUpdateMarkReadsAsNull()
{
    QFETCH(QString, mark);
    const QHash<QString, QString> values{
        {QStringLiteral("F"), QStringLiteral("0123456789ab")}, {QStringLiteral("I"), QStringLiteral("cdef01234567")},
        {QStringLiteral("D"), QStringLiteral("89abcdef0123")}, {QStringLiteral("T1"), QStringLiteral("1001")},
        {QStringLiteral("C1"), QStringLiteral("456789abcdef")}, {QStringLiteral("T2"), QStringLiteral("1002")},
        {QStringLiteral("C2"), QStringLiteral("fedcba987654")}};
    const UploadMark intact = UploadMark::read(filled(IntactUpdateMark, values));
    QVERIFY(intact.isPut() && intact.hasArrived());
    QCOMPARE(intact.tasks().size(), 1);
    QCOMPARE(intact.knownTasks().size(), 2);

    const UploadMark damaged = UploadMark::read(filled(mark, values));
    QVERIFY(damaged.isNull());
    QVERIFY(!damaged.isPut() && !damaged.isPost() && !damaged.hasArrived());
    QVERIFY(damaged.tasks().isEmpty());
    QVERIFY(damaged.knownTasks().isEmpty());
    QVERIFY(damaged.removedTasks().isEmpty());
    QVERIFY(damaged.fieldsDigests().isEmpty());
    QCOMPARE(damaged.text(), QString());
}

void TstUploadsInDoubt::listWithADamagedUpdateMarkSendsItsChange_data()
{
    addDamagedUpdateMarkRows();
}

// A list whose update mark is damaged in the lists file goes as a list edited
// here: its change goes up, over the other computer's edit of the same task as
// any later upload does, and every task keeps its own id.
void TstUploadsInDoubt::listWithADamagedUpdateMarkSendsItsChange()
{
    QFETCH(QString, mark);
    const QString name = QStringLiteral("Trip");
    const QStringList wanted{QStringLiteral("Passports"), QStringLiteral("Bags"), QStringLiteral("Socks")};
    ModalAnswerer boxes;
    StoredClient a(QStringLiteral("a"));
    StoredClient b(QStringLiteral("b"));
    {
        LiveClient client(a);
        client.addList(name, PostedTitles);
        QVERIFY(runSync(client));
        client.persist();
    }
    {
        LiveClient client(b);
        QVERIFY(runSync(client));
        client.persist();
    }
    quint32 ticketsId = 0;
    quint32 bagsId = 0;
    QString damaged;
    {
        LiveClient client(a);
        ListModel *model = client.model(name);
        TaskList *list = model->taskList();
        Task *tickets = list->rootTask()->children().at(0);
        Task *bags = list->rootTask()->children().at(1);
        ticketsId = tickets->id();
        bagsId = bags->id();
        model->setTaskTitle(tickets, wanted.at(0));
        auto *socks = new Task;
        socks->setTitle(wanted.at(2));
        model->appendTask(socks);
        damaged = filled(mark, {{QStringLiteral("F"), UploadMark::listFieldsDigest(list)},
                                {QStringLiteral("I"), UploadMark::identityDigest(socks)},
                                {QStringLiteral("D"), UploadMark::contentDigest(socks)},
                                {QStringLiteral("T1"), QString::number(ticketsId)},
                                {QStringLiteral("C1"), UploadMark::contentDigest(tickets)},
                                {QStringLiteral("T2"), QString::number(bagsId)},
                                {QStringLiteral("C2"), UploadMark::contentDigest(bags)}});
        list->setPendingUpload(damaged);
        model->setChanged();
        client.persist();
    }
    {
        LiveClient client(b);
        ListModel *model = client.model(name);
        model->setTaskTitle(model->taskList()->rootTask()->children().first(), QStringLiteral("Visas"));
        QVERIFY(runSync(client));
        client.persist();
    }
    {
        LiveClient client(a);
        QCOMPARE(client.loadProblem, QString());
        QCOMPARE(client.model(name)->taskList()->pendingUpload(), damaged);
    }
    for (int round = 0; round < 2; ++round) {
        for (StoredClient *store : {&a, &b}) {
            LiveClient client(*store);
            QVERIFY(runSync(client));
            client.persist();
        }
    }
    QCOMPARE(boxes.titles, QStringList());
    const QList<FakeList> onServer = m_server->visibleLists(QStringLiteral("alice"));
    QCOMPARE(onServer.size(), 1);
    const quint32 id = onServer.first().id;
    QCOMPARE(serverTitles(*m_server, id), wanted);
    QVERIFY(onServer.first().removedTasks.isEmpty());
    const QList<quint32> ids{ticketsId, bagsId, m_server->taskByTitle(id, wanted.at(2)).id};
    QCOMPARE(m_server->taskByTitle(id, wanted.at(0)).id, ticketsId);
    QCOMPARE(m_server->taskByTitle(id, wanted.at(1)).id, bagsId);
    for (StoredClient *store : {&a, &b}) {
        LiveClient client(*store);
        QCOMPARE(client.lists->models().size(), 1);
        const TaskList *list = client.model(name)->taskList();
        QCOMPARE(taskTitles(list), wanted);
        QList<quint32> here;
        for (const Task *task : list->rootTask()->children())
            here << task->id();
        QCOMPARE(here, ids);
        QCOMPARE(list->syncStatus(), TaskList::Unedited);
        QVERIFY(list->pendingUpload().isEmpty());
    }
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

PLUMDECK_TEST_MAIN(TstUploadsInDoubt)
#include "tst_uploadsindoubt.moc"
