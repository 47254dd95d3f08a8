#ifndef POSTSINDOUBT_H
#define POSTSINDOUBT_H

#include "sync/merges/listidentity.h"
#include "sync/merges/uploadmark.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>

#include <optional>

class ListInfo;
class ListModel;
class TaskList;
class UserLists;

// Lists posted earlier whose outcome is not known (a lost answer, a kill),
// and the records of such lists removed here since: the server may hold
// their copies under ids this computer never learnt. A full run sets them
// aside until the server's lists that may be those copies are fetched; a
// fetched list recognised as one is taken for its list (see
// ListIdentity::PostedCopy), and the others go up again, or, removed here,
// are dropped, once every server list is in.
class PostsInDoubt
{
public:
    // The run's lists here and the server's summaries, read as they change.
    PostsInDoubt(const QPointer<UserLists> &lists, const QMap<quint32, ListInfo *> &infos);

    // Takes out of `models` the new lists, and out of `removed` the records
    // of lists removed before their creation was known, whose copies may be
    // among `serverIds`.
    void setAside(QList<QPointer<ListModel>> &models, QList<TaskList *> &removed, const QSet<quint32> &serverIds);
    bool isEmpty() const { return m_models.isEmpty() && m_removed.isEmpty(); }
    // Some list set aside may have its copy on the server under `serverId`.
    bool mayBeCopy(quint32 serverId) const;

    // How a list set aside takes the server's copy of its post.
    enum class Taking {
        // Unchanged here since it was posted: the server's copy, with
        // whatever others did to it since, is the list.
        ServersCopy,
        // Changed here since: the user's version goes onto the copy.
        UsersVersion,
        // Told by nothing of its own, the copy may be another list made
        // alike: the user's tasks go onto it, nothing is removed.
        UsersTasksOnly
    };
    // The list set aside (or removed here) that `fetched`, a list only the
    // server has, is the copy of; taken out of those set aside. Neither
    // when it is none's.
    struct Found
    {
        ListModel *model = nullptr;
        Taking taking = Taking::ServersCopy;
        TaskList *removed = nullptr;
    };
    Found takeCopyOf(TaskList *fetched);

    // No server list was their copy: each goes back into `models` or
    // `removed`, unless its copy may be a list the run could not read
    // (`unread`), which it waits for.
    void release(QList<QPointer<ListModel>> &models, QList<TaskList *> &removed, const QSet<quint32> &unread);
    // The new lists set aside, for a forced local run, which posts none.
    QList<QPointer<ListModel>> &models() { return m_models; }

    // One list set aside as the copy of a post may be it: the mark of the
    // post, the identities only its tasks hold, and whether it was removed
    // here since.
    struct Candidate
    {
        UploadMark mark;
        QSet<QString> own;
        bool removed = false;
    };
    // The server made `serverId` after the post left.
    static bool postedBefore(const UploadMark &mark, quint32 serverId);
    // Of the candidates, the one whose post `copy` holds most of, or -1; of
    // those alike, the first (the caller puts the lists still here before
    // the removed ones). A removed one is taken only when tasks of its own
    // tell it. `score` takes the chosen one's score.
    static int choose(const ListIdentity::PostedCopy &copy, const QList<Candidate> &candidates, int *score);
    // How the list `local`, posted as `mark`, takes `copy`, chosen with
    // `score`.
    static Taking taking(int score, const UploadMark &mark, const ListIdentity::PostedCopy &copy, TaskList *local);

private:
    // Only the user's own lists the server got after the upload left, that
    // no list here holds, can be the copy of a list whose post may have
    // arrived.
    bool mayBeCopyOf(quint32 serverId, const TaskList *list) const;
    bool mayBeCopyOfAny(const QSet<quint32> &serverIds, const TaskList *list) const;
    // How many tasks of the lists here hold each identity, taken once a run.
    const QHash<QString, int> &identitiesHere();

    const QPointer<UserLists> &m_userLists;
    const QMap<quint32, ListInfo *> &m_listInfos;
    QList<QPointer<ListModel>> m_models;
    QList<TaskList *> m_removed;
    std::optional<QHash<QString, int>> m_identitiesHere;
};

#endif
