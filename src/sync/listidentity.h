#ifndef LISTIDENTITY_H
#define LISTIDENTITY_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class Task;
class TaskList;
class UploadMark;

// Which server list a list of this computer's is where its server id no
// longer says: an id names a list until something posts it anew (another
// computer's forced remote run, an import of a backup, a list kept against a
// removal). A list is then told by what it holds: the creators, creation
// seconds and titles of its titled tasks or, where neither side holds one,
// its name. A creator and a second are not unique (pasted copies, tasks typed
// in one second, a list made alike from another's tasks), so a list is taken
// for another only where nothing else could be it; where the lists that
// could be it differ, none is taken and the caller keeps both. Notes, which
// hold only a title and a text, are told by both. Pure functions: no
// requests, no models.
class ListIdentity
{
public:
    // For each list of `known` (each as this computer last agreed it with
    // the server), the index in `candidates` (the server's lists no list
    // here holds) of the list that is it, or -1. A candidate goes to one
    // known list at most. `unsure[i]` is set where a candidate holds some of
    // what known list i held but none could be told for it.
    struct Pairing
    {
        QList<int> candidate;
        QList<bool> unsure;
    };
    static Pairing pair(const QList<const TaskList *> &known, const QList<const TaskList *> &candidates);

    // A server list as the copy a creation in doubt may have made: what it
    // holds of the tasks posted.
    class PostedCopy
    {
    public:
        explicit PostedCopy(TaskList *fetched);
        // How many of the tasks the mark says were posted it holds (each
        // counted as often as it was sent), or -1 when it is not the posted
        // list. Only the tasks' own identities count (`own`, no other task
        // here holds them). Tasks made in the same second by the same user
        // share an identity, so a list made elsewhere could hold one of
        // them: the server's list must also still hold a task as it was
        // posted, or the list's fields as they were. A mark without
        // identities of its own tells the copy by its whole content, by
        // every task it posted still there as it was whatever another client
        // renamed, or by the fields it was posted with whatever another
        // client did to its tasks since, when it posted none or the copy
        // still holds one of their identities (0): such a match may merge,
        // never delete. A list of tasks is never told by its name alone.
        int score(const UploadMark &mark, const QSet<QString> &own) const;
        QString digest() const;

    private:
        bool holdsEveryTaskAsPosted(const UploadMark &mark) const;

        TaskList *m_list;
        QString m_fields;
        mutable QString m_digest;
        // Each task's identity, and each as identity and content, with how
        // often it is there.
        QHash<QString, int> m_identities;
        QHash<QString, int> m_tasks;
    };

    // A list restored from a backup and the server's list of the id the
    // backup gave it are one list when they have one name or hold a titled
    // task of one creator and second: an id another server gave names
    // another list here. Another user's list is that list when the server's
    // is of the same owner.
    static bool isRestored(const TaskList &restored, const TaskList &fetched);
    // The server's list, under another id than the backup's, that an
    // earlier import of the backup posted: of the restored list's name, and
    // holding a titled task of the same creator and second, or, neither
    // holding a titled task, nothing at all.
    static bool isPostedCopy(const TaskList &restored, const TaskList &fetched);

    // Which task of `there` each task of `here` is, where ids do not say:
    // told by creator and second; among tasks of one such (typed in one
    // second, pasted copies), by their content, then by their title, then
    // as the one left on each side. Tasks not told are left out.
    static QHash<Task *, const Task *> pairTasks(const QList<Task *> &here, const QList<const Task *> &there);

    // `agreed` and `mine` (a list here and what it last agreed, under ids
    // the server no longer has) take the ids of the tasks of `theirs` that
    // they are, told by creator and second (among tasks of one such, by
    // their content, or as the one left on each side), so that a three-way
    // merge can put this computer's changes onto `theirs`. A task theirs
    // does not hold takes an id theirs does not use: to the merge it was
    // removed there. A task mine holds that agreed did not is new.
    static void takeIdsOf(const TaskList &theirs, TaskList *agreed, TaskList *mine);

    // A note whose id the server no longer has, and a note only the server
    // has (of which `sameTitle` notes only the server has hold the title
    // the note agreed): the server's is it when it holds the title and the
    // text the note agreed, or is the only one of that title (its text
    // changed since there, or not).
    static bool isNote(const QString &agreedTitle, const QString &agreedText, const QString &title,
                       const QString &text, int sameTitle);
    // Not told, though it holds the title or the text the note agreed.
    static bool mayBeNote(const QString &agreedTitle, const QString &agreedText, const QString &title,
                          const QString &text);

private:
    ListIdentity() = delete;
};

#endif
