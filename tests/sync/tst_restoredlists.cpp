#include "core/clock.h"
#include "dialogdriver.h"
#include "dialogs/backupdialog.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "listedits.h"
#include "storedclient.h"
#include "sync/merges/uploadmark.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/restoredlists.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>

#include <functional>

// A backup imported on the backup page, then synchronised: computers of one
// account (and one of another account, or of another server, where the
// backup was made) whose files outlive each run. After the runs the server
// and every computer hold the backup's lists, each once; nothing of another
// account's, or another list of the same id, is written over.

namespace {

QString tasksText(const Task *parent, const QString &prefix = QString())
{
    QStringList out;
    for (const Task *child : parent->children()) {
        if (child->title().isEmpty() && child->childCount() == 0)
            continue;
        out << prefix + child->title();
        const QString below = tasksText(child, prefix + child->title() + QLatin1Char('>'));
        if (!below.isEmpty())
            out << below;
    }
    return out.join(QLatin1Char(','));
}

QString tasksText(const QList<FakeTask> &tasks, const QString &prefix = QString())
{
    QStringList out;
    for (const FakeTask &t : tasks) {
        out << prefix + t.title();
        const QString below = tasksText(t.children, prefix + t.title() + QLatin1Char('>'));
        if (!below.isEmpty())
            out << below;
    }
    return out.join(QLatin1Char(','));
}

// "Name[first,second,second>child]" of each list, sorted.
QStringList listsText(const QList<FakeList> &lists)
{
    QStringList out;
    for (const FakeList &l : lists)
        out << l.name + QLatin1Char('[') + tasksText(l.tasks) + QLatin1Char(']');
    out.sort();
    return out;
}

QStringList listsText(const UserLists *lists)
{
    QStringList out;
    for (const TaskList *list : lists->taskLists())
        out << list->name() + QLatin1Char('[') + tasksText(list->rootTask()) + QLatin1Char(']');
    out.sort();
    return out;
}


// "Name[tasks]#id" of the user's lists on the server.
QStringList listsWithIds(const FakeServer &server, const QString &user)
{
    QStringList out;
    for (const FakeList &l : server.visibleLists(user))
        out << l.name + QLatin1Char('[') + tasksText(l.tasks) + QStringLiteral("]#") + QString::number(l.id);
    return out;
}

} // namespace

using namespace ListEdits;

class TstRestoredLists : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void theBackupsListsHold_data();
    void theBackupsListsHold();
    void aSingleListRunLeavesARestoredListToTheFullRun();

private:
    enum Case {
        RemovedHereAndSynchronised,
        SharedRemovedHereAndSynchronised,
        ShareWithdrawnThereSinceTheBackup,
        RemovedOnTheOtherComputer,
        AnotherAccountsBackup,
        AnotherServersBackup,
        AnotherServersBackupTaskAdded,
        EditedThereSinceTheBackup,
        LookCutShortByAKill,
        KilledAfterTheLookEditedThere,
        MadeInOneSecondRetitledThere,
        MadeInOneSecondEditedThere,
        RemovedHereNotSentBackupWithoutIt,
        RemovedHereNotSentBackupWithIt,
        ImportedTwiceRemovedFromTheServer,
        AnotherAccountsBackupImportedTwice,
        OwnBackupInGroups,
        OwnBackupWithoutAListMadeSince,
        OwnBackupAListWithoutTasksImportedTwice,
        OwnBackupAListSharedWithMe,
        OwnBackupAReadOnlyListSharedWithMe,
        OwnBackupAListEmptiedSince,
        OwnBackupSentByAForcedRemoteRun,
        OwnBackupAListSharedWithMeChangedByItsOwner,
        OwnBackupAListSharedWithMeSentByAForcedRemoteRun,
        OwnBackupAListNotYetSynchronisedImportedTwice,
        OwnBackupAListNotYetSynchronisedImportedTwiceBeforeARun,
        EarlierVersionsBackupAListNeverSynchronisedImportedTwice,
        EditedThereSinceTheBackupTold,
        EditedThereSinceTheBackupToldOnceSent,
        OwnBackupEditedThereSentByAForcedRemoteRun,
        RenamedThereSinceTheBackup,
        BroughtBackItsPostFailingOnce,
        RetitledThereMovedHereAfterTheImport,
        MovedThereSinceTheBackup,
        SharedWithMeTypedInAfterTheImport,
        TaskRemovedAfterTheImport,
        TaskMovedAfterTheImport,
        ListRemovedAfterTheImport,
        SharingChangedAfterTheImport,
        SharedSentByAForcedRemoteRun,
        EmptiedThereRenamedHereAfterTheImport,
        TypedAfterTheImportInTheSecondOfOneAddedThere,
        OnlyTypedInAfterTheImport,
        NeverSynchronisedImportedOnTheOtherComputer,
        ImportedByAnEarlierVersion,
        ImportedForcedKilledBeforeItsFirstLookEditedThere,
        ImportedForcedKilledBeforeItsListsEditedThere,
        TypedBeforeTheBackupSentAfter,
        MovedHereSinceTheBackup,
        RemovalsTheBackupRecords,
        ChangedThereImportedTwice,
    };

    std::unique_ptr<LiveClient> session(StoredClient &store);
    bool sync(LiveClient &client) { return runClientSync(client, *m_server); }
    // The backup page, its file dialog answered with `path`: exports the
    // client's lists, or imports the file in their place. The page's report.
    QString useBackupPage(LiveClient &client, const QString &path, bool exporting);
    // A computer of `user` on `server` makes these lists, synchronises and
    // exports them to `path`.
    void backupElsewhere(FakeServer &server, const QString &user, const QString &password, const QString &path,
                         const QString &name, const QStringList &titles);
    void pointAt(FakeServer &server, const QString &user, const QString &password);
    void play(Case c, StoredClient &a, StoredClient &b, QStringList &expected, const ModalAnswerer &boxes);

    std::unique_ptr<CheckedFakeServer> m_server;
    QTemporaryDir m_dir;
    QStringList m_untouched;
    // The groups every computer and the server end with; empty: not looked at.
    QString m_groups;
    // What the user is told the import changed on the server, once (none:
    // not looked at).
    std::optional<ListOutcome::Restored> m_told;
    // Who Trip is shared with in the end (none: not looked at).
    std::optional<QMap<QString, QString>> m_tripSharing;
};

void TstRestoredLists::init()
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    m_server->addUser(QStringLiteral("bob"), QStringLiteral("hunter2"));
    pointAt(*m_server, QStringLiteral("alice"), QStringLiteral("secret"));
    QFile::remove(NotepadNotes::filePath());
    Clock::setFixedTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC));
    m_untouched.clear();
    m_groups.clear();
    m_told.reset();
    m_tripSharing.reset();
}

void TstRestoredLists::cleanup()
{
    Clock::reset();
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    QTRY_COMPARE(ServerHttpConnection::instance()->queuedCount(), 0);
    m_server.reset();
}

