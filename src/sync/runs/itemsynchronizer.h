#ifndef ITEMSYNCHRONIZER_H
#define ITEMSYNCHRONIZER_H

#include "sync/runs/itemsynchronizerbase.h"
#include "sync/runs/syncnotices.h"
#include "sync/requests/xmlrequest.h"

#include <QDebug>
#include <QDomDocument>
#include <QPointer>

#include <memory>

// One item (a task list or a notepad note) brought into step with the server,
// from its sync status and the server's revision. Traits gives what differs
// between the kinds of item:
//   Item, Info                         the local item and the server's summary
//   text(ItemSyncText::Id, name)       the translated texts of the run
//   debugLine(ItemSyncText::Id)        untranslated debug lines (null: none)
//   collectionPath(), itemPath(id)     "/lists" and "/lists/%1", ...
//   status(item), revision(item), name(item), infoRevision(info),
//   infoPermissions(info)
//   hasPermissionFallback              a 403 is decided by the permission letters
//   writeItem(item)                    the document posted or put
//   readItem(doc, &error)              the item fetched, or null
//   readNewId(doc, &error)             the id in a creation answer, or 0
//   prepareFetchedExisting(item)       adjusts a fetched copy of a known item
//   mustFetch(item)                    the item was created on the server but
//                                      never fetched back: fetch before anything
//   mayHoldUploadedParts(item)         an earlier upload of the item's new parts
//                                      may have arrived unanswered
//   takeUploadedParts(item, fetched)   gives the item's new parts the ids of
//                                      their copies in the fetched item; true
//                                      when the upload is known to be there
//   mergesBeforePut(item)              what the item last agreed with the
//                                      server is known: an update onto a copy
//                                      the server changed since merges first
//   looksBeforePut(item)               an edited item whose agreed copy is
//                                      not known: an update onto a copy the
//                                      server changed since looks at it first
//   givesWayTo(item, fetched)          nothing tells what the item and the
//                                      server's copy each changed: the item
//                                      takes that copy and sends nothing
//   mergeBeforePut(item, fetched, inDoubt, arrived, &nothingToSend)
//                                      puts what the item changed since it
//                                      agreed onto `fetched` (taken), in the
//                                      item itself; returns what the item held
//                                      before (for a note: its version kept
//                                      beside it, or null), which the owner
//                                      may take in the save before the upload
//                                      and is deleted after it otherwise
//   neverTakenWarning()
struct ItemSyncText
{
    enum Id {
        DownloadingNewRemote,
        DeletingNewRemote,
        UploadingNew,
        GoneFromServer,
        CheckingForChanges,
        NoChangesIn,
        DownloadingChanges,
        UploadingChanges,
        AlreadyGone,
        Deleting,
        MessageTitle,
        RevisionMessage,
        FailedToRetrieve,
        FailedToAdd,
        FailedToUpload,
        FailedToDelete,
        UnknownStatus,
        GetNewBadStatus,
        GetExistingBadStatus,
        PostBadStatus
    };
};

template <class Traits>
class ItemSynchronizer : public ItemSynchronizerBase
{
public:
    using Item = typename Traits::Item;
    using Info = typename Traits::Info;

    ~ItemSynchronizer() override
    {
        if (m_resultItem) {
            qDebug() << Traits::neverTakenWarning();
            delete m_resultItem;
        }
    }

    void start() override;

    // Asked with the server's copy fetched for a merge before anything of it
    // is applied: a reason given ends the run with it, the item as it was.
    void setLookBeforeMerge(std::function<QString(const Item *fetched)> look) { m_lookBeforeMerge = std::move(look); }

protected:
    ItemSynchronizer(quint32 id, Info *serverInfo, Item *localItem, int progressStep, QObject *parent)
        : ItemSynchronizerBase(id, progressStep, parent)
        , m_info(serverInfo)
        , m_localItem(localItem)
    {
    }

    Item *localItem() const { return m_localItem; }
    // In the save before the upload: what the merge gave back, still held.
    const Item *mergeReturn() const { return m_mergeReturn.get(); }
    // In the save before the upload: what the merge gave back, taken.
    Item *takeMergeReturn() { return m_mergeReturn.release(); }
    Item *takeResultItem()
    {
        Item *item = m_resultItem;
        m_resultItem = nullptr;
        return item;
    }

    void handleAnswer(RequestKind kind, int status) override;

private:
    void sendGetNew() { sendRequest(GetNew, QStringLiteral("GET"), Traits::itemPath(m_id), nullptr); }
    void sendGetExisting() { sendRequest(GetExisting, QStringLiteral("GET"), Traits::itemPath(m_id), nullptr); }
    void sendPostNew()
    {
        if (m_uploadLeaving)
            m_uploadLeaving();
        const QDomDocument doc = Traits::writeItem(m_localItem);
        sendRequest(PostNew, QStringLiteral("POST"), Traits::collectionPath(), &doc);
    }
    void sendPutForMerge()
    {
        if (m_uploadLeaving)
            m_uploadLeaving();
        const QDomDocument doc = Traits::writeItem(m_localItem);
        sendRequest(PutForMerge, QStringLiteral("PUT"), Traits::itemPath(m_id), &doc);
    }
    void sendDelete() { sendRequest(Delete, QStringLiteral("DELETE"), Traits::itemPath(m_id), nullptr); }
    void sendGetBeforePut()
    {
        sendRequest(GetBeforePut, QStringLiteral("GET"), Traits::itemPath(m_id), nullptr);
    }

