// The task tree driven by keys and mouse: the key table, title editing,
// clicks on check dots, icons and the empty area, the structural operations
// the commands call, dragging tasks, and input refused while a list
// synchronises.

#include "dialogdriver.h"
#include "lists/syncingscreen.h"
#include "lists/tasklistsearchwidget.h"
#include "model/taskreaderwriter.h"
#include "shell/customdialog.h"
#include "testenvironment.h"
#include "treetest.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
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

// A run's copy of the list put in place, a shape with commas for spaces: a
// task of a title the list holds is its copy, the others came from elsewhere.
void runReplaces(Tree &tree, QString shape)
{
    QHash<QString, quint64> lineages;
    for (const Task *task : tree.model->taskList()->allTasks())
        lineages.insert(task->title(), task->lineage());
    TaskList *copy = TaskList::create();
    copy->setPermissions(tree.model->taskList()->permissions());
    int pos = 0;
    parse(shape.replace(QLatin1Char(','), QLatin1Char(' ')), pos, copy->rootTask());
    for (Task *task : copy->allTasks())
        task->setLineage(lineages.value(task->title(), task->lineage()));
    tree.model->setTaskList(copy);
}

// Runs a script as the user would: key names and "type:text" (see keys());
// "op:name", an operation as a command calls it; "KEY=name", the same bound
// to a window shortcut and triggered by its key; "click:dot:T",
// "click:text:T", "click:below" and "dclick:..." (a click then a double
// click) on a task's check dot, its title or below the rows; "hold" or
// "page" (a list's run, the full run), "run:shape" its copy in place, "end".
void perform(Tree &tree, const QString &script)
{
    for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList part = step.split(QLatin1Char(':'));
        if (step == QLatin1String("hold") || step == QLatin1String("page") || step == QLatin1String("end")) {
            tree.model->setSynchronizing(step == QLatin1String("hold"));
            tree.owner.syncing = step == QLatin1String("page");
            if (step == QLatin1String("end"))
                tree.view.applyHeldKeys();
        } else if (part.first() == QLatin1String("run")) {
            runReplaces(tree, part.at(1));
        } else if (part.first() == QLatin1String("op")) {
            operation(part.at(1))(tree.view);
        } else if (part.first().endsWith(QLatin1String("click"))) {
            const QPoint pos = part.at(1) == QLatin1String("below") ? QPoint(60, 300)
                : part.at(1) == QLatin1String("dot")                ? tree.dot(part.at(2))
                                                                    : tree.text(part.at(2));
            QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, pos);
            if (part.first() == QLatin1String("dclick"))
                tree.mouse(QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
        } else if (step.contains(QLatin1Char('='))) {
            auto *command = new QAction(&tree.view);
            command->setShortcut(QKeySequence(step.section(QLatin1Char('='), 0, 0)));
            tree.view.addAction(command);
            const Operation op = operation(step.section(QLatin1Char('='), 1));
            QObject::connect(command, &QAction::triggered, &tree.view, [&tree, op]() { op(tree.view); });
            keys(step.section(QLatin1Char('='), 0, 0));
        } else {
            if (step == QLatin1String("Tab"))
                QTest::ignoreMessage(QtWarningMsg, "Keyboard event not accepted by receiving widget");
            keys(step);
        }
    }
}

