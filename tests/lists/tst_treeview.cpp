// The task tree driven by keys and mouse: the key table, title editing,
// clicks on check dots, icons and the empty area, the structural operations
// the commands call, and input refused while a list synchronises.

#include "dialogdriver.h"
#include "lists/syncingscreen.h"
#include "lists/tasklistsearchwidget.h"
#include "shell/customdialog.h"
#include "testenvironment.h"
#include "treetest.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <functional>
#include <memory>

using namespace TreeTest;

namespace {

using Operation = std::function<void(TreeView &)>;

// Removal with the subtasks question, answered by the button named.
Operation removeAnswering(int mode, const char *button)
{
    return [mode, button](TreeView &view) {
        setRemoveChildrenMode(mode);
        if (*button) {
            DialogDriver::whenModal([button](QWidget *widget) {
                auto *dialog = qobject_cast<CustomDialog *>(widget);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Remove subtasks?"));
                QTest::mouseClick(dialog->findChild<QWidget *>(QLatin1String(button)), Qt::LeftButton);
            });
        }
        view.removeCurrent();
    };
}

Operation operation(const QString &name)
{
    static const QMap<QString, Operation> ops = {
        {"removeYes", removeAnswering(0, "okbutton")},
        {"removeNo", removeAnswering(0, "cancelbutton")},
        {"removeClosed", removeAnswering(0, "windowclosebutton")},
        {"removeAll", removeAnswering(1, "")},
        {"insert", [](TreeView &v) { v.insertAfterCurrent(); }},
        {"indent", [](TreeView &v) { v.indentCurrent(); }},
        {"indentGroup", [](TreeView &v) { v.indentCurrentGroupTasks(); }},
        {"outdent", [](TreeView &v) { v.outdentCurrent(); }},
        {"up", [](TreeView &v) { v.moveCurrentUp(); }},
        {"down", [](TreeView &v) { v.moveCurrentDown(); }},
        {"top", [](TreeView &v) { v.moveCurrentToTop(); }},
        {"bottom", [](TreeView &v) { v.moveCurrentToBottom(); }},
        {"remove", [](TreeView &v) { v.removeCurrent(); }},
        {"removeChecked", [](TreeView &v) { v.removeCheckedTasks(); }},
        {"toList",
         [](TreeView &v) {
             std::unique_ptr<Task> copy(v.moveCurrentToList(v.currentIndex()));
             QVERIFY(copy && !copy->parent());
         }},
        {"paste",
         [](TreeView &v) {
             auto *copy = new Task;
             copy->setTitle(QStringLiteral("P"));
             v.pasteTask(copy);
         }},
    };
    return ops.value(name);
}

void row(const char *name, const char *shape, const char *current, const char *action, const char *after,
         const char *currentAfter, int undo, const char *perms = "orwd")
{
    QTest::newRow(name) << shape << perms << current << action << after << currentAfter << undo;
}

void columns()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("permissions");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("currentAfter");
    QTest::addColumn<int>("undoSteps");
}

} // namespace

class TstTreeView : public QObject
{
    Q_OBJECT
private slots:
    void init() { setRemoveChildrenMode(2); }

