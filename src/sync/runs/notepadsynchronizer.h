#ifndef NOTEPADSYNCHRONIZER_H
#define NOTEPADSYNCHRONIZER_H

#include "sync/runs/uploadsaves.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class NotepadNote;
class QDomDocument;
class NotepadNoteInfo;
class NotepadNoteSynchronizer;
class SslErrorHandler;
class XMLRequest;

// Brings the notepad into step with the server: the summary of all notes,
// one note step at a time (local notes first, then notes only the server
// has), then the display order. Ends with finished(); a null error text
// means success.
class NotepadSynchronizer : public QObject
{
    Q_OBJECT
public:
    explicit NotepadSynchronizer(SslErrorHandler *sslErrorHandler, QObject *parent = nullptr);
    ~NotepadSynchronizer() override;

    void setForceRemote(bool forceRemote) { m_forceRemote = forceRemote; }
    void setForceLocal(bool forceLocal) { m_forceLocal = forceLocal; }
    // What the run sent before this step, told should a save of it fail.
    void setSentBefore(const QStringList &sent) { m_saves.setSentSoFar(sent); }
    void start();
    QString errorString() const { return m_errorString; }
    // What the user is told of the notes kept beside one whose text gave way
    // to the server's, named by their titles.
    static QString keptCopiesText(const QStringList &titles);
    // Tells of the notes runs kept (beside the server's text, against a
    // removal) that nobody was told of yet, once a run is over and its window
    // closed (one cut short by a kill or Cancel leaves them to the next);
    // returns when the messages are closed. Nobody to tell: left for later.
    static void tellWhatWasKept();
    // The marks of notes kept against a removal (see NotepadNote::untoldKept).
    static constexpr const char *keptRemovedThere = "removed-there";
    static constexpr const char *keptRemovedHere = "removed-here";
    // Kept from the removal a forced remote run cut short was to make.
    static constexpr const char *keptForcedMovedOn = "forced-moved-on";
    // Posted again beside a note that may be its earlier post's copy.
    static constexpr const char *keptBesideChangedCopy = "beside-changed-copy";
    // Sent over the server's copy for a forced remote run cut short, that
    // copy unchanged since.
    static constexpr const char *keptForcedFinished = "forced-finished";
    // A note a forced remote run put in place of the server's copy at the
    // revision it saw (see putInPlace), not sent yet.
    static bool isForcedCopy(const NotepadNote *note);
    // What a run finished of a forced remote run cut short: notes sent over
    // the server's copies, notes only the server had removed there.
    static QString forcedFinishedText(const QStringList &sent, const QStringList &removed);
    // What the user is told of the notes kept against a removal: removed on
    // another computer and changed here, or removed here and changed there.
    static QString keptAgainstRemovalsText(const QStringList &removedThere, const QStringList &removedHere);
    // What the user is told of the notes a forced remote run cut short was
    // to remove, kept as they changed on the server since.
    static QString forcedMovedOnText(const QStringList &titles);
    // What the user is told of the notes posted again beside a note the
    // server got while their post was in doubt and that changed there since.
    static QString postedBesideText(const QStringList &titles);
    // What the run ends with for a note whose server copy did not read.
    static QString unreadNoteText(const QString &title, quint32 id, const QString &reason);

signals:
    void finished();
    void progress(QString desc, int done, int total);
    void addProgress(QString desc, int addition);

private slots:
    void onNotesInfoRequestFinished();
    void onNotepadNoteSynchronizerFinished();
    void onPutDisplayOrderFinished();
    void onGetDisplayOrderFinished();
    void onNotepadProgress(QString desc, int done, int total);
    void onNotepadAddProgress(QString desc, int addition);

private:
    bool hasNewNotes() const;
    void syncNextNote();
    void syncDisplayOrder();
    void getDisplayOrder();
    void putDisplayOrder(const QList<quint32> &ids);
    // The notes here in their order, by server id.
    QList<quint32> localDisplayOrder() const;
    QList<quint32> mergedDisplayOrder(const QList<quint32> &theirs) const;
    void finish();
    void fail(const QString &text);
    void sendRequest(const QString &method, const QString &userSubPath,
                     void (NotepadSynchronizer::*onFinished)(), const QDomDocument *body = nullptr);
    void releaseRequest();
    bool isCurrent(QObject *sender) const;
    // Notes posted earlier whose outcome is not known wait until the
    // server's notes that may be their copies have been fetched.
    void setAsideUploadsInDoubt();
    void putInPlace();
    bool mayBeCopyOf(quint32 serverId, const NotepadNote *note) const;
    // A fetched server-only note that is the copy of a note set aside: the
    // local note takes it over. Takes `fetched` and returns true then.
    bool recogniseUpload(NotepadNote *fetched);
    void markUploads(const QList<NotepadNote *> &notes);
    void restoreUnsentMarks();
    void deleteServerNote(quint32 id, const QString &title, quint32 revision);
    bool mayBeCopyOfDoubt(quint32 serverId) const;
    // The note step's save before its upload: empty, or why it failed.
    QString saveMerge(NotepadNoteSynchronizer *step);
    // Where uploads leave: once a save before them failed, the run fails
    // there instead (true), having sent nothing since.
    bool uploadsBarred();
    // A note the server no longer has that changed here (any, in a forced
    // remote run): kept, to be posted anew in this run (true), or not.
    bool keepNoteRemovedThere(NotepadNote *note);
    // The server's copy of a note removed here, fetched as it moved on since.
    void settleRemovedHere(NotepadNote *record, NotepadNote *fetched);
    int displayOrderStatus(QObject *sender);
    QString unexpectedResponse() const;

    QMap<quint32, NotepadNoteInfo *> m_noteInfos;
    QSet<quint32> m_serverIds;
    QList<NotepadNote *> m_localNotes;
    QList<NotepadNote *> m_notesInDoubt;
    // For each, the server notes that may be its copy and changed since they
    // were made: its content no longer tells whether one is.
    QHash<const NotepadNote *, QList<quint32>> m_changedCandidates;
    // The marks of the notes marked for an upload that has not left yet, as
    // they were before.
    QHash<NotepadNote *, QString> m_marksBefore;
    NotepadNote *m_currentNote = nullptr;
    // The notes whose server copy did not read, each as the run tells it.
    QStringList m_unreadNotes;
    // Notes this run took from the server as new (the server's order places
    // them), and the order last sent up.
    QSet<quint32> m_arrivedIds;
    // Notes made here that this run (or an upload in doubt) posted.
    QSet<quint32> m_postedIds;
    QList<quint32> m_orderSent;
    NotepadNoteSynchronizer *m_noteSynchronizer = nullptr;
    int m_progressStep = 1;
    bool m_hasNewNotes = false;
    bool m_forceRemote = false;
    bool m_forceLocal = false;
    XMLRequest *m_request = nullptr;
    // Every save before an upload: once one failed, nothing more leaves.
    UploadSaves m_saves;
    QString m_errorString;
    SslErrorHandler *m_sslErrorHandler;
    bool m_ended = false;
    // Notes only the server had that runs removed for a forced remote run
    // cut short, told with what the runs kept.
    static QStringList s_forcedRemoved;
};

#endif
