#include "sync/merges/listmerge.h"

#include "core/clock.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "sync/merges/threeway.h"
#include "sync/merges/uploadmark.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using ThreeWay::Winner;

// A task's key in the merge: its server id, or (new here) its lineage,
// which is below the bit.
using Key = quint64;
constexpr Key Root = 0;
constexpr Key NewBit = Task::LineageLimit;

struct Version
{
    const Task *task = nullptr;
    Key parent = Root;
};

struct Node
{
    Version base, mine, theirs;
    bool removedHere = false;
    bool keep = false;
    // New since the agreed copy and nobody typed into it: kept only where
    // what holds it is kept for something else.
    bool untyped = false;
    Key parent = Root;
};

struct Index
{
    QHash<Key, Version> versions;
    QHash<Key, QList<Key>> children; // in order, per parent
};

// The tasks below `parent`, keyed: `newKey` gives the key of a task the
// index should not take by its id (null: every task by its id).
template<class KeyOf>
void index(const Task *parent, Key parentKey, Index &out, const KeyOf &keyOf)
{
    QList<Key> order;
    for (const Task *child : parent->children()) {
        const Key key = keyOf(child);
        order.append(key);
        out.versions.insert(key, {child, parentKey});
        index(child, key, out, keyOf);
    }
    if (!order.isEmpty())
        out.children.insert(parentKey, order);
}

QString attachmentsText(const Task *task)
{
    QString out;
    for (const TaskAttachment *a : task->attachments())
        out += a->typeName() + QChar(1) + a->name() + QChar(1) + a->url().toString() + QChar(1) + a->description()
               + QChar(1) + a->additionalData() + QChar(2);
    return out;
}

bool sameAttachments(const Task *a, const Task *b)
{
    return attachmentsText(a) == attachmentsText(b);
}

// The task's content merged part by part onto `out` (which holds mine's);
// the stamps of the last change are mine's when a change of mine stays.
void mergeFields(const Task *base, const Task *mine, const Task *theirs, Winner onConflict, Task *out)
{
    bool mineKept = false;
    const auto pick = [&](auto get) {
        const auto b = get(base), m = get(mine), t = get(theirs);
        const auto value = ThreeWay::merge(b, m, t, onConflict);
        if (!(m == b) && value == m)
            mineKept = true;
        return value;
    };
    out->setTitle(pick([](const Task *t) { return t->title(); }));
    const bool done = pick([](const Task *t) { return t->isDone(); });
    out->setDoneBy(done == mine->isDone() ? mine->doneBy() : theirs->doneBy());
    out->setDone(done);
    out->setPriority(pick([](const Task *t) { return t->priority(); }));
    out->setNote(pick([](const Task *t) { return t->note(); }));
    out->setAlarmTime(pick([](const Task *t) { return t->alarmTime(); }));
    out->setStartTime(pick([](const Task *t) { return t->startTime(); }));
    out->setDueTime(pick([](const Task *t) { return t->dueTime(); }));
    const QStringList assignments
        = ThreeWay::mergeSets(base->assignments(), mine->assignments(), theirs->assignments());
    if (assignments != mine->assignments() || base->assignments() != mine->assignments()) {
        out->unassignAll();
        for (const QString &nick : assignments)
            out->assign(nick);
        if (base->assignments() != mine->assignments())
            mineKept = true;
    }
    const bool mineAttachments = !sameAttachments(base, mine);
    const bool theirsAttachments = !sameAttachments(base, theirs);
    if (theirsAttachments && (!mineAttachments || onConflict == Winner::Theirs)) {
        for (TaskAttachment *a : out->attachments())
            out->removeAttachment(a);
        for (const TaskAttachment *a : theirs->attachments())
            out->addAttachment(a->clone());
    } else if (mineAttachments) {
        mineKept = true;
    }
    if (!mineKept) {
        out->setModificationTime(theirs->modificationTime());
        out->setLastModifiedBy(theirs->lastModifiedBy());
    }
}

// A task with the source's content and no children.
Task *single(const Task *source)
{
    auto *task = new Task;
    task->takeFieldsFrom(source);
    task->setExpanded(source->isExpanded());
    task->setOutlookId(source->outlookId());
    return task;
}

