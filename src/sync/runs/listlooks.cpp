#include "sync/runs/listlooks.h"

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "sync/runs/listsynchronizer.h"

ListLooks::Look ListLooks::forList(const TaskList *list, const ListInfo *info, bool onServer)
{
    if (!info || !onServer || info->revision() <= list->revision() || ListSyncTraits::mustFetch(list))
        return Look::None;
    if (list->syncStatus() == TaskList::Unedited)
        return Look::Take;
    if (list->syncStatus() == TaskList::Edited && ListSyncTraits::mergesBeforePut(list))
        return Look::Merge;
    return Look::None;
}
