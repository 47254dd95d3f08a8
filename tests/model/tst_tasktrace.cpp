// Knowing a task of a list again after the list's tasks were replaced by new
// objects (undo, redo, a synchronisation): the same object while the list
// holds it, else the task with its server id, else the task at its place;
// the strict look-up refuses a task at the place that carries another id.

#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/tasktrace.h"
#include "testenvironment.h"

#include <QTest>

namespace {

// "A=1 B=2[b=5] C": titles, "=N" a server id, "[...]" the subtasks.
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
            Task *task = parent->createChild(parent->childCount());
            task->setTitle(word.section(QLatin1Char('='), 0, 0));
            task->setId(word.section(QLatin1Char('='), 1).toUInt());
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
        QTest::addColumn<QString>("same");
        QTest::newRow("the list kept its tasks") << "A=1 B=2" << "B" << "" << "B" << "B";
        QTest::newRow("a copy: by server id, moved") << "A=1 B=2" << "B" << "B=2 A=1" << "B" << "B";
        QTest::newRow("a copy: a subtask by server id") << "A=1 B=2[b=5]" << "b" << "b=5 A=1" << "b" << "b";
        QTest::newRow("a copy without ids: by place") << "A B[b]" << "b" << "A2 B2[b2]" << "b2" << "b2";
        QTest::newRow("an upload gave it an id") << "A B" << "B" << "A=1 B2=2" << "B2" << "B2";
        QTest::newRow("back to before its upload") << "A=1 B=2" << "B" << "A B2" << "B2" << "B2";
        QTest::newRow("its id gone, another task in its place") << "A=1 B=2" << "B" << "A=1 C=3" << "C" << "none";
        QTest::newRow("its id gone, a new task in its place") << "A=1 B=2" << "B" << "A=1 C" << "C" << "C";
        QTest::newRow("its place gone") << "A=1 B=2[b=5]" << "b" << "A=1 B=2" << "none" << "none";
        QTest::newRow("no task") << "A=1" << "" << "A=1" << "none" << "none";
    }
    void findsTheTaskAgain()
    {
        QFETCH(QString, before);
        QFETCH(QString, traced);
        QFETCH(QString, after);
        QFETCH(QString, found);
        QFETCH(QString, same);
        ListModel model(listOf(before));
        const Task *task = titled(model.taskList()->rootTask(), traced);
        QCOMPARE(task == nullptr, traced.isEmpty());
        const TaskTrace trace(&model, task);
        QCOMPARE(trace.isNull(), traced.isEmpty());
        if (!after.isEmpty())
            model.setTaskList(listOf(after));
        if (after.isEmpty())
            QCOMPARE(trace.find(&model), task);
        QCOMPARE(titleOf(trace.find(&model)), found);
        QCOMPARE(titleOf(trace.findSame(&model)), same);
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

    // A task removed from its list is looked for by id and place only: its
    // object may be gone, its address another task's.
    void removedTaskIsNotLookedForByObject()
    {
        ListModel model(listOf(QStringLiteral("A=1 B C")));
        TaskTrace trace(&model, model.taskList()->rootTask()->child(1));
        model.removeRow(1);
        trace.forgetObjectIfGone(&model);
        QCOMPARE(titleOf(trace.find(&model)), QStringLiteral("C"));
        // Without its list nothing of it can be known to be there.
        TaskTrace orphan(&model, model.taskList()->rootTask()->child(1));
        orphan.forgetObjectIfGone(nullptr);
        QCOMPARE(titleOf(orphan.find(&model)), QStringLiteral("C"));
        delete model.taskList();
    }
};

PLUMDECK_TEST_MAIN(TstTaskTrace)
#include "tst_tasktrace.moc"
