#include "sync/merges/groupsmerge.h"

#include "model/listsgroups.h"
#include "sync/merges/threeway.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

// Groups by server id (one without gets a key below zero), entries by their
// list's server id (one without, by its local id below zero). The root is 0.
using Key = qint64;
const Key Root = 0;
const Key Nowhere = std::numeric_limits<Key>::min();

struct Group
{
    QString name;
    bool expanded = true;
    Key parent = Root;
    quint32 localId = 0;
};

// One version of the tree, flattened.
struct Flat
{
    QHash<Key, Group> groups;        // the root left out
    QHash<Key, QList<Key>> children; // child groups by parent
    QHash<Key, QList<Key>> entries;  // entries by group
    QHash<Key, Key> entryParent;
    QHash<Key, quint32> localIds;

    bool has(Key group) const { return group == Root || groups.contains(group); }
};

// The key of a child group met under `parent` while reading a version.
using KeyOf = std::function<Key(const ListsGroupsElementGroup *, Key parent)>;

void read(Flat &flat, const ListsGroupsElementGroup *group, Key key, const KeyOf &keyOf)
{
    for (const ListsGroupsElementList *entry : group->lists()) {
        const Key list = entry->serverId() != 0 ? Key(entry->serverId()) : -Key(entry->localId());
        // Nothing tells it, or named twice: the first place counts.
        if (list == 0 || flat.entryParent.contains(list))
            continue;
        flat.entryParent.insert(list, key);
        flat.entries[key].append(list);
        if (entry->localId() != 0)
            flat.localIds.insert(list, entry->localId());
    }
    for (const ListsGroupsElementGroup *child : group->groups()) {
        const Key childKey = keyOf(child, key);
        flat.groups.insert(childKey, Group{child->name(), child->isExpanded(), key, child->localId()});
        flat.children[key].append(childKey);
        read(flat, child, childKey, keyOf);
    }
}

void collectIds(const ListsGroupsElementGroup *group, QSet<Key> &ids)
{
    for (const ListsGroupsElementGroup *child : group->groups()) {
        if (child->serverId() != 0)
            ids.insert(child->serverId());
        collectIds(child, ids);
    }
}

// A side's parents as the merge weighs them: an element that the side's
// removal of its agreed group moved up counts as unmoved by that side, so
// that it goes back when the group stays.
struct Side
{
    const Flat *flat = nullptr;
    QHash<Key, Key> groupParent;
    QHash<Key, Key> entryParent;
    QSet<Key> received; // groups the side put something in
};

class Merger
{
public:
    Merger(const ListsGroups &base, const ListsGroups &mine, const ListsGroups &theirs, bool uploadInDoubt,
           const QList<const ListsGroups *> &sent);
    ListsGroups *result(const ListsGroups &mine) const;

private:
    void rebaseOn(const ListsGroups &sentTree);
    void readMine(const ListsGroups &mine, bool uploadInDoubt);
    void takeServerPlaces();
    Side weigh(const Flat &side) const;
    void restoreRemoved(Flat &side, const Side &weighed) const;
    Key liftTarget(const Flat &side, Key group) const;
    bool keeps(const Side &side, Key group) const;
    Key resolve(Key group) const;
    void mergeGroups();
    void breakCycles();
    void mergeEntries();
    void attach(Key key, ListsGroupsElementGroup *element, int level, QList<Key> &deferred) const;
    void attachGroup(Key key, ListsGroupsElementGroup *parent, int level, QList<Key> &deferred) const;

    Flat m_base, m_mine, m_theirs;
    Side m_mineSide, m_theirsSide;
    Key m_nextNew = -1;
    // The server's groups that uploads in doubt made, by the local id of the
    // group here they were made from.
    QHash<quint32, Key> m_sentKeys;
    QSet<Key> m_present;
    QHash<Key, Group> m_groups;        // merged fields and parents
    QHash<Key, Key> m_mineParent;      // mine's parent, resolved
    QHash<Key, Key> m_entryParent;     // merged
    QHash<Key, QList<Key>> m_groupOrder;
    QHash<Key, QList<Key>> m_entryOrder;
};

