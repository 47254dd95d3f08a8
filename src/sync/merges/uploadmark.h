#ifndef UPLOADMARK_H
#define UPLOADMARK_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class NotepadNote;
class Task;
class TaskList;

// The record a client keeps of an upload whose answer it may never learn (a
// lost answer, a kill), so that the next run can find what the server made of
// it instead of sending it again. Kept as text in the local documents.
//
// A creation (POST) records the highest server id the client knew before
// sending (the server's copy has a higher one), a digest of the whole content
// and, for a list, a digest of its own fields and each task it carried: the
// task's identity (creator and creation time, which nobody changes) and a
// digest of its content. The server's copy is recognised by the identities of
// its tasks, so that another client's later edits do not hide it; an item
// without tasks (a note, a list of blank rows) only by equal content.
//
// An update (PUT) of a list records what it carried: the tasks the server
// had no id for, so that the next run can find the copies the server made,
// and the content of the others and of the list's fields, so that the next
// run can tell another client's later edit there from its own.
class UploadMark
{
public:
    // One task an upload carried: its identity, and its content as sent
    // (by each upload still in doubt that carried it).
    struct SentTask
    {
        QString identity;
        QStringList contents;
    };

    UploadMark() = default;
    // An empty or unreadable text gives a null mark.
    static UploadMark read(const QString &text);
    QString text() const;

    static UploadMark ofListPost(quint32 highestKnownId, TaskList *list);
    static UploadMark ofNotePost(quint32 highestKnownId, const NotepadNote *note);
    // What a list's update carries: its fields, its tasks without a server
    // id (by identity) and those with one (by id), with what `earlier` (an
    // update still in doubt) carried and the revision it was made against.
    static UploadMark ofListPut(const TaskList *list, const UploadMark &earlier);
    // What an earlier version set when a forced run made an item new: until
    // its upload was marked, the server item it was to replace. Still read
    // in the files that version left.
    static UploadMark replacing(quint32 replacedId);
    // Set on a list a forced remote run sends whole (until its update is
    // marked, its copy replaces the server's, whose other tasks go), or on
    // the record of a server's list or note it removes. The run's first look
    // at the server names the revision it replaces or removes (0 until
    // then): only that revision is, a later one is merged or kept.
    // `ofImport`: the list was read from a backup since its last run (see
    // restored()), which the user is told of once it went up.
    static UploadMark wholeUpdate(quint32 seenRevision = 0, bool ofImport = false);
    // Set by a forced remote run on the record of a list only the server
    // had, which it removes at `seenRevision`. A list the user removes keeps
    // its own mark, whole or not: that removal is the user's.
    static UploadMark forcedRemoval(quint32 seenRevision);
    // The update a forced remote run sends whole over the server's copy at
    // `seenRevision`: until it is known to have arrived, it was made
    // against that revision (see madeAgainst()), as updates of it sent
    // again before the server changed are (ofListPut carries it on).
    static UploadMark ofWholePut(const TaskList *list, quint32 seenRevision);
    // What an update of a note carries, its title and text, with what
    // `earlier` (an update still in doubt) carried.
    static UploadMark ofNotePut(const NotepadNote *note, const UploadMark &earlier);
    // Set on a list an import read from a backup, under the ids the file
    // gave it and its tasks: its agreed copy is the list as the backup
    // holds it, which the next full run puts onto the server's copy of its
    // id before what the user did since (see RestoredLists). Neither a
    // post nor an update.
    static UploadMark restored();