class Merger
{
public:
    Merger(const TaskList &base, const TaskList &mine, const TaskList &theirs, const ListMerge::Sent &sent)
        : m_baseList(base)
        , m_mineList(mine)
        , m_theirsList(theirs)
        , m_sent(sent)
    {
    }

    TaskList *run(ListMerge::Outcome *outcome);

private:
    void indexAll();
    QHash<const Task *, Key> pairNewTasks() const;
    static void pairSent(QList<const Task *> mine, QList<const Task *> theirs, const QStringList &sent,
                         QHash<const Task *, Key> &out);
    // The version of a task the two sides start from: base's, or theirs'
    // when it is what an upload of this computer's in doubt sent.
    const Task *startOf(Key key, const Node &node) const;
    bool changedHere(const Node &node) const;
    bool changedThere(Key key, const Node &node) const;
    void decideKept();
    Key parentOf(const Node &node) const;
    void placeParents();
    void breakCycles();
    bool fitsDepth() const;
    // Added here, nobody typed into it and no part of it known to the
    // server: the upload leaves it out, so it changes nothing there.
    bool unwritten(Key key) const;
    TaskList *build(ListMerge::Outcome *outcome);

    const TaskList &m_baseList;
    const TaskList &m_mineList;
    const TaskList &m_theirsList;
    const ListMerge::Sent &m_sent;
    Index m_base, m_mine, m_theirs;
    QHash<Key, Node> m_nodes;
    QList<Key> m_order; // every key, mine's order first, then theirs', then base's
    QSet<quint64> m_mineLineages;
    bool m_mineParents = false;
};

void Merger::indexAll()
{
    const auto byId = [](const Task *task) { return Key(task->id()); };
    index(m_baseList.rootTask(), Root, m_base, byId);
    index(m_theirsList.rootTask(), Root, m_theirs, byId);
    // Mine: a task goes by its id only when the server knows it (base or
    // theirs); an id neither holds is a stale one and its task is new.
    QSet<Key> seen;
    const QHash<const Task *, Key> paired = pairNewTasks();
    const auto mineKey = [&](const Task *task) {
        m_mineLineages.insert(task->lineage());
        const Key id = task->id();
        if (id != 0 && !seen.contains(id) && (m_base.versions.contains(id) || m_theirs.versions.contains(id))) {
            seen.insert(id);
            return id;
        }
        const Key pair = paired.value(task, 0);
        if (pair != 0 && !seen.contains(pair)) {
            seen.insert(pair);
            return pair;
        }
        // One lineage twice (a file edited by hand): the second is another task.
        Key key = NewBit | Key(task->lineage());
        while (seen.contains(key))
            key = NewBit | Key(Task::newLineage());
        seen.insert(key);
        return key;
    };
    index(m_mineList.rootTask(), Root, m_mine, mineKey);
    QSet<Key> removedHere;
    for (const Task *removed : m_mineList.removedTasks())
        if (removed->id() != 0 && !seen.contains(removed->id()))
            removedHere.insert(removed->id());

    const auto add = [&](const Index &from, Version Node::*slot) {
        for (auto it = from.versions.cbegin(); it != from.versions.cend(); ++it)
            m_nodes[it.key()].*slot = it.value();
    };
    add(m_base, &Node::base);
    add(m_mine, &Node::mine);
    add(m_theirs, &Node::theirs);
    for (Key key : std::as_const(removedHere))
        if (m_nodes.contains(key))
            m_nodes[key].removedHere = true;

    QSet<Key> ordered;
    for (const Index *from : {&m_mine, &m_theirs, &m_base}) {
        QList<Key> stack{Root};
        while (!stack.isEmpty()) {
            const Key parent = stack.takeLast();
            const QList<Key> children = from->children.value(parent);
            for (auto it = children.crbegin(); it != children.crend(); ++it)
                stack.append(*it);
            if (parent != Root && !ordered.contains(parent)) {
                ordered.insert(parent);
                m_order.append(parent);
            }
        }
    }
}

