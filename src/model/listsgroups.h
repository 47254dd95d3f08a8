#ifndef LISTSGROUPS_H
#define LISTSGROUPS_H

#include "model/listsgroupselementgroup.h"
#include "model/listsgroupselementlist.h"

#include <QList>
#include <QObject>
#include <QString>

class TaskList;
class UserLists;

// The user's arrangement of task lists into a tree of named groups. The root
// is the default group: its entries are the lists in no group, its child
// groups the user's top-level groups. Entries point at lists by server id
// and local id; the tree holds no list data.
//
// Two marks: modified (the file must be written) and editedSinceSync (the
// server's copy must be updated). User edits set both (markEdited).
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

    // Drops every entry that matches none of the lists (deleted lists keep
    // no entry alive).
    void removeMissingLists(const QList<TaskList *> &lists);
    // For a change of server user: entries trade server ids for local ids.
    void localizeLists(const UserLists *userLists);

    // The local document ("listsGroups.xhtml"). A save replaces the file only
    // when complete, and clears `modified` only when it succeeded. A file that
    // fails to load is kept aside ("<path>.unreadable-<UTC stamp>") so that
    // the next save cannot write over it.
    bool save(const QString &path);
    static ListsGroups *load(const QString &path);

    // True when the entry points at the list (server id first, then local id).
    static bool matches(const ListsGroupsElementList *entry, const TaskList *list);

private:
    void moveList(ListsGroupsElementList *list, int step);
    void moveGroup(ListsGroupsElementGroup *group, int step);
    bool isInTree(const ListsGroupsElementGroup *group) const;
    static int levelOf(const ListsGroupsElementGroup *group);
    static int heightOf(const ListsGroupsElementGroup *group);

    bool m_modified = true;
    bool m_editedSinceSync = true;
    ListsGroupsElementGroup *m_rootGroup;
    QList<ListsGroupsElementGroup *> m_deletedGroups;
};

#endif
