#include "model/notepadnote.h"
#include "model/notepadnoteinfo.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/notepadnotesynchronizer.h"
#include "sync/merges/notemerge.h"
#include "sync/runs/notepadsynchronizer.h"
#include "sync/runs/syncsnapshot.h"
#include "sync/merges/uploadmark.h"
#include "listssyncclient.h"
#include "storedclient.h"
#include "syncfixture.h"
#include "synctest.h"
#include "testenvironment.h"

#include <QSignalSpy>

namespace {

const quint32 InfoRevision = 5;

NotepadNote *makeNote(int status, quint32 id, quint32 revision, const QString &title, const QString &text)
{
    auto *note = new NotepadNote;
    note->setTitle(title);
    note->setText(text);
    note->setSyncStatus(NotepadNote::SyncStatus(status));
    note->setServerId(id);
    note->setRevision(revision);
    return note;
}

struct Progress
{
    QStringList texts;
    QList<int> done;
    QList<int> additions;
};

} // namespace

class TstNoteSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // One note.
    void noteDecisionTable_data();
    void noteDecisionTable();
    void noteNeverTakenIsFreed();

    // The notepad.
    void emptyNotepadAndServer_data();
    void emptyNotepadAndServer();
    void localAndServerNotes();
    void localNoteGoneFromServerIsMarkedDeleted();
    void serverOnlyNoteWithForceRemoteIsDeleted();
    void untouchedDefaultNotesAreNotUploaded();
    void notesInfoFailures_data();
    void notesInfoFailures();
    void displayOrderFailures_data();
    void displayOrderFailures();
    void failedNoteStepStopsTheRun();
    void noteAddedDuringTheRunIsLeftOutOfTheOrder();
    void createdNoteWhoseFetchFailedIsNotPostedAgain_data();
    void createdNoteWhoseFetchFailedIsNotPostedAgain();
    void withoutNotepadTheRunStillEnds();
    void requestsAskTheGivenCertificateHandler();
    void destroyedMidRunReleasesItsRequest_data();
    void destroyedMidRunReleasesItsRequest();

    // What two computers of the account changed in one note.
    void merge_data();
    void merge();
    void changedOnTwoComputers_data();
    void changedOnTwoComputers();
    void editedAgainAfterAnUpdateInDoubt_data();
    void editedAgainAfterAnUpdateInDoubt();
    void orderChangedOnTwoComputers_data();
    void orderChangedOnTwoComputers();

private:
    bool runNotepad(NotepadSynchronizer &sync, Progress *progress = nullptr);

    std::unique_ptr<FakeServer> m_server;
    NotepadNotes *m_notes = nullptr;
    TestNotepadView *m_view = nullptr;
};

void TstNoteSynchronizer::init()
{
    m_server = startFakeServer();
    QVERIFY(m_server);
    m_server->setStrictCompression(true);
    m_notes = new NotepadNotes;
    m_view = new TestNotepadView(m_notes);
}

void TstNoteSynchronizer::cleanup()
{
    if (m_server)
        PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    dropNotepad(m_notes, m_view);
    m_server.reset();
}

bool TstNoteSynchronizer::runNotepad(NotepadSynchronizer &sync, Progress *progress)
{
    if (progress) {
        connect(&sync, &NotepadSynchronizer::progress, this, [progress](const QString &text, int done, int total) {
            progress->texts << text;
            progress->done << done;
            if (total != 1000)
                progress->done << -1;
        });
        connect(&sync, &NotepadSynchronizer::addProgress, this, [progress](const QString &text, int addition) {
            progress->texts << text;
            progress->additions << addition;
        });
    }
    QSignalSpy finished(&sync, &NotepadSynchronizer::finished);
    sync.start();
    if (!finished.wait(15000))
        return false;
    QTest::qWait(20);
    return finished.count() == 1;
}

// ---------------------------------------------------------------------------
// One note

void TstNoteSynchronizer::noteDecisionTable_data()
{
    QTest::addColumn<int>("status");        // -1: no local note
    QTest::addColumn<int>("idMode");        // 0: id 0, 1: the server's note, 2: an id the server lacks
    QTest::addColumn<int>("revisionDelta"); // local revision - InfoRevision
    QTest::addColumn<bool>("forceRemote");
    QTest::addColumn<QByteArray>("faultMethod");
    QTest::addColumn<int>("faultStatus");
    QTest::addColumn<QByteArray>("faultBody");
    QTest::addColumn<QByteArray>("faultReason"); // empty: the status's usual one
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<QString>("serverAfter"); // same, gone, changed, created

    const QString checking = QStringLiteral("Checking for changes to \"Ideas\"");
    const QString uploading = QStringLiteral("Uploading changes to \"Ideas\"");
    const QString deleting = QStringLiteral("Deleting note\"Ideas\"");
    const QString revisionText = QStringLiteral("The local revision number of the note Ideas is bigger than the remote one.\n"
                                                "Please force a local or remote sync to fix the problem");
    const QByteArray noNote = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>note</title></head><body/></html>";
    const QByteArray none;
    const QStringList getNew{QStringLiteral("Downloading remotely new note")};
    const QStringList delNew{QStringLiteral("Deleting remotely new note")};
    const QStringList upNew{QStringLiteral("Uploading locally new note \"Ideas\"")};
    using R = NotepadNoteSynchronizer;
    auto row = [](const char *tag, int status, int idMode, int delta, bool force, const QByteArray &fm, int fs,
                  const QByteArray &fb, int result, const QString &error, const QStringList &requests,
                  const QStringList &progress, const QString &after, const QByteArray &reason = {}) {
        QTest::newRow(tag) << status << idMode << delta << force << fm << fs << fb << reason << result << error << requests
                           << progress << after;
    };

    row("remote only: GET 200", -1, 1, 0, false, none, 0, none, R::ReceivedNew, {}, {"GET /notepad-notes/ID"}, getNew,
        "same");
    row("remote only: GET 404", -1, 2, 0, false, none, 0, none, R::RemoteGone, {}, {"GET /notepad-notes/999"}, getNew,
        "same");
    row("remote only: GET 410", -1, 1, 0, false, "GET", 410, none, R::RemoteGone, {}, {"GET /notepad-notes/ID"}, getNew,
        "same");
    row("remote only: GET 500", -1, 1, 0, false, "GET", 500, none, R::Failed, "Failed to retrieve note.",
        {"GET /notepad-notes/ID"}, getNew, "same");
    row("remote only, forced: DELETE 200", -1, 1, 0, true, none, 0, none, R::RemoteGone, {},
        {"DELETE /notepad-notes/ID"}, delNew, "gone");
    row("remote only, forced: DELETE 403", -1, 1, 0, true, "DELETE", 403, none, R::Failed, "Failed to delete note.",
        {"DELETE /notepad-notes/ID"}, delNew, "same");
    row("new: POST 201, GET 200", 1, 0, 0, false, none, 0, none, R::ReceivedExisting, {},
        {"POST /notepad-notes", "GET /notepad-notes/NEW"}, upNew, "created");
    // A refused new note says what the server answered, as a refused update does.
    row("new: POST 500", 1, 0, 0, false, "POST", 500, none, R::Failed,
        "Failed to add new note. Unexpected response 500 Internal Server Error", {"POST /notepad-notes"}, upNew, "same");
    row("new: POST 507 with the server's reason", 1, 0, 0, false, "POST", 507, none, R::Failed,
        "Failed to add new note. Unexpected response 507 Quota of notes reached", {"POST /notepad-notes"}, upNew,
        "same", "Quota of notes reached");
    row("new: POST 201 without an id", 1, 0, 0, false, "POST", 201, noNote, R::Failed, "parse error: failed to find mandatory element with class pd-notepad-note-id under body",
        {"POST /notepad-notes"}, upNew, "same");
    row("new: POST 201, GET 500", 1, 0, 0, false, "GET", 500, none, R::Failed, "Failed to retrieve note.",
        {"POST /notepad-notes", "GET /notepad-notes/NEW"}, upNew, "created");
    row("unedited: id 0", 2, 0, 0, false, none, 0, none, R::Gone, {}, {}, {"\"Ideas\" gone from server"}, "same");
    row("unedited: same revision", 2, 1, 0, false, none, 0, none, R::NoChanges, {}, {},
        {checking, "No changes in note \"Ideas\""}, "same");
    const QStringList download{checking, QStringLiteral("Downloading changes in note \"Ideas\"")};
    row("unedited: server newer, GET 200", 2, 1, -1, false, none, 0, none, R::ReceivedExisting, {},
        {"GET /notepad-notes/ID"}, download, "same");
    row("unedited: server newer, GET 410", 2, 1, -1, false, "GET", 410, none, R::Gone, {}, {"GET /notepad-notes/ID"},
        download, "same");
    row("unedited: server newer, GET 403", 2, 1, -1, false, "GET", 403, none, R::Failed, "Failed to retrieve note.",
        {"GET /notepad-notes/ID"}, download, "same");
    row("unedited: server newer, GET without a note", 2, 1, -1, false, "GET", 200, noNote, R::Failed, "^parse error: ",
        {"GET /notepad-notes/ID"}, download, "same");
    row("unedited: local newer", 2, 1, 1, false, none, 0, none, R::Failed, revisionText, {}, {checking}, "same");
    row("edited: id 0", 3, 0, 0, false, none, 0, none, R::Gone, {}, {}, {"\"Ideas\" gone from server"}, "same");
    row("edited: PUT 200, GET 200", 3, 1, 0, false, none, 0, none, R::ReceivedExisting, {},
        {"PUT /notepad-notes/ID", "GET /notepad-notes/ID"}, {uploading}, "changed");
    // Nothing agreed is known: put whole, the note would undo what changed
    // there since. It takes the server's copy, its own kept beside it.
    row("edited: server newer, nothing agreed: GET 200, the server's copy taken", 3, 1, -2, false, none, 0, none,
        R::NoChanges, {}, {"GET /notepad-notes/ID"}, {uploading}, "same");
    // A server's copy that cannot be read is never written over.
    row("edited: server newer, GET body not XML", 3, 1, -2, false, "GET", 200, "<<<", R::Failed,
        "^XML failed to parse: ", {"GET /notepad-notes/ID"}, {uploading}, "same");
    row("edited: PUT 403", 3, 1, 0, false, "PUT", 403, none, R::Failed,
        "Failed to upload changes. Unexpected response 403 Forbidden", {"PUT /notepad-notes/ID"}, {uploading}, "same");
    row("edited: PUT 404", 3, 2, 0, false, none, 0, none, R::Gone, {}, {"PUT /notepad-notes/999"}, {uploading}, "same");
    row("edited: PUT 500", 3, 1, 0, false, "PUT", 500, none, R::Failed,
        "Failed to upload changes. Unexpected response 500 Internal Server Error", {"PUT /notepad-notes/ID"},
        {uploading}, "same");
    row("edited: PUT 507 with the server's reason", 3, 1, 0, false, "PUT", 507, none, R::Failed,
        "Failed to upload changes. Unexpected response 507 Notepad full", {"PUT /notepad-notes/ID"}, {uploading},
        "same", "Notepad full");
    row("edited: local newer", 3, 1, 1, false, none, 0, none, R::Failed, revisionText, {}, {uploading}, "same");
    row("deleted: id 0", 4, 0, 0, false, none, 0, none, R::Gone, {}, {}, {"\"Ideas\" already gone from server"},
        "same");
    row("deleted: DELETE 200", 4, 1, 0, false, none, 0, none, R::Gone, {}, {"DELETE /notepad-notes/ID"}, {deleting},
        "gone");
    row("deleted: DELETE 410", 4, 1, 0, false, "DELETE", 410, none, R::Gone, {}, {"DELETE /notepad-notes/ID"},
        {deleting}, "same");
    row("deleted: DELETE 403", 4, 1, 0, false, "DELETE", 403, none, R::Failed, "Failed to delete note.",
        {"DELETE /notepad-notes/ID"}, {deleting}, "same");
    row("unknown status", 0, 1, 0, false, none, 0, none, R::Failed, "Unknown NotepadNote::SyncStatus", {}, {}, "same");
}