// A task new here and one the server gained since, with one identity that
// no other task of either holds and one title, are one task added on both
// sides (moved into this list on both computers, or sent here by an upload
// whose answer was lost). Pasted copies keep their source's identity; where
// the source is still there, or two share it, nothing tells which is which,
// and both stay. A row nobody typed into is no task. Where an upload in
// doubt sent tasks of the identity (typed in one second, or into a row the
// program made in an older task's second), the server's new ones may be its
// copies: each is told by its title, or by the content sent, one to one.
QHash<const Task *, Key> Merger::pairNewTasks() const
{
    QHash<QString, QList<const Task *>> mineNew, theirsNew;
    QHash<QString, int> held;
    QSet<Key> mineIds;
    const std::function<void(const Task *, const std::function<void(const Task *)> &)> walk
        = [&walk](const Task *parent, const std::function<void(const Task *)> &visit) {
              for (const Task *child : parent->children()) {
                  visit(child);
                  walk(child, visit);
              }
          };
    walk(m_mineList.rootTask(), [&](const Task *task) {
        const Key id = task->id();
        if (id != 0 && (m_base.versions.contains(id) || m_theirs.versions.contains(id))) {
            mineIds.insert(id);
            ++held[task->identity()];
        } else if (!task->isBlankRecursively()) {
            mineNew[task->identity()].append(task);
        }
    });
    // What the server holds of an upload in doubt under ids this computer
    // took for it: those tasks it sent are accounted for.
    QHash<QString, QStringList> sentHeld;
    walk(m_theirsList.rootTask(), [&](const Task *task) {
        const Key id = task->id();
        if (m_base.versions.contains(id) || mineIds.contains(id))
            ++held[task->identity()];
        else
            theirsNew[task->identity()].append(task);
        if (mineIds.contains(id) && !m_base.versions.contains(id))
            sentHeld[task->identity()].append(UploadMark::contentDigest(task));
    });
    QHash<const Task *, Key> out;
    for (auto it = mineNew.cbegin(); it != mineNew.cend(); ++it) {
        const QList<const Task *> there = theirsNew.value(it.key());
        if (there.isEmpty())
            continue;
        if (it->size() == 1 && there.size() == 1 && !held.contains(it.key()) && !it->first()->title().isEmpty()
            && it->first()->title() == there.first()->title()) {
            out.insert(it->first(), there.first()->id());
            continue;
        }
        QStringList sent = m_sent.byIdentity.value(UploadMark::identityDigest(it->first()));
        for (const QString &content : sentHeld.value(it.key()))
            sent.removeOne(content);
        if (!sent.isEmpty())
            pairSent(*it, there, sent, out);
    }
    return out;
}

// Tasks new here of one identity an upload in doubt sent, and the server's
// new ones of it: a title one of each holds, then a content one of each
// holds; the last of each when the server's is as sent (another computer's
// task made in that second is not).
void Merger::pairSent(QList<const Task *> mine, QList<const Task *> theirs, const QStringList &sent,
                      QHash<const Task *, Key> &out)
{
    using Tell = QString (*)(const Task *);
    const Tell tells[] = {[](const Task *t) { return t->title(); },
                          [](const Task *t) { return UploadMark::contentDigest(t); }};
    const auto count = [](const QList<const Task *> &tasks, Tell tell, const QString &key) {
        return std::count_if(tasks.cbegin(), tasks.cend(), [&](const Task *t) { return tell(t) == key; });
    };
    for (const Tell tell : tells) {
        for (qsizetype i = 0; i < mine.size();) {
            const QString key = tell(mine.at(i));
            if (key.isEmpty() || count(mine, tell, key) != 1 || count(theirs, tell, key) != 1) {
                ++i;
                continue;
            }
            const auto there
                = std::find_if(theirs.begin(), theirs.end(), [&](const Task *t) { return tell(t) == key; });
            out.insert(mine.takeAt(i), (*there)->id());
            theirs.erase(there);
        }
    }
    if (mine.size() == 1 && theirs.size() == 1 && sent.contains(UploadMark::contentDigest(theirs.first())))
        out.insert(mine.first(), theirs.first()->id());
}

