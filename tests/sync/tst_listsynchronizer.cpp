#include "model/listinfo.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "sync/runs/listsynchronizer.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

const quint32 ServerRevision = 5;
const char ListName[] = "Groceries";

enum IdMode { NoId, ServerList, UnknownId };

struct Run
{
    std::unique_ptr<ListSynchronizer> sync;
    std::unique_ptr<TaskList> local;
    std::unique_ptr<ListInfo> info;
    QStringList progress;
    int finishedCount = 0;
};

TaskList *makeLocalList(int status, quint32 id, quint32 revision)
{
    TaskList *list = TaskList::create();
    list->setName(QString::fromLatin1(ListName));
    Task *task = list->rootTask()->createChild(0);
    task->setTitle(QStringLiteral("Bread"));
    list->setSyncStatus(TaskList::SyncStatus(status));
    if (id)
        list->setServerId(id);
    list->setRevision(revision);
    return list;
}

} // namespace

class TstListSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void decisionTable_data();
    void decisionTable();
    void cancel_data();
    void cancel();
    void unknownStatusIsAFailedStep();
    void idWithoutSummaryIsAFailedStep();
    void resultListNeverTaken();
    void destroyedMidRunLeavesTheQueueWorking();
    void requestsAreCompressedDocuments();
    void postAcceptedButFetchFailedIsNotPostedAgain_data();
    void postAcceptedButFetchFailedIsNotPostedAgain();

private:
    quint32 seedList(const QString &owner = QStringLiteral("alice"));
    void startRun(Run &run, int status, IdMode idMode, int revisionDelta, bool forceRemote,
                  const QString &infoPermissions);
    bool waitFinished(Run &run);

    std::unique_ptr<FakeServer> m_server;
    quint32 m_listId = 0;
};

void TstListSynchronizer::init()
{
    m_server = startFakeServer();
    QVERIFY(m_server);
    m_server->setStrictCompression(true);
}

void TstListSynchronizer::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
}

quint32 TstListSynchronizer::seedList(const QString &owner)
{
    const quint32 id = m_server->addList(owner, QString::fromLatin1(ListName),
                                         {FakeTask::make(QStringLiteral("Milk")),
                                          FakeTask::make(QStringLiteral("Eggs"))});
    FakeList list = m_server->list(id);
    list.revision = ServerRevision;
    m_server->putList(list);
    return id;
}

void TstListSynchronizer::startRun(Run &run, int status, IdMode idMode, int revisionDelta,
                                   bool forceRemote, const QString &infoPermissions)
{
    const quint32 id = idMode == NoId ? 0 : idMode == ServerList ? m_listId : 999;
    if (id)
        run.info.reset(new ListInfo(id, ServerRevision, 1, QString::fromLatin1(ListName),
                                    QStringLiteral("alice"), infoPermissions, true, false));
    if (status >= 0)
        run.local.reset(makeLocalList(status, id, quint32(int(ServerRevision) + revisionDelta)));
    run.sync.reset(new ListSynchronizer(id, run.info.get(), run.local.get(), 7));
    run.sync->setForceRemote(forceRemote);
    connect(run.sync.get(), &ListSynchronizer::addProgress, this, [&run](const QString &desc, int addition) {
        QCOMPARE(addition, 7);
        run.progress << desc;
    });
    connect(run.sync.get(), &ListSynchronizer::finished, this, [&run] { ++run.finishedCount; });
    run.sync->start();
}

bool TstListSynchronizer::waitFinished(Run &run)
{
    if (!QTest::qWaitFor([&run] { return run.finishedCount > 0; }, 10000))
        return false;
    // Nothing more arrives once the run has ended.
    QTest::qWait(20);
    return run.finishedCount == 1;
}

