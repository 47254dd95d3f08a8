#include "core/clock.h"
#include "core/paths.h"
#include "core/serversettings.h"
#include "core/uisettings.h"
#include "dialogs/backupdialog.h"
#include "dialogstest.h"
#include "interruptedsave.h"
#include "model/taskattachmentwebhyperlink.h"
#include "model/taskreaderwriter.h"
#include "simulatedfs.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace DialogsTest;

namespace {

QByteArray document(UserLists *lists)
{
    QBuffer buffer;
    TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
    return writer.saveLists(lists, &buffer) ? buffer.data() : QByteArray();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A lists document without the account an export or an import records.
QByteArray withoutAccount(QByteArray document)
{
    const QRegularExpression account(QStringLiteral("\\s*<dt>account</dt>\\s*<dd>[^<]*</dd>"));
    return QString::fromUtf8(document).remove(account).toUtf8();
}

// Where an import keeps the lists it replaces, and what it says of it.
QString keptAsidePath(const QString &suffix = QString())
{
    return userDataDir().filePath(QStringLiteral("lists-before-import-%1%2.xhtml")
                                      .arg(Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")), suffix));
}

QString keptAsideReport(const QString &path)
{
    return QStringLiteral("Backup completed. Your lists as they were before are kept in \"%1\".")
        .arg(QDir::toNativeSeparators(path));
}

// What it says of lists never synchronised when the backup was made.
QString neverSynchronisedReport(const QStringList &names)
{
    return QStringLiteral("\n\nThese lists had never been synchronised when the backup was made; they are added as "
                          "new lists:\n")
           + names.join(QLatin1Char('\n'));
}

QStringList keptAsideFiles()
{
    return userDataDir().entryList({QStringLiteral("lists-before-import-*")}, QDir::Files | QDir::Hidden);
}

// As the server had it: an id, a revision, a task with an id, what was
// agreed and, when edited since, a removed task still to send.
void makeKnown(TaskList *list, quint32 id, TaskList::SyncStatus status)
{
    list->setSyncStatus(TaskList::Unedited);
    list->setServerId(id);
    list->setRevision(5);
    Task *task = list->rootTask()->childCount() ? list->rootTask()->child(0) : list->rootTask()->createChild(0);
    if (task->title().isEmpty())
        task->setTitle(QStringLiteral("Tent"));
    task->setId(id * 10);
    task->setRevision(5);
    list->agreeAsIs();
    if (status == TaskList::Edited) {
        list->setSyncStatus(TaskList::Edited);
        Task *gone = list->rootTask()->createChild(1);
        gone->setId(id * 10 + 1);
        list->removeTask(gone);
        list->setPendingUpload(QStringLiteral("put3:0:abc:::"));
    }
}

// A removed list whose removal the server has not had yet.
TaskList *removedRecord(quint32 id)
{
    auto *record = new TaskList;
    record->setName(QStringLiteral("Removed %1").arg(id));
    record->setSyncStatus(TaskList::Deleted);
    record->setServerId(id);
    record->setRevision(2);
    return record;
}

QList<quint32> recordIds(const UserLists *lists)
{
    QList<quint32> ids;
    for (const TaskList *record : lists->deletedLists())
        ids << record->serverId();
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

class TstBackupDialog : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_startedIn;

    // Answers the next file dialog: types `path` and Return (confirming a
    // replacement), or cancels when `path` is empty; remembers where it
    // started.
    void choose(const QString &path)
    {
        DialogDriver::whenModal([this, path](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            m_startedIn = dialog->directory().absolutePath();
            if (path.isEmpty()) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
            DialogDriver::whenDialog(
                []() { return DialogDriver::visibleDialog("QMessageBox"); },
                [](QWidget *box) { static_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click(); }, 50);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            name->setText(path); // typed, without the completer's pop-up
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Everything in the folder of the backups, links included.
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                            QDir::Name);
    }

    // Exports the lists of a new page to `file`, the toolkit saving with
    // named temporaries or not; true when the dialog says it is done.
    bool exportTo(const QString &file, bool namedTemporaries)
    {
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        BackupDialog backup(page.lists.get(), page.groups.get());
        backup.show();
        choose(file);
        plumdeck_simulate_named_temporaries(namedTemporaries);
        QTest::mouseClick(backup.exportButton(), Qt::LeftButton);
        plumdeck_simulate_named_temporaries(false);
        return backup.infoLabel()->text() == QLatin1String("Backup completed.");
    }

    // Imports `file` into the page; the lists restored (null when none).
    std::unique_ptr<UserLists> import(ListsPage &page, const QString &file, QString *report)
    {
        BackupDialog backup(page.lists.get(), page.groups.get());
        std::unique_ptr<UserLists> restored;
        connect(&backup, &BackupDialog::listsRestored, this, [&](UserLists *l) { restored.reset(l); });
        backup.show();
        choose(file);
        QTest::mouseClick(backup.importButton(), Qt::LeftButton);
        *report = backup.warningLabel()->isVisible() ? backup.warningLabel()->text() : backup.infoLabel()->text();
        return restored;
    }

    // Files may not grow past 4 KiB while `act` runs: the disk is "full".
    static void onAFullDisk(const std::function<void()> &act)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        act();
        setrlimit(RLIMIT_FSIZE, &saved);
    }

    // Writes `lists` to a backup file, of `account` (as an export here
    // names it, unless told); its path.
    QString writeBackup(UserLists *lists, const QString &name = QStringLiteral("backup.xhtml"),
                        const QString &account = ServerSettings::instance()->account())
    {
        lists->setAccount(account);
        QFile out(path(name));
        if (!out.open(QIODevice::WriteOnly))
            return QString();
        out.write(document(lists));
        return out.fileName();
    }

private slots:
    void init()
    {
        UISettings::instance()->setDefaultImportExportDir(QString());
        for (const QString &name : entries())
            QVERIFY(QFile::remove(path(name)));
        for (const QString &name : keptAsideFiles())
            QVERIFY(QFile::remove(userDataDir().filePath(name)));
        Clock::setFixedTime(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC));
    }

    void cleanup() { Clock::reset(); }

    // The lists an import replaces, never synchronised ones included, are
    // kept beside the lists file as a lists document, which the report
    // names and an import brings back; a second import in the same second
    // keeps its own.
    void importKeepsTheReplacedListsAside_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<int>("imports");
        QTest::newRow("lists never synchronised") << false << 1;
        QTest::newRow("lists the server has, a removal still to send") << true << 1;
        QTest::newRow("two imports in one second") << false << 2;
    }

    void importKeepsTheReplacedListsAside()
    {
        QFETCH(bool, known);
        QFETCH(int, imports);
        ListsPage page;
        page.build(QStringLiteral("Groceries Old"));
        page.list(QStringLiteral("Groceries"))->taskList()->rootTask()->child(0)->setTitle(QStringLiteral("Plums"));
        if (known) {
            makeKnown(page.list(QStringLiteral("Groceries"))->taskList(), 7, TaskList::Unedited);
            makeKnown(page.list(QStringLiteral("Old"))->taskList(), 8, TaskList::Unedited);
            page.lists->deleteList(page.list(QStringLiteral("Old"))->taskList());
        }
        const QByteArray before = document(page.lists.get());
        ListsPage other;
        other.build(QStringLiteral("Trip"));
        const QString backup = writeBackup(other.lists.get());

        QString report;
        std::unique_ptr<UserLists> restored = import(page, backup, &report);
        QCOMPARE(report, keptAsideReport(keptAsidePath()) + neverSynchronisedReport({QStringLiteral("Trip")}));
        QVERIFY(restored);
        QCOMPARE(withoutAccount(contents(keptAsidePath())), before);
        QCOMPARE(keptAsideFiles().size(), 1);
        if (imports == 1)
            return;
        // An import of that file brings them back; in the same second, what
        // it replaces is kept under a name of its own.
        std::unique_ptr<UserLists> back = import(page, keptAsidePath(), &report);
        QVERIFY(back);
        QCOMPARE(report.section(QStringLiteral("\n\n"), 0, 0), keptAsideReport(keptAsidePath(QStringLiteral("-2"))));
        QCOMPARE(withoutAccount(contents(keptAsidePath())), before);
        QCOMPARE(keptAsideFiles().size(), 2);
        QCOMPARE(back->taskLists().size(), 2);
        QCOMPARE(back->taskLists().first()->name(), QStringLiteral("Groceries"));
        QCOMPARE(back->taskLists().first()->rootTask()->child(0)->title(), QStringLiteral("Plums"));
    }

    // An import that cannot keep the lists it would replace (a full disk)
    // says so and changes nothing.
    void importThatCannotKeepTheListsAsideChangesNothing()
    {
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        ListModel *list = page.list(QStringLiteral("Groceries"));
        for (int i = 0; i < 200; ++i)
            list->taskList()->rootTask()->createChild(i)->setTitle(QStringLiteral("Task %1").arg(i));
        const QByteArray before = document(page.lists.get());
        ListsPage other;
        other.build(QStringLiteral("Trip"));
        const QString backup = writeBackup(other.lists.get());

        BackupDialog dialog(page.lists.get(), page.groups.get());
        QSignalSpy restored(&dialog, &BackupDialog::listsRestored);
        dialog.show();
        choose(backup);
        onAFullDisk([&] { QTest::mouseClick(dialog.importButton(), Qt::LeftButton); });
        QCOMPARE(dialog.warningLabel()->text(),
                 QStringLiteral("Error: Impossible to keep your current lists in \"%1\". Nothing was imported.")
                     .arg(QDir::toNativeSeparators(keptAsidePath())));
        QVERIFY(dialog.infoLabel()->isHidden());
        QCOMPARE(restored.count(), 0);
        QCOMPARE(document(page.lists.get()), before);
        QCOMPARE(keptAsideFiles(), QStringList());
    }

    // A backup's list of the server's keeps its id and its tasks', edited
    // against the list as the backup holds it (its tasks never sent left
    // out), which the next run puts onto the server's copy; its sharing is
    // the backup's, against what the backup had agreed with the server.
    // One never synchronised is new, its sharing anew. What the user was
    // told before the backup was made is not told again.
    void importedListsAreRestoredLists_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("here");
        QTest::addColumn<int>("expected");
        QTest::addColumn<quint32>("sharedRevision");
        QTest::addColumn<bool>("sharedEdited");
        QTest::newRow("unedited") << int(TaskList::Unedited) << false << int(TaskList::Edited) << 4u << false;
        QTest::newRow("edited, an update still to send") << int(TaskList::Edited) << false << int(TaskList::Edited)
                                                          << 4u << false;
        QTest::newRow("the list here, shared otherwise") << int(TaskList::Unedited) << true << int(TaskList::Edited)
                                                          << 4u << false;
        QTest::newRow("new, its creation in doubt") << int(TaskList::New) << false << int(TaskList::New) << 1u << true;
    }

    void importedListsAreRestoredLists()
    {
        QFETCH(int, status);
        QFETCH(bool, here);
        QFETCH(int, expected);
        QFETCH(quint32, sharedRevision);
        QFETCH(bool, sharedEdited);
        ListsPage file;
        file.build(QStringLiteral("Trip+"));
        ListModel *trip = file.list(QStringLiteral("Trip"));
        trip->setSharedRevision(4);
        trip->clearSharedEdited();
        trip->taskList()->setUntoldKept(QStringLiteral("removed-there"));
        if (status == TaskList::New) {
            trip->taskList()->rootTask()->child(0)->setTitle(QStringLiteral("Tent"));
            trip->taskList()->setPendingUpload(QStringLiteral("100:digest"));
        } else {
            makeKnown(trip->taskList(), 42, TaskList::SyncStatus(status));
            // Typed before the backup, never sent, a task of the server's
            // put below it.
            Task *stove = trip->taskList()->rootTask()->createChild(1);
            stove->setTitle(QStringLiteral("Stove"));
            Task *gas = stove->createChild(0);
            gas->setTitle(QStringLiteral("Gas"));
            gas->setId(421);
        }
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        if (here) {
            ListModel *groceries = page.list(QStringLiteral("Groceries"));
            makeKnown(groceries->taskList(), 42, TaskList::Unedited);
            groceries->addSharedUser(QStringLiteral("carol"), QStringLiteral("r"));
            groceries->setSharedRevision(6);
            groceries->clearSharedEdited();
        }
        QString report;
        std::unique_ptr<UserLists> restored = import(page, writeBackup(file.lists.get()), &report);
        QVERIFY(restored);
        const TaskList *list = restored->taskLists().first();
        QCOMPARE(int(list->syncStatus()), expected);
        QCOMPARE(list->untoldKept(), QString());
        // The removals the backup records are the import's.
        QCOMPARE(list->removedTasks().size(), status == TaskList::Edited ? 1 : 0);
        QCOMPARE(list->rootTask()->child(0)->title(), QStringLiteral("Tent"));
        if (status == TaskList::New) {
            QCOMPARE(list->serverId(), 0u);
            QCOMPARE(list->pendingUpload(), QString());
            QCOMPARE(list->agreed(), nullptr);
            QCOMPARE(list->rootTask()->child(0)->id(), 0u);
        } else {
            QCOMPARE(list->serverId(), 42u);
            QCOMPARE(list->pendingUpload(), QStringLiteral("restored"));
            QCOMPARE(list->rootTask()->child(0)->id(), 420u);
            QVERIFY(list->agreed());
            QCOMPARE(list->agreed()->revision(), list->revision());
            QCOMPARE(list->agreed()->rootTask()->childCount(), 2);
            QCOMPARE(list->agreed()->rootTask()->child(0)->id(), 420u);
            QCOMPARE(list->agreed()->rootTask()->child(1)->id(), 421u);
        }
        ListModel *model = restored->models().first();
        QCOMPARE(model->sharedUsers(), (QMap<QString, QString>{{QStringLiteral("bob"), QStringLiteral("rw")}}));
        QCOMPARE(model->sharedRevision(), sharedRevision);
        QCOMPARE(model->isSharedEdited(), sharedEdited);
        const QMap<QString, QString> agreed = status == TaskList::New ? QMap<QString, QString>() : model->sharedUsers();
        QCOMPARE(model->agreedSharedUsers(), std::optional(agreed));
    }

    // Whose ids a backup holds decides whether its lists go over the user's
    // of the same ids: the account it names, as the program addresses the
    // server. One that names none is asked about (Return: another's);
    // another's comes without its people.
    void theAccountOfABackupDecidesItsIds_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("restored");
        QTest::newRow("this account, its address typed otherwise") << "ann@home@HTTP://Sync.Example:80/pd/" << true;
        QTest::newRow("another account's: new, shared with nobody") << "bob@http://sync.example/pd" << false;
        QTest::newRow("naming none, the question's default: new") << QString() << false;
    }

