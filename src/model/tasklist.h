#ifndef TASKLIST_H
#define TASKLIST_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class Task;
class TaskListImage;

// The data of one task list: sync state, ids, list-level fields, the task
// tree under an invisible root, and the removed tasks the server still knows.
// Owns the root (and so the tree) and every removed task.
class TaskList
{
public:
    enum SyncStatus {
        LocallyUnknown = 0,
        New = 1,
        Unedited = 2,
        Edited = 3,
        Deleted = 4
    };

    TaskList();
    ~TaskList();

    TaskList(const TaskList &) = delete;
    TaskList &operator=(const TaskList &) = delete;

    static QString defaultName();
    static TaskList *create();
    static TaskList *createNew();

    SyncStatus syncStatus() const { return m_syncStatus; }
    void setSyncStatus(SyncStatus status) { m_syncStatus = status; }
    // Both read 0 while the list is New, whatever the fields hold.
    quint32 revision() const;
    void setRevision(quint32 revision) { m_revision = revision; }
    quint32 serverId() const;
    void setServerId(quint32 id);
    quint32 localId() const { return m_localId; }
    void setLocalId(quint32 id);
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    QString outlookId() const { return m_outlookId; }
    void setOutlookId(const QString &id) { m_outlookId = id; }
    Task *rootTask() const { return m_rootTask; }
    QString owner() const { return m_owner; }
    void setOwner(const QString &owner) { m_owner = owner; }
    bool isOwned() const { return m_owned; }
    void setOwned(bool owned) { m_owned = owned; }
    QString permissions() const { return m_permissions; }
    void setPermissions(const QString &letters) { m_permissions = letters; }
    bool isDone() const { return m_done; }
    void setDone(bool done) { m_done = done; }
    QString description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }
    // What an upload whose outcome is not known yet carried (the
    // synchroniser's mark; empty when none is in doubt). Kept in the lists
    // file, so that the next run can recognise the list on the server.
    QString pendingUpload() const { return m_pendingUpload; }
    void setPendingUpload(const QString &mark) { m_pendingUpload = mark; }
    // Why a run kept this list (beside another, against a removal) while
    // the user was not told yet; empty once told. Kept in the file, so that
    // what a killed run kept is told by the next one.
    QString untoldKept() const { return m_untoldKept; }
    void setUntoldKept(const QString &why) { m_untoldKept = why; }
    // The name this computer knew a list by that it removed and a run kept,
    // renamed elsewhere; empty when the name is the same.
    QString untoldKeptAs() const { return m_untoldKeptAs; }
    void setUntoldKeptAs(const QString &name) { m_untoldKeptAs = name; }
    // The titles of tasks removed here that a run kept, changed elsewhere,
    // while the user was not told yet; kept in the file as the list's mark.
    QStringList untoldKeptTasks() const { return m_untoldKeptTasks; }
    void setUntoldKeptTasks(const QStringList &titles) { m_untoldKeptTasks = titles; }
    // Not New, or posted without a known outcome: removing it must reach
    // the server.
    bool mayBeOnServer() const { return m_syncStatus != New || !m_pendingUpload.isEmpty(); }
    QList<Task *> removedTasks() const { return m_removedTasks; }
    // Takes ownership of the tasks; the tasks held before are deleted.
    void setRemovedTasks(const QList<Task *> &tasks);

    // Unedited becomes Edited; every other status stays.
    void markEdited();
    bool canDelete() const;
    bool canWrite() const;

    // Removes the task and its subtree: tasks the server knows go to the
    // removed tasks (children first), the others are deleted.
    void removeTask(Task *task);
    void recordRemovedTask(Task *task);
    void resetToNew();
    void clearTasks();
    // No task holds a title nor anything else the user set
    // (Task::isBlankRecursively of the root).
    bool hasNoTitledTask() const;
    bool isUntouchedDefault() const;
    QSet<Task *> allTasks() const;
    // What a run's settling of moves took out of this list and put into a
    // copy (in another list, or in this one where both computers moved it):
    // a view on the task follows it there, and the copy takes its lineage.
    // Only for this session: neither kept in the file nor cloned.
    void recordMovedTask(const Task *taken, const TaskList *into, Task *copy);
    void clearMovedTasks() { m_movedTasks.clear(); }
    // What was recorded on the list this one replaces in the same run.
    void keepMovedTasksOf(const TaskList &replaced);
    // The copy the task of `lineage` went into while it lives, and the list
    // it went into then (only to be compared: it may be gone); null when
    // none.
    Task *movedTask(quint64 lineage, const TaskList **into) const;
    void taskStatistics(int &total, int &done, int &notDone, int &donePercent, int &notDonePercent) const;

    // A deep copy, removed tasks included, so that an undo snapshot keeps
    // the deletions still to be sent to the server. The agreed copy is
    // shared, not copied.
    TaskList *clone() const;
    // Exchanges everything the two lists hold.
    void swapContent(TaskList &other);

    // The list as this computer and the server last agreed on it: what the
    // last fetch, or the server's copy an upload was merged onto, left.
    // Null for a new list, and for an edited one read from a file written
    // before it was kept. Never changed once set; copies share it. Kept as
    // an image where it can be (see TaskListImage), made whole when first
    // asked for.
    const TaskList *agreed() const;
    std::shared_ptr<const TaskList> sharedAgreed() const;
    void setAgreed(std::shared_ptr<const TaskList> agreed);
    // Takes `list`, a copy of the server's, as the agreed one; its tasks
    // take the lineages of the tasks here of their ids.
    void setAgreed(TaskList *list);
    // What the list holds now is what the server holds: an image of the
    // list, sharing its tasks' values until they change.
    void agreeAsIs();
    // Whether `agreed` can be what this list last agreed with the server:
    // the same list at the same revision, no id named twice, and each task
    // it names under an id this list holds is that task (one creator and
    // creation second), in a version no newer than here and with one hash
    // code per revision, and it names every task here that has an id. A
    // damaged copy, or a task under another's id, is not: nothing then tells
    // what either side changed since.
    bool fitsAgreed(const TaskList *agreed) const;
    // Whether the server's copy `theirs` can have grown from `agreed`: no
    // older, and each task both name one task, no older there.
    static bool grewFrom(const TaskList *agreed, const TaskList *theirs);
    // The agreed copy as an image: the one kept, or one made of the whole
    // copy; null when there is none.
    std::shared_ptr<const TaskListImage> agreedImage() const;
    void setAgreedImage(std::shared_ptr<const TaskListImage> image);
    // The tasks that have a server id, by that id.
    QHash<quint32, Task *> tasksById() const;

    // For an older copy of the list put back by undo or redo: what runs
    // learned since stays as `current` has it (server id, revision, status,
    // permissions, the mark of an upload in doubt, the agreed copy, and the
    // ids the server gave tasks the copy holds without one), so that nothing
    // is posted or added twice. An id the copy holds that neither `current`
    // nor what it agreed with the server knows is another list's (one a
    // forced run replaced): its task goes up as new. A list the server knows
    // counts as edited.
    void takeSyncStateFrom(const TaskList *current);

private:
    friend class TaskListImage;

    bool hasAgreed() const { return m_agreed || m_agreedImage; }
    void forgetIdsUnknownTo(const TaskList *current);

    SyncStatus m_syncStatus = New;
    quint32 m_revision = 0;
    quint32 m_serverId = 0;
    quint32 m_localId = 0;
    QString m_name;
    QString m_outlookId;
    Task *m_rootTask = nullptr;
    QString m_owner;
    bool m_owned = true;
    QString m_permissions;
    bool m_done = false;
    QString m_description;
    QString m_pendingUpload;
    QString m_untoldKept;
    QString m_untoldKeptAs;
    QStringList m_untoldKeptTasks;
    QList<Task *> m_removedTasks;
    struct MovedTask
    {
        const TaskList *into;
        Task *copy;
        std::weak_ptr<const void> lifetime;
    };
    QHash<quint64, MovedTask> m_movedTasks; // by the lineage of the task taken
    // At most one of the two is set.
    std::shared_ptr<const TaskList> m_agreed;
    std::shared_ptr<const TaskListImage> m_agreedImage;
};

#endif
