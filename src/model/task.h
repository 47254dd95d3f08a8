#ifndef TASK_H
#define TASK_H

#include "model/tasknote.h"
#include "model/taskpriority.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class TaskAttachment;
class TaskAttachmentVideoHyperlink;
class TaskAttachmentWebHyperlink;

// A task's own values, everything but its place, children and attachments.
// Copies of a task share one set until either changes (see Task::Fields).
struct TaskFields : public QSharedData
{
    QString title = QStringLiteral("");
    bool done = false;
    bool expanded = true;
    TaskPriority priority;
    TaskNote note;
    QDateTime alarmTime;
    quint32 id = 0;
    quint32 revision = 0;
    QDateTime creationTime;
    QDateTime modificationTime;
    QDateTime deletionTime;
    QDateTime startTime;
    QDateTime dueTime;
    QString lastModifiedBy;
    QString doneBy;
    QString createdBy;
    QString outlookId;
    QStringList assignments;
    QString hashcode;
};

// One node of a task list's tree. A task owns its children and its
// attachments; copy() and clone() copy both deeply. Plain accessors have no
// side effects: the list model turns user edits into undo steps and marks.
// The values are copied on write: a copy shares them with its source until
// either is changed, so that a kept copy of a list (an undo step, what was
// agreed with the server) costs little more than its tree.
class Task
{
public:
    // A task's values as they are now: whoever holds them sees no later
    // change of the task, which then writes to values of its own.
    using Fields = QSharedDataPointer<TaskFields>;

    Task();
    virtual ~Task();

    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;

    QString title() const { return d->title; }
    void setTitle(const QString &title) { d->title = title; }
    bool isDone() const { return d->done; }
    void setDone(bool done) { d->done = done; }
    TaskPriority priority() const { return d->priority; }
    void setPriority(const TaskPriority &priority) { d->priority = priority; }
    TaskNote note() const { return d->note; }
    void setNote(const QDateTime &addedTime, const QString &text) { d->note = TaskNote(addedTime, text); }
    void setNote(const TaskNote &note) { d->note = note; }
    QDateTime alarmTime() const { return d->alarmTime; }
    void setAlarmTime(const QDateTime &time) { d->alarmTime = time; }
    quint32 id() const { return d->id; }
    void setId(quint32 id) { d->id = id; }
    QDateTime creationTime() const { return d->creationTime; }
    void setCreationTime(const QDateTime &time) { d->creationTime = time; }
    QDateTime modificationTime() const { return d->modificationTime; }
    void setModificationTime(const QDateTime &time) { d->modificationTime = time; }
    QDateTime deletionTime() const { return d->deletionTime; }
    void setDeletionTime(const QDateTime &time) { d->deletionTime = time; }
    QDateTime startTime() const { return d->startTime; }
    void setStartTime(const QDateTime &time) { d->startTime = time; }
    QDateTime dueTime() const { return d->dueTime; }
    void setDueTime(const QDateTime &time) { d->dueTime = time; }
    QString lastModifiedBy() const { return d->lastModifiedBy; }
    void setLastModifiedBy(const QString &nick) { d->lastModifiedBy = nick; }
    QString doneBy() const { return d->doneBy; }
    void setDoneBy(const QString &nick) { d->doneBy = nick; }
    QString createdBy() const { return d->createdBy; }
    void setCreatedBy(const QString &nick) { d->createdBy = nick; }
    QString outlookId() const { return d->outlookId; }
    void setOutlookId(const QString &id) { d->outlookId = id; }
    quint32 revision() const { return d->revision; }
    void setRevision(quint32 revision) { d->revision = revision; }
    QString hashcode() const { return d->hashcode; }
    void setHashcode(const QString &hashcode) { d->hashcode = hashcode; }
    bool isExpanded() const { return d->expanded; }
    void setExpanded(bool expanded)
    {
        if (std::as_const(d)->expanded != expanded)
            d->expanded = expanded;
    }
    Task *parent() const { return m_parent; }
    QStringList assignments() const { return d->assignments; }
    QList<TaskAttachment *> attachments() const { return m_attachments; }
    QList<Task *> children() const { return m_children; }

