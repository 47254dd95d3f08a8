#include "sync/runs/listssynchronizer.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "sync/requests/httpresponseheader.h"
#include "sync/runs/listlooks.h"
#include "sync/merges/listmoves.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listsharingsynchronizer.h"
#include "sync/runs/listslayoutsynchronizer.h"
#include "sync/runs/listssynchost.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/runs/notepadsynchronizer.h"
#include "sync/runs/postsindoubt.h"
#include "sync/merges/removalmerge.h"
#include "sync/runs/restoredlists.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/serverreaderwriter.h"
#include "sync/runs/syncnotices.h"
#include "sync/merges/uploadmark.h"
#include "sync/requests/xmlrequest.h"

#include <QDebug>
#include <QDomDocument>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>

ListsSynchronizer *ListsSynchronizer::s_registered = nullptr;

namespace {

bool hasElementOfClass(const QDomElement &parent, const QString &className)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("class")) == className || hasElementOfClass(e, className))
            return true;
    }
    return false;
}

} // namespace

ListsSynchronizer::ListsSynchronizer(UserLists *lists, ListsSyncHost *host, QObject *parent)
    : BaseSynchronizer(parent)
    , m_userLists(lists)
    , m_host(host)
    , m_saves(host)
{
    if (s_registered) {
        qDebug() << "more than one ListsSynchronizer exists";
        return;
    }
    s_registered = this;
    m_groupsAtStart = host ? host->listsGroups() : nullptr;
    if (!lists)
        return;
    connect(lists, &QObject::destroyed, this, &ListsSynchronizer::onListsGone);
    lists->purgeUntouchedDefaultLists();
    RestoredLists::settleEarlierImports(lists, m_groupsAtStart);
    m_deletedLists = lists->deletedLists();
    for (ListModel *model : lists->models()) {
        m_models.append(model);
        if (model->taskList()->syncStatus() == TaskList::New)
            m_hasNewLists = true;
    }
}

// Destroyed mid-run (the user cancelled): the connection drops the deleted
// request silently and the steps, children, go with us without reporting.
ListsSynchronizer::~ListsSynchronizer()
{
    delete m_request;
    m_unsentMarks.putBack(m_userLists);
    // Cancelled: what it kept is told all the same.
    if (m_noticesLater)
        m_noticesLater->append(std::exchange(m_keptAgainstRemovals, {}));
    // Cancelled after the server accepted an upload but before the list came
    // back: the next run must fetch it, not post it a second time.
    if (m_listStep && !m_listStep->hasEnded())
        ListOutcome::recordWhatArrived(m_currentModel, m_listStep);
    for (QObject *step : {static_cast<QObject *>(m_listStep), static_cast<QObject *>(m_sharingStep),
                          static_cast<QObject *>(m_layoutStep), static_cast<QObject *>(m_notepadStep)}) {
        if (step)
            disconnect(step, nullptr, this, nullptr);
    }
    qDeleteAll(m_listInfos);
    if (s_registered == this)
        s_registered = nullptr;
}

// The run deletes the server's list `id`, which no list here holds; the
// record kept for it until then, or null.
TaskList *ListsSynchronizer::deleteServerList(quint32 id, const QString &name, quint32 revision)
{
    auto *gone = new TaskList;
    gone->setName(name);
    gone->setSyncStatus(TaskList::Deleted);
    gone->setServerId(id);
    gone->setRevision(revision);
    gone->setPendingUpload(UploadMark::forcedRemoval(revision).text());
    UserLists::AddResult result = UserLists::Refused;
    m_userLists->addList(gone, &result);
    if (result != UserLists::TakenAsDeleted) {
        delete gone;
        return nullptr;
    }
    m_deletedLists.prepend(gone);
    m_serverIds.insert(id);
    return gone;
}

void ListsSynchronizer::tellWhatWasKept()
{
    if (m_noticesLater)
        m_noticesLater->append(std::exchange(m_keptAgainstRemovals, {}));
    else
        ListOutcome::tellWhatWasKept(m_userLists, m_keptAgainstRemovals);
}

bool ListsSynchronizer::keepListRemovedThere(ListModel *model)
{
    if (m_forceLocal || !m_userLists)
        return false;
    const bool sharing = ListOutcome::sharingChangedHere(model);
    const ListOutcome::KeptAgainstRemoval kept = ListOutcome::keepRemovedThere(m_userLists, model);
    if (kept == ListOutcome::KeptAgainstRemoval::No)
        return false;
    using Kept = ListOutcome::Kept;
    ListOutcome::markKept(model, kept == ListOutcome::KeptAgainstRemoval::Whole ? Kept::RemovedThereWhole
                                                                                : Kept::RemovedThere);
    // The server had none of it: a task the other computer moved out of
    // it is followed where it went.
    if (ListStarts::Start *start = m_starts.find(model)) {
        start->serverBefore = std::shared_ptr<const TaskList>(TaskList::create());
        if (kept == ListOutcome::KeptAgainstRemoval::Changes && start->agreed)
            m_keptAgainstRemoval.insert(model, sharing);
    }
    m_saves.lists();
    // Posted later in this run, like any new list.
    m_models.append(model);
    m_hasNewLists = true;
    return true;
}

void ListsSynchronizer::dropEmptiedKeptLists()
{
    const QHash<ListModel *, bool> kept = std::exchange(m_keptAgainstRemoval, {});
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
        ListModel *model = it.key();
        const ListStarts::Start *start = m_starts.find(model);
        if (it.value() || !m_userLists || !m_userLists->models().contains(model) || !start)
            continue;
        TaskList *list = model->taskList();
        if (!RemovalMerge::keepsNothing(start->agreed.get(), *list))
            continue;
        const quint32 id = list->serverId();
        m_userLists->deleteList(list);
        if (TaskList *record = m_userLists->findDeletedByServerId(id)) {
            m_deletedLists.append(record);
            m_serverIds.insert(id);
        }
    }
}

bool ListsSynchronizer::looksBeforeDelete(const TaskList *record, quint32 id) const
{
    const ListInfo *info = m_listInfos.value(id, nullptr);
    return !m_forceLocal && !m_forceRemote && info && RemovalMerge::movedOnSinceRemoved(record, id, info->revision());
}