Merger::Merger(const ListsGroups &base, const ListsGroups &mine, const ListsGroups &theirs, bool uploadInDoubt,
               const QList<const ListsGroups *> &sent)
{
    const auto plain = [this](Flat &flat) {
        return [this, &flat](const ListsGroupsElementGroup *group, Key) -> Key {
            const Key id = group->serverId();
            return id != 0 && !flat.groups.contains(id) ? id : m_nextNew--;
        };
    };
    read(m_base, base.rootGroup(), Root, plain(m_base));
    read(m_theirs, theirs.rootGroup(), Root, plain(m_theirs));
    for (const ListsGroups *tree : sent)
        rebaseOn(*tree);
    readMine(mine, uploadInDoubt && sent.isEmpty());
    takeServerPlaces();
    m_mineSide = weigh(m_mine);
    m_theirsSide = weigh(m_theirs);
    restoreRemoved(m_mine, m_mineSide);
    restoreRemoved(m_theirs, m_theirsSide);
    mergeGroups();
    breakCycles();
    mergeEntries();
}

namespace {

// The elements under each parent, from their parents: in the order an
// upload sent where the server keeps the elements it shares with it in that
// order, else in the agreed order; then as the server has them, then as the
// upload had them; what none of them places goes last.
QHash<Key, QList<Key>> ordered(const QHash<Key, Key> &parents, const QHash<Key, QList<Key>> &sent,
                               const QHash<Key, QList<Key>> &theirs, const QHash<Key, QList<Key>> &agreed)
{
    QHash<Key, QSet<Key>> members;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it)
        members[it.value()].insert(it.key());
    const auto common = [](const QList<Key> &list, const QList<Key> &other) {
        const QSet<Key> in(other.cbegin(), other.cend());
        QList<Key> out;
        for (Key key : list)
            if (in.contains(key))
                out << key;
        return out;
    };
    QHash<Key, QList<Key>> out;
    for (auto it = members.begin(); it != members.end(); ++it) {
        const QList<Key> sentOrder = sent.value(it.key());
        const QList<Key> theirsOrder = theirs.value(it.key());
        // The server keeps the order the upload sent there: it is agreed.
        const QList<Key> sentThere = common(sentOrder, theirsOrder);
        const bool asSent = !sentThere.isEmpty() && sentThere == common(theirsOrder, sentOrder);
        QList<Key> order;
        for (const QList<Key> &from : {asSent ? sentOrder : agreed.value(it.key()), theirsOrder, sentOrder})
            for (Key key : from)
                if (it->remove(key))
                    order << key;
        QList<Key> rest(it->cbegin(), it->cend());
        std::sort(rest.begin(), rest.end());
        out.insert(it.key(), order + rest);
    }
    return out;
}

} // namespace