    void theAccountOfABackupDecidesItsIds()
    {
        QFETCH(QString, account);
        QFETCH(bool, restored);
        ServerSettings::instance()->setSettings(QStringLiteral("http://sync.example/pd"), QStringLiteral("ann@home"),
                                                QStringLiteral("pw"));
        ListsPage file;
        file.build(QStringLiteral("Trip+"));
        makeKnown(file.list(QStringLiteral("Trip"))->taskList(), 42, TaskList::Unedited);
        const QString backup = writeBackup(file.lists.get(), QStringLiteral("backup.xhtml"), account);
        bool answered = false;
        if (account.isEmpty())
            DialogDriver::whenDialog([] { return DialogDriver::visibleDialog("MessageDialog"); },
                                     [&answered](QWidget *question) {
                                         answered = QTest::qWaitForWindowActive(question);
                                         QTest::keyClick(question->focusWidget(), Qt::Key_Return);
                                     },
                                     500);
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        QString report;
        std::unique_ptr<UserLists> lists = import(page, backup, &report);
        QVERIFY(lists);
        QCOMPARE(answered, account.isEmpty());
        const ListModel *trip = lists->models().first();
        QCOMPARE(trip->taskList()->syncStatus() == TaskList::Edited && trip->taskList()->serverId() == 42, restored);
        QCOMPARE(trip->sharedUsers().isEmpty(), !restored);
    }

