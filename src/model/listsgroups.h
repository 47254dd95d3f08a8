#ifndef LISTSGROUPS_H
#define LISTSGROUPS_H

#include "model/listsgroupselementgroup.h"
#include "model/listsgroupselementlist.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class TaskList;
class UserLists;

// The user's arrangement of task lists into a tree of named groups. The root
// is the default group: its entries are the lists in no group, its child
// groups the user's top-level groups. Entries point at lists by server id
// and local id; the tree holds no list data.
//
// Two marks: modified (the file must be written) and editedSinceSync (the
// server's copy must be updated). User edits set both (markEdited). Beside
// the tree, the tree as this computer and the server last agreed on it, so
// that a synchronisation sends only what changed here since.
class ListsGroups : public QObject
{
    Q_OBJECT
public:
    // Deepest level a group may sit at (the root is level 0). Deeper trees
    // would not fit the documents' element depth limit, so they are neither
    // made nor read.
    static const int maxGroupDepth = 200;

    explicit ListsGroups(QObject *parent = nullptr);
    ~ListsGroups() override;
    static ListsGroups *create();

    ListsGroupsElementGroup *rootGroup() const { return m_rootGroup; }
    // Removed groups the server knows, to be reported at the next upload.
    // Owned by this object, detached from the tree.
    QList<ListsGroupsElementGroup *> *deletedGroups() { return &m_deletedGroups; }
    const QList<ListsGroupsElementGroup *> *deletedGroups() const { return &m_deletedGroups; }

    bool isModified() const { return m_modified; }
    void setModified() { m_modified = true; }
    void clearModified() { m_modified = false; }
    bool isEditedSinceSync() const { return m_editedSinceSync; }
    void setEditedSinceSync(bool edited) { m_editedSinceSync = edited; }
    void markEdited();

    // The tree as the last fetch left it (groups with their server ids,
    // names, expanded flags and places; entries by server id). Null for a
    // tree made from nothing, and for an edited one read from a file written
    // before it was kept. Never changed once set.
    const ListsGroups *agreed() const { return m_agreed.get(); }
    void setAgreed(std::shared_ptr<const ListsGroups> agreed) { m_agreed = std::move(agreed); }
    // What the tree holds now is what the server holds.
    void agreeAsIs();
    // An upload of the tree left and its answer did not come back: the
    // server may hold the groups it made under ids this tree lacks.
    bool isUploadInDoubt() const { return m_uploadInDoubt; }
    void setUploadInDoubt(bool inDoubt) { m_uploadInDoubt = inDoubt; }
    // What each upload still in doubt sent, oldest first (sentCopy() of the
    // tree that went up), so that the next run tells what it put on the
    // server from what another computer did. Dropped when the server's tree
    // is taken; the oldest go beyond maxSentInDoubt.
    static constexpr int maxSentInDoubt = 4;
    using SentTrees = QList<std::shared_ptr<const ListsGroups>>;
    const SentTrees &sentInDoubt() const { return m_sentInDoubt; }
    void setSentInDoubt(const SentTrees &sent) { m_sentInDoubt = sent; }
    void keepSentInDoubt(const ListsGroups &sent);
    // Every group without a server id or a local id gets a local id no group
    // here, removed or sent in doubt holds.
    void giveGroupsLocalIds();
    // What the server keeps of the tree: its groups and the entries that
    // have a server id; no local ids, no marks, no removed groups.
    ListsGroups *serverCopy() const;
    // The same with the groups' local ids: what an upload is recorded as.
    ListsGroups *sentCopy() const;
    // The same groups (ids, names, expanded flags, order) and the same
    // entries with a server id in the same places; local ids, entries
    // without a server id and removed groups are not compared.
    bool sameOnServer(const ListsGroups &other) const;

    void addListToDefaultGroup(const TaskList *list);
    ListsGroupsElementList *addListToGroup(const TaskList *list, ListsGroupsElementGroup *group);
    ListsGroupsElementGroup *addGroup(ListsGroupsElementGroup *parent);
    ListsGroupsElementGroup *addGroupToDefaultGroup();

    void moveListUp(ListsGroupsElementList *list);
    void moveListDown(ListsGroupsElementList *list);
    void moveGroupUp(ListsGroupsElementGroup *group);
    void moveGroupDown(ListsGroupsElementGroup *group);
    void userMoveListToGroup(ListsGroupsElementList *list, ListsGroupsElementGroup *target);
    void userMoveGroupToGroup(ListsGroupsElementGroup *group, ListsGroupsElementGroup *target);

