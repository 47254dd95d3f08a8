#include "model/listsgroups.h"

#include "model/documentfile.h"
#include "model/listsgroupsreaderwriter.h"
#include "model/tasklist.h"
#include "model/userlists.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

// Tree order: a group's own entries first, then each child group completely.
ListsGroupsElementList *findEntry(ListsGroupsElementGroup *group,
                                  const std::function<bool(const ListsGroupsElementList *)> &pred)
{
    for (ListsGroupsElementList *entry : group->lists()) {
        if (pred(entry))
            return entry;
    }
    for (ListsGroupsElementGroup *child : group->groups()) {
        if (ListsGroupsElementList *found = findEntry(child, pred))
            return found;
    }
    return nullptr;
}

// The server's part of `from` into `to`: child groups with their fields,
// entries by server id only.
void copyForServer(const ListsGroupsElementGroup *from, ListsGroupsElementGroup *to, bool localIds = false)
{
    for (const ListsGroupsElementList *entry : from->lists()) {
        if (entry->serverId() == 0)
            continue;
        auto *copy = new ListsGroupsElementList;
        copy->setServerId(entry->serverId());
        to->addList(copy);
    }
    for (const ListsGroupsElementGroup *child : from->groups()) {
        auto *copy = new ListsGroupsElementGroup;
        copy->setName(child->name());
        copy->setServerId(child->serverId());
        copy->setExpanded(child->isExpanded());
        if (localIds)
            copy->setLocalId(child->localId());
        to->addGroup(copy);
        copyForServer(child, copy, localIds);
    }
}

QList<quint32> serverEntries(const ListsGroupsElementGroup *group)
{
    QList<quint32> ids;
    for (const ListsGroupsElementList *entry : group->lists())
        if (entry->serverId() != 0)
            ids << entry->serverId();
    return ids;
}

// The root's own fields are not the server's: only its contents compare.
bool sameForServer(const ListsGroupsElementGroup *a, const ListsGroupsElementGroup *b, bool root)
{
    if (!root
        && (a->serverId() != b->serverId() || a->name() != b->name() || a->isExpanded() != b->isExpanded()))
        return false;
    if (serverEntries(a) != serverEntries(b) || a->groupCount() != b->groupCount())
        return false;
    const QList<ListsGroupsElementGroup *> as = a->groups();
    const QList<ListsGroupsElementGroup *> bs = b->groups();
    for (int i = 0; i < as.size(); ++i)
        if (!sameForServer(as.at(i), bs.at(i), false))
            return false;
    return true;
}

void forEachGroup(ListsGroupsElementGroup *group,
                  const std::function<void(ListsGroupsElementGroup *)> &visit)
{
    visit(group);
    for (ListsGroupsElementGroup *child : group->groups())
        forEachGroup(child, visit);
}

} // namespace

ListsGroups::ListsGroups(QObject *parent)
    : QObject(parent)
    , m_rootGroup(new ListsGroupsElementGroup(this))
{
}

ListsGroups::~ListsGroups() = default;

ListsGroups *ListsGroups::create()
{
    return new ListsGroups;
}

void ListsGroups::markEdited()
{
    m_modified = true;
    m_editedSinceSync = true;
}

void ListsGroups::agreeAsIs()
{
    m_agreed.reset(serverCopy());
}

ListsGroups *ListsGroups::serverCopy() const
{
    auto *copy = new ListsGroups;
    copyForServer(m_rootGroup, copy->m_rootGroup);
    copy->m_modified = false;
    copy->m_editedSinceSync = false;
    return copy;
}

ListsGroups *ListsGroups::sentCopy() const
{
    auto *copy = new ListsGroups;
    copyForServer(m_rootGroup, copy->m_rootGroup, true);
    copy->m_modified = false;
    copy->m_editedSinceSync = false;
    return copy;
}

void ListsGroups::keepSentInDoubt(const ListsGroups &sent)
{
    m_sentInDoubt.append(std::shared_ptr<const ListsGroups>(sent.sentCopy()));
    while (m_sentInDoubt.size() > maxSentInDoubt)
        m_sentInDoubt.removeFirst();
}

quint32 ListsGroups::nextGroupLocalId() const
{
    quint32 highest = 0;
    const std::function<void(const ListsGroupsElementGroup *)> visit = [&](const ListsGroupsElementGroup *group) {
        highest = qMax(highest, group->localId());
        for (const ListsGroupsElementGroup *child : group->groups())
            visit(child);
    };
    visit(m_rootGroup);
    for (const ListsGroupsElementGroup *group : m_deletedGroups)
        visit(group);
    // A group removed here since its upload left keeps its id in the record.
    for (const auto &sent : m_sentInDoubt)
        visit(sent->rootGroup());
    return highest + 1;
}

