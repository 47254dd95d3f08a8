#include "sync/listsharingsynchronizer.h"

#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "sync/serverhttpconnection.h"
#include "sync/xmlrequest.h"

#include <QDebug>
#include <QDomDocument>
#include <QMap>

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

void ListSharingSynchronizer::get()
{
    m_request = new XMLRequest(QStringLiteral("GET"), sharingPath(), true, this);
    connect(m_request, &Request::finished, this, &ListSharingSynchronizer::onGetRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void ListSharingSynchronizer::put()
{
    m_request = new XMLRequest(QStringLiteral("PUT"), sharingPath(), true, this);
    if (m_model) {
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        m_request->setRequestDocument(writer.writeSharedUsers(m_model->sharedUsers()));
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
        if (applyPermissions(m_request->responseDocument()))
            succeed();
    } else {
        fail(tr("Unexpected response from server when fetching list permissions"));
    }
}

// The shared revision is taken only together with the users it belongs to:
// a revision without them would make the list look up to date for good.
bool ListSharingSynchronizer::applyPermissions(const QDomDocument &document)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    QMap<QString, QString> users;
    if (!reader.readSharedUsers(document, users)) {
        fail(QStringLiteral("parse error: ") + reader.errorString());
        return false;
    }
    if (!m_model) {
        fail(tr("Sync canceled"));
        return false;
    }
    m_model->setSharedRevision(m_serverSharedRevision);
    m_model->setSharedUsers(users);
    return true;
}

void ListSharingSynchronizer::onPutRequestFinished()
{
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
        succeed();
    } else if (status == 404 || status == 410) {
        qDebug() << "ListSharingSynchronizer - list has gone";
        succeed();
    } else {
        fail(tr("Unexpected response from server when fetching list permissions"));
    }
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
    if (m_model)
        m_model->resetSharedEdited();
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