std::unique_ptr<LiveClient> TstRestoredLists::session(StoredClient &store)
{
    Clock::advance(7000);
    return std::make_unique<LiveClient>(store);
}

void TstRestoredLists::pointAt(FakeServer &server, const QString &user, const QString &password)
{
    ServerSettings::instance()->setSettings(server.url(), user, password);
}

QString TstRestoredLists::useBackupPage(LiveClient &client, const QString &path, bool exporting)
{
    BackupDialog page(client.lists, client.listsGroups());
    // As the lists page does: the lists take its place, with local ids.
    connect(&page, &BackupDialog::listsRestored, this, [&client](UserLists *lists) {
        // The lists replaced leave the groups.
        for (const TaskList *list : client.lists->taskLists())
            client.listsGroups()->removeList(list);
        delete client.lists;
        client.lists = lists;
        quint32 localId = 0;
        for (TaskList *list : lists->taskLists())
            list->setLocalId(++localId);
    });
    page.show();
    DialogDriver::whenModal([path](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        QVERIFY(dialog);
        DialogDriver::whenDialog(
            []() { return DialogDriver::visibleDialog("QMessageBox"); },
            [](QWidget *box) { static_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click(); }, 50);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(exporting ? page.exportButton() : page.importButton(), Qt::LeftButton);
    return page.warningLabel()->isVisible() ? page.warningLabel()->text() : page.infoLabel()->text();
}

void TstRestoredLists::backupElsewhere(FakeServer &server, const QString &user, const QString &password,
                                       const QString &path, const QString &name, const QStringList &titles)
{
    StoredClient elsewhere(QStringLiteral("elsewhere"));
    pointAt(server, user, password);
    {
        auto client = session(elsewhere);
        makeList(*client, name, titles);
        QVERIFY(sync(*client));
        QVERIFY(useBackupPage(*client, path, true).startsWith(QStringLiteral("Backup completed.")));
        client->persist();
    }
    pointAt(*m_server, QStringLiteral("alice"), QStringLiteral("secret"));
}

void TstRestoredLists::theBackupsListsHold_data()
{
    QTest::addColumn<int>("c");
    QTest::newRow("removed here and synchronised, then the backup imported") << int(RemovedHereAndSynchronised);
    QTest::newRow("shared, removed here and synchronised, then the backup imported: its share too")
        << int(SharedRemovedHereAndSynchronised);
    QTest::newRow("its share withdrawn and a task retitled on the other computer since the backup")
        << int(ShareWithdrawnThereSinceTheBackup);
    QTest::newRow("removed on the other computer, then the backup imported") << int(RemovedOnTheOtherComputer);
    QTest::newRow("a backup of another account on the same server") << int(AnotherAccountsBackup);
    QTest::newRow("a backup of another server, its ids this account's lists'") << int(AnotherServersBackup);
    QTest::newRow("a backup of another server, a task added to it before the run")
        << int(AnotherServersBackupTaskAdded);
    QTest::newRow("edited on the other computer since the backup") << int(EditedThereSinceTheBackup);
    QTest::newRow("the run killed while it looks for the restored list") << int(LookCutShortByAKill);
    QTest::newRow("the run killed after the look, a task retitled there before the next")
        << int(KilledAfterTheLookEditedThere);
    QTest::newRow("its tasks made in one second, one retitled on the other computer since the backup")
        << int(MadeInOneSecondRetitledThere);
    QTest::newRow("its tasks made in one second, one retitled and one removed there: each once, by its id")
        << int(MadeInOneSecondEditedThere);
    QTest::newRow("removed here, not yet sent, the backup without it") << int(RemovedHereNotSentBackupWithoutIt);
    QTest::newRow("removed here, not yet sent, the backup with it") << int(RemovedHereNotSentBackupWithIt);
    QTest::newRow("removed here and synchronised, the backup imported twice") << int(ImportedTwiceRemovedFromTheServer);
    QTest::newRow("a backup of another account imported twice") << int(AnotherAccountsBackupImportedTwice);
    QTest::newRow("lists in groups, the backup imported as it was made: the groups stay")
        << int(OwnBackupInGroups);
    QTest::newRow("lists in groups, a list made since the backup in a group: it stays there")
        << int(OwnBackupWithoutAListMadeSince);
    QTest::newRow("a list without tasks, the backup imported twice: once") << int(OwnBackupAListWithoutTasksImportedTwice);
    QTest::newRow("a list another user shares with this one: still theirs, once") << int(OwnBackupAListSharedWithMe);
    QTest::newRow("a list another user shares read-only with this one: still theirs, once")
        << int(OwnBackupAReadOnlyListSharedWithMe);
    QTest::newRow("every task of a list removed and synchronised, then the backup imported: back, in its group")
        << int(OwnBackupAListEmptiedSince);
    QTest::newRow("lists in groups, the backup imported and sent by a forced remote run: the groups stay")
        << int(OwnBackupSentByAForcedRemoteRun);
    QTest::newRow("a list another user shares with this one, changed by them since the backup: as they have it")
        << int(OwnBackupAListSharedWithMeChangedByItsOwner);
    QTest::newRow("a list another user shares with this one, the backup sent by a forced remote run: still theirs")
        << int(OwnBackupAListSharedWithMeSentByAForcedRemoteRun);
    QTest::newRow("edited on the other computer since the backup, sent by a forced remote run: the backup's, under "
                  "the list's id")
        << int(OwnBackupEditedThereSentByAForcedRemoteRun);
    QTest::newRow("a list backed up before its first synchronisation, the backup imported twice: once")
        << int(OwnBackupAListNotYetSynchronisedImportedTwice);
    QTest::newRow("a list backed up before its first synchronisation, the backup imported twice before a run: once")
        << int(OwnBackupAListNotYetSynchronisedImportedTwiceBeforeARun);
    QTest::newRow("a backup without keys, a list never synchronised, imported twice: once")
        << int(EarlierVersionsBackupAListNeverSynchronisedImportedTwice);
    QTest::newRow("edited on the other computer since the backup: the user is told the import changed it")
        << int(EditedThereSinceTheBackupTold);
    QTest::newRow("the same, its upload failing once: told once it went up") << int(EditedThereSinceTheBackupToldOnceSent);
    QTest::newRow("renamed on the other computer since the backup: named back, and told")
        << int(RenamedThereSinceTheBackup);
    QTest::newRow("removed on the other computer, brought back by a post failing once: told once it went up")
        << int(BroughtBackItsPostFailingOnce);
    QTest::newRow("retitled on the other computer since the backup, moved here after the import: the backup's, "
                  "where it went")
        << int(RetitledThereMovedHereAfterTheImport);
    QTest::newRow("moved to another list on the other computer since the backup: there only, told")
        << int(MovedThereSinceTheBackup);
    QTest::newRow("a list another user shares with this one, typed into after the import: kept")
        << int(SharedWithMeTypedInAfterTheImport);
    QTest::newRow("a task removed after the import: gone") << int(TaskRemovedAfterTheImport);
    QTest::newRow("a task moved to another list after the import: there only") << int(TaskMovedAfterTheImport);
    QTest::newRow("a list removed after the import: gone") << int(ListRemovedAfterTheImport);
    QTest::newRow("shared, one unshared and another shared after the import: as left")
        << int(SharingChangedAfterTheImport);
    QTest::newRow("shared, the backup sent by a forced remote run: the share stays")
        << int(SharedSentByAForcedRemoteRun);
    QTest::newRow("emptied on the other computer since the backup, renamed here after the import: once, by its id")
        << int(EmptiedThereRenamedHereAfterTheImport);
    QTest::newRow("a task typed after the import in the second of one added on the other computer: both")
        << int(TypedAfterTheImportInTheSecondOfOneAddedThere);
    QTest::newRow("nothing changed there since the backup, a task typed after the import: nobody told")
        << int(OnlyTypedInAfterTheImport);
    QTest::newRow("a list backed up before its first synchronisation, imported on the other computer: added, told")
        << int(NeverSynchronisedImportedOnTheOtherComputer);
    QTest::newRow("imported by an earlier version, not yet synchronised: beside the server's, told")
        << int(ImportedByAnEarlierVersion);
    QTest::newRow("edited there since the backup, imported, a forced remote run killed before it looked, a task added "
                  "there: the import carried out, that task kept")
        << int(ImportedForcedKilledBeforeItsFirstLookEditedThere);
    QTest::newRow("edited there since the backup, imported, a forced remote run killed before its lists, a task added "
                  "there: the import carried out, that task kept")
        << int(ImportedForcedKilledBeforeItsListsEditedThere);
    QTest::newRow("a task typed before the backup and sent after it, its list removed on the other computer and so "
                  "posted anew here, read back only by a later run, then a forced local run, the task removed here "
                  "before the import: that list, that task, once")
        << int(TypedBeforeTheBackupSentAfter);
    QTest::newRow("moved to another list here since the backup, another task twice under one id in the backup "
                  "edited by hand: there only, the second a new task, both told at the import")
        << int(MovedHereSinceTheBackup);
    QTest::newRow("removals the backup records, imported on the other computer: sent, a task changed there since "
                  "kept and told; a task typed before the backup added, told")
        << int(RemovalsTheBackupRecords);
    QTest::newRow("shared otherwise, a task removed and a subtask added on the other computer since the backup, "
                  "this one synchronised before the import, the backup imported twice: each task once, the subtask "
                  "below its task; shared as there, but for whom the backup shares it with unsent, told")
        << int(ChangedThereImportedTwice);
}

void TstRestoredLists::play(Case c, StoredClient &a, StoredClient &b, QStringList &expected,
                            const ModalAnswerer &boxes)
{
    const QString trip = QStringLiteral("Trip");
    const QString backup = m_dir.filePath(QStringLiteral("backup-%1.xhtml").arg(int(c)));
    const auto onA = [&](const std::function<void(LiveClient &)> &act) {
        auto client = session(a);
        act(*client);
        client->persist();
    };
    // The other computer's change, synchronised.
    const auto onB = [&](const std::function<void(LiveClient &)> &act) {
        auto client = session(b);
        act(*client);
        QVERIFY(sync(*client));
        client->persist();
    };
    const auto importBackup = [&](LiveClient &client) {
        const QString report = useBackupPage(client, backup, false);
        QVERIFY2(report.startsWith(QStringLiteral("Backup completed.")), qPrintable(report));
    };
    const auto importAndSyncOnA = [&] {
        onA([&](LiveClient &client) {
            importBackup(client);
            QVERIFY(sync(client));
        });
    };
    const auto exportBackup = [&](LiveClient &client) {
        QCOMPARE(useBackupPage(client, backup, true), QStringLiteral("Backup completed."));
    };
    const auto removeList = [](LiveClient &client, const QString &name) {
        client.lists->deleteList(client.model(name)->taskList());
    };

    // Both computers start from Trip [Tickets, Bags, Socks] and Home [Keys].
    onA([&](LiveClient &client) {
        const QStringList titles{QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")};
        // Pasted, say: one identity for all three.
        if (c == MadeInOneSecondRetitledThere || c == MadeInOneSecondEditedThere)
            client.addList(trip, titles);
        else
            makeList(client, trip, titles);
        makeList(client, QStringLiteral("Home"), {QStringLiteral("Keys")});
        if (c == SharedRemovedHereAndSynchronised || c == ShareWithdrawnThereSinceTheBackup
            || c == SharingChangedAfterTheImport || c == SharedSentByAForcedRemoteRun
            || c == ChangedThereImportedTwice)
            client.model(trip)->addSharedUser(QStringLiteral("bob"), QStringLiteral("rw"));
        if (c == OwnBackupAListWithoutTasksImportedTwice)
            client.addList(QStringLiteral("Someday"), {});
        if (c == OwnBackupAListSharedWithMe || c == OwnBackupAReadOnlyListSharedWithMe
            || c == OwnBackupAListSharedWithMeChangedByItsOwner || c == OwnBackupAListSharedWithMeSentByAForcedRemoteRun
            || c == SharedWithMeTypedInAfterTheImport) {
            const quint32 garden = m_server->addList(QStringLiteral("bob"), QStringLiteral("Garden"),
                                                     {FakeTask::make(QStringLiteral("Rake"))});
            m_server->share(garden, QStringLiteral("alice"),
                            c == OwnBackupAReadOnlyListSharedWithMe ? QStringLiteral("r") : QStringLiteral("rw"));
        }
        QVERIFY(sync(client));
        if (c == OwnBackupInGroups || c == OwnBackupWithoutAListMadeSince || c == OwnBackupAListEmptiedSince
            || c == OwnBackupSentByAForcedRemoteRun || c == OwnBackupAReadOnlyListSharedWithMe) {
            // As the page holds them: every list in a group, Trip in Travel.
            ListsGroups *groups = client.listsGroups();
            for (ListModel *model : client.lists->models())
                groups->addListToDefaultGroup(model->taskList());
            ListsGroupsElementGroup *travel = groups->addGroupToDefaultGroup();
            groups->setGroupName(travel, QStringLiteral("Travel"));
            groups->userMoveListToGroup(groups->findList(0, client.model(trip)->taskList()->serverId()), travel);
            if (c == OwnBackupAReadOnlyListSharedWithMe)
                groups->userMoveListToGroup(
                    groups->findList(0, client.model(QStringLiteral("Garden"))->taskList()->serverId()), travel);
            QVERIFY(sync(client));
        }
    });
    {
        auto client = session(b);
        QVERIFY(sync(*client));
        client->persist();
    }
    expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
    // On the other computer, since the backup.
    const auto editTripOnB = [&] {
        auto client = session(b);
        ListModel *model = client->model(trip);
        model->setTaskTitle(taskTitled(model->taskList(), QStringLiteral("Bags")), QStringLiteral("Big bags"));
        if (c != MadeInOneSecondRetitledThere)
            removeTask(model, QStringLiteral("Socks"));
        Clock::advance(1000);
        addTask(model, QStringLiteral("Passport"));
        QVERIFY(sync(*client));
        client->persist();
    };

    switch (c) {
    case RemovedHereAndSynchronised:
    case SharedRemovedHereAndSynchronised:
        onA([&](LiveClient &client) {
            exportBackup(client);
            removeList(client, trip);
            QVERIFY(sync(client));
        });
        onA([&](LiveClient &client) {
            importBackup(client);
            QVERIFY(sync(client));
        });
        break;
    case RemovedOnTheOtherComputer:
    case BroughtBackItsPostFailingOnce: {
        onA(exportBackup);
        {
            auto client = session(b);
            removeList(*client, trip);
            QVERIFY(sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            QVERIFY(sync(client));
            QCOMPARE(client.model(trip), nullptr);
            importBackup(client);
            if (c == BroughtBackItsPostFailingOnce) {
                m_server->respondOnce("POST", QStringLiteral("^/lists$"), 500);
                QVERIFY(!sync(client));
                QCOMPARE(boxes.texts.filter(QStringLiteral("backup you imported")).size(), 0);
            }
            QVERIFY(sync(client));
        });
        m_told = ListOutcome::Restored{{}, {}, {trip}, {}};
        break;
    }
    case AnotherAccountsBackup:
        backupElsewhere(*m_server, QStringLiteral("bob"), QStringLiteral("hunter2"), backup, QStringLiteral("Chores"),
                        {QStringLiteral("Dishes")});
        if (QTest::currentTestFailed())
            return;
        m_untouched = listsWithIds(*m_server, QStringLiteral("bob"));
        onA([&](LiveClient &client) {
            importBackup(client);
            QVERIFY(sync(client));
        });
        expected << QStringLiteral("Chores[Dishes]");
        break;
    case AnotherServersBackup:
    case AnotherServersBackupTaskAdded: {
        // The other server numbers its lists as this one does: the backup's
        // ids name this account's lists here.
        CheckedFakeServer other;
        QVERIFY(other.start());
        other.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        backupElsewhere(other, QStringLiteral("alice"), QStringLiteral("secret"), backup, QStringLiteral("Camping"),
                        {QStringLiteral("Tent")});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(other.visibleLists(QStringLiteral("alice")).first().id,
                 m_server->visibleLists(QStringLiteral("alice")).first().id);
        m_untouched = listsWithIds(*m_server, QStringLiteral("alice"));
        onA([&](LiveClient &client) {
            importBackup(client);
            if (c == AnotherServersBackupTaskAdded)
                addTask(client.model(QStringLiteral("Camping")), QStringLiteral("Stove"));
            QVERIFY(sync(client));
        });
        expected << (c == AnotherServersBackupTaskAdded ? QStringLiteral("Camping[Tent,Stove]")
                                                        : QStringLiteral("Camping[Tent]"));
        break;
    }
    case ShareWithdrawnThereSinceTheBackup:
        onA(exportBackup);
        {
            auto client = session(b);
            ListModel *model = client->model(trip);
            QVERIFY(model->removeSharedUser(QStringLiteral("bob")));
            model->setTaskTitle(taskTitled(model->taskList(), QStringLiteral("Bags")), QStringLiteral("Big bags"));
            QVERIFY(sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            importBackup(client);
            QVERIFY(sync(client));
        });
        break;
    case KilledAfterTheLookEditedThere: {
        onA(exportBackup);
        onA([&](LiveClient &client) {
            removeTask(client.model(trip), QStringLiteral("Socks"));
            QVERIFY(sync(client));
        });
        onA(importBackup);
        const quint32 id = m_server->visibleLists(QStringLiteral("alice")).first().id;
        m_server->clearRequests();
        {
            // Killed once the look is over, as its update leaves: the import
            // went onto the server's copy as that look read it.
            auto client = session(a);
            runClientSync(*client, *m_server,
                          [&] { return !m_server->requests("PUT", QStringLiteral("^/lists/%1$").arg(id)).isEmpty(); });
        }
        std::unique_ptr<UserLists> onDisk(UserLists::load(a.listsPath()));
        QVERIFY(onDisk);
        const TaskList *restored = onDisk->taskListByServerId(id);
        QVERIFY(restored);
        QCOMPARE(restored->syncStatus(), TaskList::Edited);
        {
            auto client = session(b);
            ListModel *model = client->model(trip);
            model->setTaskTitle(taskTitled(model->taskList(), QStringLiteral("Tickets")),
                                QStringLiteral("Train tickets"));
            QVERIFY(sync(*client));
            client->persist();
        }
        // What the backup brought back, onto what changed there since.
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Train tickets,Bags,Socks]")};
        break;
    }
    case EditedThereSinceTheBackup:
        onA(exportBackup);
        editTripOnB();
        {
            // Socks, removed there, comes back as a new task: the server
            // gets no id it no longer has.
            auto client = session(a);
            const quint32 gone = taskTitled(client->model(trip)->taskList(), QStringLiteral("Socks"))->id();
            importBackup(*client);
            m_server->clearRequests();
            QVERIFY(sync(*client));
            for (const FakeRequest &put : m_server->requests("PUT", QStringLiteral("^/lists/\\d+$")))
                QVERIFY(!QString::fromUtf8(put.body).contains(
                    QRegularExpression(QStringLiteral("<dt>id</dt>\\s*<dd>%1</dd>").arg(gone))));
            client->persist();
        }
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks,Passport]")};
        break;
    case EditedThereSinceTheBackupTold:
    case EditedThereSinceTheBackupToldOnceSent:
    case MadeInOneSecondRetitledThere:
    case MadeInOneSecondEditedThere:
    case LookCutShortByAKill:
        onA(exportBackup);
        editTripOnB();
        if (c == EditedThereSinceTheBackupToldOnceSent) {
            onA([&](LiveClient &client) {
                importBackup(client);
                m_server->respondOnce("PUT", QStringLiteral("^/lists/\\d+$"), 500);
                QVERIFY(!sync(client));
            });
            QCOMPARE(boxes.texts.filter(QStringLiteral("The backup you imported")).size(), 0);
        } else if (c != LookCutShortByAKill) {
            onA([&](LiveClient &client) {
                importBackup(client);
                QVERIFY(sync(client));
            });
        } else {
            // Saved by the page after the import, then killed while the run
            // looks at the server's list of the backup's id.
            onA(importBackup);
            const quint32 id = m_server->visibleLists(QStringLiteral("alice")).first().id;
            const QString itsPath = QStringLiteral("^/lists/%1$").arg(id);
            m_server->clearRequests();
            {
                auto client = session(a);
                runClientSync(*client, *m_server, [&] { return !m_server->requests("GET", itsPath).isEmpty(); });
            }
            QCOMPARE(m_server->requests("GET", itsPath).size(), 1);
            // The import still waits, under the list's id.
            std::unique_ptr<UserLists> onDisk(UserLists::load(a.listsPath()));
            QVERIFY(onDisk);
            const TaskList *restored = onDisk->taskListByServerId(id);
            QVERIFY(restored);
            QVERIFY(RestoredLists::waitsForFullRun(restored));
        }
        // The backup's content, and the task added there since; tasks made
        // in one second are told apart by their ids.
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks,Passport]")};
        if (c == EditedThereSinceTheBackupTold || c == EditedThereSinceTheBackupToldOnceSent)
            m_told = ListOutcome::Restored{{trip}, {}, {}, {}};
        break;
    case RemovedHereNotSentBackupWithoutIt:
        onA([&](LiveClient &client) {
            exportBackup(client);
            makeList(client, QStringLiteral("Work"), {QStringLiteral("Mail")});
            QVERIFY(sync(client));
            removeList(client, QStringLiteral("Work"));
            importBackup(client);
            QVERIFY(sync(client));
        });
        QCOMPARE(m_server->visibleLists(QStringLiteral("alice")).size(), 2);
        break;
    case ImportedTwiceRemovedFromTheServer:
        onA([&](LiveClient &client) {
            exportBackup(client);
            removeList(client, trip);
            QVERIFY(sync(client));
        });
        for (int i = 0; i < 2; ++i) {
            onA([&](LiveClient &client) {
                importBackup(client);
                QVERIFY(sync(client));
            });
        }
        break;
    case AnotherAccountsBackupImportedTwice:
        backupElsewhere(*m_server, QStringLiteral("bob"), QStringLiteral("hunter2"), backup, QStringLiteral("Chores"),
                        {QStringLiteral("Dishes")});
        if (QTest::currentTestFailed())
            return;
        m_untouched = listsWithIds(*m_server, QStringLiteral("bob"));
        for (int i = 0; i < 2; ++i) {
            onA([&](LiveClient &client) {
                importBackup(client);
                QVERIFY(sync(client));
            });
        }
        expected << QStringLiteral("Chores[Dishes]");
        break;
    case OwnBackupInGroups:
        onA([&](LiveClient &client) {
            exportBackup(client);
            importBackup(client);
            QVERIFY(sync(client));
        });
        m_groups = QStringLiteral("[Home]Travel([Trip])");
        break;
    case OwnBackupWithoutAListMadeSince:
        onA([&](LiveClient &client) {
            exportBackup(client);
            ListModel *work = makeList(client, QStringLiteral("Work"), {QStringLiteral("Mail")});
            QVERIFY(sync(client));
            ListsGroups *groups = client.listsGroups();
            groups->addListToDefaultGroup(work->taskList());
            groups->userMoveListToGroup(groups->findList(0, work->taskList()->serverId()),
                                        groups->rootGroup()->groups().first());
            QVERIFY(sync(client));
            importBackup(client);
            QVERIFY(sync(client));
        });
        expected << QStringLiteral("Work[Mail]");
        m_groups = QStringLiteral("[Home]Travel([Trip Work])");
        break;
    case OwnBackupAListWithoutTasksImportedTwice:
        onA(exportBackup);
        for (int i = 0; i < 2; ++i) {
            onA([&](LiveClient &client) {
                importBackup(client);
                QVERIFY(sync(client));
            });
        }
        expected << QStringLiteral("Someday[]");
        break;
    case OwnBackupAListSharedWithMe:
    case OwnBackupAReadOnlyListSharedWithMe:
        m_untouched = listsWithIds(*m_server, QStringLiteral("bob"));
        onA([&](LiveClient &client) {
            exportBackup(client);
            importBackup(client);
            QVERIFY(sync(client));
        });
        expected << QStringLiteral("Garden[Rake]");
        if (c == OwnBackupAReadOnlyListSharedWithMe)
            m_groups = QStringLiteral("[Home]Travel([Trip Garden])");
        break;
    case OwnBackupAListSharedWithMeChangedByItsOwner: {
        onA(exportBackup);
        FakeList garden = m_server->visibleLists(QStringLiteral("bob")).first();
        setFakeField(garden.tasks[0].fields, QStringLiteral("title"), QStringLiteral("Big rake"));
        ++garden.revision;
        m_server->putList(garden);
        m_untouched = listsWithIds(*m_server, QStringLiteral("bob"));
        importAndSyncOnA();
        expected << QStringLiteral("Garden[Big rake]");
        break;
    }
    case OwnBackupAListNotYetSynchronisedImportedTwice:
    case OwnBackupAListNotYetSynchronisedImportedTwiceBeforeARun:
    case EarlierVersionsBackupAListNeverSynchronisedImportedTwice:
        onA([&](LiveClient &client) {
            makeList(client, QStringLiteral("Work"), {QStringLiteral("Mail")});
            exportBackup(client);
            if (c != EarlierVersionsBackupAListNeverSynchronisedImportedTwice)
                QVERIFY(sync(client));
        });
        if (c == EarlierVersionsBackupAListNeverSynchronisedImportedTwice) {
            // As a version that kept no keys wrote it.
            QFile file(backup);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QString text = QString::fromUtf8(file.readAll());
            QVERIFY(text.remove(QRegularExpression(QStringLiteral("<dt>backup-key</dt>\\s*<dd>[^<]*</dd>"))).size()
                    < file.size());
            QVERIFY(file.resize(0));
            file.write(text.toUtf8());
        }
        if (c == OwnBackupAListNotYetSynchronisedImportedTwiceBeforeARun) {
            onA([&](LiveClient &client) {
                importBackup(client);
                importBackup(client);
                QVERIFY(sync(client));
            });
        } else {
            importAndSyncOnA();
            importAndSyncOnA();
        }
        expected << QStringLiteral("Work[Mail]");
        break;
    case OwnBackupAListEmptiedSince:
        onA([&](LiveClient &client) {
            exportBackup(client);
            for (const QString &title : {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")})
                removeTask(client.model(trip), title);
            QVERIFY(sync(client));
            importBackup(client);
            QVERIFY(sync(client));
        });
        m_groups = QStringLiteral("[Home]Travel([Trip])");
        break;
    case OwnBackupSentByAForcedRemoteRun:
    case OwnBackupAListSharedWithMeSentByAForcedRemoteRun:
        m_untouched = listsWithIds(*m_server, QStringLiteral("bob"));
        onA([&](LiveClient &client) {
            exportBackup(client);
            importBackup(client);
            ForcedRuns::prepareForceRemote(client.lists, client.notes);
            QVERIFY(runClientSync(client, *m_server, {}, [](ListsSynchronizer *run) { run->setForceRemote(true); }));
        });
        if (c == OwnBackupSentByAForcedRemoteRun)
            m_groups = QStringLiteral("[Home]Travel([Trip])");
        else
            expected << QStringLiteral("Garden[Rake]");
        break;
    case ImportedForcedKilledBeforeItsFirstLookEditedThere:
    case ImportedForcedKilledBeforeItsListsEditedThere: {
        // The forced run that was to send the import never reached Home,
        // which changed there since: the import is carried out as any is.
        const QString home = QStringLiteral("Home");
        onA(exportBackup);
        {
            auto client = session(b);
            retitle(client->model(home), QStringLiteral("Keys"), QStringLiteral("Spare keys"));
            QVERIFY(sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            importBackup(client);
            ForcedRuns::prepareForceRemote(client.lists, client.notes);
            if (c == ImportedForcedKilledBeforeItsListsEditedThere) {
                // Killed as Trip's update leaves, Home not yet reached.
                client.persist();
                m_server->clearRequests();
                const QString aList = QStringLiteral("^/lists/\\d+$");
                runClientSync(client, *m_server, [&] { return !m_server->requests("PUT", aList).isEmpty(); },
                              [](ListsSynchronizer *run) { run->setForceRemote(true); });
                std::unique_ptr<UserLists> onDisk(UserLists::load(a.listsPath()));
                QVERIFY(onDisk);
                const TaskList *marked = onDisk->taskListByServerId(client.model(home)->taskList()->serverId());
                QVERIFY(marked);
                QVERIFY(UploadMark::read(marked->pendingUpload()).wholeSeenRevision() != 0);
            }
        });
        {
            auto client = session(b);
            addTask(client->model(home), QStringLiteral("Lamp"));
            QVERIFY(sync(*client));
            client->persist();
        }
        expected = {QStringLiteral("Home[Keys,Lamp]"), QStringLiteral("Trip[Tickets,Bags,Socks]")};
        m_told = ListOutcome::Restored{{home}, {}, {}, {}};
        break;
    }
    case OwnBackupEditedThereSentByAForcedRemoteRun:
        // The server's lists end as the backup's, under the ids they had:
        // the other computer sees each list once, none removed.
        for (const FakeList &l : m_server->visibleLists(QStringLiteral("alice")))
            m_untouched << (l.name == trip ? QStringLiteral("Trip[Tickets,Bags,Socks]") : QStringLiteral("Home[Keys]"))
                               + QStringLiteral("#") + QString::number(l.id);
        onA(exportBackup);
        editTripOnB();
        onA([&](LiveClient &client) {
            importBackup(client);
            ForcedRuns::prepareForceRemote(client.lists, client.notes);
            QVERIFY(runClientSync(client, *m_server, {}, [](ListsSynchronizer *run) { run->setForceRemote(true); }));
        });
        // What that run did: the task added there since went.
        m_told = ListOutcome::Restored{{}, {}, {}, {trip}};
        break;
    case RetitledThereMovedHereAfterTheImport:
        onA(exportBackup);
        {
            auto client = session(b);
            retitle(client->model(trip), QStringLiteral("Socks"), QStringLiteral("Wool socks"));
            QVERIFY(sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            importBackup(client);
            moveToList(client.model(trip), QStringLiteral("Socks"), client.model(QStringLiteral("Home")));
            QVERIFY(sync(client));
        });
        expected = {QStringLiteral("Home[Keys,Socks]"), QStringLiteral("Trip[Tickets,Bags]")};
        break;
    case MovedThereSinceTheBackup:
        onA(exportBackup);
        {
            auto client = session(b);
            moveToList(client->model(trip), QStringLiteral("Socks"), client->model(QStringLiteral("Home")));
            QVERIFY(sync(*client));
            client->persist();
        }
        importAndSyncOnA();
        expected = {QStringLiteral("Home[Keys,Socks]"), QStringLiteral("Trip[Tickets,Bags]")};
        m_told = ListOutcome::Restored();
        QCOMPARE(boxes.texts.filter(QStringLiteral("Trip: Socks (now in \"Home\")")),
                 QStringList{ListOutcome::keptAgainstRemovalsText(
                     {{}, {}, {}, {}, {}, {}, {QStringLiteral("Trip: Socks (now in \"Home\")")}})});
        break;
    case RenamedThereSinceTheBackup:
        onA(exportBackup);
        {
            auto client = session(b);
            client->model(trip)->setName(QStringLiteral("Journey"));
            QVERIFY(sync(*client));
            client->persist();
        }
        importAndSyncOnA();
        m_told = ListOutcome::Restored{{}, {trip}, {}, {}};
        break;
    case SharedWithMeTypedInAfterTheImport:
        onA([&](LiveClient &client) {
            exportBackup(client);
            importBackup(client);
            addTask(client.model(QStringLiteral("Garden")), QStringLiteral("Hose"));
            QVERIFY(sync(client));
        });
        expected << QStringLiteral("Garden[Rake,Hose]");
        break;
    case TaskRemovedAfterTheImport:
    case TaskMovedAfterTheImport:
    case ListRemovedAfterTheImport:
    case OnlyTypedInAfterTheImport:
        onA([&](LiveClient &client) {
            exportBackup(client);
            importBackup(client);
            if (c == TaskRemovedAfterTheImport)
                removeTask(client.model(trip), QStringLiteral("Socks"));
            else if (c == TaskMovedAfterTheImport)
                moveToList(client.model(trip), QStringLiteral("Socks"), client.model(QStringLiteral("Home")));
            else if (c == ListRemovedAfterTheImport)
                removeList(client, QStringLiteral("Home"));
            else
                addTask(client.model(trip), QStringLiteral("Towel"));
            QVERIFY(sync(client));
        });
        if (c == TaskRemovedAfterTheImport)
            expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags]")};
        else if (c == TaskMovedAfterTheImport)
            expected = {QStringLiteral("Home[Keys,Socks]"), QStringLiteral("Trip[Tickets,Bags]")};
        else if (c == ListRemovedAfterTheImport)
            expected = {QStringLiteral("Trip[Tickets,Bags,Socks]")};
        else
            expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks,Towel]")};
        // The server held the backup: the import changed nothing there.
        m_told = ListOutcome::Restored();
        break;
    case SharingChangedAfterTheImport:
    case SharedSentByAForcedRemoteRun:
        m_server->addUser(QStringLiteral("carol"), QStringLiteral("pw"));
        onA([&](LiveClient &client) {
            exportBackup(client);
            importBackup(client);
            if (c == SharingChangedAfterTheImport) {
                QVERIFY(client.model(trip)->removeSharedUser(QStringLiteral("bob")));
                QVERIFY(client.model(trip)->addSharedUser(QStringLiteral("carol"), QStringLiteral("r")));
                QVERIFY(sync(client));
            } else {
                ForcedRuns::prepareForceRemote(client.lists, client.notes);
                QVERIFY(runClientSync(client, *m_server, {},
                                      [](ListsSynchronizer *run) { run->setForceRemote(true); }));
            }
        });
        m_tripSharing = c == SharingChangedAfterTheImport
                            ? QMap<QString, QString>{{QStringLiteral("carol"), QStringLiteral("r")}}
                            : QMap<QString, QString>{{QStringLiteral("bob"), QStringLiteral("rw")}};
        break;
    case EmptiedThereRenamedHereAfterTheImport:
        onA(exportBackup);
        {
            auto client = session(b);
            ListModel *model = client->model(trip);
            for (const QString &title : {QStringLiteral("Tickets"), QStringLiteral("Bags"), QStringLiteral("Socks")})
                removeTask(model, title);
            addTask(model, QStringLiteral("Passport"));
            QVERIFY(sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            importBackup(client);
            client.model(trip)->setName(QStringLiteral("Voyage"));
            QVERIFY(sync(client));
        });
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Voyage[Tickets,Bags,Socks,Passport]")};
        m_told = ListOutcome::Restored{{QStringLiteral("Voyage")}, {}, {}, {}};
        break;
    case TypedAfterTheImportInTheSecondOfOneAddedThere: {
        onA(exportBackup);
        const QDateTime second = Clock::currentDateTimeUtc().addSecs(60);
        {
            auto client = session(b);
            Clock::setFixedTime(second);
            addTask(client->model(trip), QStringLiteral("Passport"));
            QVERIFY(sync(*client));
            client->persist();
        }
        onA([&](LiveClient &client) {
            importBackup(client);
            Clock::setFixedTime(second);
            addTask(client.model(trip), QStringLiteral("Towel"));
            QVERIFY(sync(client));
        });
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks,Passport,Towel]")};
        break;
    }
    case NeverSynchronisedImportedOnTheOtherComputer:
        onA([&](LiveClient &client) {
            makeList(client, QStringLiteral("Work"), {QStringLiteral("Mail")});
            exportBackup(client);
            QVERIFY(sync(client));
        });
        {
            // Nothing there tells which list here it became: a second one,
            // and the user told why.
            auto client = session(b);
            QVERIFY(sync(*client));
            QVERIFY2(useBackupPage(*client, backup, false)
                         .endsWith(QStringLiteral("These lists had never been synchronised when the backup was made; "
                                                  "they are added as new lists:\nWork")),
                     "the import tells of Work");
            QVERIFY(sync(*client));
            client->persist();
        }
        expected << QStringLiteral("Work[Mail]") << QStringLiteral("Work[Mail]");
        break;
    case ImportedByAnEarlierVersion:
        // As an earlier version left an import: new, with the id the backup
        // gave it, its tasks' ids dropped. Nothing tells which of the
        // server's tasks they are.
        onA([&](LiveClient &client) {
            ListModel *model = client.model(trip);
            const quint32 id = model->taskList()->serverId();
            model->taskList()->resetToNew();
            model->taskList()->setPendingUpload(QStringLiteral("restored:%1").arg(id));
            model->setChanged();
            QVERIFY(sync(client));
        });
        QCOMPARE(boxes.texts.filter(ListOutcome::unknownBaseText({QStringLiteral("Trip (my changes)")})).size(), 1);
        expected << QStringLiteral("Trip (my changes)[Tickets,Bags,Socks]");
        m_told = ListOutcome::Restored();
        break;
    case TypedBeforeTheBackupSentAfter:
        onA([&](LiveClient &client) {
            addTask(client.model(trip), QStringLiteral("Towel"));
            exportBackup(client);
        });
        onB([&](LiveClient &client) { removeList(client, trip); });
        onA([&](LiveClient &client) {
            // Its post answered, the run fails before reading it back.
            m_server->respondOnce("GET", QStringLiteral("^/lists/\\d+$"), 500);
            QVERIFY(!sync(client));
            QVERIFY(sync(client));
            ForcedRuns::prepareForceLocal(client.lists, client.notes);
            QVERIFY(runClientSync(client, *m_server, {}, [](ListsSynchronizer *run) { run->setForceLocal(true); }));
            removeTask(client.model(trip), QStringLiteral("Towel"));
            importBackup(client);
            QVERIFY(sync(client));
        });
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks,Towel]")};
        break;
    case MovedHereSinceTheBackup:
        onA([&](LiveClient &client) {
            exportBackup(client);
            moveToList(client.model(trip), QStringLiteral("Socks"), client.model(QStringLiteral("Home")));
            QVERIFY(sync(client));
            std::unique_ptr<UserLists> file(UserLists::load(backup));
            QVERIFY(file);
            TaskList *list = file->taskLists().first();
            list->rootTask()->insertChild(taskTitled(list, QStringLiteral("Tickets"))->clone(), 0);
            QVERIFY(file->save(backup));
            const QString report = useBackupPage(client, backup, false);
            QVERIFY2(report.contains(QStringLiteral("they stay in the list they are in now:\nTrip: Socks (now in \"Home\")"))
                         && report.endsWith(BackupDialog::repeatedTaskIdsText({list->name()})),
                     qPrintable(report));
            QCOMPARE(client.model(trip)->taskList()->rootTask()->child(1)->id(), 0u);
            QVERIFY(sync(client));
        });
        expected = {QStringLiteral("Home[Keys,Socks]"), QStringLiteral("Trip[Tickets,Tickets,Bags]")};
        m_told = ListOutcome::Restored();
        break;
    case RemovalsTheBackupRecords: {
        {
            // Typed and removed, backed up, and never sent: this computer is
            // gone. Nothing on the other tells which task Towel became.
            auto client = session(a);
            addTask(client->model(trip), QStringLiteral("Towel"));
            removeTask(client->model(trip), QStringLiteral("Socks"));
            removeTask(client->model(trip), QStringLiteral("Bags"));
            removeList(*client, QStringLiteral("Home"));
            exportBackup(*client);
        }
        onB([&](LiveClient &client) {
            retitle(client.model(trip), QStringLiteral("Bags"), QStringLiteral("Big bags"));
            QVERIFY(sync(client));
            QVERIFY(useBackupPage(client, backup, false).endsWith(QStringLiteral("as new tasks:\nTrip")));
        });
        const QString kept = QStringLiteral("Trip: Big bags");
        QCOMPARE(boxes.texts.filter(kept), QStringList{ListOutcome::keptAgainstRemovalsText({{}, {}, {}, {kept}, {}})});
        expected = {QStringLiteral("Trip[Tickets,Big bags,Towel]")};
        break;
    }
    case ChangedThereImportedTwice: {
        const QString carol = QStringLiteral("carol"), dave = QStringLiteral("dave"), erin = QStringLiteral("erin"),
                      r = QStringLiteral("r");
        for (const QString &user : {carol, dave, erin})
            m_server->addUser(user, QStringLiteral("pw"));
        onA([&](LiveClient &client) {
            // Backed up before carol and dave went up; carol taken back.
            QVERIFY(client.model(trip)->addSharedUser(carol, r) && client.model(trip)->addSharedUser(dave, r));
            exportBackup(client);
            QVERIFY(client.model(trip)->removeSharedUser(carol));
            QVERIFY(sync(client));
        });
        onB([&](LiveClient &client) {
            QVERIFY(client.model(trip)->removeSharedUser(QStringLiteral("bob")));
            QVERIFY(client.model(trip)->addSharedUser(erin, r));
            removeTask(client.model(trip), QStringLiteral("Socks"));
            addTask(client.model(trip), QStringLiteral("Tags"), QStringLiteral("Bags"));
        });
        // The program quit between each import and its run.
        for (int i = 0; i < 2; ++i) {
            onA([&](LiveClient &client) {
                QVERIFY(sync(client));
                importBackup(client);
            });
        }
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Bags>Tags,Socks]")};
        m_tripSharing = QMap<QString, QString>{{carol, r}, {dave, r}, {erin, r}};
        m_told = ListOutcome::Restored{{trip}, {}, {}, {}, {ListOutcome::sharingChangeText(trip, carol, r)}};
        break;
    }
    case RemovedHereNotSentBackupWithIt:
        onA(exportBackup);
        editTripOnB();
        onA([&](LiveClient &client) {
            QVERIFY(sync(client));
            removeList(client, trip);
            importBackup(client);
            QVERIFY(sync(client));
        });
        expected = {QStringLiteral("Home[Keys]"), QStringLiteral("Trip[Tickets,Bags,Socks,Passport]")};
        break;
    }
}