// What an upload in doubt sent and the server holds as it was sent counts as
// agreed: it is what this computer did, not the other's change. The groups it
// made are the server's of their names under their parents that neither the
// agreed tree nor the upload named by id; one it put lists in holds one of
// them still, or it may be the other computer's namesake.
void Merger::rebaseOn(const ListsGroups &sentTree)
{
    QSet<Key> named;
    collectIds(sentTree.rootGroup(), named);
    QSet<Key> taken;
    Flat sent;
    const KeyOf keyOf = [&](const ListsGroupsElementGroup *group, Key parent) -> Key {
        Key key = group->serverId();
        if (key == 0) {
            QSet<Key> filled;
            for (const ListsGroupsElementList *entry : group->lists())
                if (entry->serverId() != 0)
                    filled.insert(entry->serverId());
            for (Key candidate : m_theirs.children.value(parent)) {
                const QList<Key> there = m_theirs.entries.value(candidate);
                if (candidate > 0 && !m_base.groups.contains(candidate) && !named.contains(candidate)
                    && !taken.contains(candidate) && m_theirs.groups.value(candidate).name == group->name()
                    && (filled.isEmpty()
                        || std::any_of(there.cbegin(), there.cend(), [&](Key list) { return filled.contains(list); }))) {
                    key = candidate;
                    break;
                }
            }
        }
        // Not on the server, or named twice: it tells nothing.
        if (key == 0 || sent.groups.contains(key) || taken.contains(key))
            return m_nextNew--;
        taken.insert(key);
        if (group->localId() != 0)
            m_sentKeys.insert(group->localId(), key);
        return key;
    };
    read(sent, sentTree.rootGroup(), Root, keyOf);

    const Flat agreed = m_base;
    for (auto it = sent.groups.cbegin(); it != sent.groups.cend(); ++it) {
        const auto there = m_theirs.groups.constFind(it.key());
        if (it.key() <= 0 || there == m_theirs.groups.cend())
            continue;
        const auto base = m_base.groups.find(it.key());
        if (base == m_base.groups.end()) {
            m_base.groups.insert(it.key(), Group{it->name, it->expanded, it->parent});
            continue;
        }
        if (there->name == it->name)
            base->name = it->name;
        if (there->expanded == it->expanded)
            base->expanded = it->expanded;
        if (there->parent == it->parent)
            base->parent = it->parent;
    }
    for (auto it = sent.entryParent.cbegin(); it != sent.entryParent.cend(); ++it)
        if (m_theirs.entryParent.value(it.key(), Nowhere) == it.value())
            m_base.entryParent.insert(it.key(), it.value());

    // A parent the agreed tree now lacks gives way to its nearest one it has;
    // mixed from two versions, parents may loop: the loop's group goes up.
    const auto existing = [&](Key parent) {
        QSet<Key> seen;
        while (parent != Root && !m_base.groups.contains(parent) && !seen.contains(parent)) {
            seen.insert(parent);
            parent = agreed.groups.contains(parent) ? agreed.groups.value(parent).parent
                     : sent.groups.contains(parent) ? sent.groups.value(parent).parent
                                                    : Root;
        }
        return m_base.groups.contains(parent) ? parent : Root;
    };
    for (auto it = m_base.groups.begin(); it != m_base.groups.end(); ++it)
        it->parent = existing(it->parent);
    for (auto it = m_base.entryParent.begin(); it != m_base.entryParent.end(); ++it)
        it.value() = existing(it.value());
    const QList<Key> keys = m_base.groups.keys();
    for (Key key : keys) {
        QSet<Key> path;
        Key at = key;
        while (at != Root && !path.contains(at)) {
            path.insert(at);
            at = m_base.groups.value(at).parent;
        }
        if (at != Root)
            m_base.groups[at].parent = Root;
    }

    QHash<Key, Key> groupParents;
    for (auto it = m_base.groups.cbegin(); it != m_base.groups.cend(); ++it)
        groupParents.insert(it.key(), it->parent);
    m_base.children = ordered(groupParents, sent.children, m_theirs.children, agreed.children);
    m_base.entries = ordered(m_base.entryParent, sent.entries, m_theirs.entries, agreed.entries);
}

// An upload in doubt may have made the groups new here on the server: each
// is the server's group of its name under its parent that nothing else here
// or in the agreed tree names.
void Merger::readMine(const ListsGroups &mine, bool uploadInDoubt)
{
    QSet<Key> mineIds;
    collectIds(mine.rootGroup(), mineIds);
    QSet<Key> paired;
    const KeyOf keyOf = [&](const ListsGroupsElementGroup *group, Key parent) -> Key {
        const Key id = group->serverId();
        if (id != 0 && !m_mine.groups.contains(id))
            return id;
        // The group an upload in doubt made of it.
        const Key sentKey = id == 0 ? m_sentKeys.value(group->localId(), 0) : 0;
        if (sentKey > 0 && group->localId() != 0 && !mineIds.contains(sentKey) && !paired.contains(sentKey)) {
            paired.insert(sentKey);
            return sentKey;
        }
        if (id == 0 && uploadInDoubt) {
            for (Key candidate : m_theirs.children.value(parent)) {
                if (candidate > 0 && !m_base.groups.contains(candidate) && !mineIds.contains(candidate)
                    && !paired.contains(candidate) && m_theirs.groups.value(candidate).name == group->name()) {
                    paired.insert(candidate);
                    return candidate;
                }
            }
        }
        return m_nextNew--;
    };
    read(m_mine, mine.rootGroup(), Root, keyOf);
}

