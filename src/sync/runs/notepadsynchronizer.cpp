#include "sync/runs/notepadsynchronizer.h"

#include "model/notepadnote.h"
#include "model/notepadnoteinfo.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/notepadnotesynchronizer.h"
#include "sync/requests/httpresponseheader.h"
#include "sync/merges/removalmerge.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/runs/syncnotices.h"
#include "sync/merges/threeway.h"
#include "sync/merges/uploadmark.h"
#include "sync/requests/xmlrequest.h"

#include <QDebug>
#include <QDomDocument>
#include <QTimer>

#include <algorithm>
#include <utility>

QStringList NotepadSynchronizer::s_forcedRemoved;

NotepadSynchronizer::NotepadSynchronizer(SslErrorHandler *sslErrorHandler, QObject *parent)
    : QObject(parent)
    , m_sslErrorHandler(sslErrorHandler)
{
}

// Destroyed mid-run (the full synchronisation was cancelled): the connection
// drops the deleted request silently, and the note step, a child, goes with
// us.
NotepadSynchronizer::~NotepadSynchronizer()
{
    if (!m_ended)
        restoreUnsentMarks();
    delete m_request;
    if (m_noteSynchronizer)
        disconnect(m_noteSynchronizer, nullptr, this, nullptr);
    qDeleteAll(m_noteInfos);
}

