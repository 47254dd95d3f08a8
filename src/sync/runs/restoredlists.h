#ifndef RESTOREDLISTS_H
#define RESTOREDLISTS_H

#include <QByteArray>
#include <QCoreApplication>
#include <QMap>
#include <QStringList>

#include <memory>

class ListModel;
class ListsGroups;
class TaskList;
class UserLists;

// Lists read from a backup in place of the user's. An import is an edit the
// user made at that moment, under the file's own ids: a list of the user's
// keeps its server id and its tasks' ids, and is edited, with the list as
// the backup holds it kept as its agreed copy and marked restored (see
// UploadMark::restored). The next full run fetches the server's copy of its
// id and carries the import out onto it: what both hold goes up as the
// backup has it, the server's other tasks stay, the backup's tasks the
// server no longer has go up as new; what the user did since the import
// goes on top as any change does, merged from that agreed copy. A list the
// server no longer has is posted anew, once. Nothing of a backup is taken
// for a server list or task by what it holds: a list is the server's list
// of its id or gone, a task the server's task of its id or new.
class RestoredLists
{
    Q_DECLARE_TR_FUNCTIONS(RestoredLists)

public:
    // What the import tells the user at once, by list name.
    struct Imported
    {
        // Never synchronised when the backup was made, and no list here
        // is what they became: added as new lists.
        QStringList neverSynchronised;
        // Lists of a backup of another account or server, added as new.
        QStringList otherAccount;
        // Lists that became others here since the backup (synchronised
        // for the first time, or posted anew by an earlier import) of a
        // backup that does not tell their tasks apart (an earlier
        // version's): this computer's copies stay.
        QStringList keptHere;
        // "list: task (now in "other")" for each task of the backup the
        // server holds in another list here: moved there since, it stays
        // there.
        QStringList movedSince;
        // Lists restored under their ids holding tasks this computer does
        // not know (never synchronised when the backup was made, and not
        // typed here, or typed on another computer): added as new tasks.
        QStringList newTasks;
    };

    // A backup edited by hand may hold a task twice under one id in a
    // list: the second (in document order) becomes a new task, its id
    // dropped, before anything looks at the ids. The names of the lists.
    static QStringList dropRepeatedTaskIds(UserLists *lists);

    // Makes the lists just read from a backup (`restored`) restored lists in
    // place of the user's (`replaced`, may be null), and drops the marks of
    // what the user was told. Another user's list is this computer's copy of
    // it, or goes (the next run brings the server's). Each list of the user's
    // is the list here its identity names (its backup key, kept through a
    // post anew or its first synchronisation), else the one of its id (or
    // the one an earlier version's import posted anew in its place): on the
    // server, it is restored under that list's id; not yet, it goes up as
    // that list's post; else it is restored under its own id, or, without
    // one, added as a new list. Each task is taken to what this computer
    // knows it as (see takeTasksHere in the source). A backup of an earlier
    // version, whose tasks carry no lineage, tells no task of a list that
    // became another since: this computer's copy of that one stays.
    // The removals the file records, of lists and of tasks, are the
    // import's own: they go up as removals made at the import.
    // A list restored under its id takes its sharing as the backup holds
    // it, against what the backup had agreed with the server (see
    // ListModel::importedSharing).
    // `idsHold` is false for a backup of another account or server, whose
    // ids name nothing here: its lists of the user's are new, shared with
    // nobody (its people are that account's), the others go, and so do its
    // removals. `backupDigest` tells the backup from
    // others: a list the file gives neither an id nor a backup key is keyed
    // by it and by its place in the file, so that importing that file again
    // finds the list the first import posted. The removals still to be sent
    // of the lists replaced stay, but for the lists the backup brings back.
    static Imported prepare(UserLists *restored, const UserLists *replaced, bool idsHold = true,
                            const QByteArray &backupDigest = {});
    // Before a backup is written: each list without one gets a backup key,
    // the identity it keeps here for good (through a post anew, its first
    // synchronisation), so that the list it becomes is found when the
    // backup is imported.
    static void keyLists(UserLists *lists);

    // The list carries an import the full run carries out (or one an
    // earlier version left): a list's own run leaves it to that run.
    static bool waitsForFullRun(const TaskList *list);

    // What an import was made against: the list as the backup holds it,
    // its tasks the server never had left out. The list's agreed copy, or,
    // that one left out of a file too large, the list itself so.
    static std::shared_ptr<const TaskList> importBase(const TaskList *list);
    // The server's copy `server` with the import carried out onto it: the
    // list's fields, tasks and places as `backup` holds them, and the
    // server's other tasks where the server has them (under a task of the
    // backup's, or at the top where too deep). Its ids are the server's
    // and the backup's.
    static TaskList *importedOnto(const TaskList &backup, const TaskList &server);
    // The removals the import sends (those the backup records) are of
    // tasks as the backup knew them: `base` (what the import was made
    // against) with each task `list` holds removed that `imported` (made by
    // importedOnto) still has, under the parent it has there, so that the
    // merge sends each as any removal, kept where it changed there since.
    static std::shared_ptr<const TaskList> withRemovals(const std::shared_ptr<const TaskList> &base,
                                                       const TaskList &list, const TaskList &imported);
    // After a merge onto what importedOnto() made: the ids `server` does
    // not hold go (those tasks go up as new), and so do the removals of
    // tasks it does not hold.
    static void keepServerIds(TaskList *merged, const TaskList &server);
    // What putting `imported` (made of `backup`; `whole`: the backup alone,
    // in a forced remote run) in place of `server` changes there, marked on
    // `list` to be told once it went up; false when it changes nothing.
    static bool markWhatItChanges(TaskList *list, const TaskList &backup, const TaskList &imported,
                                  const TaskList &server, bool whole);
    // After the settling of moves in a run: the tasks of `mine` (a list
    // carrying an import, as the run began) that it left in another list
    // (moved there since the backup), each as "list: task (now in "other")"
    // (`lists` names the other). Where nothing of the import is left to
    // send, onto `server` (the copy it went onto), what it was to change
    // there is not told.
    static QStringList movedAway(const TaskList &mine, TaskList *now, const TaskList *server,
                                 const UserLists *lists);
    // A list carrying an import that the server no longer has goes up as a
    // new list, its sharing anew, keyed so that the next import of its
    // backup finds it; the user is told it came back.
    static void postAnew(ListModel *model);

    // After a run's sharing step left the server's users `there` (they were
    // `before`): what the list's import asked (see
    // ListModel::importedSharing) and the server now holds for the first
    // time is kept to be told; the import's sharing is carried out.
    static void settleImportedSharing(ListModel *model, const QMap<QString, QString> &before,
                                      const QMap<QString, QString> &there);

    // Lists read from a backup by an earlier version, which kept the id the
    // file gave each but none of its tasks': of the user's own, each is
    // posted as a new list beside the server's list of that id, named as a
    // kept copy, and the user told; another user's goes (the server's comes
    // down as it is).
    static void settleEarlierImports(UserLists *lists, ListsGroups *groups);

private:
    RestoredLists() = delete;
};

#endif
