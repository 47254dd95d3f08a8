#ifndef LISTIDENTITY_H
#define LISTIDENTITY_H

#include <QHash>
#include <QSet>
#include <QString>

class TaskList;
class UploadMark;

// What tells a server item for one of this computer's where no id says:
// the copy an upload in doubt made. Pure functions: no requests, no models.
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

private:
    ListIdentity() = delete;
};

#endif