// The run's one request, under the signed-in user's path, with the notepad's
// certificate handler.
void NotepadSynchronizer::sendRequest(const QString &method, const QString &userSubPath,
                                      void (NotepadSynchronizer::*onFinished)(), const QDomDocument *body)
{
    m_request = new XMLRequest(method, ServerHttpConnection::instance()->userPath() + userSubPath, true, nullptr);
    m_request->setSslErrorHandler(m_sslErrorHandler);
    if (body)
        m_request->setRequestDocument(*body);
    connect(m_request, &Request::finished, this, onFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void NotepadSynchronizer::releaseRequest()
{
    if (!m_request)
        return;
    disconnect(m_request, nullptr, this, nullptr);
    m_request->deleteLater();
    m_request = nullptr;
}

bool NotepadSynchronizer::isCurrent(QObject *sender) const
{
    return !m_ended && m_request && sender == m_request;
}

bool NotepadSynchronizer::hasNewNotes() const
{
    for (NotepadNote *note : m_localNotes) {
        if (note->syncStatus() == NotepadNote::New)
            return true;
    }
    return false;
}

void NotepadSynchronizer::start()
{
    NotepadNotes *notes = NotepadNotes::instance();
    if (!notes) {
        // Only the notepad page creates the notepad; without it there is
        // nothing to bring into step, and the run must still end.
        QTimer::singleShot(0, this, [this] { fail(QStringLiteral("internal error: no notepad")); });
        return;
    }
    notes->requestRemoveDefaultNotes();
    m_localNotes = notes->notes();
    m_hasNewNotes = hasNewNotes();
    emit progress(tr("Downlading notes info"), 750, 1000);
    sendRequest(QStringLiteral("GET"), QStringLiteral("/notepad-notes-info"),
                &NotepadSynchronizer::onNotesInfoRequestFinished);
}

void NotepadSynchronizer::onNotesInfoRequestFinished()
{
    if (!isCurrent(sender()))
        return;
    if (m_request->hasError()) {
        fail(m_request->authFailed() ? tr("Authorization failure.") : m_request->errorString());
        return;
    }
    if (m_request->responseHeader().statusCode() != 200) {
        fail(tr("Unexpected response: %1").arg(m_request->responseHeader().reasonPhrase()));
        return;
    }
    NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
    QMap<quint32, NotepadNoteInfo *> infos;
    if (!reader.readNoteInfos(m_request->responseDocument(), infos)) {
        qDeleteAll(infos);
        fail(tr("Could not parse retrieved notepad notes set."));
        return;
    }
    releaseRequest();
    m_noteInfos = infos;
    for (auto it = m_noteInfos.cbegin(); it != m_noteInfos.cend(); ++it)
        m_serverIds.insert(it.key());
    const int count = m_serverIds.size() + m_localNotes.size();
    m_progressStep = count == 0 ? 150 : 150 / count;
    emit progress(tr("%1 notes visible on server.").arg(m_serverIds.size()), 800, 1000);
    // A forced remote run too looks for what an earlier upload in doubt
    // made, so that it neither posts it again nor deletes it unseen.
    setAsideUploadsInDoubt();
    if (m_forceRemote)
        putInPlace();
    markUploads(m_localNotes);
    syncNextNote();
}

// A forced remote run puts each note here over the server's copy of its id,
// whatever that holds, as an edit of the server's revision, and removes the
// server's notes none here holds, each at its revision. On disk so before
// anything leaves, a run cut short is finished by the next where the server
// still holds what this one saw (a note changed there since keeps both
// texts, one removed is kept, and the user is told); a note the server lost
// is posted anew.
void NotepadSynchronizer::putInPlace()
{
    const QSet<quint32> serverIds = m_serverIds;
    for (quint32 id : serverIds) {
        // One that may be an upload in doubt's copy is looked at first.
        const NotepadNoteInfo *info = m_noteInfos.value(id);
        if (NotepadNotes::instance()->indexOfServerId(id) < 0 && !mayBeCopyOfDoubt(id))
            deleteServerNote(id, info->title(), info->revision());
    }
    for (NotepadNote *note : std::as_const(m_localNotes)) {
        const NotepadNoteInfo *info = m_noteInfos.value(note->serverId());
        const NotepadNote::SyncStatus status = note->syncStatus();
        if (status != NotepadNote::Edited && status != NotepadNote::Unedited)
            continue;
        if (!info) {
            note->resetToNew();
            note->markNotepadChanged();
            m_hasNewNotes = true;
            continue;
        }
        if (status == NotepadNote::Unedited && info->revision() == note->revision())
            continue;
        note->setRevision(info->revision());
        note->setSyncStatus(NotepadNote::Edited);
        NotepadNotes::instance()->setChanged(true);
    }
}

// Notes are private to their owner: only a note the server got after the
// upload left, that no note here holds, can be the copy of a note whose
// POST may have arrived.
bool NotepadSynchronizer::mayBeCopyOf(quint32 serverId, const NotepadNote *note) const
{
    const UploadMark mark = UploadMark::read(note->pendingUpload());
    if (!mark.isPost() || serverId <= mark.highestKnownId())
        return false;
    return m_noteInfos.contains(serverId) && NotepadNotes::instance()->indexOfServerId(serverId) < 0;
}

// A note is only its title and text, so its copy is told by content alone,
// which a note made alike on another computer shares: a note removed here
// while its upload was in doubt is never looked for (its record goes, and
// its copy, if the server has one, comes back to be removed again), so that
// nothing made elsewhere is deleted on a guess.
void NotepadSynchronizer::setAsideUploadsInDoubt()
{
    for (auto it = m_localNotes.begin(); it != m_localNotes.end();) {
        NotepadNote *note = *it;
        bool candidate = false;
        if (note->syncStatus() == NotepadNote::New && !note->pendingUpload().isEmpty()) {
            for (quint32 id : std::as_const(m_serverIds)) {
                if (!mayBeCopyOf(id, note))
                    continue;
                candidate = true;
                // A post makes revision 1: a later one was changed since.
                if (m_noteInfos.value(id)->revision() > 1)
                    m_changedCandidates[note] << id;
            }
        }
        if (candidate) {
            m_notesInDoubt << note;
            it = m_localNotes.erase(it);
        } else {
            ++it;
        }
    }
}

bool NotepadSynchronizer::recogniseUpload(NotepadNote *fetched)
{
    NotepadNotes *notes = NotepadNotes::instance();
    // A fetched note reads as New until it is taken in; its id is there.
    fetched->setSyncStatus(NotepadNote::Unedited);
    const quint32 id = fetched->serverId();
    const QString digest = UploadMark::noteDigest(fetched);
    for (int i = 0; i < m_notesInDoubt.size(); ++i) {
        NotepadNote *note = m_notesInDoubt.at(i);
        const UploadMark mark = UploadMark::read(note->pendingUpload());
        if (!notes->notes().contains(note) || note->syncStatus() != NotepadNote::New || !mark.isPost()
            || id <= mark.highestKnownId() || mark.digest() != digest)
            continue;
        m_notesInDoubt.removeAt(i);
        m_postedIds.insert(id);
        if (mark.digest() == UploadMark::noteDigest(note)) {
            notes->updateNote(note, fetched);
            return true;
        }
        // Changed here since it was posted: the server's copy takes the
        // user's version in this run.
        note->setSyncStatus(NotepadNote::Edited);
        note->setServerId(id);
        note->setRevision(fetched->revision());
        note->setPendingUpload(QString());
        note->setAgreed(NotepadNote::Agreed{id, fetched->revision(), fetched->title(), fetched->text()});
        notes->setChanged(true);
        m_saves.notes();
        delete fetched;
        m_localNotes.prepend(note);
        m_serverIds.insert(id);
        return true;
    }
    return false;
}

// The run deletes the server's note `id`, which no note here holds; the
// record kept for it until then.
void NotepadSynchronizer::deleteServerNote(quint32 id, const QString &title, quint32 revision)
{
    auto *gone = new NotepadNote;
    gone->setTitle(title);
    gone->setServerId(id);
    gone->setRevision(revision);
    gone->setSyncStatus(NotepadNote::Deleted);
    gone->setPendingUpload(UploadMark::wholeUpdate(revision).text());
    NotepadNotes::instance()->appendNote(gone);
    m_localNotes.prepend(gone);
    m_serverIds.insert(id);
}

bool NotepadSynchronizer::mayBeCopyOfDoubt(quint32 serverId) const
{
    for (const NotepadNote *note : m_notesInDoubt)
        if (mayBeCopyOf(serverId, note))
            return true;
    return false;
}

// What this run sends is on disk before the first upload leaves, each new
// note's mark included, in one save.
void NotepadSynchronizer::markUploads(const QList<NotepadNote *> &notes)
{
    NotepadNotes *notepad = NotepadNotes::instance();
    quint32 highest = m_noteInfos.isEmpty() ? 0 : m_noteInfos.lastKey();
    for (const NotepadNote *other : notepad->notes())
        highest = qMax(highest, other->serverId());
    for (NotepadNote *note : notes) {
        const QString before = note->pendingUpload();
        if (note->syncStatus() == NotepadNote::Edited && !m_forceLocal) {
            // An update's answer may be lost too: what it sent is known
            // for the server's copy to be told this computer's own.
            note->setPendingUpload(UploadMark::ofNotePut(note, UploadMark::read(before)).text());
        } else if (note->syncStatus() == NotepadNote::New) {
            note->setPendingUpload(UploadMark::ofNotePost(highest, note).text());
        } else {
            continue;
        }
        if (!m_marksBefore.contains(note))
            m_marksBefore.insert(note, before);
        notepad->setChanged(true);
    }
    m_saves.notes();
}

bool NotepadSynchronizer::uploadsBarred()
{
    if (m_saves.failed())
        fail(m_saves.failure());
    return m_saves.failed();
}

void NotepadSynchronizer::syncNextNote()
{
    if (m_localNotes.isEmpty() && m_serverIds.isEmpty() && !m_notesInDoubt.isEmpty()) {
        // No server note was their copy: posted again, with marks that name
        // what this run knows. Beside one that changed since it was made,
        // which may be that copy changed on another computer, the note goes
        // as a copy of its own, and the user is told.
        for (NotepadNote *note : std::as_const(m_notesInDoubt)) {
            const QList<quint32> changed = m_changedCandidates.value(note);
            if (!NotepadNotes::instance()->notes().contains(note)
                || std::all_of(changed.begin(), changed.end(), [&](quint32 id) { return m_postedIds.contains(id); }))
                continue;
            note->setTitle(ListOutcome::keptCopyName(note->title()));
            note->setUntoldKept(QLatin1String(keptBesideChangedCopy));
            note->markNotepadChanged();
        }
        m_changedCandidates.clear();
        m_localNotes = m_notesInDoubt;
        m_notesInDoubt.clear();
        markUploads(m_localNotes);
    }
    if (m_localNotes.isEmpty() && m_serverIds.isEmpty()) {
        syncDisplayOrder();
        return;
    }
    if (uploadsBarred())
        return;
    m_currentNote = nullptr;
    quint32 id = 0;
    if (!m_localNotes.isEmpty()) {
        m_currentNote = m_localNotes.takeFirst();
        if (m_currentNote->syncStatus() != NotepadNote::New) {
            id = m_currentNote->serverId();
            if (!m_serverIds.remove(id))
                id = 0; // the server has no such note
        }
    } else {
        auto it = m_serverIds.begin();
        id = *it;
        m_serverIds.erase(it);
    }
    NotepadNoteInfo *info = id != 0 ? m_noteInfos.value(id, nullptr) : nullptr;
    m_noteSynchronizer = new NotepadNoteSynchronizer(id, info, m_currentNote, m_progressStep, this);
    connect(m_noteSynchronizer, &NotepadNoteSynchronizer::finished, this,
            &NotepadSynchronizer::onNotepadNoteSynchronizerFinished);
    connect(m_noteSynchronizer, &NotepadNoteSynchronizer::progress, this, &NotepadSynchronizer::onNotepadProgress);
    connect(m_noteSynchronizer, &NotepadNoteSynchronizer::addProgress, this,
            &NotepadSynchronizer::onNotepadAddProgress);
    // A removal from a copy older than the server's takes only what it saw.
    m_noteSynchronizer->setLookBeforeDelete(m_currentNote && m_currentNote->syncStatus() == NotepadNote::Deleted
                                            && !m_forceRemote && !m_forceLocal);
    if (m_currentNote) {
        m_noteSynchronizer->setUploadLeaving([this, note = m_currentNote, title = m_currentNote->title()] {
            m_marksBefore.remove(note);
            m_saves.sent(SaveFailure::SentNote, title);
        });
        m_noteSynchronizer->setSaveBeforeUpload([this, step = m_noteSynchronizer] { return saveMerge(step); });
    }
    m_noteSynchronizer->start();
}

// The note was put onto the server's copy: that is on disk before its
// upload leaves, with the user's version of a text that gave way beside it
// as a new note, posted later in this run, and told of once a run is over.
QString NotepadSynchronizer::saveMerge(NotepadNoteSynchronizer *step)
{
    NotepadNote *merged = step->localNote();
    if (merged && merged->syncStatus() == NotepadNote::Edited)
        merged->setPendingUpload(UploadMark::ofNotePut(merged, UploadMark::read(merged->pendingUpload())).text());
    if (NotepadNote *kept = step->takeKeptCopy()) {
        kept->setUntoldKeptCopy(true);
        NotepadNotes::instance()->addLocalNote(kept);
        m_hasNewNotes = true;
        m_localNotes << kept;
        markUploads({kept});
    }
    return m_saves.notes() ? QString() : m_saves.failure();
}

void NotepadSynchronizer::tellWhatWasKept()
{
    NotepadNotes *notes = NotepadNotes::instance();
    if (!notes || !SyncNotices::teller())
        return;
    QStringList copies, removedThere, removedHere, forcedMovedOn, besideChanged, forcedFinished;
    const QStringList forcedRemoved = std::exchange(s_forcedRemoved, {});
    bool told = false;
    for (NotepadNote *note : notes->notes()) {
        // Marked told before the messages: each runs an event loop in
        // which the notepad may go.
        told = told || note->isUntoldKeptCopy() || !note->untoldKept().isEmpty();
        if (note->syncStatus() != NotepadNote::Deleted) {
            if (note->isUntoldKeptCopy())
                copies << note->title();
            // Any other mark (one an older version wrote) was kept
            // against a removal there.
            if (note->untoldKept() == QLatin1String(keptRemovedHere))
                removedHere << note->title();
            else if (note->untoldKept() == QLatin1String(keptForcedMovedOn))
                forcedMovedOn << note->title();
            else if (note->untoldKept() == QLatin1String(keptBesideChangedCopy))
                besideChanged << note->title();
            else if (note->untoldKept() == QLatin1String(keptForcedFinished))
                forcedFinished << note->title();
            else if (!note->untoldKept().isEmpty())
                removedThere << note->title();
        }
        note->setUntoldKeptCopy(false);
        note->setUntoldKept(QString());
    }
    if (told)
        notes->setChanged(true);
    if (!copies.isEmpty())
        SyncNotices::tell(tr("Sync"), keptCopiesText(copies));
    if (!removedThere.isEmpty() || !removedHere.isEmpty())
        SyncNotices::tell(tr("Sync"), keptAgainstRemovalsText(removedThere, removedHere));
    if (!forcedMovedOn.isEmpty())
        SyncNotices::tell(tr("Sync"), forcedMovedOnText(forcedMovedOn));
    if (!besideChanged.isEmpty())
        SyncNotices::tell(tr("Sync"), postedBesideText(besideChanged));
    if (!forcedFinished.isEmpty() || !forcedRemoved.isEmpty())
        SyncNotices::tell(tr("Sync"), forcedFinishedText(forcedFinished, forcedRemoved));
}

bool NotepadSynchronizer::isForcedCopy(const NotepadNote *note)
{
    const std::optional<NotepadNote::Agreed> &agreed = note->agreed();
    return note->syncStatus() == NotepadNote::Edited && agreed && agreed->serverId == note->serverId()
           && agreed->revision != note->revision();
}

QString NotepadSynchronizer::forcedFinishedText(const QStringList &sent, const QStringList &removed)
{
    QStringList parts{tr("This synchronisation finished a forced remote sync that had not finished, for the notes "
                         "the server had not changed since.")};
    if (!sent.isEmpty())
        parts << tr("These notes now hold on the server the text this computer holds:\n%1")
                     .arg(sent.join(QLatin1Char('\n')));
    if (!removed.isEmpty())
        parts << tr("These notes, which only the server had, were removed:\n%1").arg(removed.join(QLatin1Char('\n')));
    return parts.join(QStringLiteral("\n\n"));
}

QString NotepadSynchronizer::postedBesideText(const QStringList &titles)
{
    return tr("The server's answer to sending these notes was lost. A note it got meanwhile has changed on another "
              "computer since, and may be one of them: both were kept, yours as a new note:\n%1")
        .arg(titles.join(QLatin1Char('\n')));
}

QString NotepadSynchronizer::forcedMovedOnText(const QStringList &titles)
{
    return tr("A forced remote sync that did not finish was to remove these notes from the server, but they have "
              "changed there since. They were kept, with what changed there:\n%1")
        .arg(titles.join(QLatin1Char('\n')));
}

QString NotepadSynchronizer::keptAgainstRemovalsText(const QStringList &removedThere, const QStringList &removedHere)
{
    QStringList parts;
    if (!removedThere.isEmpty())
        parts << tr("These notes were removed on another computer after you changed them here. They were kept "
                    "with your text and uploaded again:\n%1")
                     .arg(removedThere.join(QLatin1Char('\n')));
    if (!removedHere.isEmpty())
        parts << tr("These notes you removed had been changed on another computer since this one last "
                    "synchronised them. They were kept with that text:\n%1")
                     .arg(removedHere.join(QLatin1Char('\n')));
    return parts.join(QStringLiteral("\n\n"));
}

// A forced remote run puts back every note the server lost, untold: the
// server takes this computer's notes.
bool NotepadSynchronizer::keepNoteRemovedThere(NotepadNote *note)
{
    if (m_forceLocal || !note || note->syncStatus() == NotepadNote::Deleted
        || !(m_forceRemote || RemovalMerge::noteChangedHere(*note)))
        return false;
    note->resetToNew();
    if (!m_forceRemote)
        note->setUntoldKept(QLatin1String(keptRemovedThere));
    note->markNotepadChanged();
    m_hasNewNotes = true;
    // Posted later in this run, its mark on disk first.
    m_localNotes << note;
    markUploads({note});
    return true;
}

void NotepadSynchronizer::settleRemovedHere(NotepadNote *record, NotepadNote *fetched)
{
    NotepadNotes *notes = NotepadNotes::instance();
    // A forced remote run cut short was to remove it as it saw it, not as
    // another computer changed it since.
    const bool forced = UploadMark::read(record->pendingUpload()).isWhole();
    if (forced || RemovalMerge::noteChangedThere(*record, *fetched)) {
        // The server's copy is the note again, shown as any fetched one.
        fetched->setUntoldKept(QLatin1String(forced ? keptForcedMovedOn : keptRemovedHere));
        notes->purgeNote(record);
        notes->addNote(fetched)->agreeAsIs();
        notes->setChanged(true);
        return;
    }
    // Nothing changed there since: the removal goes as it was.
    const quint32 id = record->serverId();
    record->setRevision(fetched->revision());
    notes->setChanged(true);
    delete fetched;
    m_localNotes.prepend(record);
    m_serverIds.insert(id);
}

QString NotepadSynchronizer::keptCopiesText(const QStringList &titles)
{
    return tr("These notes were changed both here and on another computer. Each now holds the server's text, "
              "and your version was kept beside it as a new note:\n%1")
        .arg(titles.join(QLatin1Char('\n')));
}

void NotepadSynchronizer::onNotepadNoteSynchronizerFinished()
{
    NotepadNoteSynchronizer *step = m_noteSynchronizer;
    if (m_ended || !step || sender() != step)
        return;
    NotepadNotes *notes = NotepadNotes::instance();
    const int result = step->result();
    // What a forced remote run left undone, finished by this one, is told.
    if (!m_forceRemote && !m_forceLocal && m_currentNote) {
        if (m_currentNote->syncStatus() == NotepadNote::Deleted) {
            if (step->deleteSent() && result == NotepadNoteSynchronizer::Gone
                && UploadMark::read(m_currentNote->pendingUpload()).isWhole())
                s_forcedRemoved << m_currentNote->title();
        } else if (step->updateArrived() && isForcedCopy(m_currentNote)) {
            m_currentNote->setUntoldKept(QLatin1String(keptForcedFinished));
        }
    }
    if (step->deleteSent()) {
        const NotepadNoteInfo *info = m_noteInfos.value(step->id(), nullptr);
        m_saves.sent(SaveFailure::SentNoteRemoval,
                     step->localNote() ? step->localNote()->title() : info ? info->title() : QString());
    }
    bool unread = false;
    switch (result) {
    case NotepadNoteSynchronizer::Failed:
        // Created on the server but not fetched back: keep the id, so the
        // next run fetches the note instead of creating it again.
        if (step->assignedId() != 0)
            NotepadNoteSynchronizer::recordAssignedId(step->localNote(), step->assignedId());
        // The server's copy did not read: the note is left as it is on both
        // sides, and the others go on.
        unread = step->isServerCopyUnreadable();
        if (unread)
            m_unreadNotes << unreadNoteText(m_currentNote ? m_currentNote->title() : QString(), step->id(),
                                            step->errorString());
        break;
    case NotepadNoteSynchronizer::ReceivedNew: {
        NotepadNote *fetched = step->takeResultNote();
        if (recogniseUpload(fetched))
            break;
        if (m_forceRemote) {
            // Fetched in a forced run only to be told apart from an upload
            // in doubt: it is not one, and goes as the run's others do.
            deleteServerNote(fetched->serverId(), fetched->title(), fetched->revision());
            delete fetched;
            break;
        }
        m_arrivedIds.insert(fetched->serverId());
        if (!m_forceLocal && !m_forceRemote)
            notes->noteArrived(fetched->serverId());
        notes->addNote(fetched)->agreeAsIs();
        break;
    }
    case NotepadNoteSynchronizer::Gone:
        if (!keepNoteRemovedThere(step->localNote())) {
            // Taken off here as gone there: no removal of the user's, to be
            // sent to a note posted anew in its place.
            step->localNote()->setAgreed(std::nullopt);
            notes->removeNote(step->localNote());
        }
        break;
    case NotepadNoteSynchronizer::ReceivedExisting:
        if (m_currentNote && m_currentNote->syncStatus() == NotepadNote::Deleted)
            settleRemovedHere(m_currentNote, step->takeResultNote());
        else
            notes->updateNote(m_currentNote, step->takeResultNote());
        break;
    case NotepadNoteSynchronizer::RemoteGone:
    case NotepadNoteSynchronizer::NoChanges:
        break;
    default:
        qWarning() << "Unknown NotepadNoteSynchronizer result";
        break;
    }
    if (step->assignedId() != 0)
        m_postedIds.insert(step->assignedId());
    const QString error = step->errorString();
    disconnect(step, nullptr, this, nullptr);
    step->deleteLater();
    m_noteSynchronizer = nullptr;
    if (result == NotepadNoteSynchronizer::Failed && !unread)
        fail(error);
    else
        syncNextNote();
}

QString NotepadSynchronizer::unreadNoteText(const QString &title, quint32 id, const QString &reason)
{
    const QString label = title.isEmpty() ? tr("number %1").arg(id) : QLatin1Char('"') + title + QLatin1Char('"');
    return tr("The note %1 could not be read from the server and was left as it is: %2").arg(label, reason);
}

void NotepadSynchronizer::onNotepadProgress(QString desc, int done, int total)
{
    emit progress(desc, done, total);
}

void NotepadSynchronizer::onNotepadAddProgress(QString desc, int addition)
{
    emit addProgress(desc, addition);
}

void NotepadSynchronizer::syncDisplayOrder()
{
    if (uploadsBarred())
        return;
    // A forced remote run puts this computer's order in place of the
    // server's; every other run looks at the server's first.
    if (m_forceRemote)
        putDisplayOrder(localDisplayOrder());
    else
        getDisplayOrder();
}

NotepadNoteIdList NotepadSynchronizer::localDisplayOrder() const
{
    NotepadNoteIdList ids;
    const QList<NotepadNote *> notes = NotepadNotes::instance()->notes();
    for (NotepadNote *note : notes) {
        if (note->serverId() == 0) {
            qWarning() << "have a note with no server id even after sync";
            continue;
        }
        if (note->syncStatus() == NotepadNote::Deleted)
            continue;
        ids.append(note->serverId());
    }
    return ids;
}

// As the lists' order: what this computer moved or made since it last
// agreed on an order goes where it is here, the rest where the server has
// it. Every note the server has stays in it (the server refuses an order
// that leaves one out).
NotepadNoteIdList NotepadSynchronizer::mergedDisplayOrder(const NotepadNoteIdList &theirs) const
{
    NotepadNotes *notes = NotepadNotes::instance();
    ThreeWay::OrderHere here;
    here.local = localDisplayOrder();
    here.placedByServer = m_arrivedIds + notes->arrivedInOrder();
    here.agreed = notes->agreedDisplayOrder();
    here.moved = notes->movedInOrder();
    here.changed = notes->isDisplayOrderChanged();
    here.posted = m_postedIds;
    return ThreeWay::mergeDisplayOrder(here, theirs);
}

void NotepadSynchronizer::getDisplayOrder()
{
    emit progress(tr("Downloading notes display order"), 975, 1000);
    sendRequest(QStringLiteral("GET"), QStringLiteral("/notepad-notes-display-order"),
                &NotepadSynchronizer::onGetDisplayOrderFinished);
}

void NotepadSynchronizer::onGetDisplayOrderFinished()
{
    const int status = displayOrderStatus(sender());
    if (status < 0)
        return;
    if (status != 200) {
        fail(unexpectedResponse());
        return;
    }
    NotepadReaderWriter reader(XMLReaderWriter::ServerDocument);
    NotepadNoteIdList ids;
    if (!reader.readNoteRefs(m_request->responseDocument(), ids)) {
        fail(tr("Could not parse retrieved list order."));
        return;
    }
    NotepadNotes *notes = NotepadNotes::instance();
    // A forced local run takes the server's order.
    const bool changedHere = !m_forceLocal && (m_hasNewNotes || notes->isDisplayOrderChanged());
    const NotepadNoteIdList order = changedHere ? mergedDisplayOrder(ids) : ids;
    NotepadNoteIdList known;
    for (quint32 id : order)
        if (notes->indexOfServerId(id) >= 0)
            known << id;
    notes->setDisplayOrder(known);
    if (changedHere) {
        releaseRequest();
        putDisplayOrder(order);
        return;
    }
    notes->setDisplayOrderChanged(false);
    notes->setAgreedDisplayOrder(ids);
    notes->setMovedInOrder(QSet<quint32>());
    notes->setArrivedInOrder({});
    finish();
}

void NotepadSynchronizer::putDisplayOrder(const NotepadNoteIdList &ids)
{
    emit progress(tr("Uploading notes display order"), 990, 1000);
    m_orderSent = ids;
    m_saves.sent(SaveFailure::SentNoteOrder);
    NotepadReaderWriter writer(XMLReaderWriter::ServerDocument);
    const QDomDocument doc = writer.writeNoteRefs(ids);
    sendRequest(QStringLiteral("PUT"), QStringLiteral("/notepad-notes-display-order"),
                &NotepadSynchronizer::onPutDisplayOrderFinished, &doc);
}

void NotepadSynchronizer::onPutDisplayOrderFinished()
{
    const int status = displayOrderStatus(sender());
    if (status < 0)
        return;
    if (status == 403) {
        fail(QStringLiteral("The order of the notes could not be uploaded to the server:\n"
                            "The number of notes in the server is different than locally\n"
                            "The notes have been sync but they are not ordered correctly\n"));
    } else if (status == 200 || status == 204) {
        NotepadNotes::instance()->setDisplayOrderChanged(false);
        NotepadNotes::instance()->setAgreedDisplayOrder(m_orderSent);
        NotepadNotes::instance()->setMovedInOrder(QSet<quint32>());
        NotepadNotes::instance()->setArrivedInOrder({});
        finish();
    } else {
        fail(unexpectedResponse());
    }
}

// The status of a display-order answer; -1 when the answer is stale or the
// request failed (the run has then failed).
int NotepadSynchronizer::displayOrderStatus(QObject *sender)
{
    if (!isCurrent(sender))
        return -1;
    if (m_request->hasError()) {
        fail(m_request->errorString());
        return -1;
    }
    return m_request->responseHeader().statusCode();
}

QString NotepadSynchronizer::unexpectedResponse() const
{
    const HttpResponseHeader header = m_request->responseHeader();
    return QStringLiteral("Unexpected response %1 %2").arg(header.statusCode()).arg(header.reasonPhrase());
}

void NotepadSynchronizer::finish()
{
    if (m_ended)
        return;
    if (!m_unreadNotes.isEmpty()) {
        fail(m_unreadNotes.join(QLatin1Char('\n')));
        return;
    }
    m_ended = true;
    releaseRequest();
    emit finished();
}

void NotepadSynchronizer::fail(const QString &text)
{
    if (m_ended)
        return;
    restoreUnsentMarks();
    m_ended = true;
    m_errorString = text;
    releaseRequest();
    emit finished();
}

// A run that ends early leaves the notes it never sent as they were: only
// what went out is in doubt.
void NotepadSynchronizer::restoreUnsentMarks()
{
    const QHash<NotepadNote *, QString> marks = std::exchange(m_marksBefore, {});
    NotepadNotes *notes = NotepadNotes::instance();
    if (!notes)
        return;
    for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
        // A note the run took in (given the server's copy) has no mark of it.
        if (!notes->notes().contains(it.key()) || it.key()->syncStatus() != NotepadNote::New)
            continue;
        it.key()->setPendingUpload(it.value());
        notes->setChanged(true);
    }
}