void ListsSynchronizer::settleRemovedHere(TaskList *record, TaskList *fetched)
{
    const quint32 id = record->serverId();
    // As the moves see it: every task it agreed removed here, the server's
    // copy as fetched.
    ListStarts::Start start;
    start.agreed = record->sharedAgreed();
    start.status = TaskList::Edited;
    if (start.agreed && !m_forceLocal && !m_forceRemote) {
        start.mine.reset(RemovalMerge::removedWhole(*record, *start.agreed));
        start.serverBefore.reset(fetched->clone());
    }
    m_starts.lookedAt(id, *fetched);
    if (ListModel *model = ListOutcome::keepRemovedHere(m_userLists, m_groupsAtStart, record, fetched)) {
        m_starts.dropRemoved(id);
        if (start.mine) {
            m_starts.set(model, start);
            m_keptAgainstRemoval.insert(model, false);
        }
        ListOutcome::markKept(model, ListOutcome::Kept::RemovedHere);
        // Goes up in this run, its removals with it.
        queueAgain(model);
        m_saves.lists();
        return;
    }
    // Nothing changed there since: the removal goes as it was.
    m_deletedLists.prepend(record);
    m_serverIds.insert(id);
}

// The page's lists replaced as a whole (a backup restored from the tray's
// preferences while this run's window is up): the steps hold lists that are
// gone, so they end here, unread, and the run with them.
void ListsSynchronizer::onListsGone()
{
    if (hasEnded())
        return;
    m_unsentMarks.clear();
    m_currentModel = nullptr;
    delete m_listStep;
    m_listStep = nullptr;
    delete m_sharingStep;
    m_sharingStep = nullptr;
    delete m_layoutStep;
    m_layoutStep = nullptr;
    failRun(tr("The lists were replaced during the sync."));
}

void ListsSynchronizer::start()
{
    if (s_registered != this) {
        qDebug() << "more than one ListsSynchronizer exists";
        // Its dialog must not wait for an end that never comes.
        QTimer::singleShot(0, this, [this] { fail(tr("A synchronisation is already running.")); });
        return;
    }
    if (!ServerHttpConnection::instance()->isComplete()) {
        QTimer::singleShot(0, this, [this] { fail(tr("Settings required for sync are not complete.")); });
        return;
    }
    // Where an earlier run's moves took tasks is no longer news.
    if (m_userLists)
        for (ListModel *model : m_userLists->models())
            model->taskList()->clearMovedTasks();
    emit progress(tr("Contacting server..."), 0, 1000);
    sendRequest(QStringLiteral("GET"), QStringLiteral("/"), &ListsSynchronizer::onServerInfoRequestFinished);
}