void TstNoteSynchronizer::noteDecisionTable()
{
    QFETCH(int, status);
    QFETCH(int, idMode);
    QFETCH(int, revisionDelta);
    QFETCH(bool, forceRemote);
    QFETCH(QByteArray, faultMethod);
    QFETCH(int, faultStatus);
    QFETCH(QByteArray, faultBody);
    QFETCH(QByteArray, faultReason);
    QFETCH(int, result);
    QFETCH(QString, error);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, progress);
    QFETCH(QString, serverAfter);

    const quint32 serverId = m_server->addNote(QStringLiteral("alice"), QStringLiteral("Ideas"), QStringLiteral("Buy a kite"));
    if (faultStatus)
        m_server->respondOnce(faultMethod, faultMethod == "POST" ? QStringLiteral("^/notepad-notes$")
                                                                 : QStringLiteral("^/notepad-notes/\\d+$"),
                              faultStatus, faultBody, faultReason);
    const quint32 id = idMode == 0 ? 0 : idMode == 1 ? serverId : 999;
    std::unique_ptr<NotepadNoteInfo> info(id ? new NotepadNoteInfo(id, InfoRevision, QStringLiteral("Ideas")) : nullptr);
    std::unique_ptr<NotepadNote> local(
        status >= 0 ? makeNote(status, id, quint32(int(InfoRevision) + revisionDelta), QStringLiteral("Ideas"),
                               QStringLiteral("Paint the fence"))
                    : nullptr);

    const bool nothingAgreed = QString::fromLatin1(QTest::currentDataTag()).contains(QLatin1String("nothing agreed"));
    if (nothingAgreed) {
        local->setPendingUpload(UploadMark::ofNotePut(local.get(), UploadMark()).text());
        m_notes->setChanged(false);
    }
    ModalAnswerer answerer;
    MessageLog log;
    NotepadNoteSynchronizer sync(id, info.get(), local.get(), 3);
    sync.setForceRemote(forceRemote);
    QStringList texts;
    connect(&sync, &NotepadNoteSynchronizer::addProgress, this, [&texts](const QString &text, int addition) {
        QCOMPARE(addition, 3);
        texts << text;
    });
    QSignalSpy finished(&sync, &NotepadNoteSynchronizer::finished);
    sync.start();
    QCOMPARE(finished.count(), 0);
    QVERIFY(finished.wait(10000));
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);

    QCOMPARE(int(sync.result()), result);
    QVERIFY2(errorMatches(sync.errorString(), error), qPrintable(sync.errorString()));
    QCOMPARE(texts, progress);

    // Only an unexpected answer to the fetch of a known note is logged (empty:
    // no status line at all); the revision conflict logs the lists' line.
    static const QHash<QString, QString> logLines{
        {"remote only: GET 500", ""},
        {"new: POST 500", ""},
        {"unedited: server newer, GET 403", "debug: Error status code getting existing note: 403"},
        {"edited: local newer", "debug: The local list revision is bigger than the server one, this is an error"}};
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    const QString logged = log.lines.join(QLatin1Char('\n'));
    if (logLines.contains(tag) && logLines[tag].isEmpty())
        QVERIFY2(!logged.contains(QLatin1String("Error status code")) && !logged.contains(QLatin1String("Error trying")),
                 qPrintable(logged));
    else if (logLines.contains(tag))
        QVERIFY2(log.lines.contains(logLines[tag]), qPrintable(logged));
    if (error.startsWith(QLatin1String("The local revision")))
        QCOMPARE(answerer.texts, QStringList{error});
    else
        QVERIFY(answerer.texts.isEmpty());

    quint32 newId = 0;
    const QList<FakeNote> onServer = m_server->notes(QStringLiteral("alice"));
    if (serverAfter == QLatin1String("created")) {
        QCOMPARE(onServer.size(), 2);
        newId = onServer[0].id == serverId ? onServer[1].id : onServer[0].id;
        QCOMPARE(m_server->note(newId).text, QStringLiteral("Paint the fence"));
        QCOMPARE(sync.assignedId(), newId);
    } else if (serverAfter == QLatin1String("gone")) {
        QVERIFY(onServer.isEmpty());
    } else {
        QCOMPARE(onServer.size(), 1);
        const bool changed = serverAfter == QLatin1String("changed");
        QCOMPARE(onServer[0].revision, changed ? 2u : 1u);
        QCOMPARE(onServer[0].text, changed ? QStringLiteral("Paint the fence") : QStringLiteral("Buy a kite"));
    }

    QStringList expected;
    for (QString line : requests)
        expected << line.replace(QLatin1String("NEW"), QString::number(newId))
                        .replace(QLatin1String("ID"), QString::number(serverId));
    QCOMPARE(requestLines(*m_server), expected);

    std::unique_ptr<NotepadNote> fetched(sync.takeResultNote());
    QCOMPARE(bool(fetched), result == NotepadNoteSynchronizer::ReceivedNew || result == NotepadNoteSynchronizer::ReceivedExisting);
    if (fetched) {
        const quint32 fetchedId = newId ? newId : serverId;
        if (result == NotepadNoteSynchronizer::ReceivedExisting)
            QCOMPARE(fetched->syncStatus(), NotepadNote::Unedited);
        fetched->setSyncStatus(NotepadNote::Unedited);
        QCOMPARE(fetched->serverId(), fetchedId);
        QCOMPARE(fetched->revision(), m_server->note(fetchedId).revision);
        QCOMPARE(fetched->text(), m_server->note(fetchedId).text);
    }
    if (tag.contains(QLatin1String("nothing agreed"))) {
        // The note is the server's now (its own text went to the kept copy).
        QCOMPARE(local->syncStatus(), NotepadNote::Unedited);
        QCOMPARE(local->text(), QStringLiteral("Buy a kite"));
        QCOMPARE(local->revision(), m_server->note(serverId).revision);
        QCOMPARE(local->agreed(), std::optional<NotepadNote::Agreed>(NotepadNote::Agreed{
                                      serverId, local->revision(), local->title(), local->text()}));
        QVERIFY(local->pendingUpload().isEmpty());
        QVERIFY(m_notes->isChanged());
    } else if (local) {
        QCOMPARE(int(local->syncStatus()), status);
    }
}

