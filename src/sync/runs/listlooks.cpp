#include "sync/runs/listlooks.h"

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "sync/merges/uploadmark.h"
#include "sync/runs/listsynchronizer.h"

ListLooks::Look ListLooks::forList(const TaskList *list, const ListInfo *info, bool onServer)
{
    // An import goes onto the server's copy as it is now, whatever its
    // revision.
    const bool restored = list->syncStatus() == TaskList::Edited
                          && UploadMark::read(list->pendingUpload()).carriesImport();
    if (!info || !onServer || (info->revision() <= list->revision() && !restored) || ListSyncTraits::mustFetch(list))
        return Look::None;
    if (list->syncStatus() == TaskList::Unedited)
        return Look::Take;
    if (list->syncStatus() == TaskList::Edited && ListSyncTraits::mergesBeforePut(list))
        return Look::Merge;
    return Look::None;
}