    void keyTable_data()
    {
        columns();
        row("return adds a sibling", "A B", "A", "Return", "A _ B", "_", 1);
        row("return on an empty title", "A _", "_", "Return", "A _", "_", 0);
        row("return on an open parent", "A[a1] B", "A", "Return", "A[_ a1] B", "_", 1);
        row("return on a closed parent", "-A[a1] B", "A", "Return", "-A[a1] _ B", "_", 1);
        row("typing replaces, return adds", "A", "A", "type:Buy Return", "Buy _", "_", 2);
        row("right edits at the end", "Ab", "Ab", "Right type:c Return", "Abc _", "_", 2);
        row("left edits at the start", "Ab", "Ab", "Left type:X Return", "XAb _", "_", 2);
        row("space edits", "A", "A", "Space type:B Return", "B _", "_", 2);
        row("escape cancels the edit", "A", "A", "Right type:zz Escape", "A", "A", 0);
        row("down in the editor commits", "A B", "A", "Right type:x Down", "Ax B", "B", 1);
        row("delete removes", "A B C", "B", "Delete", "A C", "C", 1);
        row("backspace outdents the last empty child", "A[a1 _]", "_", "Backspace", "A[a1] _", "_", 1);
        row("backspace removes another empty child", "A[_ a2]", "_", "Backspace", "A[a2]", "a2", 1);
        row("backspace on an emptied editor removes", "A B", "B", "Right Backspace Backspace", "A", "A", 1);
        row("down on the last task adds one", "A B", "B", "Down", "A B _", "_", 0);
        row("down on an empty last task stays", "A _", "_", "Down", "A _", "_", 0);
        row("down on a closed last parent", "A -B[b1]", "B", "Down", "A -B[b1]", "B", 0);
        row("leaving an empty task deletes it", "A _ B", "_", "Up", "A B", "A", 0);
        row("an empty task with subtasks stays", "A _[x]", "_", "Up", "A _[x]", "A", 0);
        row("tab is left to the commands", "A B", "B", "Tab", "A B", "B", 0);
        row("a removal leaves the clean-up working", "A _ B C", "C", "Delete Up Up", "A B", "A", 1);
        row("read-only ignores edits", "A B", "A", "Return Delete Space type:x Right", "A B", "A", 0, "or");
        row("read-only still moves", "A B", "A", "Down", "A B", "B", 0, "or");
        row("read-only keeps its empty tasks", "A _ B", "_", "Up", "A _ B", "A", 0, "or");
    }

    void keyTable()
    {
        QFETCH(QString, shape);
        QFETCH(QString, permissions);
        QFETCH(QString, current);
        QFETCH(QString, action);
        QFETCH(int, undoSteps);
        Tree tree(shape, permissions);
        tree.select(current);
        const int before = tree.model->undoSnapshotCount();
        if (action == QLatin1String("Tab"))
            QTest::ignoreMessage(QtWarningMsg, "Keyboard event not accepted by receiving widget");
        keys(action);
        QTEST(tree.shape(), "after");
        QTEST(tree.current(), "currentAfter");
        QCOMPARE(tree.model->undoSnapshotCount() - before, undoSteps);
        QCOMPARE(QApplication::focusWidget() == &tree.view, !tree.editing());
    }

    void commitOnEdit()
    {
        Tree tree("A");
        tree.select("A");
        keys("Right");
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(QStringLiteral("  two\nlines  "));
        keys("Return");
        QCOMPARE(tree.shape(), QStringLiteral("two lines _"));
    }