void TstListSynchronizer::decisionTable_data()
{
    QTest::addColumn<int>("status");            // -1: no local list
    QTest::addColumn<int>("idMode");
    QTest::addColumn<int>("revisionDelta");     // local revision - server revision
    QTest::addColumn<bool>("forceRemote");
    QTest::addColumn<QString>("sharedLetters"); // empty: alice owns; else bob's list shared with alice
    QTest::addColumn<QString>("infoPermissions");
    QTest::addColumn<QByteArray>("faultMethod");
    QTest::addColumn<QString>("faultPath");
    QTest::addColumn<int>("faultStatus");
    QTest::addColumn<QByteArray>("faultBody");
    QTest::addColumn<QByteArray>("faultReason"); // empty: the status's usual one
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("requests");  // ID: the list's id, NEW: the id the server gave
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<QString>("serverAfter");   // same, gone, bumped, created

    const QString name = QString::fromLatin1(ListName);
    const QString checking = QStringLiteral("Checking for changes in list \"%1\"").arg(name);
    const QString uploading = QStringLiteral("Uploading changes to list \"%1\"").arg(name);
    const QString deleting = QStringLiteral("Deleting list \"%1\"").arg(name);
    const QString revisionText = QStringLiteral("The local revision number of the list %1 is bigger than the remote one.\n"
                                                "Please force a local or remote sync to fix the problem").arg(name);
    const QString notXml = QStringLiteral("^XML failed to parse: ");
    const QByteArray noList = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head><body/></html>";
    const QString any;
    const QByteArray none;
    const QString itemPath = QStringLiteral("^/lists/\\d+$");

    auto row = [&](const char *tag, int status, int idMode, int delta, bool force, const QString &shared,
                   const QString &perms, const QByteArray &fm, int fs, const QByteArray &fb, int result,
                   const QString &error, const QStringList &requests, const QStringList &progress,
                   const QString &after, const QString &faultPath = QString(), const QByteArray &reason = {}) {
        QTest::newRow(tag) << status << idMode << delta << force << shared << perms << fm
                           << (faultPath.isEmpty() ? (fm == "POST" ? QStringLiteral("^/lists$") : itemPath) : faultPath)
                           << fs << fb << reason << result << error << requests << progress << after;
    };
    const QString orwd = QStringLiteral("orwd");
    const QStringList getNew{QStringLiteral("Downloading new remote list")};
    const QStringList delNew{QStringLiteral("Deleting new remote list")};

    // No local list: fetched, or deleted with force remote.
    row("remote only: GET 200", -1, ServerList, 0, false, any, orwd, none, 0, none, ListSynchronizer::ReceivedNew, {},
        {"GET /lists/ID"}, getNew, "same");
    row("remote only: GET 404", -1, UnknownId, 0, false, any, orwd, none, 0, none, ListSynchronizer::RemoteGone, {},
        {"GET /lists/999"}, getNew, "same");
    row("remote only: GET 410", -1, ServerList, 0, false, any, orwd, "GET", 410, none, ListSynchronizer::RemoteGone, {},
        {"GET /lists/ID"}, getNew, "same");
    row("remote only: GET 500", -1, ServerList, 0, false, any, orwd, "GET", 500, none, ListSynchronizer::Failed,
        "Failed to retrieve list.", {"GET /lists/ID"}, getNew, "same");
    row("remote only: GET 403", -1, ServerList, 0, false, any, orwd, "GET", 403, none, ListSynchronizer::Failed,
        "Failed to retrieve list.", {"GET /lists/ID"}, getNew, "same");
    row("remote only: GET body not XML", -1, ServerList, 0, false, any, orwd, "GET", 200, "not <xml", ListSynchronizer::Failed,
        notXml, {"GET /lists/ID"}, getNew, "same");
    row("remote only: GET body without a list", -1, ServerList, 0, false, any, orwd, "GET", 200, noList,
        ListSynchronizer::Failed, "^parse error: ", {"GET /lists/ID"}, getNew, "same");
    row("remote only, forced: DELETE 200", -1, ServerList, 0, true, any, orwd, none, 0, none, ListSynchronizer::RemoteGone, {},
        {"DELETE /lists/ID"}, delNew, "gone");
    row("remote only, forced: DELETE 204", -1, ServerList, 0, true, any, orwd, "DELETE", 204, none,
        ListSynchronizer::RemoteGone, {}, {"DELETE /lists/ID"}, delNew, "same");
    row("remote only, forced: DELETE 404", -1, UnknownId, 0, true, any, orwd, none, 0, none, ListSynchronizer::RemoteGone, {},
        {"DELETE /lists/999"}, delNew, "same");
    row("remote only, forced: DELETE 410", -1, ServerList, 0, true, any, orwd, "DELETE", 410, none,
        ListSynchronizer::RemoteGone, {}, {"DELETE /lists/ID"}, delNew, "same");
    row("remote only, forced: DELETE 403 without d", -1, ServerList, 0, true, "r", "r", none, 0, none,
        ListSynchronizer::DeleteRefused, {}, {"DELETE /lists/ID"}, delNew, "same");
    row("remote only, forced: DELETE 403 with d", -1, ServerList, 0, true, any, orwd, "DELETE", 403, none,
        ListSynchronizer::Failed, "Failed to delete list.", {"DELETE /lists/ID"}, delNew, "same");

    // New: posted, then fetched back.
    const QStringList upNew{QStringLiteral("Uploading list \"%1\"").arg(name)};
    row("new: POST 201, GET 200", 1, NoId, 0, false, any, orwd, none, 0, none, ListSynchronizer::ReceivedExisting, {},
        {"POST /lists", "GET /lists/NEW"}, upNew, "created");
    // A refused new list says what the server answered, as a refused update does.
    row("new: POST 500", 1, NoId, 0, false, any, orwd, "POST", 500, none, ListSynchronizer::Failed,
        "Failed to add new list. Unexpected response 500 Internal Server Error", {"POST /lists"}, upNew, "same");
    row("new: POST 200", 1, NoId, 0, false, any, orwd, "POST", 200, none, ListSynchronizer::Failed,
        "Failed to add new list. Unexpected response 200 OK", {"POST /lists"}, upNew, "same");
    row("new: POST 507 with the server's reason", 1, NoId, 0, false, any, orwd, "POST", 507, none,
        ListSynchronizer::Failed, "Failed to add new list. Unexpected response 507 Quota of lists reached",
        {"POST /lists"}, upNew, "same", QString(), "Quota of lists reached");
    row("new: POST 500 without a reason", 1, NoId, 0, false, any, orwd, "POST", 500, none, ListSynchronizer::Failed,
        "Failed to add new list. Unexpected response 500", {"POST /lists"}, upNew, "same", QString(), " ");
    row("new: POST 201 without an id", 1, NoId, 0, false, any, orwd, "POST", 201, noList, ListSynchronizer::Failed,
        "^parse error: failed to find ", {"POST /lists"}, upNew, "same");
    row("new: POST 201, GET 410", 1, NoId, 0, false, any, orwd, "GET", 410, none, ListSynchronizer::Gone, {},
        {"POST /lists", "GET /lists/NEW"}, upNew, "created");
    row("new: POST 201, GET 500", 1, NoId, 0, false, any, orwd, "GET", 500, none, ListSynchronizer::Failed,
        "Failed to retrieve list.", {"POST /lists", "GET /lists/NEW"}, upNew, "created");

    // Unedited.
    row("unedited: id 0", 2, NoId, 0, false, any, orwd, none, 0, none, ListSynchronizer::Gone, {}, {},
        {QStringLiteral("List \"%1\" gone from server").arg(name)}, "same");
    row("unedited: same revision", 2, ServerList, 0, false, any, orwd, none, 0, none, ListSynchronizer::NoChanges, {}, {},
        {checking, QStringLiteral("No changes in list \"%1\"").arg(name)}, "same");
    const QStringList download{checking, QStringLiteral("Download changes in list \"%1\"").arg(name)};
    row("unedited: server newer, GET 200", 2, ServerList, -2, false, any, orwd, none, 0, none,
        ListSynchronizer::ReceivedExisting, {}, {"GET /lists/ID"}, download, "same");
    row("unedited: server newer, GET 404", 2, ServerList, -2, false, any, orwd, "GET", 404, none, ListSynchronizer::Gone, {},
        {"GET /lists/ID"}, download, "same");
    row("unedited: server newer, GET 410", 2, ServerList, -2, false, any, orwd, "GET", 410, none, ListSynchronizer::Gone, {},
        {"GET /lists/ID"}, download, "same");
    row("unedited: server newer, GET 500", 2, ServerList, -2, false, any, orwd, "GET", 500, none, ListSynchronizer::Failed,
        "Failed to retrieve list.", {"GET /lists/ID"}, download, "same");
    row("unedited: server newer, GET body not XML", 2, ServerList, -2, false, any, orwd, "GET", 200, "<<<",
        ListSynchronizer::Failed, notXml, {"GET /lists/ID"}, download, "same");
    row("unedited: local newer", 2, ServerList, 1, false, any, orwd, none, 0, none, ListSynchronizer::Failed, revisionText,
        {}, {checking}, "same");

    // Edited.
    row("edited: id 0", 3, NoId, 0, false, any, orwd, none, 0, none, ListSynchronizer::Gone, {}, {},
        {QStringLiteral("List \"%1\" gone from server").arg(name)}, "same");
    row("edited: same revision, PUT 200, GET 200", 3, ServerList, 0, false, any, orwd, none, 0, none,
        ListSynchronizer::ReceivedExisting, {}, {"PUT /lists/ID", "GET /lists/ID"}, {uploading}, "bumped");
    // What the list agreed with the server is not known here: put whole, it
    // would undo what changed there since. The server's copy is taken, the
    // list's own version kept beside it by the owner.
    row("edited: server newer, nothing agreed: GET 200, kept beside", 3, ServerList, -3, false, any, orwd, none, 0,
        none, ListSynchronizer::ReceivedExisting, {}, {"GET /lists/ID"}, {uploading}, "same");
    // A server's copy that cannot be read is never written over.
    row("edited: server newer, GET body not XML", 3, ServerList, -3, false, any, orwd, "GET", 200, "<<<",
        ListSynchronizer::Failed, notXml, {"GET /lists/ID"}, {uploading}, "same");
    row("edited: PUT 204, GET 200", 3, ServerList, 0, false, any, orwd, "PUT", 204, none,
        ListSynchronizer::ReceivedExisting, {}, {"PUT /lists/ID", "GET /lists/ID"}, {uploading}, "same");
    row("edited: local newer", 3, ServerList, 2, false, any, orwd, none, 0, none, ListSynchronizer::Failed, revisionText,
        {}, {uploading}, "same");
    row("edited: PUT 404", 3, UnknownId, 0, false, any, orwd, none, 0, none, ListSynchronizer::Gone, {},
        {"PUT /lists/999"}, {uploading}, "same");
    row("edited: PUT 410", 3, ServerList, 0, false, any, orwd, "PUT", 410, none, ListSynchronizer::Gone, {},
        {"PUT /lists/ID"}, {uploading}, "same");
    row("edited: PUT 403 on a read-only share", 3, ServerList, 0, false, "r", "r", none, 0, none,
        ListSynchronizer::ReceivedExisting, {}, {"PUT /lists/ID", "GET /lists/ID"}, {uploading}, "same");
    // A refused upload says what the server answered, as the other runs do.
    row("edited: PUT 403 with w", 3, ServerList, 0, false, any, orwd, "PUT", 403, none, ListSynchronizer::Failed,
        "Failed to upload changes. Unexpected response 403 Forbidden", {"PUT /lists/ID"}, {uploading}, "same");
    row("edited: PUT 500", 3, ServerList, 0, false, any, orwd, "PUT", 500, none, ListSynchronizer::Failed,
        "Failed to upload changes. Unexpected response 500 Internal Server Error", {"PUT /lists/ID"}, {uploading},
        "same");
    row("edited: PUT 201", 3, ServerList, 0, false, any, orwd, "PUT", 201, none, ListSynchronizer::Failed,
        "Failed to upload changes. Unexpected response 201 Created", {"PUT /lists/ID"}, {uploading}, "same");
    row("edited: PUT 507 with the server's reason", 3, ServerList, 0, false, any, orwd, "PUT", 507, none,
        ListSynchronizer::Failed, "Failed to upload changes. Unexpected response 507 Quota of lists reached",
        {"PUT /lists/ID"}, {uploading}, "same", QString(), "Quota of lists reached");
    row("edited: PUT 500 without a reason", 3, ServerList, 0, false, any, orwd, "PUT", 500, none,
        ListSynchronizer::Failed, "Failed to upload changes. Unexpected response 500", {"PUT /lists/ID"}, {uploading},
        "same", QString(), " ");
    row("edited: PUT 200, GET 404", 3, ServerList, 0, false, any, orwd, "GET", 404, none, ListSynchronizer::Gone, {},
        {"PUT /lists/ID", "GET /lists/ID"}, {uploading}, "bumped");
    row("edited: PUT 403 read-only, GET 500", 3, ServerList, 0, false, "r", "r", "GET", 500, none,
        ListSynchronizer::Failed, "Failed to retrieve list.", {"PUT /lists/ID", "GET /lists/ID"}, {uploading}, "same");

    // Deleted.
    row("deleted: id 0", 4, NoId, 0, false, any, orwd, none, 0, none, ListSynchronizer::Gone, {}, {},
        {QStringLiteral("List \"%1\" already gone from server").arg(name)}, "same");
    row("deleted: DELETE 200", 4, ServerList, 0, false, any, orwd, none, 0, none, ListSynchronizer::Gone, {},
        {"DELETE /lists/ID"}, {deleting}, "gone");
    row("deleted: DELETE 204", 4, ServerList, 0, false, any, orwd, "DELETE", 204, none, ListSynchronizer::Gone, {},
        {"DELETE /lists/ID"}, {deleting}, "same");
    row("deleted: DELETE 404", 4, UnknownId, 0, false, any, orwd, none, 0, none, ListSynchronizer::Gone, {},
        {"DELETE /lists/999"}, {deleting}, "same");
    row("deleted: DELETE 410", 4, ServerList, 0, false, any, orwd, "DELETE", 410, none, ListSynchronizer::Gone, {},
        {"DELETE /lists/ID"}, {deleting}, "same");
    row("deleted: DELETE 403 without d", 4, ServerList, 0, false, "rw", "rw", none, 0, none,
        ListSynchronizer::DeleteRefused, {}, {"DELETE /lists/ID"}, {deleting}, "same");
    row("deleted: DELETE 403 with d", 4, ServerList, 0, false, any, orwd, "DELETE", 403, none, ListSynchronizer::Failed,
        "Failed to delete list.", {"DELETE /lists/ID"}, {deleting}, "same");
    row("deleted: DELETE 500", 4, ServerList, 0, false, any, orwd, "DELETE", 500, none, ListSynchronizer::Failed,
        "Failed to delete list.", {"DELETE /lists/ID"}, {deleting}, "same");
    // Force remote matters only without a local list.
    row("deleted, forced: DELETE 200", 4, ServerList, 0, true, any, orwd, none, 0, none, ListSynchronizer::Gone, {},
        {"DELETE /lists/ID"}, {deleting}, "gone");
}