    // The step's text, then the answer in hand that refused it.
    void failWithAnswer(ItemSyncText::Id text)
    {
        fail(Traits::text(text, QString()) + QLatin1Char(' ') + unexpectedResponseText());
    }
    void revisionMessage();
    QString permissions() const { return m_info ? Traits::infoPermissions(m_info) : QString(); }
    bool readResult(Result onSuccess, bool knownItem);
    static void debugStatus(ItemSyncText::Id line, int status)
    {
        const char *text = Traits::debugLine(line);
        if (text)
            qDebug().noquote() << QString::fromLatin1(text) + QString::number(status);
    }

    Info *m_info;
    Item *m_localItem;
    Item *m_resultItem = nullptr;
    std::unique_ptr<Item> m_mergeReturn;
    std::function<QString(const Item *)> m_lookBeforeMerge;
};

template <class Traits>
void ItemSynchronizer<Traits>::start()
{
    using T = ItemSyncText;
    if (!m_localItem) {
        if (!forceRemote()) {
            emitProgress(Traits::text(T::DownloadingNewRemote, QString()));
            sendGetNew();
        } else {
            emitProgress(Traits::text(T::DeletingNewRemote, QString()));
            sendDelete();
        }
        return;
    }

    const int status = Traits::status(m_localItem);
    const QString name = Traits::name(m_localItem);
    if (status < 1 || status > 4) {
        // A local item without a state we know is never guessed at: fetching
        // or deleting it could lose it.
        qWarning().noquote() << Traits::text(T::UnknownStatus, name);
        finishNoOp(Failed, Traits::text(T::UnknownStatus, name));
        return;
    }
    if (status == 1) {
        emitProgress(Traits::text(T::UploadingNew, name));
        sendPostNew();
        return;
    }
    if (m_id == 0) {
        emitProgress(Traits::text(status == 4 ? T::AlreadyGone : T::GoneFromServer, name));
        finishNoOp(Gone);
        return;
    }
    if (status == 4) {
        if (looksBeforeDelete() && m_info && Traits::infoRevision(m_info) > Traits::revision(m_localItem)) {
            emitProgress(Traits::text(T::CheckingForChanges, name));
            sendGetExisting();
            return;
        }
        emitProgress(Traits::text(T::Deleting, name));
        sendDelete();
        return;
    }
    if (!m_info) {
        // The owner keeps a summary for every id; without one there is no
        // revision to decide on.
        finishNoOp(Failed, QStringLiteral("internal error: no server summary for id %1").arg(m_id));
        return;
    }

    if (Traits::mustFetch(m_localItem)) {
        // Its creation was confirmed but its contents never came back:
        // uploading the local copy would add them to the server a second
        // time, while the server's copy holds all that was posted.
        if (status == 3)
            qWarning().noquote() << "changes made to" << name
                                 << "before its creation on the server was confirmed give way to the server's copy";
        emitProgress(Traits::text(T::CheckingForChanges, name));
        emitProgress(Traits::text(T::DownloadingChanges, name));
        sendGetExisting();
        return;
    }

    const quint32 serverRevision = Traits::infoRevision(m_info);
    const quint32 localRevision = Traits::revision(m_localItem);
    if (status == 2) {
        emitProgress(Traits::text(T::CheckingForChanges, name));
        if (serverRevision == localRevision) {
            emitProgress(Traits::text(T::NoChangesIn, name));
            finishNoOp(NoChanges);
        } else if (serverRevision > localRevision) {
            emitProgress(Traits::text(T::DownloadingChanges, name));
            sendGetExisting();
        } else {
            revisionMessage();
        }
        return;
    }
    emitProgress(Traits::text(T::UploadingChanges, name));
    if (replacesWhole()
        || (serverRevision > localRevision
            && ((earlierUploadInDoubt() && Traits::mayHoldUploadedParts(m_localItem))
                || Traits::mergesBeforePut(m_localItem) || Traits::looksBeforePut(m_localItem)))) {
        // The server changed since (perhaps by an upload in doubt): what
        // this computer changed goes onto its copy, and new parts an earlier
        // upload put there are not added twice. An item sent whole needs
        // that copy to know what to remove there.
        sendGetBeforePut();
    } else if (serverRevision >= localRevision) {
        sendPutForMerge();
    } else {
        revisionMessage();
    }
}

template <class Traits>
void ItemSynchronizer<Traits>::revisionMessage()
{
    const QString text = Traits::text(ItemSyncText::RevisionMessage, Traits::name(m_localItem));
    QPointer<ItemSynchronizerBase> self(this);
    if (!tellsOnlyByItsEnd())
        SyncNotices::tell(Traits::text(ItemSyncText::MessageTitle, QString()), text);
    if (!self)
        return; // the owner gave up on the run while the box was open
    qDebug() << "The local list revision is bigger than the server one, this is an error";
    // The box is the user's message; the run still has to end for its owner.
    finishNoOp(Failed, text);
}

