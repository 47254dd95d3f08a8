#ifndef UPLOADMARK_H
#define UPLOADMARK_H

#include <QString>

class NotepadNote;
class TaskList;

// The record a client keeps of a creation it sent but whose answer it may
// never learn (a lost answer, a kill): the highest server id it knew before
// sending, and a digest of what it sent. The server's copy of such an item
// has a higher id and the same digest; nothing else is taken for it.
class UploadMark
{
public:
    static QString make(quint32 highestKnownId, const QString &digest);
    // False for an empty or unreadable mark.
    static bool parse(const QString &mark, quint32 *highestKnownId, QString *digest);
    // The server item `id` with this digest may be the one the mark records.
    static bool matches(const QString &mark, quint32 id, const QString &digest);
    // True when the item's content is still what the mark says was sent.
    static bool unchangedSince(const QString &mark, const QString &digest);

    // A digest of what a list's upload carries and the server keeps as it
    // came: the name, done and description, and each task's fields, place
    // and parent, assignments and attachments. Ids, revisions, hash codes
    // and the fields the server may stamp itself are left out.
    static QString listDigest(TaskList *list);
    static QString noteDigest(const NotepadNote *note);
};

#endif
