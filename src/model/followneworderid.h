#ifndef FOLLOWNEWORDERID_H
#define FOLLOWNEWORDERID_H

#include <QList>
#include <QSet>

#include <algorithm>
#include <optional>

// An item the server took under a new id keeps its place in what the display
// order records of it: the agreed order, the moves made here, the arrivals.
inline void followNewOrderId(std::optional<QList<quint32>> &agreed, std::optional<QSet<quint32>> &moved,
                             QSet<quint32> &arrived, quint32 oldId, quint32 newId)
{
    if (agreed)
        std::replace(agreed->begin(), agreed->end(), oldId, newId);
    if (moved && moved->remove(oldId))
        moved->insert(newId);
    if (arrived.remove(oldId))
        arrived.insert(newId);
}

#endif
