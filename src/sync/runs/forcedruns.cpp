#include "sync/runs/forcedruns.h"

#include "model/listmodel.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/runs/notepadsynchronizer.h"
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

ForcedRuns::Left ForcedRuns::leftUndone(const UserLists *lists, const NotepadNotes *notes)
{
    Left left;
    for (const ListModel *model : lists ? lists->models() : QList<ListModel *>()) {
        const TaskList *list = model->taskList();
        const UploadMark mark = UploadMark::read(list->pendingUpload());
        // One never looked at was put back as it was: nothing of it is left.
        if (list->syncStatus() == TaskList::Edited && (mark.wholeSeenRevision() != 0 || mark.madeAgainst() != 0))
            left.lists << list->name();
    }
    for (const TaskList *record : lists ? lists->deletedLists() : QList<TaskList *>())
        if (UploadMark::isForcedRemoval(record) && UploadMark::read(record->pendingUpload()).wholeSeenRevision() != 0)
            left.removedLists << record->name();
    for (const NotepadNote *note : notes ? notes->notes() : QList<NotepadNote *>()) {
        if (note->syncStatus() == NotepadNote::Deleted) {
            if (UploadMark::read(note->pendingUpload()).wholeSeenRevision() != 0)
                left.removedNotes << note->title();
        } else if (NotepadSynchronizer::isForcedCopy(note)) {
            left.notes << note->title();
        }
    }
    return left;
}

QString ForcedRuns::leftUndoneText(const Left &left)
{
    if (left.lists.isEmpty() && left.removedLists.isEmpty() && left.notes.isEmpty() && left.removedNotes.isEmpty())
        return QString();
    QStringList parts{tr("The forced remote sync did not finish. Your next synchronisation finishes it for the "
                         "lists and notes that have not changed on the server since, and synchronises the others as "
                         "usual.")};
    const auto add = [&](const QString &text, const QStringList &names) {
        if (!names.isEmpty())
            parts << text.arg(names.join(QLatin1Char('\n')));
    };
    add(tr("Lists still to be put on the server as this computer has them, without what was added to them "
           "elsewhere:\n%1"),
        left.lists);
    add(tr("Lists only the server has, still to be removed there:\n%1"), left.removedLists);
    add(tr("Notes still to be put on the server with the text this computer holds:\n%1"), left.notes);
    add(tr("Notes only the server has, still to be removed there:\n%1"), left.removedNotes);
    return parts.join(QStringLiteral("\n\n"));
}

QString ForcedRuns::finishedText(const QStringList &sent, const QStringList &removed)
{
    if (sent.isEmpty() && removed.isEmpty())
        return QString();
    QStringList parts{tr("This synchronisation finished a forced remote sync that had not finished, for the lists "
                         "the server had not changed since.")};
    if (!sent.isEmpty())
        parts << tr("These lists now hold on the server what this computer holds; what was added to them "
                    "elsewhere before the forced sync was removed:\n%1")
                     .arg(sent.join(QLatin1Char('\n')));
    if (!removed.isEmpty())
        parts << tr("These lists, which only the server had, were removed:\n%1").arg(removed.join(QLatin1Char('\n')));
    return parts.join(QStringLiteral("\n\n"));
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