// The page puts each list it learns of in the default group: for a list the
// agreed tree does not name, that place says nothing against the server's.
void Merger::takeServerPlaces()
{
    for (auto it = m_mine.entryParent.begin(); it != m_mine.entryParent.end(); ++it) {
        const Key list = it.key();
        if (it.value() != Root || m_base.entryParent.contains(list) || !m_theirs.entryParent.contains(list))
            continue;
        m_mine.entries[Root].removeOne(list);
        it.value() = m_theirs.entryParent.value(list);
    }
}

// Where the side's removals put what the agreed `group` held: its nearest
// agreed ancestor the side still has.
Key Merger::liftTarget(const Flat &side, Key group) const
{
    while (group != Root && !side.has(group))
        group = m_base.groups.contains(group) ? m_base.groups.value(group).parent : Root;
    return group;
}

Side Merger::weigh(const Flat &side) const
{
    Side out;
    out.flat = &side;
    const auto weighed = [&](Key parent, Key agreedParent) {
        if (agreedParent != Nowhere && agreedParent != Root && !side.has(agreedParent)
            && parent == liftTarget(side, agreedParent))
            return agreedParent;
        return parent;
    };
    for (auto it = side.groups.cbegin(); it != side.groups.cend(); ++it) {
        const Key agreed = m_base.groups.contains(it.key()) ? m_base.groups.value(it.key()).parent : Nowhere;
        const Key parent = weighed(it->parent, agreed);
        out.groupParent.insert(it.key(), parent);
        if (parent != agreed)
            out.received.insert(parent);
    }
    for (auto it = side.entryParent.cbegin(); it != side.entryParent.cend(); ++it) {
        const Key agreed = m_base.entryParent.value(it.key(), Nowhere);
        const Key parent = weighed(it.value(), agreed);
        out.entryParent.insert(it.key(), parent);
        if (parent != agreed)
            out.received.insert(parent);
    }
    return out;
}

// What a side removed stands, in its orders, where the agreed tree had it:
// kept because the other side changed it, it takes its place from there.
// A group the side removed holds, in its order, what it held when agreed.
void Merger::restoreRemoved(Flat &side, const Side &weighed) const
{
    const auto fill = [&side](const QHash<Key, QList<Key>> &agreedOrders, QHash<Key, QList<Key>> &orders,
                              const QHash<Key, Key> &parents) {
        for (auto it = agreedOrders.cbegin(); it != agreedOrders.cend(); ++it) {
            const Key parent = it.key();
            QList<Key> &order = orders[parent];
            if (!side.has(parent)) {
                for (Key key : *it)
                    if (parents.value(key, parent) == parent)
                        order << key;
                continue;
            }
            for (int i = 0; i < it->size(); ++i) {
                if (parents.contains(it->at(i)))
                    continue;
                int at = 0;
                for (int j = i - 1; j >= 0 && at == 0; --j)
                    at = int(order.indexOf(it->at(j))) + 1;
                order.insert(at, it->at(i));
            }
        }
    };
    fill(m_base.children, side.children, weighed.groupParent);
    fill(m_base.entries, side.entries, weighed.entryParent);
}

// An agreed group the other side removed stays when this side changed it or
// put something in it.
bool Merger::keeps(const Side &side, Key group) const
{
    const Group agreed = m_base.groups.value(group);
    const Group now = side.flat->groups.value(group);
    return now.name != agreed.name || now.expanded != agreed.expanded
           || side.groupParent.value(group) != agreed.parent || side.received.contains(group);
}

// A group that does not stay gives its place to its nearest agreed ancestor
// that does, as a removal moves its contents up.
Key Merger::resolve(Key group) const
{
    while (group != Root && !m_present.contains(group))
        group = m_base.groups.contains(group) ? m_base.groups.value(group).parent : Root;
    return group;
}

