#ifndef LISTSYNCHRONIZER_H
#define LISTSYNCHRONIZER_H

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "sync/itemsynchronizer.h"

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
    static void takeUploadedParts(TaskList *list, TaskList *fetched);
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

    // The mark an Edited list carries while a PUT with tasks the server has
    // no id for is out: a digest of each such task, with those of an earlier
    // upload still in doubt, so that the next run can find their copies even
    // when the user changed them since. Empty when there are none.
    static QString putMark(const TaskList *list);
};

#endif
