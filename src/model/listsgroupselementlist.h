#ifndef LISTSGROUPSELEMENTLIST_H
#define LISTSGROUPSELEMENTLIST_H

#include <QObject>

// An entry of a list group: points at one task list by its server id, its
// local id, or both (0 = none). The group that holds it owns it.
class ListsGroupsElementList : public QObject
{
    Q_OBJECT
public:
    explicit ListsGroupsElementList(QObject *parent = nullptr);

    quint32 serverId() const { return m_serverId; }
    void setServerId(quint32 id) { m_serverId = id; }
    quint32 localId() const { return m_localId; }
    void setLocalId(quint32 id) { m_localId = id; }

private:
    quint32 m_serverId = 0;
    quint32 m_localId = 0;
};

#endif
