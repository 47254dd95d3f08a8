#include "sync/merges/listidentity.h"

#include "model/task.h"
#include "model/tasklist.h"
#include "sync/merges/uploadmark.h"

#include <QHash>
#include <QSet>

#include <algorithm>

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
