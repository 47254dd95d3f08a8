#ifndef USERLISTS_H
#define USERLISTS_H

#include "core/unreadrecord.h"
#include "model/alarmoccurrence.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class ListModel;
class MinuteTimer;
class QIODevice;
class TaskList;

// The user's task lists: one model per live list in tab order, plus the lists
// the user deleted whose deletion the server has not confirmed yet. Owns every
// model, every list those models hold and every deleted list.
class UserLists : public QObject
{
    Q_OBJECT
public:
    // What addList did with a list.
    enum AddResult {
        Added,     // a new model holds it
        TakenAsDeleted, // its status is Deleted: kept among the deleted lists
        Refused    // a list with its server id is already held: the caller keeps it
    };

    UserLists();
    ~UserLists() override;

    static UserLists *create();

    // Reads a lists file. On failure returns null with the reason in
    // *errorString. An existing file that cannot be read is first renamed
    // to "<path>.unreadable-<UTC yyyyMMddHHmmss>" (its new path in
    // *keptAsidePath) so that nothing can write over it.
    // A list the reader refuses in a file that is sound otherwise costs only
    // that list: the others are returned, marked modified so that the next
    // save writes them without it, the refused ones are named in
    // *unreadLists, and a copy of the file as it was is kept under the same
    // name first (its path in *keptAsidePath; when none could be made, the
    // file is not saved over and *errorString says so).
    static UserLists *load(const QString &path, QString *errorString = nullptr,
                           QString *keptAsidePath = nullptr, UnreadRecords *unreadLists = nullptr);
    // The same from a device (not yet open); nothing is kept aside, and a
    // refused list fails the whole document (a backup is taken whole or not
    // at all).
    static UserLists *load(QIODevice *device, QString *errorString = nullptr);
    // Writes the lists file atomically: a crash, a kill or a full disk leaves
    // the previous file whole. The change marks are cleared only after a
    // successful write, so a failed save is tried again at the next one.
    bool save(const QString &path, QString *errorString = nullptr);
    // While held, a save writes nothing and the changes stay to be written
    // (a forced local run holds the file until the server's lists are in).
    void setSavesHeld(bool held) { m_savesHeld = held; }
    bool savesHeld() const { return m_savesHeld; }

    bool isModified() const;
    void clearModified();
    // Something outside the models changed (a removed list's record).
    void setModified() { m_changed = true; }

    QList<ListModel *> models() const { return m_models; }
    QList<TaskList *> taskLists() const;
    QList<TaskList *> deletedLists() const { return m_deletedLists; }

    ListModel *findModel(TaskList *list) const;
    ListModel *findModelByServerId(quint32 id) const;
    TaskList *taskListByServerId(quint32 id) const;
    TaskList *findDeletedByServerId(quint32 id) const;

    bool isDisplayOrderChanged() const { return m_displayOrderChanged; }
    void setDisplayOrderChanged(bool changed) { m_displayOrderChanged = changed; }
    // The display order (server ids) as this computer and the server last
    // agreed on it: what the last fetch took or the last upload sent.
    // Unknown before the first, and after a change of account.
    const std::optional<QList<quint32>> &agreedDisplayOrder() const { return m_agreedDisplayOrder; }
    void setAgreedDisplayOrder(const std::optional<QList<quint32>> &ids);
    // The lists (server ids) the user moved in the order since: only those
    // take their place here over the server's. Unknown when a file that
    // holds an agreed order does not tell.
    const std::optional<QSet<quint32>> &movedInOrder() const { return m_movedInOrder; }
    void setMovedInOrder(const std::optional<QSet<quint32>> &ids);
    // The lists a run took from the server since the order was agreed:
    // the server's order places them, also after a run that ended before
    // it merged the orders.
    const QSet<quint32> &arrivedInOrder() const { return m_arrivedInOrder; }
    void setArrivedInOrder(const QSet<quint32> &ids);
    void noteArrived(quint32 id);
    QDateTime outlookLastSyncTime() const { return m_outlookLastSyncTime; }
    void setOutlookLastSyncTime(const QDateTime &time) { m_outlookLastSyncTime = time; }
    // The account whose server ids the lists hold, as a backup written of
    // them records it; empty when not recorded.
    QString account() const { return m_account; }
    void setAccount(const QString &account) { m_account = account; }
    // Every task read held the lineage this computer gave it (a file an
    // earlier version wrote holds none: its tasks were given new ones).
    bool tasksIdentified() const { return m_tasksIdentified; }
    void setTasksIdentified(bool identified) { m_tasksIdentified = identified; }

    void addModel(ListModel *model);
    // Takes the list unless it is refused (see AddResult); returns its new
    // model, or null when it went to the deleted lists or was refused.
    ListModel *addList(TaskList *list, AddResult *result = nullptr);
    ListModel *createList();
    void ensureNotEmpty();

    void deleteList(TaskList *list);
    void purgeList(TaskList *list);
    void removeAllLists();
    // Before the lists go to be fetched again (a forced local run): what
    // this computer knows each by, its backup key and its tasks' lineages,
    // by server id, taken back by the server's copies as they come in
    // (memory only: a run that fails puts the lists back themselves).
    void keepIdentities();
    void takeKeptIdentities(ListModel *model);
    void purgeUntouchedDefaultLists();

    void replaceList(ListModel *model, TaskList *newList);

    void moveList(int from, int to);
    void moveListRight(ListModel *model);
    void moveListLeft(ListModel *model);
    void setDisplayOrder(const QList<quint32> &ids);

    // Lists others share with the user that the user may write go up as
    // edited in a forced remote run.
    void prepareForceRemoteSync();
    void localizeLists();


signals:
    void listAdded(ListModel *model);
    void listRemoved(ListModel *model);
    void displayOrderChanged();
    void alarmsOccurred(AlarmOccurrenceSet alarms);

public slots:
    void onMinuteTimeout(const QDateTime &last, const QDateTime &current);

private:
    void takeModel(ListModel *model);
    void noteMoved(const ListModel *model);

    QList<ListModel *> m_models;
    QList<TaskList *> m_deletedLists;
    bool m_changed = false;
    bool m_displayOrderChanged = false;
    std::optional<QList<quint32>> m_agreedDisplayOrder;
    std::optional<QSet<quint32>> m_movedInOrder = QSet<quint32>();
    QSet<quint32> m_arrivedInOrder;
    QDateTime m_outlookLastSyncTime;
    QString m_account;
    bool m_tasksIdentified = true;
    struct Identities
    {
        QString backupKey;
        QHash<quint32, quint64> lineages; // by task id
    };
    QHash<quint32, Identities> m_keptIdentities; // by list id
    MinuteTimer *m_minuteTimer = nullptr;
    bool m_savesHeld = false;
};

#endif
