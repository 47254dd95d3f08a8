#include "sync/forcedruns.h"

#include "model/listmodel.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/uploadmark.h"

#include <QHash>
#include <QList>

#include <utility>

void ForcedRuns::prepareForceRemote(UserLists *lists, NotepadNotes *notes)
{
    if (lists) {
        QHash<ListModel *, QString> marks;
        for (ListModel *model : lists->models()) {
            const TaskList *list = model->taskList();
            if (list->isOwned() && list->syncStatus() != TaskList::New)
                marks.insert(model, UploadMark::replacing(list->serverId()).text());
            else if (list->syncStatus() == TaskList::New && !list->pendingUpload().isEmpty())
                marks.insert(model, list->pendingUpload()); // an upload in doubt stays so
        }
        lists->prepareForceRemoteSync();
        // Its order replaces the server's too; a run cut short before it
        // went up leaves that to the next.
        lists->setDisplayOrderChanged(true);
        for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
            ListModel *model = it.key();
            model->taskList()->setPendingUpload(it.value());
            // A list posted anew starts its sharing anew.
            model->restoreSharedRevision(1);
            model->setAgreedSharedUsers(QMap<QString, QString>());
            if (model->sharedUserCount() > 0)
                model->setSharedEdited(true);
            model->setChanged();
        }
    }
    // The notes keep their ids: the run puts each over the server's copy.
    if (notes)
        notes->setDisplayOrderChanged(true);
}

void ForcedRuns::prepareForceLocal(UserLists *lists, NotepadNotes *notes)
{
    if (lists) {
        QList<TaskList *> kept;
        for (const ListModel *model : lists->models()) {
            const TaskList *list = model->taskList();
            if (list->syncStatus() == TaskList::New && finishesReplacement(0, list->pendingUpload()))
                kept << list->clone();
        }
        for (const TaskList *list : lists->deletedLists())
            if (finishesReplacement(list->serverId(), list->pendingUpload()))
                kept << list->clone();
        lists->removeAllLists();
        for (TaskList *list : std::as_const(kept)) {
            UserLists::AddResult result = UserLists::Refused;
            if (ListModel *model = lists->addList(list, &result))
                model->setChanged();
            if (result == UserLists::Refused)
                delete list;
        }
    }
    if (notes)
        notes->deleteAndPurgeEverything();
}

bool ForcedRuns::finishesReplacement(quint32 serverId, const QString &pendingUpload)
{
    const UploadMark mark = UploadMark::read(pendingUpload);
    if (mark.replacedId() == 0)
        return false;
    return serverId == 0 ? mark.isPost() : mark.replacedId() == serverId;
}