void TstNoteSynchronizer::noteNeverTakenIsFreed()
{
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("Ideas"), QString());
    NotepadNoteInfo info(id, 1, QStringLiteral("Ideas"));
    auto *sync = new NotepadNoteSynchronizer(id, &info, nullptr, 1);
    QSignalSpy finished(sync, &NotepadNoteSynchronizer::finished);
    sync->start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(sync->result(), NotepadNoteSynchronizer::ReceivedNew);
    QTest::ignoreMessage(QtDebugMsg, "NotepadNoteSynchronizer: result note was never taken from us");
    delete sync;
}

// ---------------------------------------------------------------------------
// The notepad

void TstNoteSynchronizer::emptyNotepadAndServer_data()
{
    QTest::addColumn<bool>("orderChanged");
    QTest::newRow("order unchanged: fetched") << false;
    QTest::newRow("order changed: uploaded") << true;
}

void TstNoteSynchronizer::emptyNotepadAndServer()
{
    QFETCH(bool, orderChanged);
    m_notes->setDisplayOrderChanged(orderChanged);
    NotepadSynchronizer sync(nullptr);
    Progress progress;
    QVERIFY(runNotepad(sync, &progress));
    QVERIFY(sync.errorString().isNull());
    const QString user = QStringLiteral("/users/alice/");
    // An order changed here goes onto the server's, looked at first.
    QStringList requests{"GET " + user + "notepad-notes-info", "GET " + user + "notepad-notes-display-order"};
    QStringList texts{"Downlading notes info", "0 notes visible on server.", "Downloading notes display order"};
    QList<int> done{750, 800, 975};
    if (orderChanged) {
        requests << "PUT " + user + "notepad-notes-display-order";
        texts << "Uploading notes display order";
        done << 990;
    }
    QCOMPARE(requestLines(*m_server), requests);
    QCOMPARE(progress.texts, texts);
    QCOMPARE(progress.done, done);
    QVERIFY(!m_notes->isDisplayOrderChanged());
}

void TstNoteSynchronizer::localAndServerNotes()
{
    const quint32 a = m_server->addNote(QStringLiteral("alice"), QStringLiteral("A"), QStringLiteral("a"));
    const quint32 b = m_server->addNote(QStringLiteral("alice"), QStringLiteral("B"), QStringLiteral("b"));
    const quint32 c = m_server->addNote(QStringLiteral("alice"), QStringLiteral("C"), QStringLiteral("c"));
    const quint32 d = m_server->addNote(QStringLiteral("alice"), QStringLiteral("D"), QStringLiteral("d"));
    m_server->addNote(QStringLiteral("bob"), QStringLiteral("Bob's"), QStringLiteral("not ours"));
    NotepadNote *fresh = m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("Fresh"), QStringLiteral("f")));
    NotepadNote *noteA = m_notes->appendNote(makeNote(NotepadNote::Unedited, a, 1, QStringLiteral("A"), QStringLiteral("a")));
    NotepadNote *noteB = m_notes->appendNote(makeNote(NotepadNote::Edited, b, 1, QStringLiteral("B"), QStringLiteral("b2")));

    NotepadSynchronizer sync(nullptr);
    Progress progress;
    QVERIFY(runNotepad(sync, &progress));
    QVERIFY2(sync.errorString().isNull(), qPrintable(sync.errorString()));

    // 150 / (4 server notes + 3 local notes)
    QVERIFY(!progress.additions.isEmpty());
    for (int addition : progress.additions)
        QCOMPARE(addition, 21);
    QVERIFY(progress.texts.contains(QStringLiteral("4 notes visible on server.")));

    QCOMPARE(m_notes->notes().size(), 5);
    for (NotepadNote *note : m_notes->notes()) {
        QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
        QVERIFY(note->serverId() != 0);
        QCOMPARE(note->revision(), m_server->note(note->serverId()).revision);
        QCOMPARE(note->text(), m_server->note(note->serverId()).text);
    }
    QCOMPARE(m_server->note(b).text, QStringLiteral("b2"));
    QCOMPARE(noteB->revision(), 2u);
    QCOMPARE(noteA->revision(), 1u);
    QVERIFY(m_server->note(fresh->serverId()).title == QStringLiteral("Fresh"));
    QList<quint32> localOrder;
    for (NotepadNote *note : m_notes->notes())
        localOrder << note->serverId();
    QCOMPARE(localOrder.mid(0, 3), (QList<quint32>{fresh->serverId(), a, b}));
    QVERIFY(localOrder.contains(c) && localOrder.contains(d));
    // A note was new, so the order went up and the server keeps it.
    QCOMPARE(m_server->noteOrder(QStringLiteral("alice")), localOrder);
    QCOMPARE(m_server->requests("PUT", QStringLiteral("notepad-notes-display-order$")).size(), 1);
    QCOMPARE(m_server->requests("POST", QStringLiteral("^/notepad-notes$")).size(), 1);
}

void TstNoteSynchronizer::localNoteGoneFromServerIsMarkedDeleted()
{
    NotepadNote *orphan = m_notes->appendNote(makeNote(NotepadNote::Unedited, 777, 3, QStringLiteral("Old"), QStringLiteral("o")));
    NotepadSynchronizer sync(nullptr);
    QVERIFY(runNotepad(sync));
    QVERIFY(sync.errorString().isNull());
    QCOMPARE(m_notes->notes(), QList<NotepadNote *>{orphan});
    QCOMPARE(orphan->syncStatus(), NotepadNote::Deleted);
    QCOMPARE(requestLines(*m_server).size(), 2); // note infos and the order; no request for the note
}

void TstNoteSynchronizer::serverOnlyNoteWithForceRemoteIsDeleted()
{
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("Remote"), QStringLiteral("r"));
    NotepadSynchronizer sync(nullptr);
    sync.setForceRemote(true);
    QVERIFY(runNotepad(sync));
    QVERIFY(sync.errorString().isNull());
    QVERIFY(m_notes->notes().isEmpty());
    QVERIFY(m_server->notes(QStringLiteral("alice")).isEmpty());
    QCOMPARE(m_server->requests("DELETE", QString()).value(0).path, QStringLiteral("/notepad-notes/%1").arg(id));
}

