#include "sync/runs/listslayoutsynchronizer.h"

#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "sync/merges/groupsmerge.h"
#include "sync/requests/httpresponseheader.h"
#include "sync/runs/listssynchost.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/merges/threeway.h"
#include "sync/runs/uploadsaves.h"
#include "sync/requests/xmlrequest.h"

#include <QDebug>
#include <QDomDocument>

#include <algorithm>
#include <memory>

namespace {

QString groupsPath()
{
    return ServerHttpConnection::instance()->userPath() + QStringLiteral("/list-groups-display-order");
}

} // namespace

ListsLayoutSynchronizer::ListsLayoutSynchronizer(const Run &run, QObject *parent)
    : QObject(parent)
    , m_userLists(run.lists)
    , m_host(run.host)
    , m_groupsAtStart(run.groupsAtStart)
    , m_saves(run.saves)
    , m_sslErrorHandler(run.sslErrorHandler)
    , m_forceRemote(run.forceRemote)
    , m_forceLocal(run.forceLocal)
    , m_hasNewLists(run.hasNewLists)
    , m_arrivedIds(run.arrivedIds)
    , m_postedIds(run.postedIds)
{
}

// The connection drops a deleted request silently.
ListsLayoutSynchronizer::~ListsLayoutSynchronizer()
{
    delete m_request;
}

void ListsLayoutSynchronizer::start()
{
    // A forced remote run puts this computer's order in place of the
    // server's; every other run looks at the server's first.
    if (m_forceRemote)
        putDisplayOrder(localDisplayOrder());
    else
        getDisplayOrder();
}

QList<quint32> ListsLayoutSynchronizer::localDisplayOrder() const
{
    QList<quint32> ids;
    const QList<TaskList *> lists = m_userLists ? m_userLists->taskLists() : QList<TaskList *>();
    for (const TaskList *list : lists) {
        const quint32 id = list->syncStatus() == TaskList::New ? 0 : list->serverId();
        if (id == 0)
            qDebug() << "have a list with no server id even after sync";
        else
            ids << id;
    }
    return ids;
}

void ListsLayoutSynchronizer::putDisplayOrder(const QList<quint32> &ids)
{
    emit progress(tr("Uploading list display order"), 660, 1000);
    m_orderSent = ids;
    m_saves->sent(SaveFailure::SentListOrder);
    TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
    const QDomDocument body = writer.writeListRefs(ids);
    sendRequest(QStringLiteral("PUT"), ServerHttpConnection::instance()->userPath() + QStringLiteral("/lists-display-order"),
                &ListsLayoutSynchronizer::onPutDisplayOrderFinished, &body);
}

void ListsLayoutSynchronizer::onPutDisplayOrderFinished()
{
    if (!answerWith({200, 204}))
        return;
    if (m_userLists) {
        m_userLists->setDisplayOrderChanged(false);
        m_userLists->setAgreedDisplayOrder(m_orderSent);
        m_userLists->setMovedInOrder(QSet<quint32>());
        m_userLists->setArrivedInOrder({});
    }
    syncListsGroups();
}

// The order the server holds, with what this computer changed since it last
// agreed on one merged in: a list moved or made here goes where it is here,
// the others where the server has them, so that a move made on another
// computer is not undone by an order that never saw it.
QList<quint32> ListsLayoutSynchronizer::mergedDisplayOrder(const QList<quint32> &theirs) const
{
    ThreeWay::OrderHere here;
    here.local = localDisplayOrder();
    here.placedByServer = m_arrivedIds + m_userLists->arrivedInOrder();
    here.agreed = m_userLists->agreedDisplayOrder();
    here.moved = m_userLists->movedInOrder();
    here.changed = m_userLists->isDisplayOrderChanged();
    here.posted = m_postedIds;
    here.forceLocal = m_forceLocal;
    return ThreeWay::mergeDisplayOrder(here, theirs);
}

void ListsLayoutSynchronizer::getDisplayOrder()
{
    emit progress(tr("Downloading list display order"), 650, 1000);
    sendRequest(QStringLiteral("GET"), ServerHttpConnection::instance()->userPath() + QStringLiteral("/lists-display-order"),
                &ListsLayoutSynchronizer::onGetDisplayOrderFinished);
}