    // The removals of lists still to send here stay (the next full run
    // sends each), but for a list the backup brings back; the file's are
    // the import's, sent too.
    void importKeepsOnlyTheRemovalsMadeHere_data()
    {
        QTest::addColumn<QList<quint32>>("here");
        QTest::addColumn<QList<quint32>>("inFile");
        QTest::addColumn<QList<quint32>>("expected");
        QTest::newRow("a removal still to send here stays") << QList<quint32>{8} << QList<quint32>{} << QList<quint32>{8};
        QTest::newRow("the file's removals are the import's") << QList<quint32>{} << QList<quint32>{9}
                                                               << QList<quint32>{9};
        QTest::newRow("both") << QList<quint32>{7, 8} << QList<quint32>{8, 9} << QList<quint32>{7, 8, 9};
        QTest::newRow("one of a list the file holds") << QList<quint32>{42} << QList<quint32>{} << QList<quint32>{};
    }

    void importKeepsOnlyTheRemovalsMadeHere()
    {
        QFETCH(QList<quint32>, here);
        QFETCH(QList<quint32>, inFile);
        QFETCH(QList<quint32>, expected);
        ListsPage file;
        file.build(QStringLiteral("Trip"));
        makeKnown(file.list(QStringLiteral("Trip"))->taskList(), 42, TaskList::Unedited);
        for (quint32 id : inFile)
            file.lists->addList(removedRecord(id));
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        for (quint32 id : here)
            page.lists->addList(removedRecord(id));
        QString report;
        std::unique_ptr<UserLists> restored = import(page, writeBackup(file.lists.get()), &report);
        QVERIFY(restored);
        QCOMPARE(recordIds(restored.get()), expected);
        // Saved and read back, the restored lists and the records stay so.
        QBuffer buffer;
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        QVERIFY(writer.saveLists(restored.get(), &buffer));
        buffer.close();
        std::unique_ptr<UserLists> reread(UserLists::load(&buffer));
        QVERIFY(reread);
        QCOMPARE(recordIds(reread.get()), expected);
        QCOMPARE(reread->taskLists().first()->pendingUpload(), QStringLiteral("restored"));
    }

