// The task structure commands on a lists page: texts, keys and images, where
// in the tree each is available, and what each does, by the user's keys
// where they have one.

#include "commandstest.h"
#include "lists/commands/structurecommands.h"
#include "model/task.h"
#include "model/taskreaderwriter.h"
#include "shell/menu.h"
#include "testenvironment.h"

#include <QScopeGuard>

using namespace CommandsTest;

namespace {

// `levels` tasks d1..dN, each the only subtask of the one before, with
// `inner` under the last: "d1[d2[inner]]".
QString chain(int levels, const QString &inner)
{
    QString shape = inner;
    for (int level = levels; level >= 1; --level)
        shape = QStringLiteral("d%1[%2]").arg(level).arg(shape);
    return shape;
}

} // namespace

class TstStructureCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { reset(); }

    void looks_data()
    {
        addLooksColumns();
        QTest::newRow("indent") << "GenericIndentTaskAction" << "Indent task" << "Tab" << "";
        QTest::newRow("indent only") << "IndentTaskAction" << "Indent task only" << "" << "indent";
        QTest::newRow("indent group") << "IndentGroupTasksAction" << "Indent task/subtasks" << ""
                                      << "indent_task_subtasks";
        QTest::newRow("outdent") << "OutdentTaskAction" << "Outdent task" << "Shift+Tab" << "unindent";
        QTest::newRow("up") << "MoveTaskUpAction" << "Move task up" << "Ctrl+Up" << "move_task_up";
        QTest::newRow("down") << "MoveTaskDownAction" << "Move task down" << "Ctrl+Down" << "move_task_down";
        QTest::newRow("top") << "MoveTaskTopAction" << "Move task top" << "" << "move_fullup";
        QTest::newRow("bottom") << "MoveTaskBottomAction" << "Move task bottom" << "" << "move_fulldown";
        QTest::newRow("expand") << "ExpandTaskAction" << "Expand task" << "" << "expand_alltasks";
        QTest::newRow("collapse") << "CollapseTaskAction" << "Collapse task" << "" << "collapse_alltasks";
        QTest::newRow("expand all") << "ExpandAllTasksAction" << "Expand all tasks" << "" << "expand_alltasks";
        // Mended: Ctrl+T is "Add list"; this one has no key.
        QTest::newRow("collapse all") << "CollapseAllTasksAction" << "Collapse all tasks" << ""
                                      << "collapse_alltasks";
    }

    void looks()
    {
        QFETCH(QString, command);
        Page page({QStringLiteral("Home: A B")});
        ListsAction *action = page.command(command);
        verifyLooks(action);
    }

    void menuEntriesLook()
    {
        Page page({QStringLiteral("Home: A"), QStringLiteral("Work: B")});
        Menu menu;
        auto *toList = new MoveTaskToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu);
        auto *completed = new MoveCompletedTasksToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu);
        QCOMPARE(toList->text(), QStringLiteral("Work"));
        QCOMPARE(completed->text(), QStringLiteral("Work"));
        QVERIFY(showsImage(toList, QStringLiteral("task_to_list")));
        QVERIFY(showsImage(completed, QStringLiteral("taskcomplete_to_list")));
        QVERIFY(toList->shortcuts().isEmpty() && completed->shortcuts().isEmpty());
    }

    // Which tasks of "A[a1 a2] B C" each command is available for: one
    // letter per task in tree order (A a1 a2 B C), then for no task.
    void availableWhere_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("indent") << "GenericIndentTaskAction" << "00111-0";
        QTest::newRow("indent only") << "IndentTaskAction" << "00111-0";
        QTest::newRow("indent group") << "IndentGroupTasksAction" << "00111-0";
        QTest::newRow("outdent") << "OutdentTaskAction" << "01100-0";
        QTest::newRow("up") << "MoveTaskUpAction" << "00111-0";
        QTest::newRow("down") << "MoveTaskDownAction" << "11010-0";
        // A subtask at row 0 may go to the top; only the first task may not.
        QTest::newRow("top") << "MoveTaskTopAction" << "01111-0";
        QTest::newRow("bottom") << "MoveTaskBottomAction" << "11110-0";
        QTest::newRow("expand") << "ExpandTaskAction" << "00000-0";
        // Without a current task the list's root counts, which is expanded.
        QTest::newRow("collapse") << "CollapseTaskAction" << "10000-1";
        QTest::newRow("expand all") << "ExpandAllTasksAction" << "11111-1";
        QTest::newRow("collapse all") << "CollapseAllTasksAction" << "11111-1";
    }

    void availableWhere()
    {
        QFETCH(QString, command);
        QFETCH(QString, enabled);
        Page page({QStringLiteral("Home: A[a1 a2] B C")});
        QString seen;
        for (const char *title : {"A", "a1", "a2", "B", "C"}) {
            page.select(QStringLiteral("Home"), QLatin1String(title));
            seen += page.command(command)->shouldBeEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        page.select(QStringLiteral("Home"));
        seen += QLatin1Char('-');
        seen += page.command(command)->shouldBeEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(seen, enabled);
    }

    // On a list the user may only read, nothing that changes the tree is
    // available; expanding is a view and stays.
    void readOnlyList_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("changes");
        QTest::newRow("owned") << "owned" << true;
        QTest::newRow("r") << "r" << false;
        QTest::newRow("rw") << "rw" << true;
        QTest::newRow("rwd") << "rwd" << true;
    }

    void readOnlyList()
    {
        QFETCH(QString, kind);
        QFETCH(bool, changes);
        Page page({QStringLiteral("Home: A[a1 a2] B C"), QStringLiteral("Work: X")});
        setPermission(page.list(QStringLiteral("Home")), kind);
        page.select(QStringLiteral("Home"), QStringLiteral("a2"));
        for (const char *name : {"GenericIndentTaskAction", "IndentTaskAction", "IndentGroupTasksAction",
                                 "OutdentTaskAction", "MoveTaskUpAction", "MoveTaskTopAction", "MoveTaskBottomAction"})
            QVERIFY2(page.command(QLatin1String(name))->shouldBeEnabled() == changes, name);
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        QCOMPARE(page.command(QStringLiteral("MoveTaskDownAction"))->shouldBeEnabled(), changes);
        Menu menu;
        // Mended: the task leaves the current list, so it must be writable.
        QCOMPARE(MoveTaskToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu).shouldBeEnabled(),
                 changes);
        QCOMPARE(MoveCompletedTasksToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu)
                     .shouldBeEnabled(),
                 changes);
        QVERIFY(page.command(QStringLiteral("ExpandAllTasksAction"))->shouldBeEnabled());
    }

    void keysMoveAndIndent_data()
    {
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("current");
        QTest::newRow("indent with subtasks") << "B" << "Tab" << "A[a1 a2 B[b1]] C" << "B";
        QTest::newRow("outdent") << "a1" << "Shift+Tab" << "A a1[a2] B[b1] C" << "a1";
        QTest::newRow("up") << "C" << "Ctrl+Up" << "A[a1 a2] C B[b1]" << "C";
        QTest::newRow("down") << "A" << "Ctrl+Down" << "B[b1] A[a1 a2] C" << "A";
        QTest::newRow("twice up") << "C" << "Ctrl+Up Ctrl+Up" << "C A[a1 a2] B[b1]" << "C";
        // At the first row the key is no move: the tree takes it as a step up.
        QTest::newRow("up at the first row") << "a2" << "Ctrl+Up Ctrl+Up" << "A[a2 a1] B[b1] C" << "A";
    }

    void keysMoveAndIndent()
    {
        QFETCH(QString, select);
        QFETCH(QString, keys);
        QFETCH(QString, after);
        QFETCH(QString, current);
        Page page({QStringLiteral("Home: A[a1 a2] B[b1] C")});
        page.select(QStringLiteral("Home"), select);
        for (const QString &key : keys.split(QLatin1Char(' '))) {
            page.keys(key);
            page.ui->refreshActions();
        }
        QCOMPARE(page.shape(QStringLiteral("Home")), after);
        QCOMPARE(page.current(), current);
    }

    // Tasks stand at most as deep as the lists document can be read back:
    // a step past that is refused with the reason, the list unchanged.
    void depthBound_data()
    {
        const int max = TaskReaderWriter::maxTaskDepth;
        QTest::addColumn<QString>("shape"); // below `levels` nested tasks
        QTest::addColumn<int>("levels");
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("copy"); // a task copied first, or none
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after"); // empty: unchanged and told why
        QTest::newRow("indent to the deepest level") << "x y" << max - 2 << false << "" << "y" << "Tab" << "x[y]";
        QTest::newRow("indent past it") << "x y" << max - 1 << false << "" << "y" << "Tab" << "";
        QTest::newRow("indent alone, subtasks stay") << "x y[z]" << max - 2 << false << "" << "y" << "Tab"
                                                     << "x[y z]";
        QTest::newRow("indent with subtasks past it") << "x y[z]" << max - 2 << true << "" << "y" << "Tab" << "";
        QTest::newRow("paste at the deepest level") << "x[x1]" << max - 2 << false << "x1" << "x1" << "Ctrl+V"
                                                    << "x[x1 x1]";
        QTest::newRow("paste past it") << "x[x1]" << max - 2 << false << "x" << "x1" << "Ctrl+V" << "";
    }

    void depthBound()
    {
        QFETCH(QString, shape);
        QFETCH(int, levels);
        QFETCH(bool, group);
        QFETCH(QString, copy);
        QFETCH(QString, select);
        QFETCH(QString, keys);
        QFETCH(QString, after);
        QStringList told;
        ListsUI::setNoticeHandler([&told](const QString &, const QString &text) { told << text; });
        const auto quiet = qScopeGuard([] { ListsUI::setNoticeHandler({}); });
        QSettings().setValue(QStringLiteral("ui/default-indent-group-tasks"), group);
        // The deepest list the bound allows is read back whole.
        Page page({QStringLiteral("Home: ") + chain(levels, shape)});
        QCOMPARE(page.shape(QStringLiteral("Home")), chain(levels, shape));
        if (!copy.isEmpty()) {
            page.select(QStringLiteral("Home"), copy);
            page.keys(QStringLiteral("Ctrl+C"));
        }
        page.select(QStringLiteral("Home"), select);
        page.keys(keys);
        if (after.isEmpty()) {
            QCOMPARE(page.shape(QStringLiteral("Home")), chain(levels, shape));
            QCOMPARE(told, QStringList{QStringLiteral("Tasks can be nested at most %1 levels deep.").arg(TaskReaderWriter::maxTaskDepth)});
        } else {
            QCOMPARE(page.shape(QStringLiteral("Home")), chain(levels, after));
            QCOMPARE(told, QStringList());
        }
        // What is saved is read back.
        QVERIFY(page.ui->saveLists());
        QString error;
        std::unique_ptr<UserLists> read(UserLists::load(ListsUI::listsFilePath(), &error));
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(TreeTest::write(read->models().first()->taskList()->rootTask()), page.shape(QStringLiteral("Home")));
    }

    void tabFollowsTheIndentSetting_data()
    {
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("after");
        QTest::newRow("with subtasks") << true << "A[B[b1]] C";
        QTest::newRow("alone") << false << "A[B b1] C";
    }

    void tabFollowsTheIndentSetting()
    {
        QFETCH(bool, group);
        QFETCH(QString, after);
        Page page({QStringLiteral("Home: A B[b1] C")});
        QSettings().setValue(QStringLiteral("ui/default-indent-group-tasks"), group);
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.keys(QStringLiteral("Tab"));
        QCOMPARE(page.shape(QStringLiteral("Home")), after);
    }

    void topAndBottom()
    {
        Page page({QStringLiteral("Home: A[a1 a2] B C")});
        page.select(QStringLiteral("Home"), QStringLiteral("a2"));
        page.command(QStringLiteral("MoveTaskTopAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("a2 A[a1] B C"));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        page.command(QStringLiteral("MoveTaskBottomAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("a2 B C A[a1]"));
    }

    // The tree commits what the user is typing before a key moves the task.
    void anOpenTitleEditorIsKeptByAMove()
    {
        Page page({QStringLiteral("Home: A B")});
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        page.tree()->edit(page.tree()->currentIndex());
        QVERIFY(page.tree()->indexWidget(page.tree()->currentIndex()));
        TreeTest::keys(QStringLiteral("End type:X"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("BX A"));
    }

    void moveToAnotherList_data()
    {
        QTest::addColumn<bool>("toTop");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("work");
        QTest::newRow("to the top") << true << "A C" << "B[b1] X Y";
        QTest::newRow("to the end") << false << "A C" << "X Y B[b1]";
    }

    void moveToAnotherList()
    {
        QFETCH(bool, toTop);
        QFETCH(QString, home);
        QFETCH(QString, work);
        Page page({QStringLiteral("Home: A B[b1] C"), QStringLiteral("Work: X Y")});
        QSettings().setValue(QStringLiteral("ui/move-to-top"), toTop);
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        Task *b = page.ui->currentList()->taskForIndex(page.at(QStringLiteral("B")));
        b->setId(7); // known to the server: its removal is recorded
        const quint64 lineage = b->lineage();
        Menu menu;
        auto *action = new MoveTaskToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu);
        QCOMPARE(action->target(), page.list(QStringLiteral("Work")));
        action->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), home);
        QCOMPARE(page.shape(QStringLiteral("Work")), work);
        // The same task there; its removal record here says it moved.
        QCOMPARE(page.list(QStringLiteral("Work"))->taskList()->rootTask()->child(toTop ? 0 : 2)->lineage(), lineage);
        QVERIFY(page.list(QStringLiteral("Home"))->taskList()->removedTasks().constLast()->leftByMove());
        // One undo step in each list.
        page.list(QStringLiteral("Home"))->undo();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B[b1] C"));
    }

    void moveToAListSharedReadOnlyIsNotOffered()
    {
        Page page({QStringLiteral("Home: A B"), QStringLiteral("Shared: X")});
        setPermission(page.list(QStringLiteral("Shared")), QStringLiteral("r"));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        Menu menu;
        auto *action = new MoveTaskToListAction(page.list(QStringLiteral("Shared")), page.ui.get(), &menu);
        QVERIFY(!action->isEnabled());
        action->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A B"));
        QCOMPARE(page.shape(QStringLiteral("Shared")), QStringLiteral("X"));
    }

    void moveCompletedTasks_data()
    {
        QTest::addColumn<bool>("toTop");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("work");
        QTest::newRow("to the top") << true << true << "A[a2] C" << "*B[b1] *a1 X";
        QTest::newRow("to the end") << false << true << "A[a2] C" << "X *a1 *B[b1]";
        QTest::newRow("cancelled") << true << false << "A[*a1 a2] *B[b1] C" << "X";
    }

    void moveCompletedTasks()
    {
        QFETCH(bool, toTop);
        QFETCH(bool, yes);
        QFETCH(QString, home);
        QFETCH(QString, work);
        Page page({QStringLiteral("Home: A[*a1 a2] *B[b1] C"), QStringLiteral("Work: X")});
        QSettings().setValue(QStringLiteral("ui/move-to-top"), toTop);
        page.select(QStringLiteral("Home"), QStringLiteral("C"));
        Menu menu;
        auto *action = new MoveCompletedTasksToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu);
        Answer answer(yes);
        action->trigger();
        QCOMPARE(answer.text, QStringLiteral("Move all the checked tasks to list:\nWork\nAre you sure?"));
        QCOMPARE(page.shape(QStringLiteral("Home")), home);
        QCOMPARE(page.shape(QStringLiteral("Work")), work);
    }

    void moveCompletedFromAReadOnlyListChangesNothing()
    {
        Page page({QStringLiteral("Home: A *B"), QStringLiteral("Work: X")});
        setPermission(page.list(QStringLiteral("Home")), QStringLiteral("r"));
        page.select(QStringLiteral("Home"), QStringLiteral("A"));
        Menu menu;
        auto *action = new MoveCompletedTasksToListAction(page.list(QStringLiteral("Work")), page.ui.get(), &menu);
        Answer answer(true);
        action->trigger();
        QCOMPARE(answer.count, 0);
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A *B"));
        QCOMPARE(page.shape(QStringLiteral("Work")), QStringLiteral("X"));
    }

    void expandAndCollapse()
    {
        Page page({QStringLiteral("Home: A[a1] -B[b1] C")});
        page.select(QStringLiteral("Home"), QStringLiteral("B"));
        ListsAction *expand = page.command(QStringLiteral("ExpandTaskAction"));
        ListsAction *collapse = page.command(QStringLiteral("CollapseTaskAction"));
        QVERIFY(expand->shouldBeEnabled());
        QVERIFY(!collapse->shouldBeEnabled());
        expand->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A[a1] B[b1] C"));
        QVERIFY(!expand->shouldBeEnabled());
        collapse->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A[a1] -B[b1] C"));
        page.command(QStringLiteral("CollapseAllTasksAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("-A[a1] -B[b1] C"));
        page.command(QStringLiteral("ExpandAllTasksAction"))->trigger();
        QCOMPARE(page.shape(QStringLiteral("Home")), QStringLiteral("A[a1] B[b1] C"));
    }
};

PLUMDECK_TEST_MAIN(TstStructureCommands)
#include "tst_structurecommands.moc"
