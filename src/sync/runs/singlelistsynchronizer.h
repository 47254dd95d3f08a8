#ifndef SINGLELISTSYNCHRONIZER_H
#define SINGLELISTSYNCHRONIZER_H

#include "sync/runs/uploadsaves.h"

#include <QObject>
#include <QPointer>
#include <QString>

class ListInfo;
class ListModel;
class ListSharingSynchronizer;
class ListSynchronizer;
class ListsGroups;
class ListsSyncHost;
class SslErrorHandler;
class TaskList;
class UserLists;
class XMLRequest;

// Brings one list into step with the server outside a full synchronisation:
// its server summary, the list step, then its sharing when that is due. Ends
// with exactly one of success() or failed(); the lists page connects both,
// queues these runs and deletes each after its end. The model argument of
// the signals is null when the list was purged. What it keeps against the
// user's removal, and beside the list, is marked on the lists (see
// ListOutcome) for the page to show: nobody waits for such a run, and a
// message box would take the keys typed meanwhile.
class SingleListSynchronizer : public QObject
{
    Q_OBJECT

public:
    SingleListSynchronizer(UserLists *lists, ListsSyncHost *host, ListModel *model, QObject *parent = nullptr);
    ~SingleListSynchronizer() override;

    virtual void start();
    void cancel();

    ListModel *listModel() const { return m_model; }
    SslErrorHandler *sslErrorHandler() const { return m_sslErrorHandler; }
    bool hasEnded() const { return m_ended; }
    // The run ended without sending anything because the list waits for
    // the next full synchronisation: its message says why.
    bool waitsForFullSync() const { return m_waits; }

    // Why a run of a list whose creation on the server is in doubt sends
    // nothing.
    static QString waitsForFullSyncText(const QString &name);
    // Why a run of a list restored from a backup sends nothing.
    static QString waitsForMovesText(const QString &name);
    static QString waitsForRestoreText(const QString &name);
    // Why a run of a list whose server copy lost a task changed here, or
    // gained one another list here holds changed, sends nothing.
    static QString waitsForOtherListsText(const QString &name);
    // Why a run of a list removed on another computer, and changed here
    // since, keeps it and sends nothing.
    static QString waitsForRemovalText(const QString &name);

signals:
    void success(SingleListSynchronizer *synchronizer, ListModel *model);
    void failed(QString message, SingleListSynchronizer *synchronizer, ListModel *model);

private slots:
    void onListRequestFinished();
    void onListSynchronizerFinished();
    void onSharingSynchronizerFinished();

private:
    void startListStep();
    void releaseSteps();
    void succeed();
    void fail(const QString &message);
    // Ends through the event loop, never from inside start().
    void failLater(const QString &message);
    bool listWasRemoved() const { return m_hadModel && !m_model; }
    // Ends the run, nothing sent: the full synchronisation takes the list.
    void waitForFullSync(const QString &message);
    void waitForFullSyncLater(const QString &message);
    // A task went between the list and another here since they agreed with
    // the server.
    bool movedBetweenLists() const;
    // Why the server's copy of the list cannot be taken by this run, which
    // sees no other list there; empty when it can.
    QString cannotSeeWhereTasksWent(const TaskList *fetched) const;

    QPointer<UserLists> m_userLists;
    // Removing the list while a run is queued or in flight must not leave
    // the run holding a freed model.
    QPointer<ListModel> m_model;
    bool m_hadModel = false;
    TaskList *m_list = nullptr;
    quint32 m_serverId = 0;
    XMLRequest *m_request = nullptr;
    QPointer<ListsGroups> m_listsGroups;
    ListInfo *m_info = nullptr;
    ListSynchronizer *m_listStep = nullptr;
    ListSharingSynchronizer *m_sharingStep = nullptr;
    ListsSyncHost *m_host;
    // Once a save before an upload failed, nothing more leaves.
    UploadSaves m_saves;
    SslErrorHandler *m_sslErrorHandler = nullptr;
    // An update of an earlier run may have reached the server unanswered.
    bool m_updateInDoubt = false;
    // The step only fetches the server's copy (the list had nothing to send).
    bool m_fetchOnly = false;
    bool m_waits = false;
    bool m_ended = false;
};

#endif