    void operations_data()
    {
        columns();
        row("indent the first child", "A B", "A", "indent", "A B", "A", 0);
        row("indent keeps the children's depth", "A B[b1 b2]", "B", "indent", "A[B b1 b2]", "B", 1);
        row("indent after the children", "A[a1] B", "B", "indent", "A[a1 B]", "B", 1);
        row("indent with subtasks", "A B[b1]", "B", "indentGroup", "A[B[b1]]", "B", 1);
        row("outdent adopts followers", "A[a1 a2 a3]", "a2", "outdent", "A[a1] a2[a3]", "a2", 1);
        row("outdent after own children", "A[a1[x] a2]", "a1", "outdent", "A a1[x a2]", "a1", 1);
        row("outdent a top-level task", "A B", "B", "outdent", "A B", "B", 0);
        row("up", "A B", "B", "up", "B A", "B", 1);
        row("up at the first row", "A[a1] B", "a1", "up", "A[a1] B", "a1", 0);
        row("down", "A B C", "A", "down", "B A C", "A", 1);
        row("down at the last row", "A[a1] B", "a1", "down", "A[a1] B", "a1", 0);
        row("top of a subtask", "A[a1] B", "a1", "top", "a1 A B", "a1", 1);
        row("top of the first task", "A B", "A", "top", "A B", "A", 0);
        row("bottom of a subtask", "A[a1] B", "a1", "bottom", "A B a1", "a1", 1);
        row("bottom of a top-level task", "A B C", "A", "bottom", "B C A", "A", 1);
        row("bottom of the last task", "A B", "B", "bottom", "A B", "B", 0);
        row("remove keeps children in order", "A B[b1 b2 b3] C", "B", "remove", "A b1 b2 b3 C", "b1", 1);
        row("remove the last task", "A", "A", "remove", "_", "_", 1);
        row("asked, subtasks go", "A B[b1 b2]", "B", "removeYes", "A", "A", 1);
        row("asked, subtasks stay", "A B[b1 b2]", "B", "removeNo", "A b1 b2", "b1", 1);
        row("asked and closed, subtasks stay", "A B[b1 b2]", "B", "removeClosed", "A b1 b2", "b1", 1);
        row("subtasks go without asking", "A B[b1 b2]", "B", "removeAll", "A", "A", 1);
        row("remove checked tasks", "*A[a1 *a2[x]] B *C", "B", "removeChecked", "a1 x B", "none", 1);
        row("take a task for another list", "A[a1] B C", "A", "toList", "B C", "B", 1);
        row("take the only task", "A", "A", "toList", "_", "_", 1);
        row("paste after the current task", "A B", "A", "paste", "A P B", "P", 1);
    }

    void operations()
    {
        QFETCH(QString, shape);
        QFETCH(QString, current);
        QFETCH(QString, action);
        QFETCH(int, undoSteps);
        Tree tree(shape);
        tree.select(current);
        const int before = tree.model->undoSnapshotCount();
        operation(action)(tree.view);
        QTEST(tree.shape(), "after");
        QTEST(tree.current(), "currentAfter");
        QCOMPARE(tree.model->undoSnapshotCount() - before, undoSteps);
    }

