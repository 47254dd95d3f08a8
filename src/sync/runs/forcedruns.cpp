#include "sync/runs/forcedruns.h"

#include "model/listmodel.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/merges/uploadmark.h"



void ForcedRuns::prepareForceRemote(UserLists *lists, NotepadNotes *notes)
{
    if (lists) {
        // Each of the user's own lists replaces the server's copy in place,
        // under its id: a run cut short finishes it by the mark. One posted
        // but never fetched back is fetched first, as in any run.
        for (ListModel *model : lists->models()) {
            TaskList *list = model->taskList();
            if (list->isOwned() && list->syncStatus() != TaskList::New && !ListSyncTraits::mustFetch(list)) {
                // An import not sent yet is sent with it, and told.
                const bool ofImport = UploadMark::read(list->pendingUpload()).carriesImport();
                list->setSyncStatus(TaskList::Edited);
                list->setPendingUpload(UploadMark::wholeUpdate(0, ofImport).text());
                model->setChanged();
            }
        }
        lists->prepareForceRemoteSync();
        // Its order replaces the server's too; a run cut short before it
        // went up leaves that to the next.
        lists->setDisplayOrderChanged(true);
    }
    // The notes keep their ids: the run puts each over the server's copy.
    if (notes)
        notes->setDisplayOrderChanged(true);
}

void ForcedRuns::prepareForceLocal(UserLists *lists, NotepadNotes *notes)
{
    if (lists) {
        lists->keepIdentities();
        lists->removeAllLists();
    }
    if (notes)
        notes->deleteAndPurgeEverything();
}
