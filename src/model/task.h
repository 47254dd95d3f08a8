#ifndef TASK_H
#define TASK_H

#include "model/tasknote.h"
#include "model/taskpriority.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class TaskAttachment;
class TaskAttachmentVideoHyperlink;
class TaskAttachmentWebHyperlink;

// One node of a task list's tree. A task owns its children and its
// attachments; copy() and clone() copy both deeply. Plain accessors have no
// side effects: the list model turns user edits into undo steps and marks.
class Task
{
public:
    Task();
    virtual ~Task();

    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;

    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    bool isDone() const { return m_done; }
    void setDone(bool done) { m_done = done; }
    TaskPriority priority() const { return m_priority; }
    void setPriority(const TaskPriority &priority) { m_priority = priority; }
    TaskNote note() const { return m_note; }
    void setNote(const QDateTime &addedTime, const QString &text) { m_note = TaskNote(addedTime, text); }
    void setNote(const TaskNote &note) { m_note = note; }
    QDateTime alarmTime() const { return m_alarmTime; }
    void setAlarmTime(const QDateTime &time) { m_alarmTime = time; }
    quint32 id() const { return m_id; }
    void setId(quint32 id) { m_id = id; }
    QDateTime creationTime() const { return m_creationTime; }
    void setCreationTime(const QDateTime &time) { m_creationTime = time; }
    QDateTime modificationTime() const { return m_modificationTime; }
    void setModificationTime(const QDateTime &time) { m_modificationTime = time; }
    QDateTime deletionTime() const { return m_deletionTime; }
    void setDeletionTime(const QDateTime &time) { m_deletionTime = time; }
    QDateTime startTime() const { return m_startTime; }
    void setStartTime(const QDateTime &time) { m_startTime = time; }
    QDateTime dueTime() const { return m_dueTime; }
    void setDueTime(const QDateTime &time) { m_dueTime = time; }
    QString lastModifiedBy() const { return m_lastModifiedBy; }
    void setLastModifiedBy(const QString &nick) { m_lastModifiedBy = nick; }
    QString doneBy() const { return m_doneBy; }
    void setDoneBy(const QString &nick) { m_doneBy = nick; }
    QString createdBy() const { return m_createdBy; }
    void setCreatedBy(const QString &nick) { m_createdBy = nick; }
    QString outlookId() const { return m_outlookId; }
    void setOutlookId(const QString &id) { m_outlookId = id; }
    quint32 revision() const { return m_revision; }
    void setRevision(quint32 revision) { m_revision = revision; }
    QString hashcode() const { return m_hashcode; }
    void setHashcode(const QString &hashcode) { m_hashcode = hashcode; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }
    Task *parent() const { return m_parent; }
    QStringList assignments() const { return m_assignments; }
    QList<TaskAttachment *> attachments() const { return m_attachments; }
    QList<Task *> children() const { return m_children; }

    bool hasAlarm() const { return !m_alarmTime.isNull(); }
    bool hasNote() const { return !m_note.isEmpty(); }
    bool hasAttachments() const { return !m_attachments.isEmpty(); }
    bool hasAssignments() const { return !m_assignments.isEmpty(); }
    bool isAssignedTo(const QString &nick) const { return m_assignments.contains(nick); }

    int attachmentCount(int type) const;
    TaskAttachmentVideoHyperlink *videoHyperlinkAttachment() const;
    TaskAttachmentWebHyperlink *webHyperlinkAttachment() const;

    int childCount() const { return int(m_children.size()); }
    Task *child(int i) const { return m_children.at(i); }
    int indexOfChild(const Task *task) const;
    int row() const;
    // The root is at level 0, a top-level task at level 1.
    int level() const;
    // The levels of the task with its subtasks: 1 without subtasks.
    int height() const;

    static Task *createRoot();
    Task *createChild(int position);
    void insertNewChild(Task *task, int position);
    void insertChild(Task *task, int position);
    Task *takeChild(Task *task);
    void deleteChild(Task *task);
    void deleteChildren();
    void removeBlankChildren();
    bool isBlankRecursively() const;
    void collectTasks(QSet<Task *> &tasks);
    // Each task below this one, in tree order.
    template<typename Visit>
    void forEachBelow(const Visit &visit) const
    {
        for (Task *child : m_children) {
            visit(child);
            child->forEachBelow(visit);
        }
    }
    void clearIdsRecursively();
    bool verifyTree() const;

    void stampCreationRecursively(const QDateTime &time);
    void touch();

    bool assign(const QString &nick);
    bool unassign(const QString &nick);
    void unassignAll() { m_assignments.clear(); }

    // The task takes ownership of the attachment.
    void addAttachment(TaskAttachment *attachment);
    // Deletes the attachment; false when the task does not hold it.
    bool removeAttachment(TaskAttachment *attachment);
    TaskAttachment *createAttachment(const QString &typeName, const QString &name, const QString &urlText);

    // copy() leaves out the server's id, revision and hashcode and the
    // Outlook id; clone() keeps them.
    Task *copy() const;
    Task *clone() const;

    // Its creator and the second it was created: the server keeps both as
    // sent and nobody edits them, but copies made by paste or by a move to
    // another list keep them too, and tasks made in one second share them.
    // It tells a task apart only where no other task holds it.
    QString identity() const;
    // Expires when the task is deleted: whoever holds it knows the task is
    // gone even when a new task has since taken its address.
    std::weak_ptr<const void> lifetime() const;
    // Takes the other task's fields, assignments and attachments; its ids,
    // place, children and expanded flag stay.
    void takeFieldsFrom(const Task *other);
    // The same through clone() (an undo copy, the copy a run keeps) and new
    // for every other task, a pasted copy() included: tells one task in two
    // versions of its list, where its identity may be shared. Never stored.
    quint64 lineage() const { return m_lineage; }
    void setLineage(quint64 lineage) { m_lineage = lineage; }

    static QString dateTimeText(const QDateTime &localTime);
    QString alarmTimeText() const;
    QString creationTimeText() const;
    QString modificationTimeText() const;
    QString startTimeText() const;
    QString dueTimeText() const;

private:
    Task *duplicate(bool keepServerIds) const;
    static quint64 nextLineage();

    QString m_title = QStringLiteral("");
    bool m_done = false;
    bool m_expanded = true;
    TaskPriority m_priority;
    TaskNote m_note;
    QDateTime m_alarmTime;
    quint32 m_id = 0;
    quint32 m_revision = 0;
    QDateTime m_creationTime;
    QDateTime m_modificationTime;
    QDateTime m_deletionTime;
    QDateTime m_startTime;
    QDateTime m_dueTime;
    QString m_lastModifiedBy;
    QString m_doneBy;
    QString m_createdBy;
    QString m_outlookId;
    QStringList m_assignments;
    QList<TaskAttachment *> m_attachments;
    // Per attachment type (generic, video link, web link).
    int m_attachmentCounts[3] = {0, 0, 0};
    Task *m_parent = nullptr;
    QList<Task *> m_children;
    QString m_hashcode;
    quint64 m_lineage = nextLineage();
    // Made when first asked for.
    mutable std::shared_ptr<const char> m_lifetime;
};

#endif