    bool hasAlarm() const { return !d->alarmTime.isNull(); }
    bool hasNote() const { return !d->note.isEmpty(); }
    bool hasAttachments() const { return !m_attachments.isEmpty(); }
    bool hasAssignments() const { return !d->assignments.isEmpty(); }
    bool isAssignedTo(const QString &nick) const { return d->assignments.contains(nick); }

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
    // The untyped children go (see isUntypedRecursively): a blank one the
    // server knows is a task, which only a removal takes away.
    void removeBlankChildren();
    // Nothing set here nor below: a row the program opened (Return, a
    // list's first row) and nobody typed into. What weighs the user's
    // changes counts such a row, at any depth, for nothing: it keeps no
    // list, task or parent from a removal and is no task's copy. The root is
    // blank when no task of the list holds anything set.
    bool isBlankRecursively() const;
    // Blank, and no part of it known to the server: the lists file and the
    // uploads leave it out. A blank row under a server id is a task whose
    // fields the user emptied (an undo of its first title, say): it goes up
    // so, or the server keeps what it held.
    bool isUntypedRecursively() const;
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
    void unassignAll() { d->assignments.clear(); }

    // The task takes ownership of the attachment.
    void addAttachment(TaskAttachment *attachment);
    // Deletes the attachment; false when the task does not hold it.
    bool removeAttachment(TaskAttachment *attachment);
    TaskAttachment *createAttachment(const QString &typeName, const QString &name, const QString &urlText);

    // copy() leaves out the server's id, revision and hashcode and the
    // Outlook id; clone() keeps them. movedCopy() is copy() for "Move to
    // list": the same tasks in another list, each keeping its lineage.
    Task *copy() const;
    Task *clone() const;
    Task *movedCopy() const;
    // The task, and those below it, left its list by a move to another: its
    // removal record says so (kept in the lists file, not sent), so that a
    // run tells a move made here and its copy removed since from a removal.
    bool leftByMove() const { return m_leftByMove; }
    void setLeftByMove(bool moved) { m_leftByMove = moved; }
    void markLeftByMove();

    const Fields &fields() const { return d; }
    // A task without children that holds `fields` (shared, not copied).
    static Task *withFields(const Fields &fields);
    // Cheaply: the two share their values and have equal attachments (the
    // children, place and lineage aside). False does not mean that they
    // differ.
    bool sharesContentWith(const Task *other) const;

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
    // The one identity this computer gives a task when it is made, never
    // changed: the same through clone() (an undo copy, the copy a run keeps)
    // and a move to another list (movedCopy()), new for every other task, a
    // pasted copy() included. Kept in the lists file and in backups, never
    // sent: it tells one task in two versions of its list, or moved between
    // lists, and a backup's task what it became here since (its id, its
    // list), where its identity may be shared. Random, below 2^63 and never
    // 0, so that no two computers give one twice.
    quint64 lineage() const { return m_lineage; }
    void setLineage(quint64 lineage) { m_lineage = lineage; }
    static quint64 newLineage() { return nextLineage(); }
    static bool isLineage(quint64 value) { return value != 0 && value < LineageLimit; }
    static constexpr quint64 LineageLimit = quint64(1) << 63;

    static QString dateTimeText(const QDateTime &localTime);
    QString alarmTimeText() const;
    QString creationTimeText() const;
    QString modificationTimeText() const;
    QString startTimeText() const;
    QString dueTimeText() const;

private:
    explicit Task(const Fields &fields);
    // A title, a tick, a priority, a note, a date, an alarm, an assignment
    // or an attachment: something the user set, not only what the program
    // stamps on a row it opens.
    bool holdsAnythingSet() const;
    enum class Duplicate { Copy, Clone, Moved };
    Task *duplicate(Duplicate kind) const;
    static quint64 nextLineage();

    QSharedDataPointer<TaskFields> d;
    QList<TaskAttachment *> m_attachments;
    // Per attachment type (generic, video link, web link).
    int m_attachmentCounts[3] = {0, 0, 0};
    Task *m_parent = nullptr;
    QList<Task *> m_children;
    quint64 m_lineage = nextLineage();
    bool m_leftByMove = false;
    // Made when first asked for.
    mutable std::shared_ptr<const char> m_lifetime;
};

#endif
