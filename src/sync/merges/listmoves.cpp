#include "sync/merges/listmoves.h"

#include "model/task.h"
#include "model/tasklist.h"
#include "sync/merges/listmerge.h"
#include "sync/runs/listsynchronizer.h"
#include "sync/merges/uploadmark.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QHash>
#include <QMultiHash>
#include <QSet>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

namespace {

QHash<quint32, Task *> byId(const TaskList *list)
{
    return list ? list->tasksById() : QHash<quint32, Task *>();
}

// One list seen through the run: what it agreed, what the server had, what
// this computer had and did.
struct Seen
{
    QHash<quint32, Task *> agreed, server, now;
    // Tasks of `now` without a server id: settled before the uploads, what
    // this computer made, or kept against a removal there, is not sent yet.
    QList<Task *> withoutId;
    QSet<quint32> removedHere;
    // The list itself removed there, or here: its tasks went with it, none
    // removed on its own.
    bool goneThere = false, goneHere = false;
    QSet<quint32> removedByUploadsInDoubt; // there by this computer's own hand
    QSet<quint32> carriedInDoubt;          // tasks with an id those carried
    QSet<QString> sentInDoubt;             // identity digests of tasks those sent new
    QHash<QString, int> sentInDoubtCount;  // and how many of each they sent
    QSet<QString> newHere;        // identities of tasks made here since it agreed
    // Each agreed task's lineage here: its own, and that of its removal
    // record; a move here keeps it on the copy it makes.
    QMultiHash<quint32, quint64> lineages;
    QSet<quint32> leftByMove; // agreed tasks this computer moved out of it
    QSet<quint64> held;       // the lineages of its tasks, as the run began or now
    bool sentArrived = false;     // the server's copy shows what its upload in doubt sent
    QHash<QString, int> agreedIdentities;
    QMultiHash<QString, const Task *> agreedByIdentity;
    QHash<quint64, const Task *> mineByLineage;
    // The agreed task `like` is a version of: tasks that came back or were
    // copied have new ids, not their identity. Where others share that
    // identity (typed in one second, pasted), the one `like` still matches
    // in content, then in title; none where nothing tells.
    const Task *agreedOf(const QString &identity, const Task *like = nullptr) const
    {
        if (agreedIdentities.value(identity) == 1)
            return agreedByIdentity.value(identity);
        if (!like)
            return nullptr;
        if (const Task *same = agreed.value(like->id()); same && same->identity() == identity)
            return same;
        if (const Task *mine = mineOf(like))
            if (const Task *same = agreed.value(mine->id()); same && same->identity() == identity)
                return same;
        for (const auto &tells : {&ListMerge::sameContent, &sameTitle}) {
            const Task *found = nullptr;
            int count = 0;
            for (const Task *candidate : agreedByIdentity.values(identity)) {
                if (tells(candidate, like)) {
                    found = candidate;
                    ++count;
                }
            }
            if (count == 1)
                return found;
        }
        return nullptr;
    }
    // This computer's version, as the run began, of a task of the list now:
    // the same task through every copy the run made of it.
    const Task *mineOf(const Task *now) const { return mineByLineage.value(now->lineage()); }
    // The task made here that `now` is: the same task, or the one new here
    // of its identity and title (as the merge pairs a task new on both
    // sides), or none.
    const Task *madeHereAs(const Task *now) const
    {
        if (const Task *mine = mineOf(now))
            return mine->id() == 0 || !agreed.contains(mine->id()) ? mine : nullptr;
        const Task *found = nullptr;
        int count = 0;
        for (const Task *mine : mineByLineage) {
            if ((mine->id() == 0 || !agreed.contains(mine->id())) && mine->identity() == now->identity()
                && !mine->title().isEmpty() && mine->title() == now->title()) {
                found = mine;
                ++count;
            }
        }
        return count == 1 ? found : nullptr;
    }
    // Made here since the list agreed (a row nobody typed into is no task).
    bool madeHere(const Task *now) const
    {
        if (const Task *mine = mineOf(now))
            return mine->id() == 0 || !agreed.contains(mine->id());
        return newHere.contains(now->identity());
    }
    static bool sameTitle(const Task *a, const Task *b) { return a->title() == b->title(); }
};

Seen see(const ListMoves::List &list)
{
    Seen seen;
    seen.agreed = byId(list.agreedBefore);
    seen.server = byId(list.serverBefore);
    seen.now = byId(list.now);
    seen.goneThere = list.serverBefore && list.serverBefore->serverId() == 0;
    seen.goneHere = list.mineBefore && list.mineBefore->syncStatus() == TaskList::Deleted;
    if (list.now)
        list.now->rootTask()->forEachBelow([&seen](Task *task) {
            seen.held.insert(task->lineage());
            if (task->id() == 0)
                seen.withoutId.append(task);
        });
    for (const Task *task : seen.agreed) {
        ++seen.agreedIdentities[task->identity()];
        seen.agreedByIdentity.insert(task->identity(), task);
        seen.lineages.insert(task->id(), task->lineage());
    }
    if (list.mineBefore) {
        const UploadMark mark = UploadMark::read(list.mineBefore->pendingUpload());
        seen.sentArrived
            = mark.isPut() && list.serverBefore && ListSyncTraits::updateArrived(list.mineBefore, list.serverBefore);
        seen.removedByUploadsInDoubt = mark.removedTasks();
        for (auto it = mark.knownTasks().cbegin(); it != mark.knownTasks().cend(); ++it)
            seen.carriedInDoubt.insert(it.key());
        for (const UploadMark::SentTask &sent : mark.tasks()) {
            seen.sentInDoubt.insert(sent.identity);
            ++seen.sentInDoubtCount[sent.identity];
        }
        for (const Task *removed : list.mineBefore->removedTasks()) {
            if (!seen.agreed.contains(removed->id()))
                continue;
            seen.removedHere.insert(removed->id());
            seen.lineages.insert(removed->id(), removed->lineage());
            if (removed->leftByMove())
                seen.leftByMove.insert(removed->id());
        }
        list.mineBefore->rootTask()->forEachBelow([&seen](Task *task) {
            seen.mineByLineage.insert(task->lineage(), task);
            seen.held.insert(task->lineage());
            if (task->isBlankRecursively())
                return;
            if (task->id() == 0 || !seen.agreed.contains(task->id()))
                seen.newHere.insert(task->identity());
        });
    }
    return seen;
}

struct Place
{
    int list = -1;
    Task *task = nullptr;
};

class Settler
{
public:
    explicit Settler(QList<ListMoves::List> &lists)
        : m_lists(lists)
    {
        for (const ListMoves::List &list : lists)
            m_seen.append(see(list));
        for (int i = 0; i < m_seen.size(); ++i) {
            const Seen &seen = m_seen.at(i);
            // The server's tasks oldest first: of copies alike, those an
            // upload in doubt sent came before another computer's same move.
            QList<Task *> tasks = seen.now.values();
            std::sort(tasks.begin(), tasks.end(), [](const Task *a, const Task *b) { return a->id() < b->id(); });
            QHash<QString, int> unclaimed = seen.sentInDoubtCount;
            for (Task *task : tasks + seen.withoutId) {
                // A row nobody typed into is no task's copy.
                if (seen.agreed.contains(task->id()) || task->isBlankRecursively())
                    continue;
                // Made here and sent by this run, or by an upload in doubt
                // before the server's copy was looked at: as many of one
                // identity as it sent, the others arrived.
                bool sentFromHere = false;
                if (seen.server.contains(task->id())) {
                    int &left = unclaimed[UploadMark::identityDigest(task)];
                    sentFromHere = left > 0;
                    left -= sentFromHere;
                } else {
                    sentFromHere = seen.madeHere(task);
                }
                if (sentFromHere)
                    m_addedHere.insert(task->identity(), {i, task});
                else if (seen.server.contains(task->id()))
                    m_arrived.insert(task->identity(), {i, task});
            }
            // What left each list: gone from the server's, or removed here;
            // every task of it at once where the list itself was removed
            // (the server no longer had it, or it was removed here).
            const QSet<quint32> *only = lists.at(i).followOnly;
            for (const Task *agreed : seen.agreed) {
                m_listOf.insert(agreed, i);
                if (agreed->isBlankRecursively() || (only && !only->contains(agreed->id())))
                    continue;
                if (!seen.server.contains(agreed->id()))
                    m_leftThere.insert(agreed->identity(), agreed);
                if (seen.removedHere.contains(agreed->id()))
                    m_leftHere.insert(agreed->identity(), agreed);
                if ((seen.goneThere && !seen.server.contains(agreed->id()))
                    || (seen.goneHere && seen.removedHere.contains(agreed->id())))
                    m_leftWithList.insert(agreed);
            }
        }
        const auto held = [this](quint64 lineage) {
            return std::any_of(m_seen.cbegin(), m_seen.cend(),
                               [lineage](const Seen &other) { return other.held.contains(lineage); });
        };
        QSet<quint64> movedOut;
        for (const Seen &seen : std::as_const(m_seen))
            for (quint32 id : seen.leftByMove)
                for (quint64 lineage : seen.lineages.values(id)) {
                    movedOut.insert(lineage);
                    m_lineagesKept = m_lineagesKept || held(lineage);
                }
        // A copy moved here that reached the server in an earlier run, whose
        // list agreed since, while the list it left did not go up: still
        // this computer's move.
        for (int i = 0; i < m_seen.size(); ++i)
            for (Task *task : m_seen.at(i).now)
                if (m_seen.at(i).agreed.contains(task->id()) && movedOut.contains(task->lineage())
                    && !m_leftHere.contains(task->identity(), m_seen.at(i).agreed.value(task->id())))
                    m_addedHere.insert(task->identity(), {i, task});
        splitCopies();
        pairMoves(m_leftHere, m_addedHere, m_movedHere, m_unpairedHere, &m_strayHere);
        pairMoves(m_leftThere, m_arrived, m_movedThere, m_unpairedThere, nullptr);
    }