const Task *Merger::startOf(Key key, const Node &node) const
{
    if (node.theirs.task && key < NewBit) {
        const QString content = UploadMark::contentDigest(node.theirs.task);
        if (m_sent.byId.value(quint32(key)).contains(content)
            || m_sent.byIdentity.value(UploadMark::identityDigest(node.theirs.task)).contains(content))
            return node.theirs.task;
    }
    if (node.base.task || !node.mine.task)
        return node.base.task;
    // Added on both sides: mine as an upload in doubt sent it is what the
    // server got; anything else there is another's change.
    const QString content = UploadMark::contentDigest(node.mine.task);
    if (m_sent.byIdentity.value(UploadMark::identityDigest(node.mine.task)).contains(content))
        return node.mine.task;
    return nullptr;
}

bool Merger::changedHere(const Node &node) const
{
    if (!node.mine.task || !node.base.task)
        return node.mine.task != nullptr;
    return !ListMerge::sameContent(node.base.task, node.mine.task) || node.base.parent != node.mine.parent;
}

bool Merger::changedThere(Key key, const Node &node) const
{
    const Task *start = startOf(key, node);
    if (!node.theirs.task || !start)
        return node.theirs.task != nullptr;
    // Sent by an upload of this computer's in doubt: its place there may be
    // this computer's own too.
    const bool sentFromHere = start == node.theirs.task;
    return !ListMerge::sameContent(start, node.theirs.task)
           || (node.base.task && !sentFromHere && node.base.parent != node.theirs.parent);
}

void Merger::decideKept()
{
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        Node &node = it.value();
        const bool mine = node.mine.task, theirs = node.theirs.task, base = node.base.task;
        if (mine && theirs)
            node.keep = true;
        else if (mine) // an upload of mine in doubt removed it: an undo brought it back
            node.keep = !base || changedHere(node) || m_sent.removed.contains(quint32(it.key()));
        else if (theirs)
            node.keep = !node.removedHere || changedThere(it.key(), node);
        else
            node.keep = false;
        const Task *added = base ? nullptr : mine ? node.mine.task : node.theirs.task;
        node.untyped = node.keep && added && added->isBlankRecursively();
    }
}

Key Merger::parentOf(const Node &node) const
{
    if (node.mine.task && node.theirs.task) {
        if (m_mineParents || !node.base.task)
            return node.mine.parent;
        return ThreeWay::merge(node.base.parent, node.mine.parent, node.theirs.parent);
    }
    return node.mine.task ? node.mine.parent : node.theirs.parent;
}

// Each kept task's parent; a parent that would not be kept comes back to
// hold it (something below it changed on the other side). A row nobody
// typed into holds nothing up: it stays where its parent does.
void Merger::placeParents()
{
    bool grew = true;
    while (grew) {
        grew = false;
        for (Key key : std::as_const(m_order)) {
            Node &node = m_nodes[key];
            if (!node.keep || node.untyped)
                continue;
            node.parent = parentOf(node);
            if (node.parent != Root && !m_nodes.value(node.parent).keep) {
                m_nodes[node.parent].keep = true;
                grew = true;
            }
        }
    }
    // Parents come first in the order.
    for (Key key : std::as_const(m_order)) {
        Node &node = m_nodes[key];
        if (!node.untyped)
            continue;
        node.parent = parentOf(node);
        node.keep = node.parent == Root || m_nodes.value(node.parent).keep;
    }
}

// Mine moved a task below one theirs moved below it: mine's tree decides.
void Merger::breakCycles()
{
    for (Key key : std::as_const(m_order)) {
        if (!m_nodes.value(key).keep)
            continue;
        QSet<Key> path;
        Key at = key;
        while (at != Root && !path.contains(at)) {
            path.insert(at);
            at = m_nodes.value(at).parent;
        }
        if (at != Root) {
            m_mineParents = true;
            placeParents();
            return;
        }
    }
}

