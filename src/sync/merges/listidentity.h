#ifndef LISTIDENTITY_H
#define LISTIDENTITY_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class Task;
class TaskList;
class UploadMark;

// What tells a server item for one of this computer's where no id says:
// the copy an upload in doubt made, the list a restored backup names, a
// task of a restored list. Pure functions: no requests, no models.
class ListIdentity
{
public:
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


private:
    ListIdentity() = delete;
};

#endif
