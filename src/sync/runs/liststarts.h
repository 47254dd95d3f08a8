#ifndef LISTSTARTS_H
#define LISTSTARTS_H

#include "sync/merges/listmoves.h"

#include <QHash>
#include <QMap>
#include <QSet>

#include <memory>
#include <vector>

class ListInfo;
class ListModel;
class TaskList;
class UserLists;

// How each list stood as a full run began, and the server's copy a merge
// went onto: what the settling of moves between lists is told from (see
// ListMoves).
class ListStarts
{
public:
    struct Start
    {
        std::shared_ptr<const TaskList> agreed;
        std::shared_ptr<const TaskList> mine;
        std::shared_ptr<const TaskList> serverBefore;
        int status = 0;
        // What left it that the first settling found in no list (see
        // ListMoves::List), followed again once kept through it.
        QSet<quint32> unfollowed;
        bool followsAgain = false;
    };

    // Each list here as it stands now: what it agreed, and, changed here
    // since, itself.
    void keep(const UserLists *lists);
    // As keep, once the moves were first settled, for the lists the steps
    // fetch later; a list that tasks left there for no list seen keeps its
    // start, for those tasks: they may have gone into one fetched later,
    // and what the list agrees since its merge no longer shows them.
    void keepSettled(const UserLists *lists);
    void clear()
    {
        m_starts.clear();
        m_removed.clear();
    }
    // The model's start; null for a list that joined the run since.
    Start *find(const ListModel *model);
    void set(const ListModel *model, const Start &start) { m_starts.insert(model, start); }
    // Some list changed here since the run began.
    bool changedHere() const;
    // Each list changed here whose id the server no longer lists (`infos`)
    // had none of its tasks there.
    void startFromNothingWhereGone(const QMap<quint32, ListInfo *> &infos);

    // The lists removed here (`removed`, whose agreed copies are known) are
    // seen by the moves too, every task they agreed removed with them: a
    // task moved out before the removal is followed where it went. The
    // server's copy is none where `infos` no longer lists it, the agreed one
    // where it has not moved on since, else the one a look fetched
    // (`lookedAt`), unknown (the list is left out) until then.
    void keepRemoved(const QList<TaskList *> &removed, const QMap<quint32, ListInfo *> &infos);
    void lookedAt(quint32 id, const TaskList &fetched);
    // The removal of `id` did not hold: the list is back, a list here.
    void dropRemoved(quint32 id) { m_removed.remove(id); }
    // The removed lists as the moves see them, once: the lists they hold
    // live as long as the returned value.
    struct Removed
    {
        Start start;
        std::shared_ptr<TaskList> now; // nothing: the list is gone
    };
    std::vector<Removed> takeRemoved();

    // The list `now` as the moves see it, from its start (null: a list only
    // the server had).
    static ListMoves::List seen(const Start *start, TaskList *now);

private:
    QHash<const ListModel *, Start> m_starts;
    QMap<quint32, Removed> m_removed; // by server id
};

#endif
