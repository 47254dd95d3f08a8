// Knowing a task of a list again after the list's tasks were replaced by new
// objects (undo, redo, a synchronisation): the same object while it lives
// and the list holds it, else the task with its server id, else the one task
// of its identity when no other task shares it; never the task at its place.

#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/tasktrace.h"
#include "testenvironment.h"

#include <QTest>

#include <memory>

namespace {

// "A=1 B=2[b=5] C@7": titles, "=N" a server id, "@N" the creation second
// (made by alice; none without), "[...]" the subtasks.
void parse(const QString &text, int &pos, Task *parent)
{
    while (pos < text.size()) {
        const QChar c = text.at(pos);
        if (c == QLatin1Char(' ')) {
            ++pos;
        } else if (c == QLatin1Char(']')) {
            ++pos;
            return;
        } else {
            QString word;
            while (pos < text.size() && !QStringLiteral(" []").contains(text.at(pos)))
                word += text.at(pos++);
            Task *task = new Task;
            parent->insertChild(task, parent->childCount());
            const QString stamp = word.section(QLatin1Char('@'), 1);
            word = word.section(QLatin1Char('@'), 0, 0);
            task->setTitle(word.section(QLatin1Char('='), 0, 0));
            task->setId(word.section(QLatin1Char('='), 1).toUInt());
            if (!stamp.isEmpty()) {
                task->setCreatedBy(QStringLiteral("alice"));
                task->setCreationTime(QDateTime::fromSecsSinceEpoch(1700000000 + stamp.toLongLong(), Qt::UTC));
            }
            if (pos < text.size() && text.at(pos) == QLatin1Char('[')) {
                ++pos;
                parse(text, pos, task);
            }
        }
    }
}

TaskList *listOf(const QString &shape)
{
    TaskList *list = TaskList::create();
    int pos = 0;
    parse(shape, pos, list->rootTask());
    return list;
}

Task *titled(const Task *parent, const QString &title)
{
    for (Task *task : parent->children()) {
        if (task->title() == title)
            return task;
        if (Task *found = titled(task, title))
            return found;
    }
    return nullptr;
}

QString titleOf(const Task *task)
{
    return task ? task->title() : QStringLiteral("none");
}

} // namespace