void Merger::mergeGroups()
{
    QSet<Key> keys;
    for (const Flat *flat : {&m_base, &m_mine, &m_theirs})
        for (auto it = flat->groups.cbegin(); it != flat->groups.cend(); ++it)
            keys.insert(it.key());
    for (Key key : std::as_const(keys)) {
        const bool inBase = m_base.groups.contains(key);
        const bool inMine = m_mine.groups.contains(key);
        const bool inTheirs = m_theirs.groups.contains(key);
        if ((inMine && inTheirs) || (inMine && (!inBase || keeps(m_mineSide, key)))
            || (inTheirs && (!inBase || keeps(m_theirsSide, key))))
            m_present.insert(key);
    }
    const auto version = [](const Flat &flat, const Side &side, Key key) {
        Group group = flat.groups.value(key);
        group.parent = side.groupParent.value(key);
        return group;
    };
    for (Key key : std::as_const(m_present)) {
        const bool inMine = m_mine.groups.contains(key);
        const bool inTheirs = m_theirs.groups.contains(key);
        // Without an agreed state both sides made it: mine goes up.
        const Group base = m_base.groups.contains(key) ? m_base.groups.value(key)
                           : inTheirs                  ? version(m_theirs, m_theirsSide, key)
                                                       : version(m_mine, m_mineSide, key);
        const Group mine = inMine ? version(m_mine, m_mineSide, key) : base;
        const Group theirs = inTheirs ? version(m_theirs, m_theirsSide, key) : base;
        Group merged;
        merged.name = ThreeWay::merge(base.name, mine.name, theirs.name);
        merged.expanded = ThreeWay::merge(base.expanded, mine.expanded, theirs.expanded);
        merged.parent = resolve(ThreeWay::merge(base.parent, mine.parent, theirs.parent));
        merged.localId = inMine ? m_mine.groups.value(key).localId : 0;
        m_groups.insert(key, merged);
        m_mineParent.insert(key, resolve(mine.parent));
    }
}

// Each side's moves alone make a tree; together they may make a loop (mine
// put A in B, theirs B in A): the server's moves in it give way to mine.
void Merger::breakCycles()
{
    QList<Key> keys = m_groups.keys();
    std::sort(keys.begin(), keys.end());
    for (Key key : std::as_const(keys)) {
        for (;;) {
            QList<Key> path;
            Key at = key;
            while (at != Root && !path.contains(at)) {
                path << at;
                at = m_groups.value(at).parent;
            }
            if (at == Root)
                break;
            const QList<Key> loop = path.mid(path.indexOf(at));
            const auto theirsMove = std::find_if(loop.cbegin(), loop.cend(), [this](Key k) {
                return m_groups.value(k).parent != m_mineParent.value(k);
            });
            if (theirsMove != loop.cend())
                m_groups[*theirsMove].parent = m_mineParent.value(*theirsMove);
            else
                m_groups[loop.first()].parent = Root;
        }
    }
}

void Merger::mergeEntries()
{
    QSet<Key> keys;
    for (const Flat *flat : {&m_mine, &m_theirs})
        for (auto it = flat->entryParent.cbegin(); it != flat->entryParent.cend(); ++it)
            keys.insert(it.key());
    for (Key list : std::as_const(keys)) {
        const bool inBase = m_base.entryParent.contains(list);
        const bool inMine = m_mine.entryParent.contains(list);
        const bool inTheirs = m_theirs.entryParent.contains(list);
        // Removed here: its list is gone from this computer.
        if (!inMine && inBase)
            continue;
        const Key base = inBase     ? m_base.entryParent.value(list)
                         : inTheirs ? m_theirsSide.entryParent.value(list)
                                    : m_mineSide.entryParent.value(list);
        const Key mine = inMine ? m_mineSide.entryParent.value(list) : base;
        const Key theirs = inTheirs ? m_theirsSide.entryParent.value(list) : base;
        m_entryParent.insert(list, resolve(ThreeWay::merge(base, mine, theirs)));
    }

    QHash<Key, QSet<Key>> groupsIn;
    QHash<Key, QSet<Key>> entriesIn;
    for (auto it = m_groups.cbegin(); it != m_groups.cend(); ++it)
        groupsIn[it->parent].insert(it.key());
    for (auto it = m_entryParent.cbegin(); it != m_entryParent.cend(); ++it)
        entriesIn[it.value()].insert(it.key());
    for (auto it = groupsIn.cbegin(); it != groupsIn.cend(); ++it)
        m_groupOrder.insert(it.key(), ThreeWay::mergeOrder(m_base.children.value(it.key()), m_mine.children.value(it.key()),
                                                           m_theirs.children.value(it.key()), it.value()));
    for (auto it = entriesIn.cbegin(); it != entriesIn.cend(); ++it)
        m_entryOrder.insert(it.key(), ThreeWay::mergeOrder(m_base.entries.value(it.key()), m_mine.entries.value(it.key()),
                                                           m_theirs.entries.value(it.key()), it.value()));
}

