#ifndef LISTMODEL_H
#define LISTMODEL_H

#include "model/tasknote.h"
#include "model/taskpriority.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class Task;
class TaskAttachmentVideoHyperlink;
class TaskAttachmentWebHyperlink;
class TaskList;
class QTextStream;
class QTimer;

// The item model over one task list. Every view and command edits a list
// through it: it takes the undo steps (whole-list snapshots) and sets the two
// change marks, the model's changed flag (write the lists file) and the
// list's edited mark (upload at the next synchronisation).
class ListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        TitleColumn = 0,
        FirstIconColumn = 1,
        LastIconColumn = 7,
        StartTimeColumn = 8,
        EndTimeColumn = 9,
        ElapsedColumn = 10,
        AssignmentColumn = 11,
        ColumnCount = 12
    };

    // The role under which an icon cell answers its icon code.
    static constexpr int IconCodeRole = Qt::UserRole;

    // Icon codes answered under IconCodeRole by the icon columns.
    enum IconCode {
        PriorityIcon = 0,
        NoteIcon = 1,
        AlarmIcon = 2,
        StartTimeIcon = 3,
        WebHyperlinkIcon = 4,
        VideoHyperlinkIcon = 5,
        AssignmentIcon = 6
    };

    // Whole-list snapshots kept for undo; the oldest goes first.
    static const int MaxUndoSnapshots = 200;

    // Takes the list. The destructor leaves the current list alone (its
    // owner deletes it) but deletes the undo snapshots.
    explicit ListModel(TaskList *list);
    ~ListModel() override;

    static ListModel *createNew();

    // Tree structure.
    Task *taskForIndex(const QModelIndex &index) const;
    QModelIndex indexOfTask(const Task *task) const;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;

    // Display.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QString toText() const;

    // Reads.
    QDateTime taskDueTime(const QModelIndex &index) const;
    QDateTime taskStartTime(const QModelIndex &index) const;
    QDateTime taskAlarmTime(const QModelIndex &index) const;
    TaskNote taskNote(const QModelIndex &index) const;
    TaskPriority taskPriority(const QModelIndex &index) const;
    QStringList taskAssignments(const QModelIndex &index) const;
    bool taskHasAssignments(const QModelIndex &index) const;
    TaskAttachmentVideoHyperlink *taskVideoHyperlink(const QModelIndex &index) const;
    TaskAttachmentWebHyperlink *taskWebHyperlink(const QModelIndex &index) const;

    TaskList *taskList() const { return m_taskList; }
    QString name() const;
    QString description() const;
    bool isDone() const;
    QString owner() const;
    bool isOwned() const;
    bool hasWritePermission() const;
    bool hasDeletePermission() const;
    bool isBlank() const;

    bool isChanged() const { return m_changed; }
    void setChanged() { m_changed = true; }
    void clearChanged() { m_changed = false; }

    bool showStartTimeColumn() const { return m_showStartTimeColumn; }
    bool showEndTimeColumn() const { return m_showEndTimeColumn; }
    bool showElapsedTimeColumn() const { return m_showElapsedTimeColumn; }
    bool showAssignmentColumn() const { return m_showAssignmentColumn; }
    void setShowStartTimeColumn(bool show);
    void setShowEndTimeColumn(bool show);
    void setShowElapsedTimeColumn(bool show);
    void setShowAssignmentColumn(bool show);
    // For the document reader: the flag only, no change mark.
    void restoreShowStartTimeColumn(bool show) { m_showStartTimeColumn = show; }
    void restoreShowEndTimeColumn(bool show) { m_showEndTimeColumn = show; }
    void restoreShowElapsedTimeColumn(bool show) { m_showElapsedTimeColumn = show; }
    void restoreShowAssignmentColumn(bool show) { m_showAssignmentColumn = show; }

    // What tells the list among the lists of backups while no server id
    // does (empty for none): an import of a backup holding a list of this
    // key finds it here, under its server id, instead of posting it again.
    // Kept in the lists file and in the backups written of it.
    QString backupKey() const { return m_backupKey; }
    void setBackupKey(const QString &key) { m_backupKey = key; }

    // Edits of one task.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    void setTaskDone(Task *task, bool done);
    void setTaskDueTime(const QModelIndex &index, const QDateTime &time);
    void setTaskStartTime(const QModelIndex &index, const QDateTime &time);
    void setTaskAlarmTime(const QModelIndex &index, const QDateTime &time);
    void setTaskNote(const QModelIndex &index, const TaskNote &note);
    void setTaskPriority(const QModelIndex &index, const TaskPriority &priority);
    void changeTaskPriority(Task *task, const TaskPriority &priority);
    void setTaskTitle(Task *task, const QString &title);
    bool assignTask(const QModelIndex &index, const QString &nick);
    bool unassignTask(const QModelIndex &index, const QString &nick);
    void unassignAll(const QModelIndex &index);
    void expandTask(const QModelIndex &index);
    void collapseTask(const QModelIndex &index);

    // Whether the task with its subtasks fits under newParent within the
    // deepest task level the documents hold.
    static bool fitsDepth(const Task *task, const Task *newParent);

    // Insertions with an undo step; the model takes the task. A paste that
    // would nest too deeply is refused (false) and the task deleted.
    bool pasteTask(Task *task, const QModelIndex &index);
    void prependTask(Task *task);
    void appendTask(Task *task);

    // Structure changes without an undo step: the callers take it.
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool canInsertRows(const QModelIndex &parent = QModelIndex()) const;
    // An invalid newParentIndex means the top level. Refuses (false) to move a
    // task below itself or deeper than the documents hold.
    bool reparentTask(const QModelIndex &index, const QModelIndex &newParentIndex, int position);

    // List-level fields.
    void setName(const QString &name);
    void setDescription(const QString &description);
    void setDone(bool done);
    void setPermissions(const QString &letters);
    void markEditedAndReset();
    // Replaces the list by the given one (a copy from the server) and takes
    // it; the old list is deleted.
    void setTaskList(TaskList *list);
    // The list's content was replaced in place (a run put the user's
    // changes onto the server's copy): the views start again from it, and
    // the undo history too when it took in changes made elsewhere (going
    // back to a copy without them would send their undoing).
    void contentReplaced(bool changedElsewhere);
    void resetToNew();

    // Undo and redo of whole-list snapshots.
    void saveUndoState();
    void undo();
    void redo();
    void clearUndoHistory();
    bool canUndo() const { return m_undoIndex > 0; }
    bool canRedo() const { return m_undoIndex < m_undoSnapshots.size(); }
    int undoIndex() const { return m_undoIndex; }
    int undoSnapshotCount() const { return int(m_undoSnapshots.size()); }

    // Sharing.
    QMap<QString, QString> sharedUsers() const { return m_sharedUsers; }
    int sharedUserCount() const { return int(m_sharedUsers.size()); }
    QStringList sharedUserNames() const { return m_sharedUsers.keys(); }
    bool hasSharedUser(const QString &name) const { return m_sharedUsers.contains(name); }
    QString sharedUserPermissions(const QString &name) const;
    bool setSharedUserPermissions(const QString &name, const QString &letters);
    bool addSharedUser(const QString &name, const QString &letters);
    bool loadSharedUser(const QString &name, const QString &letters);
    bool removeSharedUser(const QString &name);
    void unshareAll();
    void setSharedUsers(const QMap<QString, QString> &users);
    bool isSharedEdited() const { return m_sharedEdited; }
    void setSharedEdited(bool edited = true) { m_sharedEdited = edited; }
    void clearSharedEdited() { m_sharedEdited = false; }
    void resetSharedEdited();
    quint32 sharedRevision() const { return m_sharedRevision; }
    void setSharedRevision(quint32 revision);
    void restoreSharedRevision(quint32 revision) { m_sharedRevision = revision; }
    // The users as this computer and the server last agreed on them, at the
    // shared revision: the users themselves while the sharing is unedited.
    // Null when an edited sharing's agreed users are unknown (a file written
    // before they were kept).
    std::optional<QMap<QString, QString>> agreedSharedUsers() const;
    void setAgreedSharedUsers(const std::optional<QMap<QString, QString>> &users) { m_agreedSharedUsers = users; }
    // The users an upload of the sharing sent at the shared revision, while
    // its answer is not known; null otherwise (and for another revision).
    std::optional<QMap<QString, QString>> sentSharedUsers() const;
    void setSentSharedUsers(const std::optional<QMap<QString, QString>> &users);
    // What an import changes of the sharing, against the sharing its backup
    // had agreed with the server: each person it gives access to, with the
    // letters, or takes access from (empty letters). Kept until a run has
    // sent the sharing; what that changed on the server is then untold
    // until the user is told of it.
    QMap<QString, QString> importedSharing() const { return m_importedSharing; }
    void setImportedSharing(const QMap<QString, QString> &changes) { m_importedSharing = changes; }
    QMap<QString, QString> untoldSharing() const { return m_untoldSharing; }
    void setUntoldSharing(const QMap<QString, QString> &changes) { m_untoldSharing = changes; }

    // Synchronisation flags; never signalled.
    bool isSyncPending() const { return m_syncPending; }
    void setSyncPending(bool pending) { m_syncPending = pending; }
    bool isManualSync() const { return m_manualSync; }
    void setManualSync(bool manual) { m_manualSync = manual; }
    bool isSynchronizing() const { return m_synchronizing; }
    void setSynchronizing(bool synchronizing) { m_synchronizing = synchronizing; }
    void clearSyncFlags();

    // Tasks whose alarm lies in (last, current]; their rows are redrawn.
    QSet<Task *> tasksWithAlarmBetween(const QDateTime &last, const QDateTime &current);

    // dataChanged over the icon columns of the task's row.
    void emitTaskRowChanged(const QModelIndex &index);