class TstTaskTrace : public QObject
{
    Q_OBJECT

private slots:
    void findsTheTaskAgain_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("traced");
        QTest::addColumn<QString>("after"); // empty: the list keeps its tasks
        QTest::addColumn<QString>("found");
        QTest::newRow("the list kept its tasks") << "A=1 B=2" << "B" << "" << "B";
        QTest::newRow("a copy: by server id, moved") << "A=1 B=2" << "B" << "B=2 A=1" << "B";
        QTest::newRow("a copy: a subtask by server id") << "A=1 B=2[b=5]" << "b" << "b=5 A=1" << "b";
        QTest::newRow("a copy without ids or identity: not by place") << "A B[b]" << "b" << "A2 B2[b2]" << "none";
        QTest::newRow("an upload gave it an id") << "A@1 B@2" << "B" << "A=1@1 B2=2@2" << "B2";
        QTest::newRow("back to before its upload") << "A=1@1 B=2@2" << "B" << "A@1 B2@2" << "B2";
        QTest::newRow("its id gone, another task in its place") << "A=1 B=2" << "B" << "A=1 C=3" << "none";
        QTest::newRow("its id gone, a new task in its place") << "A=1 B=2" << "B" << "A=1 C" << "none";
        QTest::newRow("its place gone") << "A=1 B=2[b=5]" << "b" << "A=1 B=2" << "none";
        QTest::newRow("no task") << "A=1" << "" << "A=1" << "none";
        // Another client added a task at the top; the run uploaded this one.
        QTest::newRow("a task added above it: its copy by identity")
            << "A=1@1 B@2" << "B" << "Z=9@7 A=1@1 B2=3@2" << "B2";
        QTest::newRow("removed elsewhere: not the task now at its row") << "A=1@1 B=2@2" << "A" << "B=2@2" << "none";
        QTest::newRow("removed, its pasted copy stays: not by the shared identity")
            << "A@1 B@2 C@2" << "B" << "A2@1 C2@2" << "none";
        QTest::newRow("its identity shared now: not by identity") << "A@1 B@2" << "B" << "P@2 A2@1 B2@2" << "none";
        QTest::newRow("typed in one second, its new list posted: by its title")
            << "Milk@1 Eggs@1" << "Milk" << "Eggs=2@1 Milk=1@1" << "Milk";
        QTest::newRow("typed in one second, retitled by the run: not another of its second")
            << "Milk@1 Eggs@1" << "Milk" << "Eggs=2@1 Oats=1@1" << "none";
        QTest::newRow("a copy of it under an id of its own: not it") << "A=1@1 B=2@2" << "B" << "A=1@1 C=3@2" << "none";
        // "older": a copy of the list as undo keeps it, its pasted copies
        // sharing an identity.
        QTest::newRow("an older copy: its twin, by lineage") << "A@1 B@2 C@2" << "B" << "older" << "B";
        QTest::newRow("an older copy: its pasted copy is not it") << "A@1 B@2 C@2" << "C" << "older" << "C";
    }
    void findsTheTaskAgain()
    {
        QFETCH(QString, before);
        QFETCH(QString, traced);
        QFETCH(QString, after);
        QFETCH(QString, found);
        ListModel model(listOf(before));
        const Task *task = titled(model.taskList()->rootTask(), traced);
        QCOMPARE(task == nullptr, traced.isEmpty());
        const TaskTrace trace(&model, task);
        QCOMPARE(trace.isNull(), traced.isEmpty());
        if (after == QLatin1String("older"))
            model.setTaskList(model.taskList()->clone());
        else if (!after.isEmpty())
            model.setTaskList(listOf(after));
        if (after.isEmpty())
            QCOMPARE(trace.find(&model), task);
        QCOMPARE(titleOf(trace.find(&model)), found);
        QVERIFY(TaskTrace().find(&model) == nullptr);
        QVERIFY(trace.find(nullptr) == nullptr);
        delete model.taskList();
    }

    // The list's invisible root, or a task without its list, is nothing to
    // trace.
    void rootIsNoTask()
    {
        ListModel model(listOf(QStringLiteral("A=1")));
        QVERIFY(TaskTrace(&model, model.taskList()->rootTask()).isNull());
        QVERIFY(TaskTrace(nullptr, model.taskList()->rootTask()->child(0)).isNull());
        delete model.taskList();
    }

    // A task the list still holds is its object, wherever it moved, even
    // without an id or identity. A task removed from its list is not looked
    // for by its object: a task made since may have its address, and is
    // another task.
    void removedTaskIsNotLookedForByObject()
    {
        ListModel model(listOf(QStringLiteral("A=1 B C")));
        const std::unique_ptr<TaskList> list(model.taskList());
        Task *root = model.taskList()->rootTask();
        Task *removed = root->child(1);
        const Task *const address = removed;
        TaskTrace trace(&model, removed);
        QVERIFY(model.reparentTask(model.indexOfTask(removed), QModelIndex(), 0));
        QCOMPARE(trace.find(&model), removed);
        QVERIFY(model.reparentTask(model.indexOfTask(removed), QModelIndex(), 1));
        QVERIFY(model.removeRow(1));
        // The allocator hands a freed block out again: keep asking until the
        // new task has the removed one's address.
        QList<Task *> spare;
        Task *fresh = new Task;
        while (fresh != address && spare.size() < 1000) {
            spare << fresh;
            fresh = new Task;
        }
        qDeleteAll(spare);
        if (fresh != address) {
            delete fresh;
            QSKIP("the allocator gave no task the freed address");
        }
        fresh->setTitle(QStringLiteral("N"));
        root->insertChild(fresh, 1);
        QCOMPARE(titleOf(trace.find(&model)), QStringLiteral("none"));
    }
};

PLUMDECK_TEST_MAIN(TstTaskTrace)
#include "tst_tasktrace.moc"