    void run();
    // Where the other computer moved each task this one did not move too,
    // whatever this one changed: its views follow it there (the settling
    // records the copy that stays, where it makes one).
    void recordMovesThere()
    {
        for (auto it = m_movedThere.cbegin(); it != m_movedThere.cend(); ++it)
            if (!m_movedHere.contains(it.key()) && m_listOf.contains(it.key()))
                moved(m_listOf.value(it.key()), it.key(), it->list, it->task);
    }
    // "list: task" for each task left where it was beside a move that
    // could not be told apart from tasks made in its second.
    QStringList untold() const;
    // "list: task" for each task moved on both kept where the other put it.
    QStringList wentThere() const { return m_wentThere; }
    // "list: task" for each task moved on both and removed here, kept for a
    // change made there.
    QStringList keptChanged() const { return m_keptChanged; }
    // The tasks that left each list there and arrived in none.
    void recordUnfollowed()
    {
        for (const Task *agreed : std::as_const(m_leftThere))
            if (!m_movedThere.contains(agreed))
                m_lists[m_listOf.value(agreed)].unfollowed.insert(agreed->id());
    }

private:
    // Which task that arrived in a list is the move of which agreed task
    // that left one, identity by identity: this computer's by lineage
    // first; then told by content against the agreed copy, then by title,
    // where one matches each way (one that left there also by the list this
    // computer moved it, where it alone of its identity was); then tasks
    // alike on each side that went into one place, where any pairing is
    // the same; then the one of each, whatever changed on the way, where
    // the one that arrived was changed after the one that left. A task
    // that left with its list, removed, is paired by the first two only
    // (a task made elsewhere in its second is not its move), unless this
    // computer moved it out too. `stray` gets the arrived tasks left
    // unpaired.
    void pairMoves(const QMultiHash<QString, const Task *> &left, const QMultiHash<QString, Place> &arrived,
                   QHash<const Task *, Place> &out, QList<const Task *> &unpaired, QList<Place> *stray) const;
    // Moved on that side below the copy of a task above it, moved with it.
    static bool carried(const QHash<const Task *, Place> &moves, const Task *agreed)
    {
        const Task *copy = moves.value(agreed).task;
        for (const Task *up = agreed->parent(); copy && up && up->parent(); up = up->parent())
            if (const Task *above = moves.value(up).task)
                for (const Task *holder = copy->parent(); holder; holder = holder->parent())
                    if (holder == above)
                        return true;
        return false;
    }
    bool carriedHere(const Task *agreed) const { return carried(m_movedHere, agreed); }
    // Moved out of its list here, whether its copy still is or not.
    bool movedHere(const Task *agreed) const
    {
        return m_movedHere.contains(agreed) || m_seen.at(m_listOf.value(agreed)).leftByMove.contains(agreed->id());
    }
    // Whether `copy` was changed in a later second than `agreed` last was
    // (the server keeps whole seconds); true where either has no stamp.
    static bool stampedAfter(const Task *copy, const Task *agreed);
    // Tasks of one content with nothing below them, the arrived ones under
    // one parent, and one of each telling the other by content or title.
    bool alike(const QList<const Task *> &left, const QList<Place> &arrived) const;
    // Where a task is: its list, then its row at each level from the top.
    QList<int> placeOf(int list, const Task *task) const;
    // The task kept here where the agreed one was (changed here, removed
    // there), or none.
    Task *cameBack(int from, const Task *agreed) const;
    // Moved into one list on both: the merge paired the two copies with no
    // common version; the agreed one is, and each side's changes since hold.
    void mergeBothCopies(const Task *agreed, const Place &there);
    // Below that copy, what this computer carried along that the other
    // side removed meanwhile, unchanged here, stays removed. True when all
    // below `parent` went.
    bool dropRemovedThereBelow(int from, int list, Task *parent);
    // The merge of a list takes a task new here and one the server gained,
    // of one identity and title, for one task added on both sides: moved
    // into it on both computers (it left its list on both), or sent by an
    // upload in doubt. Else it is two tasks, a pasted copy and a move of
    // its source, or tasks made on both in one second: both stay.
    void splitCopies();
    void settle(int from, const Task *agreed);
    // Moved on its own, on a side that moved `up` (a task above it) too, to
    // a place not below up's copy: moved out with it, then apart.
    bool movedApart(const Task *agreed, const Task *up) const;
    // `source` is what stays of the moved task where it was (or the other
    // copy); its changes since `agreed` go onto `target`, then it goes.
    void carry(int from, const Task *agreed, Task *source, int sourceList, Task *target, int targetList,
               bool sourceIsMine);
    void removeTask(int list, Task *task);
    // Moved here and its copy removed since: no list holds its lineage, nor
    // (where lineages were not kept) a task of its identity made here.
    bool movedThenRemovedHere(int from, const Task *agreed) const;
    // The other computer's copy of a task moved on both and removed here
    // goes, with what is below it, where neither changed there since.
    void removeMovedThere(int from, const Task *agreed, const Place &there);
    // The list's name, told apart from a list of the same name.
    QString nameOf(int list) const;
    // Recorded on the list it leaves, for the views that show it.
    void moved(int from, const Task *task, int into, Task *copy)
    {
        m_lists[from].now->recordMovedTask(task, m_lists.at(into).now, copy);
    }

