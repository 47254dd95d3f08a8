#include "sync/runs/notepadnotesynchronizer.h"

#include "model/notepadnote.h"
#include "model/notepadnoteinfo.h"
#include "model/notepadreaderwriter.h"
#include "sync/runs/listoutcome.h"
#include "sync/merges/notemerge.h"
#include "sync/merges/uploadmark.h"

#include <memory>

template class ItemSynchronizer<NoteSyncTraits>;

NotepadNoteSynchronizer::NotepadNoteSynchronizer(quint32 id, NotepadNoteInfo *serverInfo,
                                                 NotepadNote *localNote, int progressStep,
                                                 QObject *parent)
    : ItemSynchronizer<NoteSyncTraits>(id, serverInfo, localNote, progressStep, parent)
{
}

void NotepadNoteSynchronizer::recordAssignedId(NotepadNote *note, quint32 id)
{
    if (!note || id == 0)
        return;
    note->setSyncStatus(NotepadNote::Unedited);
    note->setServerId(id);
    note->setRevision(1);
    note->setPendingUpload(QString());
    note->agreeAsIs();
    note->markNotepadChanged();
}

QString NoteSyncTraits::text(ItemSyncText::Id id, const QString &name)
{
    using T = ItemSyncText;
    switch (id) {
    case T::DownloadingNewRemote: return NotepadNoteSynchronizer::tr("Downloading remotely new note");
    case T::DeletingNewRemote: return NotepadNoteSynchronizer::tr("Deleting remotely new note");
    case T::UploadingNew: return NotepadNoteSynchronizer::tr("Uploading locally new note \"%1\"").arg(name);
    case T::GoneFromServer: return NotepadNoteSynchronizer::tr("\"%1\" gone from server").arg(name);
    case T::CheckingForChanges: return NotepadNoteSynchronizer::tr("Checking for changes to \"%1\"").arg(name);
    case T::NoChangesIn: return NotepadNoteSynchronizer::tr("No changes in note \"%1\"").arg(name);
    case T::DownloadingChanges: return NotepadNoteSynchronizer::tr("Downloading changes in note \"%1\"").arg(name);
    case T::UploadingChanges: return NotepadNoteSynchronizer::tr("Uploading changes to \"%1\"").arg(name);
    case T::AlreadyGone: return NotepadNoteSynchronizer::tr("\"%1\" already gone from server").arg(name);
    case T::Deleting: return NotepadNoteSynchronizer::tr("Deleting note\"%1\"").arg(name);
    case T::MessageTitle: return NotepadNoteSynchronizer::tr("Sync");
    case T::RevisionMessage:
        return NotepadNoteSynchronizer::tr("The local revision number of the note %1 is bigger than the remote one.\n"
                                           "Please force a local or remote sync to fix the problem").arg(name);
    case T::FailedToRetrieve: return NotepadNoteSynchronizer::tr("Failed to retrieve note.");
    case T::FailedToAdd: return NotepadNoteSynchronizer::tr("Failed to add new note.");
    case T::FailedToUpload: return NotepadNoteSynchronizer::tr("Failed to upload changes.");
    case T::FailedToDelete: return NotepadNoteSynchronizer::tr("Failed to delete note.");
    case T::UnknownStatus: return QStringLiteral("Unknown NotepadNote::SyncStatus");
    case T::GetNewBadStatus:
    case T::GetExistingBadStatus:
    case T::PostBadStatus:
        break;
    }
    return QString();
}

const char *NoteSyncTraits::debugLine(ItemSyncText::Id id)
{
    return id == ItemSyncText::GetExistingBadStatus ? "Error status code getting existing note: " : nullptr;
}

QString NoteSyncTraits::collectionPath()
{
    return QStringLiteral("/notepad-notes");
}

QString NoteSyncTraits::itemPath(quint32 id)
{
    return QStringLiteral("/notepad-notes/%1").arg(id);
}

int NoteSyncTraits::status(const NotepadNote *note)
{
    return int(note->syncStatus());
}

quint32 NoteSyncTraits::revision(const NotepadNote *note)
{
    return note->revision();
}

