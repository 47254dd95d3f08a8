#ifndef RESTOREDLISTS_H
#define RESTOREDLISTS_H

#include <QByteArray>

class ListModel;
class ListsGroups;
class TaskList;
class UserLists;

// Lists read from a backup in place of the user's. The file may come from
// another account or another server, or be older than what the server holds,
// so nothing of its sync state is taken as the server's: each list is new,
// and remembers only the server id the file gave it, or, for one that had
// none, the id of the list here that an earlier import posted for it or that
// it became since the backup (told by the list's backup key). The next full
// run looks at the server's list of that id: when the user may see it and it
// has the restored list's name or holds one of its tasks (told by creator
// and creation time), the restored list becomes that list and its content
// goes up onto it, whatever either holds. Otherwise it waits for the lists
// only the server has: one of its name holding its tasks is the list an
// earlier import of the same backup posted (here or on another computer),
// and the restored list becomes it; failing that, it is posted as a new
// list. A list of another user's is never sent: it is the server's list of
// its id and owner as the server has it, or, the server giving none, it
// goes. A list that becomes the server's keeps that list's place in the
// groups.
class RestoredLists
{
public:
    // Makes the lists just read from a backup (`restored`) restored lists
    // (their status, agreed copy, marks and removed tasks go, their shares go
    // up again with them) and drops the file's removed-list records. The
    // removals still to be sent of the lists it replaces (`replaced`, may be
    // null) stay: a full run sends each, unless a restored list turns out to
    // be that list. `backupDigest` tells the backup from others: a list
    // the file gives neither an id nor a backup key is keyed by it and by
    // its place in the file, so that importing that file again finds the
    // list the first import posted.
    static void prepare(UserLists *restored, const UserLists *replaced, const QByteArray &backupDigest = {});
    // Before a backup is written: each list not yet on the server gets a
    // backup key, kept here too, so that the list it becomes is found when
    // the backup is imported.
    static void keyUnsentLists(UserLists *lists);

    // The server id the backup gave a list still waiting for that look; 0
    // for any other list.
    static quint32 fileId(const TaskList *list);

    // The server's list `fetched`, of the backup's id, is the restored one,
    // the user's own or another's shared with the user, whatever either
    // holds: unless an id another server gave names another list here (see
    // ListIdentity::isRestored).
    static bool isSameList(const TaskList *restored, const TaskList *fetched);
    // The server's list `fetched`, under another id than the file's, is
    // the restored list as an earlier import of the backup posted it (see
    // ListIdentity::isPostedCopy).
    static bool isPostedCopy(const TaskList *restored, const TaskList *fetched);

    // The model's restored list becomes the server's list `fetched` (taken):
    // Edited, with its id and revision and `fetched` as what it agreed with
    // the server, so that the next upload carries the backup's content onto
    // it (tasks added there since stay). Each restored task takes the id of
    // the fetched task it is, told by its identity (among tasks of one
    // identity, by its content, or as the one left on each side); the
    // others go up as new. Its sharing is the server's, and its place in
    // the groups the one they agreed for that list. A list another user
    // shares with the user takes the server's content as it is. One whose
    // content the upload changes there is marked for the user to be told.
    static void becomeServerList(ListModel *model, TaskList *fetched, ListsGroups *groups);

    // No server list is the restored one: it is posted as a new list.
    static void postAsNew(ListModel *model);
    // Another user's list, which is never posted.
    static bool isOthers(const TaskList *list);

private:
    RestoredLists() = delete;
};

#endif