    QList<ListMoves::List> &m_lists;
    QList<Seen> m_seen;
    QMultiHash<QString, Place> m_arrived;   // added there since the list agreed
    QMultiHash<QString, Place> m_addedHere; // added here, sent by this run
    QMultiHash<QString, const Task *> m_leftThere, m_leftHere; // agreed tasks that left their lists
    QHash<const Task *, Place> m_movedThere, m_movedHere;      // agreed task: where it went
    QSet<const Task *> m_removed;
    // Agreed tasks that left a list among others of their identity, none
    // told to be which arrived task; and the list each agreed task was in.
    QList<const Task *> m_unpairedThere, m_unpairedHere;
    QHash<const Task *, int> m_listOf;
    // Agreed tasks that left with their list, removed there or here.
    QSet<const Task *> m_leftWithList;
    // Added here, paired with no task that left.
    QList<Place> m_strayHere;
    // Copies split from a task of the server's that may be the same one.
    QList<Place> m_keptBeside;
    QStringList m_wentThere;
    QStringList m_keptChanged;
    // A copy this computer moved holds the lineage of the task it left.
    bool m_lineagesKept = false;
};

void Settler::pairMoves(const QMultiHash<QString, const Task *> &left, const QMultiHash<QString, Place> &arrived,
                        QHash<const Task *, Place> &out, QList<const Task *> &unpaired, QList<Place> *stray) const
{
    // What tells a task that left (first) and one that arrived (second).
    using Tell = std::pair<std::function<QString(const Task *)>, std::function<QString(const Place &)>>;
    QList<Tell> tells = {{&UploadMark::contentDigest, [](const Place &p) { return UploadMark::contentDigest(p.task); }},
                         {&Task::title, [](const Place &p) { return p.task->title(); }}};
    // Moved there and here: the one that arrived in the list it went to
    // here (never one that left with its list), where it alone of its
    // identity was moved here (those carried below it go with it): of two,
    // either may be either there.
    if (!stray)
        tells.append({[this, &left](const Task *t) {
                          const QList<const Task *> alike = left.values(t->identity());
                          const auto movedOnItsOwn = [this](const Task *task) {
                              return m_movedHere.contains(task) && !carriedHere(task);
                          };
                          const bool alone = std::count_if(alike.cbegin(), alike.cend(), movedOnItsOwn) == 1;
                          return alone && movedOnItsOwn(t) && !m_leftWithList.contains(t)
                                     ? QString::number(m_movedHere.value(t).list)
                                     : QString();
                      },
                      [](const Place &p) { return QString::number(p.list); }});
    for (const QString &identity : left.uniqueKeys()) {
        QList<const Task *> from = left.values(identity);
        QList<Place> to = arrived.values(identity);
        // Sent new by an upload in doubt that carried the task that left:
        // there beside it, not its move.
        if (stray)
            to.erase(std::remove_if(to.begin(), to.end(),
                                    [&](const Place &place) {
                                        const Seen &seen = m_seen.at(place.list);
                                        return seen.server.contains(place.task->id())
                                               && std::all_of(from.cbegin(), from.cend(), [&](const Task *task) {
                                                      return seen.carriedInDoubt.contains(task->id());
                                                  });
                                    }),
                     to.end());
        if (to.isEmpty() || from.isEmpty()) {
            if (stray)
                *stray << to;
            continue;
        }
        // This computer's own move: the copy it made is the task, by its
        // lineage, whatever changed on the way.
        if (stray)
            for (qsizetype i = 0; i < from.size();) {
                const QList<quint64> lineages = m_seen.at(m_listOf.value(from.at(i))).lineages.values(from.at(i)->id());
                const auto copy = std::find_if(to.begin(), to.end(),
                                               [&](const Place &p) { return lineages.contains(p.task->lineage()); });
                if (copy == to.end()) {
                    ++i;
                    continue;
                }
                out.insert(from.takeAt(i), *copy);
                to.erase(copy);
            }
        for (const Tell &tell : std::as_const(tells)) {
            for (bool paired = true; paired;) {
                paired = false;
                for (qsizetype i = 0; i < from.size() && !paired; ++i) {
                    const QString key = tell.first(from.at(i));
                    qsizetype match = -1;
                    int matches = 0, rivals = 0;
                    for (qsizetype j = 0; j < to.size(); ++j)
                        if (tell.second(to.at(j)) == key) {
                            match = j;
                            ++matches;
                        }
                    for (const Task *other : std::as_const(from))
                        rivals += tell.first(other) == key;
                    if (matches == 1 && rivals == 1) {
                        out.insert(from.takeAt(i), to.takeAt(match));
                        paired = true;
                    }
                }
            }
        }
        // Any pairing is the same only where what the other side did to
        // each is the same too.
        const auto otherSide = [&](const Task *t) {
            return stray ? m_leftThere.contains(t->identity(), t) : movedHere(t);
        };
        const bool oneFate = std::all_of(from.cbegin(), from.cend(), otherSide)
                             || std::none_of(from.cbegin(), from.cend(), otherSide);
        if (!from.isEmpty() && !to.isEmpty() && from.size() + to.size() > 2 && oneFate && alike(from, to)) {
            std::sort(from.begin(), from.end(), [&](const Task *a, const Task *b) {
                return placeOf(m_listOf.value(a), a) < placeOf(m_listOf.value(b), b);
            });
            std::sort(to.begin(), to.end(), [](const Place &a, const Place &b) {
                return a.task->parent()->indexOfChild(a.task) < b.task->parent()->indexOfChild(b.task);
            });
            while (!from.isEmpty() && !to.isEmpty())
                out.insert(from.takeFirst(), to.takeFirst());
        }
        // Left with its whole list and told by nothing: not moved, unless
        // this computer moved it too (the week's roll-over on both): then
        // the other's list is where the other put it.
        from.erase(std::remove_if(from.begin(), from.end(),
                                  [&](const Task *t) { return m_leftWithList.contains(t) && !movedHere(t); }),
                   from.end());
        if (stray && from.isEmpty())
            *stray << to;
        // One left and one arrived: that one, whatever changed on the way,
        // where the one that arrived was changed after the one that left
        // (a move stamps the copy it makes). One no newer is another task
        // made in its second: both stay, and the user is told.
        if (from.size() == 1 && to.size() == 1 && stampedAfter(to.first().task, from.first()))
            out.insert(from.first(), to.first());
        else if (!from.isEmpty() && !to.isEmpty()) {
            if (stray)
                *stray << to;
            unpaired << from;
            qInfo().noquote() << QStringLiteral("Moves: %1 tasks made by %2 left a list and %3 arrived in another, "
                                                "nothing telling which is which: each stays where it is")
                                     .arg(from.size())
                                     .arg(identity)
                                     .arg(to.size());
        }
    }
}

bool Settler::stampedAfter(const Task *copy, const Task *agreed)
{
    const QDateTime made = copy->modificationTime(), before = agreed->modificationTime();
    return !made.isValid() || !before.isValid() || made.toSecsSinceEpoch() > before.toSecsSinceEpoch();
}

bool Settler::alike(const QList<const Task *> &left, const QList<Place> &arrived) const
{
    const Task *first = left.first();
    const Place &place = arrived.first();
    const bool oneAnother = ListMerge::sameContent(first, place.task) || first->title() == place.task->title();
    return oneAnother && std::all_of(left.cbegin(), left.cend(), [&](const Task *task) {
               return task->childCount() == 0 && ListMerge::sameContent(task, first);
           }) && std::all_of(arrived.cbegin(), arrived.cend(), [&](const Place &other) {
               return other.list == place.list && other.task->parent() == place.task->parent()
                      && other.task->childCount() == 0 && ListMerge::sameContent(other.task, place.task);
           });
}

QList<int> Settler::placeOf(int list, const Task *task) const
{
    QList<int> out;
    for (; task->parent(); task = task->parent())
        out.prepend(task->parent()->indexOfChild(task));
    out.prepend(list);
    return out;
}

void Settler::run()
{
    recordMovesThere();
    for (int from = 0; from < m_lists.size(); ++from) {
        if (!m_lists.at(from).agreedBefore)
            continue;
        // Top-down: a task moved with its parent is settled with it.
        QList<const Task *> roots;
        const std::function<void(const Task *)> walk = [&](const Task *parent) {
            for (const Task *child : parent->children()) {
                roots.append(child);
                walk(child);
            }
        };
        walk(m_lists.at(from).agreedBefore->rootTask());
        // One moved apart from a task above it first: its copy below what
        // came back of that one goes before that one takes it along.
        std::stable_partition(roots.begin(), roots.end(), [&](const Task *agreed) {
            for (const Task *up = agreed->parent(); up && up->parent(); up = up->parent())
                if (movedApart(agreed, up))
                    return true;
            return false;
        });
        for (const Task *agreed : std::as_const(roots))
            settle(from, agreed);
    }
}

bool Settler::movedApart(const Task *agreed, const Task *up) const
{
    for (const QHash<const Task *, Place> *moves : {&m_movedThere, &m_movedHere}) {
        const Place own = moves->value(agreed);
        const Place above = moves->value(up);
        if (!own.task || !above.task)
            continue;
        const Task *holder = own.task->parent();
        while (holder && holder != above.task)
            holder = holder->parent();
        if (!holder)
            return true;
    }
    return false;
}

void Settler::settle(int from, const Task *agreed)
{
    const Seen &seen = m_seen.at(from);
    // Its parent moved with it: settled with that one. A parent that only
    // left (removed) settles nothing: a task moved out of it before goes
    // on its own.
    const quint32 id = agreed->id();
    for (const Task *up = agreed->parent(); up && up->parent(); up = up->parent())
        if ((!seen.server.contains(up->id()) || seen.removedHere.contains(up->id()))
            && (m_movedThere.contains(up) || m_movedHere.contains(up))) {
            // Moved on both sides, with it or out of it before: settled on
            // its own, as any task moved on both.
            if (m_movedHere.contains(agreed) && m_movedThere.contains(agreed))
                break;
            // Moved apart from it since: settled on its own too.
            if (movedApart(agreed, up))
                break;
            // Moved out of it on the side that did not move it, and kept
            // where that put it: that place holds, not the one below what
            // the other side moved.
            Task *kept = seen.now.contains(id) ? seen.now.value(id) : cameBack(from, agreed);
            const Task *keptBelow = kept ? kept->parent() : nullptr;
            const bool movedOut
                = keptBelow && (!keptBelow->parent() || keptBelow->identity() != agreed->parent()->identity());
            const Place here = m_movedHere.value(agreed);
            const Place there = m_movedThere.value(agreed);
            if (movedOut && here.task && m_movedHere.contains(up))
                carry(from, agreed, here.task, here.list, kept, from, true);
            else if (movedOut && there.task && m_movedThere.contains(up))
                carry(from, agreed, there.task, there.list, kept, from, false);
            return;
        }
    // A copy in its own list counts too: cut and pasted back, or moved
    // away and back by the other computer.
    const Place there = m_movedThere.value(agreed);
    const Place here = m_movedHere.value(agreed);
    // Moved on both, its copy removed here since: the other's same move is
    // no change, and the removal holds.
    if (there.task && !here.task && movedThenRemovedHere(from, agreed)) {
        removeMovedThere(from, agreed, there);
        return;
    }
    // Moved on both into one list, the merge made the two copies one.
    if (there.task && !here.task && seen.removedHere.contains(id)) {
        mergeBothCopies(agreed, there);
        dropRemovedThereBelow(from, there.list, there.task);
    }
    if (there.task && here.task) {
        // Moved on both: one task. Into two lists both knew, in this
        // computer's (its upload is the later). Where either list was made
        // since, in the other's, which reached the server first: a list
        // made for the tasks there is not left empty everywhere, untold,
        // and the user here is told at once.
        const bool madeSince = !m_lists.at(there.list).agreedBefore || !m_lists.at(here.list).agreedBefore;
        // Into one list, carried there with a task above it and moved on
        // its own here: only here was its place changed, and it holds.
        const bool placedHere
            = there.list == here.list && carried(m_movedThere, agreed) && !carriedHere(agreed);
        if ((there.list == here.list || madeSince) && !placedHere) {
            // Told of once: one moved with its parent goes with that one.
            const bool told = m_removed.contains(here.task);
            carry(from, agreed, here.task, here.list, there.task, there.list, true);
            if (there.list != here.list && !told && m_removed.contains(here.task))
                m_wentThere << QStringLiteral("%1: %2").arg(nameOf(there.list), there.task->title());
        } else {
            carry(from, agreed, there.task, there.list, here.task, here.list, false);
        }
    } else if (there.task) {
        // Moved there; what changed here came back where it was.
        carry(from, agreed, cameBack(from, agreed), from, there.task, there.list, true);
    } else if (here.task && seen.now.contains(id)) {
        // Moved here; changed there, it stayed where it was.
        carry(from, agreed, seen.now.value(id), from, here.task, here.list, false);
    } else if (here.task) {
        // Moved here; the server's copy, taken for what an upload in doubt
        // put there, may be the other computer's move of it when nothing
        // there shows that upload: what each side changed since holds.
        const Seen &to = m_seen.at(here.list);
        const bool mayBeTheirs
            = to.server.contains(here.task->id()) && m_leftThere.contains(agreed->identity(), agreed);
        if (mayBeTheirs && !to.sentArrived)
            mergeBothCopies(agreed, here);
        // What left there below it may have gone there with it, into that
        // copy: nothing below it is taken for removed there.
        if (!mayBeTheirs)
            carry(from, agreed, nullptr, from, here.task, here.list, false);
    }
}

QStringList Settler::untold() const
{
    QStringList out;
    const auto add = [&](int list, const Task *task) {
        const QString line = QStringLiteral("%1: %2").arg(nameOf(list), task->title());
        if (!out.contains(line))
            out << line;
    };
    // Moved there: this computer's changed copy stayed where it was.
    for (const Task *agreed : m_unpairedThere) {
        const int from = m_listOf.value(agreed, -1);
        if (from < 0)
            continue;
        if (const Task *kept = cameBack(from, agreed); kept && !m_removed.contains(kept))
            add(from, kept);
    }
    // Moved here: the other computer's changed copy stayed where it was.
    QSet<QString> bothWays;
    for (const Task *agreed : m_unpairedThere)
        bothWays.insert(agreed->identity());
    for (const Task *agreed : m_unpairedHere) {
        const int from = m_listOf.value(agreed, -1);
        if (from < 0)
            continue;
        if (const Task *kept = m_seen.at(from).now.value(agreed->id()); kept && !m_removed.contains(kept))
            add(from, kept);
    }
    // Moved on both, nothing telling which is which: this computer's
    // copies stay beside the other's.
    for (const Task *agreed : m_unpairedThere)
        if (const Place here = m_movedHere.value(agreed); here.task && !m_removed.contains(here.task))
            add(here.list, here.task);
    for (const Task *agreed : m_unpairedHere) {
        if (!bothWays.contains(agreed->identity()))
            continue;
        for (const Place &place : m_strayHere)
            if (place.task->identity() == agreed->identity() && !m_removed.contains(place.task))
                add(place.list, place.task);
    }
    // Moved here, and the server holds another of its identity that an
    // upload of this computer's in doubt may have made, or the other's move
    // there: both stay.
    for (const Place &place : m_strayHere)
        if (m_leftHere.contains(place.task->identity()) && m_seen.at(place.list).server.contains(place.task->id())
            && !m_removed.contains(place.task))
            add(place.list, place.task);
    for (const Place &place : m_keptBeside)
        if (!m_removed.contains(place.task))
            add(place.list, place.task);
    out.sort();
    return out;
}

Task *Settler::cameBack(int from, const Task *agreed) const
{
    const Seen &seen = m_seen.at(from);
    // Kept by a merge it has another id; in a list the server no longer
    // holds, looked at before its step, it still has the agreed one.
    const auto isBack = [&](const Task *task) {
        return !seen.server.contains(task->id()) && (!seen.agreed.contains(task->id()) || task->id() == agreed->id());
    };
    // This computer's copy of the agreed task, as the run began: what the
    // merge kept of it is the same task, not one typed in its second.
    const Task *mine = nullptr;
    for (const Task *task : seen.mineByLineage)
        if (task->id() == agreed->id())
            mine = task;
    if (!mine)
        return nullptr;
    Task *alike = nullptr;
    int alikes = 0;
    for (Task *task : seen.now.values() + seen.withoutId) {
        if (!isBack(task) || task->identity() != agreed->identity())
            continue;
        if (task->lineage() == mine->lineage())
            return task;
        if (ListMerge::sameContent(task, mine)) {
            alike = task;
            ++alikes;
        }
    }
    return alikes == 1 ? alike : nullptr;
}

bool Settler::movedThenRemovedHere(int from, const Task *agreed) const
{
    const Seen &seen = m_seen.at(from);
    if (!seen.leftByMove.contains(agreed->id()) || !seen.removedHere.contains(agreed->id()))
        return false;
    // Its copy, wherever it is (the merge may have made it one with the
    // other's), holds its lineage.
    const QList<quint64> lineages = seen.lineages.values(agreed->id());
    const auto holdsCopy = [&](const Seen &list) {
        return std::any_of(lineages.cbegin(), lineages.cend(),
                           [&](quint64 lineage) { return list.held.contains(lineage); });
    };
    if (std::any_of(m_seen.cbegin(), m_seen.cend(), holdsCopy)
        || std::any_of(m_strayHere.cbegin(), m_strayHere.cend(),
                       [&](const Place &place) { return place.task->identity() == agreed->identity(); }))
        return false;
    // Where no move's copy shows the lineage of the task it left (read
    // from a file that did not keep them), a task of its identity made here
    // may be that copy.
    return m_lineagesKept
           || std::none_of(m_seen.cbegin(), m_seen.cend(),
                           [&](const Seen &list) { return list.newHere.contains(agreed->identity()); });
}

void Settler::removeMovedThere(int from, const Task *agreed, const Place &there)
{
    if (m_removed.contains(there.task) || !m_lists.at(there.list).now->canWrite())
        return;
    const Seen &seen = m_seen.at(from);
    bool unchanged = ListMerge::sameContent(agreed, there.task);
    there.task->forEachBelow([&](const Task *below) {
        const Task *base = seen.agreedOf(below->identity(), below);
        unchanged = unchanged && base && seen.leftByMove.contains(base->id()) && ListMerge::sameContent(base, below);
    });
    if (!unchanged) {
        m_keptChanged << QStringLiteral("%1: %2").arg(nameOf(there.list), there.task->title());
        return;
    }
    removeTask(there.list, there.task);
}

QString Settler::nameOf(int list) const
{
    const QString name = m_lists.at(list).now->name();
    for (int other = 0; other < m_lists.size(); ++other) {
        if (other == list || m_seen.at(other).goneHere || m_lists.at(other).now->name() != name)
            continue;
        return m_lists.at(list).agreedBefore
                   ? QCoreApplication::translate("ListMoves", "%1 (the one you had before)").arg(name)
                   : QCoreApplication::translate("ListMoves", "%1 (the one made on another computer)").arg(name);
    }
    return name;
}

void Settler::mergeBothCopies(const Task *agreed, const Place &there)
{
    const Seen &seen = m_seen.at(there.list);
    const Task *mine = seen.madeHereAs(there.task);
    const Task *theirs = seen.server.value(there.task->id());
    if (!mine || !theirs || !m_lists.at(there.list).now->canWrite() || m_removed.contains(there.task))
        return;
    std::unique_ptr<Task> merged(there.task->clone());
    ListMerge::mergeTaskContent(agreed, mine, theirs, merged.get());
    if (ListMerge::sameContent(merged.get(), there.task))
        return;
    there.task->takeFieldsFrom(merged.get());
    m_lists[there.list].changed = true;
}

bool Settler::dropRemovedThereBelow(int from, int list, Task *parent)
{
    const Seen &seen = m_seen.at(from);
    bool all = true;
    const QList<Task *> children = parent->children();
    for (Task *child : children) {
        const bool below = dropRemovedThereBelow(from, list, child);
        const Task *base = seen.agreedOf(child->identity(), child);
        // This computer's copy of a task that left there for no list.
        const bool removedThere = base && m_movedHere.value(base).task == child && !m_movedThere.contains(base)
                                  && !seen.server.contains(base->id())
                                  && !seen.removedByUploadsInDoubt.contains(base->id()) && !seen.goneThere;
        if (below && removedThere && ListMerge::sameContent(base, child) && !m_removed.contains(child))
            removeTask(list, child);
        else
            all = false;
    }
    return all;
}

void Settler::splitCopies()
{
    // Identities of tasks that left their lists on both sides.
    QSet<QString> leftBoth;
    for (auto it = m_leftHere.cbegin(); it != m_leftHere.cend(); ++it)
        if (m_leftThere.contains(it.key(), it.value()))
            leftBoth.insert(it.key());
    for (int i = 0; i < m_lists.size(); ++i) {
        const Seen &seen = m_seen.at(i);
        TaskList *now = m_lists.at(i).now;
        if (!m_lists.at(i).mineBefore || !now->canWrite() || m_lists.at(i).followOnly)
            continue;
        // What is there of each identity and title that the server did not
        // hold: a task of its own, not one the merge took for another.
        QSet<QString> unsent;
        now->rootTask()->forEachBelow([&](Task *task) {
            if (!seen.server.contains(task->id()) && !seen.agreed.contains(task->id()))
                unsent.insert(task->identity() + QChar(1) + task->title());
        });
        for (Task *task : seen.now) {
            if (seen.agreed.contains(task->id()) || !seen.server.contains(task->id()) || task->childCount() > 0
                || leftBoth.contains(task->identity())
                || seen.sentInDoubt.contains(UploadMark::identityDigest(task)))
                continue;
            const Task *mine = seen.madeHereAs(task);
            const Task *theirs = seen.server.value(task->id());
            if (!mine || mine->childCount() > 0 || theirs->childCount() > 0
                || unsent.contains(mine->identity() + QChar(1) + mine->title()))
                continue;
            // Below a task the merge took for one added on both sides (one
            // with tasks below it stays so), it is that one's.
            const Task *up = task->parent();
            if (up->parent() && !seen.agreed.contains(up->id()) && seen.server.contains(up->id())
                && seen.madeHereAs(up))
                continue;
            task->takeFieldsFrom(theirs);
            Task *parent = task->parent();
            Task *copy = mine->copy();
            parent->insertChild(copy, parent->indexOfChild(task) + 1);
            m_lists[i].changed = true;
            // The server's stays arrived there; this one was added here.
            m_addedHere.insert(copy->identity(), {i, copy});
            // Moved out of a list here, and no task of its identity left one
            // there: the server's may be the same task, moved there by an
            // upload its list's upload has not followed yet.
            if (m_leftHere.contains(copy->identity()) && !m_leftThere.contains(copy->identity()))
                m_keptBeside << Place{i, copy};
        }
    }
}

void Settler::carry(int from, const Task *agreed, Task *source, int sourceList, Task *target, int targetList,
                    bool sourceIsMine)
{
    if (!m_lists.at(targetList).now->canWrite() || m_removed.contains(target)
        || (source && (m_removed.contains(source) || !m_lists.at(sourceList).now->canWrite())))
        return;
    const Seen &seen = m_seen.at(from);
    // The target's tasks by identity, for the tasks below.
    QMultiHash<QString, Task *> targets;
    const std::function<void(Task *)> index = [&](Task *task) {
        targets.insert(task->identity(), task);
        for (Task *child : task->children())
            index(child);
    };
    index(target);
    // The target's copy of a task below the source: the one of its
    // identity, else the one alike in content, then in title.
    const auto copyOf = [&](const Task *task) -> Task * {
        if (task == source)
            return target;
        QList<Task *> candidates = targets.values(task->identity());
        candidates.removeOne(target);
        if (candidates.size() == 1)
            return candidates.first();
        for (const auto &tells : {&ListMerge::sameContent, &Seen::sameTitle}) {
            Task *found = nullptr;
            int count = 0;
            for (Task *candidate : std::as_const(candidates))
                if (tells(candidate, task)) {
                    found = candidate;
                    ++count;
                }
            if (count == 1)
                return found;
        }
        return nullptr;
    };
    bool changed = false;
    QSet<QString> sourceHas;
    if (source)
        source->forEachBelow([&sourceHas](Task *task) { sourceHas.insert(task->identity()); });
    if (source) {
        if (sourceIsMine) {
            if (!ListMerge::sameContent(agreed, source)) {
                ListMerge::mergeTaskContent(agreed, source, target, target);
                changed = true;
            }
        } else if (!ListMerge::sameContent(agreed, source)) {
            // Theirs changed it: onto this computer's copy, mine kept where
            // both changed a part.
            ListMerge::mergeTaskContent(agreed, target, source, target);
            changed = true;
        }
        // Below it: each task of the source's finds its copy; one added on
        // the source's side below it goes below the copy's parent.
        // A task of the list the source side put below it goes with it.
        QList<std::pair<Task *, Task *>> kept;
        const auto wasBelow = [&agreed](const Task *task) {
            for (const Task *up = task->parent(); up; up = up->parent())
                if (up == agreed)
                    return true;
            return false;
        };
        const std::function<void(Task *)> below = [&](Task *parent) {
            for (Task *child : parent->children()) {
                const QString identity = child->identity();
                Task *copy = copyOf(child);
                const Task *base = seen.agreedOf(identity, child);
                if (!base && copy)
                    base = seen.agreedOf(identity, copy);
                if (copy)
                    moved(sourceList, child, targetList, copy);
                if (copy && base && !ListMerge::sameContent(base, child)) {
                    if (sourceIsMine)
                        ListMerge::mergeTaskContent(base, child, copy, copy);
                    else
                        ListMerge::mergeTaskContent(base, copy, child, copy);
                    changed = true;
                } else if (!copy && (!base || !wasBelow(base))) {
                    Task *holder = copyOf(child->parent());
                    if (holder) {
                        Task *added = child->copy();
                        holder->insertChild(added, holder->childCount());
                        moved(sourceList, child, targetList, added);
                        changed = true;
                        continue;
                    }
                } else if (!copy && sourceIsMine && m_seen.at(sourceList).server.contains(child->id())) {
                    // The merge put the server's own copy of it below this
                    // computer's, which goes: the other side kept it, and it
                    // stays below the target.
                    if (Task *holder = copyOf(child->parent())) {
                        kept.append(std::make_pair(child, holder));
                        moved(sourceList, child, targetList, child);
                        continue;
                    }
                }
                below(child);
            }
        };
        below(source);
        for (const auto &[child, holder] : std::as_const(kept)) {
            child->parent()->takeChild(child);
            holder->insertChild(child, holder->childCount());
            changed = true;
        }
        moved(sourceList, source, targetList, target);
        // Where it goes to this computer's copy, its removal record says so
        // as the move's own did, for a run after this one is cut short.
        if (!sourceIsMine) {
            source->markLeftByMove();
            source->setLineage(target->lineage());
        }
        removeTask(sourceList, source);
    }
    // Removed below it on the other side of the target's, not moved with
    // the source, and not changed on the target's side: it stays removed.
    // Deepest first: a task goes once everything below it goes.
    QList<Task *> gone;
    const std::function<bool(Task *)> removedBelow = [&](Task *parent) {
        bool all = true;
        for (Task *child : parent->children()) {
            const bool below = removedBelow(child);
            const Task *base = seen.agreedOf(child->identity(), child);
            // A copy made here (moved here too, and one with the other's)
            // holds it: not a removal.
            const bool copiedHere = m_seen.at(targetList).newHere.contains(child->identity());
            // One that went with its whole list was not removed itself.
            const bool removedOnTheOtherSide
                = base && !sourceHas.contains(child->identity())
                  && (sourceIsMine ? seen.removedHere.contains(base->id()) && !copiedHere && !seen.goneHere
                                   : !seen.server.contains(base->id())
                                         && !seen.removedByUploadsInDoubt.contains(base->id()) && !seen.goneThere);
            if (below && removedOnTheOtherSide && ListMerge::sameContent(base, child))
                gone.append(child);
            else
                all = false;
        }
        return all;
    };
    removedBelow(target);
    // Parents last in `gone`: each takes its children with it.
    for (auto it = gone.crbegin(); it != gone.crend(); ++it)
        if (!m_removed.contains(*it))
            removeTask(targetList, *it);
    if (changed || !gone.isEmpty())
        m_lists[targetList].changed = true;
}

void Settler::removeTask(int list, Task *task)
{
    m_removed.insert(task);
    task->forEachBelow([this](Task *below) { m_removed.insert(below); });
    ListMoves::List &seen = m_lists[list];
    // As TaskList::removeTask, but what it would delete is kept for the
    // caller to free after the views' resets.
    const std::function<void(Task *)> take = [&](Task *t) {
        while (t->childCount() > 0)
            take(t->child(0));
        if (Task *parent = t->parent())
            parent->takeChild(t);
        if (t->id() != 0)
            seen.now->recordRemovedTask(t);
        else
            seen.taken.push_back(std::shared_ptr<Task>(t));
    };
    take(task);
    seen.changed = true;
}

} // namespace

