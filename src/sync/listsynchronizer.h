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

    // After a run whose POST was accepted but which failed afterwards
    // (assignedId() non-zero): records the id on the local list so that the
    // next run fetches the server's copy instead of posting the list again.
    // The owner marks the list's model changed so that the id is saved.
    static void recordAssignedId(TaskList *list, quint32 id);
};

#endif