void TstListSynchronizer::decisionTable()
{
    QFETCH(int, status);
    QFETCH(int, idMode);
    QFETCH(int, revisionDelta);
    QFETCH(bool, forceRemote);
    QFETCH(QString, sharedLetters);
    QFETCH(QString, infoPermissions);
    QFETCH(QByteArray, faultMethod);
    QFETCH(QString, faultPath);
    QFETCH(int, faultStatus);
    QFETCH(QByteArray, faultBody);
    QFETCH(QByteArray, faultReason);
    QFETCH(int, result);
    QFETCH(QString, error);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, progress);
    QFETCH(QString, serverAfter);

    m_listId = seedList(sharedLetters.isEmpty() ? QStringLiteral("alice") : QStringLiteral("bob"));
    if (!sharedLetters.isEmpty())
        m_server->share(m_listId, QStringLiteral("alice"), sharedLetters);
    if (faultStatus)
        m_server->respondOnce(faultMethod, faultPath, faultStatus, faultBody, faultReason);
    const int listsBefore = m_server->lists().size();

    ModalAnswerer answerer;
    MessageLog log;
    Run run;
    startRun(run, status, IdMode(idMode), revisionDelta, forceRemote, infoPermissions);
    // Every outcome, a no-op included, arrives from the event loop.
    QCOMPARE(run.finishedCount, 0);
    QCOMPARE(int(run.sync->result()), 0);
    QVERIFY(waitFinished(run));

    // The lines unexpected answers and a revision conflict leave in the log.
    static const QHash<QString, QString> logLines{
        {"remote only: GET 500", "debug: Error status code in get new request list finished: 500"},
        {"unedited: server newer, GET 500", "debug: Error status code in on get existing list request: 500"},
        {"new: POST 500", "debug: Error trying to do a post new request, response: 500"},
        {"edited: local newer", "debug: The local list revision is bigger than the server one, this is an error"}};
    const QString logLine = logLines.value(QString::fromLatin1(QTest::currentDataTag()));
    if (!logLine.isEmpty())
        QVERIFY2(log.lines.contains(logLine), qPrintable(log.lines.join(QLatin1Char('\n'))));

    QCOMPARE(int(run.sync->result()), result);
    QVERIFY2(errorMatches(run.sync->errorString(), error), qPrintable(run.sync->errorString()));
    // Where the list's changes were not sent, the owner is told why.
    static const QHash<QString, ListSynchronizer::GaveWay> gaveWay{
        {"edited: server newer, nothing agreed: GET 200, kept beside", ListSynchronizer::GaveWay::NoBase},
        {"edited: PUT 403 on a read-only share", ListSynchronizer::GaveWay::ReadOnly},
        {"edited: PUT 403 read-only, GET 500", ListSynchronizer::GaveWay::ReadOnly}};
    QCOMPARE(run.sync->localGaveWay(),
             gaveWay.value(QString::fromLatin1(QTest::currentDataTag()), ListSynchronizer::GaveWay::No));
    QCOMPARE(run.progress, progress);

    quint32 newId = 0;
    if (serverAfter == QLatin1String("created")) {
        QCOMPARE(m_server->lists().size(), listsBefore + 1);
        for (const FakeList &l : m_server->lists())
            if (l.id != m_listId)
                newId = l.id;
        QCOMPARE(m_server->list(newId).owner, QStringLiteral("alice"));
        QCOMPARE(m_server->taskByTitle(newId, QStringLiteral("Bread")).title(), QStringLiteral("Bread"));
        QCOMPARE(run.sync->assignedId(), newId);
    } else {
        QCOMPARE(run.sync->assignedId(), 0u);
        QCOMPARE(m_server->lists().size(), listsBefore - (serverAfter == QLatin1String("gone") ? 1 : 0));
        if (serverAfter == QLatin1String("gone"))
            QVERIFY(m_server->list(m_listId).isNull());
        else if (serverAfter == QLatin1String("bumped"))
            QCOMPARE(m_server->revision(m_listId), ServerRevision + 1);
        else
            QCOMPARE(m_server->revision(m_listId), ServerRevision);
    }

    QStringList expected;
    for (QString line : requests)
        expected << line.replace(QLatin1String("NEW"), QString::number(newId))
                        .replace(QLatin1String("ID"), QString::number(m_listId));
    QCOMPARE(requestLines(*m_server), expected);

    // The revision box is shown (and then the run fails) only for a local
    // revision above the server's.
    if (error.startsWith(QLatin1String("The local revision"))) {
        QCOMPARE(answerer.titles, QStringList{QStringLiteral("Sync")});
        QCOMPARE(answerer.texts, QStringList{error});
    } else {
        QVERIFY(answerer.titles.isEmpty());
    }

    std::unique_ptr<TaskList> fetched(run.sync->takeResultList());
    const bool fetchedExpected = result == ListSynchronizer::ReceivedNew || result == ListSynchronizer::ReceivedExisting;
    QCOMPARE(bool(fetched), fetchedExpected);
    if (fetched) {
        const quint32 expectedId = newId ? newId : m_listId;
        QCOMPARE(fetched->serverId(), expectedId);
        QCOMPARE(fetched->syncStatus(), TaskList::Unedited);
        QCOMPARE(fetched->revision(), m_server->revision(expectedId));
        QCOMPARE(fetched->name(), QString::fromLatin1(ListName));
    }
    // The synchroniser never touches the local list.
    if (run.local) {
        QCOMPARE(int(run.local->syncStatus()), status);
        QCOMPARE(run.local->name(), QString::fromLatin1(ListName));
    }
}