void TstRestoredLists::theBackupsListsHold()
{
    QFETCH(int, c);
    ModalAnswerer boxes;
    StoredClient a(QStringLiteral("a"));
    StoredClient b(QStringLiteral("b"));
    QStringList expected;
    play(Case(c), a, b, expected, boxes);
    if (QTest::currentTestFailed())
        return;

    // Quiet runs of both computers, in turn.
    for (int round = 0; round < 2; ++round) {
        for (StoredClient *store : {&a, &b}) {
            auto client = session(*store);
            QVERIFY(sync(*client));
            client->persist();
        }
    }
    // Once, whatever runs follow, and nothing else of the import.
    if (m_told) {
        const QStringList told = boxes.texts.filter(QStringLiteral("backup you imported"));
        QCOMPARE(told, m_told->isEmpty() ? QStringList() : QStringList{ListOutcome::restoredText(*m_told)});
    }
    expected.sort();
    QCOMPARE(listsText(m_server->visibleLists(QStringLiteral("alice"))), expected);
    for (StoredClient *store : {&a, &b}) {
        auto client = session(*store);
        QCOMPARE(listsText(client->lists), expected);
        for (const ListModel *model : client->lists->models()) {
            QCOMPARE(model->taskList()->syncStatus(), TaskList::Unedited);
            QCOMPARE(model->importedSharing(), (QMap<QString, QString>()));
        }
        if (!m_groups.isEmpty())
            QCOMPARE(groupsOutline(client->listsGroups()->rootGroup(), *client->lists), m_groups);
    }
    if (!m_groups.isEmpty())
        QCOMPARE(serverGroupsOutline(*m_server, QStringLiteral("alice")), m_groups);
    // Lists of another account, or of this one that the backup's ids named,
    // are as they were, under their ids.
    // A list posted again goes up with its shares; one that stayed on the
    // server keeps the server's (an access withdrawn there is not given back).
    if (Case(c) == SharedRemovedHereAndSynchronised)
        m_tripSharing = QMap<QString, QString>{{QStringLiteral("bob"), QStringLiteral("rw")}};
    if (Case(c) == ShareWithdrawnThereSinceTheBackup)
        m_tripSharing = QMap<QString, QString>();
    if (m_tripSharing) {
        const QMap<QString, QString> shares = *m_tripSharing;
        const QList<FakeList> lists = m_server->visibleLists(QStringLiteral("alice"));
        const auto trip = std::find_if(lists.begin(), lists.end(), [](const FakeList &l) { return l.name == "Trip"; });
        QVERIFY(trip != lists.end());
        QCOMPARE(trip->sharing, shares);
        for (StoredClient *store : {&a, &b})
            QCOMPARE(session(*store)->model(QStringLiteral("Trip"))->sharedUsers(), shares);
    }
    if (Case(c) == AnotherAccountsBackup || Case(c) == AnotherAccountsBackupImportedTwice
        || Case(c) == OwnBackupAListSharedWithMe || Case(c) == OwnBackupAReadOnlyListSharedWithMe
        || Case(c) == OwnBackupAListSharedWithMeChangedByItsOwner
        || Case(c) == OwnBackupAListSharedWithMeSentByAForcedRemoteRun)
        QCOMPARE(listsWithIds(*m_server, QStringLiteral("bob")), m_untouched);
    else
        for (const QString &list : std::as_const(m_untouched))
            QVERIFY2(listsWithIds(*m_server, QStringLiteral("alice")).contains(list), qPrintable(list));
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
}

