#ifndef LISTSYNCHRONIZER_H
#define LISTSYNCHRONIZER_H

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "sync/runs/itemsynchronizer.h"
#include "sync/merges/uploadmark.h"

#include <QSet>

#include <memory>

class Task;

struct ListSyncTraits
{
    using Item = TaskList;
    using Info = ListInfo;
    static constexpr bool hasPermissionFallback = true;

    static QString text(ItemSyncText::Id id, const QString &name);
    static const char *debugLine(ItemSyncText::Id id);
    static QString collectionPath();
    static QString itemPath(quint32 id);
    static int status(const TaskList *list);
    static quint32 revision(const TaskList *list);
    static QString name(const TaskList *list);
    static quint32 infoRevision(const ListInfo *info);
    static QString infoPermissions(const ListInfo *info);
    static QDomDocument writeItem(TaskList *list);
    static TaskList *readItem(const QDomDocument &doc, QString *error);
    static quint32 readNewId(const QDomDocument &doc, QString *error);
    static void prepareFetchedExisting(TaskList *) {}
    static bool mustFetch(const TaskList *list);
    static bool mayHoldUploadedParts(const TaskList *list);
    static bool takeUploadedParts(TaskList *list, TaskList *fetched);
    // Whether what the list's update in doubt sent is seen in the server's
    // copy, so that it surely arrived.
    static bool updateArrived(const TaskList *list, const TaskList *fetched);
    static bool mergesBeforePut(const TaskList *list);
    // What the list's forced remote run was made against is the server's
    // copy `fetched`: the list replaces it whole.
    static bool replacesWholeOnto(const TaskList *list, const TaskList *fetched);
    // What mergeBeforePut makes of the list onto `fetched`: the list sent
    // whole, an import carried out onto it, or the list merged onto it from
    // what it agreed.
    static bool mergesOnto(const TaskList *list, const TaskList *fetched);
    static bool looksBeforePut(const TaskList *list);
    static bool givesWayTo(const TaskList *list, const TaskList *fetched);
    static TaskList *mergeBeforePut(TaskList *list, TaskList *fetched, bool inDoubt, bool arrived,
                                    bool *nothingToSend, bool *tookTheirs);
    // What a forced remote run sends: the list here over `fetched` (taken),
    // which becomes what it agreed. Each task goes as the server's copy's
    // revision of it, which it replaces.
    static void replaceWhole(TaskList *list, TaskList *fetched);
    static const char *neverTakenWarning();
};

extern template class ItemSynchronizer<ListSyncTraits>;

// Brings one task list into step with the server. The owner applies the
// outcome; this class never changes the user's lists.
class ListSynchronizer : public ItemSynchronizer<ListSyncTraits>
{
    Q_OBJECT
public:
    ListSynchronizer(quint32 id, ListInfo *serverInfo, TaskList *localList, int progressStep,
                     QObject *parent = nullptr);

    void cancel();

    TaskList *localList() const { return localItem(); }
    // The caller owns the list from then on.
    TaskList *takeResultList() { return takeResultItem(); }
    // In the save before the upload: the titles of the tasks removed here
    // that the merge onto the server's copy kept, as another computer
    // changed them (or something below them) since.
    QStringList keptThoughRemovedHere() const;
    // The same, for a merge made before the step: `before` is the list as
    // it was, `merged` what the merge made of it.
    static QList<const Task *> keptThoughRemovedHere(const TaskList *before, const TaskList *merged);

    // The revision recordAssignedId() gives a list: far above any revision a
    // server hands out, and not 0, so the lists document keeps it.
    static const quint32 NotFetchedRevision = 0xffffffffu;

    // After a run whose POST was accepted but which failed afterwards
    // (assignedId() non-zero): records the id on the local list, marked so
    // that the next run fetches the server's copy (the tasks get their ids
    // from it) instead of posting the list again. Changes the user makes to
    // the list before that fetch give way to the server's copy. The owner
    // marks the list's model changed so that the mark is saved.
    static void recordAssignedId(TaskList *list, quint32 id);

    // The mark an Edited list carries while its PUT is out: each task the
    // server has no id for, with those of an earlier upload still in doubt,
    // so that the next run can find the copies the server made of them, even
    // when the user changed them since.
    static QString putMark(const TaskList *list);

    // Each task of `list` without a server id that an upload in doubt
    // carried (its identity among `sent`, or among `alsoSent`) takes the id
    // of one of `copies`, the server's tasks no task here knows, with the
    // same identity: one with the task's content, or one still as the task
    // was sent; and, only once the upload is known to have `arrived`, the
    // one copy left of an identity one task here is left holding. Tasks
    // made in the same second and pasted copies share an identity, so a
    // task that cannot be told from another is sent again rather than take
    // its id. A task still as it was sent takes the copy's fields (another
    // client may have changed them since). A copy of a sent task left
    // without its task was removed here since: it is recorded as removed,
    // so that the upload removes it there, when it is surely that task's;
    // copies beyond what was sent are another client's and stay. With
    // Removals::BothWays (the copies are all the server has of an upload
    // that certainly arrived), a sent task still as it was sent whose
    // identity no copy holds any more was removed there by another client
    // since, and goes here too. With Removals::None (the copies may be
    // another list's, made alike elsewhere) nothing is removed either way.
    enum class Removals { OfRemovedHere, BothWays, None };
    static void takeCopies(TaskList *list, const QList<const Task *> &copies,
                           const QList<UploadMark::SentTask> &sent, const QSet<QString> &alsoSent = {},
                           bool arrived = false, Removals removals = Removals::OfRemovedHere);
};

#endif
