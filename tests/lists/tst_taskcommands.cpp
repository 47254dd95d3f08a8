// The task editing commands on a lists page: texts, keys and images, the
// enabled rule for each kind of list, and what each does to the list, driven
// by the keys a user presses on the tree.

#include "commandstest.h"
#include "lists/commands/taskcommands.h"
#include "model/task.h"
#include "shell/menu.h"
#include "testenvironment.h"

using namespace CommandsTest;

namespace {

const QStringList kinds = {QStringLiteral("owned"), QStringLiteral("r"), QStringLiteral("rw"), QStringLiteral("rwd")};

// The page's command, or one built the way the page's menus build it.
ListsAction *commandOf(Page &page, const QString &className, QObject *menu)
{
    if (className == QLatin1String("RemoveCheckedTasksAction"))
        return new RemoveCheckedTasksAction(page.ui.get(), page.ui->currentList(), menu);
    return page.command(className);
}

} // namespace

class TstTaskCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void looks_data()
    {
        addLooksColumns();
        QTest::newRow("add task") << "AddTaskAction" << "Add task" << "" << "add-task";
        QTest::newRow("add note") << "AddNoteAction" << "Add note" << "Shift+Ctrl+N" << "note";
        QTest::newRow("check") << "DoneTaskAction" << "Check task" << "Space" << "done-menu";
        QTest::newRow("remove") << "RemoveTaskAction" << "Remove task" << "" << "remove-task";
        QTest::newRow("remove checked") << "RemoveCheckedTasksAction" << "Remove checked tasks" << ""
                                        << "erase_comptasks";
        QTest::newRow("urgent") << "SetTaskPriorityAction" << "Urgent" << "" << "priority-red";
        QTest::newRow("alarm") << "SetAlarmAction" << "Set alarm" << "Shift+Ctrl+A" << "red-clock";
        QTest::newRow("copy") << "CopyTaskAction" << "Copy Task" << "Ctrl+C" << "";
        QTest::newRow("paste") << "PasteTaskAction" << "Paste Task" << "Ctrl+V" << "";
        // The shortcuts dialog shows Ctrl+Y, which X11's standard keys lack.
        QTest::newRow("undo") << "UndoAction" << "Undo" << "Ctrl+Z" << "";
        QTest::newRow("redo") << "RedoAction" << "Redo" << "Ctrl+Y, Ctrl+Shift+Z" << "";
    }

    void looks()
    {
        QFETCH(QString, command);
        Page page({QStringLiteral("Home: A B")});
        Menu menu;
        ListsAction *action = commandOf(page, command, &menu);
        verifyLooks(action);
    }

    void priorityEntries()
    {
        Page page({QStringLiteral("Home: A")});
        const QList<SetTaskPriorityAction *> entries = page.ui->priorityActions();
        QStringList seen;
        for (SetTaskPriorityAction *entry : entries)
            seen << entry->text() + QLatin1Char(' ') + QString::number(entry->priority().value());
        QCOMPARE(seen, QStringList({QStringLiteral("Urgent 2"), QStringLiteral("Reminder 1"), QStringLiteral("None 0")}));
        QVERIFY(showsImage(entries.at(1), QStringLiteral("priority-green")));
        QVERIFY(showsImage(entries.at(2), QString()));
    }

    // Enabled with a current task on an owned list and on lists shared "r",
    // "rw" and "rwd" (one letter each), then with no current task.
    void enabled_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("withTask");
        QTest::addColumn<bool>("withoutTask");
        QTest::newRow("add task") << "AddTaskAction" << "1011" << true;
        QTest::newRow("add note") << "AddNoteAction" << "1011" << false;
        QTest::newRow("check") << "DoneTaskAction" << "1011" << false;
        QTest::newRow("remove") << "RemoveTaskAction" << "1011" << false;
        // Mended: it deletes tasks, so a list shared read-only keeps them.
        QTest::newRow("remove checked") << "RemoveCheckedTasksAction" << "1011" << true;
        // Mended: a priority is a change of the list.
        QTest::newRow("priority") << "SetTaskPriorityAction" << "1011" << false;
        QTest::newRow("alarm") << "SetAlarmAction" << "1011" << false;
        QTest::newRow("copy") << "CopyTaskAction" << "1111" << false;
        QTest::newRow("paste") << "PasteTaskAction" << "1011" << false;
        QTest::newRow("undo") << "UndoAction" << "1111" << true;
        QTest::newRow("redo") << "RedoAction" << "1111" << true;
    }

    void enabled()
    {
        QFETCH(QString, command);
        QFETCH(QString, withTask);
        QFETCH(bool, withoutTask);
        Page page({QStringLiteral("Home: A B")});
        Menu menu;
        QString seen;
        for (const QString &kind : kinds) {
            setPermission(page.list(QStringLiteral("Home")), kind);
            page.select(QStringLiteral("Home"), QStringLiteral("B"));
            ListsAction *action = commandOf(page, command, &menu);
            seen += action->shouldBeEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(seen, withTask);
        setPermission(page.list(QStringLiteral("Home")), QStringLiteral("owned"));
        page.select(QStringLiteral("Home"));
        QCOMPARE(commandOf(page, command, &menu)->shouldBeEnabled(), withoutTask);
    }

    // The page's own commands show their rule after its refresh.
    void pageRefreshShowsTheRule()
    {
        Page page({QStringLiteral("Home: A B"), QStringLiteral("Shared: C")});
        setPermission(page.list(QStringLiteral("Shared")), QStringLiteral("r"));
        page.select(QStringLiteral("Shared"), QStringLiteral("C"));
        QVERIFY(!page.command(QStringLiteral("AddTaskAction"))->isEnabled());
        QVERIFY(page.command(QStringLiteral("CopyTaskAction"))->isEnabled());
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        QVERIFY(page.command(QStringLiteral("AddTaskAction"))->isEnabled());
    }

    void spaceChecksAndUnchecks()
    {
        Page page({QStringLiteral("Home: A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        auto *done = qobject_cast<DoneTaskAction *>(page.command(QStringLiteral("DoneTaskAction")));
        page.keys(QStringLiteral("Space"));
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("*A B"));
        QVERIFY(done->isChecked());
        QCOMPARE(done->text(), QStringLiteral("Uncheck task"));
        page.keys(QStringLiteral("Space"));
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B"));
        QVERIFY(!done->isChecked());
        QCOMPARE(done->text(), QStringLiteral("Check task"));
        QCOMPARE(done->displayText(), QStringLiteral("Check/uncheck task"));
        QCOMPARE(done->iconText(), QStringLiteral("Task"));
    }

    // A refresh that did not run since the current task changed does not
    // turn the check into a no-op.
    void checkFollowsTheTaskNotAStaleMark()
    {
        Page page({QStringLiteral("Home: *A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        auto *done = page.command(QStringLiteral("DoneTaskAction"));
        QVERIFY(!done->isChecked());
        page.tree()->setCurrentIndex(page.at(QStringLiteral("A")));
        done->setChecked(false);
        done->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B"));
    }

    void spaceOnAReadOnlyListChangesNothing()
    {
        Page page({QStringLiteral("Home: A B")});
        setPermission(page.list(QStringLiteral("Home")), QStringLiteral("r"));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Space"));
        page.command(QStringLiteral("DoneTaskAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B"));
    }

    void addTaskAfterCurrentOrAtTheEnd()
    {
        Page page({QStringLiteral("Home: A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.command(QStringLiteral("AddTaskAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A _ B"));
        page.keys(QStringLiteral("type:C Return"));
        QVERIFY(page.shape(QStringLiteral("Home")).startsWith(QStringLiteral("A C ")));

        Page other({QStringLiteral("Work: X Y")});
        other.select(QStringLiteral("Work"));
        other.command(QStringLiteral("AddTaskAction"))->trigger();
        QCOMPARE(other.shape(QStringLiteral("Work")), QStringLiteral("X Y _"));
    }

    void removeTask()
    {
        Page page({QStringLiteral("Home: A B C")});
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.command(QStringLiteral("RemoveTaskAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A C"));
    }

    void removeCheckedAsksFirst_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("after");
        QTest::newRow("yes") << "owned" << true << "A[a2] C";
        QTest::newRow("no") << "owned" << false << "A[*a1 a2] *B C";
        QTest::newRow("read-only, yes") << "r" << true << "A[*a1 a2] *B C";
    }

    void removeCheckedAsksFirst()
    {
        QFETCH(QString, kind);
        QFETCH(bool, yes);
        QFETCH(QString, after);
        Page page({QStringLiteral("Home: A[*a1 a2] *B C")});
        setPermission(page.list(QStringLiteral("Home")), kind);
        page.select(QStringLiteral("Home"), QStringLiteral("C"));
        Menu menu;
        auto *action = new RemoveCheckedTasksAction(page.ui.get(), page.ui->currentList(), &menu);
        QCOMPARE(action->list(), page.list(QStringLiteral("Home")));
        Answer answer(yes);
        action->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), after);
        if (kind == QLatin1String("owned"))
            QCOMPARE(answer.text, QStringLiteral("Remove all the checked tasks\nAre you sure?"));
    }

    void priorityIsSetAndChecked()
    {
        Page page({QStringLiteral("Home: A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        const QList<SetTaskPriorityAction *> entries = page.ui->priorityActions();
        entries.at(0)->trigger();
        ListModel *list = page.list(QStringLiteral("Home"));
        QCOMPARE(list->taskPriority(page.at(QStringLiteral("B"))), TaskPriority(TaskPriority::Urgent));
        page.ui->refreshActions();
        QVERIFY(entries.at(0)->isChecked());
        QVERIFY(!entries.at(2)->isChecked());
        // Choosing it again keeps it (the toolkit's toggle does not count).
        entries.at(0)->trigger();
        QCOMPARE(list->taskPriority(page.at(QStringLiteral("B"))), TaskPriority(TaskPriority::Urgent));
        QVERIFY(entries.at(0)->isChecked());
        entries.at(2)->trigger();
        QCOMPARE(list->taskPriority(page.at(QStringLiteral("B"))), TaskPriority(TaskPriority::None));
        page.ui->refreshActions();
        QVERIFY(!entries.at(0)->isChecked());
        QVERIFY(entries.at(2)->isChecked());
    }

    void priorityOnAReadOnlyListChangesNothing()
    {
        Page page({QStringLiteral("Home: A B")});
        setPermission(page.list(QStringLiteral("Home")), QStringLiteral("r"));
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.ui->priorityActions().at(0)->trigger();
        QCOMPARE(page.list(QStringLiteral("Home"))->taskPriority(page.at(QStringLiteral("B"))),
                 TaskPriority(TaskPriority::None));
    }

    // Copy in one list, change the original, paste twice into another: two
    // independent copies of the task as it was, the second one current.
    void copyAndPasteByKeys()
    {
        Page page({QStringLiteral("Home: A[a1] B"), QStringLiteral("Work: X Y")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Ctrl+C"));
        ListModel *home = page.list(QStringLiteral("Home"));
        home->setTaskTitle(home->taskForIndex(page.at(QStringLiteral("A"))), QStringLiteral("Changed"));
        page.select(QStringLiteral("Work"), QStringLiteral("X"));
        page.keys(QStringLiteral("Ctrl+V"));
        page.ui->refreshActions();
        page.keys(QStringLiteral("Ctrl+V"));
        QCOMPARE(page.shape(QStringLiteral("Work")), QStringLiteral("X A[a1] A[a1] Y"));
        ListModel *work = page.list(QStringLiteral("Work"));
        QCOMPARE(page.tree()->currentIndex(), work->index(2, 0));
        Task *first = work->taskForIndex(work->index(1, 0));
        work->setTaskTitle(first, QStringLiteral("Edited"));
        QCOMPARE(page.shape(QStringLiteral("Work")), QStringLiteral("X Edited[a1] A[a1] Y"));
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("Changed[a1] B"));
    }

    void pasteWithNothingCopiedDoesNothing()
    {
        Page page({QStringLiteral("Home: A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Ctrl+V"));
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B"));
    }

    void pasteIntoAReadOnlyListDoesNothing()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Shared: X")});
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.keys(QStringLiteral("Ctrl+C"));
        setPermission(page.list(QStringLiteral("Shared")), QStringLiteral("r"));
        page.select(QStringLiteral("Shared"), QStringLiteral("X"));
        page.keys(QStringLiteral("Ctrl+V"));
        QCOMPARE(page.shape(QStringLiteral("Shared")), QStringLiteral("X"));
    }

    void undoAndRedoByKeys_data()
    {
        QTest::addColumn<QString>("redoKey");
        QTest::newRow("Ctrl+Y") << "Ctrl+Y";
        QTest::newRow("Ctrl+Shift+Z") << "Ctrl+Shift+Z";
    }

    void undoAndRedoByKeys()
    {
        QFETCH(QString, redoKey);
        Page page({QStringLiteral("Home: A B C")});
        // Nothing to undo yet: nothing changes.
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.keys(QStringLiteral("Ctrl+Z"));
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B C"));
        page.command(QStringLiteral("RemoveTaskAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A C"));
        page.keys(QStringLiteral("Ctrl+Z"));
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B C"));
        page.keys(redoKey);
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A C"));
    }
};

PLUMDECK_TEST_MAIN(TstTaskCommands)
#include "tst_taskcommands.moc"