void TstNoteSynchronizer::untouchedDefaultNotesAreNotUploaded()
{
    m_notes->appendNote(new NotepadNote); // untouched default
    NotepadNote *kept = m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("Kept"), QStringLiteral("k")));
    NotepadSynchronizer sync(nullptr);
    QVERIFY(runNotepad(sync));
    QVERIFY(sync.errorString().isNull());
    QCOMPARE(m_notes->notes(), QList<NotepadNote *>{kept});
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 1);
}

void TstNoteSynchronizer::notesInfoFailures_data()
{
    QTest::addColumn<bool>("wrongPassword");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QByteArray badEntry = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head><body>"
                                "<ul class=\"pd-notepad-note-info-list\"><li class=\"other\"/></ul></body></html>";
    QTest::newRow("authorisation refused") << true << 0 << QByteArray() << "Authorization failure.";
    QTest::newRow("500") << false << 500 << QByteArray() << "Unexpected response: Internal Server Error";
    QTest::newRow("404") << false << 404 << QByteArray() << "Unexpected response: Not Found";
    QTest::newRow("unreadable summary") << false << 200 << badEntry << "Could not parse retrieved notepad notes set.";
    QTest::newRow("not XML") << false << 200 << QByteArray("<ul") << "^XML failed to parse: ";
}

void TstNoteSynchronizer::notesInfoFailures()
{
    QFETCH(bool, wrongPassword);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    if (wrongPassword)
        ServerSettings::instance()->setCredentials(QStringLiteral("alice"), QStringLiteral("wrong"));
    if (status)
        m_server->respondOnce("GET", QStringLiteral("notepad-notes-info$"), status, body);
    NotepadNote *note = m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("N"), QStringLiteral("n")));
    NotepadSynchronizer sync(nullptr);
    QVERIFY(runNotepad(sync));
    QVERIFY2(errorMatches(sync.errorString(), error), qPrintable(sync.errorString()));
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(note->syncStatus(), NotepadNote::New);
}

void TstNoteSynchronizer::displayOrderFailures_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QByteArray zeroId = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head><body>"
                              "<ol class=\"pd-notepad-note-refs\"><li class=\"pd-notepad-note-ref\">"
                              "<a class=\"pd-notepad-note-id\" href=\"/plumdeck/notepad-notes/0\">0</a></li></ol></body></html>";
    QTest::newRow("fetch 500") << false << 500 << QByteArray() << "Unexpected response 500 Internal Server Error";
    QTest::newRow("fetch 204") << false << 204 << QByteArray() << "Unexpected response 204 No Content";
    QTest::newRow("fetch with id 0") << false << 200 << zeroId << "Could not parse retrieved list order.";
    QTest::newRow("upload 403") << true << 403 << QByteArray()
                                << "The order of the notes could not be uploaded to the server:\n"
                                   "The number of notes in the server is different than locally\n"
                                   "The notes have been sync but they are not ordered correctly\n";
    QTest::newRow("upload 500") << true << 500 << QByteArray() << "Unexpected response 500 Internal Server Error";
    QTest::newRow("upload 201") << true << 201 << QByteArray() << "Unexpected response 201 Created";
}

void TstNoteSynchronizer::displayOrderFailures()
{
    QFETCH(bool, upload);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("A"), QStringLiteral("a"));
    NotepadNote *note = m_notes->appendNote(makeNote(NotepadNote::Edited, id, 1, QStringLiteral("A"), QStringLiteral("a2")));
    m_notes->setDisplayOrderChanged(upload);
    m_server->respondOnce(upload ? "PUT" : "GET", QStringLiteral("notepad-notes-display-order$"), status, body);
    NotepadSynchronizer sync(nullptr);
    QVERIFY(runNotepad(sync));
    QCOMPARE(sync.errorString(), error);
    // The note itself was synchronised before the order failed.
    QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
    QCOMPARE(m_server->note(id).text, QStringLiteral("a2"));
    QCOMPARE(m_notes->isDisplayOrderChanged(), upload);
}

void TstNoteSynchronizer::failedNoteStepStopsTheRun()
{
    const quint32 a = m_server->addNote(QStringLiteral("alice"), QStringLiteral("A"), QStringLiteral("a"));
    m_server->addNote(QStringLiteral("alice"), QStringLiteral("B"), QStringLiteral("b"));
    m_notes->appendNote(makeNote(NotepadNote::Edited, a, 1, QStringLiteral("A"), QStringLiteral("a2")));
    m_server->respondOnce("PUT", QStringLiteral("^/notepad-notes/\\d+$"), 500);
    NotepadSynchronizer sync(nullptr);
    QVERIFY(runNotepad(sync));
    QCOMPARE(sync.errorString(), QStringLiteral("Failed to upload changes. Unexpected response 500 Internal Server Error"));
    QCOMPARE(requestLines(*m_server),
             (QStringList{"GET /users/alice/notepad-notes-info", QStringLiteral("PUT /notepad-notes/%1").arg(a)}));
    QCOMPARE(m_notes->notes().size(), 1);
}

// A note the user adds while the notes are on the way has no server id yet:
// the order upload leaves it out, with a warning, and the run goes on.
void TstNoteSynchronizer::noteAddedDuringTheRunIsLeftOutOfTheOrder()
{
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("A"), QStringLiteral("a"));
    m_notes->appendNote(makeNote(NotepadNote::Edited, id, 1, QStringLiteral("A"), QStringLiteral("a2")));
    m_notes->setDisplayOrderChanged(true);
    NotepadSynchronizer sync(nullptr);
    NotepadNote *added = nullptr;
    connect(&sync, &NotepadSynchronizer::addProgress, this, [this, &added] {
        if (!added)
            added = m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("Late"), QStringLiteral("l")));
    });
    QTest::ignoreMessage(QtWarningMsg, "have a note with no server id even after sync");
    QVERIFY(runNotepad(sync));
    QVERIFY2(sync.errorString().isNull(), qPrintable(sync.errorString()));
    QVERIFY(added);
    QCOMPARE(added->syncStatus(), NotepadNote::New);
    QCOMPARE(m_server->noteOrder(QStringLiteral("alice")), QList<quint32>{id});
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 1);
}

// The server created the note, but fetching it back failed: the next run
// fetches it instead of creating a second copy.
void TstNoteSynchronizer::createdNoteWhoseFetchFailedIsNotPostedAgain_data()
{
    QTest::addColumn<bool>("editedMeanwhile");
    QTest::newRow("untouched since") << false;
    QTest::newRow("edited since") << true;
}

void TstNoteSynchronizer::createdNoteWhoseFetchFailedIsNotPostedAgain()
{
    QFETCH(bool, editedMeanwhile);
    NotepadNote *note = m_notes->appendNote(makeNote(NotepadNote::New, 0, 0, QStringLiteral("Once"), QStringLiteral("only once")));
    m_server->respondOnce("GET", QStringLiteral("^/notepad-notes/\\d+$"), 503);
    {
        NotepadSynchronizer first(nullptr);
        QVERIFY(runNotepad(first));
        QCOMPARE(first.errorString(), QStringLiteral("Failed to retrieve note."));
    }
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 1);
    const quint32 id = m_server->notes(QStringLiteral("alice")).first().id;
    QCOMPARE(note->serverId(), id);
    QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
    // Taken as the server's first revision of what was posted.
    QCOMPARE(note->agreed(), std::make_optional(NotepadNote::Agreed{id, 1, QStringLiteral("Once"), QStringLiteral("only once")}));
    QVERIFY(m_notes->isChanged());
    // The id survives the notepad file.
    QVERIFY(m_notes->save());
    {
        QFile file(NotepadNotes::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
        const auto loaded = reader.loadNotepad(&file);
        QVERIFY2(loaded.has_value(), qPrintable(reader.errorString()));
        QCOMPARE(loaded->size(), 1);
        QCOMPARE(loaded->first()->serverId(), id);
        QCOMPARE(loaded->first()->syncStatus(), NotepadNote::Unedited);
        qDeleteAll(*loaded);
    }

    if (editedMeanwhile)
        QVERIFY(note->editText(QStringLiteral("only once, and more")));

    m_server->clearRequests();
    NotepadSynchronizer second(nullptr);
    QVERIFY(runNotepad(second));
    QVERIFY2(second.errorString().isNull(), qPrintable(second.errorString()));
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 1);
    QVERIFY(m_server->requests("POST", QString()).isEmpty());
    QCOMPARE(m_notes->notes(), QList<NotepadNote *>{note});
    QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
    // The edit made in between reaches the server rather than being lost.
    const QString text = editedMeanwhile ? QStringLiteral("only once, and more") : QStringLiteral("only once");
    QCOMPARE(note->text(), text);
    QCOMPARE(m_server->note(id).text, text);
    QCOMPARE(note->revision(), editedMeanwhile ? 2u : 1u);
}

