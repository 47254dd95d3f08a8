#include "sync/runs/restoredlistsearch.h"

#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/restoredlists.h"

ListModel *RestoredListSearch::nextToLookFor(const QList<QPointer<ListModel>> &models, const UserLists *lists,
                                             quint32 *id)
{
    for (const QPointer<ListModel> &model : models) {
        if (!model || !lists->models().contains(model) || m_looked.contains(model))
            continue;
        *id = RestoredLists::fileId(model->taskList());
        if (*id == 0)
            continue;
        m_looked.insert(model);
        if (lists->taskListByServerId(*id))
            continue;
        return model;
    }
    return nullptr;
}

QList<ListModel *> RestoredListSearch::takeOthersUnfound(QList<QPointer<ListModel>> &models)
{
    QList<ListModel *> out;
    for (auto it = models.begin(); it != models.end();) {
        ListModel *model = *it;
        if (model && RestoredLists::fileId(model->taskList()) != 0 && RestoredLists::isOthers(model->taskList())) {
            out << model;
            it = models.erase(it);
        } else {
            ++it;
        }
    }
    return out;
}

void RestoredListSearch::setAside(QList<QPointer<ListModel>> &models)
{
    for (auto it = models.begin(); it != models.end();) {
        if (*it && RestoredLists::fileId((*it)->taskList()) != 0) {
            m_waiting << *it;
            it = models.erase(it);
        } else {
            ++it;
        }
    }
}

ListModel *RestoredListSearch::takePostedBefore(const TaskList *fetched, const UserLists *lists)
{
    if (!lists || !fetched->isOwned())
        return nullptr;
    for (int i = 0; i < m_waiting.size(); ++i) {
        ListModel *model = m_waiting.at(i);
        if (!model || !lists->models().contains(model) || !RestoredLists::isPostedCopy(model->taskList(), fetched))
            continue;
        m_waiting.removeAt(i);
        return model;
    }
    return nullptr;
}

QList<ListModel *> RestoredListSearch::takeUnfound(const UserLists *lists, bool unreadLists)
{
    QList<ListModel *> unfound;
    for (const QPointer<ListModel> &model : std::as_const(m_waiting))
        if (model && lists && lists->models().contains(model) && !unreadLists)
            unfound << model;
    m_waiting.clear();
    return unfound;
}
