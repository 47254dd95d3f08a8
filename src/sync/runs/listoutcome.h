#ifndef LISTOUTCOME_H
#define LISTOUTCOME_H

#include "sync/runs/listsharingsynchronizer.h"

#include <QCoreApplication>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class ListInfo;
class ListModel;
class ListSynchronizer;
class ListsGroups;
class TaskList;
class UserLists;

// Applies what a list step brought back to the user's lists: shared by the
// full and the single-list synchronisations.
class ListOutcome
{
    Q_DECLARE_TR_FUNCTIONS(ListOutcome)

public:
    // Replaces the model's list with the fetched one (the caller gives up
    // `fetched`): the list's group entry takes the fetched server id and the
    // fetched tasks keep the expanded flags the user had. When the old list
    // was created on the server but never fetched back and the user changed
    // it since, the user's version goes onto the posted tasks instead (see
    // takeOverPostedCopy) and *uploadAgain is set: the list is to be
    // uploaded. Only a list whose mark tells nothing of what was posted
    // (written by an older version) keeps the user's version beside the
    // fetched list as a new list; its model is returned (null otherwise).
    // The fetched tasks are the tasks the list here knew (see keepLineages;
    // `sent`: the list's upload was just answered, or its post is the
    // server's copy).
    static ListModel *applyFetchedExisting(UserLists *lists, ListsGroups *groups, ListModel *model,
                                           TaskList *fetched, bool *uploadAgain = nullptr, bool sent = false);

    // Before a list's POST leaves: records what is sent on the list, so
    // that whatever becomes of the answer the next run can recognise the
    // server's copy. `highestKnownId` is the highest list id the run knows
    // of on the server. The caller saves the lists before the upload.
    static void markUpload(ListModel *model, quint32 highestKnownId);
    // Before an Edited list's PUT leaves: records the tasks it carries that
    // the server has no id for, so that the next run first looks for copies
    // the PUT may have made. False when the list sends no such update. The
    // caller saves the lists before the upload.
    static bool markUploadOfChanges(ListModel *model);

    // The server's copy holds what the list posted (recognised by its tasks
    // or its fields, or fetched after the post was answered), the local list what the user
    // made of it since: the local list becomes that server list (its id and
    // revision), Edited, and each task that was posted takes the id of its
    // copy there; a copy whose task the user removed since is removed
    // there; a task or list field the user left as sent takes the server's
    // version, which another client may have changed. Tasks others added
    // there stay. Its next upload leaves the server with the user's version
    // and no task twice. With `mergeOnly` (told by nothing of the list's
    // own), the server's list may be another made alike: the user's tasks
    // go onto it, and no task is removed, here or there. Takes `fetched`.
    static void takeOverPostedCopy(UserLists *lists, ListsGroups *groups, ListModel *model, TaskList *fetched,
                                   bool mergeOnly = false);

    // Gives each fetched task whose server id the old list had the expanded
    // flag it had there.
    static void keepExpandedStates(const TaskList *oldList, TaskList *fetched);
    // Each fetched task the old list held takes the lineage it had there:
    // by its server id, and, when `sent` (the fetched copy is what the old
    // list's upload made of it), a task it sent without one by its place
    // and content as sent (the server gave it its id).
    static void keepLineages(const TaskList *oldList, TaskList *fetched, bool sent);

    // After a step that failed or was cancelled: what it learnt reached the
    // server stays with the list. A new list whose POST was accepted is
    // marked to be fetched by the next run; an edited list whose PUT was
    // answered has its mark say the update arrived.
    static void recordWhatArrived(ListModel *model, const ListSynchronizer *step);
    // The step's upload was answered and what it fetched back is what it
    // made there (nothing of the list here gave way).
    static bool uploadAnswered(const ListSynchronizer *step);
    // After a step of a run not forced: a list whose update carried the copy
    // a forced remote run left to send whole, and arrived, is marked for
    // the user to be told (ForcedFinished).
    static void markForcedFinished(ListModel *model, const ListSynchronizer *step);

    // What a list the server no longer has (removed on another computer)
    // becomes: removed here too when nothing of it changed here since it
    // agreed with the server; else a new list holding what was added or
    // changed here (see RemovalMerge), or the whole list when what it
    // agreed is not known, posted anew with its sharing.
    enum class KeptAgainstRemoval { No, Changes, Whole };
    static KeptAgainstRemoval keepRemovedThere(UserLists *lists, ListModel *model);
    // The list or its sharing changed here since it agreed with the server.
    static bool changedSinceAgreed(const ListModel *model);
    static bool sharingChangedHere(const ListModel *model);
    // A list posted anew is another list on the server, shared with nobody
    // yet: its sharing starts there anew, the people it is shared with here
    // to be shared with again.
    static void startSharingAnew(ListModel *model);
    // What a run does with the sharing of one of the user's lists (see
    // ListSharingSynchronizer::modeFor). A list whose sharing revision is
    // above the server's (the server's list is not the one it agreed on)
    // starts its sharing anew: the people it is shared with here and there
    // are put together, and the user is told.
    static ListSharingSynchronizer::Mode sharingMode(ListModel *model, quint32 serverRevision, bool forceRemote);

    // A list removed here (`record`, whose agreed copy is known) whose server
    // copy (`fetched`, taken) moved on since: when another computer added or
    // changed something there, the list comes back holding that, edited, its
    // update removing the rest there; the record goes and the new model is
    // returned. Null when nothing changed there: the record takes the
    // fetched revision, and its removal goes as it was. Back, the list takes
    // the place in the groups they agreed for it.
    static ListModel *keepRemovedHere(UserLists *lists, ListsGroups *groups, TaskList *record, TaskList *fetched);