void ListsLayoutSynchronizer::onGetDisplayOrderFinished()
{
    XMLRequest *request = answerWith({200});
    if (!request)
        return;
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    QList<quint32> ids;
    if (!reader.readListRefs(request->responseDocument(), ids)) {
        fail(tr("Could not parse retrieved list order."));
        return;
    }
    if (!m_userLists) {
        syncListsGroups();
        return;
    }
    // A forced local run takes the server's order.
    const bool changedHere = !m_forceLocal && (m_hasNewLists || m_userLists->isDisplayOrderChanged());
    const QList<quint32> order = changedHere ? mergedDisplayOrder(ids) : ids;
    QList<quint32> known;
    for (quint32 id : order)
        if (m_userLists->taskListByServerId(id))
            known << id;
    m_userLists->setDisplayOrder(known);
    // Lists made or moved here are placed on the server in so many words,
    // even where its order already shows them there.
    if (changedHere) {
        putDisplayOrder(order);
        return;
    }
    m_userLists->setDisplayOrderChanged(false);
    m_userLists->setAgreedDisplayOrder(ids);
    m_userLists->setMovedInOrder(QSet<quint32>());
    m_userLists->setArrivedInOrder({});
    syncListsGroups();
}

void ListsLayoutSynchronizer::syncListsGroups()
{
    if (m_host && m_userLists)
        m_host->listsGroups()->followLocalIds(m_userLists->taskLists());
    if (!GroupsMerge::goesUp(m_groupsAtStart, m_forceRemote, m_forceLocal) || !m_host) {
        getListsGroups();
        return;
    }
    emit progress(tr("Uploading lists groups info"), 675, 1000);
    // What another computer changed since goes into the upload: the
    // server's tree comes first.
    if (!m_forceRemote)
        sendRequest(QStringLiteral("GET"), groupsPath(), &ListsLayoutSynchronizer::onGroupsBeforePutFetched);
    else
        putListsGroups(m_host->listsGroups());
}

void ListsLayoutSynchronizer::onGroupsBeforePutFetched()
{
    XMLRequest *request = answerWith({200});
    if (!request)
        return;
    std::unique_ptr<ListsGroups> theirs(readServerGroups(request));
    if (!theirs)
        return;
    ListsGroups *mine = m_host->listsGroups();
    // A tree that never agreed with the server (groups made before the first
    // run here) adds to the server's: nothing of it may be taken for removed.
    const ListsGroups nothing;
    const ListsGroups *agreed = mine->agreed() ? mine->agreed() : &nothing;
    if (!theirs->sameOnServer(*agreed)) {
        QList<const ListsGroups *> sent;
        for (const auto &tree : mine->sentInDoubt())
            sent << tree.get();
        std::unique_ptr<ListsGroups> merged(GroupsMerge::merge(*agreed, *mine, *theirs, mine->isUploadInDoubt(), sent));
        if (merged->sameOnServer(*theirs) && merged->deletedGroups()->isEmpty()) {
            // Nothing of ours is left to send.
            emit progress(tr("Downloading lists groups info"), 700, 1000);
            takeServerGroups(theirs.release());
            return;
        }
        mine = takeMergedGroups(mine, merged.release());
    }
    putListsGroups(mine);
}

// What goes up is what this computer holds from then on, on what it agreed
// before: should the answer be lost, the record of it tells the next run the
// other computer's changes it carried from this computer's own.
ListsGroups *ListsLayoutSynchronizer::takeMergedGroups(ListsGroups *mine, ListsGroups *merged)
{
    if (mine->agreed())
        merged->setAgreed(std::shared_ptr<const ListsGroups>(mine->agreed()->serverCopy()));
    merged->setUploadInDoubt(mine->isUploadInDoubt());
    merged->setSentInDoubt(mine->sentInDoubt());
    merged->setRemovedPlaces(mine->removedPlaces());
    merged->markEdited();
    m_host->setListsGroups(merged);
    return m_host->listsGroups();
}

