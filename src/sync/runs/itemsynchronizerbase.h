#ifndef ITEMSYNCHRONIZERBASE_H
#define ITEMSYNCHRONIZERBASE_H

#include <QObject>
#include <QString>

#include <functional>

class QDomDocument;
class XMLRequest;

// The part of one item's synchronisation (a task list or a notepad note) that
// does not depend on the kind of item: the outcome, the one request in flight,
// the signals and the ending. ItemSynchronizer<Traits> holds the rest.
class ItemSynchronizerBase : public QObject
{
    Q_OBJECT
public:
    // The outcome codes shared by the list and note synchronisers.
    enum Result {
        NotFinished = 0,
        Failed = 1,
        ReceivedNew = 2,
        Gone = 3,
        ReceivedExisting = 4,
        DeleteRefused = 5,
        RemoteGone = 6,
        NoChanges = 7
    };
    Q_ENUM(Result)

    ~ItemSynchronizerBase() override;

    void setForceRemote(bool forceRemote) { m_forceRemote = forceRemote; }
    // Called when the run changed the local item (it learned ids of its
    // parts) just before it uploads it: the owner saves it, so that a kill
    // after the upload leaves what the next run needs to recognise it. It
    // returns why the save failed, empty when it worked: the run then sends
    // nothing and fails with that text.
    void setSaveBeforeUpload(std::function<QString()> save) { m_saveBeforeUpload = std::move(save); }
    // Called as an upload of the item (a POST or a PUT) leaves: from then
    // on the server may hold it whatever becomes of the answer.
    void setUploadLeaving(std::function<void()> leaving) { m_uploadLeaving = std::move(leaving); }
    bool forceRemote() const { return m_forceRemote; }
    // The item replaces the server's copy whole (a forced remote run's):
    // that copy is fetched first, whatever its revision.
    void setReplacesWhole(bool whole) { m_replacesWhole = whole; }
    bool replacesWhole() const { return m_replacesWhole; }
    // Whether an update of the item sent by an earlier run may have arrived
    // unanswered. Its mark is set again before this run's upload, so only
    // the owner, which saw it before, can tell.
    void setEarlierUploadInDoubt(bool inDoubt) { m_earlierUploadInDoubt = inDoubt; }
    bool earlierUploadInDoubt() const { return m_earlierUploadInDoubt; }
    // A removal made from a copy older than the server's is not sent at
    // once: the server's copy is fetched (ReceivedExisting), for the owner
    // to keep what another computer changed there since.
    void setLookBeforeDelete(bool look) { m_lookBeforeDelete = look; }
    bool looksBeforeDelete() const { return m_lookBeforeDelete; }
    // Nobody waits for the run (a list's own run): what it would say in a
    // box goes only into its error, for the owner to show where the user
    // reads it when ready.
    void setTellsOnlyByItsEnd(bool only) { m_tellsOnlyByItsEnd = only; }
    bool tellsOnlyByItsEnd() const { return m_tellsOnlyByItsEnd; }

    Result result() const { return m_result; }
    QString errorString() const { return m_errorString; }
    // The server id the run ended with (the assigned one after a post).
    quint32 id() const { return m_id; }
    // Non-zero when this run created the item on the server (POST answered
    // 201), even when the run failed afterwards: the owner records it on the
    // local item so that the next run fetches the server's copy instead of
    // posting the item a second time.
    quint32 assignedId() const { return m_assignedId; }
    // True when this run's update of the item was answered as done, even
    // when the run failed afterwards (the fetch after it): the server holds
    // what was sent.
    bool updateArrived() const { return m_updateArrived; }
    // This run sent the removal of the item.
    bool deleteSent() const { return m_deleteSent; }
    bool hasEnded() const { return m_ended; }
    // In the save before the upload: the merge onto the server's copy took
    // something of the server's the item did not hold.
    bool mergeTookTheirs() const { return m_mergeTookTheirs; }
    // The run failed because the server's copy of the item could not be
    // read: nothing was applied, and the owner may go on without it.
    bool isServerCopyUnreadable() const { return m_serverCopyUnreadable; }
    // Why a run that ended with the server's copy (ReceivedExisting) sent
    // nothing of what the item here changed: the owner keeps the item's
    // own version beside it, as a new item, and tells the user.
    enum class GaveWay {
        No,
        ReadOnly,   // the server refused the update: the item is read-only now
        NoBase      // what the item last agreed with the server is not known
    };
    GaveWay localGaveWay() const { return m_gaveWay; }

    virtual void start() = 0;

signals:
    void finished();
    void addProgress(QString desc, int addition);
    // Declared for the owners' connections; the item steps report relative
    // progress only.
    void progress(QString desc, int done, int total);

protected:
    enum RequestKind { GetNew, GetExisting, PostNew, PutForMerge, Delete, GetBeforePut };

    ItemSynchronizerBase(quint32 id, int progressStep, QObject *parent);

    void emitProgress(const QString &desc) { emit addProgress(desc, m_progressStep); }

    void sendRequest(RequestKind kind, const QString &method, const QString &path,
                     const QDomDocument *body);
    XMLRequest *request() const { return m_request; }
    void releaseRequest();

    void finish(Result result);
    void fail(const QString &text);
    // The answer in hand as the other runs name one they did not expect:
    // "Unexpected response <status> <reason>".
    QString unexpectedResponseText() const;
    void failUnreadable(const QString &text);
    // Ends a run that sends no request after control is back in the event
    // loop, never from inside start().
    void finishNoOp(Result result, const QString &error = QString());
    // With a request in flight it is cancelled and fails the run through its
    // own answer; otherwise the run fails at once with `canceledText`. After
    // the end it does nothing.
    void cancelRun(const QString &canceledText);

    // Called with the request in flight once it finished without a transport
    // error; kind says which sender sent it.
    virtual void handleAnswer(RequestKind kind, int status) = 0;
    // The server's copy fetched before an upload could not be read: what
    // it holds is not known, so nothing is written over it and the item
    // waits for a later run.
    virtual void unreadableBeforePut(const QString &error) { failUnreadable(error); }

    quint32 m_id;
    quint32 m_assignedId = 0;
    bool m_updateArrived = false;
    bool m_mergeTookTheirs = false;
    GaveWay m_gaveWay = GaveWay::No;
    std::function<QString()> m_saveBeforeUpload;
    std::function<void()> m_uploadLeaving;
    int m_progressStep;

private slots:
    void onGetNewRequestFinished();
    void onGetExistingRequestFinished();
    void onPostNewRequestFinished();
    void onPutForMergeRequestFinished();
    void onDeleteRequestFinished();
    void onGetBeforePutRequestFinished();
    void onNoOpFinished();

private:
    void onAnswer(RequestKind kind);

    Result m_result = NotFinished;
    Result m_preparedResult = NotFinished;
    QString m_preparedError;
    QString m_errorString;
    XMLRequest *m_request = nullptr;
    bool m_forceRemote = false;
    bool m_replacesWhole = false;
    bool m_earlierUploadInDoubt = true;
    bool m_lookBeforeDelete = false;
    bool m_tellsOnlyByItsEnd = false;
    bool m_ended = false;
    bool m_serverCopyUnreadable = false;
    bool m_noOpPending = false;
    bool m_deleteSent = false;
};

#endif
