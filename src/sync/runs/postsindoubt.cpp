#include "sync/runs/postsindoubt.h"

#include "model/listinfo.h"
#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/userlists.h"

#include <utility>

PostsInDoubt::PostsInDoubt(const QPointer<UserLists> &lists, const QMap<quint32, ListInfo *> &infos)
    : m_userLists(lists)
    , m_listInfos(infos)
{
}

void PostsInDoubt::setAside(QList<QPointer<ListModel>> &models, QList<TaskList *> &removed,
                            const QSet<quint32> &serverIds)
{
    for (auto it = models.begin(); it != models.end();) {
        const TaskList *list = *it ? (*it)->taskList() : nullptr;
        if (list && list->syncStatus() == TaskList::New && mayBeCopyOfAny(serverIds, list)) {
            m_models << *it;
            it = models.erase(it);
        } else {
            ++it;
        }
    }
    // A removed list is deleted on the server only when its copy there is
    // told by its tasks: content alone could be another computer's list made
    // alike, so such a record is dropped and the server's copy, if any, comes
    // back to be removed again.
    for (auto it = removed.begin(); it != removed.end();) {
        if ((*it)->serverId() == 0
            && !UploadMark::read((*it)->pendingUpload()).ownIdentities(identitiesHere(), *it).isEmpty()
            && mayBeCopyOfAny(serverIds, *it)) {
            m_removed << *it;
            it = removed.erase(it);
        } else {
            ++it;
        }
    }
}

bool PostsInDoubt::mayBeCopy(quint32 serverId) const
{
    for (const QPointer<ListModel> &model : m_models)
        if (model && mayBeCopyOf(serverId, model->taskList()))
            return true;
    for (const TaskList *removed : m_removed)
        if (mayBeCopyOf(serverId, removed))
            return true;
    return false;
}

PostsInDoubt::Found PostsInDoubt::takeCopyOf(TaskList *fetched)
{
    if (!fetched->isOwned() || isEmpty() || !m_userLists)
        return {};
    const quint32 id = fetched->serverId();
    const ListIdentity::PostedCopy copy(fetched);
    // Each candidate's place among those set aside: a list here, or (below
    // zero) a removed one.
    QList<Candidate> candidates;
    QList<int> places;
    for (int i = 0; i < m_models.size(); ++i) {
        ListModel *model = m_models.at(i);
        if (!model || !m_userLists->models().contains(model))
            continue;
        const UploadMark mark = UploadMark::read(model->taskList()->pendingUpload());
        if (!postedBefore(mark, id))
            continue;
        candidates << Candidate{mark, mark.ownIdentities(identitiesHere(), model->taskList())};
        places << i;
    }
    for (int i = 0; i < m_removed.size(); ++i) {
        TaskList *removed = m_removed.at(i);
        if (!m_userLists->deletedLists().contains(removed))
            continue;
        const UploadMark mark = UploadMark::read(removed->pendingUpload());
        if (!postedBefore(mark, id))
            continue;
        candidates << Candidate{mark, mark.ownIdentities(identitiesHere(), removed), true};
        places << -1 - i;
    }
    int score = -1;
    const int best = choose(copy, candidates, &score);
    Found found;
    if (best < 0)
        return found;
    if (places.at(best) < 0) {
        found.removed = m_removed.takeAt(-1 - places.at(best));
        return found;
    }
    found.model = m_models.takeAt(places.at(best));
    found.taking = taking(score, candidates.at(best).mark, copy, found.model->taskList());
    return found;
}

void PostsInDoubt::release(QList<QPointer<ListModel>> &models, QList<TaskList *> &removed,
                           const QSet<quint32> &unread)
{
    for (const QPointer<ListModel> &model : std::as_const(m_models))
        if (model && !mayBeCopyOfAny(unread, model->taskList()))
            models << model;
    for (TaskList *record : std::as_const(m_removed))
        if (!mayBeCopyOfAny(unread, record))
            removed << record;
    m_models.clear();
    m_removed.clear();
}

bool PostsInDoubt::postedBefore(const UploadMark &mark, quint32 serverId)
{
    return mark.isPost() && serverId > mark.highestKnownId();
}

int PostsInDoubt::choose(const ListIdentity::PostedCopy &copy, const QList<Candidate> &candidates, int *score)
{
    int best = -1;
    int bestScore = -1;
    for (int i = 0; i < candidates.size(); ++i) {
        const Candidate &candidate = candidates.at(i);
        // Deleted only when its own tasks tell it.
        if (candidate.removed && candidate.own.isEmpty())
            continue;
        const int candidateScore = copy.score(candidate.mark, candidate.own);
        if (candidateScore > bestScore) {
            bestScore = candidateScore;
            best = i;
        }
    }
    *score = bestScore;
    return best;
}

PostsInDoubt::Taking PostsInDoubt::taking(int score, const UploadMark &mark, const ListIdentity::PostedCopy &copy,
                                          TaskList *local)
{
    // Told by nothing of its own (its fields, or tasks whose identity
    // others share), the server's list may be another made alike: nothing
    // of the user's gives way to it.
    if (score == 0 && mark.digest() != copy.digest() && !UploadMark::uploadedTasks(local).isEmpty())
        return Taking::UsersTasksOnly;
    return mark.digest() == UploadMark::listDigest(local) ? Taking::ServersCopy : Taking::UsersVersion;
}

bool PostsInDoubt::mayBeCopyOf(quint32 serverId, const TaskList *list) const
{
    const UploadMark mark = UploadMark::read(list->pendingUpload());
    if (!postedBefore(mark, serverId))
        return false;
    const ListInfo *info = m_listInfos.value(serverId, nullptr);
    if (!info || !info->isOwned() || !m_userLists)
        return false;
    return !m_userLists->taskListByServerId(serverId) && !m_userLists->findDeletedByServerId(serverId);
}

bool PostsInDoubt::mayBeCopyOfAny(const QSet<quint32> &serverIds, const TaskList *list) const
{
    for (quint32 id : serverIds)
        if (mayBeCopyOf(id, list))
            return true;
    return false;
}

const QHash<QString, int> &PostsInDoubt::identitiesHere()
{
    if (!m_identitiesHere)
        m_identitiesHere = UploadMark::identityCounts(m_userLists ? m_userLists->taskLists() + m_userLists->deletedLists()
                                                                  : QList<TaskList *>());
    return *m_identitiesHere;
}