void ListsGroups::giveGroupsLocalIds()
{
    quint32 next = nextGroupLocalId();
    forEachGroup(m_rootGroup, [&](ListsGroupsElementGroup *group) {
        if (group != m_rootGroup && group->serverId() == 0 && group->localId() == 0) {
            group->setLocalId(next++);
            m_modified = true;
        }
    });
}

bool ListsGroups::sameOnServer(const ListsGroups &other) const
{
    return sameForServer(m_rootGroup, other.m_rootGroup, true);
}

bool ListsGroups::matches(const ListsGroupsElementList *entry, const TaskList *list)
{
    if (!entry || !list)
        return false;
    const quint32 serverId = list->serverId();
    if (serverId != 0 && serverId == entry->serverId())
        return true;
    const quint32 localId = list->localId();
    return localId != 0 && localId == entry->localId();
}

bool ListsGroups::isInTree(const ListsGroupsElementGroup *group) const
{
    return group && (group == m_rootGroup || m_rootGroup->containsGroup(group));
}

// Level of a group in the tree, from its chain of owners (the root is 0).
int ListsGroups::levelOf(const ListsGroupsElementGroup *group)
{
    int level = 0;
    for (QObject *p = group->parent(); qobject_cast<ListsGroupsElementGroup *>(p); p = p->parent())
        ++level;
    return level;
}

// Levels a group spans: 1 for a group without child groups.
int ListsGroups::heightOf(const ListsGroupsElementGroup *group)
{
    int below = 0;
    for (const ListsGroupsElementGroup *child : group->m_groups)
        below = qMax(below, heightOf(child));
    return below + 1;
}

// ---- adding

void ListsGroups::addListToDefaultGroup(const TaskList *list)
{
    if (!list || (list->localId() == 0 && list->serverId() == 0)) {
        qWarning() << "ListsGroups::addListToDefaultGroup(), Error, both TaskList ids are invalid";
        return;
    }
    addListToGroup(list, m_rootGroup);
}

ListsGroupsElementList *ListsGroups::addListToGroup(const TaskList *list, ListsGroupsElementGroup *group)
{
    if (!list || !group)
        return nullptr;
    auto *entry = new ListsGroupsElementList;
    entry->setLocalId(list->localId());
    entry->setServerId(list->serverId());
    group->addList(entry);
    markEdited();
    return entry;
}

ListsGroupsElementGroup *ListsGroups::addGroup(ListsGroupsElementGroup *parent)
{
    if (!parent)
        return nullptr;
    if (levelOf(parent) + 1 > maxGroupDepth) {
        qWarning() << "ListsGroups::addGroup, groups nested too deeply";
        return nullptr;
    }
    auto *group = new ListsGroupsElementGroup;
    group->setLocalId(nextGroupLocalId());
    parent->addGroup(group);
    markEdited();
    return group;
}

ListsGroupsElementGroup *ListsGroups::addGroupToDefaultGroup()
{
    return addGroup(m_rootGroup);
}

// ---- ordering and moving

void ListsGroups::moveList(ListsGroupsElementList *list, int step)
{
    if (ListsGroupsElementGroup *holder = findGroupOfList(list, m_rootGroup)) {
        const int from = holder->m_lists.indexOf(list);
        const int to = from + step;
        if (to >= 0 && to < holder->m_lists.size())
            holder->m_lists.move(from, to);
    }
    markEdited();
}

void ListsGroups::moveGroup(ListsGroupsElementGroup *group, int step)
{
    if (ListsGroupsElementGroup *parent = findParentGroup(m_rootGroup, group)) {
        const int from = parent->m_groups.indexOf(group);
        const int to = from + step;
        if (to >= 0 && to < parent->m_groups.size())
            parent->m_groups.move(from, to);
    }
    markEdited();
}

void ListsGroups::moveListUp(ListsGroupsElementList *list)
{
    moveList(list, -1);
}

void ListsGroups::moveListDown(ListsGroupsElementList *list)
{
    moveList(list, 1);
}

void ListsGroups::moveGroupUp(ListsGroupsElementGroup *group)
{
    moveGroup(group, -1);
}

void ListsGroups::moveGroupDown(ListsGroupsElementGroup *group)
{
    moveGroup(group, 1);
}