// A run of one list does not see the others: a list restored from a backup
// waits for the full run, which carries the import out with what was typed
// since.
void TstRestoredLists::aSingleListRunLeavesARestoredListToTheFullRun()
{
    ModalAnswerer boxes;
    StoredClient a(QStringLiteral("a"));
    const QString backup = m_dir.filePath(QStringLiteral("single.xhtml"));
    auto client = session(a);
    makeList(*client, QStringLiteral("Trip"), {QStringLiteral("Tickets")});
    QVERIFY(sync(*client));
    QCOMPARE(useBackupPage(*client, backup, true), QStringLiteral("Backup completed."));
    QVERIFY(useBackupPage(*client, backup, false).startsWith(QStringLiteral("Backup completed.")));
    ListModel *trip = client->model(QStringLiteral("Trip"));
    addTask(trip, QStringLiteral("Stove"));
    m_server->clearRequests();
    SingleListSynchronizer single(client->lists, client.get(), trip);
    QSignalSpy failed(&single, &SingleListSynchronizer::failed);
    single.start();
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.first().first().toString(), SingleListSynchronizer::waitsForRestoreText(QStringLiteral("Trip")));
    QCOMPARE(m_server->requests().size(), 0);

    QVERIFY(sync(*client));
    QCOMPARE(listsText(m_server->visibleLists(QStringLiteral("alice"))),
             QStringList{QStringLiteral("Trip[Tickets,Stove]")});
}

PLUMDECK_TEST_MAIN(TstRestoredLists)
#include "tst_restoredlists.moc"