    void exportThenImport()
    {
        ListsPage page;
        page.build(QStringLiteral("Groceries Shared+ Theirs:r Work(Release)"));
        Task *task = page.list(QStringLiteral("Groceries"))->taskForIndex(page.list(QStringLiteral("Groceries"))->index(0, 0));
        task->setTitle(QStringLiteral("Plums"));
        task->addAttachment(new TaskAttachmentWebHyperlink(QStringLiteral("Shop"), QUrl(QStringLiteral("http://shop.example"))));

        BackupDialog backup(page.lists.get(), page.groups.get());
        backup.show();
        choose(path(QStringLiteral("lists-backup.xhtml")));
        QTest::mouseClick(backup.exportButton(), Qt::LeftButton);
        // With the keys the export gave the lists not yet on the server.
        const QByteArray before = document(page.lists.get());
        QCOMPARE(m_startedIn, documentsDir().absolutePath());
        QCOMPARE(backup.infoLabel()->text(), QStringLiteral("Backup completed."));
        QVERIFY(backup.warningLabel()->isHidden());
        // Writing a backup is no save of the lists themselves.
        QVERIFY(page.lists->isModified());

        // Restored into another page, whose groups know none of these lists.
        ListsPage other;
        other.build(QStringLiteral("Old"));
        BackupDialog restore(other.lists.get(), other.groups.get());
        std::unique_ptr<UserLists> restored;
        connect(&restore, &BackupDialog::listsRestored, this, [&](UserLists *l) { restored.reset(l); });
        QSignalSpy groupsChanged(&restore, &BackupDialog::listsGroupsChanged);
        restore.show();
        choose(path(QStringLiteral("lists-backup.xhtml")));
        QTest::mouseClick(restore.importButton(), Qt::LeftButton);
        QCOMPARE(m_startedIn, m_dir.path()); // the folder of the last file
        QCOMPARE(restore.infoLabel()->text(),
                 keptAsideReport(keptAsidePath())
                     + neverSynchronisedReport({QStringLiteral("Groceries"), QStringLiteral("Shared"),
                                                QStringLiteral("Theirs"), QStringLiteral("Release")}));
        QVERIFY(restored);
        QCOMPARE(document(restored.get()), before);
        // The restored lists stand in the default group, for the list manager.
        for (TaskList *list : restored->taskLists())
            QVERIFY2(other.groups->containsList(list), qPrintable(list->name()));
        QCOMPARE(groupsChanged.count(), 1);
    }

