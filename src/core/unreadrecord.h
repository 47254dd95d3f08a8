#ifndef UNREADRECORD_H
#define UNREADRECORD_H

#include <QList>
#include <QString>

// A record (a list, a note) a reader left out of a local document it read
// otherwise: its place among the document's records of its kind (from 1),
// what could be read of its name and server id (empty, 0 when nothing) and
// the reader's reason.
struct UnreadRecord
{
    int position = 0;
    QString name;
    quint32 serverId = 0;
    QString reason;
};

using UnreadRecords = QList<UnreadRecord>;

#endif
