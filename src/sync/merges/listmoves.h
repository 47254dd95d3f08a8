#ifndef LISTMOVES_H
#define LISTMOVES_H

#include <QList>
#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

class Task;
class TaskList;

// "Move to list" takes a task out of one list and puts a copy of it, with the
// same identity (creator and creation time) and lineage, into another; the
// task's removal record says it left by a move. Each list merges
// on its own, so a move made on one computer while the other changed the
// task, or moved it too, leaves the task in two places, or the change on the
// copy that is not kept. Once every list of a run is in, this settles each
// move the lists show:
// - moved on one side and changed (or added to, below it) on the other: the
//   change goes onto the moved task, and the task stays only where it was
//   moved to;
// - moved on both sides: one task, with what the other changed: in the
//   later upload's list (this computer's) where both lists were known to
//   both; where either was made since (a list made for the tasks, a week's
//   roll-over on both), in the other's, which reached the server first, and
//   the user is told; into one list, carried along below a task above it
//   on one side and moved on its own on the other, where the other put it;
// - moved on both, its copy removed here since: the other's same move is
//   no change, and the removal holds (unless changed there: kept, told);
// - a task below a moved one that the other side removed stays removed.
// A move made here is followed by the task's lineage, from the agreed task
// (by its id) to the copy, whatever changed on the way and whether or not
// the list it left is gone. One made on the other computer shows only as a
// task that left one list there and one that arrived in another with its
// identity, under a new id. Pasted copies keep their source's identity and
// tasks made in one second share one: among the tasks of one identity that
// left and arrived (one still in its list on both sides is none of them),
// each is told by its content, then its title, against the agreed copy;
// where nothing tells, nothing is done and both stay. A row nobody typed
// into is no task. Each
// task taken out of a list is recorded there with the copy it went into
// (TaskList::movedTask), for the views that showed it, until the next run
// starts: a later settling in the same run adds to what the first recorded.
class ListMoves
{
public:
    struct List
    {
        TaskList *now = nullptr;                // the list after the run, as the server holds it
        const TaskList *agreedBefore = nullptr; // what it agreed with the server before the run (none: made since)
        const TaskList *serverBefore = nullptr; // the server's before this run sent anything
        const TaskList *mineBefore = nullptr;   // the list here as the run began (edited lists)
        bool changed = false;                   // set when `now` was changed
        // The ids of its agreed tasks that left it there and arrived in no
        // list: removed there, or moved into a list not seen yet.
        QSet<quint32> unfollowed;
        // Settled before in this run from the same start (what its merge
        // took for one task added on both was split then): of what left it,
        // only these are followed.
        const QSet<quint32> *followOnly = nullptr;
        // Tasks taken out of `now` that the server never had: freed with
        // the last copy of this, once the list's views were told of the
        // change (they may point at them until then).
        std::vector<std::shared_ptr<Task>> taken;
    };

    // True when any list changed: those go up again. `untold` gets "list:
    // task" for each task left in its list beside a move that tasks made in
    // its second kept from being told apart: both copies stay. `wentThere`
    // gets "list: task" for each task moved on both that stays where the
    // other computer put it, not where it was put here; `keptChanged` for
    // each moved on both and removed here since, kept for a change there.
    static bool settle(QList<List> &lists, QStringList *untold = nullptr, QStringList *wentThere = nullptr,
                       QStringList *keptChanged = nullptr);
    // Only records where the other computer moved tasks, for the views: with
    // nothing changed here there is nothing to settle.
    static void recordMoves(QList<List> &lists);

    // Whether a task went between `list` and one of `others` here since they
    // last agreed with the server: only a run that has every list settles it.
    static bool movedHere(const TaskList *list, const QList<const TaskList *> &others);
};

#endif