    bool isNull() const { return m_kind == None; }
    bool isPost() const { return m_kind == Post; }
    bool isPut() const { return m_kind == Put; }
    bool isNotePut() const { return m_kind == NotePut; }
    bool isWhole() const { return m_kind == Whole; }
    // A forced remote run's removal of a list only the server had: so
    // marked, or, on a record without an agreed copy (which a removal by
    // the user keeps), "whole" as earlier versions marked it.
    static bool isForcedRemoval(const TaskList *record);
    // The server's revision a forced remote run saw; 0 for none (a run
    // stopped before it looked, or a file of an earlier version).
    quint32 wholeSeenRevision() const { return m_kind == Whole ? m_seen : 0; }
    // The server's revision a forced remote run's update in doubt replaces
    // (see ofWholePut); 0 for any other.
    quint32 madeAgainst() const { return m_kind == Put ? m_seen : 0; }
    void forgetMadeAgainst() { m_seen = 0; }
    // The server's copy (`fetched`) reads as the whole copy such an update
    // sent: that copy is there, whatever else moved the revision on.
    bool sentWhole(const TaskList *fetched) const;
    // A note's title or text an update in doubt sent.
    bool sentNoteTitle(const QString &title) const { return sentNotePart(title, true); }
    bool sentNoteText(const QString &text) const { return sentNotePart(text, false); }
    bool isRestored() const { return m_kind == Restored; }
    // The list carries an import not sent yet: restored, or sent whole.
    bool carriesImport() const { return m_kind == Restored || (m_kind == Whole && m_ofImport); }
    // What an earlier version set on a new list read from a backup, with
    // the id the file gave it: its tasks' ids were dropped. Still read in
    // the files that version left.
    bool isEarlierRestore() const { return m_kind == EarlierRestore; }
    quint32 highestKnownId() const { return m_highest; }
    // The whole content's digest (creations only).
    QString digest() const { return m_digest; }
    // The list's own fields as sent (by each upload in doubt, for an
    // update); empty in marks written before they were kept.
    QString fieldsDigest() const { return m_fields.value(0); }
    const QStringList &fieldsDigests() const { return m_fields; }
    const QList<SentTask> &tasks() const { return m_tasks; }
    // The server's item can be told by its tasks, not only by its content.
    bool identifiesByTasks() const { return !m_tasks.isEmpty(); }
    // The identities of the tasks sent that no task here outside `own`
    // holds (`here`: identityCounts() of the lists here). A pasted copy
    // keeps its source's identity, so a list made elsewhere can hold one
    // of the others; only these tell the server's copy of the upload.
    QSet<QString> ownIdentities(const QHash<QString, int> &here, const TaskList *own) const;
    // How many tasks of the lists that may be on the server hold each
    // identity (by its digest): those with an id, and those an upload in
    // doubt carried (removed here since or not). Tasks never sent do not
    // count.
    static QHash<QString, int> identityCounts(const QList<TaskList *> &lists);
    // The server item a forced upload replaces; 0 for none.
    quint32 replacedId() const { return m_replaced; }
    // An update's tasks the server had ids for: their content as sent.
    const QHash<quint32, QStringList> &knownTasks() const { return m_known; }
    // The tasks an update removed.
    const QSet<quint32> &removedTasks() const { return m_removed; }
    // An update known to have reached the server (its answer came, the
    // fetch after it did not).
    bool hasArrived() const { return m_arrived; }
    void setArrived() { m_arrived = true; }

    // A digest of what a list's upload carries and the server keeps as it
    // came: the name, done and description, and each task's fields, place
    // and parent, assignments and attachments. Ids, revisions, hash codes
    // and the fields the server may stamp itself are left out.
    static QString listDigest(const TaskList *list);
    static QString noteDigest(const NotepadNote *note);
    static QString listFieldsDigest(const TaskList *list);
    static QString identityDigest(const Task *task);
    // The task's own fields, assignments and attachments, without its place.
    static QString contentDigest(const Task *task);
    static SentTask sentTask(const Task *task);
    // The tasks an upload of the list carries (subtrees that are wholly
    // untyped, at any depth, are not written), in document order.
    static QList<Task *> uploadedTasks(const TaskList *list);

private:
    bool sentNotePart(const QString &text, bool title) const;

    enum Kind { None, Post, Put, Replace, NotePut, Restored, EarlierRestore, Whole };

    Kind m_kind = None;
    quint32 m_highest = 0;
    quint32 m_replaced = 0;
    quint32 m_restored = 0;
    bool m_ofImport = false;
    bool m_forcedRemoval = false;
    quint32 m_seen = 0;
    QString m_wholeCopy; // digest of the whole copy a forced run's update sent
    QString m_digest;
    QStringList m_fields;
    QList<SentTask> m_tasks;
    QHash<quint32, QStringList> m_known;
    QSet<quint32> m_removed;
    bool m_arrived = false;
};

#endif
