#include "sync/runs/unreadablelists.h"

#include "model/listinfo.h"
#include "model/tasklist.h"
#include "sync/runs/listsynchronizer.h"

bool UnreadableLists::take(const ListSynchronizer *step, const ListInfo *info)
{
    if (step->result() != ListSynchronizer::Failed || !step->isServerCopyUnreadable())
        return false;
    m_labels << label(step, info);
    m_reasons << step->errorString();
    return true;
}

void UnreadableLists::add(const QString &name, const ListInfo *info, quint32 id, const QString &reason)
{
    m_labels << label(name, info, id);
    m_reasons << reason;
}

QString UnreadableLists::addTo(const QString &error) const
{
    if (isEmpty())
        return error;
    QString report;
    if (m_labels.size() == 1) {
        report = message(m_labels.first(), m_reasons.first());
    } else {
        QStringList lines{tr("These lists could not be read from the server and were left as they are:")};
        for (int i = 0; i < m_labels.size(); ++i)
            lines << tr("%1: %2").arg(m_labels.at(i), m_reasons.at(i));
        report = lines.join(QLatin1Char('\n'));
    }
    return error.isEmpty() ? report : error + QStringLiteral("\n\n") + report;
}

QString UnreadableLists::stepError(const ListSynchronizer *step, const ListInfo *info)
{
    if (!step->isServerCopyUnreadable())
        return step->errorString();
    return message(label(step, info), step->errorString());
}

QString UnreadableLists::label(const ListSynchronizer *step, const ListInfo *info)
{
    return label(step->localList() ? step->localList()->name() : QString(), info, step->id());
}

QString UnreadableLists::label(QString name, const ListInfo *info, quint32 id)
{
    if (name.isEmpty() && info)
        name = info->name();
    if (name.isEmpty())
        return tr("number %1").arg(id);
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString UnreadableLists::message(const QString &label, const QString &reason)
{
    return tr("The list %1 could not be read from the server and was left as it is: %2").arg(label, reason);
}
