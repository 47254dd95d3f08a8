#include "sync/runs/listsharingsynchronizer.h"

#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/merges/threeway.h"
#include "sync/requests/xmlrequest.h"
#include "sync/runs/restoredlists.h"

#include <QDebug>
#include <QDomDocument>
#include <QMap>

#include <algorithm>

// A forced remote run makes the server take the users here. Otherwise the
// server's revision tells whether it moved on since this computer agreed with
// it; an edited sharing whose agreed users are unknown (a file written before
// they were kept) takes the server's, as it did then.
ListSharingSynchronizer::Mode ListSharingSynchronizer::modeFor(const ListModel *model,
                                                               quint32 serverSharedRevision, bool forceRemote)
{
    if (forceRemote)
        return Put;
    const quint32 localRevision = model->sharedRevision();
    if (localRevision > serverSharedRevision)
        return WrongRevision;
    if (localRevision == serverSharedRevision)
        return model->isSharedEdited() ? Put : Nothing;
    return model->isSharedEdited() && model->agreedSharedUsers() ? GetMergePut : Get;
}

// Revoking wins: an access the user took away on one computer is never given
// back by new letters set for it on the other.
ListSharingSynchronizer::Users ListSharingSynchronizer::merge(const Users &base, const Users &mine,
                                                              const Users &theirs, const std::optional<Users> &sent,
                                                              quint32 uploads)
{
    Users agreed = base;
    if (sent) {
        // The upload arrived when the server holds one of its changes, or
        // when it moved on (as it has, to be merged with) yet holds what was
        // agreed: the other computer then undid what it saw arrive. It
        // arrived too when the server took more than one upload since and
        // holds each person it changed otherwise than agreed: the other
        // computer changed them again once it saw them (one upload of its
        // own would have been all). Either way, what the other computer
        // changed since goes over it.
        bool arrived = theirs == base;
        bool eachChangedThere = uploads > 1;
        const QList<QString> names = base.keys() + sent->keys() + theirs.keys();
        const auto same = [](const Users &a, const Users &b, const QString &name) {
            return a.contains(name) == b.contains(name) && a.value(name) == b.value(name);
        };
        for (const QString &name : names) {
            if (same(*sent, base, name))
                continue;
            arrived = arrived || same(*sent, theirs, name);
            eachChangedThere = eachChangedThere && !same(theirs, base, name);
        }
        if (arrived || eachChangedThere)
            agreed = *sent;
    }
    QList<QString> conflicting;
    Users merged = ThreeWay::mergeMaps(agreed, mine, theirs, ThreeWay::Winner::Mine, &conflicting);
    for (const QString &name : std::as_const(conflicting))
        if (!mine.contains(name) || !theirs.contains(name))
            merged.remove(name);
    return merged;
}

