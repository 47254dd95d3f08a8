#ifndef BENCH_LISTSDOCUMENT_H
#define BENCH_LISTSDOCUMENT_H

// A lists document of `listCount` lists of `tasksPerList` tasks as users
// keep them: ordinary titles, a third done, a quarter with notes, every fifth
// task opening a group of subtasks. Written to `path`; false when it could not be.
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

inline bool writeListsDocument(const QString &path, int listCount, int tasksPerList)
{
    UserLists lists;
    int serial = 0;
    for (int l = 0; l < listCount; ++l) {
        ListModel *model = lists.createList();
        TaskList *list = model->taskList();
        list->setName(QStringLiteral("List %1").arg(l + 1));
        list->setLocalId(quint32(l + 1));
        Task *parent = list->rootTask();
        for (int t = 0; t < tasksPerList; ++t) {
            auto *task = new Task;
            ++serial;
            task->setTitle(QStringLiteral("Task number %1 with a title of ordinary length").arg(serial));
            task->setDone(serial % 3 == 0);
            if (serial % 4 == 0)
                task->setNote(QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC),
                              QStringLiteral("A note of a couple of lines.\nSecond line."));
            Task *into = (t % 5 == 1) ? parent->child(parent->childCount() - 1) : parent;
            into->insertChild(task, into->childCount());
        }
    }
    return lists.save(path);
}

#endif
