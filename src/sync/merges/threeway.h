#ifndef THREEWAY_H
#define THREEWAY_H

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <optional>

// The rules of a three-way merge, shared by every kind of item kept in step
// with the server (lists and their tasks, notes, the groups tree, sharing):
// `base` is what this computer and the server last agreed on, `mine` what it
// holds now, `theirs` what the server holds now. Only a side that changed a
// value changes it; where both changed it differently, the caller's rule
// decides (here: mine, the upload about to leave, unless told otherwise).
namespace ThreeWay {

enum class Winner { Mine, Theirs };

// Whether mine and theirs both changed the value, each differently.
template<class T>
bool conflicts(const T &base, const T &mine, const T &theirs)
{
    return !(mine == theirs) && !(mine == base) && !(theirs == base);
}

template<class T>
T merge(const T &base, const T &mine, const T &theirs, Winner onConflict = Winner::Mine)
{
    if (mine == theirs || theirs == base)
        return mine;
    if (mine == base)
        return theirs;
    return onConflict == Winner::Mine ? mine : theirs;
}

// A map merged key by key, absence being a value like the others: an entry
// only one side added, changed or removed takes that side's change.
template<class K, class V>
QMap<K, V> mergeMaps(const QMap<K, V> &base, const QMap<K, V> &mine, const QMap<K, V> &theirs,
                     Winner onConflict = Winner::Mine, QList<K> *conflicting = nullptr)
{
    QList<K> keys = base.keys() + mine.keys() + theirs.keys();
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    const auto at = [](const QMap<K, V> &map, const K &key) {
        const auto it = map.constFind(key);
        return it == map.constEnd() ? std::optional<V>() : std::optional<V>(*it);
    };
    QMap<K, V> out;
    for (const K &key : std::as_const(keys)) {
        const std::optional<V> b = at(base, key), m = at(mine, key), t = at(theirs, key);
        if (conflicting && conflicts(b, m, t))
            conflicting->append(key);
        const std::optional<V> value = merge(b, m, t, onConflict);
        if (value)
            out.insert(key, *value);
    }
    return out;
}

// A set merged element by element (assignments, say).
template<class T>
QList<T> mergeSets(const QList<T> &base, const QList<T> &mine, const QList<T> &theirs)
{
    QList<T> out;
    const QSet<T> b(base.cbegin(), base.cend());
    const QSet<T> m(mine.cbegin(), mine.cend());
    const QSet<T> t(theirs.cbegin(), theirs.cend());
    // Mine's order first, then what only theirs added.
    for (const T &value : mine)
        if ((t.contains(value) || !b.contains(value)) && !out.contains(value))
            out.append(value);
    for (const T &value : theirs)
        if (!b.contains(value) && !m.contains(value) && !out.contains(value))
            out.append(value);
    return out;
}

// The elements of `sequence` that keep their order relative to one another
// in `reference` (the longest such run): the others were moved.
template<class K>
QSet<K> unmoved(const QList<K> &reference, const QList<K> &sequence)
{
    QHash<K, int> position;
    for (int i = 0; i < reference.size(); ++i)
        position.insert(reference.at(i), i);
    QList<int> indexes; // into `sequence`, of the elements `reference` holds
    for (int i = 0; i < sequence.size(); ++i)
        if (position.contains(sequence.at(i)))
            indexes.append(i);
    // Longest increasing run of reference positions, with its links.
    QList<int> tails; // index into `indexes` of the smallest tail per length
    QList<int> previous(indexes.size(), -1);
    for (int i = 0; i < indexes.size(); ++i) {
        const int value = position.value(sequence.at(indexes.at(i)));
        const auto it = std::lower_bound(tails.begin(), tails.end(), value, [&](int tail, int v) {
            return position.value(sequence.at(indexes.at(tail))) < v;
        });
        const int length = int(it - tails.begin());
        if (length > 0)
            previous[i] = tails.at(length - 1);
        if (it == tails.end())
            tails.append(i);
        else
            *it = i;
    }
    QSet<K> out;
    for (int i = tails.isEmpty() ? -1 : tails.last(); i >= 0; i = previous.at(i))
        out.insert(sequence.at(indexes.at(i)));
    return out;
}

// The order of the elements that end under one parent (`kept`), from the
// sequences each version has there. An element mine placed anew (added, moved
// in from elsewhere, or moved among the others), or that only mine has here,
// goes where mine has it, after the nearest element before it in mine; the
// others keep theirs' order. What neither places here keeps base's order, at
// the end.
// Which elements a side moved is read from two orders alone, so more than
// one reading can hold ("bac" from "abc": b moved up, or a moved down): of
// the two readings from either end, the one whose moves the other side
// cannot have made too, so that both sides' moves stand.
template<class K>
QSet<K> stayedOf(const QList<K> &base, const QList<K> &mine, const QList<K> &theirs)
{
    const auto reversed = [](const QList<K> &list) { return QList<K>(list.crbegin(), list.crend()); };
    const QSet<K> forward = unmoved(base, mine);
    const QSet<K> backward = unmoved(reversed(base), reversed(mine));
    if (forward == backward)
        return forward;
    QSet<K> theirsMoved;
    for (const QSet<K> &stayed : {unmoved(base, theirs), unmoved(reversed(base), reversed(theirs))})
        for (const K &key : theirs)
            if (!stayed.contains(key))
                theirsMoved.insert(key);
    const auto clashes = [&](const QSet<K> &stayed) {
        int count = 0;
        for (const K &key : mine)
            count += !stayed.contains(key) && theirsMoved.contains(key);
        return count;
    };
    return clashes(backward) < clashes(forward) ? backward : forward;
}

// The order mergeOrder (below) makes, told which elements mine left where
// they were (`stayed`): where a side recorded its moves as it made them,
// nothing needs reading from the orders.
template<class K>
QList<K> placeOrder(const QSet<K> &stayed, const QList<K> &base, const QList<K> &mine, const QList<K> &theirs,
                    const QSet<K> &kept)
{
    const QSet<K> inTheirs(theirs.cbegin(), theirs.cend());
    QSet<K> placedByMine;
    for (const K &key : mine)
        if (kept.contains(key) && (!stayed.contains(key) || !inTheirs.contains(key)))
            placedByMine.insert(key);
    QList<K> spine; // theirs' order of the others
    QSet<K> inSpine;
    for (const K &key : theirs) {
        if (kept.contains(key) && !placedByMine.contains(key) && !inSpine.contains(key)) {
            spine.append(key);
            inSpine.insert(key);
        }
    }
    // Each element mine placed follows the nearest one before it in mine
    // that the result holds (or leads, when none does).
    // Those after the last of the others in mine go last.
    QHash<K, QList<K>> after;
    QList<K> leading, trailing;
    QSet<K> anchored;
    int lastOther = int(mine.size()) - 1;
    while (lastOther >= 0 && !inSpine.contains(mine.at(lastOther)))
        --lastOther;
    for (int i = 0; i < mine.size(); ++i) {
        const K &key = mine.at(i);
        if (!placedByMine.contains(key) || anchored.contains(key))
            continue;
        anchored.insert(key);
        if (lastOther >= 0 && i > lastOther) {
            trailing.append(key);
            continue;
        }
        int j = i - 1;
        while (j >= 0 && !inSpine.contains(mine.at(j)) && !anchored.contains(mine.at(j)))
            --j;
        if (j < 0)
            leading.append(key);
        else
            after[mine.at(j)].append(key);
    }
    QList<K> out;
    QSet<K> placed;
    // Iterative: a long run of placed elements must not nest calls.
    const auto place = [&](const K &first) {
        QList<K> stack{first};
        while (!stack.isEmpty()) {
            const K key = stack.takeLast();
            if (placed.contains(key))
                continue;
            placed.insert(key);
            out.append(key);
            const auto it = after.constFind(key);
            if (it != after.constEnd())
                for (auto next = it->crbegin(); next != it->crend(); ++next)
                    stack.append(*next);
        }
    };
    for (const K &key : std::as_const(leading))
        place(key);
    for (const K &key : std::as_const(spine))
        place(key);
    for (const K &key : std::as_const(trailing))
        place(key);
    for (const QList<K> *rest : {&mine, &base})
        for (const K &key : *rest)
            if (kept.contains(key))
                place(key);
    // Whatever is left (placed here by a rule the sequences do not show).
    QList<K> left;
    for (const K &key : kept)
        if (!placed.contains(key))
            left.append(key);
    std::sort(left.begin(), left.end());
    for (const K &key : std::as_const(left))
        place(key);
    return out;
}

template<class K>
QList<K> mergeOrder(const QList<K> &base, const QList<K> &mine, const QList<K> &theirs, const QSet<K> &kept)
{
    return placeOrder(stayedOf(base, mine, theirs), base, mine, theirs, kept);
}

// A display order (of lists, of notes) as this computer holds it, with what
// is kept beside it to merge it with the server's.
struct OrderHere
{
    QList<quint32> local;           // the server ids as shown here
    QSet<quint32> placedByServer;   // taken from the server since the order was agreed
    std::optional<QList<quint32>> agreed;
    std::optional<QSet<quint32>> moved; // moved by the user since, if known
    bool changed = false;           // the order was changed here
    QSet<quint32> posted;           // made here, posted by this run
    bool forceLocal = false;
};

// The order to send up: what the user moved since the two computers last
// agreed on an order goes where it is here, the rest where the server has
// it. Every item of either side stays in it.
inline QList<quint32> mergeDisplayOrder(const OrderHere &here, const QList<quint32> &theirs)
{
    QList<quint32> mine;
    QSet<quint32> kept(theirs.cbegin(), theirs.cend());
    for (quint32 id : here.local) {
        kept.insert(id);
        // One the user moved since is placed here all the same.
        const bool placedHere = !here.placedByServer.contains(id) || (here.moved && here.moved->contains(id));
        if (placedHere && !here.forceLocal)
            mine << id;
    }
    if (here.forceLocal && here.agreed) {
        // Nothing here was moved.
        for (quint32 id : *here.agreed)
            if (kept.contains(id))
                mine << id;
    }
    QList<quint32> base;
    if (here.agreed) {
        base = *here.agreed;
    } else if (!here.changed) {
        // Without one agreed, nothing here was moved unless the user moved
        // it: only the items made here are placed by this order.
        for (quint32 id : std::as_const(mine))
            if (!here.posted.contains(id))
                base << id;
    }
    // The items the user moved, recorded as they were moved, tell what two
    // orders alone may not (one moved down one, or the next up).
    if (here.agreed && here.moved && !here.forceLocal) {
        QSet<quint32> stayed;
        for (quint32 id : std::as_const(base))
            if (!here.moved->contains(id))
                stayed.insert(id);
        return placeOrder(stayed, base, mine, theirs, kept);
    }
    return mergeOrder(base, mine, theirs, kept);
}

} // namespace ThreeWay

#endif