ListSharingSynchronizer::ListSharingSynchronizer(ListModel *model, quint32 serverSharedRevision,
                                                 QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_serverSharedRevision(serverSharedRevision)
{
}

// The connection drops a deleted request silently.
ListSharingSynchronizer::~ListSharingSynchronizer()
{
    delete m_request;
}

QString ListSharingSynchronizer::sharingPath() const
{
    const quint32 id = m_model ? m_model->taskList()->serverId() : 0;
    return QStringLiteral("/lists/%1/sharingV3").arg(id);
}

void ListSharingSynchronizer::start(Mode mode)
{
    if (mode == GetMergePut)
        getMergePut();
    else if (mode == Put)
        put();
    else
        get();
}

void ListSharingSynchronizer::getMergePut()
{
    m_merges = true;
    get();
}

void ListSharingSynchronizer::get()
{
    m_usersAtFetch = m_model ? m_model->sharedUsers() : Users();
    m_request = new XMLRequest(QStringLiteral("GET"), sharingPath(), true, this);
    connect(m_request, &Request::finished, this, &ListSharingSynchronizer::onGetRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void ListSharingSynchronizer::put()
{
    if (m_model) {
        // Should the answer be lost, the next run tells what this upload
        // put there from the other computer's change.
        m_sentBefore = m_model->sentSharedUsers();
        m_sent = m_model->sharedUsers();
        // What the fetch found, or at the revision agreed what was agreed.
        if (!m_serverHad)
            m_serverHad = m_model->agreedSharedUsers();
        m_model->setSentSharedUsers(m_sent);
        m_model->setChanged();
        const QString notSaved = m_saveBeforeUpload ? m_saveBeforeUpload() : QString();
        if (!notSaved.isEmpty()) {
            m_model->setSentSharedUsers(m_sentBefore);
            fail(notSaved);
            return;
        }
    }
    m_request = new XMLRequest(QStringLiteral("PUT"), sharingPath(), true, this);
    if (m_model) {
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        m_request->setRequestDocument(writer.writeSharedUsers(m_sent));
    }
    connect(m_request, &Request::finished, this, &ListSharingSynchronizer::onPutRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void ListSharingSynchronizer::cancel()
{
    // After the end the old request is no longer the connection's: nothing
    // to do, and nothing is emitted.
    if (m_ended)
        return;
    m_cancelled = true;
    if (m_request) {
        ServerHttpConnection::instance()->cancelRequest(m_request);
        return;
    }
    fail(tr("Sync canceled"));
}

// The status of the request's answer; -1 when the answer is stale or the
// request failed (the step has then failed).
int ListSharingSynchronizer::answerStatus(QObject *sender)
{
    if (m_ended || sender != m_request)
        return -1;
    if (m_request->hasError()) {
        fail(m_request->errorString());
        return -1;
    }
    return m_request->responseHeader().statusCode();
}

void ListSharingSynchronizer::onGetRequestFinished()
{
    const int status = answerStatus(sender());
    if (status < 0)
        return;
    if (status == 404 || status == 410) {
        qDebug() << "ListSharingSynchronizer - list has gone";
        succeed();
    } else if (status == 200) {
        Users users;
        if (readUsers(m_request->responseDocument(), &users))
            takeUsers(users);
    } else {
        fail(tr("Unexpected response from server when fetching list permissions"));
    }
}

bool ListSharingSynchronizer::readUsers(const QDomDocument &document, Users *users)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    if (!reader.readSharedUsers(document, *users)) {
        fail(QStringLiteral("parse error: ") + reader.errorString());
        return false;
    }
    if (!m_model) {
        fail(tr("Sync canceled"));
        return false;
    }
    return true;
}

// The shared revision is taken only together with the users it belongs to:
// a revision without them would make the list look up to date for good.
// Merging, the server's users become what this computer agreed with it, and
// the merge stays edited until it is uploaded.
void ListSharingSynchronizer::takeUsers(const Users &theirs)
{
    const std::optional<Users> base = m_model->agreedSharedUsers();
    const Users now = m_model->sharedUsers();
    Users users = theirs;
    if (m_merges && base)
        users = merge(*base, now, theirs, m_model->sentSharedUsers(),
                      m_serverSharedRevision - std::min(m_serverSharedRevision, m_model->sharedRevision()));
    else if (now != m_usersAtFetch)
        users = merge(m_usersAtFetch, now, theirs); // changed while the fetch was out
    m_model->setSentSharedUsers(std::nullopt);
    m_model->setSharedRevision(m_serverSharedRevision);
    m_model->setAgreedSharedUsers(theirs);
    m_model->setSharedUsers(users);
    if (users == theirs) {
        RestoredLists::settleImportedSharing(m_model, theirs, theirs);
        succeed();
        return;
    }
    releaseRequest();
    put();
}

void ListSharingSynchronizer::onPutRequestFinished()
{
    if (m_ended || sender() != m_request)
        return;
    const int answered = m_request->hasError() ? 0 : m_request->responseHeader().statusCode();
    // A gateway's 502 or 504 says only that the server behind it did not
    // answer: the upload may have arrived there, as when the answer is lost.
    const bool fromAGateway = answered == 502 || answered == 504;
    if (m_request->authFailed() || (answered >= 400 && answered != 404 && answered != 410 && !fromAGateway)) {
        takeBackRefused();
        return;
    }
    if (fromAGateway) {
        checkArrival(tr("Unexpected response from server when fetching list permissions"));
        return;
    }
    if (m_request->hasError() && !m_cancelled && !m_request->refusedChangedCertificate()) {
        checkArrival(m_request->errorString());
        return;
    }
    const int status = answerStatus(sender());
    if (status < 0)
        return;
    if (status == 201) {
        TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
        const quint32 revision = reader.readSharedRevision(m_request->responseDocument());
        if (revision == 0) {
            fail(QStringLiteral("Invalid shared revision returned: ") + reader.errorString());
            return;
        }
        if (!m_model) {
            fail(tr("Sync canceled"));
            return;
        }
        m_model->setSharedRevision(revision);
        m_model->setSentSharedUsers(std::nullopt);
        if (m_serverHad)
            RestoredLists::settleImportedSharing(m_model, *m_serverHad, m_sent);
        m_serverHad = m_sent;
        if (m_model->sharedUsers() != m_sent) {
            // Changed while the upload was out (a contact removed, say): the
            // server holds what was sent, and the change goes up too.
            m_model->setAgreedSharedUsers(m_sent);
            m_model->setSharedEdited(true);
            releaseRequest();
            put();
            return;
        }
        succeed();
    } else if (status == 404 || status == 410) {
        qDebug() << "ListSharingSynchronizer - list has gone";
        succeed();
    } else {
        fail(tr("Unexpected response from server when fetching list permissions"));
    }
}

// The server refused the upload, so it never arrived: nothing of it is in
// doubt, and the change stays edited for the next run to send again.
void ListSharingSynchronizer::takeBackRefused()
{
    if (!m_model) {
        fail(tr("Sync canceled"));
        return;
    }
    m_model->setSentSharedUsers(m_sentBefore);
    m_model->setChanged();
    if (m_request->authFailed()) {
        fail(m_request->errorString());
        return;
    }
    const HttpResponseHeader header = m_request->responseHeader();
    // A server may send no reason: no blank is left for it.
    const QString answer = QStringLiteral("%1 %2").arg(header.statusCode()).arg(header.reasonPhrase()).trimmed();
    fail(tr("The server refused the sharing of the list \"%1\" (%2); it is sent again at the next sync.")
             .arg(m_model->taskList()->name(), answer));
}

// Looked at before anyone else is likely to have changed the sharing: the
// server holding what was agreed means the upload never arrived, and the
// next run merges without taking the server's users for what it made.
void ListSharingSynchronizer::checkArrival(const QString &failure)
{
    m_uploadFailure = failure;
    releaseRequest();
    m_request = new XMLRequest(QStringLiteral("GET"), sharingPath(), true, this);
    connect(m_request, &Request::finished, this, &ListSharingSynchronizer::onArrivalCheckFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void ListSharingSynchronizer::onArrivalCheckFinished()
{
    if (m_ended || sender() != m_request)
        return;
    Users there;
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    if (m_model && !m_request->hasError() && m_request->responseHeader().statusCode() == 200
        && reader.readSharedUsers(m_request->responseDocument(), there)) {
        const std::optional<Users> sent = m_model->sentSharedUsers();
        if (sent && *sent != there && m_model->agreedSharedUsers() == there) {
            m_model->setSentSharedUsers(std::nullopt);
            m_model->setChanged();
        }
    }
    fail(m_uploadFailure);
}

void ListSharingSynchronizer::releaseRequest()
{
    if (!m_request)
        return;
    disconnect(m_request, nullptr, this, nullptr);
    m_request->deleteLater();
    m_request = nullptr;
}

void ListSharingSynchronizer::succeed()
{
    m_ended = true;
    releaseRequest();
    if (m_model) {
        m_model->setSentSharedUsers(std::nullopt);
        m_model->resetSharedEdited();
    }
    emit finished();
}

void ListSharingSynchronizer::fail(const QString &text)
{
    m_ended = true;
    releaseRequest();
    qWarning().noquote() << text;
    m_errorString = text;
    emit finished();
}
