#include "sync/runs/singlelistsynchronizer.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "sync/requests/httpresponseheader.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listsharingsynchronizer.h"
#include "sync/runs/listssynchost.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/merges/listmerge.h"
#include "sync/merges/listmoves.h"
#include "sync/runs/restoredlists.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/sslerrorhandler.h"
#include "sync/runs/unreadablelists.h"
#include "sync/requests/xmlrequest.h"

#include <QDebug>
#include <QTimer>

#include <memory>

SingleListSynchronizer::SingleListSynchronizer(UserLists *lists, ListsSyncHost *host, ListModel *model,
                                               QObject *parent)
    : QObject(parent)
    , m_userLists(lists)
    , m_model(model)
    , m_hadModel(model != nullptr)
    , m_host(host)
    , m_saves(host)
{
    if (model) {
        m_list = model->taskList();
        m_serverId = m_list->syncStatus() == TaskList::New ? 0 : m_list->serverId();
    }
    if (host)
        m_listsGroups = host->listsGroups();
}

SingleListSynchronizer::~SingleListSynchronizer()
{
    delete m_request;
    releaseSteps();
    delete m_info;
    delete m_sslErrorHandler;
}

void SingleListSynchronizer::start()
{
    m_sslErrorHandler = SslErrorHandler::make(m_host ? m_host->dialogParent() : nullptr);
    if (!m_model) {
        failLater(tr("The list was removed before its sync began."));
        return;
    }
    // Marked first: the page's panels and dialogs stop editing the list as
    // they are told of the run.
    m_model->setSynchronizing(true);
    if (m_host)
        m_host->singleListSyncStarted(m_model);
    if (!ServerHttpConnection::instance()->isComplete()) {
        failLater(tr("Settings required for sync are not complete."));
        return;
    }
    // A task moved between this list and another here goes up with both, in
    // the full run, which settles what the other computer did to it since:
    // this list's upload alone would leave the move half made there.
    if (movedBetweenLists()) {
        waitForFullSyncLater(waitsForMovesText(m_list->name()));
        return;
    }
    if (RestoredLists::waitsForFullRun(m_list)) {
        // What the import changed is told by the full synchronisation,
        // which sees every list.
        waitForFullSyncLater(waitsForRestoreText(m_list->name()));
        return;
    }
    if (m_list->syncStatus() == TaskList::New) {
        if (!m_list->pendingUpload().isEmpty()) {
            // An earlier upload of it may have arrived: only the full
            // synchronisation, which sees the server's lists, can tell.
            waitForFullSyncLater(waitsForFullSyncText(m_list->name()));
            return;
        }
        quint32 highest = 0;
        if (m_userLists) {
            for (const TaskList *list : m_userLists->taskLists())
                highest = qMax(highest, list->serverId());
        }
        ListOutcome::markUpload(m_model, highest);
        if (!m_saves.lists()) {
            // Nothing was posted: no earlier upload to look for.
            m_list->setPendingUpload(QString());
            failLater(m_saves.failure());
            return;
        }
        startListStep();
        return;
    }
    if (m_serverId == 0) {
        failLater(tr("Error list id invalid"));
        return;
    }
    m_request = new XMLRequest(QStringLiteral("GET"),
                               ServerHttpConnection::instance()->userPath()
                                   + QStringLiteral("/list-info/%1").arg(m_serverId),
                               true, nullptr);
    m_request->setSslErrorHandler(m_sslErrorHandler);
    connect(m_request, &Request::finished, this, &SingleListSynchronizer::onListRequestFinished);
    ServerHttpConnection::instance()->addRequest(m_request);
}