void TstNoteSynchronizer::withoutNotepadTheRunStillEnds()
{
    delete m_view;
    m_view = nullptr;
    delete m_notes;
    m_notes = nullptr;
    NotepadSynchronizer sync(nullptr);
    QVERIFY(runNotepad(sync));
    QCOMPARE(sync.errorString(), QStringLiteral("internal error: no notepad"));
    QVERIFY(m_server->requests().isEmpty());
}

// The notepad's own requests carry the handler the full synchronisation
// gives it, so an unknown certificate is put to the user.
void TstNoteSynchronizer::requestsAskTheGivenCertificateHandler()
{
    FakeServer tls(FakeServer::Tls);
    QVERIFY(tls.start());
    tls.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    SyncTest::useServer(tls);
    SyncTest::ScriptedHandler handler(true);
    NotepadSynchronizer sync(&handler);
    QVERIFY(runNotepad(sync));
    QVERIFY2(sync.errorString().isNull(), qPrintable(sync.errorString()));
    QVERIFY(handler.asked > 0);
    QCOMPARE(requestLines(tls).size(), 2);
}

void TstNoteSynchronizer::destroyedMidRunReleasesItsRequest_data()
{
    QTest::addColumn<QString>("stalled");
    QTest::newRow("note infos in flight") << "notepad-notes-info$";
    QTest::newRow("note step in flight") << "^/notepad-notes/\\d+$";
    QTest::newRow("order in flight") << "notepad-notes-display-order$";
}

void TstNoteSynchronizer::destroyedMidRunReleasesItsRequest()
{
    QFETCH(QString, stalled);
    const quint32 id = m_server->addNote(QStringLiteral("alice"), QStringLiteral("A"), QStringLiteral("a"));
    // Revision 0 is below the server's, so the note step fetches.
    m_notes->appendNote(makeNote(NotepadNote::Unedited, id, 0, QStringLiteral("A"), QStringLiteral("a")));
    m_server->stall(stalled, true);
    auto *sync = new NotepadSynchronizer(nullptr);
    QSignalSpy finished(sync, &NotepadSynchronizer::finished);
    sync->start();
    QVERIFY(QTest::qWaitFor([this, &stalled] {
        const QList<FakeRequest> requests = m_server->requests();
        return !requests.isEmpty() && requests.last().path.contains(QRegularExpression(stalled));
    }, 10000));
    delete sync;
    QCOMPARE(finished.count(), 0);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    // The connection goes on with other work.
    NotepadSynchronizer next(nullptr);
    QVERIFY(runNotepad(next));
    QVERIFY2(next.errorString().isNull(), qPrintable(next.errorString()));
}

// ---------------------------------------------------------------------------
// Two computers

namespace {

NoteMerge::Version version(const QString &titleAndText)
{
    const int bar = titleAndText.indexOf(QLatin1Char('|'));
    return {titleAndText.left(bar), titleAndText.mid(bar + 1)};
}

} // namespace

void TstNoteSynchronizer::merge_data()
{
    // Each version "title|text".
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<bool>("keepsMineBeside");
    QTest::addColumn<bool>("sameAsTheirs");
    const QString base = QStringLiteral("Ideas|kite");
    QTest::newRow("nothing changed") << base << base << base << base << false << true;
    QTest::newRow("text here") << base << "Ideas|kite and tail" << base << "Ideas|kite and tail" << false << false;
    QTest::newRow("text there") << base << base << "Ideas|kite and string" << "Ideas|kite and string" << false << true;
    QTest::newRow("the same text on both") << base << "Ideas|kites" << "Ideas|kites" << "Ideas|kites" << false << true;
    QTest::newRow("text on both") << base << "Ideas|kite and tail" << "Ideas|kite and string"
                                  << "Ideas|kite and string" << true << true;
    QTest::newRow("text cleared here, changed there") << base << "Ideas|" << "Ideas|kite and string"
                                                      << "Ideas|kite and string" << true << true;
    QTest::newRow("text changed here and back") << base << base << "Plans|kite" << "Plans|kite" << false << true;
    QTest::newRow("title here") << base << "Goals|kite" << base << "Goals|kite" << false << false;
    QTest::newRow("title there") << base << base << "Plans|kite" << "Plans|kite" << false << true;
    QTest::newRow("title there, text here") << base << "Ideas|kite and tail" << "Plans|kite"
                                            << "Plans|kite and tail" << false << false;
    QTest::newRow("text there, title here") << base << "Goals|kite" << "Ideas|kite and string"
                                            << "Goals|kite and string" << false << false;
    QTest::newRow("title on both") << base << "Goals|kite" << "Plans|kite" << "Goals|kite" << false << false;
    QTest::newRow("the same title on both") << base << "Goals|kite" << "Goals|kite" << "Goals|kite" << false << true;
    QTest::newRow("title and text on both") << base << "Goals|kite and tail" << "Plans|kite and string"
                                            << "Goals|kite and string" << true << false;
    QTest::newRow("title there, text on both") << base << "Ideas|kite and tail" << "Plans|kite and string"
                                               << "Plans|kite and string" << true << true;
    QTest::newRow("an empty title here") << base << "|kite" << "Ideas|kite and string" << "|kite and string" << false
                                         << false;
}

void TstNoteSynchronizer::merge()
{
    QFETCH(QString, base);
    QFETCH(QString, mine);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    QFETCH(bool, keepsMineBeside);
    QFETCH(bool, sameAsTheirs);
    const NoteMerge::Outcome outcome = NoteMerge::merge(version(base), version(mine), version(theirs));
    QCOMPARE(outcome.title + QLatin1Char('|') + outcome.text, merged);
    QCOMPARE(outcome.keepsMineBeside, keepsMineBeside);
    QCOMPARE(outcome.sameAsTheirs, sameAsTheirs);
}