void ListMoves::recordMoves(QList<List> &lists)
{
    Settler(lists).recordMovesThere();
}

bool ListMoves::settle(QList<List> &lists, QStringList *untold, QStringList *wentThere, QStringList *keptChanged)
{
    Settler settler(lists);
    settler.run();
    settler.recordUnfollowed();
    if (untold)
        *untold << settler.untold();
    if (wentThere)
        *wentThere << settler.wentThere();
    if (keptChanged)
        *keptChanged << settler.keptChanged();
    for (const List &list : lists)
        if (list.changed)
            return true;
    return false;
}

namespace {

// Identities of the tasks a list took out since it agreed, and of those it
// gained.
void movedSides(const TaskList *list, QSet<QString> &out, QSet<QString> &in)
{
    const QHash<quint32, Task *> agreed = byId(list->agreed());
    for (const Task *removed : list->removedTasks())
        if (const Task *task = agreed.value(removed->id()))
            out.insert(task->identity());
    list->rootTask()->forEachBelow([&](Task *task) {
        if ((task->id() == 0 || !agreed.contains(task->id())) && !task->isBlankRecursively())
            in.insert(task->identity());
    });
}

} // namespace

bool ListMoves::movedHere(const TaskList *list, const QList<const TaskList *> &others)
{
    QSet<QString> out, in;
    movedSides(list, out, in);
    if (out.isEmpty() && in.isEmpty())
        return false;
    for (const TaskList *other : others) {
        if (other == list)
            continue;
        QSet<QString> otherOut, otherIn;
        movedSides(other, otherOut, otherIn);
        if (out.intersects(otherIn) || in.intersects(otherOut))
            return true;
    }
    return false;
}