void ListsLayoutSynchronizer::putListsGroups(ListsGroups *groups)
{
    m_saves->groupsBeforeUpload(groups);
    if (uploadsBarred())
        return;
    m_saves->sent(SaveFailure::SentGroups);
    ListsGroupsReaderWriter writer(XMLReaderWriter::ServerDocument);
    const QDomDocument body = writer.writeListsGroups(groups);
    sendRequest(QStringLiteral("PUT"), groupsPath(), &ListsLayoutSynchronizer::onPutListsGroupsFinished, &body);
}

void ListsLayoutSynchronizer::onPutListsGroupsFinished()
{
    XMLRequest *request = answerWith({200, 403});
    if (!request)
        return;
    if (request->responseHeader().statusCode() == 403) {
        // The server keeps its groups and they replace ours below; the user
        // is not told, so at least the log says so.
        qWarning() << "groups upload refused (403); server copy taken";
    }
    getListsGroups();
}

void ListsLayoutSynchronizer::getListsGroups()
{
    emit progress(tr("Downloading lists groups info"), 700, 1000);
    sendRequest(QStringLiteral("GET"), groupsPath(), &ListsLayoutSynchronizer::onGetListsGroupsFinished);
}

void ListsLayoutSynchronizer::onGetListsGroupsFinished()
{
    XMLRequest *request = answerWith({200});
    if (!request)
        return;
    if (ListsGroups *groups = readServerGroups(request))
        takeServerGroups(groups);
}

ListsGroups *ListsLayoutSynchronizer::readServerGroups(XMLRequest *request)
{
    ListsGroupsReaderWriter reader(XMLReaderWriter::ServerDocument);
    ListsGroups *groups = reader.readListsGroups(request->responseDocument());
    if (!groups)
        fail(tr("Could not parse retrieved groups."));
    return groups;
}

void ListsLayoutSynchronizer::takeServerGroups(ListsGroups *groups)
{
    groups->agreeAsIs();
    if (m_host) {
        // Where the lists still waiting to be removed stood.
        QList<ListsGroups::RemovedPlace> places = m_host->listsGroups()->removedPlaces();
        places.removeIf([this](const ListsGroups::RemovedPlace &place) {
            return !m_userLists || !m_userLists->findDeletedByServerId(place.list);
        });
        groups->setRemovedPlaces(places);
        m_host->setListsGroups(groups);
        groups = m_host->listsGroups();
        groups->setEditedSinceSync(false);
        groups->setModified();
    } else {
        delete groups;
    }
    succeed();
}

void ListsLayoutSynchronizer::sendRequest(const QString &method, const QString &path,
                                          void (ListsLayoutSynchronizer::*onFinished)(), const QDomDocument *body)
{
    if (m_request) {
        disconnect(m_request, nullptr, this, nullptr);
        m_request->deleteLater();
    }
    m_request = new XMLRequest(method, path, true, nullptr);
    m_request->setSslErrorHandler(m_sslErrorHandler);
    if (body)
        m_request->setRequestDocument(*body);
    connect(m_request, &Request::finished, this, onFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

XMLRequest *ListsLayoutSynchronizer::answerWith(std::initializer_list<int> statuses)
{
    if (m_ended || !m_request || sender() != m_request)
        return nullptr;
    if (m_request->hasError()) {
        fail(m_request->errorString());
        return nullptr;
    }
    if (std::find(statuses.begin(), statuses.end(), m_request->responseHeader().statusCode()) == statuses.end()) {
        fail(unexpectedResponse());
        return nullptr;
    }
    return m_request;
}

QString ListsLayoutSynchronizer::unexpectedResponse() const
{
    const HttpResponseHeader header = m_request->responseHeader();
    return QStringLiteral("Unexpected response %1 %2").arg(header.statusCode()).arg(header.reasonPhrase());
}

bool ListsLayoutSynchronizer::uploadsBarred()
{
    if (m_saves->failed())
        fail(m_saves->failure());
    return m_saves->failed();
}

void ListsLayoutSynchronizer::succeed()
{
    m_ended = true;
    emit finished();
}

void ListsLayoutSynchronizer::fail(const QString &error)
{
    m_ended = true;
    m_errorString = error;
    emit finished();
}