    // What a run kept against a removal, or beside a move it could not tell
    // apart, told once the lists are done.
    struct KeptAgainstRemovals
    {
        QStringList removedThere;      // removed elsewhere, kept with the changes made here
        QStringList removedThereWhole; // the same, whole: what they agreed is not known here
        QStringList removedHere;       // removed here, kept with what changed elsewhere
        QStringList tasks;             // "list: task" removed here, kept as changed elsewhere
        QStringList movesUntold;       // "list: task" left where it was beside a move not told apart
        // "list: task" moved on both, kept where the other computer put it
        // (a default: those who name the five above need not name it).
        QStringList movedThere = {};
        // "list: task (now in "other")" of an import, moved to another list
        // since its backup was made: it stays there.
        QStringList movedSinceBackup = {};
        // Lists only the server had that a forced remote run left to remove
        // and this run removed (told with the lists it sent whole for it).
        QStringList forcedRemoved = {};
        bool isEmpty() const
        {
            return removedThere.isEmpty() && removedThereWhole.isEmpty() && removedHere.isEmpty() && tasks.isEmpty()
                   && movesUntold.isEmpty() && movedThere.isEmpty() && movedSinceBackup.isEmpty()
                   && forcedRemoved.isEmpty();
        }
        void append(const KeptAgainstRemovals &more)
        {
            removedThere << more.removedThere;
            removedThereWhole << more.removedThereWhole;
            removedHere << more.removedHere;
            tasks << more.tasks;
            movesUntold << more.movesUntold;
            movedThere << more.movedThere;
            movedSinceBackup << more.movedSinceBackup;
            forcedRemoved << more.forcedRemoved;
        }
    };
    static QString keptAgainstRemovalsText(const KeptAgainstRemovals &kept);
    // Tells the user, in one box, then forgets them.
    static void tellAboutKeptAgainstRemovals(KeptAgainstRemovals &kept);

    // The name of the copy kept of the user's version of a list.
    static QString keptCopyName(const QString &name);
    // Tells the user, in one box, which lists were kept as copies.
    static void tellAboutKeptCopies(const QStringList &names);
    static QString keptCopiesText(const QStringList &names);

    // Before the server's copy replaces the model's list, which sends none
    // of its changes: the user's version goes beside it as a new list of
    // the user's own, under the kept copy's name. Its model, or null.
    static ListModel *keepBeside(UserLists *lists, ListModel *model);
    // Tells the user, in one box, of the lists whose changes were not sent
    // and were kept beside them so (named by those copies): `readOnly`,
    // made read-only for the user since; `unknownBase`, whose record of
    // what they last agreed with the server could not be trusted.
    static void tellAboutKeptBeside(const QStringList &readOnly, const QStringList &unknownBase);

    // Why a run kept a list, marked on it until the user is told. Restored
    // to RestoredWhole tell what an import changed on the server, once it
    // went up: Restored, the backup's content put back there, tasks added
    // there since kept; RestoredChanged, the same with none added;
    // RestoredBack, posted anew, removed there since; RestoredWhole, sent
    // whole by a forced remote run, which removed the tasks added there
    // since. ForcedMovedOn: a forced remote run cut short was to send the
    // list whole or remove it, and the server's copy changed since. Sharing:
    // its sharing started anew, put together with the server's.
    // ForcedFinished: sent whole by a later run for a forced remote run cut
    // short, the server's copy unchanged since.
    enum class Kept {
        Copy,
        ReadOnly,
        UnknownBase,
        RemovedThere,
        RemovedThereWhole,
        RemovedHere,
        Restored,
        RestoredChanged,
        RestoredBack,
        RestoredWhole,
        ForcedMovedOn,
        Sharing,
        ForcedFinished
    };
    static void markKept(ListModel *model, Kept why);
    // What an import changes on the server is marked on the list, to be
    // told once it went up; forgotten when nothing of it is left to send.
    static void forgetRestored(TaskList *list);
    // The same on the list alone, before its model is marked (its owner
    // saves it).
    static void markKept(TaskList *list, Kept why);
    // The tasks of the list, removed here, that a run kept with what changed
    // elsewhere (by their titles), marked on it until the user is told.
    static void markKeptTasks(ListModel *model, const QStringList &titles);
    // Tells of every list marked kept, and of the tasks marked, by this run
    // or by one that ended before it told, and of those `tasks` names; then
    // forgets them.
    static void tellWhatWasKept(UserLists *lists, KeptAgainstRemovals &tasks);
    // What the list's marks would tell, as told; empty when it has none.
    // Runs the user may not wait for leave it on the lists page to read.
    static QString untoldText(const ListModel *model);
    // The list's marks are forgotten: what they say was shown.
    static void forgetKept(ListModel *model);
    static QString readOnlyText(const QStringList &copies);
    static QString unknownBaseText(const QStringList &copies);
    // The lists an import changed on the server, by what it did there;
    // `sharing`, "list: who" as sharingChangeText() gives it.
    struct Restored
    {
        QStringList keptAdded, changedBack, broughtBack, replacedWhole;
        QStringList sharing = {};
        bool isEmpty() const
        {
            return keptAdded.isEmpty() && changedBack.isEmpty() && broughtBack.isEmpty() && replacedWhole.isEmpty()
                   && sharing.isEmpty();
        }
    };
    // One person an import gave access to the list with `letters`, or took
    // it from (no letters).
    static QString sharingChangeText(const QString &list, const QString &person, const QString &letters);
    static QString restoredText(const Restored &lists);
    static QString forcedMovedOnText(const QStringList &names);
    static QString sharingText(const QStringList &names);
};

#endif
