#include "model/tasklistimage.h"

#include "model/taskattachment.h"
#include "model/tasklist.h"

TaskListImage::TaskListImage(const TaskList &list)
    : m_revision(list.m_revision)
    , m_serverId(list.m_serverId)
    , m_localId(list.m_localId)
    , m_name(list.m_name)
    , m_outlookId(list.m_outlookId)
    , m_owner(list.m_owner)
    , m_owned(list.m_owned)
    , m_permissions(list.m_permissions)
    , m_done(list.m_done)
    , m_description(list.m_description)
{
    const auto take = [this](const Task *task, int level) {
        Entry entry{task->fields(), task->lineage(), level, -1};
        const QList<TaskAttachment *> attachments = task->attachments();
        if (!attachments.isEmpty()) {
            QList<TaskAttachment *> copies;
            copies.reserve(attachments.size());
            for (const TaskAttachment *attachment : attachments)
                copies.append(attachment->clone());
            entry.attachments = int(m_attachments.size());
            m_attachments.push_back(copies);
        }
        m_tasks.push_back(std::move(entry));
    };
    // Without recursion: a tree as deep as the reader takes stays well within
    // the stack anyway, but an image is made of every list the program holds.
    const Task *root = list.rootTask();
    take(root, 0);
    QList<std::pair<const Task *, int>> pending; // task, index of its next child
    pending.append({root, 0});
    while (!pending.isEmpty()) {
        auto &[parent, next] = pending.last();
        if (next >= parent->childCount()) {
            pending.removeLast();
            continue;
        }
        const Task *child = parent->child(next++);
        take(child, int(pending.size()));
        pending.append({child, 0});
    }
    m_tasks.shrink_to_fit();
}

TaskListImage::~TaskListImage()
{
    for (const QList<TaskAttachment *> &attachments : m_attachments)
        qDeleteAll(attachments);
}

Task *TaskListImage::make(const Entry &entry) const
{
    Task *task = Task::withFields(entry.fields);
    task->setLineage(entry.lineage);
    if (entry.attachments >= 0) {
        for (const TaskAttachment *attachment : m_attachments[size_t(entry.attachments)])
            task->addAttachment(attachment->clone());
    }
    return task;
}

Task *TaskListImage::task(int i) const
{
    return make(m_tasks[size_t(i)]);
}

bool TaskListImage::sharesContentWith(int i, const Task *task) const
{
    const Entry &entry = m_tasks[size_t(i)];
    if (entry.fields != task->fields())
        return false;
    if (entry.attachments < 0)
        return !task->hasAttachments();
    // Rare: compared through a task that holds them.
    const std::unique_ptr<Task> mine(make(entry));
    return mine->sharesContentWith(task);
}

const std::shared_ptr<const TaskList> &TaskListImage::list() const
{
    if (m_list)
        return m_list;
    TaskList *list = TaskList::create();
    list->m_syncStatus = TaskList::Unedited;
    list->m_revision = m_revision;
    list->m_serverId = m_serverId;
    list->m_localId = m_localId;
    list->m_name = m_name;
    list->m_outlookId = m_outlookId;
    list->m_owner = m_owner;
    list->m_owned = m_owned;
    list->m_permissions = m_permissions;
    list->m_done = m_done;
    list->m_description = m_description;
    delete list->m_rootTask;
    list->m_rootTask = make(m_tasks.front());
    QList<Task *> parents{list->m_rootTask};
    for (size_t i = 1; i < m_tasks.size(); ++i) {
        const Entry &entry = m_tasks[i];
        Task *task = make(entry);
        parents.resize(entry.level);
        Task *parent = parents.last();
        parent->insertChild(task, parent->childCount());
        parents.append(task);
    }
    m_list.reset(list);
    return m_list;
}
