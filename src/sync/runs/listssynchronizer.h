#ifndef LISTSSYNCHRONIZER_H
#define LISTSSYNCHRONIZER_H

#include "sync/runs/basesynchronizer.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/liststarts.h"
#include "sync/runs/postsindoubt.h"
#include "sync/runs/unreadablelists.h"
#include "sync/runs/unsentmarks.h"
#include "sync/runs/uploadsaves.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <vector>

class ListInfo;
class ListModel;
class ListSharingSynchronizer;
class ListsLayoutSynchronizer;
class ListSynchronizer;
class ListsGroups;
class ListsSyncHost;
class NotepadSynchronizer;
class QDomDocument;
class Task;
class TaskList;
class UserLists;
class XMLRequest;

// The full synchronisation: server information, the summary of every list,
// each list in turn (deleted lists, then live lists, then lists only the
// server has) with its sharing, then the display order, the list groups and
// the notepad. Only one runs at a time.
class ListsSynchronizer : public BaseSynchronizer
{
    Q_OBJECT

public:
    static const int ProtocolVersion = 9;

    ListsSynchronizer(UserLists *lists, ListsSyncHost *host, QObject *parent = nullptr);
    ~ListsSynchronizer() override;

    void setForceRemote(bool forceRemote) { m_forceRemote = forceRemote; }
    void setForceLocal(bool forceLocal) { m_forceLocal = forceLocal; }
    // What the run kept against removals or beside moves goes into `later`,
    // for the caller to tell once the run's window is closed, instead of
    // being told as the lists end. Lists kept are marked on them either way.
    void keepNoticesIn(ListOutcome::KeptAgainstRemovals *later) { m_noticesLater = later; }

    // The one registered run, or null.
    static ListsSynchronizer *running() { return s_registered; }

    // Asked before a forced remote run with no list here deletes the
    // user's `count` lists on the server.
    static QString removingEverythingQuestion(int count);

public slots:
    void start() override;

private slots:
    void onServerInfoRequestFinished();
    void onListsRequestFinished();
    void onListSynchronizerFinished();
    void onSharingSynchronizerFinished();
    void onLayoutSynchronizerFinished();
    void onNotepadSynchronizerFinished();
    void onListsGone();
    void onLookedAtList();

private:
    QString checkServerInfo(const QDomDocument &document) const;
    void requestListsInfo();
    bool takeListInfos(const QDomDocument &document);
    void setAsideWaitingLists();
    void recordWhatIsForced();
    void settleForcedRemovals();
    void syncNextList();
    bool listsLeft() const;
    bool takeWaitingLists();
    bool takeNextList(TaskList **list, quint32 *id);
    void startListStep(TaskList *list, quint32 id);
    void markBeforeStep(ListModel *model, const ListInfo *info);
    QString saveBeforeListUpload(ListModel *model);
    // How each list stood as the run began, so that a task moved from one
    // list to another on either computer can be told at the end.
    void keepListsBeforeMerges();
    // What becomes of the lists the settling of moves changed: they wait for
    // the next run, their marks name what this run's uploads will carry, or
    // (after the uploads) they go up again in this run.
    enum class MovedThen { Wait, Mark, Queue };
    // True when lists changed to settle moves.
    bool followMovedTasks(MovedThen then);
    // What becomes of a list the settling of moves changed.
    void takeMovedList(ListModel *model, MovedThen then);
    void queueAgain(ListModel *model);
    // Before anything goes up, the server's copy of each list it changed
    // since this computer last agreed with it is fetched; once all are in,
    // the merges and the moves between lists are settled here and written
    // in one save, then the uploads leave. A run ended at any point leaves
    // either nothing done or the settled lists on disk.
    void chooseLooks();
    bool mayMeetChangesHere() const;
    // The lists here and the removals add their server ids to `held`.
    void chooseLooksAtLists(QSet<quint32> &held);
    void chooseLooksAtRemovals(QSet<quint32> &held);
    void chooseLooksAtOthers(const QSet<quint32> &held);
    void lookAtChangedLists();
    void lookAtNextList();
    void takeLookedAtLists();
    struct Look;
    // A task removed here that a merge kept as another computer changed it.
    struct KeptHere
    {
        QPointer<ListModel> model;
        const Task *task;
        std::weak_ptr<const void> alive;
    };
    void takeLook(Look &look, std::vector<KeptHere> &keptHere);
    void mergeLookedAt(ListModel *model, TaskList *fetched, std::vector<KeptHere> &keptHere);
    void markKeptHere(const std::vector<KeptHere> &keptHere);
    void leaveUnread(const Look &look, const QString &reason);
    void setInfoRevision(quint32 id, quint32 revision);
    void syncLayout();
    void startNotepadSync();
    // Some list here is known to the server.
    bool holdsServerLists() const;
    // A fetched server-only list that is the copy of a list set aside (see
    // PostsInDoubt): the local list takes it over (or, removed here, it is
    // deleted there). Takes `fetched` and returns true then.
    bool recogniseUpload(TaskList *fetched);
    void takePostedCopy(ListModel *model, TaskList *fetched, PostsInDoubt::Taking taking);
    quint32 highestKnownServerId() const;
    void markUploads(const QList<QPointer<ListModel>> &models, bool save = true);
    bool putsAtOnce(ListModel *model, const ListInfo *info) const;
    bool confirmRemovingEverything();
    TaskList *deleteServerList(quint32 id, const QString &name, quint32 revision);
    // A list the server no longer has that changed here: kept, to be posted
    // anew in this run (true), or not (the caller purges it).
    bool keepListRemovedThere(ListModel *model);
    // At the end of the lists, or of a failed run.
    void tellWhatWasKept();
    // A list kept against a removal whose changes all followed tasks moved
    // elsewhere holds nothing of its own: its removal holds after all.
    void dropEmptiedKeptLists();
    // The server's copy of a list removed here, fetched as it moved on since.
    void settleRemovedHere(TaskList *record, TaskList *fetched);
    // A removal here whose server copy may hold what another computer did
    // since this one last saw it: that copy is looked at first.
    bool looksBeforeDelete(const TaskList *record, quint32 id) const;