// The list as the view shows it: '-' where the view has a parent collapsed,
// to compare with the tasks' own expansion.
QString viewShape(const Tree &tree, const QModelIndex &parent = QModelIndex())
{
    QStringList parts;
    for (int row = 0; row < tree.model->rowCount(parent); ++row) {
        const QModelIndex index = tree.model->index(row, 0, parent);
        const Task *task = tree.model->taskForIndex(index);
        QString part = QString(task->isDone() ? QStringLiteral("*") : QString())
            + (task->childCount() && !tree.view.isExpanded(index) ? QStringLiteral("-") : QString())
            + (task->title().isEmpty() ? QStringLiteral("_") : task->title());
        if (task->childCount())
            part += QLatin1Char('[') + viewShape(tree, index) + QLatin1Char(']');
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
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

    void actions_data()
    {
        columns();
        // Keys.
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
        row("shift+backspace only edits", "A B", "B", "Right Backspace Shift+Backspace", "A B", "B editing", 0);
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
        // With no task chosen the letters typed find one; the keys of a
        // title go on with the search there, never into that task.
        row("typing with no task chosen finds one", "Melon Milk", "", "type:milk", "Melon Milk", "Milk", 0);
        row("the task found takes no backspace nor space", "Melon Milk", "", "type:m Backspace Space=remove",
            "Melon Milk", "Melon", 0);
        row("a click chooses the task found", "Melon Milk", "", "type:m click:text:Melon type:x Return", "x _ Milk",
            "_", 2);
        row("arrows choose the task found", "Melon Milk", "", "type:m Down Up type:x Return", "x _ Milk", "_", 2);
        // Held through a run that moved the rows: keys go in while they keep to the rows they open.
        row("held titles typed with return, a task come in below", "A B C", "B",
            "hold Return type:One Return Tab=indent type:Two Return Shift+Tab=outdent Up Up Up Up type:z "
            "run:A,B,X,C end",
            "A B One[Two] X C", "B", 7);
        row("held home and end in the title, end on the row", "A B C", "B",
            "hold Right Home type:x End type:y Return End type:z run:A,B,X,C end", "A xBy _ X C", "_", 2);
        row("held end and home on the rows, a task come in above", "A B", "B",
            "hold Return End type:x Return Home type:y run:A,X,B end", "A X B x _", "_", 3);
        row("held backspace in an emptied title, a task come in below", "A B C", "B",
            "hold Return type:x Backspace Backspace type:y run:A,B,X,C end", "A B _ X C", "_ editing", 1);
        row("held shift+tab over rows not opened", "A B[b1] C", "B",
            "hold Return Shift+Tab=outdent run:A,B[X,b1],C end", "A B[_ X b1] C", "_", 1);
        // The untitled row a run took away is made again.
        row("the untitled row again where its sibling went", "A[a1 _] B", "_", "page run:A,B end type:Milk Return",
            "A[Milk _] B", "_", 2);
        row("the untitled row again where its parent went", "A[_ a1] B", "_", "page run:B end type:Milk Return",
            "B Milk _", "_", 2);
        // Operations as the commands call them.
        row("indent the first child", "A B", "A", "op:indent", "A B", "A", 0);
        row("indent keeps the children's depth", "A B[b1 b2]", "B", "op:indent", "A[B b1 b2]", "B", 1);
        row("indent after the children", "A[a1] B", "B", "op:indent", "A[a1 B]", "B", 1);
        row("indent with subtasks", "A B[b1]", "B", "op:indentGroup", "A[B[b1]]", "B", 1);
        row("outdent adopts followers", "A[a1 a2 a3]", "a2", "op:outdent", "A[a1] a2[a3]", "a2", 1);
        row("outdent after own children", "A[a1[x] a2]", "a1", "op:outdent", "A a1[x a2]", "a1", 1);
        row("outdent a top-level task", "A B", "B", "op:outdent", "A B", "B", 0);
        row("up", "A B", "B", "op:up", "B A", "B", 1);
        row("up at the first row", "A[a1] B", "a1", "op:up", "A[a1] B", "a1", 0);
        row("down", "A B C", "A", "op:down", "B A C", "A", 1);
        row("down at the last row", "A[a1] B", "a1", "op:down", "A[a1] B", "a1", 0);
        row("top of a subtask", "A[a1] B", "a1", "op:top", "a1 A B", "a1", 1);
        row("top of the first task", "A B", "A", "op:top", "A B", "A", 0);
        row("bottom of a subtask", "A[a1] B", "a1", "op:bottom", "A B a1", "a1", 1);
        row("bottom of a top-level task", "A B C", "A", "op:bottom", "B C A", "A", 1);
        row("bottom of the last task", "A B", "B", "op:bottom", "A B", "B", 0);
        row("remove keeps children in order", "A B[b1 b2 b3] C", "B", "op:remove", "A b1 b2 b3 C", "b1", 1);
        row("remove keeps a single child", "A B[b1]", "B", "op:remove", "A b1", "b1", 1);
        row("remove the last task", "A", "A", "op:remove", "_", "_", 1);
        row("asked, subtasks go", "A B[b1 b2]", "B", "op:removeYes", "A", "A", 1);
        row("asked, subtasks stay", "A B[b1 b2]", "B", "op:removeNo", "A b1 b2", "b1", 1);
        row("asked and closed, subtasks stay", "A B[b1 b2]", "B", "op:removeClosed", "A b1 b2", "b1", 1);
        row("subtasks go without asking", "A B[b1 b2]", "B", "op:removeAll", "A", "A", 1);
        row("remove checked tasks", "*A[a1 *a2[x]] B *C", "B", "op:removeChecked", "a1 x B", "B", 1);
        row("take a task for another list", "A[a1] B C", "A", "op:toList", "B C", "B", 1);
        row("take the only task", "A", "A", "op:toList", "_", "_", 1);
        row("paste after the current task", "A B", "A", "op:paste", "A P B", "P", 1);
        // A command's shortcut reaches the window before the open title
        // editor sees the key: the typed text is committed first, as its own
        // undo step, never dropped.
        row("indent commits the editor", "A B", "B", "Right type:x Tab=indent", "A[Bx]", "Bx", 2);
        row("outdent commits the editor", "A[B]", "B", "Right type:x Shift+Tab=outdent", "A Bx", "Bx", 2);
        row("up commits the editor", "A B", "B", "Right type:x Ctrl+Up=up", "Bx A", "Bx", 2);
        row("down commits the editor", "A B", "A", "Right type:x Ctrl+Down=down", "B Ax", "Ax", 2);
        row("remove commits the editor", "A B", "B", "Right type:x F8=remove", "A", "A", 2);
        row("paste commits the editor", "A B", "A", "Right type:x F9=paste", "Ax P B", "P", 2);
        // Moving tasks rebuilds the rows: the view opens and closes them
        // again as their tasks say.
        row("indent keeps parents open and closed", "-A[a1] B[b1] C", "C", "Tab=indent", "-A[a1] B[b1 C]", "C", 1);
        row("outdent keeps parents open and closed", "-A[a1] B[b1 C]", "C", "Shift+Tab=outdent", "-A[a1] B[b1] C",
            "C", 1);
        row("removing checked tasks keeps parents open and closed", "-A[a1] *D B[b1 *b2]", "B", "F7=removeChecked",
            "-A[a1] B[b1]", "B", 1);
        row("taking commits the editor", "A B", "B", "Right type:x F10=toList", "A", "A", 2);
        row("adding commits the editor", "A _", "_", "Right type:x F11=insert", "A x _", "_", 2);
        // Clicks.
        row("dot checks", "A B", "B", "click:dot:B", "A *B", "B", 1);
        row("dot unchecks", "A *B", "B", "click:dot:B", "A B", "B", 1);
        row("dot of an untitled task", "A _", "_", "click:dot:_", "A *_", "_", 0);
        row("dot of a read-only task", "A B", "B", "click:dot:B", "A B", "B", 0, "or");
        row("title makes current", "A B", "B", "click:text:B", "A B", "B", 0);
        row("leaving an empty task by click", "A _ B", "_", "click:text:B", "A B", "B", 0);
        row("below the rows adds a task", "A B", "", "click:below", "A B _", "_", 0);
        row("below the rows of a read-only list", "A B", "", "click:below", "A B", "none", 0, "or");
        row("double click edits", "A", "A", "dclick:text:A", "A", "A editing", 0);
        row("double click on the dot", "A", "A", "dclick:dot:A", "*A", "A", 1);
    }

    void actions()
    {
        QFETCH(QString, shape);
        QFETCH(QString, permissions);
        QFETCH(QString, action);
        QFETCH(int, undoSteps);
        Tree tree(shape, permissions);
        QFETCH(QString, current);
        tree.select(current);
        const int before = tree.model->undoSnapshotCount();
        perform(tree, action);
        QTEST(tree.shape(), "after");
        QTEST(tree.current(), "currentAfter");
        QCOMPARE(tree.model->undoSnapshotCount() - before, undoSteps);
        QCOMPARE(viewShape(tree), tree.shape());
    }

    void commitTrimsTheTitle()
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

    // With "ui/auto-create-new-tasks" off, Return in the editor adds a task
    // only after the last top-level task.
    void returnWithoutAutoCreate_data()
    {
        columns();
        row("after the last top-level task", "A B", "B", "Right type:x Return", "A Bx _", "_", 2);
        row("after an earlier task", "A B", "A", "Right type:x Return", "Ax B", "Ax", 1);
        row("after the last nested task", "A[a1]", "a1", "Right type:x Return", "A[a1x]", "a1x", 1);
        row("return outside the editor still adds", "A B", "A", "Return", "A _ B", "_", 1);
        // Held through a list's run: the last row is the one the user saw last.
        row("held return in the last task seen, one added at the end", "A B[b1]", "B",
            "hold Right type:x Return type:y Return run:A,B[b1],Z end Up Right type:w Return", "A Bxw[y b1] Z", "Bxw",
            4);
    }

    void returnWithoutAutoCreate()
    {
        QSettings().setValue(QStringLiteral("ui/auto-create-new-tasks"), false);
        actions();
        QSettings().remove(QStringLiteral("ui/auto-create-new-tasks"));
    }

    // The remaining structural commands also commit the open editor first.
    void structureCommitsTheEditor_data()
    {
        columns();
        row("group indent commits the editor", "A B[b1]", "B", "Right type:x Tab=indentGroup", "A[Bx[b1]]", "Bx", 2);
        row("top commits the editor", "A B", "B", "Right type:x F3=top", "Bx A", "Bx", 2);
        row("bottom commits the editor", "A B", "A", "Right type:x F4=bottom", "B Ax", "Ax", 2);
        row("removing done tasks commits the editor", "*A B", "B", "Right type:x F7=removeChecked", "Bx", "Bx", 2);
    }

    void structureCommitsTheEditor() { actions(); }

    // A right click makes its row current and opens the page's task menu;
    // below the rows the menu opens for the task that was current.
    void contextMenu()
    {
        Tree tree("A B");
        tree.select("A");
        const auto rightClick = [&tree](const QPoint &pos) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree.view.viewport()->mapToGlobal(pos));
            QApplication::sendEvent(tree.view.viewport(), &event);
        };
        rightClick(tree.text("B"));
        QCOMPARE(tree.current(), QStringLiteral("B"));
        rightClick(QPoint(60, 300));
        QCOMPARE(tree.current(), QStringLiteral("B"));
        QCOMPARE(tree.owner.calls, QStringList({"menu", "menu"}));
        QCOMPARE(tree.shape(), QStringLiteral("A B"));
    }

    // Below the rows the view goes on with ruled lines, one row height
    // apart; while a task is dragged the row it would follow gets a black
    // line under it, the other rows keep their separators.
    void emptyAreaAndDropLine()
    {
        Tree tree("A B C");
        const int h = tree.view.visualRect(tree.at("A")).height();
        QVERIFY(h > 1);
        const QColor fill(201, 214, 160), ruled(222, 230, 193);
        QImage shot = tree.view.viewport()->grab().toImage();
        QCOMPARE(shot.pixelColor(200, 6 * h - 1), ruled);
        QCOMPARE(shot.pixelColor(200, 6 * h + h / 2), fill);
        QCOMPARE(shot.pixelColor(200, 7 * h - 1), ruled);

        const QPoint start = tree.text("A");
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, QApplication::startDragDistance() + 1), Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, tree.text("C"), Qt::LeftButton);
        shot = tree.view.viewport()->grab().toImage();
        const int underC = tree.view.visualRect(tree.at("C")).bottom();
        const int underB = tree.view.visualRect(tree.at("B")).bottom();
        QCOMPARE(shot.pixelColor(200, underC), QColor(Qt::black));
        QCOMPARE(shot.pixelColor(200, underB), ruled);
        tree.mouse(QEvent::MouseButtonRelease, tree.text("C"), Qt::NoButton);
        QCOMPARE(tree.shape(), QStringLiteral("B C A"));
    }

    // The names the skins' style sheets select, and the texts shown.
    void widgetNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("text");
        QTest::newRow("view") << "treeview" << "TreeView" << "";
        QTest::newRow("header") << "treeViewHeader" << "QHeaderView" << "";
        QTest::newRow("search bar") << "searchoverlay" << "TaskListSearchWidget" << "";
        QTest::newRow("search icon") << "searchicon" << "QLabel" << "";
        QTest::newRow("search label") << "searchtextlabel" << "QLabel" << "Search:";
        QTest::newRow("search field") << "lineedit" << "PDLineEdit" << "";
        QTest::newRow("next button") << "nextSearchButton" << "ToolButton" << "";
        QTest::newRow("overlay frame") << "loadingFrame" << "QFrame" << "";
        QTest::newRow("overlay text") << "loadingLabel" << "QLabel" << "Synchronizing...";
        QTest::newRow("overlay cancel") << "cancelSyncButton" << "QPushButton" << "";
    }

    void widgetNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, text);
        Tree tree("A");
        QWidget *widget = name == QLatin1String("treeview") ? &tree.view : tree.view.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->objectName(), name);
        QVERIFY(widget->inherits(className.toLatin1()));
        if (!text.isEmpty())
            QCOMPARE(qobject_cast<QLabel *>(widget)->text(), text);
    }

    // The search bar floats over the lower left of the view, narrower while
    // the vertical scroll bar shows.
    void searchBarGeometry_data()
    {
        QTest::addColumn<int>("tasks");
        QTest::addColumn<int>("margin");
        QTest::newRow("short list") << 2 << 34;
        QTest::newRow("with the scroll bar") << 40 << 51;
    }

    void searchBarGeometry()
    {
        QFETCH(int, tasks);
        QFETCH(int, margin);
        Tree tree(QStringLiteral("T ").repeated(tasks).trimmed());
        tree.view.showSearchBar();
        tree.view.resize(tree.view.width() + 1, tree.view.height());
        QTRY_COMPARE(tree.view.verticalScrollBar()->isVisible(), margin == 51);
        tree.view.resize(tree.view.width() - 1, tree.view.height());
        const QWidget *bar = tree.view.searchBar();
        const int height = bar->sizeHint().height();
        QCOMPARE(bar->geometry(), QRect(17, tree.view.height() - height - 10, tree.view.width() - margin, height));
    }

    void iconCells_data()
    {
        QTest::addColumn<QString>("permissions");
        QTest::newRow("writable") << "orwd";
        // Read-only lists still open their (read-only) dialogs; the pointer
        // keeps its shape there.
        QTest::newRow("read-only") << "or";
    }

    void iconCells()
    {
        QFETCH(QString, permissions);
        const bool readOnly = permissions == QLatin1String("or");
        Tree tree("N A C W V S P", permissions);
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
            QCOMPARE(tree.view.viewport()->cursor().shape(),
                     code && !readOnly ? Qt::PointingHandCursor : Qt::ArrowCursor);
            QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, icon);
            QCOMPARE(tree.current(), QString::fromLatin1(title));
        }
        QCOMPARE(tree.owner.calls, QStringList({"note", "alarm", "calendar", "link", "video"}));
    }

    // While the list or the whole page synchronises, nothing the user does
    // reaches the list.
    // ... except the cancel button of the list's syncing overlay.
    void inputGate_data()
    {
        QTest::addColumn<bool>("pageSync");
        QTest::addColumn<bool>("overlay");
        QTest::newRow("list synchronising") << false << false;
        QTest::newRow("page synchronising") << true << false;
        QTest::newRow("list synchronising, cancelled on its overlay") << false << true;
    }

    void inputGate()
    {
        QFETCH(bool, pageSync);
        QFETCH(bool, overlay);
        Tree tree("A B");
        tree.select("A");
        tree.owner.syncing = pageSync;
        tree.model->setSynchronizing(!pageSync);
        if (overlay)
            tree.view.onShowSyncingScreen();
        keys("Delete Return type:x");
        QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, tree.dot("B"));
        QTest::mouseClick(tree.view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 300));
        QCOMPARE(tree.shape(), QStringLiteral("A B"));
        QCOMPARE(tree.current(), QStringLiteral("A"));
        if (overlay) {
            // Clicked where the user sees it, through the window.
            QPushButton *cancel = tree.view.syncingScreen()->cancelButton();
            QVERIFY(cancel->isVisible());
            QVERIFY(tree.view.rect().contains(cancel->mapTo(&tree.view, cancel->rect().center())));
            QTest::mouseClick(tree.view.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                              cancel->mapTo(&tree.view, cancel->rect().center()));
        }
        QCOMPARE(tree.owner.calls, overlay ? QStringList{"cancel Errands"} : QStringList{});
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

    void overlayAndHeader()
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

    }

    // ---- moving tasks by dragging them with the mouse

    void drop_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("into");
        QTest::addColumn<QString>("cursor");
        QTest::addColumn<QString>("after");
        auto row = [](const char *name, const char *shape, const char *dragged, const char *target, bool into,
                      const char *cursor, const char *after, const char *perms = "orwd") {
            QTest::newRow(name) << shape << perms << dragged << target << into << cursor << after;
        };
        row("down after a later sibling", "A B C", "A", "C", false, "drag", "B C A");
        row("up before an earlier sibling", "A B C", "C", "A", false, "drag", "C A B");
        row("up before a cousin", "A[a1] B[b1]", "b1", "a1", false, "drag", "A[b1 a1] B");
        row("down after a cousin", "A[a1] B[b1]", "a1", "b1", false, "drag", "A B[b1 a1]");
        row("over an open parent", "A B[b1] C", "A", "B", false, "drag", "A B[b1] C");
        row("after the end of a branch", "A B[b1[b11]] C", "A", "b11", false, "drag", "B[b1[b11]] A C");
        row("inside a branch that goes on", "A B[b1[b11] b2]", "A", "b11", false, "drag", "A B[b1[b11] b2]");
        row("subtask over a shallower row", "A[a1] B", "a1", "B", false, "drag", "A[a1] B");
        row("into a row", "A B", "A", "B", true, "into", "B[A]");
        row("into a closed row goes first", "A -B[b1]", "A", "B", true, "into", "B[A b1]");
        row("into its own subtask", "A[a1] B", "A", "a1", true, "drag", "A[a1] B");
        row("into itself", "A B", "A", "A", true, "drag", "A B");
        row("read-only list", "A B C", "A", "C", false, "none", "A B C", "or");
        row("released below the rows", "A B", "A", "", false, "forbidden", "A B");
    }

    void drop()
    {
        QFETCH(QString, shape);
        QFETCH(QString, permissions);
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(bool, into);
        QFETCH(QString, cursor);
        Tree tree(shape, permissions);
        const int before = tree.model->undoSnapshotCount();
        const QPoint start = tree.text(dragged);
        const QPoint end = target.isEmpty() ? QPoint(60, 300) : into ? tree.dot(target) : tree.text(target);
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, QApplication::startDragDistance() + 1), Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, end, Qt::LeftButton);

        const QCursor shown = tree.view.viewport()->cursor();
        const QString expectedImage = cursor == QLatin1String("into") ? ":/windrag_in.png" : ":/windrag.png";
        if (cursor == QLatin1String("forbidden"))
            QCOMPARE(shown.shape(), Qt::ForbiddenCursor);
        else if (cursor == QLatin1String("none"))
            QCOMPARE(shown.shape(), Qt::ArrowCursor);
        else
            QCOMPARE(shown.pixmap().toImage(), QImage(expectedImage).convertToFormat(shown.pixmap().toImage().format()));

        tree.mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
        QTEST(tree.shape(), "after");
        const bool moved = tree.shape() != shape;
        QCOMPARE(tree.model->undoSnapshotCount() - before, moved ? 1 : 0);
        if (moved)
            QCOMPARE(tree.current(), dragged);
        QCOMPARE(tree.view.viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    // A drop into a task that would nest the dragged branch deeper than
    // the documents hold is refused with the reason; one that fits is made.
    // (Drops between rows keep the dragged task's level.)
    void dropWithinTheDepthBound_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("after"); // below the nested tasks; empty: unchanged
        QTest::newRow("a branch into the deepest task") << "y" << "x" << "";
        QTest::newRow("a single task into the deepest task") << "z" << "x" << "";
        QTest::newRow("a single task to the deepest level") << "z" << "d251" << "d251[z x] y[y1]";
    }

    void dropWithinTheDepthBound()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(QString, after);
        // Under 250 nested tasks: x at the deepest level, y with its subtask
        // and z one level up.
        QCOMPARE(TaskReaderWriter::maxTaskDepth, 252);
        auto nested = [](const QString &inner) {
            QString shape = inner;
            for (int level = 250; level >= 1; --level)
                shape = QStringLiteral("d%1[%2]").arg(level).arg(shape);
            return shape;
        };
        Tree tree(nested(QStringLiteral("d251[x] y[y1] z")));
        const QString before = tree.shape();
        // Every level at the same place, the rows concerned in sight.
        tree.view.setIndentation(0);
        tree.view.expandAll();
        tree.view.scrollToBottom();
        const QPoint start = tree.text(dragged);
        const QPoint end = tree.dot(target);
        QVERIFY(tree.view.viewport()->rect().contains(start) && tree.view.viewport()->rect().contains(end));
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, QApplication::startDragDistance() + 1), Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, end, Qt::LeftButton);
        tree.mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
        if (after.isEmpty()) {
            QCOMPARE(tree.shape(), before);
            QCOMPARE(tree.owner.calls, QStringList{QStringLiteral("tell Tasks can be nested at most 252 levels deep.")});
        } else {
            QCOMPARE(tree.shape(), nested(after));
            QCOMPARE(tree.owner.calls, QStringList());
        }
    }

    void shortMoveIsNoDrag()
    {
        Tree tree("A B");
        const QPoint start = tree.text("A");
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, 2), Qt::LeftButton);
        tree.mouse(QEvent::MouseButtonRelease, start + QPoint(0, 2), Qt::NoButton);
        QCOMPARE(tree.shape(), QStringLiteral("A B"));
    }

    // A synchronisation starting in the middle of a drag ends it at the
    // release without moving anything.
    void syncEndsDrag()
    {
        Tree tree("A B C");
        const QPoint start = tree.text("A");
        tree.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, start + QPoint(0, 20), Qt::LeftButton);
        tree.mouse(QEvent::MouseMove, tree.text("C"), Qt::LeftButton);
        tree.model->setSynchronizing(true);
        tree.mouse(QEvent::MouseButtonRelease, tree.text("C"), Qt::NoButton);
        tree.model->setSynchronizing(false);
        QCOMPARE(tree.shape(), QStringLiteral("A B C"));
        tree.mouse(QEvent::MouseMove, tree.text("B"), Qt::LeftButton);
        tree.mouse(QEvent::MouseButtonRelease, tree.text("B"), Qt::NoButton);
        QCOMPARE(tree.shape(), QStringLiteral("A B C"));
    }
};

PLUMDECK_TEST_MAIN(TstTreeView)
#include "tst_treeview.moc"