void TstListSynchronizer::cancel_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("error");
    const int failed = ListSynchronizer::Failed;
    QTest::newRow("never started") << "never started" << failed << "Sync canceled";
    // The pending no-op must not end the run a second time.
    QTest::newRow("pending no-op") << "pending no-op" << failed << "Sync canceled";
    QTest::newRow("request in flight") << "in flight" << failed << "Request canceled";
    QTest::newRow("after the end: nothing") << "ended" << int(ListSynchronizer::ReceivedExisting) << "";
}

void TstListSynchronizer::cancel()
{
    QFETCH(QString, when);
    QFETCH(int, result);
    QFETCH(QString, error);
    m_listId = seedList();
    Run run;
    if (when == QLatin1String("never started")) {
        run.sync.reset(new ListSynchronizer(0, nullptr, nullptr, 1));
        connect(run.sync.get(), &ListSynchronizer::finished, this, [&run] { ++run.finishedCount; });
    } else if (when == QLatin1String("pending no-op")) {
        startRun(run, TaskList::Unedited, ServerList, 0, false, QStringLiteral("orwd"));
    } else if (when == QLatin1String("in flight")) {
        m_server->stall(QStringLiteral("^/lists/\\d+$"));
        startRun(run, TaskList::Edited, ServerList, 0, false, QStringLiteral("orwd"));
        QTRY_COMPARE(m_server->requests().size(), 1);
    } else {
        startRun(run, TaskList::Unedited, ServerList, -1, false, QStringLiteral("orwd"));
        QVERIFY(waitFinished(run));
    }
    run.sync->cancel();
    QCOMPARE(run.finishedCount, 1);
    QTest::qWait(30);
    QCOMPARE(run.finishedCount, 1);
    QCOMPARE(int(run.sync->result()), result);
    QCOMPARE(run.sync->errorString(), error);
    delete run.sync->takeResultList();
}