void ListsGroups::userMoveListToGroup(ListsGroupsElementList *list, ListsGroupsElementGroup *target)
{
    ListsGroupsElementGroup *holder = findGroupOfList(list, m_rootGroup);
    if (!holder) {
        qWarning() << "ListsGroups::userMoveListToGroup, parent group is NULL";
        return;
    }
    // A target outside the tree (a removed group) would take the entry with it.
    if (!isInTree(target)) {
        qWarning() << "ListsGroups::userMoveListToGroup, target group is not in the tree";
        return;
    }
    holder->removeList(list);
    target->addList(list);
    markEdited();
}

void ListsGroups::userMoveGroupToGroup(ListsGroupsElementGroup *group, ListsGroupsElementGroup *target)
{
    ListsGroupsElementGroup *parent = findParentGroup(m_rootGroup, group);
    if (!parent) {
        qWarning() << "ListsGroups::userMoveGroupToGroup, parent group is NULL";
        return;
    }
    // Into itself or below itself would cut the group and its subtree off the
    // tree as a cycle.
    if (!isInTree(target) || target == group || group->containsGroup(target)) {
        qWarning() << "ListsGroups::userMoveGroupToGroup, target group is the group itself, inside it or not in the tree";
        return;
    }
    if (levelOf(target) + heightOf(group) > maxGroupDepth) {
        qWarning() << "ListsGroups::userMoveGroupToGroup, groups nested too deeply";
        return;
    }
    parent->removeGroup(group);
    target->addGroup(group);
    markEdited();
}

// ---- removing

void ListsGroups::removeGroup(ListsGroupsElementGroup *group)
{
    ListsGroupsElementGroup *parent = findParentGroup(m_rootGroup, group);
    if (!parent) {
        qWarning() << "ListsGroups::removeGroup, parent group not found";
        return;
    }
    for (ListsGroupsElementList *entry : group->lists()) {
        group->removeList(entry);
        parent->addList(entry);
    }
    for (ListsGroupsElementGroup *child : group->groups()) {
        group->removeGroup(child);
        parent->addGroup(child);
    }
    parent->removeGroup(group);
    if (group->serverId() == 0) {
        delete group;
    } else {
        // Owned here from now on, so it outlives its former parent.
        group->setParent(this);
        m_deletedGroups.append(group);
    }
    markEdited();
}

bool ListsGroups::removeList(const TaskList *list)
{
    ListsGroupsElementList *entry = findEntry(m_rootGroup, [list](const ListsGroupsElementList *e) {
        return matches(e, list);
    });
    if (!entry)
        return false;
    if (ListsGroupsElementGroup *holder = findGroupOfList(entry, m_rootGroup)) {
        keepRemovedPlace(entry, holder);
        holder->removeList(entry);
    }
    delete entry;
    markEdited();
    return true;
}

// The page takes a removed list out of its group at once: should a run keep
// the list for another computer's change, this says where it was.
void ListsGroups::keepRemovedPlace(const ListsGroupsElementList *entry, const ListsGroupsElementGroup *holder)
{
    const bool root = holder == m_rootGroup;
    if (entry->serverId() == 0 || (!root && holder->serverId() == 0 && holder->localId() == 0))
        return;
    RemovedPlace place;
    place.list = entry->serverId();
    place.groupId = root ? 0 : holder->serverId();
    place.groupLocalId = root || place.groupId != 0 ? 0 : holder->localId();
    const QList<ListsGroupsElementList *> lists = holder->lists();
    for (qsizetype i = lists.indexOf(entry) - 1; i >= 0 && place.after == 0; --i)
        place.after = lists.at(i)->serverId();
    m_removedPlaces.removeIf([&place](const RemovedPlace &p) { return p.list == place.list; });
    m_removedPlaces.append(place);
    while (m_removedPlaces.size() > maxRemovedPlaces)
        m_removedPlaces.removeFirst();
    m_modified = true;
}

bool ListsGroups::containsList(const TaskList *list) const
{
    return findEntry(m_rootGroup, [list](const ListsGroupsElementList *e) { return matches(e, list); });
}

// ---- lookups

ListsGroupsElementList *ListsGroups::findList(quint32 localId, quint32 serverId) const
{
    if (localId == 0 && serverId == 0)
        return nullptr;
    return findEntry(m_rootGroup, [=](const ListsGroupsElementList *e) {
        return (localId != 0 && e->localId() == localId) || (serverId != 0 && e->serverId() == serverId);
    });
}

ListsGroupsElementList *ListsGroups::findListByLocalId(quint32 localId) const
{
    if (localId == 0)
        return nullptr;
    return findEntry(m_rootGroup, [=](const ListsGroupsElementList *e) { return e->localId() == localId; });
}