void SingleListSynchronizer::onListRequestFinished()
{
    XMLRequest *request = m_request;
    if (m_ended || !request || sender() != request)
        return;
    m_request = nullptr;
    request->deleteLater();
    disconnect(request, nullptr, this, nullptr);
    if (request->hasError()) {
        fail(request->authFailed() ? tr("Authorization failure.") : request->errorString());
        return;
    }
    if (listWasRemoved()) {
        fail(tr("The list was removed during its sync."));
        return;
    }
    const int status = request->responseHeader().statusCode();
    if (status == 404 || status == 410) {
        m_serverId = 0;
        startListStep();
        return;
    }
    if (status != 200) {
        qDebug().noquote() << "SingleListSynchronizer::onListRequestFinished(),Unexpected response. Error code: "
                                  + QString::number(status);
        fail(tr("Unexpected response: %1").arg(request->responseHeader().reasonPhrase()));
        return;
    }
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    ListInfo *info = nullptr;
    // An answer without a summary would leave the list step an id and no
    // revision to decide on.
    if (!reader.readSingleListInfo(request->responseDocument(), info) || !info) {
        delete info;
        qDebug() << "SingleListSynchronizer::onListRequestFinished(),Could not parse retrieved list info.";
        fail(tr("Could not parse retrieved list info."));
        return;
    }
    m_info = info;
    m_updateInDoubt = ListSyncTraits::mayHoldUploadedParts(m_list);
    // What goes up (a removal, a mark) is on disk before it leaves. An
    // update in doubt is marked anew only once the next one leaves (after
    // the step's look at the server's copy when the server changed since).
    const QString markBefore = m_list->pendingUpload();
    if (!m_updateInDoubt || info->revision() == m_list->revision())
        ListOutcome::markUploadOfChanges(m_model);
    if (!m_saves.lists()) {
        m_list->setPendingUpload(markBefore);
        fail(m_saves.failure());
        return;
    }
    startListStep();
}

void SingleListSynchronizer::startListStep()
{
    m_listStep = new ListSynchronizer(m_serverId, m_serverId ? m_info : nullptr, m_list, 1, this);
    m_listStep->setEarlierUploadInDoubt(m_updateInDoubt);
    m_listStep->setTellsOnlyByItsEnd(true);
    m_fetchOnly = m_list->syncStatus() == TaskList::Unedited && !ListSyncTraits::mustFetch(m_list);
    m_listStep->setLookBeforeMerge([this](const TaskList *fetched) {
        const QString why = cannotSeeWhereTasksWent(fetched);
        m_waits = !why.isEmpty();
        return why;
    });
    m_listStep->setSaveBeforeUpload([this] {
        if (!m_model)
            return QString();
        // Told on the page, which the user reads when ready: the run may
        // end while they type elsewhere.
        if (m_listStep)
            ListOutcome::markKeptTasks(m_model, m_listStep->keptThoughRemovedHere());
        m_model->contentReplaced(m_listStep && m_listStep->mergeTookTheirs());
        return m_saves.listsOrFailure();
    });
    m_listStep->setUploadLeaving([this, name = m_list->name()] { m_saves.sent(SaveFailure::SentList, name); });
    connect(m_listStep, &ListSynchronizer::finished, this, &SingleListSynchronizer::onListSynchronizerFinished);
    m_listStep->start();
}