// A list whose status was never known (no enumerator stands for anything
// else) is no step to take.
void TstListSynchronizer::unknownStatusIsAFailedStep()
{
    m_listId = seedList();
    MessageLog log;
    Run run;
    startRun(run, TaskList::LocallyUnknown, ServerList, 0, false, QStringLiteral("orwd"));
    QCOMPARE(run.finishedCount, 0);
    QVERIFY(waitFinished(run));
    QCOMPARE(run.sync->result(), ListSynchronizer::Failed);
    QCOMPARE(run.sync->errorString(), QStringLiteral("Unknown TaskList::SyncStatus"));
    QCOMPARE(log.lines.count(QStringLiteral("warning: Unknown TaskList::SyncStatus")), 1);
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(m_server->revision(m_listId), ServerRevision);
}

// The owner keeps a summary for every id; a broken promise ends the step
// instead of reading a null summary.
void TstListSynchronizer::idWithoutSummaryIsAFailedStep()
{
    m_listId = seedList();
    std::unique_ptr<TaskList> local(makeLocalList(TaskList::Edited, m_listId, ServerRevision));
    ListSynchronizer sync(m_listId, nullptr, local.get(), 1);
    QSignalSpy finished(&sync, &ListSynchronizer::finished);
    sync.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(sync.result(), ListSynchronizer::Failed);
    QCOMPARE(sync.errorString(), QStringLiteral("internal error: no server summary for id %1").arg(m_listId));
    QVERIFY(m_server->requests().isEmpty());
}

