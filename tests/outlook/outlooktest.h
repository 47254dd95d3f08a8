#ifndef OUTLOOKTEST_H
#define OUTLOOKTEST_H

// The user's lists next to an Outlook held in memory.

#include "core/clock.h"
#include "memoryoutlook.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "outlook/outlooksynchronizer.h"

#include <QStringList>

#include <memory>

namespace OutlookTest {

struct Setup
{
    Setup() { Clock::setFixedTime(QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC)); }
    ~Setup() { Clock::reset(); }

    // A list the server knows, with top-level tasks.
    TaskList *addList(const QString &name, const QStringList &tasks = {},
                      const QString &permissions = QStringLiteral("orwd"))
    {
        TaskList *list = TaskList::create();
        list->setName(name);
        list->setPermissions(permissions);
        list->setSyncStatus(TaskList::Unedited);
        list->setServerId(++serverIds);
        list->setRevision(1);
        for (const QString &title : tasks)
            addTask(list->rootTask(), title);
        lists->addList(list);
        return list;
    }
    static Task *addTask(Task *parent, const QString &title)
    {
        Task *task = parent->createChild(parent->childCount());
        task->setTitle(title);
        return task;
    }
    static Task *task(TaskList *list, const QString &title)
    {
        const QSet<Task *> tasks = list->allTasks();
        for (Task *t : tasks) {
            if (t->title() == title)
                return t;
        }
        return nullptr;
    }
    // Top-level titles in order, done ones marked with a "+".
    static QStringList titles(TaskList *list)
    {
        QStringList titles;
        const QList<Task *> children = list->rootTask()->children();
        for (Task *t : children)
            titles.append(t->title() + (t->isDone() ? QStringLiteral("+") : QString()));
        return titles;
    }
    QStringList subjects(TaskList *list) const
    {
        QStringList subjects;
        for (const QString &id : outlook.items(list->outlookId())) {
            const MemoryOutlook::Item item = outlook.m_items.value(id);
            subjects.append(item.subject + (item.complete ? QStringLiteral("+") : QString()));
        }
        return subjects;
    }
    bool run(QString *error = nullptr)
    {
        OutlookSynchronizer synchronizer(lists.get(), &outlook);
        const bool ok = synchronizer.run();
        if (error)
            *error = synchronizer.errorString();
        return ok;
    }
    // Time passes between two runs.
    static void later() { Clock::advance(60 * 1000); }

    MemoryOutlook outlook;
    std::unique_ptr<UserLists> lists{UserLists::create()};
    quint32 serverIds = 100;
};

} // namespace OutlookTest

#endif