bool Merger::fitsDepth() const
{
    QHash<Key, int> depth;
    for (Key key : m_order) {
        if (!m_nodes.value(key).keep)
            continue;
        int d = 0;
        QList<Key> chain;
        Key at = key;
        while (at != Root && !depth.contains(at)) {
            chain.append(at);
            at = m_nodes.value(at).parent;
        }
        d = at == Root ? 0 : depth.value(at);
        for (auto it = chain.crbegin(); it != chain.crend(); ++it) {
            depth.insert(*it, ++d);
            if (d > TaskReaderWriter::maxTaskDepth)
                return false;
        }
    }
    return true;
}

TaskList *Merger::run(ListMerge::Outcome *outcome)
{
    indexAll();
    decideKept();
    placeParents();
    breakCycles();
    if (!fitsDepth() && !m_mineParents) {
        m_mineParents = true;
        placeParents();
    }
    return build(outcome);
}

bool Merger::unwritten(Key key) const
{
    const auto node = m_nodes.constFind(key);
    return key >= NewBit && node != m_nodes.cend() && node->untyped && node->mine.task
           && node->mine.task->isUntypedRecursively();
}

TaskList *Merger::build(ListMerge::Outcome *outcome)
{
    std::unique_ptr<TaskList> out(TaskList::create());
    out->setLocalId(m_mineList.localId());
    out->setOutlookId(m_mineList.outlookId());
    out->setSyncStatus(TaskList::Edited);
    out->setServerId(m_theirsList.serverId());
    out->setRevision(m_theirsList.revision());
    out->setOwned(m_theirsList.isOwned());
    out->setOwner(m_theirsList.owner());
    out->setPermissions(m_theirsList.permissions());
    out->setPendingUpload(m_mineList.pendingUpload());

    // The list's own fields.
    const bool fieldsSent = m_sent.fields.contains(UploadMark::listFieldsDigest(&m_theirsList));
    const TaskList &fieldsBase = fieldsSent ? m_theirsList : m_baseList;
    const Winner listRule = m_sent.arrived && m_sent.fields.contains(UploadMark::listFieldsDigest(&m_mineList))
                                ? Winner::Theirs
                                : Winner::Mine;
    out->setName(ThreeWay::merge(fieldsBase.name(), m_mineList.name(), m_theirsList.name(), listRule));
    out->setDone(ThreeWay::merge(fieldsBase.isDone(), m_mineList.isDone(), m_theirsList.isDone(), listRule));
    out->setDescription(
        ThreeWay::merge(fieldsBase.description(), m_mineList.description(), m_theirsList.description(), listRule));

    bool same = out->name() == m_theirsList.name() && out->isDone() == m_theirsList.isDone()
                && out->description() == m_theirsList.description();

    // The tasks, with their content.
    QHash<Key, Task *> made;
    for (Key key : std::as_const(m_order)) {
        const Node &node = m_nodes.value(key);
        if (!node.keep)
            continue;
        Task *task = nullptr;
        if (node.mine.task) {
            task = single(node.mine.task);
            task->setLineage(node.mine.task->lineage());
            const Task *start = startOf(key, node);
            if (node.theirs.task && start) {
                const QString mineContent = UploadMark::contentDigest(node.mine.task);
                const bool mineAsSent = m_sent.byId.value(quint32(key)).contains(mineContent);
                const Winner rule = m_sent.arrived && mineAsSent ? Winner::Theirs : Winner::Mine;
                mergeFields(start, node.mine.task, node.theirs.task, rule, task);
            }
        } else {
            task = single(node.theirs.task);
            // Known here before: the same task, kept or come back.
            if (node.base.task && !m_mineLineages.contains(node.base.task->lineage()))
                task->setLineage(node.base.task->lineage());
            if (node.base.task && node.removedHere && outcome)
                outcome->keptThoughRemovedHere.append(node.theirs.task->title());
        }
        if (node.theirs.task) {
            task->setId(node.theirs.task->id());
            task->setRevision(node.theirs.task->revision());
            task->setHashcode(node.theirs.task->hashcode());
            same = same && ListMerge::sameContent(task, node.theirs.task) && node.parent == node.theirs.parent;
        } else {
            same = same && unwritten(key);
            if (node.base.task && outcome)
                outcome->keptThoughRemovedThere.append(node.base.task);
        }
        made.insert(key, task);
    }

    // The tree, parent by parent in merged order.
    QHash<Key, QSet<Key>> kept;
    for (auto it = made.cbegin(); it != made.cend(); ++it)
        kept[m_nodes.value(it.key()).parent].insert(it.key());
    QList<Key> parents{Root};
    while (!parents.isEmpty()) {
        const Key parent = parents.takeFirst();
        const QSet<Key> children = kept.value(parent);
        if (children.isEmpty())
            continue;
        const QList<Key> order = ThreeWay::mergeOrder(m_base.children.value(parent), m_mine.children.value(parent),
                                                      m_theirs.children.value(parent), children);
        QList<Key> sent = order;
        sent.removeIf([this](Key key) { return unwritten(key); });
        // Compared by hand: QList's == hands memcmp a null pointer when one
        // side is an empty list that never held anything.
        const QList<Key> theirs = m_theirs.children.value(parent);
        same = same && std::equal(sent.cbegin(), sent.cend(), theirs.cbegin(), theirs.cend());
        Task *holder = parent == Root ? out->rootTask() : made.value(parent);
        for (Key key : order) {
            holder->insertChild(made.value(key), holder->childCount());
            parents.append(key);
        }
    }
    // Theirs had children the result lacks (a removal here), or order aside.
    for (auto it = m_theirs.versions.cbegin(); it != m_theirs.versions.cend() && same; ++it)
        same = made.contains(it.key());

    // Removed here, still there, not come back: the removal goes up.
    QList<Task *> removed;
    QHash<Key, QDateTime> removedAt;
    const auto removal = [&](const Task *task, Key id, const QDateTime &at) {
        Task *copy = single(task);
        copy->setId(quint32(id));
        copy->setRevision(m_theirs.versions.value(id).task->revision());
        copy->setHashcode(m_theirs.versions.value(id).task->hashcode());
        copy->setDeletionTime(at);
        removed.append(copy);
        removedAt.insert(id, at);
        same = false;
    };
    for (const Task *task : m_mineList.removedTasks()) {
        const Key id = task->id();
        if (id == 0 || !m_theirs.versions.contains(id) || made.contains(id))
            continue;
        removal(task, id, task->deletionTime());
        // Still the task that left: a move keeps its lineage on its copy.
        removed.last()->setLineage(task->lineage());
        removed.last()->setLeftByMove(task->leftByMove());
    }
    // An untyped row the server holds below a task that goes: the server
    // keeps what an update leaves out, so it goes up removed, with that task.
    for (Key key : std::as_const(m_order)) {
        const Node &node = m_nodes.value(key);
        if (!node.untyped || node.keep || !node.theirs.task || key >= NewBit)
            continue;
        QDateTime at;
        for (Key up = node.theirs.parent; up != Root && !at.isValid(); up = m_theirs.versions.value(up).parent)
            at = removedAt.value(up);
        removal(node.theirs.task, key, at.isValid() ? at : Clock::currentDateTimeUtc());
    }
    out->setRemovedTasks(removed);
    if (outcome)
        outcome->sameAsTheirs = same;
    return out.release();
}

} // namespace

bool ListMerge::sameContent(const Task *a, const Task *b)
{
    return a->title() == b->title() && a->isDone() == b->isDone() && a->priority() == b->priority()
           && a->note() == b->note() && a->alarmTime() == b->alarmTime() && a->startTime() == b->startTime()
           && a->dueTime() == b->dueTime() && a->assignments() == b->assignments() && sameAttachments(a, b);
}

void ListMerge::mergeTaskContent(const Task *base, const Task *mine, const Task *theirs, Task *out)
{
    // mergeFields starts from mine's parts in `out`.
    std::unique_ptr<Task> theirsCopy(single(theirs));
    out->takeFieldsFrom(mine);
    mergeFields(base, mine, theirsCopy.get(), Winner::Mine, out);
}

TaskList *ListMerge::merge(const TaskList &base, const TaskList &mine, const TaskList &theirs, const Sent &sent,
                           Outcome *outcome)
{
    Merger merger(base, mine, theirs, sent);
    return merger.run(outcome);
}