void TstListSynchronizer::resultListNeverTaken()
{
    m_listId = seedList();
    Run run;
    startRun(run, -1, ServerList, 0, false, QStringLiteral("orwd"));
    QVERIFY(waitFinished(run));
    QCOMPARE(run.sync->result(), ListSynchronizer::ReceivedNew);
    QTest::ignoreMessage(QtDebugMsg, "ListSynchronizer: result list was never taken from us");
    run.sync.reset();
}

void TstListSynchronizer::destroyedMidRunLeavesTheQueueWorking()
{
    m_listId = seedList();
    m_server->stall(QStringLiteral("^/lists/\\d+$"), true);
    {
        Run run;
        startRun(run, TaskList::Deleted, ServerList, 0, false, QStringLiteral("orwd"));
        QTRY_COMPARE(m_server->requests().size(), 1);
        run.sync.reset();
        QCOMPARE(run.finishedCount, 0);
    }
    Run next;
    startRun(next, TaskList::Unedited, ServerList, -1, false, QStringLiteral("orwd"));
    QVERIFY(waitFinished(next));
    QCOMPARE(next.sync->result(), ListSynchronizer::ReceivedExisting);
    delete next.sync->takeResultList();
    // The stalled DELETE never reached the list.
    QCOMPARE(m_server->revision(m_listId), ServerRevision);
}

