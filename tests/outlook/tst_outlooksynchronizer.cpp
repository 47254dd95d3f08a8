// Task lists mirrored into Outlook task folders, run against an Outlook held
// in memory.

#include "outlooktest.h"
#include "testenvironment.h"

using namespace OutlookTest;

class TstOutlookSynchronizer : public QObject
{
    Q_OBJECT
private slots:
    void outlookNotInstalled()
    {
        Setup s;
        s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        s.outlook.installed = false;
        QString error;
        QVERIFY(!s.run(&error));
        QCOMPARE(error, QStringLiteral("Outlook was not found."));
        QVERIFY(s.lists->outlookLastSyncTime().isNull());
        QVERIFY(s.lists->taskLists().first()->outlookId().isEmpty());
    }

    void theDefaultProviderFindsNoOutlook()
    {
        Setup s;
        OutlookSynchronizer synchronizer(s.lists.get());
        QVERIFY(!synchronizer.run());
        QCOMPARE(synchronizer.errorString(), QStringLiteral("Outlook was not found."));
        QVERIFY(synchronizer.hasError());
    }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("error");
        QTest::newRow("12") << QStringLiteral("12.0.6423.1000") << QString();
        QTest::newRow("14") << QStringLiteral("14") << QString();
        QTest::newRow("empty") << QString() << QStringLiteral("Failed to get the Outlook version.");
        QTest::newRow("11") << QStringLiteral("11.0.8169")
                            << QStringLiteral("Outlook version 12 is required - 11.0.8169 is not supported.");
        QTest::newRow("only dots") << QStringLiteral("...")
                                   << QStringLiteral("Outlook version 12 is required - ... is not supported.");
        QTest::newRow("not a number") << QStringLiteral("twelve.0")
                                      << QStringLiteral("Outlook version 12 is required - twelve.0 is not supported.");
    }
    void versionCheck()
    {
        QFETCH(QString, version);
        QFETCH(QString, error);
        Setup s;
        s.addList(QStringLiteral("Home"));
        s.outlook.version = version;
        QString reported;
        QCOMPARE(s.run(&reported), error.isNull());
        QCOMPARE(reported, error);
        // A refused version touches nothing.
        QCOMPARE(s.outlook.subfolders().size(), error.isNull() ? 1 : 0);
    }

    void firstRunPairsEveryListAndTask()
    {
        Setup s;
        const QString own = s.outlook.addFolder(QStringLiteral("Private"));
        const QString ownItem = s.outlook.addItem(own, QStringLiteral("Dentist"));
        const QString loose = s.outlook.addItem(s.outlook.tasksFolder(), QStringLiteral("In the default folder"));
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread"), QStringLiteral("Milk")});
        Task *skimmed = Setup::addTask(Setup::task(home, QStringLiteral("Milk")), QStringLiteral("Skimmed"));
        Setup::task(home, QStringLiteral("Bread"))->setDone(true);
        TaskList *work = s.addList(QStringLiteral("Work"), {QStringLiteral("Report")});

        QVERIFY(s.run());
        // The user's own folder and items stay as they were.
        QVERIFY(s.outlook.hasFolder(own) && s.outlook.hasItem(ownItem) && s.outlook.hasItem(loose));
        QCOMPARE(s.outlook.subjects(own), QStringList{QStringLiteral("Dentist")});
        QCOMPARE(s.outlook.folderNames(), (QStringList{"Private", "Home", "Work"}));
        QCOMPARE(home->outlookId(), s.outlook.folderByName(QStringLiteral("Home")));
        QCOMPARE(work->outlookId(), s.outlook.folderByName(QStringLiteral("Work")));
        // A subtask has an item of its own in the list's folder.
        QCOMPARE(s.subjects(home), (QStringList{"Bread+", "Milk", "Skimmed"}));
        QCOMPARE(s.subjects(work), QStringList{"Report"});
        for (const QString &id : s.outlook.items(home->outlookId())) {
            MemoryOutlook::Item &item = s.outlook.item(id);
            QCOMPARE(item.properties.value(OutlookSynchronizer::createdMarker()), QVariant(true));
            QVERIFY(!item.hasDueDate);
        }
        // Each task holds the id its item has in the list's folder.
        QVERIFY(s.outlook.items(home->outlookId()).contains(skimmed->outlookId()));
        QCOMPARE(s.lists->outlookLastSyncTime(), Clock::currentDateTimeUtc());
        QCOMPARE(Setup::titles(home), (QStringList{"Bread+", "Milk"}));
        QCOMPARE(home->syncStatus(), TaskList::Edited);
    }

    void uniqueFolderNames()
    {
        Setup s;
        s.outlook.addFolder(QStringLiteral("Home"));
        for (int i = 0; i < 3; ++i)
            s.addList(QStringLiteral("Home"));
        s.addList(QStringLiteral("home"));
        QVERIFY(s.run());
        QCOMPARE(s.outlook.folderNames(), (QStringList{"Home", "Home 2", "Home 3", "Home 4", "home"}));
    }

    void changesOnEitherSide()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"),
                                   {QStringLiteral("Bread"), QStringLiteral("Milk"), QStringLiteral("Eggs")});
        QVERIFY(s.run());
        Setup::later();
        // Outlook changed Bread, we changed Milk, both changed Eggs.
        s.outlook.edit(Setup::task(home, QStringLiteral("Bread"))->outlookId(), QStringLiteral("Rye bread"), true);
        Setup::task(home, QStringLiteral("Milk"))->setTitle(QStringLiteral("Whole milk"));
        Task *eggs = Setup::task(home, QStringLiteral("Eggs"));
        eggs->setTitle(QStringLiteral("Six eggs"));
        s.outlook.edit(eggs->outlookId(), QStringLiteral("Twelve eggs"), false);
        Setup::later();

        QVERIFY(s.run());
        QCOMPARE(Setup::titles(home), (QStringList{"Rye bread+", "Whole milk", "Twelve eggs"}));
        QCOMPARE(s.subjects(home), (QStringList{"Rye bread+", "Whole milk", "Twelve eggs"}));

        // What the run saved itself is not a change of Outlook's next time.
        Setup::later();
        Setup::task(home, QStringLiteral("Whole milk"))->setTitle(QStringLiteral("Oat milk"));
        QVERIFY(s.run());
        QCOMPARE(s.subjects(home), (QStringList{"Rye bread+", "Oat milk", "Twelve eggs"}));
    }

    // The run's own saves are no change of Outlook's, however far its clock
    // runs ahead.
    void outlooksClockAhead()
    {
        Setup s;
        s.outlook.clockAhead = 3600;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        QVERIFY(s.run());
        QCOMPARE(s.lists->outlookLastSyncTime(), Clock::currentDateTimeUtc().addSecs(3600));
        Setup::later();
        Setup::task(home, QStringLiteral("Bread"))->setTitle(QStringLiteral("Rye bread"));
        QVERIFY(s.run());
        QCOMPARE(s.subjects(home), QStringList{"Rye bread"});

        // Behind it, the run's end counts.
        s.outlook.clockAhead = -3600;
        Setup::later();
        QVERIFY(s.run());
        QCOMPARE(s.lists->outlookLastSyncTime(), Clock::currentDateTimeUtc());
    }

    void outlookWins_data()
    {
        QTest::addColumn<bool>("lastSync");
        QTest::addColumn<bool>("validTime");
        QTest::newRow("no synchronisation yet") << false << true;
        QTest::newRow("no valid modification time") << true << false;
    }
    void outlookWins()
    {
        QFETCH(bool, lastSync);
        QFETCH(bool, validTime);
        Setup s;
        const QString folder = s.outlook.addFolder(QStringLiteral("Home"));
        const QString item = s.outlook.addItem(folder, QStringLiteral("From Outlook"), true, true);
        if (!validTime)
            s.outlook.item(item).modified = QDateTime();
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Ours")});
        home->setOutlookId(folder);
        Setup::task(home, QStringLiteral("Ours"))->setOutlookId(item);
        if (lastSync)
            s.lists->setOutlookLastSyncTime(Clock::currentDateTimeUtc().addSecs(60));
        QVERIFY(s.run());
        QCOMPARE(Setup::titles(home), QStringList{"From Outlook+"});
    }

    void failuresAmongTheItemsAreReported_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("adding the marker") << QStringLiteral("UserProperties.Add");
        QTest::newRow("setting the marker") << QStringLiteral("UserProperty.SetValue");
        QTest::newRow("reading the items") << QStringLiteral("Items.Count");
    }
    void failuresAmongTheItemsAreReported()
    {
        QFETCH(QString, operation);
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        s.outlook.failOn(operation);
        QString error;
        QVERIFY(!s.run(&error));
        QCOMPARE(error, QStringLiteral("Error from Outlook: %1 failed (-2147352567)").arg(operation));
        QVERIFY(s.lists->outlookLastSyncTime().isNull());
        QCOMPARE(Setup::titles(home), QStringList{"Bread"});
    }

    void newInOutlookBecomesTheLastTask()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        Setup::addTask(home->rootTask()->child(0), QStringLiteral("Rye"));
        QVERIFY(s.run());
        Setup::later();
        const QString id = s.outlook.addItem(home->outlookId(), QStringLiteral("Call the plumber"), true);
        QVERIFY(s.run());
        QCOMPARE(Setup::titles(home), (QStringList{"Bread", "Call the plumber+"}));
        QCOMPARE(home->rootTask()->child(1)->outlookId(), id);
    }

    void deletedHere()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread"), QStringLiteral("Milk")});
        TaskList *work = s.addList(QStringLiteral("Work"), {QStringLiteral("Report")});
        QVERIFY(s.run());
        const QString breadItem = Setup::task(home, QStringLiteral("Bread"))->outlookId();
        const QString workFolder = work->outlookId();
        Setup::later();
        home->removeTask(Setup::task(home, QStringLiteral("Bread")));
        s.lists->deleteList(work);

        QVERIFY(s.run());
        QVERIFY(!s.outlook.hasItem(breadItem));
        QCOMPARE(s.subjects(home), QStringList{"Milk"});
        // The folder of a list deleted here goes with the list.
        QVERIFY(!s.outlook.hasFolder(workFolder));
        QCOMPARE(s.outlook.folderNames(), QStringList{"Home"});
    }

    void deletedInOutlook()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread"), QStringLiteral("Milk")});
        Task *milk = Setup::task(home, QStringLiteral("Milk"));
        Task *skimmed = Setup::addTask(milk, QStringLiteral("Skimmed"));
        Setup::addTask(skimmed, QStringLiteral("Organic"));
        TaskList *work = s.addList(QStringLiteral("Work"), {QStringLiteral("Report")});
        QVERIFY(s.run());
        Setup::later();
        // A task and its subtask both gone: the task goes, once, with its subtree.
        s.outlook.removeItem(milk->outlookId());
        s.outlook.removeItem(skimmed->outlookId());
        const QString oldFolder = work->outlookId();
        s.outlook.removeFolder(oldFolder);

        QVERIFY(s.run());
        QCOMPARE(Setup::titles(home), QStringList{"Bread"});
        QCOMPARE(home->allTasks().size(), 1);
        // A missing folder unpairs the list; it keeps its tasks and gets a
        // new folder.
        QCOMPARE(s.lists->taskLists().size(), 2);
        QCOMPARE(Setup::titles(work), QStringList{"Report"});
        QVERIFY(!work->outlookId().isEmpty() && work->outlookId() != oldFolder);
        QCOMPARE(s.subjects(work), QStringList{"Report"});
    }

    void aFailedRunKeepsTheLastSyncTime()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        QVERIFY(s.run());
        const QDateTime firstRun = s.lists->outlookLastSyncTime();
        Setup::later();
        s.outlook.edit(Setup::task(home, QStringLiteral("Bread"))->outlookId(), QStringLiteral("Rye bread"), false);
        Setup::later();
        s.outlook.failOn(QStringLiteral("Items.Count"));
        QString error;
        QVERIFY(!s.run(&error));
        QCOMPARE(error, QStringLiteral("Error from Outlook: Items.Count failed (-2147352567)"));
        QCOMPARE(s.lists->outlookLastSyncTime(), firstRun);
        // The next run still sees Outlook's change as one.
        Setup::later();
        QVERIFY(s.run());
        QCOMPARE(Setup::titles(home), QStringList{"Rye bread"});
    }

    void anUnreadableItemRemovesNoTask()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread"), QStringLiteral("Milk")});
        QVERIFY(s.run());
        Setup::later();
        s.outlook.failOn(QStringLiteral("Items.Item"));
        QVERIFY(!s.run());
        QCOMPARE(Setup::titles(home), (QStringList{"Bread", "Milk"}));
        QCOMPARE(s.subjects(home), (QStringList{"Bread", "Milk"}));
    }

    void failuresStopTheRun_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("folders");
        QTest::newRow("reading the folders") << QStringLiteral("Folders.Count") << 0;
        QTest::newRow("the tasks folder") << QStringLiteral("NameSpace.GetDefaultFolder") << 0;
        QTest::newRow("adding a folder") << QStringLiteral("Folders.Add") << 0;
    }
    void failuresStopTheRun()
    {
        QFETCH(QString, operation);
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        s.outlook.failOn(operation);
        QString error;
        QVERIFY(!s.run(&error));
        QVERIFY2(error.startsWith(QStringLiteral("Error from Outlook: ")), qPrintable(error));
        QTEST(int(s.outlook.subfolders().size()), "folders");
        QVERIFY(home->outlookId().isEmpty());
        QVERIFY(s.lists->outlookLastSyncTime().isNull());
    }

    // What the user may only read is mirrored one way.
    void readOnlyLists()
    {
        Setup s;
        TaskList *shared = s.addList(QStringLiteral("Shared"), {QStringLiteral("Agenda"), QStringLiteral("Minutes")},
                                     QStringLiteral("r"));
        QVERIFY(s.run());
        Setup::later();
        s.outlook.edit(Setup::task(shared, QStringLiteral("Agenda"))->outlookId(), QStringLiteral("Changed"), true);
        const QString added = s.outlook.addItem(shared->outlookId(), QStringLiteral("Added in Outlook"));
        s.outlook.removeItem(Setup::task(shared, QStringLiteral("Minutes"))->outlookId());
        Setup::later();

        QVERIFY(s.run());
        QCOMPARE(Setup::titles(shared), (QStringList{"Agenda", "Minutes"}));
        // Nothing for the server to be sent, only the pairing to be saved.
        QCOMPARE(shared->syncStatus(), TaskList::Unedited);
        QVERIFY(s.lists->findModel(shared)->isChanged());
        QVERIFY(s.outlook.hasItem(added));
        QCOMPARE(s.subjects(shared), (QStringList{"Agenda", "Added in Outlook", "Minutes"}));
        QVERIFY(s.outlook.hasItem(Setup::task(shared, QStringLiteral("Minutes"))->outlookId()));
    }

    void staleTaskIdsAreCleared()
    {
        Setup s;
        TaskList *home = s.addList(QStringLiteral("Home"), {QStringLiteral("Bread")});
        Setup::task(home, QStringLiteral("Bread"))->setOutlookId(QStringLiteral("from another list"));
        QVERIFY(s.run());
        QCOMPARE(s.subjects(home), QStringList{"Bread"});
        QVERIFY(s.outlook.hasItem(Setup::task(home, QStringLiteral("Bread"))->outlookId()));
    }
};

PLUMDECK_TEST_MAIN(TstOutlookSynchronizer)
#include "tst_outlooksynchronizer.moc"