QString NoteSyncTraits::name(const NotepadNote *note)
{
    return note->title();
}

quint32 NoteSyncTraits::infoRevision(const NotepadNoteInfo *info)
{
    return info->revision();
}

QDomDocument NoteSyncTraits::writeItem(NotepadNote *note)
{
    NotepadReaderWriter writer(XMLReaderWriter::ServerDocument);
    return writer.writeNoteDocument(note);
}

NotepadNote *NoteSyncTraits::readItem(const QDomDocument &doc, QString *error)
{
    NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
    NotepadNote *note = reader.readNoteDocument(doc);
    if (!note)
        *error = reader.errorString();
    return note;
}

quint32 NoteSyncTraits::readNewId(const QDomDocument &doc, QString *error)
{
    NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
    const quint32 id = reader.readNoteId(doc);
    if (id == 0)
        *error = reader.errorString();
    return id;
}

void NoteSyncTraits::prepareFetchedExisting(NotepadNote *note)
{
    note->setSyncStatus(NotepadNote::Unedited);
}

bool NoteSyncTraits::mergesBeforePut(const NotepadNote *note)
{
    const std::optional<NotepadNote::Agreed> &agreed = note->agreed();
    return agreed && agreed->serverId == note->serverId() && agreed->revision == note->revision();
}

bool NoteSyncTraits::looksBeforePut(const NotepadNote *note)
{
    return !mergesBeforePut(note);
}

// What this computer changed since it agreed with the server goes onto the
// server's copy, which becomes what the note agreed. A text the server's
// copy changed too takes the server's: the user's goes back as a new note.
NotepadNote *NoteSyncTraits::mergeBeforePut(NotepadNote *note, NotepadNote *fetched, bool, bool,
                                            bool *nothingToSend, bool *)
{
    const std::unique_ptr<NotepadNote> theirs(fetched);
    prepareFetchedExisting(theirs.get());
    if (!mergesBeforePut(note)) {
        // Nothing tells what either side changed: the note takes the
        // server's copy, and its own version, where it differs, goes beside
        // it, so that neither side's typing is lost.
        NotepadNote *kept = nullptr;
        if (note->title() != theirs->title() || note->text() != theirs->text()) {
            kept = new NotepadNote;
            kept->setTitle(ListOutcome::keptCopyName(note->title()));
            kept->setText(note->text());
        }
        note->setTitle(theirs->title());
        note->setText(theirs->text());
        note->setRevision(theirs->revision());
        note->setAgreed(NotepadNote::Agreed{note->serverId(), theirs->revision(), theirs->title(), theirs->text()});
        note->setSyncStatus(NotepadNote::Unedited);
        note->setPendingUpload(QString());
        *nothingToSend = true;
        note->markNotepadChanged();
        return kept;
    }
    const NotepadNote::Agreed &agreed = *note->agreed();
    // What an update of this note sent that the server holds is this
    // computer's own, not another's change.
    const UploadMark sent = UploadMark::read(note->pendingUpload());
    const NoteMerge::Version base{sent.sentNoteTitle(theirs->title()) ? theirs->title() : agreed.title,
                                  sent.sentNoteText(theirs->text()) ? theirs->text() : agreed.text};
    const NoteMerge::Outcome merged = NoteMerge::merge(base, {note->title(), note->text()},
                                                       {theirs->title(), theirs->text()});
    NotepadNote *kept = nullptr;
    if (merged.keepsMineBeside) {
        kept = new NotepadNote;
        kept->setTitle(ListOutcome::keptCopyName(merged.title));
        kept->setText(note->text());
    }
    note->setTitle(merged.title);
    note->setText(merged.text);
    note->setRevision(theirs->revision());
    note->setAgreed(NotepadNote::Agreed{note->serverId(), theirs->revision(), theirs->title(), theirs->text()});
    if (merged.sameAsTheirs) {
        note->setSyncStatus(NotepadNote::Unedited);
        note->setPendingUpload(QString());
        *nothingToSend = true;
    }
    note->markNotepadChanged();
    return kept;
}

const char *NoteSyncTraits::neverTakenWarning()
{
    return "NotepadNoteSynchronizer: result note was never taken from us";
}
