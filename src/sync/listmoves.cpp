#include "sync/listmoves.h"

#include "model/task.h"
#include "model/tasklist.h"
#include "sync/listmerge.h"
#include "sync/uploadmark.h"

#include <QHash>
#include <QMultiHash>
#include <QSet>

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
    QList<Task *> unsent;
    QSet<quint32> removedHere;
    QSet<quint32> removedByUploadsInDoubt; // there by this computer's own hand
    QSet<QString> sentInDoubt;             // identity digests of tasks those sent new
    QSet<QString> newHere;        // identities of tasks made here since it agreed
    QHash<QString, int> agreedIdentities;
    QHash<QString, const Task *> agreedByIdentity;
    // The agreed task of an identity only it holds: tasks that came back
    // or were copied have new ids, not their identity.
    const Task *agreedOf(const QString &identity) const
    {
        return agreedIdentities.value(identity) == 1 ? agreedByIdentity.value(identity) : nullptr;
    }
};

Seen see(const ListMoves::List &list)
{
    Seen seen;
    seen.agreed = byId(list.agreedBefore);
    seen.server = byId(list.serverBefore);
    seen.now = byId(list.now);
    if (list.now)
        list.now->rootTask()->forEachBelow([&seen](Task *task) {
            if (task->id() == 0)
                seen.unsent.append(task);
        });
    for (const Task *task : seen.agreed) {
        ++seen.agreedIdentities[task->identity()];
        seen.agreedByIdentity.insert(task->identity(), task);
    }
    if (list.mineBefore) {
        const UploadMark mark = UploadMark::read(list.mineBefore->pendingUpload());
        seen.removedByUploadsInDoubt = mark.removedTasks();
        for (const UploadMark::SentTask &sent : mark.tasks())
            seen.sentInDoubt.insert(sent.identity);
        for (const Task *removed : list.mineBefore->removedTasks())
            if (seen.agreed.contains(removed->id()))
                seen.removedHere.insert(removed->id());
        list.mineBefore->rootTask()->forEachBelow([&seen](Task *task) {
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
            for (Task *task : seen.now.values() + seen.unsent) {
                if (seen.agreed.contains(task->id()))
                    continue;
                // Made here and sent by this run, or by an upload in doubt
                // before the server's copy was looked at.
                const bool sentFromHere = seen.server.contains(task->id())
                                              ? seen.sentInDoubt.contains(UploadMark::identityDigest(task))
                                              : seen.newHere.contains(task->identity());
                if (sentFromHere)
                    m_addedHere.insert(task->identity(), {i, task});
                else if (seen.server.contains(task->id()))
                    m_arrived.insert(task->identity(), {i, task});
            }
        }
    }

    void run();

private:
    // The one task of the identity outside `list`, or none.
    static Place onlyOne(const QMultiHash<QString, Place> &places, const QString &identity, int list);
    void settle(int from, const Task *agreed);
    // `source` is what stays of the moved task where it was (or the other
    // copy); its changes since `agreed` go onto `target`, then it goes.
    void carry(int from, const Task *agreed, Task *source, int sourceList, Task *target, int targetList,
               bool sourceIsMine);
    void removeTask(int list, Task *task);

    QList<ListMoves::List> &m_lists;
    QList<Seen> m_seen;
    QMultiHash<QString, Place> m_arrived;   // added there since the list agreed
    QMultiHash<QString, Place> m_addedHere; // added here, sent by this run
    QSet<const Task *> m_removed;
};

Place Settler::onlyOne(const QMultiHash<QString, Place> &places, const QString &identity, int list)
{
    Place found;
    int count = 0;
    for (auto it = places.constFind(identity); it != places.constEnd() && it.key() == identity; ++it) {
        if (it->list == list)
            continue;
        found = *it;
        ++count;
    }
    return count == 1 ? found : Place();
}

void Settler::run()
{
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
        for (const Task *agreed : std::as_const(roots))
            settle(from, agreed);
    }
}