void SingleListSynchronizer::onListSynchronizerFinished()
{
    ListSynchronizer *step = m_listStep;
    if (m_ended || !step || sender() != step)
        return;
    if (listWasRemoved()) {
        delete step->takeResultList();
        fail(tr("The list was removed during its sync."));
        return;
    }
    if (m_info)
        m_model->setPermissions(m_info->permissions());
    ListOutcome::markForcedFinished(m_model, step);
    switch (step->result()) {
    case ListSynchronizer::Failed:
        ListOutcome::recordWhatArrived(m_model, step);
        fail(m_waits ? step->errorString() : UnreadableLists::stepError(step, m_info));
        return;
    case ListSynchronizer::Gone:
        // What changed here stays; only the full run, which sees every
        // list, knows where the other computer moved the rest.
        if (ListOutcome::changedSinceAgreed(m_model)) {
            waitForFullSync(waitsForRemovalText(m_list->name()));
            return;
        }
        if (m_userLists)
            m_userLists->purgeList(step->localList());
        m_model = nullptr;
        break;
    case ListSynchronizer::ReceivedExisting: {
        TaskList *fetched = step->takeResultList();
        if (!m_userLists) {
            delete fetched;
            break;
        }
        if (m_fetchOnly) {
            const QString why = cannotSeeWhereTasksWent(fetched);
            if (!why.isEmpty()) {
                delete fetched;
                waitForFullSync(why);
                return;
            }
        }
        // Nothing of the user's was sent: it stays beside the list, a new
        // list the next full run posts.
        if (step->localGaveWay() != ListSynchronizer::GaveWay::No)
            ListOutcome::markKept(ListOutcome::keepBeside(m_userLists, m_model),
                                  step->localGaveWay() == ListSynchronizer::GaveWay::ReadOnly
                                      ? ListOutcome::Kept::ReadOnly
                                      : ListOutcome::Kept::UnknownBase);
        // A list whose posted copy the user's version replaces stays
        // Edited: the next run uploads it.
        ListOutcome::applyFetchedExisting(m_userLists, m_listsGroups, m_model, fetched, nullptr,
                                          ListOutcome::uploadAnswered(step));
        m_list = m_model->taskList();
        break;
    }
    case ListSynchronizer::RemoteGone:
        m_model = nullptr;
        break;
    case ListSynchronizer::NoChanges:
        break;
    default:
        qDebug() << "Unknown ListSynchronizer result";
        break;
    }
    disconnect(step, nullptr, this, nullptr);
    step->deleteLater();
    m_listStep = nullptr;

    if (!m_model || !m_model->taskList()->isOwned()) {
        succeed();
        return;
    }
    const quint32 serverRevision = m_info ? m_info->sharedRevision() : 1;
    const ListSharingSynchronizer::Mode mode = ListOutcome::sharingMode(m_model, serverRevision, false);
    if (mode == ListSharingSynchronizer::Nothing) {
        succeed();
        return;
    }
    m_sharingStep = new ListSharingSynchronizer(m_model, serverRevision, this);
    connect(m_sharingStep, &ListSharingSynchronizer::finished, this,
            &SingleListSynchronizer::onSharingSynchronizerFinished);
    m_sharingStep->setSaveBeforeUpload(
        [this, name = m_list->name()] { return m_saves.listsBefore(SaveFailure::SentSharing, name); });
    m_sharingStep->start(mode);
}

void SingleListSynchronizer::onSharingSynchronizerFinished()
{
    if (m_ended || !m_sharingStep || sender() != m_sharingStep)
        return;
    if (m_sharingStep->hasError())
        fail(m_sharingStep->errorString());
    else
        succeed();
}

void SingleListSynchronizer::releaseSteps()
{
    if (m_listStep) {
        disconnect(m_listStep, nullptr, this, nullptr);
        m_listStep->deleteLater();
        m_listStep = nullptr;
    }
    if (m_sharingStep) {
        disconnect(m_sharingStep, nullptr, this, nullptr);
        m_sharingStep->deleteLater();
        m_sharingStep = nullptr;
    }
}

void SingleListSynchronizer::succeed()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_model)
        m_model->setSynchronizing(false);
    releaseSteps();
    emit success(this, m_model);
}

void SingleListSynchronizer::fail(const QString &message)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_model)
        m_model->setSynchronizing(false);
    releaseSteps();
    emit failed(message, this, m_model);
}

void SingleListSynchronizer::waitForFullSync(const QString &message)
{
    m_waits = true;
    fail(message);
}

void SingleListSynchronizer::waitForFullSyncLater(const QString &message)
{
    m_waits = true;
    failLater(message);
}