    void removeGroup(ListsGroupsElementGroup *group);
    // Takes the list's entry out, noting where it stood (removedPlaces()).
    bool removeList(const TaskList *list);
    bool containsList(const TaskList *list) const;

    ListsGroupsElementList *findList(quint32 localId, quint32 serverId) const;
    ListsGroupsElementList *findListByLocalId(quint32 localId) const;
    ListsGroupsElementGroup *findGroupOfList(const ListsGroupsElementList *list,
                                             ListsGroupsElementGroup *start) const;
    ListsGroupsElementGroup *findParentGroup(ListsGroupsElementGroup *start,
                                             const ListsGroupsElementGroup *group) const;

    void setListServerId(ListsGroupsElementList *list, quint32 serverId);
    void setGroupName(ListsGroupsElementGroup *group, const QString &name);
    void setGroupExpanded(ListsGroupsElementGroup *group, bool expanded);

    // Where the lists removeList() took out stood, by their server ids,
    // the newest maxRemovedPlaces: one that comes back goes there.
    struct RemovedPlace
    {
        quint32 list = 0;
        // Its group by server id, else by local id; neither: the default.
        quint32 groupId = 0;
        quint32 groupLocalId = 0;
        // The server id of the list before it; 0: first.
        quint32 after = 0;
    };
    static constexpr int maxRemovedPlaces = 64;
    const QList<RemovedPlace> &removedPlaces() const { return m_removedPlaces; }
    void setRemovedPlaces(const QList<RemovedPlace> &places) { m_removedPlaces = places; }

    // A list this tree holds in the default group (or not at all) goes
    // where removeList() took it out from, while that group is here; else,
    // when the agreed tree places it in a group this tree still has, there,
    // where the agreed order had it: a list that comes back (kept against
    // its removal, the server's, restored from a backup, or fetched again
    // after an import replaced the lists) keeps its place rather than the
    // one the page gave it. With `agreedId`, the place of the list the
    // agreed tree names so (one the list replaces under another id).
    void placeAsAgreed(const TaskList *list, quint32 agreedId = 0);
    // An entry names its list by local id too: one whose server id none of
    // `lists` holds, while the list of its local id holds another, takes
    // that one (a run ended after the list took a new id, before the tree
    // was written: sent so, the list would fall out of its group).
    void followLocalIds(const QList<TaskList *> &lists);
    // Drops every entry that matches none of the lists (deleted lists keep
    // no entry alive).
    void removeMissingLists(const QList<TaskList *> &lists);
    // For a change of server user: entries trade server ids for local ids,
    // and what was agreed with the other account is forgotten, in the file
    // too (the tree is marked modified).
    void localizeLists(const UserLists *userLists);

    // The local document ("listsGroups.xhtml"). A save replaces the file only
    // when complete, and clears `modified` only when it succeeded. A file that
    // fails to load is kept aside ("<path>.unreadable-<UTC stamp>") so that
    // the next save cannot write over it. *error says why a save failed.
    bool save(const QString &path, QString *error = nullptr);
    static ListsGroups *load(const QString &path);

    // True when the entry points at the list (server id first, then local id).
    static bool matches(const ListsGroupsElementList *entry, const TaskList *list);

private:
    void moveList(ListsGroupsElementList *list, int step);
    void moveGroup(ListsGroupsElementGroup *group, int step);
    bool isInTree(const ListsGroupsElementGroup *group) const;
    static int levelOf(const ListsGroupsElementGroup *group);
    static int heightOf(const ListsGroupsElementGroup *group);
    quint32 nextGroupLocalId() const;
    void keepRemovedPlace(const ListsGroupsElementList *entry, const ListsGroupsElementGroup *holder);
    // The group (null when gone) and the list before it where removeList()
    // took the list `id` out from; the record goes.
    void takeRemovedPlace(quint32 id, ListsGroupsElementGroup **group, quint32 *after);

    bool m_modified = true;
    bool m_editedSinceSync = true;
    bool m_uploadInDoubt = false;
    ListsGroupsElementGroup *m_rootGroup;
    std::shared_ptr<const ListsGroups> m_agreed;
    SentTrees m_sentInDoubt;
    QList<ListsGroupsElementGroup *> m_deletedGroups;
    QList<RemovedPlace> m_removedPlaces;
};

#endif