// Both computers hold the note "Ideas: kite"; the first changes it and
// synchronises, then the second changes its older copy and synchronises.
// After quiet runs of both, the server and both computers hold `expected`,
// and one more run sends nothing.
void TstNoteSynchronizer::changedOnTwoComputers_data()
{
    // A change: "title=...", "text=...", "remove", "add=..." (a note of its
    // title written after), joined by '&', then "forced" (a forced remote
    // run) or "forced local" (a forced local run, here only); empty for none.
    QTest::addColumn<QString>("there");
    QTest::addColumn<QString>("here");
    // The second's change read from a file written before what a note
    // agreed was kept.
    QTest::addColumn<bool>("oldFile");
    // What befalls the second's run: nothing; "failed" at its update, put
    // back as the program does; "killed" once its merge is saved, before its
    // upload leaves (its file then holds `afterKill`), after which the first
    // changes the note again (`thereAgain`) and the second runs again; or
    // "post lost", the answer to the post of the copy it kept.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("thereAgain");
    QTest::addColumn<QStringList>("afterKill");
    QTest::addColumn<QStringList>("requests"); // the second's runs, to the note itself
    QTest::addColumn<QStringList>("expected"); // "title: text"
    QTest::addColumn<QString>("told");         // the kept copy named, or empty for no message
    const auto row = [](const char *tag, const QString &there, const QString &here, const QStringList &requests,
                        const QStringList &expected, const QString &told = QString(), bool oldFile = false,
                        const QString &fault = QString(), const QStringList &afterKill = QStringList(),
                        const QString &thereAgain = QString()) {
        QTest::newRow(tag) << there << here << oldFile << fault << thereAgain << afterKill << requests << expected
                           << told;
    };
    const QString theirs = QStringLiteral("text=kite and string");
    const QString mine = QStringLiteral("text=kite and tail");
    const QString renamedMine = QStringLiteral("title=Goals&text=kite and tail");
    const QStringList getPutGet{"GET", "PUT", "GET"};
    const QStringList bothKept{"Ideas: kite and string", "Ideas (my changes): kite and tail"};
    const QStringList renamedBothKept{"Goals: kite and string", "Goals (my changes): kite and tail"};

    row("text on both", theirs, mine, {"GET"}, bothKept, "Ideas (my changes)");
    row("title there, text here", "title=Plans", mine, getPutGet, {"Plans: kite and tail"});
    row("text there, title here", theirs, "title=Goals", getPutGet, {"Goals: kite and string"});
    row("title on both, text there", "title=Plans&" + theirs, "title=Goals", getPutGet, {"Goals: kite and string"});
    row("the server not moved on", "", mine, {"PUT", "GET"}, {"Ideas: kite and tail"});
    // A removal takes only what its computer saw: the text typed since on
    // the other stays, the note with it.
    row("removed there, edited here", "remove", mine, {}, {"Ideas: kite and tail"}, "Ideas");
    row("edited there, removed here", theirs, "remove", {"GET"}, {"Ideas: kite and string"}, "Ideas");
    row("retitled there, removed here", "title=Plans", "remove", {"GET"}, {"Plans: kite"}, "Plans");
    row("removed there, retitled here", "remove", "title=Goals", {}, {"Goals: kite"}, "Goals");
    row("removed there, untouched here", "remove", "", {}, {});
    // A forced run there puts the note over the server's copy under its id:
    // each side's change holds as for any run there.
    row("a forced run there, edited here", "forced", mine, {"PUT", "GET"}, {"Ideas: kite and tail"});
    row("a forced run there, retitled here", "forced", "title=Goals", {"PUT", "GET"}, {"Goals: kite"});
    row("a forced run there, removed here", "forced", "remove", {"DELETE"}, {});
    row("written on and sent by a forced run there, removed here: back with that text", theirs + "&forced",
        "remove", {"GET"}, {"Ideas: kite and string"}, "Ideas");
    row("written on and sent by a forced run there, edited here: its text beside", theirs + "&forced", mine,
        {"GET"}, bothKept, "Ideas (my changes)");
    row("retitled there, then sent by a forced run there, edited here: one note with both", "title=Plans&forced",
        mine, getPutGet, {"Plans: kite and tail"});
    // The note written there under its title is another.
    row("removed there and another written of its title, retitled here: both, told", "remove&add=garden",
        "title=Shopping", {}, {"Ideas: garden", "Shopping: kite"}, "Shopping");
    row("edited here, then a forced local run here: the server's text", "", mine + "&forced local", {"GET"},
        {"Ideas: kite"});
    // Its copy is put over the server's at the next run, which says so.
    const QString ideasFinished = NotepadSynchronizer::forcedFinishedText({QStringLiteral("Ideas")}, {});
    row("text there, a forced remote run here killed as its update leaves", theirs, "forced",
        {"PUT", "PUT", "GET"}, {"Ideas: kite"}, ideasFinished, false, "killed", {"Ideas: kite"});
    row("text there, a forced remote run here failing at its update", theirs, "forced", {"PUT"}, {"Ideas: kite"},
        ideasFinished, false, "failed");
    row("a note written there, a forced remote run here killed as its update leaves: that note goes", "add=garden",
        mine + "&forced", {"PUT", "PUT", "GET"}, {"Ideas: kite and tail"}, "", false, "killed",
        {"Ideas: ", "Ideas: kite and tail"});
    // The note written there that the forced run was to remove, changed
    // there once the run was cut: it stays, and the user is told why.
    row("a note written there, a forced remote run here killed as its removal leaves, the note changed there: kept",
        "note=Plans:garden", "forced", {}, {"Ideas: kite", "Plans: garden and pond"},
        NotepadSynchronizer::forcedMovedOnText({QStringLiteral("Plans")}), false, "killed at a removal",
        {"Ideas: kite", "Plans: "}, "note=Plans:garden and pond");
    // Gone from the server when the forced run looked: posted anew, whatever
    // becomes of that run.
    row("removed there and another written there, a forced remote run here killed as its removal leaves: back",
        "remove&note=Plans:garden", "forced", {}, {"Ideas: kite"},
        NotepadSynchronizer::forcedFinishedText({}, {QStringLiteral("Plans")}), false, "killed at a removal",
        {"Ideas: kite", "Plans: "});
    row("removed here after its own update was lost", "", mine, {"PUT", "GET", "DELETE"}, {}, "", false,
        "removed after its update was lost");
    row("edited again and removed here after its own update was lost", "", mine, {"PUT", "GET", "DELETE"}, {}, "",
        false, "removed after its update was lost,text=kite and reel");
    row("removed there, edited here and back", "remove", mine + QStringLiteral("&text=kite"), {}, {});
    row("edited there and back, edited and removed here", "text=kite and string&text=kite",
        mine + QStringLiteral("&remove"), {"GET", "DELETE"}, {});
    row("removed there, edited here in a file without what it agreed", "remove", mine, {}, {"Ideas: kite and tail"},
        "Ideas", true);
    // Nothing tells what either side changed: the server's text stays, the
    // one here beside it.
    row("text on both, edited here in a file without what it agreed", theirs, mine, {"GET"}, bothKept,
        "Ideas (my changes)", true);
    row("text there, title here in a file without what it agreed", theirs, "title=Goals", {"GET"},
        {"Goals (my changes): kite", "Ideas: kite and string"}, "Goals (my changes)", true);
    row("the same text on both, a title here, in a file without what it agreed", theirs,
        "title=Goals&" + theirs, {"GET"}, {"Goals (my changes): kite and string", "Ideas: kite and string"},
        "Goals (my changes)", true);
    row("the same text on both in a file without what it agreed: nothing kept", theirs, theirs, {"GET"},
        {"Ideas: kite and string"}, "", true);
    // Damaged to read as if nothing had been typed here: another revision
    // tells it cannot be trusted.
    row("text on both, what it agreed damaged", theirs, mine, {"GET"}, bothKept, "Ideas (my changes)", false,
        "agreed revision damaged");
    // The copy the killed run kept is told of by the next run.
    row("title and text on both, killed before the upload", theirs, renamedMine, {"GET", "PUT", "PUT", "GET"},
        renamedBothKept, "Goals (my changes)", false, "killed", renamedBothKept);
    row("title there, text here, killed before the upload", "title=Plans", mine, {"GET", "PUT", "PUT", "GET"},
        {"Plans: kite and tail"}, "", false, "killed", {"Plans: kite and tail"});
    // The text the killed run took is the server's, not a change here.
    row("title and text on both, killed before the upload, the text changed there again", theirs, renamedMine,
        {"GET", "PUT", "GET", "PUT", "GET"}, {"Goals: kite, string and reel", "Goals (my changes): kite and tail"},
        "Goals (my changes)", false, "killed", renamedBothKept, "text=kite, string and reel");
    row("text on both, the answer to the kept copy's post lost", theirs, mine, {"GET"}, bothKept,
        "Ideas (my changes)", false, "post lost");
    // The server's copy, looked at before the upload, comes back cut: the
    // note waits for a later run, which merges.
    row("title there, text here, the look before the upload cut", "title=Plans", mine, {"GET"},
        {"Plans: kite and tail"}, "", false, "fetch cut");
}