    void sendRequest(const QString &method, const QString &path, void (ListsSynchronizer::*onFinished)(),
                     const QDomDocument *body = nullptr);
    // The request whose answer is being handled, or null when the sender is
    // stale (the run ended or moved on).
    XMLRequest *answer();
    // The answer when it carries one of the given statuses; otherwise null,
    // with the run already failed unless the sender was stale.
    XMLRequest *answerWith(std::initializer_list<int> statuses);
    QString unexpectedResponse() const;
    // Fails the run after telling the user about the copies kept so far.
    void failRun(const QString &error);
    // Where uploads leave: once a save before them failed, the run fails
    // there instead (true), having sent nothing since.
    bool uploadsBarred();
    void releaseListStep();
    // What each result of a list step makes of the list.
    void takeFailedStep(ListSynchronizer *step);
    void takeNewList(TaskList *fetched);
    ListModel *addServerList(TaskList *fetched);
    void takeGoneList(TaskList *local);
    void takeExistingList(ListSynchronizer *step);
    void takeRefusedDelete(TaskList *local);
    bool removalHeld(const TaskList *local) const;
    void syncSharing();

    QPointer<UserLists> m_userLists;
    ListsSyncHost *m_host;
    // Every save before an upload: once one failed, nothing more leaves.
    UploadSaves m_saves;
    QPointer<ListsGroups> m_groupsAtStart;
    QList<TaskList *> m_deletedLists;
    QList<QPointer<ListModel>> m_models;
    // Lists an update of an earlier run may have reached unanswered.
    QSet<ListModel *> m_updatesInDoubt;
    UnsentMarks m_unsentMarks;
    QPointer<ListModel> m_currentModel;
    XMLRequest *m_request = nullptr;
    QSet<quint32> m_serverIds;
    // Lists only the server has that the run could not read.
    QSet<quint32> m_unreadServerLists;
    QMap<quint32, ListInfo *> m_listInfos;
    // Lists whose creation is in doubt, set aside until the server's lists
    // that may be their copies are in.
    PostsInDoubt m_postsInDoubt{m_userLists, m_listInfos};
    ListSynchronizer *m_listStep = nullptr;
    ListSharingSynchronizer *m_sharingStep = nullptr;
    // The list step began with a live list: its model vanishing means the
    // list was removed mid-step.
    bool m_stepHadModel = false;
    bool m_hasNewLists = false;
    int m_progressStep = 1;
    bool m_forceRemote = false;
    bool m_forceLocal = false;
    ListsLayoutSynchronizer *m_layoutStep = nullptr;
    NotepadSynchronizer *m_notepadStep = nullptr;
    // Tasks kept against a removal or beside a move, told at the end; the
    // lists kept are marked on them (see ListOutcome::markKept).
    ListOutcome::KeptAgainstRemovals m_keptAgainstRemovals;
    ListOutcome::KeptAgainstRemovals *m_noticesLater = nullptr;
    // The lists kept against a removal, and whether for their sharing.
    QHash<ListModel *, bool> m_keptAgainstRemoval;
    UnreadableLists m_unreadable;
    ListStarts m_starts;
    bool m_movesFollowed = false;
    // The lists to look at before the uploads (null model: a list only the
    // server has, or one removed here, `removed` its record), and the
    // copies fetched so far.
    struct Look
    {
        QPointer<ListModel> model;
        quint32 id = 0;
        std::unique_ptr<TaskList> fetched;
        TaskList *removed = nullptr;
    };
    std::vector<Look> m_looks;
    size_t m_nextLook = 0;
    // Edited lists whose look will merge them: the merge marks them.
    QSet<const ListModel *> m_mergedAfterLook;
    // Lists this run took from the server as new: the server's order places
    // them.
    QSet<quint32> m_arrivedIds;
    // Lists made here that this run (or an upload in doubt) posted.
    QSet<quint32> m_postedIds;
    // Lists a forced remote run cut short was to remove that changed there
    // since: fetched, and the user told.
    QSet<quint32> m_forcedRemovalsMovedOn;

    static ListsSynchronizer *s_registered;
};

#endif
