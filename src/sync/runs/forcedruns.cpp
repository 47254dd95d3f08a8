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

QString ForcedRuns::leftUndoneText(const UserLists *lists)
{
    if (!lists)
        return QString();
    QStringList sent, removed;
    for (const ListModel *model : lists->models()) {
        const TaskList *list = model->taskList();
        const UploadMark mark = UploadMark::read(list->pendingUpload());
        // One never looked at was put back as it was: nothing of it is left.
        if (list->syncStatus() == TaskList::Edited && (mark.wholeSeenRevision() != 0 || mark.madeAgainst() != 0))
            sent << list->name();
    }
    for (const TaskList *record : lists->deletedLists())
        if (UploadMark::isForcedRemoval(record) && UploadMark::read(record->pendingUpload()).wholeSeenRevision() != 0)
            removed << record->name();
    return leftUndoneText(sent, removed);
}

QString ForcedRuns::leftUndoneText(const QStringList &sent, const QStringList &removed)
{
    if (sent.isEmpty() && removed.isEmpty())
        return QString();
    QStringList parts{tr("The forced remote sync did not finish. Your next synchronisation finishes it for the "
                         "lists that have not changed on the server since, and synchronises the others as usual.")};
    if (!sent.isEmpty())
        parts << tr("Still to be put on the server as this computer has them, without what was added to them "
                    "elsewhere:\n%1")
                     .arg(sent.join(QLatin1Char('\n')));
    if (!removed.isEmpty())
        parts << tr("Lists only the server has, still to be removed there:\n%1").arg(removed.join(QLatin1Char('\n')));
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
    if (lists)
        lists->removeAllLists();
    if (notes)
        notes->deleteAndPurgeEverything();
}