void TstNoteSynchronizer::changedOnTwoComputers()
{
    QFETCH(QString, there);
    QFETCH(QString, here);
    QFETCH(bool, oldFile);
    QFETCH(QString, fault);
    const bool killed = fault.startsWith(QLatin1String("killed"));
    QFETCH(QString, thereAgain);
    QFETCH(QStringList, afterKill);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, expected);
    QFETCH(QString, told);
    dropNotepad(m_notes, m_view);
    // What a computer's files hold, sorted.
    const auto notesOf = [](StoredClient &store) {
        LiveClient client(store);
        QStringList notes;
        for (const NotepadNote *note : client.notes->notes())
            notes << note->title() + QStringLiteral(": ") + note->text();
        notes.sort();
        return notes;
    };
    ModalAnswerer boxes;
    StoredClient first(QStringLiteral("first"));
    StoredClient second(QStringLiteral("second"));
    const auto change = [](LiveClient &client, const QString &what) {
        NotepadNote *note = client.note(QStringLiteral("Ideas"));
        QVERIFY(note);
        const QStringList parts = what.split(QLatin1Char('&'), Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            if (part.startsWith(QLatin1String("title=")))
                QVERIFY(note->editTitle(part.mid(6)));
            else if (part.startsWith(QLatin1String("text=")))
                QVERIFY(note->editText(part.mid(5)));
        }
        // Removed after what is typed before it, and a note written after.
        if (parts.contains(QLatin1String("remove")))
            client.removeNote(note);
        for (const QString &part : parts)
            if (part.startsWith(QLatin1String("add=")))
                client.addNote(QStringLiteral("Ideas"), part.mid(4));
        // Another note, "note=Title:text": written, or its text changed.
        for (const QString &part : parts) {
            if (!part.startsWith(QLatin1String("note=")))
                continue;
            const QString title = part.mid(5).section(QLatin1Char(':'), 0, 0);
            const QString text = part.section(QLatin1Char(':'), 1);
            if (NotepadNote *other = client.note(title))
                QVERIFY(other->editText(text));
            else
                client.addNote(title, text);
        }
    };
    // "Force Remote Sync".
    const auto forcedRun = [this](LiveClient &client) {
        ForcedRuns::prepareForceRemote(client.lists, client.notes);
        QVERIFY(runClientSync(client, *m_server, {}, [](ListsSynchronizer *run) { run->setForceRemote(true); }));
    };
    const auto session = [this, &change, &forcedRun](StoredClient &store, const QString &what) {
        LiveClient client(store);
        QVERIFY2(client.loadProblem.isEmpty(), qPrintable(client.loadProblem));
        if (what.endsWith(QLatin1String("forced"))) {
            change(client, what);
            forcedRun(client);
            QVERIFY(runClientSync(client, *m_server));
            client.persist();
            return;
        }
        if (!what.isEmpty())
            change(client, what);
        QVERIFY(runClientSync(client, *m_server));
        client.persist();
    };
    {
        LiveClient client(first);
        client.addNote(QStringLiteral("Ideas"), QStringLiteral("kite"));
        QVERIFY(runClientSync(client, *m_server));
        client.persist();
    }
    session(second, QString());
    const quint32 id = m_server->notes(QStringLiteral("alice")).value(0).id;
    if (!there.isEmpty())
        session(first, there);
    QVERIFY(!QTest::currentTestFailed());

    const QString notePath = QStringLiteral("^/notepad-notes/%1$").arg(id);
    QStringList sent;
    const auto takeRequests = [&] {
        for (const FakeRequest &r : m_server->requests(QByteArray(), notePath))
            sent << QString::fromLatin1(r.method);
        m_server->clearRequests();
    };
    if (oldFile || fault == QLatin1String("agreed revision damaged")) {
        {
            LiveClient client(second);
            change(client, here);
            client.persist();
        }
        QFile file(second.notesPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QString written = QString::fromUtf8(file.readAll());
        QString text = written;
        if (oldFile) {
            text.remove(QRegularExpression(QStringLiteral("<dl class=\"pd-agreed-note-fields\">.*?</dl>"),
                                           QRegularExpression::DotMatchesEverythingOption));
        } else {
            const QRegularExpressionMatch revision
                = QRegularExpression(QStringLiteral("<dl class=\"pd-agreed-note-fields\">.*?<dt>revision</dt>\\s*<dd>(\\d+)"),
                                     QRegularExpression::DotMatchesEverythingOption)
                      .match(text);
            QVERIFY(revision.hasMatch());
            text.replace(revision.capturedStart(1), revision.capturedLength(1), QStringLiteral("99"));
            const QRegularExpressionMatch agreedText
                = QRegularExpression(QStringLiteral("<dl class=\"pd-agreed-note-fields\">.*?<dt>text</dt>\\s*<dd>([^<]*)"),
                                     QRegularExpression::DotMatchesEverythingOption)
                      .match(text);
            QVERIFY(agreedText.hasMatch());
            text.replace(agreedText.capturedStart(1), agreedText.capturedLength(1), QStringLiteral("kite and tail"));
        }
        QVERIFY(text != written);
        file.resize(0);
        file.write(text.toUtf8());
        file.close();
        here.clear();
    }
    m_server->clearRequests();
    {
        LiveClient client(second);
        if (!here.isEmpty())
            change(client, here);
        // Put back as the program does when a forced run fails.
        std::unique_ptr<SyncSnapshot> snapshot;
        if (fault == QLatin1String("failed"))
            snapshot = std::make_unique<SyncSnapshot>(client.lists, &client, client.notes);
        std::function<void(ListsSynchronizer *)> forced;
        if (here.endsWith(QLatin1String("forced local"))) {
            ForcedRuns::prepareForceLocal(client.lists, client.notes);
            forced = [](ListsSynchronizer *run) { run->setForceLocal(true); };
        } else if (here.endsWith(QLatin1String("forced"))) {
            ForcedRuns::prepareForceRemote(client.lists, client.notes);
            forced = [](ListsSynchronizer *run) { run->setForceRemote(true); };
        }
        if (killed) {
            // The program dies as the upload (or a removal) leaves; it never
            // reaches the server.
            const bool atRemoval = fault == QLatin1String("killed at a removal");
            const QByteArray method = atRemoval ? QByteArray("DELETE") : QByteArray("PUT");
            const QString path = atRemoval ? QStringLiteral("^/notepad-notes/\\d+$") : notePath;
            m_server->respondOnce(method, path, 500);
            QVERIFY(!runClientSync(
                client, *m_server, [&] { return !m_server->requests(method, path).isEmpty(); }, forced));
        } else if (fault == QLatin1String("fetch cut")) {
            m_server->setCompressionFault(notePath, FakeServer::TruncatedZlib, true);
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral(
                                                 "^run failed: The note \"Ideas\" could not be read from the server "
                                                 "and was left as it is: ")));
            QVERIFY(!runClientSync(client, *m_server));
            QCOMPARE(m_server->requests("PUT", notePath).size(), 0);
            client.persist();
        } else if (fault.startsWith(QLatin1String("removed after its update was lost"))) {
            // The server's newer copy is this computer's own: the removal holds.
            m_server->dropAnswerAfterApplying("PUT", notePath);
            QVERIFY(!runClientSync(client, *m_server));
            m_server->clearFaults();
            change(client, fault.section(QLatin1Char(','), 1) + QStringLiteral("&remove"));
            QVERIFY(runClientSync(client, *m_server));
            client.persist();
        } else if (snapshot) {
            snapshot->setForcedRemote(true);
            m_server->respondOnce("PUT", notePath, 500);
            QVERIFY(!runClientSync(client, *m_server, {}, forced));
            snapshot->restore();
            client.persist();
        } else if (fault == QLatin1String("post lost")) {
            m_server->dropAnswerAfterApplying("POST", QStringLiteral("^/notepad-notes$"));
            QVERIFY(!runClientSync(client, *m_server));
            client.persist();
        } else {
            QVERIFY(runClientSync(client, *m_server, {}, forced));
            client.persist();
        }
    }
    takeRequests();
    m_server->clearFaults();
    if (killed) {
        afterKill.sort();
        QCOMPARE(notesOf(second), afterKill);
        if (!thereAgain.isEmpty())
            session(first, thereAgain);
        m_server->clearRequests();
        session(second, QString());
        takeRequests();
    }

    for (int round = 0; round < 2; ++round)
        for (StoredClient *store : {&second, &first})
            session(*store, QString());
    QStringList onServer;
    for (const FakeNote &n : m_server->notes(QStringLiteral("alice")))
        onServer << n.title + QStringLiteral(": ") + n.text;
    onServer.sort();
    expected.sort();
    QCOMPARE(onServer, expected);
    for (StoredClient *store : {&first, &second}) {
        QCOMPARE(notesOf(*store), expected);
        LiveClient client(*store);
        for (const NotepadNote *note : client.notes->notes())
            QCOMPARE(note->syncStatus(), NotepadNote::Unedited);
        m_server->clearRequests();
        QVERIFY(runClientSync(client, *m_server));
        QVERIFY(m_server->requests("PUT", QStringLiteral("^/notepad-notes/")).isEmpty());
        QVERIFY(m_server->requests("POST", QStringLiteral("^/notepad-notes$")).isEmpty());
    }
    QCOMPARE(sent, requests);
    QCOMPARE(boxes.titles, told.isEmpty() ? QStringList() : QStringList{QStringLiteral("Sync")});
    // A title, or the whole message.
    if (told.contains(QLatin1Char('\n')))
        QCOMPARE(boxes.texts.value(0), told);
    else if (!told.isEmpty())
        QVERIFY2(boxes.texts.value(0).endsWith(QLatin1Char('\n') + told), qPrintable(boxes.texts.value(0)));
}

