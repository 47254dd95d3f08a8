#ifndef BENCH_LISTSDOCUMENT_H
#define BENCH_LISTSDOCUMENT_H

// A lists document of `listCount` lists of `tasksPerList` tasks as users
// keep them: ordinary titles, a third done, a quarter with notes, every fifth
// task opening a group of subtasks. Written to `path`; false when it could not be.
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
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

// Up to `remaining` tasks below `parent` as a synchronised account holds
// them: ids, revisions, notes, times, assignees and links, in groups four
// levels deep; `serial` numbers them across calls.
inline void addAccountTasks(Task *parent, int &remaining, int depth, int &serial)
{
    const QDateTime base(QDate(2009, 6, 1), QTime(8, 0), Qt::UTC);
    const int width = depth == 0 ? 25 : 4;
    for (int i = 0; i < width && remaining > 0; ++i) {
        Task *task = new Task;
        ++serial;
        --remaining;
        task->setTitle(QStringLiteral("Task number %1 with a title of ordinary length").arg(serial));
        task->setId(quint32(serial));
        task->setRevision(quint32(serial % 7 + 1));
        task->setHashcode(QStringLiteral("0123456789abcdef0123456789abcdef"));
        task->setCreationTime(base.addSecs(serial));
        task->setModificationTime(base.addSecs(serial * 2));
        task->setCreatedBy(QStringLiteral("me"));
        task->setLastModifiedBy(QStringLiteral("me"));
        task->setDone(serial % 3 == 0);
        if (task->isDone())
            task->setDoneBy(QStringLiteral("alice"));
        if (serial % 4 == 0)
            task->setNote(base.addSecs(serial), QStringLiteral("A note of a couple of lines.\nSecond line of the note."));
        if (serial % 10 == 0)
            task->setAlarmTime(base.addDays(serial % 30));
        if (serial % 5 == 0)
            task->setDueTime(base.addDays(serial % 60));
        if (serial % 8 == 0) {
            task->assign(QStringLiteral("alice"));
            task->assign(QStringLiteral("bob"));
        }
        if (serial % 20 == 0)
            task->createAttachment(QStringLiteral("webHyperlink"), QStringLiteral("Link"),
                                   QStringLiteral("http://example.com/page/%1").arg(serial));
        parent->insertChild(task, parent->childCount());
        if (depth < 3)
            addAccountTasks(task, remaining, depth + 1, serial);
    }
}

#endif
