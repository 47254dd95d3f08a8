// The assignment, task information, navigation and sync commands on a lists
// page: texts, keys and images, the enabled rule for each kind of list, and
// what each does.

#include "commandstest.h"
#include "lists/commands/navigationcommands.h"
#include "lists/commands/synccommands.h"
#include "shell/menu.h"
#include "testenvironment.h"

using namespace CommandsTest;

class TstNavigationCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void looks_data()
    {
        addLooksColumns();
        QTest::newRow("task info") << "ShowTaskInfoAction" << "Show task info" << "Ctrl+I" << "info_tasks";
        QTest::newRow("attachments") << "ShowTaskAttachmentsAction" << "Attachments" << "" << "attachment";
        QTest::newRow("calendar") << "TimeManagementAction" << "Edit calendar" << "" << "calendar";
        QTest::newRow("next list") << "NextListAction" << "Switch to next list" << "Ctrl+Tab" << "";
        QTest::newRow("sync") << "SyncAction" << "Sync" << "F5" << "";
        QTest::newRow("sync list") << "SyncSingleListAction" << "Sync list" << "" << "sync_single_list";
    }

    void looks()
    {
        QFETCH(QString, command);
        Page page({QStringLiteral("Home: A")});
        ListsAction *action = page.command(command);
        verifyLooks(action);
    }

    // With a current task on an owned list and on lists shared "r", "rw"
    // and "rwd", then without a current task.
    void enabled_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("withTask");
        QTest::addColumn<bool>("withoutTask");
        QTest::newRow("task info") << "ShowTaskInfoAction" << "1111" << true;
        QTest::newRow("attachments") << "ShowTaskAttachmentsAction" << "1111" << false;
        QTest::newRow("calendar") << "TimeManagementAction" << "1011" << false;
        QTest::newRow("next list") << "NextListAction" << "1111" << true;
        QTest::newRow("sync") << "SyncAction" << "1111" << true;
        QTest::newRow("sync list") << "SyncSingleListAction" << "1111" << true;
        // Mended: assignments change the list.
        QTest::newRow("assign") << "AssignTaskAction" << "1011" << false;
        QTest::newRow("unassign") << "UnassignTaskAction" << "1011" << false;
        QTest::newRow("unassign all") << "UnassignAllTaskAction" << "1011" << false;
        QTest::newRow("show all") << "ShowTaskAssignmentsAction" << "1111" << true;
    }

    void enabled()
    {
        QFETCH(QString, command);
        QFETCH(QString, withTask);
        QFETCH(bool, withoutTask);
        Page page({QStringLiteral("Home: A B")});
        ListModel *home = page.list(QStringLiteral("Home"));
        home->assignTask(home->index(1, 0), QStringLiteral("bob"));
        Menu menu;
        auto make = [&]() -> ListsAction * {
            if (command == QLatin1String("AssignTaskAction"))
                return new AssignTaskAction(QStringLiteral("carol"), home, false, page.ui.get(), &menu);
            if (command == QLatin1String("UnassignTaskAction"))
                return new UnassignTaskAction(QStringLiteral("bob"), home, false, page.ui.get(), &menu);
            if (command == QLatin1String("UnassignAllTaskAction"))
                return new UnassignAllTaskAction(home, page.ui.get(), &menu);
            if (command == QLatin1String("ShowTaskAssignmentsAction"))
                return new ShowTaskAssignmentsAction(page.ui.get(), &menu);
            return page.command(command);
        };
        QString seen;
        for (const QString &kind : {QStringLiteral("owned"), QStringLiteral("r"), QStringLiteral("rw"),
                                    QStringLiteral("rwd")}) {
            setPermission(home, kind);
            page.select(QStringLiteral("Home"), QStringLiteral("B"));
            ListsAction *action = make();
            seen += action->shouldBeEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(seen, withTask);
        setPermission(home, QStringLiteral("owned"));
        page.select(QStringLiteral("Home"));
        QCOMPARE(make()->shouldBeEnabled(), withoutTask);
    }

    void withoutAnyList()
    {
        Options::noload.set();
        Options::nosave.set();
        Page page({});
        QCOMPARE(page.ui->tabWidget()->count(), 0);
        for (const char *name : {"NextListAction", "SyncSingleListAction", "UndoAction", "RedoAction", "AddTaskAction",
                                 "ShowTaskAttachmentsAction", "RemoveListAction", "RenameListAction"}) {
            ListsAction *action = page.command(QLatin1String(name));
            QVERIFY2(action && !action->shouldBeEnabled(), name);
            action->trigger();
        }
        for (const char *name : {"AddListAction", "SyncAction", "ExpandAllTasksAction", "CollapseAllTasksAction",
                                 "HideShowSearchTaskAction"})
            QVERIFY2(page.command(QLatin1String(name))->shouldBeEnabled(), name);
        page.command(QStringLiteral("CollapseAllTasksAction"))->trigger();
        page.command(QStringLiteral("ShowStartTimeColumnForCurrentAction"))->trigger();
        QVERIFY(page.command(QStringLiteral("ShowStartTimeColumnForCurrentAction"))->currentIcon().isNull() == false);
    }

    void assignmentEntries()
    {
        Page page({QStringLiteral("Home: A B")});
        ListModel *home = page.list(QStringLiteral("Home"));
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        Menu menu;
        auto *me = new AssignTaskAction(QStringLiteral("ann"), home, true, page.ui.get(), &menu);
        auto *other = new AssignTaskAction(QStringLiteral("bob"), home, false, page.ui.get(), &menu);
        QCOMPARE(me->text(), QStringLiteral("ann (me)"));
        QCOMPARE(other->text(), QStringLiteral("bob"));
        QVERIFY(other->currentIcon().isNull());
        me->trigger();
        other->trigger();
        const QModelIndex b = page.at(QStringLiteral("B"));
        QCOMPARE(home->taskAssignments(b).size(), 2);

        auto *unassign = new UnassignTaskAction(QStringLiteral("ann"), home, true, page.ui.get(), &menu);
        QCOMPARE(unassign->text(), QStringLiteral("ann (me)"));
        QVERIFY(showsImage(unassign, QStringLiteral("check")));
        unassign->trigger();
        QCOMPARE(home->taskAssignments(b), QStringList({QStringLiteral("bob")}));

        auto *all = new UnassignAllTaskAction(home, page.ui.get(), &menu);
        QCOMPARE(all->text(), QStringLiteral("Unassign all"));
        QVERIFY(showsImage(all, QStringLiteral("unshare")));
        QVERIFY(all->isEnabled());
        all->trigger();
        QVERIFY(!home->taskHasAssignments(b));
        // Without assignments it comes disabled.
        QVERIFY(!UnassignAllTaskAction(home, page.ui.get(), &menu).isEnabled());

        auto *showAll = new ShowTaskAssignmentsAction(page.ui.get(), &menu);
        QCOMPARE(showAll->text(), QStringLiteral("Show All"));
        QVERIFY(showsImage(showAll, QStringLiteral("asign_task")));
    }

    void assignOnAReadOnlyListChangesNothing()
    {
        Page page({QStringLiteral("Home: A B")});
        ListModel *home = page.list(QStringLiteral("Home"));
        setPermission(home, QStringLiteral("r"));
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        Menu menu;
        (new AssignTaskAction(QStringLiteral("bob"), home, false, page.ui.get(), &menu))->trigger();
        QVERIFY(!home->taskHasAssignments(page.at(QStringLiteral("B"))));
    }

    // Mended: the entries of the assignment menu live with the menu.
    void assignmentEntriesLiveWithTheirMenu()
    {
        Page page({QStringLiteral("Home: A")});
        ListModel *home = page.list(QStringLiteral("Home"));
        auto *menu = new Menu;
        QList<QPointer<QObject>> built = {
            new UnassignTaskAction(QStringLiteral("a"), home, false, page.ui.get(), menu),
            new UnassignAllTaskAction(home, page.ui.get(), menu),
            new ShowTaskAssignmentsAction(page.ui.get(), menu),
            new AssignTaskAction(QStringLiteral("b"), home, false, page.ui.get(), menu)};
        delete menu;
        for (const QPointer<QObject> &object : built)
            QVERIFY(!object);
    }

    void ctrlTabWraps()
    {
        Page page({QStringLiteral("A: a"), QStringLiteral("B: b"), QStringLiteral("C: c")});
        page.select(QStringLiteral("B"), QStringLiteral("b"));
        page.keys(QStringLiteral("Ctrl+Tab"));
        QCOMPARE(page.ui->currentList()->name(), QStringLiteral("C"));
        page.keys(QStringLiteral("Ctrl+Tab"));
        QCOMPARE(page.ui->currentList()->name(), QStringLiteral("A"));
    }

    void syncListWaitsForAPendingOne()
    {
        Page page({QStringLiteral("Home: A")});
        ListsAction *action = page.command(QStringLiteral("SyncSingleListAction"));
        page.list(QStringLiteral("Home"))->setSyncPending(true);
        QVERIFY(!action->shouldBeEnabled());
        page.list(QStringLiteral("Home"))->setSyncPending(false);
        QVERIFY(action->shouldBeEnabled());
    }

    void syncToolTipWithoutAServer()
    {
        Page page({QStringLiteral("Home: A")});
        QCOMPARE(page.command(QStringLiteral("SyncAction"))->toolTip(), QStringLiteral("No server is set"));
    }
};

PLUMDECK_TEST_MAIN(TstNavigationCommands)
#include "tst_navigationcommands.moc"
