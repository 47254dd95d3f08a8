#include "sync/listidentity.h"

#include "model/task.h"
#include "model/tasklist.h"
#include "sync/listmerge.h"
#include "sync/uploadmark.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// What tells a list: each titled task as its creator, second and title.
struct Signature
{
    QString name;
    bool owned = true;
    QString owner;
    QHash<QString, int> tasks;
    int count = 0;
};

Signature signatureOf(const TaskList &list)
{
    Signature out;
    out.name = list.name();
    out.owned = list.isOwned();
    out.owner = list.owner();
    list.rootTask()->forEachBelow([&out](const Task *task) {
        if (task->title().isEmpty())
            return;
        ++out.tasks[task->identity() + QLatin1Char('\n') + task->title()];
        ++out.count;
    });
    return out;
}

int common(const Signature &a, const Signature &b)
{
    int n = 0;
    for (auto it = a.tasks.cbegin(); it != a.tasks.cend(); ++it)
        n += std::min(it.value(), b.tasks.value(it.key()));
    return n;
}

bool alike(const Signature &a, const Signature &b)
{
    return a.name == b.name && a.tasks == b.tasks;
}

// How surely `candidate` is `known`: 0 when it is not. Under its name a list
// is one that holds most of what the smaller of the two holds (tasks
// removed or added on one side since); renamed, most of what each holds,
// so that a list holding a few tasks pasted from it is not taken for it.
bool sameOwner(const Signature &a, const Signature &b)
{
    return a.owned == b.owned && (a.owned || a.owner == b.owner);
}

int score(const Signature &known, const Signature &candidate)
{
    if (!sameOwner(known, candidate))
        return 0;
    const bool sameName = known.name == candidate.name;
    if (known.count == 0 || candidate.count == 0)
        return known.count == 0 && candidate.count == 0 && sameName ? 1 : 0;
    const int shared = common(known, candidate);
    const int against = sameName ? std::min(known.count, candidate.count) : std::max(known.count, candidate.count);
    return 2 * shared > against ? 2 * shared + (sameName ? 1 : 0) : 0;
}

QSet<QString> titledIdentities(const TaskList &list)
{
    QSet<QString> out;
    list.rootTask()->forEachBelow([&out](const Task *task) {
        if (!task->title().isEmpty())
            out.insert(task->identity());
    });
    return out;
}

} // namespace

ListIdentity::Pairing ListIdentity::pair(const QList<const TaskList *> &known,
                                         const QList<const TaskList *> &candidates)
{
    QList<Signature> knownSigns, candidateSigns;
    for (const TaskList *list : known)
        knownSigns << signatureOf(*list);
    for (const TaskList *list : candidates)
        candidateSigns << signatureOf(*list);
    const int k = int(known.size());
    const int c = int(candidates.size());
    QList<QList<int>> scores(k, QList<int>(c, 0));
    struct Edge
    {
        int known, candidate, score;
    };
    QList<Edge> edges;
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < c; ++j)
            if ((scores[i][j] = score(knownSigns[i], candidateSigns[j])) > 0)
                edges.append({i, j, scores[i][j]});
    std::stable_sort(edges.begin(), edges.end(), [](const Edge &a, const Edge &b) { return a.score > b.score; });

    Pairing out;
    out.candidate = QList<int>(k, -1);
    out.unsure = QList<bool>(k, false);
    QList<bool> taken(c, false);
    for (const Edge &e : std::as_const(edges)) {
        if (out.candidate[e.known] >= 0 || out.unsure[e.known] || taken[e.candidate])
            continue;
        // Another list that could be it as surely, unlike this one: which
        // is which cannot be told. Lists alike are any of each other.
        bool rival = false;
        for (int j = 0; j < c && !rival; ++j)
            rival = j != e.candidate && !taken[j] && scores[e.known][j] == e.score
                    && !alike(candidateSigns[j], candidateSigns[e.candidate]);
        for (int i = 0; i < k && !rival; ++i)
            rival = i != e.known && out.candidate[i] < 0 && scores[i][e.candidate] == e.score
                    && !alike(knownSigns[i], knownSigns[e.known]);
        if (rival) {
            out.unsure[e.known] = true;
            continue;
        }
        out.candidate[e.known] = e.candidate;
        taken[e.candidate] = true;
    }
    // Not told, though a list there holds some of what it held.
    for (int i = 0; i < k; ++i) {
        for (int j = 0; j < c && out.candidate[i] < 0 && !out.unsure[i]; ++j)
            out.unsure[i] = !taken[j] && sameOwner(knownSigns[i], candidateSigns[j])
                            && (common(knownSigns[i], candidateSigns[j]) > 0
                                || (knownSigns[i].count == 0 && candidateSigns[j].count == 0));
    }
    return out;
}

ListIdentity::PostedCopy::PostedCopy(TaskList *fetched)
    : m_list(fetched)
    , m_fields(UploadMark::listFieldsDigest(fetched))
{
    for (const Task *task : UploadMark::uploadedTasks(fetched)) {
        const QString identity = UploadMark::identityDigest(task);
        ++m_identities[identity];
        ++m_tasks[identity + QLatin1Char('.') + UploadMark::contentDigest(task)];
    }
}

QString ListIdentity::PostedCopy::digest() const
{
    if (m_digest.isEmpty())
        m_digest = UploadMark::listDigest(m_list);
    return m_digest;
}

