#ifndef TASKLISTIMAGE_H
#define TASKLISTIMAGE_H

#include "model/task.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class TaskAttachment;
class TaskList;

// A list as it stood at one moment, as an agreed copy holds it: its fields
// and, for each task in tree order, the task's values, lineage, level and
// attachments. The values are shared with the tasks they were taken from
// (see Task::Fields) and the attachments copied, so nothing done to the list
// afterwards reaches the image, and keeping it costs a few bytes a task where
// a copy of the list costs a whole tree. The copy is made when first asked
// for, and then kept.
class TaskListImage
{
public:
    // `list` as it stands, unedited: its removed tasks, the mark of an upload
    // in doubt and its own agreed copy are no part of it.
    explicit TaskListImage(const TaskList &list);
    ~TaskListImage();

    TaskListImage(const TaskListImage &) = delete;
    TaskListImage &operator=(const TaskListImage &) = delete;

    // The list the image holds, made on the first call; every caller gets
    // the same one.
    const std::shared_ptr<const TaskList> &list() const;

    quint32 serverId() const { return m_serverId; }
    quint32 revision() const { return m_revision; }
    QString name() const { return m_name; }
    bool isDone() const { return m_done; }
    QString description() const { return m_description; }

    // The tasks in tree order, the root first, at level 0 (a top-level task
    // is at level 1).
    int taskCount() const { return int(m_tasks.size()); }
    int level(int i) const { return m_tasks[size_t(i)].level; }
    quint32 taskId(int i) const { return m_tasks[size_t(i)].fields->id; }
    // A new task, without children, as the task at `i` was.
    Task *task(int i) const;
    // Cheaply: `task` still holds the values the task at `i` had, with the
    // same attachments (see Task::sharesContentWith).
    bool sharesContentWith(int i, const Task *task) const;

private:
    struct Entry
    {
        Task::Fields fields;
        quint64 lineage = 0;
        int level = 0;
        int attachments = -1; // into m_attachments
    };

    Task *make(const Entry &entry) const;

    std::vector<Entry> m_tasks;
    std::vector<QList<TaskAttachment *>> m_attachments;
    quint32 m_revision = 0;
    quint32 m_serverId = 0;
    quint32 m_localId = 0;
    QString m_name;
    QString m_outlookId;
    QString m_owner;
    bool m_owned = true;
    QString m_permissions;
    bool m_done = false;
    QString m_description;
    mutable std::shared_ptr<const TaskList> m_list;
};

#endif