ListsGroupsElementGroup *ListsGroups::findGroupOfList(const ListsGroupsElementList *list,
                                                      ListsGroupsElementGroup *start) const
{
    if (!list || !start)
        return nullptr;
    if (start->m_lists.contains(list))
        return start;
    for (ListsGroupsElementGroup *child : std::as_const(start->m_groups)) {
        if (ListsGroupsElementGroup *found = findGroupOfList(list, child))
            return found;
    }
    return nullptr;
}

ListsGroupsElementGroup *ListsGroups::findParentGroup(ListsGroupsElementGroup *start,
                                                      const ListsGroupsElementGroup *group) const
{
    if (!start || !group)
        return nullptr;
    if (start->m_groups.contains(group))
        return start;
    for (ListsGroupsElementGroup *child : std::as_const(start->m_groups)) {
        if (ListsGroupsElementGroup *found = findParentGroup(child, group))
            return found;
    }
    return nullptr;
}

// ---- plain edits

void ListsGroups::setListServerId(ListsGroupsElementList *list, quint32 serverId)
{
    if (!list)
        return;
    // Posted anew under another id: the server's tree names it by one it
    // dropped, so this tree must go up, or the list falls out of its group.
    const bool reposted = list->serverId() != 0 && serverId != 0 && serverId != list->serverId();
    list->setServerId(serverId);
    if (reposted)
        markEdited();
    else
        m_modified = true;
}

void ListsGroups::setGroupName(ListsGroupsElementGroup *group, const QString &name)
{
    if (!group)
        return;
    group->setName(name);
    // A rename must reach the server; with only the file mark set the next
    // synchronisation would fetch the server's copy over it.
    markEdited();
}

void ListsGroups::setGroupExpanded(ListsGroupsElementGroup *group, bool expanded)
{
    if (!group)
        return;
    group->setExpanded(expanded);
    markEdited();
}

// ---- reconciling with the user's lists

namespace {

ListsGroupsElementGroup *groupWithServerId(ListsGroupsElementGroup *group, quint32 id)
{
    for (ListsGroupsElementGroup *child : group->groups()) {
        if (child->serverId() == id)
            return child;
        if (ListsGroupsElementGroup *found = groupWithServerId(child, id))
            return found;
    }
    return nullptr;
}

} // namespace

void ListsGroups::placeAsAgreed(const TaskList *list, quint32 agreedId)
{
    if (agreedId == 0 && list)
        agreedId = list->serverId();
    if (!list || agreedId == 0)
        return;
    ListsGroupsElementGroup *removedFrom = nullptr;
    quint32 removedAfter = 0;
    takeRemovedPlace(agreedId, &removedFrom, &removedAfter);
    const ListsGroupsElementList *agreedEntry = m_agreed ? m_agreed->findList(0, agreedId) : nullptr;
    ListsGroupsElementGroup *agreedGroup = m_agreed ? m_agreed->findGroupOfList(agreedEntry, m_agreed->rootGroup())
                                                    : nullptr;
    ListsGroupsElementGroup *target = nullptr;
    if (agreedGroup)
        target = agreedGroup == m_agreed->rootGroup() ? m_rootGroup
                                                      : groupWithServerId(m_rootGroup, agreedGroup->serverId());
    // Taken out of another group here than the server's: the user put it
    // there since.
    const bool asRemoved = removedFrom && removedFrom != target;
    if (asRemoved)
        target = removedFrom;
    if (!target)
        return;
    ListsGroupsElementList *entry = findEntry(m_rootGroup, [list](const ListsGroupsElementList *e) {
        return matches(e, list);
    });
    ListsGroupsElementGroup *holder = entry ? findGroupOfList(entry, m_rootGroup) : nullptr;
    // Placed by the user elsewhere, or where it belongs.
    if (holder && (holder != m_rootGroup || holder == target))
        return;
    if (holder) {
        holder->removeList(entry);
    } else {
        entry = new ListsGroupsElementList;
        entry->setLocalId(list->localId());
        entry->setServerId(list->serverId());
    }
    // After the list it followed when taken out, else after the nearest
    // list before it in the agreed order that is there.
    QList<quint32> before;
    if (asRemoved) {
        before << removedAfter;
    } else {
        const QList<ListsGroupsElementList *> agreedOrder = agreedGroup->lists();
        for (qsizetype i = agreedOrder.indexOf(agreedEntry) - 1; i >= 0; --i)
            before << agreedOrder.at(i)->serverId();
    }
    int at = 0;
    for (qsizetype i = 0; i < before.size() && at == 0; ++i) {
        for (int j = 0; j < target->m_lists.size(); ++j)
            if (before.at(i) != 0 && target->m_lists.at(j)->serverId() == before.at(i))
                at = j + 1;
    }
    entry->setParent(target);
    target->m_lists.insert(at, entry);
    m_modified = true;
}