bool SingleListSynchronizer::movedBetweenLists() const
{
    if (!m_userLists || !m_list)
        return false;
    // A list removed here since is one too: what was moved out of it
    // before goes up only once the full run has seen its removal.
    QList<const TaskList *> others;
    for (const TaskList *list : m_userLists->taskLists() + m_userLists->deletedLists())
        others << list;
    return ListMoves::movedHere(m_list, others);
}

QString SingleListSynchronizer::cannotSeeWhereTasksWent(const TaskList *fetched) const
{
    if (!m_list || !fetched)
        return QString();
    // Gone there, changed here: the merge would keep it, where it may have
    // been moved out to another list there.
    if (m_list->syncStatus() == TaskList::Edited && m_list->agreed()) {
        ListMerge::Outcome outcome;
        std::unique_ptr<TaskList> merged(
            ListMerge::merge(*m_list->agreed(), *m_list, *fetched, ListMerge::Sent(), &outcome));
        if (!outcome.keptThoughRemovedThere.isEmpty())
            return waitsForOtherListsText(m_list->name());
    }
    // Come in there, perhaps moved out of a list here that holds changes to
    // it: taken here alone, that list's run could no longer tell the move.
    const TaskList *known = m_list->agreed() ? m_list->agreed() : m_list;
    const QHash<quint32, Task *> knownTasks = known->tasksById();
    QSet<QString> arrived;
    fetched->rootTask()->forEachBelow([&](Task *task) {
        // A row nobody typed into is no task's copy.
        if (!knownTasks.contains(task->id()) && !task->isBlankRecursively())
            arrived.insert(task->identity());
    });
    if (arrived.isEmpty() || !m_userLists)
        return QString();
    for (const TaskList *other : m_userLists->taskLists()) {
        if (other == m_list || other->syncStatus() == TaskList::Unedited)
            continue;
        bool held = false;
        other->rootTask()->forEachBelow(
            [&](Task *task) { held = held || (!task->isBlankRecursively() && arrived.contains(task->identity())); });
        if (held)
            return waitsForOtherListsText(m_list->name());
    }
    return QString();
}

void SingleListSynchronizer::failLater(const QString &message)
{
    QTimer::singleShot(0, this, [this, message] { fail(message); });
}

void SingleListSynchronizer::cancel()
{
    if (m_ended)
        return;
    if (m_listStep) {
        m_listStep->cancel();
    } else if (m_sharingStep) {
        m_sharingStep->cancel();
    } else if (m_request) {
        ServerHttpConnection::instance()->cancelRequest(m_request);
    } else {
        fail(QStringLiteral("Sync canceled"));
    }
}

QString SingleListSynchronizer::waitsForFullSyncText(const QString &name)
{
    return tr("The list \"%1\" waits for the next full synchronisation: an earlier upload of it may have "
              "reached the server, and only a full synchronisation can tell.")
        .arg(name);
}

QString SingleListSynchronizer::waitsForMovesText(const QString &name)
{
    return tr("The list \"%1\" waits for the next full synchronisation: a task was moved between it and another "
              "list, and only a full synchronisation sends both lists, with what another computer did to the "
              "task meanwhile.")
        .arg(name);
}

QString SingleListSynchronizer::waitsForOtherListsText(const QString &name)
{
    return tr("The list \"%1\" waits for the next full synchronisation: a task changed on this computer may "
              "have been moved to or from another list on another computer, and only a full synchronisation "
              "sees both lists.")
        .arg(name);
}

QString SingleListSynchronizer::waitsForRemovalText(const QString &name)
{
    return tr("The list \"%1\" you changed here is no longer on the server under the number this computer knew: "
              "another computer removed it. It waits for the next full synchronisation, which puts it back with your "
              "changes.")
        .arg(name);
}

QString SingleListSynchronizer::waitsForRestoreText(const QString &name)
{
    return tr("The list \"%1\" restored from a backup waits for the next full synchronisation, which puts "
              "the backup onto the server's copy.")
        .arg(name);
}
