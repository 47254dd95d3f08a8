#ifndef REMOVALMERGE_H
#define REMOVALMERGE_H

#include "model/notepadnote.h"
#include "sync/merges/listmerge.h"

#include <QStringList>

#include <optional>

class TaskList;

// A whole list or note removed on one computer while the other changed it:
// the rule for a task, one level up. What the side that did not remove it
// added or changed since it last agreed with the server stays, and the list
// comes back holding that (with the tasks above it, which hold it); the rest
// of the removal holds. A removal made from a copy older than the server's
// takes only what that copy held. Pure functions of the versions: no
// requests, no models.
class RemovalMerge
{
public:
    // The server no longer has the list; `mine` is the list here, `agreed`
    // what it last agreed with the server. The list to post in its place:
    // mine's own fields and the tasks mine added or changed since (a task
    // moved into it is one), with the tasks above them; or null when mine
    // changed nothing since and `sharingChanged` is false (the sharing
    // changed here keeps the list too). Untitled rows count for nothing.
    // Local state (local id, expanded flags) is mine's; the caller makes it
    // new.
    static TaskList *keptHere(const TaskList &agreed, const TaskList &mine, bool sharingChanged);

    // The list was removed here from a copy that agreed `agreed`, while the
    // server's copy (`theirs`) moved on since. The list as it goes back up:
    // the tasks theirs added or changed since (by another computer: what
    // an upload of this computer's in doubt `sent` is this computer's own),
    // with the tasks above them, and theirs' own fields; every other task
    // recorded as removed. Null when another computer changed nothing there
    // since: the removal holds. The caller owns it and sets its agreed copy.
    static TaskList *keptThere(const TaskList &agreed, const TaskList &theirs, const ListMerge::Sent &sent);

    // The user's own list `record`, removed here, whose server copy (`id`,
    // now at `serverRevision`) moved on since it agreed: what changed there
    // is looked at before the removal goes.
    static bool movedOnSinceRemoved(const TaskList *record, quint32 id, quint32 serverRevision);
    // The list `record` removed here, as a run's moves see it: every task
    // it agreed (`agreed`) removed with it.
    static TaskList *removedWhole(const TaskList &record, const TaskList &agreed);
    // A list kept against a removal, posted since, that holds nothing any
    // more of what kept it (its tasks moved on elsewhere): no titled task,
    // and its own fields as `agreed` had them. False without `agreed`.
    static bool keepsNothing(const TaskList *agreed, const TaskList &kept);

    // A note the server no longer has, that this computer changed since it
    // agreed with the server (or with nothing known of what it agreed).
    static bool noteChangedHere(const NotepadNote &mine);
    // A note removed here whose server copy moved on since: true when that
    // copy holds a title or a text this computer never had nor sent, that
    // is another computer's change.
    static bool noteChangedThere(const NotepadNote &removed, const NotepadNote &theirs);
};

#endif