    void cancelledChangesNothing_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::newRow("export") << true;
        QTest::newRow("import") << false;
    }

    void cancelledChangesNothing()
    {
        QFETCH(bool, exporting);
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        UISettings::instance()->setDefaultImportExportDir(m_dir.path());
        BackupDialog backup(page.lists.get(), page.groups.get());
        QSignalSpy restored(&backup, &BackupDialog::listsRestored);
        backup.show();
        choose(QString());
        QTest::mouseClick(exporting ? backup.exportButton() : backup.importButton(), Qt::LeftButton);
        QCOMPARE(m_startedIn, m_dir.path());
        QVERIFY(backup.infoLabel()->isHidden() && backup.warningLabel()->isHidden());
        QCOMPARE(UISettings::instance()->defaultImportExportDir(), m_dir.path());
        QCOMPARE(restored.count(), 0);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
    }

    void unreadableImportChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">"
                                "<head><meta name=\"generator\" content=\"PlumDeck\"/><meta name=\"format-version\" content=\"1\"/>";
        QTest::newRow("not XML") << QByteArray("lists, but not as they should be");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << head + "<title>pd-local-lists</title></head><body><div class=\"pd-list\"><dl>";
        QTest::newRow("notes, not lists") << head + "<title>pd-notepad</title></head><body></body></html>";
        QTest::newRow("no title") << head + "</head><body></body></html>";
    }

    void unreadableImportChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        const QString file = path(QStringLiteral("damaged.xhtml"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        }
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        BackupDialog backup(page.lists.get(), page.groups.get());
        QSignalSpy restored(&backup, &BackupDialog::listsRestored);
        backup.show();
        choose(file);
        QTest::mouseClick(backup.importButton(), Qt::LeftButton);
        QCOMPARE(backup.warningLabel()->text(), QStringLiteral("Error: The selected file is corrupted."));
        QVERIFY(backup.infoLabel()->isHidden());
        QCOMPARE(restored.count(), 0);
        QCOMPARE(contents(file), bytes); // the user's file stays where and as it was
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("damaged.xhtml")});
    }

    // A file or a link of the save note's name beside the export is the
    // user's: the export neither writes it (nor through it) nor removes it.
    void othersFileOfTheNoteNameStays_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("link");
        QTest::newRow("named temporaries, a file") << true << false;
        QTest::newRow("named temporaries, a link") << true << true;
        QTest::newRow("unnamed temporaries, a file") << false << false;
        QTest::newRow("unnamed temporaries, a link") << false << true;
    }

    void othersFileOfTheNoteNameStays()
    {
        QFETCH(bool, named);
        QFETCH(bool, link);
        // A file of its own for each row: the log says it once a run.
        const QString name = QStringLiteral("backup-%1-%2.xhtml").arg(int(named)).arg(int(link));
        const QString file = path(name);
        const QString note = file + QStringLiteral(".interrupted-save");
        const QString mine = path(QStringLiteral("mine.txt"));
        QVERIFY(InterruptedSave::plantFile(link ? mine : note, "my own notes"));
        if (link)
            QVERIFY(QFile::link(mine, note));
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("saves of ") + file + QStringLiteral(" go without a note: a file ")
                                                      + note + QStringLiteral(" is already there and is left as it is")));
        QVERIFY(exportTo(file, named));
        QVERIFY(contents(file).contains("<title>pd-local-lists</title>"));
        QCOMPARE(contents(note), QByteArray("my own notes"));
        QStringList expected = {name, name + QStringLiteral(".interrupted-save")};
        if (link) {
            QCOMPARE(QFileInfo(note).symLinkTarget(), mine);
            expected << QStringLiteral("mine.txt");
        }
        expected.sort();
        QCOMPARE(entries(), expected);
    }

    // What an export cut short in an earlier run left beside the file goes
    // with the next export to it; the user's files of like names stay.
    void exportRemovesAnInterruptedExport()
    {
        const QString file = path(QStringLiteral("weekly.xhtml"));
        const QDateTime before = InterruptedSave::beforeTheStart();
        QVERIFY(InterruptedSave::plantFile(file, "the earlier backup", before));
        QVERIFY(InterruptedSave::plantFile(file + QStringLiteral(".plumdeck-save-xy12ab34cd56"), "cut short", before));
        QVERIFY(InterruptedSave::plantFile(file + QStringLiteral(".abc123"), "mine", before));
        QVERIFY(InterruptedSave::plantNote(file, QStringLiteral("weekly.xhtml.plumdeck-save-xy12ab34cd56")));
        QVERIFY(exportTo(file, false));
        QCOMPARE(entries(), (QStringList{QStringLiteral("weekly.xhtml"), QStringLiteral("weekly.xhtml.abc123")}));
        QVERIFY(contents(file).contains("<title>pd-local-lists</title>"));
    }

    // An export killed before its temporary had a name left an earlier
    // version's note naming the freed inode; the user's copy of the backup
    // that took it ("cp -p", keeping its times) stays through the next
    // export to the same file.
    void exportKeepsTheUsersCopies_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("backup") << "weekly.xhtml.backup";
        QTest::newRow("before") << "weekly.xhtml.before";
        QTest::newRow("old001") << "weekly.xhtml.old001";
    }

    void exportKeepsTheUsersCopies()
    {
        QFETCH(QString, name);
        const QString file = path(QStringLiteral("weekly.xhtml"));
        const QDateTime before = InterruptedSave::beforeTheStart().addSecs(-3600);
        QVERIFY(InterruptedSave::plantFile(file, "the earlier backup", before));
        QVERIFY(InterruptedSave::copyKeepingTimes(file, path(name)));
        QVERIFY(InterruptedSave::plantNoteByInode(file, path(name)));
        QVERIFY(exportTo(file, false));
        QCOMPARE(entries(), (QStringList{QStringLiteral("weekly.xhtml"), name}));
        QCOMPARE(contents(path(name)), QByteArray("the earlier backup"));
    }

    void failedExportKeepsTheEarlierBackup()
    {
        const QString file = path(QStringLiteral("earlier.xhtml"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("the earlier backup");
        }
        ListsPage page;
        page.build(QStringLiteral("Groceries"));
        ListModel *list = page.list(QStringLiteral("Groceries"));
        for (int i = 0; i < 200; ++i)
            list->taskList()->rootTask()->createChild(i)->setTitle(QStringLiteral("Task %1").arg(i));
        BackupDialog backup(page.lists.get(), page.groups.get());
        backup.show();
        choose(file);
        onAFullDisk([&] { QTest::mouseClick(backup.exportButton(), Qt::LeftButton); });
        QCOMPARE(backup.warningLabel()->text(), QStringLiteral("Error: Impossible to write backup file."));
        QCOMPARE(contents(file), QByteArray("the earlier backup"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("earlier.xhtml")});
    }
};

PLUMDECK_TEST_MAIN(TstBackupDialog)
#include "tst_backupdialog.moc"