signals:
    void nameChanged(ListModel *model);
    void shareListChanged(ListModel *model);
    void ownerPermissionsChanged(ListModel *model);

private slots:
    void onVerifyTimeout();

private:
    void markChangedAndEdited();
    void keepAgreedSharing();
    void emitAssignmentChanged(const QModelIndex &index);
    QVariant titleData(const Task *task, int role) const;
    QVariant iconData(const Task *task, int column, int role) const;
    QVariant colourData(const QModelIndex &index, int role) const;
    void insertTopLevel(Task *task, bool first);
    void replaceList(TaskList *list, bool deleteOld);
    bool verifyRows(const QModelIndex &parent, int depth) const;
    static void writeTaskText(QTextStream &stream, const Task *task, int depth);

    TaskList *m_taskList;
    QList<TaskList *> m_undoSnapshots;
    int m_undoIndex = 0;
    bool m_changed = false;
    bool m_blueSkin;
    bool m_showStartTimeColumn = false;
    bool m_showEndTimeColumn = false;
    bool m_showElapsedTimeColumn = false;
    bool m_showAssignmentColumn = false;
    QString m_backupKey;
    bool m_sharedEdited = false;
    QMap<QString, QString> m_sharedUsers;
    quint32 m_sharedRevision = 1;
    std::optional<QMap<QString, QString>> m_agreedSharedUsers;
    std::optional<QMap<QString, QString>> m_sentSharedUsers;
    quint32 m_sentSharedRevision = 0;
    QMap<QString, QString> m_importedSharing;
    QMap<QString, QString> m_untoldSharing;
    bool m_syncPending = false;
    bool m_manualSync = false;
    bool m_synchronizing = false;
    QTimer *m_verifyTimer = nullptr;
};

#endif