void TstNoteSynchronizer::editedAgainAfterAnUpdateInDoubt_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("its read-back refused") << "read-back";
    QTest::newRow("its answer lost after it was applied") << "answer lost";
    QTest::newRow("killed once it left, applied") << "killed";
}

// An update whose outcome the run did not learn reached the server: the
// server's text is this computer's own, and the next edit goes up over it,
// with no copy of it kept beside as if another computer had written it.
void TstNoteSynchronizer::editedAgainAfterAnUpdateInDoubt()
{
    QFETCH(QString, fault);
    dropNotepad(m_notes, m_view);
    ModalAnswerer boxes;
    StoredClient store(QStringLiteral("one"));
    {
        LiveClient client(store);
        client.addNote(QStringLiteral("Ideas"), QStringLiteral("kite"));
        QVERIFY(runClientSync(client, *m_server));
        client.persist();
    }
    const QString notePath = QStringLiteral("^/notepad-notes/%1$").arg(m_server->notes(QStringLiteral("alice")).value(0).id);
    {
        LiveClient client(store);
        QVERIFY(client.note(QStringLiteral("Ideas"))->editText(QStringLiteral("kite and tail")));
        if (fault == QLatin1String("read-back")) {
            m_server->respondOnce("GET", notePath, 500);
            m_server->clearRequests();
            QVERIFY(!runClientSync(client, *m_server));
            client.persist();
        } else if (fault == QLatin1String("answer lost")) {
            m_server->dropAnswerAfterApplying("PUT", notePath);
            QVERIFY(!runClientSync(client, *m_server));
            client.persist();
        } else {
            m_server->clearRequests();
            QVERIFY(!runClientSync(client, *m_server, [&] { return !m_server->requests("PUT", notePath).isEmpty(); }));
        }
        m_server->clearFaults();
    }
    QCOMPARE(m_server->notes(QStringLiteral("alice")).value(0).text, QStringLiteral("kite and tail"));
    {
        LiveClient client(store);
        QVERIFY(client.note(QStringLiteral("Ideas"))->editText(QStringLiteral("kite, tail and reel")));
        QVERIFY(runClientSync(client, *m_server));
        QStringList notes;
        for (const NotepadNote *note : client.notes->notes())
            notes << note->title() + QStringLiteral(": ") + note->text();
        QCOMPARE(notes, QStringList{"Ideas: kite, tail and reel"});
        client.persist();
    }
    QCOMPARE(m_server->notes(QStringLiteral("alice")).size(), 1);
    QCOMPARE(m_server->notes(QStringLiteral("alice")).value(0).text, QStringLiteral("kite, tail and reel"));
    QCOMPARE(boxes.titles, QStringList());
}

void TstNoteSynchronizer::orderChangedOnTwoComputers_data()
{
    // A change: "move X first", "move X last", "make X", or empty for none.
    QTest::addColumn<QString>("there");
    QTest::addColumn<QString>("here");
    QTest::addColumn<QString>("expected"); // the titles in order
    QTest::newRow("reordered there, a note made here") << "move C first" << "make D" << "C A B D";
    QTest::newRow("reordered on both") << "move C first" << "move A last" << "C B A";
    QTest::newRow("reordered there only") << "move C first" << "" << "C A B";
    QTest::newRow("a note made there, reordered here") << "make D" << "move A last" << "B C D A";
    // Each reads as the next note moved up one as well: only what the user
    // moved tells which.
    QTest::newRow("each moved last on both") << "move A last" << "move B last" << "C A B";
    // A file written before the agreed order was kept: the user's move holds.
    QTest::newRow("moved here in a file without the agreed order") << "" << "old file: move C first" << "C A B";
    // The note made there is taken here by a run whose order upload fails:
    // the next run still lets the server's order place it.
    QTest::newRow("made and moved first there, taken by a run failing here")
        << "make D first" << "order fails: make E" << "D A B C E";
}

// The first computer changes the notes' order (or makes a note) and
// synchronises; the second, from its older order, changes it another way
// and synchronises: each keeps what it did, and every computer and the
// server end with one order.
void TstNoteSynchronizer::orderChangedOnTwoComputers()
{
    QFETCH(QString, there);
    QFETCH(QString, here);
    QFETCH(QString, expected);
    dropNotepad(m_notes, m_view);
    StoredClient first(QStringLiteral("first"));
    StoredClient second(QStringLiteral("second"));
    const auto titles = [](const LiveClient &client) {
        QStringList out;
        for (const NotepadNote *note : client.notes->notes())
            out << note->title();
        return out.join(QLatin1Char(' '));
    };
    const auto session = [&](StoredClient &store, QString what) {
        const bool orderFails = what.startsWith(QLatin1String("order fails: "));
        if (orderFails) {
            what = what.mid(13);
            m_server->respondOnce("PUT", QStringLiteral("notepad-notes-display-order$"), 500);
        }
        if (what.startsWith(QLatin1String("old file: "))) {
            what = what.mid(10);
            QFile file(store.notesPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QString text = QString::fromUtf8(file.readAll());
            file.close();
            const qsizetype before = text.size();
            text.remove(QRegularExpression(QStringLiteral("<dt>(agreed-display-order|display-order-moved)</dt>\\s*<dd>[^<]*</dd>")));
            QVERIFY(text.size() < before);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text.toUtf8());
        }
        LiveClient client(store);
        if (what.startsWith(QLatin1String("move "))) {
            NotepadNote *note = client.note(what.section(QLatin1Char(' '), 1, 1));
            const QList<NotepadNote *> &all = client.notes->notes();
            // As the page moves a tab.
            client.notes->moveNote(note, what.endsWith(QLatin1String("first")) ? all.first() : all.last());
            client.notes->noteMoved(note);
            client.notes->setDisplayOrderChanged(true);
        } else if (what.startsWith(QLatin1String("make "))) {
            const QString title = what.section(QLatin1Char(' '), 1, 1);
            client.addNote(title, QStringLiteral("new"));
            if (what.endsWith(QLatin1String(" first"))) {
                client.notes->moveNote(client.note(title), client.notes->notes().first());
                client.notes->setDisplayOrderChanged(true);
            }
        }
        QCOMPARE(runClientSync(client, *m_server), !orderFails);
        client.persist();
    };
    {
        LiveClient client(first);
        for (const QString &title : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
            client.addNote(title, title.toLower());
        QVERIFY(runClientSync(client, *m_server));
        client.persist();
    }
    session(second, QString());
    session(first, there);
    session(second, here);
    for (int round = 0; round < 2; ++round)
        for (StoredClient *store : {&first, &second})
            session(*store, QString());
    // As the server lists it: the notes its order does not name after it.
    QStringList onServer;
    const QList<quint32> order = m_server->noteOrder(QStringLiteral("alice"));
    for (quint32 id : order)
        onServer << m_server->note(id).title;
    for (const FakeNote &note : m_server->notes(QStringLiteral("alice")))
        if (!order.contains(note.id))
            onServer << note.title;
    QCOMPARE(onServer.join(QLatin1Char(' ')), expected);
    for (StoredClient *store : {&first, &second}) {
        LiveClient client(*store);
        QCOMPARE(titles(client), expected);
    }
}

PLUMDECK_TEST_MAIN(TstNoteSynchronizer)
#include "tst_notesynchronizer.moc"