void TstListSynchronizer::requestsAreCompressedDocuments()
{
    Run run;
    startRun(run, TaskList::New, NoId, 0, false, QStringLiteral("orwd"));
    QVERIFY(waitFinished(run));
    QCOMPARE(run.sync->result(), ListSynchronizer::ReceivedExisting);
    delete run.sync->takeResultList();
    const QList<FakeRequest> requests = m_server->requests();
    QCOMPARE(requests.size(), 2);
    QVERIFY(requests[0].bodyWasZlib);
    QVERIFY(requests[0].acceptZlib);
    QVERIFY(requests[0].body.contains("pd-list"));
    QVERIFY(!requests[0].body.contains("<dt>id</dt>"));
    QVERIFY(requests[1].acceptZlib);
    QVERIFY(requests[1].responseZlib);
}

void TstListSynchronizer::postAcceptedButFetchFailedIsNotPostedAgain_data()
{
    QTest::addColumn<bool>("editedMeanwhile");
    QTest::addColumn<bool>("postRefused");
    QTest::newRow("untouched since") << false << false;
    QTest::newRow("edited since") << true << false;
    // No id came: the list stays new, to be posted again, not marked as synced.
    QTest::newRow("post refused") << false << true;
}

// The server took the new list but the fetch that follows failed: the next
// run must fetch the server's copy rather than post the list once more.
void TstListSynchronizer::postAcceptedButFetchFailedIsNotPostedAgain()
{
    QFETCH(bool, editedMeanwhile);
    QFETCH(bool, postRefused);
    if (postRefused)
        m_server->respondOnce("POST", QStringLiteral("^/lists$"), 503);
    else
        m_server->respondOnce("GET", QStringLiteral("^/lists/\\d+$"), 503);

    std::unique_ptr<TaskList> local(makeLocalList(TaskList::New, 0, 0));
    quint32 assigned = 0;
    {
        ListSynchronizer first(0, nullptr, local.get(), 1);
        QSignalSpy finished(&first, &ListSynchronizer::finished);
        first.start();
        QVERIFY(finished.wait(10000));
        QCOMPARE(first.result(), ListSynchronizer::Failed);
        if (postRefused) {
            QCOMPARE(first.assignedId(), 0u);
            ListSynchronizer::recordAssignedId(local.get(), first.assignedId());
            QCOMPARE(local->syncStatus(), TaskList::New);
            QCOMPARE(local->serverId(), 0u);
            QVERIFY(m_server->lists().isEmpty());
            return;
        }
        QCOMPARE(first.errorString(), QStringLiteral("Failed to retrieve list."));
        assigned = first.assignedId();
        QVERIFY(assigned != 0);
        QCOMPARE(m_server->lists().size(), 1);
        ListSynchronizer::recordAssignedId(local.get(), assigned);
    }
    QCOMPARE(local->serverId(), assigned);
    QCOMPARE(local->revision(), ListSynchronizer::NotFetchedRevision);
    // The mark survives the lists document.
    {
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        const QDomDocument saved = writer.writeSingleList(local.get());
        TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
        local.reset(reader.readSingleList(saved));
        QVERIFY2(local, qPrintable(reader.errorString()));
    }
    QCOMPARE(local->syncStatus(), TaskList::Unedited);
    QCOMPARE(local->serverId(), assigned);
    QCOMPARE(local->revision(), ListSynchronizer::NotFetchedRevision);
    if (editedMeanwhile) {
        local->markEdited();
        QCOMPARE(local->syncStatus(), TaskList::Edited);
    }

    m_server->clearRequests();
    const FakeList onServer = m_server->list(assigned);
    ListInfo info(assigned, onServer.revision, onServer.sharedRevision, onServer.name, onServer.owner,
                  QStringLiteral("orwd"), true, false);
    ListSynchronizer second(assigned, &info, local.get(), 1);
    QSignalSpy finished(&second, &ListSynchronizer::finished);
    second.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(second.result(), ListSynchronizer::ReceivedExisting);
    QCOMPARE(requestLines(*m_server), QStringList{QStringLiteral("GET /lists/%1").arg(assigned)});
    std::unique_ptr<TaskList> fetched(second.takeResultList());
    QCOMPARE(fetched->serverId(), assigned);
    QCOMPARE(m_server->lists().size(), 1);
    QCOMPARE(m_server->tasks(assigned).size(), 1);
}

PLUMDECK_TEST_MAIN(TstListSynchronizer)
#include "tst_listsynchronizer.moc"
