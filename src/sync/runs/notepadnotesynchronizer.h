#ifndef NOTEPADNOTESYNCHRONIZER_H
#define NOTEPADNOTESYNCHRONIZER_H

#include "model/notepadnote.h"
#include "model/notepadnoteinfo.h"
#include "sync/runs/itemsynchronizer.h"

struct NoteSyncTraits
{
    using Item = NotepadNote;
    using Info = NotepadNoteInfo;
    // A 403 on put or delete is a failure: notes are never shared.
    static constexpr bool hasPermissionFallback = false;

    static QString text(ItemSyncText::Id id, const QString &name);
    static const char *debugLine(ItemSyncText::Id id);
    static QString collectionPath();
    static QString itemPath(quint32 id);
    static int status(const NotepadNote *note);
    static quint32 revision(const NotepadNote *note);
    static QString name(const NotepadNote *note);
    static quint32 infoRevision(const NotepadNoteInfo *info);
    static QString infoPermissions(const NotepadNoteInfo *) { return QString(); }
    static QDomDocument writeItem(NotepadNote *note);
    static NotepadNote *readItem(const QDomDocument &doc, QString *error);
    static quint32 readNewId(const QDomDocument &doc, QString *error);
    static void prepareFetchedExisting(NotepadNote *note);
    static bool mustFetch(const NotepadNote *) { return false; }
    // A note is put whole: putting it twice adds nothing.
    static bool mayHoldUploadedParts(const NotepadNote *) { return false; }
    static bool takeUploadedParts(NotepadNote *, NotepadNote *) { return false; }
    static bool mergesBeforePut(const NotepadNote *note);
    // Without an agreed copy to go by, the merge keeps the note's own
    // version beside the server's (see mergeBeforePut).
    static bool looksBeforePut(const NotepadNote *note);
    static bool givesWayTo(const NotepadNote *, const NotepadNote *) { return false; }
    // The page follows the note's own signals: it needs no word of what the
    // merge took in.
    static NotepadNote *mergeBeforePut(NotepadNote *note, NotepadNote *fetched, bool, bool, bool *nothingToSend,
                                       bool *);
    static const char *neverTakenWarning();
};

extern template class ItemSynchronizer<NoteSyncTraits>;

// Brings one notepad note into step with the server, as ListSynchronizer does
// for a task list. The notepad synchroniser applies the outcome.
class NotepadNoteSynchronizer : public ItemSynchronizer<NoteSyncTraits>
{
    Q_OBJECT
public:
    NotepadNoteSynchronizer(quint32 id, NotepadNoteInfo *serverInfo, NotepadNote *localNote,
                            int progressStep, QObject *parent = nullptr);

    NotepadNote *localNote() const { return localItem(); }
    // The caller owns the note from then on.
    NotepadNote *takeResultNote() { return takeResultItem(); }
    // In the save before the upload: the user's version of the note, new,
    // kept beside it because the server's text took its place (null when
    // none). The caller owns it from then on.
    NotepadNote *takeKeptCopy() { return takeMergeReturn(); }

    // After a run whose POST was accepted but which failed afterwards
    // (assignedId() non-zero): records the id on the local note so that the
    // next run does not post it again. A note has nothing the server numbers
    // inside it, so it is taken as the server's first revision of what was
    // posted: the next run fetches it when the server's copy is newer, and
    // uploads the user's later edits as usual. Marks the notepad changed so
    // that the id is saved.
    static void recordAssignedId(NotepadNote *note, quint32 id);
};

#endif
