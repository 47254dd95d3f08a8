#ifndef RESTOREDLISTSEARCH_H
#define RESTOREDLISTSEARCH_H

#include <QList>
#include <QPointer>
#include <QSet>

class ListModel;
class TaskList;
class UserLists;

// A full run's search for the server's lists that lists restored from a
// backup are (see RestoredLists): first the server's list of the id the
// backup gave each, one at a time, before anything is posted; then, for
// those that look did not settle, the lists only the server has, which they
// wait for; those none of them is are posted as new at the end.
class RestoredListSearch
{
public:
    // The next restored list of `models` to look for under the id the
    // backup gave it (`id`), marked looked for; null when none is left. One
    // whose id another list here holds is not looked for: an earlier import
    // may have posted it under another id, among the server's lists.
    ListModel *nextToLookFor(const QList<QPointer<ListModel>> &models, const UserLists *lists, quint32 *id);
    // Takes out of `models` the restored lists of other users that the look
    // by the file's id did not settle: never sent, they are to go.
    static QList<ListModel *> takeOthersUnfound(QList<QPointer<ListModel>> &models);

    // Takes the restored lists out of `models`: the look by the file's id
    // did not settle them, and one of the lists only the server has may be
    // the list an earlier import of the same backup posted.
    void setAside(QList<QPointer<ListModel>> &models);
    bool isWaiting() const { return !m_waiting.isEmpty(); }
    // The restored list waiting that `fetched`, a list only the server has,
    // is as an earlier import posted it; taken out of those waiting. Null
    // for none.
    ListModel *takePostedBefore(const TaskList *fetched, const UserLists *lists);
    // The restored lists still waiting once every server list is in, to be
    // posted as new; none while a server list the run could not read may be
    // one of them (`unreadLists`), which leaves them to a later run.
    QList<ListModel *> takeUnfound(const UserLists *lists, bool unreadLists);

private:
    QSet<ListModel *> m_looked;
    QList<QPointer<ListModel>> m_waiting;
};

#endif
