#ifndef LISTSGROUPSELEMENTGROUP_H
#define LISTSGROUPSELEMENTGROUP_H

#include <QList>
#include <QObject>
#include <QString>

class ListsGroupsElementList;

// One named group of the list groups tree. It owns its child groups and its
// list entries (they are its QObject children), so destroying a group
// destroys its whole subtree. The accessors touch no change mark: edits the
// server must learn of go through ListsGroups.
class ListsGroupsElementGroup : public QObject
{
    Q_OBJECT
public:
    explicit ListsGroupsElementGroup(QObject *parent = nullptr);

    QList<ListsGroupsElementList *> lists() const { return m_lists; }
    QList<ListsGroupsElementGroup *> groups() const { return m_groups; }
    int listCount() const { return m_lists.size(); }
    int groupCount() const { return m_groups.size(); }

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    quint32 serverId() const { return m_serverId; }
    void setServerId(quint32 id) { m_serverId = id; }
    // Tells the group apart on this computer before it has a server id (0:
    // none); kept in the local file only.
    quint32 localId() const { return m_localId; }
    void setLocalId(quint32 id) { m_localId = id; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }

    // Appends the element and becomes its owner.
    void addList(ListsGroupsElementList *list);
    void addGroup(ListsGroupsElementGroup *group);
    // Take the element out without destroying it; false when it wasn't here.
    bool removeList(ListsGroupsElementList *list);
    bool removeGroup(ListsGroupsElementGroup *group);

    // True when `group` is a child or a deeper descendant of this group.
    bool containsGroup(const ListsGroupsElementGroup *group) const;

    static QString defaultName();

private:
    friend class ListsGroups;

    QList<ListsGroupsElementGroup *> m_groups;
    QList<ListsGroupsElementList *> m_lists;
    quint32 m_serverId = 0;
    quint32 m_localId = 0;
    QString m_name;
    bool m_expanded = true;
};

#endif