    // A command's shortcut reaches the window before the open title editor
    // sees the key: the typed text must be committed first, as its own undo
    // step, never dropped.
    void structuralCommandCommitsEditor_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("beforeAction");
        QTest::newRow("indent") << "A B" << "B" << "Tab" << "indent" << "A[Bx]" << "A Bx";
        QTest::newRow("outdent") << "A[B]" << "B" << "Shift+Tab" << "outdent" << "A Bx" << "A[Bx]";
        QTest::newRow("up") << "A B" << "B" << "Ctrl+Up" << "up" << "Bx A" << "A Bx";
        QTest::newRow("down") << "A B" << "A" << "Ctrl+Down" << "down" << "B Ax" << "Ax B";
        QTest::newRow("remove") << "A B" << "B" << "F8" << "remove" << "A" << "A Bx";
        QTest::newRow("paste") << "A B" << "A" << "F9" << "paste" << "Ax P B" << "Ax B";
        QTest::newRow("to list") << "A B" << "B" << "F10" << "toList" << "A" << "A Bx";
        QTest::newRow("add task") << "A _" << "_" << "F11" << "insert" << "A x _" << "A x";
    }

    void structuralCommandCommitsEditor()
    {
        QFETCH(QString, shape);
        QFETCH(QString, current);
        QFETCH(QString, shortcut);
        QFETCH(QString, action);
        Tree tree(shape);
        QAction command;
        command.setShortcut(QKeySequence(shortcut));
        tree.view.addAction(&command);
        connect(&command, &QAction::triggered, this, [&tree, action]() { operation(action)(tree.view); });
        tree.select(current);
        keys(QStringLiteral("Right type:x ") + shortcut);
        QTEST(tree.shape(), "after");
        QVERIFY(!tree.editing());
        tree.model->undo();
        QTEST(tree.shape(), "beforeAction");
    }

    void clicks_data()
    {
        columns();
        row("dot checks", "A B", "B", "dot", "A *B", "B", 1);
        row("dot unchecks", "A *B", "B", "dot", "A B", "B", 1);
        row("dot of an untitled task", "A _", "_", "dot", "A *_", "_", 0);
        row("dot of a read-only task", "A B", "B", "dot", "A B", "B", 0, "or");
        row("title makes current", "A B", "B", "text", "A B", "B", 0);
        row("leaving an empty task by click", "A _ B", "B", "text", "A B", "B", 0);
        row("below the rows adds a task", "A B", "", "below", "A B _", "_", 0);
        row("below the rows of a read-only list", "A B", "", "below", "A B", "none", 0, "or");
        row("double click edits", "A", "A", "double", "A", "A", 0);
        row("double click on the dot", "A", "A", "double dot", "*A", "A", 1);
    }

    void clicks()
    {
        QFETCH(QString, shape);
        QFETCH(QString, permissions);
        QFETCH(QString, current);
        QFETCH(QString, action);
        QFETCH(int, undoSteps);
        Tree tree(shape, permissions);
        if (shape.contains(QLatin1String("_ B")))
            tree.select("_");
        const int before = tree.model->undoSnapshotCount();
        const QPoint pos = action.endsWith(QLatin1String("dot")) ? tree.dot(current)
            : action == QLatin1String("below")                ? QPoint(60, 300)
                                                               : tree.text(current);
        QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        if (action.startsWith(QLatin1String("double"))) {
            tree.mouse(QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
            QCOMPARE(tree.editing(), action == QLatin1String("double"));
        }
        QTEST(tree.shape(), "after");
        QTEST(tree.current(), "currentAfter");
        QCOMPARE(tree.model->undoSnapshotCount() - before, undoSteps);
    }

    void iconCells()
    {
        Tree tree("N A C W V S P");
        const auto task = [&tree](const char *title) { return tree.model->taskForIndex(tree.at(title)); };
        const QDateTime later = QDateTime::currentDateTimeUtc().addDays(1);
        task("N")->setNote(later, QStringLiteral("note"));
        task("A")->setAlarmTime(later);
        task("C")->setStartTime(later);
        task("W")->createAttachment(QStringLiteral("webHyperlink"), QStringLiteral("w"), QStringLiteral("http://a.b/"));
        task("V")->createAttachment(QStringLiteral("videoHyperlink"), QStringLiteral("v"), QStringLiteral("http://a.b/v"));
        task("S")->assign(QStringLiteral("bob"));
        task("P")->setPriority(TaskPriority(TaskPriority::Urgent));
        tree.view.viewport()->update();
        for (const char *title : {"N", "A", "C", "W", "V", "S", "P"}) {
            const QPoint icon = tree.view.visualRect(tree.at(title).siblingAtColumn(ListModel::LastIconColumn)).center();
            tree.mouse(QEvent::MouseMove, icon, Qt::NoButton);
            const bool code = tree.at(title).siblingAtColumn(7).data(ListModel::IconCodeRole).toInt() != 0;
            QCOMPARE(tree.view.viewport()->cursor().shape(), code ? Qt::PointingHandCursor : Qt::ArrowCursor);
            QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, icon);
            QCOMPARE(tree.current(), QString::fromLatin1(title));
        }
        QCOMPARE(tree.owner.calls, QStringList({"note", "alarm", "calendar", "link", "video"}));
    }

    // While the list or the whole page synchronises, nothing the user does
    // reaches the list.
    void inputGate_data()
    {
        QTest::addColumn<bool>("pageSync");
        QTest::newRow("list synchronising") << false;
        QTest::newRow("page synchronising") << true;
    }

    void inputGate()
    {
        QFETCH(bool, pageSync);
        Tree tree("A B");
        tree.select("A");
        tree.owner.syncing = pageSync;
        tree.model->setSynchronizing(!pageSync);
        keys("Delete Return type:x");
        QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, tree.dot("B"));
        QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 300));
        QCOMPARE(tree.shape(), QStringLiteral("A B"));
        QCOMPARE(tree.current(), QStringLiteral("A"));
    }

    // The expanded state lives in the tasks: the view follows them after
    // every reset, and the user's expanding and collapsing is stored.
    void expansionFollowsTasks()
    {
        Tree tree("-A[a1] B[b1] C");
        QVERIFY(!tree.view.isExpanded(tree.at("A")) && tree.view.isExpanded(tree.at("B")));
        tree.view.collapse(tree.at("B"));
        tree.select("C");
        tree.view.indentCurrent();
        QCOMPARE(tree.shape(), QStringLiteral("-A[a1] B[b1 C]"));
        tree.model->undo();
        QCOMPARE(tree.shape(), QStringLiteral("-A[a1] -B[b1] C"));
        QVERIFY(!tree.view.isExpanded(tree.at("B")));
        tree.view.expandAll();
        QVERIFY(tree.view.isExpanded(tree.at("A")) && tree.view.isExpanded(tree.at("B")));
        tree.view.collapseCurrent(tree.at("A"));
        QCOMPARE(tree.shape(), QStringLiteral("-A[a1] B[b1] C"));
        QVERIFY(!tree.view.isExpanded(tree.at("A")));
    }

    void indentKeepsTheScrollPosition()
    {
        // The current row is cut by the bottom edge: making it current
        // again would scroll it into view.
        Tree tree(QStringLiteral("T ").repeated(40).trimmed());
        tree.view.setCurrentIndex(tree.model->index(19, 0));
        tree.view.verticalScrollBar()->setValue(300);
        tree.view.indentCurrentGroupTasks();
        tree.view.outdentCurrent();
        QCOMPARE(tree.view.verticalScrollBar()->value(), 300);
        QCOMPARE(tree.view.currentIndex(), tree.model->index(19, 0));
    }

    void overlaysAndColumns()
    {
        Tree tree("A B");
        Tree other("C");
        SyncingScreen *overlay = tree.view.syncingScreen();
        tree.view.onShowSyncingScreen();
        QVERIFY(overlay->isVisible());
        QCOMPARE(overlay->pos(), QPoint(tree.view.width() / 2 - overlay->width() / 2,
                                        tree.view.height() / 2 - overlay->height() / 2));
        QTest::mouseClick(overlay->cancelButton(), Qt::LeftButton);
        tree.view.onHideSyncingScreen();
        overlay->cancelButton()->click();
        QCOMPARE(tree.owner.calls, QStringList({"cancel Errands"}));
        QVERIFY(other.owner.calls.isEmpty() && !other.view.syncingScreen()->isVisible());

        QVERIFY(tree.view.header()->isHidden());
        tree.view.showEndTimeColumn();
        tree.view.showAssignColumn();
        tree.view.hideEndTimeColumn();
        QVERIFY(tree.view.header()->isVisible() && !tree.view.isColumnHidden(ListModel::AssignmentColumn));
        tree.view.hideAssignColumn();
        QVERIFY(tree.view.header()->isHidden() && tree.view.isColumnHidden(ListModel::AssignmentColumn));

        // The search bar floats over the lower left, narrower by the
        // scroll bar's width when there is one.
        tree.view.showSearchBar();
        const auto expected = [&tree](int margin) {
            const int height = tree.view.searchBar()->height();
            return QRect(17, tree.view.height() - height - 10, tree.view.width() - margin, height);
        };
        tree.view.resize(400, 360);
        QCOMPARE(tree.view.searchBar()->geometry(), expected(34));
        for (int i = 0; i < 12; ++i)
            tree.model->insertRow(0);
        QTRY_VERIFY(tree.view.verticalScrollBar()->isVisible());
        tree.view.resize(401, 360);
        QCOMPARE(tree.view.searchBar()->geometry(), expected(51));
    }
};

PLUMDECK_TEST_MAIN(TstTreeView)
#include "tst_treeview.moc"
