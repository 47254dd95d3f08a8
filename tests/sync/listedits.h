#ifndef LISTEDITS_H
#define LISTEDITS_H

// What a user does to a list, done through the list's model as the page
// does it, for the tests of computers whose copies differ.

#include "core/clock.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "storedclient.h"

#include <QtTest>

#include <functional>

namespace ListEdits {

inline Task *taskTitled(const TaskList *list, const QString &title)
{
    std::function<Task *(Task *)> find = [&](Task *parent) -> Task * {
        for (Task *child : parent->children()) {
            if (child->title() == title)
                return child;
            if (Task *found = find(child))
                return found;
        }
        return nullptr;
    };
    return find(list->rootTask());
}

// As the tree does: a new row under `parent` (stamped now), then its title.
inline void addTask(ListModel *model, const QString &title, const QString &parentTitle = QString())
{
    const Task *parent = parentTitle.isEmpty() ? nullptr : taskTitled(model->taskList(), parentTitle);
    const QModelIndex parentIndex = parent ? model->indexOfTask(parent) : QModelIndex();
    const int row = model->rowCount(parentIndex);
    model->saveUndoState();
    model->insertRows(row, 1, parentIndex);
    model->setData(model->index(row, 0, parentIndex), title, Qt::EditRole);
}

inline void removeTask(ListModel *model, const QString &title)
{
    const QModelIndex index = model->indexOfTask(taskTitled(model->taskList(), title));
    model->saveUndoState();
    model->removeRows(index.row(), 1, index.parent());
}

inline void retitle(ListModel *model, const QString &title, const QString &to)
{
    model->setTaskTitle(taskTitled(model->taskList(), title), to);
}

// As "Move to list" does: the copy is the task moved, its lineage kept.
inline void moveToList(ListModel *from, const QString &title, ListModel *to)
{
    const QModelIndex index = from->indexOfTask(taskTitled(from->taskList(), title));
    Task *task = from->taskForIndex(index);
    Task *copy = task->movedCopy();
    from->saveUndoState();
    task->markLeftByMove();
    from->removeRows(index.row(), 1, index.parent());
    to->appendTask(copy);
}

// The task moved to `position` among its siblings.
inline void moveTo(ListModel *model, const QString &title, int position)
{
    const Task *task = taskTitled(model->taskList(), title);
    const QModelIndex index = model->indexOfTask(task);
    model->saveUndoState();
    QVERIFY(model->reparentTask(index, index.parent(), position));
}

// The task made the last child of another, as indenting it does.
inline void indentBelow(ListModel *model, const QString &title, const QString &parentTitle)
{
    const Task *parent = taskTitled(model->taskList(), parentTitle);
    const QModelIndex index = model->indexOfTask(taskTitled(model->taskList(), title));
    model->saveUndoState();
    QVERIFY(model->reparentTask(index, model->indexOfTask(parent), parent->childCount()));
}

// As the user types in the tree: each title into the row the program made
// when Enter closed the one before, the first into a new row; all in the
// current second, and the last Enter leaves an untitled row of that second.
inline void typeTasks(ListModel *model, const QStringList &titles)
{
    int row = model->rowCount();
    model->saveUndoState();
    model->insertRows(row, 1);
    for (const QString &title : titles) {
        model->setData(model->index(row, 0), title, Qt::EditRole);
        model->saveUndoState();
        model->insertRows(++row, 1);
    }
}

// As Ctrl+C on the task, then Ctrl+V on it: the copy, which keeps the
// source's creator and creation second, lands right after it.
inline void pasteCopy(ListModel *model, const QString &title, const QString &copyTitle = QString())
{
    Task *source = taskTitled(model->taskList(), title);
    QVERIFY(model->pasteTask(source->copy(), model->indexOfTask(source)));
    if (!copyTitle.isEmpty()) {
        Task *pasted = model->taskForIndex(model->index(model->indexOfTask(source).row() + 1, 0,
                                                        model->indexOfTask(source).parent()));
        model->setTaskTitle(pasted, copyTitle);
    }
}

// A list whose tasks were typed a second apart, as a person does: each
// task tells itself from the others by its creation.
inline ListModel *makeList(LiveClient &client, const QString &name, const QStringList &titles)
{
    ListModel *model = client.addList(name, {});
    for (const QString &title : titles) {
        Clock::advance(1000);
        addTask(model, title);
    }
    return model;
}

} // namespace ListEdits

#endif