void Merger::attach(Key key, ListsGroupsElementGroup *element, int level, QList<Key> &deferred) const
{
    for (Key list : m_entryOrder.value(key)) {
        auto *entry = new ListsGroupsElementList;
        entry->setServerId(list > 0 ? quint32(list) : 0);
        entry->setLocalId(list < 0 ? quint32(-list) : m_mine.localIds.value(list));
        element->addList(entry);
    }
    for (Key child : m_groupOrder.value(key))
        attachGroup(child, element, level + 1, deferred);
}

// A group that would sit deeper than the documents allow goes to the top
// level instead, with what it holds.
void Merger::attachGroup(Key key, ListsGroupsElementGroup *parent, int level, QList<Key> &deferred) const
{
    if (level > ListsGroups::maxGroupDepth) {
        deferred << key;
        return;
    }
    const Group fields = m_groups.value(key);
    auto *group = new ListsGroupsElementGroup;
    group->setName(fields.name);
    group->setExpanded(fields.expanded);
    group->setServerId(key > 0 ? quint32(key) : 0);
    group->setLocalId(fields.localId);
    parent->addGroup(group);
    attach(key, group, level, deferred);
}

ListsGroups *Merger::result(const ListsGroups &mine) const
{
    auto *out = new ListsGroups;
    QList<Key> deferred;
    attach(Root, out->rootGroup(), 0, deferred);
    while (!deferred.isEmpty())
        attachGroup(deferred.takeFirst(), out->rootGroup(), 1, deferred);

    // Removed groups the server still holds are reported removed.
    QList<Key> removed;
    for (const ListsGroupsElementGroup *group : *mine.deletedGroups())
        removed << Key(group->serverId());
    QList<Key> removedHere;
    for (auto it = m_base.groups.cbegin(); it != m_base.groups.cend(); ++it)
        if (!m_mine.groups.contains(it.key()))
            removedHere << it.key();
    std::sort(removedHere.begin(), removedHere.end());
    removed += removedHere;
    QSet<Key> reported;
    for (Key key : std::as_const(removed)) {
        if (key <= 0 || !m_theirs.groups.contains(key) || m_present.contains(key) || reported.contains(key))
            continue;
        reported.insert(key);
        auto *group = new ListsGroupsElementGroup(out);
        group->setName(m_theirs.groups.value(key).name);
        group->setServerId(quint32(key));
        out->deletedGroups()->append(group);
    }
    return out;
}

} // namespace

ListsGroups *GroupsMerge::merge(const ListsGroups &base, const ListsGroups &mine, const ListsGroups &theirs,
                                bool uploadInDoubt, const QList<const ListsGroups *> &sent)
{
    Merger merger(base, mine, theirs, uploadInDoubt, sent);
    return merger.result(mine);
}

// A tree made from nothing (no file, an unreadable one, a reset) counts as
// edited, yet uploading it would replace the groups the account has. A tree
// that knows what it agreed with the server was edited when it differs.
bool GroupsMerge::goesUp(const ListsGroups *groups, bool forceRemote, bool forceLocal)
{
    if (forceRemote)
        return true;
    if (forceLocal || !groups || !groups->isEditedSinceSync())
        return false;
    // What an upload in doubt put there is told from the other computer's
    // change only by a merge: a tree taken as the server has it would keep
    // what the user undid since.
    if (!groups->deletedGroups()->isEmpty() || !groups->sentInDoubt().isEmpty())
        return true;
    if (groups->rootGroup()->groupCount() == 0)
        return false;
    return !groups->agreed() || !groups->sameOnServer(*groups->agreed());
}