void Settler::settle(int from, const Task *agreed)
{
    const Seen &seen = m_seen.at(from);
    const QString identity = agreed->identity();
    if (seen.agreedIdentities.value(identity) != 1)
        return;
    // Its parent moved with it: settled with that one.
    for (const Task *up = agreed->parent(); up && up->parent(); up = up->parent())
        if (!seen.server.contains(up->id()) || seen.removedHere.contains(up->id()))
            return;
    const quint32 id = agreed->id();
    // A copy in its own list counts too: cut and pasted back, or moved
    // away and back by the other computer.
    const Place there = !seen.server.contains(id) ? onlyOne(m_arrived, identity, -1) : Place();
    const Place here = seen.removedHere.contains(id) ? onlyOne(m_addedHere, identity, -1) : Place();
    if (there.task && here.task) {
        // Moved on both: one task, in this computer's list when the two
        // differ (its upload is the later).
        if (there.list == here.list)
            carry(from, agreed, here.task, here.list, there.task, there.list, true);
        else
            carry(from, agreed, there.task, there.list, here.task, here.list, false);
    } else if (there.task) {
        // Moved there; what changed here came back where it was.
        Task *back = nullptr;
        int backs = 0;
        const Seen &seenFrom = m_seen.at(from);
        for (Task *task : seenFrom.now.values() + seenFrom.unsent) {
            if (task->identity() == identity && !seenFrom.agreed.contains(task->id())
                && !seenFrom.server.contains(task->id())) {
                back = task;
                ++backs;
            }
        }
        if (backs == 1)
            carry(from, agreed, back, from, there.task, there.list, true);
        else
            carry(from, agreed, nullptr, from, there.task, there.list, true);
    } else if (here.task && seen.now.contains(id)) {
        // Moved here; changed there, it stayed where it was.
        carry(from, agreed, seen.now.value(id), from, here.task, here.list, false);
    } else if (here.task) {
        carry(from, agreed, nullptr, from, here.task, here.list, false);
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
    QHash<QString, Task *> targets;
    QHash<QString, int> targetCount;
    const std::function<void(Task *)> index = [&](Task *task) {
        targets.insert(task->identity(), task);
        ++targetCount[task->identity()];
        for (Task *child : task->children())
            index(child);
    };
    index(target);
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
        const auto wasBelow = [&agreed](const Task *task) {
            for (const Task *up = task->parent(); up; up = up->parent())
                if (up == agreed)
                    return true;
            return false;
        };
        const std::function<void(Task *)> below = [&](Task *parent) {
            for (Task *child : parent->children()) {
                const QString identity = child->identity();
                Task *copy = targetCount.value(identity) == 1 ? targets.value(identity) : nullptr;
                const Task *base = seen.agreedOf(identity);
                if (copy && base && !ListMerge::sameContent(base, child)) {
                    if (sourceIsMine)
                        ListMerge::mergeTaskContent(base, child, copy, copy);
                    else
                        ListMerge::mergeTaskContent(base, copy, child, copy);
                    changed = true;
                } else if (!copy && (!base || !wasBelow(base))) {
                    Task *holder = child->parent() == source ? target : targets.value(child->parent()->identity());
                    if (holder && targetCount.value(child->parent()->identity(), 1) == 1) {
                        holder->insertChild(child->copy(), holder->childCount());
                        changed = true;
                        continue;
                    }
                }
                below(child);
            }
        };
        below(source);
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
            const Task *base = seen.agreedOf(child->identity());
            // A copy made here (moved here too, and one with the other's)
            // holds it: not a removal.
            const bool copiedHere = m_seen.at(targetList).newHere.contains(child->identity());
            const bool removedOnTheOtherSide
                = base && !sourceHas.contains(child->identity())
                  && (sourceIsMine ? seen.removedHere.contains(base->id()) && !copiedHere
                                   : !seen.server.contains(base->id())
                                         && !seen.removedByUploadsInDoubt.contains(base->id()));
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
    m_lists.at(list).now->removeTask(task);
    m_lists[list].changed = true;
}

} // namespace

bool ListMoves::settle(QList<List> &lists)
{
    Settler settler(lists);
    settler.run();
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
        if (task->id() == 0 || !agreed.contains(task->id()))
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
