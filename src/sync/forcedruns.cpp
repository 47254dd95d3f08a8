#include "sync/forcedruns.h"

#include "model/listmodel.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/listsynchronizer.h"
#include "sync/uploadmark.h"

#include <QHash>
#include <QList>

#include <utility>

void ForcedRuns::prepareForceRemote(UserLists *lists, NotepadNotes *notes)
{
    if (lists) {
        // Each of the user's own lists replaces the server's copy in place,
        // under its id: a run cut short finishes it by the mark. One posted
        // but never fetched back is fetched first, as in any run.
        for (ListModel *model : lists->models()) {
            TaskList *list = model->taskList();
            if (list->isOwned() && list->syncStatus() != TaskList::New && !ListSyncTraits::mustFetch(list)) {
                list->setSyncStatus(TaskList::Edited);
                list->setPendingUpload(UploadMark::wholeUpdate().text());
                model->setChanged();
            }
        }
        lists->prepareForceRemoteSync();
        // Its order replaces the server's too; a run cut short before it
        // went up leaves that to the next.
        lists->setDisplayOrderChanged(true);
    }
    if (notes) {
        QHash<NotepadNote *, QString> marks;
        for (NotepadNote *note : notes->notes()) {
            if (note->syncStatus() == NotepadNote::New)
                marks.insert(note, note->pendingUpload());
            else if (note->syncStatus() != NotepadNote::Deleted)
                marks.insert(note, UploadMark::replacing(note->serverId()).text());
        }
        notes->resetAllNotesToNew();
        notes->setDisplayOrderChanged(true);
        for (auto it = marks.cbegin(); it != marks.cend(); ++it)
            it.key()->setPendingUpload(it.value());
    }
}

void ForcedRuns::prepareForceLocal(UserLists *lists, NotepadNotes *notes)
{
    if (lists)
        lists->removeAllLists();
    if (notes) {
        struct KeptNote
        {
            QString title, text, pendingUpload;
            int status;
            quint32 serverId, revision;
        };
        QList<KeptNote> kept;
        for (const NotepadNote *note : notes->notes()) {
            const bool isNew = note->syncStatus() == NotepadNote::New;
            if ((isNew || note->syncStatus() == NotepadNote::Deleted)
                && finishesReplacement(isNew ? 0 : note->serverId(), note->pendingUpload()))
                kept << KeptNote{note->title(), note->text(), note->pendingUpload(), int(note->syncStatus()),
                                 note->serverId(), note->revision()};
        }
        notes->deleteAndPurgeEverything();
        for (const KeptNote &k : std::as_const(kept)) {
            auto *note = new NotepadNote;
            note->setTitle(k.title);
            note->setText(k.text);
            note->setServerId(k.serverId);
            note->setRevision(k.revision);
            note->setPendingUpload(k.pendingUpload);
            if (k.status == NotepadNote::Deleted) {
                note->setSyncStatus(NotepadNote::Deleted);
                notes->appendNote(note);
            } else {
                notes->addNote(note);
                note->setSyncStatus(NotepadNote::New);
            }
        }
        if (!kept.isEmpty())
            notes->setChanged(true);
    }
}

bool ForcedRuns::finishesReplacement(quint32 serverId, const QString &pendingUpload)
{
    const UploadMark mark = UploadMark::read(pendingUpload);
    if (mark.replacedId() == 0)
        return false;
    return serverId == 0 ? mark.isPost() : mark.replacedId() == serverId;
}