// Every task posted is there as it was posted (identity and content), each
// as often as it was sent.
bool ListIdentity::PostedCopy::holdsEveryTaskAsPosted(const UploadMark &mark) const
{
    if (mark.tasks().isEmpty())
        return false;
    QHash<QString, int> left = m_tasks;
    for (const UploadMark::SentTask &task : mark.tasks()) {
        bool found = false;
        for (const QString &content : task.contents) {
            int &count = left[task.identity + QLatin1Char('.') + content];
            if (count > 0) {
                --count;
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

int ListIdentity::PostedCopy::score(const UploadMark &mark, const QSet<QString> &own) const
{
    if (own.isEmpty()) {
        const auto holdsOneSent = [&] {
            return std::any_of(mark.tasks().cbegin(), mark.tasks().cend(),
                               [&](const UploadMark::SentTask &task) { return m_identities.contains(task.identity); });
        };
        const bool sameFields = !mark.fieldsDigest().isEmpty() && mark.fieldsDigest() == m_fields
                                && (!mark.identifiesByTasks() || holdsOneSent());
        return sameFields || mark.digest() == digest() || holdsEveryTaskAsPosted(mark) ? 0 : -1;
    }
    QHash<QString, int> left = m_identities;
    int score = 0;
    bool unchangedPart = mark.fieldsDigest() == m_fields;
    for (const UploadMark::SentTask &task : mark.tasks()) {
        if (!own.contains(task.identity))
            continue;
        int &count = left[task.identity];
        if (count > 0) {
            --count;
            ++score;
        }
        for (const QString &content : task.contents)
            unchangedPart = unchangedPart || m_tasks.contains(task.identity + QLatin1Char('.') + content);
    }
    return score > 0 && unchangedPart ? score : -1;
}

bool ListIdentity::isRestored(const TaskList &restored, const TaskList &fetched)
{
    // Another user's list is theirs to rename and empty: its owner tells it.
    if (!restored.isOwned())
        return !fetched.isOwned() && fetched.owner() == restored.owner();
    return restored.name() == fetched.name() || titledIdentities(restored).intersects(titledIdentities(fetched));
}

bool ListIdentity::isPostedCopy(const TaskList &restored, const TaskList &fetched)
{
    if (restored.name() != fetched.name())
        return false;
    const QSet<QString> mine = titledIdentities(restored);
    const QSet<QString> theirs = titledIdentities(fetched);
    return mine.isEmpty() && theirs.isEmpty() ? true : mine.intersects(theirs);
}

QHash<Task *, const Task *> ListIdentity::pairTasks(const QList<Task *> &here, const QList<const Task *> &there)
{
    QHash<QString, QList<const Task *>> theirs;
    for (const Task *task : there)
        theirs[task->identity()].append(task);
    QHash<QString, QList<Task *>> mine;
    for (Task *task : here)
        mine[task->identity()].append(task);
    QHash<Task *, const Task *> out;
    for (auto it = mine.begin(); it != mine.end(); ++it) {
        QList<Task *> &left = it.value();
        QList<const Task *> theirsLeft = theirs.value(it.key());
        const auto pairBy = [&](bool (*same)(const Task *, const Task *)) {
            for (auto task = left.begin(); task != left.end();) {
                const auto match = std::find_if(theirsLeft.begin(), theirsLeft.end(),
                                                [&](const Task *t) { return same(*task, t); });
                if (match == theirsLeft.end()) {
                    ++task;
                    continue;
                }
                out.insert(*task, *match);
                theirsLeft.erase(match);
                task = left.erase(task);
            }
        };
        pairBy([](const Task *a, const Task *b) { return ListMerge::sameContent(a, b); });
        pairBy([](const Task *a, const Task *b) { return a->title() == b->title(); });
        if (left.size() == 1 && theirsLeft.size() == 1)
            out.insert(left.first(), theirsLeft.first());
    }
    return out;
}

void ListIdentity::takeIdsOf(const TaskList &theirs, TaskList *agreed, TaskList *mine)
{
    QList<const Task *> there;
    quint32 highest = 0;
    theirs.rootTask()->forEachBelow([&](const Task *task) {
        there.append(task);
        highest = std::max(highest, task->id());
    });
    QList<Task *> here;
    agreed->rootTask()->forEachBelow([&](Task *task) {
        if (task->id() != 0)
            here.append(task);
        highest = std::max(highest, task->id());
    });
    mine->rootTask()->forEachBelow([&](const Task *task) { highest = std::max(highest, task->id()); });
    for (const Task *removed : mine->removedTasks())
        highest = std::max(highest, removed->id());
    QHash<quint32, quint32> ids;
    const QHash<Task *, const Task *> pairs = pairTasks(here, there);
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        ids.insert(it.key()->id(), it.value()->id());
    for (Task *task : std::as_const(here)) {
        if (!ids.contains(task->id()))
            ids.insert(task->id(), ++highest);
        task->setId(ids.value(task->id()));
    }
    mine->rootTask()->forEachBelow([&](Task *task) { task->setId(ids.value(task->id(), 0)); });
    QList<Task *> removed;
    for (const Task *task : mine->removedTasks()) {
        if (!ids.contains(task->id()))
            continue;
        Task *copy = task->clone();
        copy->setId(ids.value(task->id()));
        removed.append(copy);
    }
    mine->setRemovedTasks(removed);
}

bool ListIdentity::isNote(const QString &agreedTitle, const QString &agreedText, const QString &title,
                          const QString &text, int sameTitle)
{
    return agreedTitle == title && (agreedText == text || sameTitle == 1);
}

bool ListIdentity::mayBeNote(const QString &agreedTitle, const QString &agreedText, const QString &title,
                             const QString &text)
{
    return agreedTitle == title || agreedText == text;
}