void ListsSynchronizer::sendRequest(const QString &method, const QString &path,
                                    void (ListsSynchronizer::*onFinished)(), const QDomDocument *body)
{
    if (m_request) {
        disconnect(m_request, nullptr, this, nullptr);
        m_request->deleteLater();
    }
    m_request = new XMLRequest(method, path, true, nullptr);
    m_request->setSslErrorHandler(sslErrorHandler());
    if (body)
        m_request->setRequestDocument(*body);
    connect(m_request, &Request::finished, this, onFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

XMLRequest *ListsSynchronizer::answer()
{
    if (hasEnded() || !m_request || sender() != m_request)
        return nullptr;
    return m_request;
}

XMLRequest *ListsSynchronizer::answerWith(std::initializer_list<int> statuses)
{
    XMLRequest *request = answer();
    if (!request)
        return nullptr;
    if (request->hasError()) {
        failRun(request->errorString());
        return nullptr;
    }
    if (std::find(statuses.begin(), statuses.end(), request->responseHeader().statusCode()) == statuses.end()) {
        failRun(unexpectedResponse());
        return nullptr;
    }
    return request;
}

QString ListsSynchronizer::unexpectedResponse() const
{
    const HttpResponseHeader header = m_request->responseHeader();
    return QStringLiteral("Unexpected response %1 %2").arg(header.statusCode()).arg(header.reasonPhrase());
}

void ListsSynchronizer::failRun(const QString &error)
{
    m_unsentMarks.putBack(m_userLists);
    // What the lists that ran show of moves is settled here too; the lists
    // it changes go up with the next run. Not before the looks are taken:
    // nothing was changed then.
    if (!m_listStep && m_looks.empty() && !std::exchange(m_movesFollowed, true)
        && followMovedTasks(MovedThen::Wait))
        m_saves.lists();
    tellWhatWasKept();
    fail(m_unreadable.addTo(error));
}

bool ListsSynchronizer::uploadsBarred()
{
    if (m_saves.failed())
        failRun(m_saves.failure());
    return m_saves.failed();
}

QString ListsSynchronizer::checkServerInfo(const QDomDocument &document) const
{
    int protocol = 0;
    int oldest = 0;
    quint16 eventPort = 0;
    ServerReaderWriter reader;
    if (!reader.readServerInfo(document, &protocol, &oldest, &eventPort))
        return QStringLiteral("parse error: ") + reader.errorString();
    if (protocol < ProtocolVersion)
        return tr("server is running protocol version %1 and we require %2").arg(protocol).arg(ProtocolVersion);
    if (oldest > ProtocolVersion)
        return tr("server requires protocol version %1 and we only do %2").arg(oldest).arg(ProtocolVersion);
    return QString();
}

void ListsSynchronizer::onServerInfoRequestFinished()
{
    XMLRequest *request = answerWith({200});
    if (!request)
        return;
    const QString problem = checkServerInfo(request->responseDocument());
    if (!problem.isEmpty()) {
        failRun(problem);
        return;
    }
    requestListsInfo();
}

void ListsSynchronizer::requestListsInfo()
{
    emit progress(tr("Checking available lists..."), 50, 1000);
    sendRequest(QStringLiteral("GET"), ServerHttpConnection::instance()->userPath() + QStringLiteral("/lists-info"),
                &ListsSynchronizer::onListsRequestFinished);
}

void ListsSynchronizer::onListsRequestFinished()
{
    XMLRequest *request = answer();
    if (!request)
        return;
    if (request->hasError()) {
        failRun(request->authFailed() ? tr("Authorization failure.") : request->errorString());
        return;
    }
    if (request->responseHeader().statusCode() != 200) {
        failRun(tr("Unexpected response: %1").arg(request->responseHeader().reasonPhrase()));
        return;
    }
    if (!takeListInfos(request->responseDocument())) {
        failRun(tr("Could not parse retrieved list set."));
        return;
    }
    if (m_forceRemote && !confirmRemovingEverything())
        return;
    int n = int(m_serverIds.size() + m_models.size() + m_deletedLists.size());
    if (n == 0)
        n = 1;
    m_progressStep = qMax(1, 500 / n);
    emit progress(tr("%1 lists visible on server.").arg(m_serverIds.size()), 100, 1000);
    setAsideWaitingLists();
    if (m_forceRemote)
        recordWhatIsForced();
    else if (!m_forceLocal)
        settleForcedRemovals();
    keepListsBeforeMerges();
    if (m_userLists && !m_forceLocal && !m_forceRemote)
        m_starts.keepRemoved(m_deletedLists, m_listInfos);
    chooseLooks();
    markUploads(m_models, false);
    lookAtChangedLists();
}

// The server's summary of every list; false when the answer does not read
// as one.
bool ListsSynchronizer::takeListInfos(const QDomDocument &document)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    QMap<quint32, ListInfo *> infos;
    // A readable answer without the set (a portal page, a proxy's notice)
    // reads as an account without lists; every list the server knows would
    // then be taken for gone and removed here.
    if (!reader.readListInfos(document, infos)
        || (!hasElementOfClass(document.documentElement(), QStringLiteral("pd-list-infos")) && holdsServerLists())) {
        qDeleteAll(infos);
        return false;
    }
    m_listInfos = infos;
    for (auto it = m_listInfos.cbegin(); it != m_listInfos.cend(); ++it)
        m_serverIds.insert(it.key());
    return true;
}

// Lists that wait for the server's lists that may be theirs leave the queue
// until those are in. A forced run too looks for what an earlier upload in
// doubt made, so that it neither posts it again nor deletes it unseen.
void ListsSynchronizer::setAsideWaitingLists()
{
    m_postsInDoubt.setAside(m_models, m_deletedLists, m_serverIds);
}

// The forced remote run's first look at the server names everything it is
// to do, on disk before anything leaves: each of the user's lists goes up
// whole over the server's copy at the revision it has now (one the server
// no longer has is posted anew), and each list only the server has is
// removed at its revision. A run cut short leaves the rest to the next,
// which carries it out only where the server still holds what this one saw.
void ListsSynchronizer::recordWhatIsForced()
{
    if (!m_userLists)
        return;
    QSet<quint32> held;
    for (const QPointer<ListModel> &model : std::as_const(m_models)) {
        if (!model)
            continue;
        TaskList *list = model->taskList();
        if (list->syncStatus() == TaskList::New)
            continue;
        held.insert(list->serverId());
        const UploadMark mark = UploadMark::read(list->pendingUpload());
        if (!mark.isWhole())
            continue;
        if (const ListInfo *info = m_listInfos.value(list->serverId(), nullptr)) {
            list->setPendingUpload(UploadMark::wholeUpdate(info->revision(), mark.carriesImport()).text());
            model->setChanged();
            continue;
        }
        if (mark.carriesImport()) {
            RestoredLists::postAnew(model);
        } else {
            list->resetToNew();
            ListOutcome::startSharingAnew(model);
        }
        m_hasNewLists = true;
    }
    for (TaskList *record : std::as_const(m_deletedLists)) {
        held.insert(record->serverId());
        const ListInfo *info = m_listInfos.value(record->serverId(), nullptr);
        if (!info || !UploadMark::read(record->pendingUpload()).isWhole())
            continue;
        record->setPendingUpload(UploadMark::isForcedRemoval(record) ? UploadMark::forcedRemoval(info->revision()).text()
                                                                     : UploadMark::wholeUpdate(info->revision()).text());
    }
    QList<quint32> others;
    for (quint32 id : std::as_const(m_serverIds))
        if (!held.contains(id) && !m_postsInDoubt.mayBeCopy(id) && !m_userLists->taskListByServerId(id))
            others << id;
    std::sort(others.begin(), others.end());
    for (quint32 id : std::as_const(others)) {
        // Lists others share with the user are theirs.
        const ListInfo *info = m_listInfos.value(id);
        if (info->isOwned())
            deleteServerList(id, info->name(), info->revision());
    }
    m_userLists->setModified();
}

// A list only the server has that a forced remote run cut short was to
// remove goes only as that run saw it: changed there since, it stays, and
// comes down as any list made elsewhere. One the user removed goes by the
// removal rule, whatever the run was to send of it.
void ListsSynchronizer::settleForcedRemovals()
{
    const QList<TaskList *> records = m_deletedLists;
    for (TaskList *record : records) {
        const UploadMark mark = UploadMark::read(record->pendingUpload());
        const ListInfo *info = m_listInfos.value(record->serverId(), nullptr);
        if (!UploadMark::isForcedRemoval(record) || !info || info->revision() == mark.wholeSeenRevision())
            continue;
        m_forcedRemovalsMovedOn.insert(record->serverId());
        m_deletedLists.removeAll(record);
        m_userLists->purgeList(record);
    }
}

void ListsSynchronizer::keepListsBeforeMerges()
{
    m_starts.clear();
    if (m_userLists && !m_forceLocal && !m_forceRemote)
        m_starts.keep(m_userLists);
}

// Once every list is in: a task moved to another list on one computer while
// the other changed it, or moved it too, is settled (see ListMoves).
bool ListsSynchronizer::followMovedTasks(MovedThen then)
{
    if (!m_userLists)
        return false;
    const QList<ListModel *> models = m_userLists->models();
    // A move needs a change made here: with no list changed here, the
    // server's lists already are what both computers did. Where the other
    // moved a task is still recorded for the views that showed it, among the
    // lists the run brought anew (both ends of a move are).
    if (!m_starts.changedHere()) {
        QList<ListMoves::List> fetched;
        for (ListModel *model : models) {
            const ListStarts::Start *start = m_starts.find(model);
            if (!start || start->agreed.get() != model->taskList()->agreed())
                fetched << ListStarts::seen(start, model->taskList());
        }
        ListMoves::recordMoves(fetched);
        return false;
    }
    QList<ListMoves::List> lists;
    for (ListModel *model : models)
        lists << ListStarts::seen(m_starts.find(model), model->taskList());
    // Lists removed here too, after the lists here: a task moved out of one
    // before its removal is followed where it went.
    const std::vector<ListStarts::Removed> removed = m_starts.takeRemoved();
    for (const ListStarts::Removed &list : removed)
        lists << ListStarts::seen(&list.start, list.now.get());
    QStringList untold, wentThere, keptChanged;
    ListMoves::settle(lists, &untold, &wentThere, &keptChanged);
    for (int i = 0; i < models.size(); ++i)
        if (ListStarts::Start *start = m_starts.find(models.at(i)))
            start->unfollowed = lists.at(i).unfollowed;
    const auto tell = [](QStringList &lines, const QStringList &more) {
        for (const QString &line : more)
            if (!lines.contains(line))
                lines << line;
    };
    tell(m_keptAgainstRemovals.movesUntold, untold);
    tell(m_keptAgainstRemovals.movedThere, wentThere);
    tell(m_keptAgainstRemovals.tasks, keptChanged);
    for (int i = 0; i < models.size(); ++i)
        if (const ListStarts::Start *start = m_starts.find(models.at(i)); start && start->mine)
            tell(m_keptAgainstRemovals.movedSinceBackup,
                 RestoredLists::movedAway(*start->mine, models.at(i)->taskList(), start->serverBefore.get(),
                                          m_userLists));
    bool settled = false;
    for (int i = 0; i < models.size(); ++i) {
        if (lists.at(i).changed) {
            takeMovedList(models.at(i), then);
            settled = true;
        }
    }
    return settled;
}

void ListsSynchronizer::takeMovedList(ListModel *model, MovedThen then)
{
    model->markEditedAndReset();
    if (then == MovedThen::Queue) {
        queueAgain(model);
        return;
    }
    if (then != MovedThen::Mark || !m_models.contains(model) || m_updatesInDoubt.contains(model))
        return;
    TaskList *list = model->taskList();
    const QString before = list->pendingUpload();
    if (list->syncStatus() == TaskList::New)
        ListOutcome::markUpload(model, highestKnownServerId());
    else
        ListOutcome::markUploadOfChanges(model);
    if (list->pendingUpload() != before)
        m_unsentMarks.keep(model, list, before);
}

// The list goes up again in this run, from what the server now holds: its
// revision and sharing as this run left them. One posted in this run had no
// summary.
void ListsSynchronizer::queueAgain(ListModel *model)
{
    const TaskList *list = model->taskList();
    const quint32 id = list->serverId();
    if (m_listInfos.contains(id)) {
        setInfoRevision(id, list->revision());
    } else {
        // Posted in this run (a list kept against a removal there, say).
        m_listInfos.insert(id, new ListInfo(id, list->revision(), model->sharedRevision(), list->name(),
                                            list->owner(), list->permissions(), list->isOwned(),
                                            model->sharedUserCount() > 0));
    }
    m_serverIds.insert(id);
    m_models.append(model);
    ListOutcome::markUploadOfChanges(model);
}

void ListsSynchronizer::chooseLooks()
{
    m_looks.clear();
    m_nextLook = 0;
    m_mergedAfterLook.clear();
    if (!mayMeetChangesHere() || !m_userLists)
        return;
    QSet<quint32> held;
    chooseLooksAtLists(held);
    chooseLooksAtRemovals(held);
    chooseLooksAtOthers(held);
}

// A move can only meet a change made here; without one the lists go as they
// always did, each on its own.
bool ListsSynchronizer::mayMeetChangesHere() const
{
    return m_starts.changedHere();
}

void ListsSynchronizer::chooseLooksAtLists(QSet<quint32> &held)
{
    for (const QPointer<ListModel> &model : std::as_const(m_models)) {
        if (!model || model->taskList()->syncStatus() == TaskList::New)
            continue;
        const quint32 id = model->taskList()->serverId();
        held.insert(id);
        const ListLooks::Look look
            = ListLooks::forList(model->taskList(), m_listInfos.value(id, nullptr), m_serverIds.contains(id));
        if (look != ListLooks::Look::None)
            m_looks.push_back({model, id, nullptr});
        if (look == ListLooks::Look::Merge)
            m_mergedAfterLook.insert(model);
    }
}

// One removed here and changed there may hold a task moved into it.
void ListsSynchronizer::chooseLooksAtRemovals(QSet<quint32> &held)
{
    for (TaskList *removed : std::as_const(m_deletedLists)) {
        held.insert(removed->serverId());
        if (looksBeforeDelete(removed, removed->serverId()))
            m_looks.push_back({nullptr, removed->serverId(), nullptr, removed});
    }
}

// A list another computer made may hold a task moved out of one here. One
// that may be the copy of an upload in doubt waits for its turn, which
// tells.
void ListsSynchronizer::chooseLooksAtOthers(const QSet<quint32> &held)
{
    QList<quint32> others;
    for (quint32 id : std::as_const(m_serverIds))
        if (!held.contains(id) && !m_postsInDoubt.mayBeCopy(id))
            others << id;
    std::sort(others.begin(), others.end());
    for (quint32 id : std::as_const(others))
        m_looks.push_back({nullptr, id, nullptr});
}

void ListsSynchronizer::lookAtChangedLists()
{
    if (m_looks.empty()) {
        m_saves.lists();
        syncNextList();
        return;
    }
    lookAtNextList();
}

void ListsSynchronizer::lookAtNextList()
{
    while (m_nextLook < m_looks.size()) {
        const Look &look = m_looks[m_nextLook];
        if (look.model && (!m_userLists || !m_userLists->models().contains(look.model))) {
            ++m_nextLook; // removed meanwhile: its step tells
            continue;
        }
        const TaskList *list = look.model ? look.model->taskList() : look.removed;
        const ItemSyncText::Id text = list ? ItemSyncText::DownloadingChanges : ItemSyncText::DownloadingNewRemote;
        emit addProgress(ListSyncTraits::text(text, list ? list->name() : QString()), 0);
        sendRequest(QStringLiteral("GET"), ListSyncTraits::itemPath(look.id), &ListsSynchronizer::onLookedAtList);
        return;
    }
    takeLookedAtLists();
}

void ListsSynchronizer::onLookedAtList()
{
    XMLRequest *request = answer();
    if (!request || m_nextLook >= m_looks.size())
        return;
    QString unread;
    if (request->hasUnreadableDocument()) {
        unread = request->errorString();
    } else if (request->hasError()) {
        failRun(request->authFailed() ? tr("Authorization failure.") : request->errorString());
        return;
    }
    const int status = request->responseHeader().statusCode();
    Look &look = m_looks[m_nextLook++];
    if (unread.isEmpty() && status == 200) {
        QString error;
        look.fetched.reset(ListSyncTraits::readItem(request->responseDocument(), &error));
        if (!look.fetched)
            unread = QStringLiteral("parse error: ") + error;
    } else if (unread.isEmpty() && status != 403 && status != 404 && status != 410) {
        failRun(ListSyncTraits::text(ItemSyncText::FailedToRetrieve, QString()));
        return;
    }
    if (!unread.isEmpty())
        leaveUnread(look, unread);
    // A copy gone or refused is left to the list's own step, which deals
    // with it as before.
    lookAtNextList();
}

// A copy that cannot be read is left as it is on both sides, as the list's
// step would leave it. An edited list's step deals with it itself.
void ListsSynchronizer::leaveUnread(const Look &look, const QString &reason)
{
    ListModel *model = look.model;
    const TaskList *list = model ? model->taskList() : look.removed;
    if (model && (list->syncStatus() != TaskList::Unedited || ListSyncTraits::mustFetch(list)))
        return;
    m_unreadable.add(list ? list->name() : QString(), m_listInfos.value(look.id, nullptr), look.id, reason);
    m_serverIds.remove(look.id);
    if (model)
        m_models.removeAll(model);
    else if (look.removed)
        m_deletedLists.removeAll(look.removed);
    else
        m_unreadServerLists.insert(look.id);
}

// Every list looked at is in: each copy is taken as its list's step would
// take it, then the moves are settled before anything goes up, and what the
// uploads will carry is on disk, settled, before they leave.
void ListsSynchronizer::takeLookedAtLists()
{
    std::vector<Look> looks = std::exchange(m_looks, {});
    std::vector<KeptHere> keptHere;
    for (Look &look : looks)
        takeLook(look, keptHere);
    // A list changed here that the server no longer lists had none of its
    // tasks there: one the other computer moved out of it before removing
    // it is followed where it went, now, while the list it went to still
    // shows it arriving.
    m_starts.startFromNothingWhereGone(m_listInfos);
    followMovedTasks(MovedThen::Mark);
    dropEmptiedKeptLists();
    markKeptHere(keptHere);
    // Lists the steps fetch later (the copy of an upload in doubt, one not
    // read here) are settled at the end, from here, with the tasks that left
    // a list there for none seen yet: they may have gone into those.
    if (m_userLists && !m_forceLocal && !m_forceRemote)
        m_starts.keepSettled(m_userLists);
    else
        m_starts.clear();
    m_saves.lists();
    syncNextList();
}

void ListsSynchronizer::takeLook(Look &look, std::vector<KeptHere> &keptHere)
{
    if (!look.fetched || !m_userLists || look.fetched->serverId() != look.id)
        return;
    if (look.removed) {
        if (m_deletedLists.removeOne(look.removed))
            settleRemovedHere(look.removed, look.fetched.release());
        return;
    }
    if (!look.model) {
        if (!m_serverIds.contains(look.id) || m_userLists->taskListByServerId(look.id)
            || m_userLists->findDeletedByServerId(look.id))
            return;
        // Its step finds it here, up to date, and deals with its sharing.
        if (ListModel *model = addServerList(look.fetched.release()))
            m_models.append(model);
        return;
    }
    ListModel *model = look.model;
    if (!model || !m_userLists->models().contains(model))
        return;
    TaskList *list = model->taskList();
    if (list->serverId() != look.id || ListSyncTraits::mustFetch(list))
        return;
    if (list->syncStatus() == TaskList::Unedited) {
        ListOutcome::applyFetchedExisting(m_userLists, m_groupsAtStart, model, look.fetched.release());
        setInfoRevision(look.id, model->taskList()->revision());
    } else if (list->syncStatus() == TaskList::Edited && ListSyncTraits::mergesOnto(list, look.fetched.get())) {
        mergeLookedAt(model, look.fetched.release(), keptHere);
    }
}

// The merge its step would make, made here: the step then only uploads it.
void ListsSynchronizer::mergeLookedAt(ListModel *model, TaskList *fetched, std::vector<KeptHere> &keptHere)
{
    TaskList *list = model->taskList();
    const quint32 id = list->serverId();
    const bool inDoubt = m_updatesInDoubt.contains(model) && ListSyncTraits::mayHoldUploadedParts(list);
    // Ended before its upload leaves, the run puts back the mark of the
    // update in doubt: what this one would carry never went.
    m_unsentMarks.keep(model, list, list->pendingUpload());
    const bool arrived = inDoubt && ListSyncTraits::takeUploadedParts(list, fetched);
    bool nothingToSend = false;
    bool tookTheirs = false;
    const std::unique_ptr<TaskList> before(
        ListSyncTraits::mergeBeforePut(list, fetched, inDoubt, arrived, &nothingToSend, &tookTheirs));
    for (const Task *task : ListSynchronizer::keptThoughRemovedHere(before.get(), list))
        keptHere.push_back({model, task, task->lifetime()});
    // What an import brings back left the server's copy since the backup;
    // moved into another list meanwhile, it is followed there, as a task
    // this computer changed is.
    if (ListStarts::Start *start = m_starts.find(model))
        start->serverBefore = list->sharedAgreed();
    model->contentReplaced(tookTheirs);
    // Its mark now names the update about to leave.
    m_updatesInDoubt.remove(model);
    setInfoRevision(id, list->revision());
}

// Tasks removed here that a merge kept as the other computer changed them
// are told, unless the moves settled them as moved here.
void ListsSynchronizer::markKeptHere(const std::vector<KeptHere> &keptHere)
{
    for (const KeptHere &kept : keptHere) {
        bool stays = false;
        const Task *task = kept.task;
        if (kept.model && !kept.alive.expired() && m_userLists->models().contains(kept.model))
            kept.model->taskList()->rootTask()->forEachBelow([&](const Task *below) { stays = stays || below == task; });
        if (stays)
            ListOutcome::markKeptTasks(kept.model, {task->title()});
    }
}

// The server's copy of the list `id` was taken at `revision`: its step
// starts from there.
void ListsSynchronizer::setInfoRevision(quint32 id, quint32 revision)
{
    const ListInfo *info = m_listInfos.value(id, nullptr);
    if (!info || info->revision() == revision)
        return;
    m_listInfos.insert(id, new ListInfo(id, revision, info->sharedRevision(), info->name(), info->owner(),
                                        info->permissions(), info->isOwned(), info->isShared()));
    delete info;
}

// A forced remote run with no list here would remove every list of the
// user's on the server, the other computers' too: a lists file left empty
// (a kill, a new computer) must not do that unasked.
bool ListsSynchronizer::confirmRemovingEverything()
{
    if (!m_models.isEmpty())
        return true;
    int owned = 0;
    for (const ListInfo *info : std::as_const(m_listInfos))
        owned += info->isOwned();
    if (owned == 0)
        return true;
    QPointer<ListsSynchronizer> self(this);
    const bool yes = SyncNotices::ask(tr("Sync"), removingEverythingQuestion(owned));
    if (!self || hasEnded())
        return false;
    if (!yes)
        failRun(tr("Nothing was changed: there are no lists on this computer to upload."));
    return yes;
}

QString ListsSynchronizer::removingEverythingQuestion(int count)
{
    return tr("There are no lists on this computer. Uploading them in place of the server's would "
              "delete all %n of your lists on the server, on your other computers too.\n"
              "Delete them?",
              nullptr, count);
}

// Everything this run will send reaches the disk before the first upload
// leaves, the marks that let the next run recognise it included, in one
// save: a kill at any point leaves a file that tells what may be on the
// server.
void ListsSynchronizer::markUploads(const QList<QPointer<ListModel>> &models, bool save)
{
    const quint32 highest = highestKnownServerId();
    for (const QPointer<ListModel> &model : models) {
        if (!model)
            continue;
        TaskList *list = model->taskList();
        if (ListSyncTraits::mayHoldUploadedParts(list))
            m_updatesInDoubt.insert(model);
        const QString before = list->pendingUpload();
        // An update in doubt keeps naming only what it carried until the
        // next one leaves: a task made since was never sent, and must not
        // be taken for the copy of another's made in the same second.
        // One merged after its look is marked by the merge; should it not
        // be, its step marks it before its upload.
        if (list->syncStatus() == TaskList::New)
            ListOutcome::markUpload(model, highest);
        else if (!m_forceLocal && !m_updatesInDoubt.contains(model) && !m_mergedAfterLook.contains(model))
            ListOutcome::markUploadOfChanges(model);
        if (list->pendingUpload() != before)
            m_unsentMarks.keep(model, list, before);
    }
    if (save)
        m_saves.lists();
}

bool ListsSynchronizer::recogniseUpload(TaskList *fetched)
{
    const PostsInDoubt::Found found = m_postsInDoubt.takeCopyOf(fetched);
    if (found.model) {
        takePostedCopy(found.model, fetched, found.taking);
        return true;
    }
    if (!found.removed)
        return false;
    // Removed here before its creation was known: removed there too.
    TaskList *removed = found.removed;
    const quint32 id = fetched->serverId();
    removed->setServerId(id);
    // The lists file refuses a removed list with an id and no revision.
    removed->setRevision(fetched->revision());
    removed->setPendingUpload(QString());
    m_userLists->setModified();
    m_saves.lists();
    m_deletedLists.prepend(removed);
    m_serverIds.insert(id);
    delete fetched;
    m_currentModel = nullptr;
    return true;
}

void ListsSynchronizer::takePostedCopy(ListModel *model, TaskList *fetched, PostsInDoubt::Taking taking)
{
    const quint32 id = fetched->serverId();
    m_postedIds.insert(id);
    if (taking == PostsInDoubt::Taking::ServersCopy) {
        ListOutcome::applyFetchedExisting(m_userLists, m_groupsAtStart, model, fetched, nullptr, true);
        m_currentModel = model;
        return;
    }
    // The user's version goes up onto the server's list, in this run.
    ListOutcome::takeOverPostedCopy(m_userLists, m_groupsAtStart, model, fetched,
                                    taking == PostsInDoubt::Taking::UsersTasksOnly);
    m_saves.lists();
    m_models.prepend(model);
    m_serverIds.insert(id);
    m_currentModel = nullptr;
}

quint32 ListsSynchronizer::highestKnownServerId() const
{
    quint32 highest = m_listInfos.isEmpty() ? 0 : m_listInfos.lastKey();
    if (m_userLists) {
        for (const TaskList *list : m_userLists->taskLists())
            highest = qMax(highest, list->serverId());
    }
    return highest;
}

bool ListsSynchronizer::holdsServerLists() const
{
    if (!m_deletedLists.isEmpty())
        return true;
    for (const QPointer<ListModel> &model : m_models)
        if (model && model->taskList()->syncStatus() != TaskList::New)
            return true;
    return false;
}

// One list at a time, each in a step of its own: those removed here first,
// then the lists here, then those only the server has; then where they
// stand.
void ListsSynchronizer::syncNextList()
{
    m_currentModel = nullptr;
    TaskList *list = nullptr;
    quint32 id = 0;
    do {
        if (!takeWaitingLists()) {
            tellWhatWasKept();
            syncLayout();
            return;
        }
    } while (!takeNextList(&list, &id));
    startListStep(list, id);
}

bool ListsSynchronizer::listsLeft() const
{
    return !m_deletedLists.isEmpty() || !m_models.isEmpty() || !m_serverIds.isEmpty();
}

// Lists that waited for the others join the run once those are done, in
// turn: lists whose creation is in doubt that no server list was the copy
// of, then the lists the settling of moves changed. False when no list is
// left.
bool ListsSynchronizer::takeWaitingLists()
{
    if (!listsLeft() && !m_postsInDoubt.isEmpty()) {
        // No server list was their copy: posted (again), or, removed
        // here, dropped. The marks now name what this run knows. One
        // whose copy may be a list the run could not read waits.
        m_postsInDoubt.release(m_models, m_deletedLists, m_unreadServerLists);
        markUploads(m_models);
    }
    if (!listsLeft() && !std::exchange(m_movesFollowed, true) && followMovedTasks(MovedThen::Queue)) {
        dropEmptiedKeptLists();
        m_saves.lists();
    }
    return listsLeft();
}

// The next list (`list`, null for one only the server has) and its server
// id (0 for none); false when the one taken is gone since the run began.
bool ListsSynchronizer::takeNextList(TaskList **list, quint32 *id)
{
    if (!m_deletedLists.isEmpty()) {
        *list = m_deletedLists.takeFirst();
        // A list purged since the snapshot is gone for good.
        if (!m_userLists || !m_userLists->deletedLists().contains(*list))
            return false;
        *id = (*list)->serverId();
        if (!m_serverIds.remove(*id))
            *id = 0;
    } else if (!m_models.isEmpty()) {
        m_currentModel = m_models.takeFirst();
        if (!m_currentModel || !m_userLists || !m_userLists->models().contains(m_currentModel))
            return false; // removed since the snapshot
        *list = m_currentModel->taskList();
        *id = (*list)->serverId();
        if ((*list)->syncStatus() != TaskList::New && !m_serverIds.remove(*id))
            *id = 0;
    } else {
        // Lowest first: the copy of an upload in doubt is older than any
        // list others made from it.
        const auto it = std::min_element(m_serverIds.begin(), m_serverIds.end());
        *id = *it;
        m_serverIds.erase(it);
        *list = nullptr;
    }
    return true;
}

void ListsSynchronizer::startListStep(TaskList *list, quint32 id)
{
    ListInfo *info = id != 0 ? m_listInfos.value(id, nullptr) : nullptr;
    m_stepHadModel = m_currentModel;
    if (m_currentModel)
        markBeforeStep(m_currentModel, info);
    if (uploadsBarred())
        return;
    m_listStep = new ListSynchronizer(id, info, list, m_progressStep, this);
    connect(m_listStep, &ListSynchronizer::finished, this, &ListsSynchronizer::onListSynchronizerFinished);
    connect(m_listStep, &ListSynchronizer::progress, this, &ListsSynchronizer::progress);
    connect(m_listStep, &ListSynchronizer::addProgress, this, &ListsSynchronizer::addProgress);
    // A list only the server has is deleted there only when it is the
    // user's own: lists others share with the user are fetched, never
    // deleted for everyone.
    if (m_forceRemote && (list ? list->isOwned() : (info && info->isOwned())) && !(!list && m_postsInDoubt.mayBeCopy(id)))
        m_listStep->setForceRemote(true);
    m_listStep->setEarlierUploadInDoubt(m_currentModel && m_updatesInDoubt.contains(m_currentModel));
    m_listStep->setLookBeforeDelete(!m_currentModel && looksBeforeDelete(list, id));
    if (m_currentModel) {
        m_listStep->setSaveBeforeUpload(
            [this, model = m_currentModel] { return model ? saveBeforeListUpload(model) : QString(); });
        m_listStep->setUploadLeaving([this, model = m_currentModel.data(), name = list->name()] {
            m_unsentMarks.sent(model);
            m_saves.sent(SaveFailure::SentList, name);
        });
    }
    m_listStep->start();
}

// A list that joined the run after its marks were set (a copy of the user's
// version, say) is marked and saved before it goes.
void ListsSynchronizer::markBeforeStep(ListModel *model, const ListInfo *info)
{
    TaskList *list = model->taskList();
    const QString markBefore = list->pendingUpload();
    if (list->syncStatus() == TaskList::New && markBefore.isEmpty()) {
        ListOutcome::markUpload(model, highestKnownServerId());
        m_saves.lists();
    } else if (!m_forceLocal && list->syncStatus() == TaskList::Edited
               && (!UploadMark::read(markBefore).isPut() || putsAtOnce(model, info))
               && ListOutcome::markUploadOfChanges(model)) {
        m_saves.lists();
    }
    // A list kept in place of another keeps no mark of that one's.
    if (list->pendingUpload() != markBefore)
        m_unsentMarks.keepForList(model, list, markBefore);
}

// The list step's save before its upload: what its merge kept is marked,
// and the server's copy it merged onto noted for the moves.
QString ListsSynchronizer::saveBeforeListUpload(ListModel *model)
{
    if (m_listStep)
        ListOutcome::markKeptTasks(model, m_listStep->keptThoughRemovedHere());
    ListStarts::Start *start = m_starts.find(model);
    if (start && model->taskList()->agreed() != start->agreed.get())
        start->serverBefore = model->taskList()->sharedAgreed();
    model->contentReplaced(m_listStep && m_listStep->mergeTookTheirs());
    return m_saves.listsOrFailure();
}

// An update in doubt is marked anew when the next one leaves: after the
// look at the server's copy, or at once when the server has not changed
// since (so the earlier one did not arrive).
bool ListsSynchronizer::putsAtOnce(ListModel *model, const ListInfo *info) const
{
    return m_updatesInDoubt.contains(model) && info && info->revision() == model->taskList()->revision();
}

void ListsSynchronizer::releaseListStep()
{
    if (!m_listStep)
        return;
    disconnect(m_listStep, nullptr, this, nullptr);
    m_listStep->deleteLater();
    m_listStep = nullptr;
}

void ListsSynchronizer::onListSynchronizerFinished()
{
    ListSynchronizer *step = m_listStep;
    if (!step || sender() != step || hasEnded())
        return;
    if (m_stepHadModel && !m_currentModel) {
        // The list was removed while its step ran: nothing to apply it to.
        delete step->takeResultList();
        releaseListStep();
        failRun(tr("A list was removed during the sync."));
        return;
    }
    if (m_currentModel) {
        if (ListInfo *info = m_listInfos.value(m_currentModel->taskList()->serverId(), nullptr))
            m_currentModel->setPermissions(info->permissions());
    }
    if (step->deleteSent()) {
        const ListInfo *info = m_listInfos.value(step->id(), nullptr);
        m_saves.sent(SaveFailure::SentListRemoval,
                     step->localList() ? step->localList()->name() : info ? info->name() : QString());
    }
    // What a forced remote run left undone, finished by this one, is told.
    if (!m_forceRemote && !m_forceLocal) {
        const TaskList *local = step->localList();
        if (m_currentModel)
            ListOutcome::markForcedFinished(m_currentModel, step);
        else if (local && step->deleteSent() && step->result() == ListSynchronizer::Gone
                 && UploadMark::isForcedRemoval(local))
            m_keptAgainstRemovals.forcedRemoved << local->name();
    }
    switch (step->result()) {
    case ListSynchronizer::Failed:
        takeFailedStep(step);
        return;
    case ListSynchronizer::ReceivedNew:
        takeNewList(step->takeResultList());
        break;
    case ListSynchronizer::Gone:
        takeGoneList(step->localList());
        break;
    case ListSynchronizer::ReceivedExisting:
        takeExistingList(step);
        break;
    case ListSynchronizer::DeleteRefused:
        takeRefusedDelete(step->localList());
        break;
    case ListSynchronizer::RemoteGone:
        m_currentModel = nullptr;
        break;
    case ListSynchronizer::NoChanges:
        break;
    default:
        qDebug() << "Unknown ListSynchronizer result";
        break;
    }
    if (step->assignedId() != 0)
        m_postedIds.insert(step->assignedId());
    releaseListStep();
    syncSharing();
}

// The step's removed list (`local`) is still among the lists removed here.
bool ListsSynchronizer::removalHeld(const TaskList *local) const
{
    return local && !m_currentModel && m_userLists && m_userLists->deletedLists().contains(local);
}

// A list the server could not give is left as it is and the run goes on;
// any other failure ends the run.
void ListsSynchronizer::takeFailedStep(ListSynchronizer *step)
{
    const QString error = step->errorString();
    ListOutcome::recordWhatArrived(m_currentModel, step);
    const bool goOn = m_unreadable.take(step, m_listInfos.value(step->id(), nullptr));
    if (goOn && !step->localList())
        m_unreadServerLists.insert(step->id());
    releaseListStep();
    if (goOn)
        syncNextList();
    else
        failRun(error);
}

// A list only the server had: the copy of a post in doubt, or a list of its
// own.
void ListsSynchronizer::takeNewList(TaskList *fetched)
{
    if (recogniseUpload(fetched))
        return;
    if (m_forceRemote && fetched->isOwned() && m_userLists) {
        // Fetched in a forced run only to be told apart from an upload
        // in doubt: it is not one, and goes as the run's others do.
        deleteServerList(fetched->serverId(), fetched->name(), fetched->revision());
        delete fetched;
        return;
    }
    m_currentModel = addServerList(fetched);
}

// A list only the server has joins the lists here, as the server has it;
// its model, or null (and `fetched` deleted) when refused.
ListModel *ListsSynchronizer::addServerList(TaskList *fetched)
{
    UserLists::AddResult added = UserLists::Refused;
    const quint32 arrived = fetched->serverId();
    ListModel *model = m_userLists ? m_userLists->addList(fetched, &added) : nullptr;
    if (!m_userLists || added == UserLists::Refused) {
        delete fetched;
        return nullptr;
    }
    // Known here before a forced local run took it anew.
    m_userLists->takeKeptIdentities(model);
    fetched->agreeAsIs();
    // Placed by the server's order.
    m_arrivedIds.insert(arrived);
    if (m_forcedRemovalsMovedOn.remove(arrived))
        ListOutcome::markKept(model, ListOutcome::Kept::ForcedMovedOn);
    // A forced run that fails puts the lists back as they were.
    if (!m_forceLocal && !m_forceRemote)
        m_userLists->noteArrived(arrived);
    // Not here before, yet the groups placed it (lists replaced by an
    // import, a lists file lost): it keeps its group.
    if (m_groupsAtStart && model)
        m_groupsAtStart->placeAsAgreed(model->taskList());
    return model;
}

// The server no longer has the list: removed here too, unless it changed
// here since.
void ListsSynchronizer::takeGoneList(TaskList *local)
{
    const bool held = removalHeld(local);
    const UploadMark mark = UploadMark::read(local->pendingUpload());
    if (m_currentModel && mark.carriesImport()) {
        // Brought back by an import, it replaces what the server no longer
        // has: posted anew, later in this run.
        RestoredLists::postAnew(m_currentModel);
        m_currentModel->setChanged();
        m_models.append(m_currentModel);
        m_hasNewLists = true;
        m_currentModel = nullptr;
        return;
    }
    if (m_currentModel && keepListRemovedThere(m_currentModel)) {
        m_currentModel = nullptr;
        return;
    }
    if (m_currentModel || held)
        m_userLists->purgeList(local);
    m_currentModel = nullptr;
}

void ListsSynchronizer::takeExistingList(ListSynchronizer *step)
{
    TaskList *local = step->localList();
    TaskList *fetched = step->takeResultList();
    if (!m_currentModel && removalHeld(local) && step->looksBeforeDelete()) {
        settleRemovedHere(local, fetched);
        return;
    }
    if (!m_currentModel) {
        delete fetched;
        return;
    }
    if (step->localGaveWay() != ListSynchronizer::GaveWay::No) {
        // Nothing of the user's was sent: it stays beside the list, and
        // goes up later in this run as a new list.
        if (ListModel *beside = ListOutcome::keepBeside(m_userLists, m_currentModel)) {
            m_models.append(beside);
            m_hasNewLists = true;
            ListOutcome::markKept(beside, step->localGaveWay() == ListSynchronizer::GaveWay::ReadOnly
                                              ? ListOutcome::Kept::ReadOnly
                                              : ListOutcome::Kept::UnknownBase);
        }
    }
    bool uploadAgain = false;
    if (ListModel *copy = ListOutcome::applyFetchedExisting(m_userLists, m_groupsAtStart, m_currentModel, fetched,
                                                            &uploadAgain, ListOutcome::uploadAnswered(step))) {
        // Posted later in this run, like any new list.
        m_models.append(copy);
        m_hasNewLists = true;
    }
    if (uploadAgain) {
        m_saves.lists();
        // The user's version goes up in place of the posted one.
        m_models.prepend(m_currentModel);
        m_serverIds.insert(m_currentModel->taskList()->serverId());
        m_currentModel = nullptr;
    }
}

// With no local list (a list others share, refused to a forced remote run)
// there is nothing to purge, and putting the id back would delete it again
// and again.
void ListsSynchronizer::takeRefusedDelete(TaskList *local)
{
    if (removalHeld(local)) {
        m_serverIds.insert(local->serverId());
        m_userLists->purgeList(local);
    }
    m_currentModel = nullptr;
}

// The list's sharing goes with it, for the user's own lists.
void ListsSynchronizer::syncSharing()
{
    if (!m_currentModel || !m_currentModel->taskList()->isOwned()) {
        syncNextList();
        return;
    }
    const ListInfo *info = m_listInfos.value(m_currentModel->taskList()->serverId(), nullptr);
    const quint32 serverRevision = info ? info->sharedRevision() : 1;
    const ListSharingSynchronizer::Mode mode = ListOutcome::sharingMode(m_currentModel, serverRevision, m_forceRemote);
    if (mode == ListSharingSynchronizer::Nothing) {
        syncNextList();
        return;
    }
    m_sharingStep = new ListSharingSynchronizer(m_currentModel, serverRevision, this);
    connect(m_sharingStep, &ListSharingSynchronizer::finished, this,
            &ListsSynchronizer::onSharingSynchronizerFinished);
    m_sharingStep->setSaveBeforeUpload([this, name = m_currentModel->taskList()->name()] {
        return m_saves.listsBefore(SaveFailure::SentSharing, name);
    });
    m_sharingStep->start(mode);
}

void ListsSynchronizer::onSharingSynchronizerFinished()
{
    ListSharingSynchronizer *step = m_sharingStep;
    if (!step || sender() != step || hasEnded())
        return;
    const QString error = step->errorString();
    disconnect(step, nullptr, this, nullptr);
    step->deleteLater();
    m_sharingStep = nullptr;
    if (!error.isEmpty()) {
        failRun(error);
        return;
    }
    syncNextList();
}

// Once every list is in step, where they stand: their order, then their
// groups.
void ListsSynchronizer::syncLayout()
{
    if (uploadsBarred())
        return;
    ListsLayoutSynchronizer::Run run;
    run.lists = m_userLists;
    run.host = m_host;
    run.groupsAtStart = m_groupsAtStart;
    run.saves = &m_saves;
    run.sslErrorHandler = sslErrorHandler();
    run.forceRemote = m_forceRemote;
    run.forceLocal = m_forceLocal;
    run.hasNewLists = m_hasNewLists;
    run.arrivedIds = m_arrivedIds;
    run.postedIds = m_postedIds;
    m_layoutStep = new ListsLayoutSynchronizer(run, this);
    connect(m_layoutStep, &ListsLayoutSynchronizer::progress, this, &ListsSynchronizer::progress);
    connect(m_layoutStep, &ListsLayoutSynchronizer::finished, this, &ListsSynchronizer::onLayoutSynchronizerFinished);
    m_layoutStep->start();
}

void ListsSynchronizer::onLayoutSynchronizerFinished()
{
    ListsLayoutSynchronizer *step = m_layoutStep;
    if (!step || sender() != step || hasEnded())
        return;
    const QString error = step->errorString();
    disconnect(step, nullptr, this, nullptr);
    step->deleteLater();
    m_layoutStep = nullptr;
    if (!error.isEmpty())
        failRun(error);
    else
        startNotepadSync();
}

void ListsSynchronizer::startNotepadSync()
{
    m_notepadStep = new NotepadSynchronizer(sslErrorHandler(), this);
    m_notepadStep->setForceRemote(m_forceRemote);
    m_notepadStep->setForceLocal(m_forceLocal);
    m_notepadStep->setSentBefore(m_saves.sentSoFar());
    connect(m_notepadStep, &NotepadSynchronizer::progress, this, &ListsSynchronizer::progress);
    connect(m_notepadStep, &NotepadSynchronizer::addProgress, this, &ListsSynchronizer::addProgress);
    connect(m_notepadStep, &NotepadSynchronizer::finished, this, &ListsSynchronizer::onNotepadSynchronizerFinished);
    m_notepadStep->start();
}

void ListsSynchronizer::onNotepadSynchronizerFinished()
{
    NotepadSynchronizer *step = m_notepadStep;
    if (!step || sender() != step || hasEnded())
        return;
    const QString error = step->errorString();
    disconnect(step, nullptr, this, nullptr);
    step->deleteLater();
    m_notepadStep = nullptr;
    if (error.isNull() && m_unreadable.isEmpty())
        succeed();
    else
        failRun(error);
}