void ListsGroups::takeRemovedPlace(quint32 id, ListsGroupsElementGroup **group, quint32 *after)
{
    const auto it = std::find_if(m_removedPlaces.cbegin(), m_removedPlaces.cend(),
                                 [id](const RemovedPlace &p) { return p.list == id; });
    if (it == m_removedPlaces.cend())
        return;
    const RemovedPlace place = *it;
    m_removedPlaces.erase(it);
    m_modified = true;
    *after = place.after;
    if (place.groupId == 0 && place.groupLocalId == 0) {
        *group = m_rootGroup;
        return;
    }
    // Null when the group is gone since.
    forEachGroup(m_rootGroup, [&](ListsGroupsElementGroup *g) {
        if (!*group && g != m_rootGroup
            && (place.groupId != 0 ? g->serverId() == place.groupId : g->localId() == place.groupLocalId))
            *group = g;
    });
}

void ListsGroups::followLocalIds(const QList<TaskList *> &lists)
{
    QSet<quint32> serverIds;
    QHash<quint32, const TaskList *> byLocalId;
    for (const TaskList *list : lists) {
        serverIds.insert(list->serverId());
        if (list->localId() != 0 && list->serverId() != 0)
            byLocalId.insert(list->localId(), list);
    }
    forEachGroup(m_rootGroup, [&](ListsGroupsElementGroup *group) {
        for (ListsGroupsElementList *entry : group->lists()) {
            const TaskList *list = byLocalId.value(entry->localId(), nullptr);
            if (list && entry->serverId() != 0 && !serverIds.contains(entry->serverId())
                && !findList(0, list->serverId()))
                setListServerId(entry, list->serverId());
        }
    });
}

void ListsGroups::removeMissingLists(const QList<TaskList *> &lists)
{
    forEachGroup(m_rootGroup, [&](ListsGroupsElementGroup *group) {
        for (ListsGroupsElementList *entry : group->lists()) {
            bool found = false;
            for (const TaskList *list : lists) {
                if (list->syncStatus() != TaskList::Deleted && matches(entry, list)) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                group->removeList(entry);
                delete entry;
            }
        }
    });
}

void ListsGroups::localizeLists(const UserLists *userLists)
{
    // The file is written again: what it keeps of the other account (what
    // was agreed or sent, where removed lists stood, the entries' ids) would
    // otherwise come back at the next start.
    m_modified = true;
    m_agreed.reset();
    m_uploadInDoubt = false;
    m_sentInDoubt.clear();
    m_removedPlaces.clear();
    forEachGroup(m_rootGroup, [&](ListsGroupsElementGroup *group) {
        for (ListsGroupsElementList *entry : group->lists()) {
            if (entry->serverId() == 0)
                continue;
            if (userLists) {
                if (const TaskList *list = userLists->taskListByServerId(entry->serverId()))
                    entry->setLocalId(list->localId());
            }
            entry->setServerId(0);
        }
    });
}

// ---- the local document

bool ListsGroups::save(const QString &path, QString *errorString)
{
    QString error;
    const bool ok = DocumentFile::save(
        path,
        [this](QIODevice *device, QString *message) {
            ListsGroupsReaderWriter writer(XMLReaderWriter::LocalDocument);
            if (writer.saveListsGroups(this, device))
                return true;
            *message = writer.errorString();
            return false;
        },
        &error);
    if (!ok) {
        // Still marked, so the next save tries again.
        qWarning() << "error saving lists groups" << error;
        if (errorString)
            *errorString = error;
        return false;
    }
    clearModified();
    return true;
}

ListsGroups *ListsGroups::load(const QString &path)
{
    QFile file(path);
    ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
    ListsGroups *groups = reader.loadListsGroups(&file);
    file.close();
    if (!groups) {
        qWarning().nospace() << "ListsGroups::load(), Error loading lists groups: " << reader.errorString();
        // The caller starts an empty tree and saves it: keep the file first.
        DocumentFile::keepAside(path, QStringLiteral("lists groups"));
        return nullptr;
    }
    DocumentFile::loaded(path);
    // Written before groups had local ids: each new group gets one now.
    groups->giveGroupsLocalIds();
    return groups;
}