template <class Traits>
bool ItemSynchronizer<Traits>::readResult(Result onSuccess, bool knownItem)
{
    QString error;
    Item *item = Traits::readItem(request()->responseDocument(), &error);
    if (!item) {
        failUnreadable(QStringLiteral("parse error: ") + error);
        return false;
    }
    if (knownItem)
        Traits::prepareFetchedExisting(item);
    delete m_resultItem;
    m_resultItem = item;
    finish(onSuccess);
    return true;
}

template <class Traits>
void ItemSynchronizer<Traits>::handleAnswer(RequestKind kind, int status)
{
    using T = ItemSyncText;
    const bool gone = status == 404 || status == 410;
    switch (kind) {
    case GetNew:
        if (gone)
            finish(RemoteGone);
        else if (status == 200)
            readResult(ReceivedNew, false);
        else {
            debugStatus(T::GetNewBadStatus, status);
            fail(Traits::text(T::FailedToRetrieve, QString()));
        }
        break;
    case GetExisting:
        if (gone)
            finish(Gone);
        else if (status == 200)
            readResult(ReceivedExisting, true);
        else {
            debugStatus(T::GetExistingBadStatus, status);
            fail(Traits::text(T::FailedToRetrieve, QString()));
        }
        break;
    case PostNew:
        if (status == 201) {
            QString error;
            const quint32 newId = Traits::readNewId(request()->responseDocument(), &error);
            if (newId == 0) {
                fail(QStringLiteral("parse error: ") + error);
                return;
            }
            releaseRequest();
            m_id = newId;
            m_assignedId = newId;
            sendGetExisting();
        } else {
            debugStatus(T::PostBadStatus, status);
            failWithAnswer(T::FailedToAdd);
        }
        break;
    case PutForMerge:
        if (status == 200 || status == 204) {
            m_updateArrived = true;
            releaseRequest();
            sendGetExisting();
        } else if (gone) {
            finish(Gone);
        } else if (status == 403 && Traits::hasPermissionFallback
                   && !permissions().contains(QLatin1Char('w'))) {
            // Read-only share: the local edits give way to the server's
            // copy, and the owner keeps them beside it.
            m_gaveWay = GaveWay::ReadOnly;
            releaseRequest();
            sendGetExisting();
        } else {
            failWithAnswer(T::FailedToUpload);
        }
        break;
    case GetBeforePut:
        if (gone) {
            finish(Gone);
        } else if (status == 200) {
            QString error;
            Item *fetched = Traits::readItem(request()->responseDocument(), &error);
            if (!fetched) {
                unreadableBeforePut(QStringLiteral("parse error: ") + error);
                return;
            }
            if (m_lookBeforeMerge && Traits::mergesBeforePut(m_localItem)) {
                const QString refusal = m_lookBeforeMerge(fetched);
                if (!refusal.isEmpty()) {
                    delete fetched;
                    fail(refusal);
                    return;
                }
            }
            const bool inDoubt = earlierUploadInDoubt() && Traits::mayHoldUploadedParts(m_localItem);
            if (!inDoubt && Traits::givesWayTo(m_localItem, fetched)) {
                // What either side changed cannot be told: nothing here goes
                // over the server's copy, which the item takes.
                Traits::prepareFetchedExisting(fetched);
                delete m_resultItem;
                m_resultItem = fetched;
                m_gaveWay = GaveWay::NoBase;
                finish(ReceivedExisting);
                return;
            }
            const bool arrived = inDoubt && Traits::takeUploadedParts(m_localItem, fetched);
            bool nothingToSend = false;
            m_mergeTookTheirs = false;
            if (Traits::mergesBeforePut(m_localItem) || Traits::looksBeforePut(m_localItem))
                m_mergeReturn.reset(Traits::mergeBeforePut(m_localItem, fetched, inDoubt, arrived, &nothingToSend,
                                                           &m_mergeTookTheirs));
            else
                delete fetched;
            releaseRequest();
            const QString notSaved = m_saveBeforeUpload ? m_saveBeforeUpload() : QString();
            m_mergeReturn.reset();
            if (!notSaved.isEmpty())
                fail(notSaved);
            else if (nothingToSend)
                finish(NoChanges);
            else
                sendPutForMerge();
        } else {
            debugStatus(T::GetExistingBadStatus, status);
            fail(Traits::text(T::FailedToRetrieve, QString()));
        }
        break;
    case Delete:
        if (status == 200 || status == 204 || gone)
            finish(m_localItem ? Gone : RemoteGone);
        else if (status == 403 && Traits::hasPermissionFallback
                 && !permissions().contains(QLatin1Char('d')))
            finish(DeleteRefused);
        else
            fail(Traits::text(T::FailedToDelete, QString()));
        break;
    }
}

#endif
