#include "sync/runs/itemsynchronizerbase.h"

#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

#include <QDomDocument>
#include <QTimer>

ItemSynchronizerBase::ItemSynchronizerBase(quint32 id, int progressStep, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_progressStep(progressStep)
{
}

// Destroyed mid-run (the owner cancelled): the connection drops a deleted
// request silently, so no answer reaches a half-destroyed object.
ItemSynchronizerBase::~ItemSynchronizerBase()
{
    delete m_request;
}

void ItemSynchronizerBase::sendRequest(RequestKind kind, const QString &method,
                                       const QString &path, const QDomDocument *body)
{
    m_request = new XMLRequest(method, path, true, this);
    if (body)
        m_request->setRequestDocument(*body);
    switch (kind) {
    case GetNew:
        connect(m_request, &Request::finished, this, &ItemSynchronizerBase::onGetNewRequestFinished);
        break;
    case GetExisting:
        connect(m_request, &Request::finished, this, &ItemSynchronizerBase::onGetExistingRequestFinished);
        break;
    case PostNew:
        connect(m_request, &Request::finished, this, &ItemSynchronizerBase::onPostNewRequestFinished);
        break;
    case PutForMerge:
        connect(m_request, &Request::finished, this, &ItemSynchronizerBase::onPutForMergeRequestFinished);
        break;
    case Delete:
        connect(m_request, &Request::finished, this, &ItemSynchronizerBase::onDeleteRequestFinished);
        m_deleteSent = true;
        break;
    case GetBeforePut:
        connect(m_request, &Request::finished, this, &ItemSynchronizerBase::onGetBeforePutRequestFinished);
        break;
    }
    ServerHttpConnection::instance()->addRequest(m_request);
}

void ItemSynchronizerBase::releaseRequest()
{
    if (!m_request)
        return;
    disconnect(m_request, nullptr, this, nullptr);
    m_request->deleteLater();
    m_request = nullptr;
}

void ItemSynchronizerBase::finish(Result result)
{
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    releaseRequest();
    emit finished();
}

void ItemSynchronizerBase::fail(const QString &text)
{
    if (m_ended)
        return;
    m_ended = true;
    m_errorString = text;
    m_result = Failed;
    releaseRequest();
    emit finished();
}

QString ItemSynchronizerBase::unexpectedResponseText() const
{
    if (!m_request)
        return QString();
    const HttpResponseHeader header = m_request->responseHeader();
    // A server may send no reason: no blank is left for it.
    return QStringLiteral("Unexpected response %1 %2").arg(header.statusCode()).arg(header.reasonPhrase()).trimmed();
}

void ItemSynchronizerBase::failUnreadable(const QString &text)
{
    if (!m_ended)
        m_serverCopyUnreadable = true;
    fail(text);
}

void ItemSynchronizerBase::finishNoOp(Result result, const QString &error)
{
    m_preparedResult = result;
    m_preparedError = error;
    m_noOpPending = true;
    QTimer::singleShot(0, this, &ItemSynchronizerBase::onNoOpFinished);
}

void ItemSynchronizerBase::onNoOpFinished()
{
    if (!m_noOpPending)
        return;
    m_noOpPending = false;
    if (m_preparedResult == Failed)
        fail(m_preparedError);
    else
        finish(m_preparedResult);
}

void ItemSynchronizerBase::cancelRun(const QString &canceledText)
{
    if (m_ended)
        return;
    if (m_request) {
        // The request fails with the connection's "Request canceled" and
        // ends the run through its answer slot.
        ServerHttpConnection::instance()->cancelRequest(m_request);
        return;
    }
    m_noOpPending = false;
    fail(canceledText);
}

void ItemSynchronizerBase::onGetNewRequestFinished() { onAnswer(GetNew); }
void ItemSynchronizerBase::onGetExistingRequestFinished() { onAnswer(GetExisting); }
void ItemSynchronizerBase::onPostNewRequestFinished() { onAnswer(PostNew); }
void ItemSynchronizerBase::onPutForMergeRequestFinished() { onAnswer(PutForMerge); }
void ItemSynchronizerBase::onDeleteRequestFinished() { onAnswer(Delete); }
void ItemSynchronizerBase::onGetBeforePutRequestFinished() { onAnswer(GetBeforePut); }

void ItemSynchronizerBase::onAnswer(RequestKind kind)
{
    if (m_ended || !m_request || sender() != m_request)
        return;
    if (m_request->hasError()) {
        // Only the fetches carry the item itself; an unreadable answer to
        // an upload leaves its outcome unknown.
        const bool fetch = kind == GetNew || kind == GetExisting || kind == GetBeforePut;
        if (kind == GetBeforePut && m_request->hasUnreadableDocument())
            unreadableBeforePut(m_request->errorString());
        else if (fetch && m_request->hasUnreadableDocument())
            failUnreadable(m_request->errorString());
        else
            fail(m_request->errorString());
        return;
    }
    handleAnswer(kind, m_request->responseHeader().statusCode());
}
