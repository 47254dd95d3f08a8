#include "sync/runs/savefailure.h"

#include <QDir>

SaveFailure::SaveFailure(Document document, const QString &path, const QString &reason)
    : m_document(document)
    , m_path(path)
    , m_reason(reason.isEmpty() ? tr("the file could not be written") : reason)
{
}

QString SaveFailure::text() const
{
    const QString path = QDir::toNativeSeparators(m_path);
    if (path.isEmpty()) {
        switch (m_document) {
        case ListsGroups:
            return tr("Your list groups could not be saved: %1.").arg(m_reason);
        case Notes:
            return tr("Your notes could not be saved: %1.").arg(m_reason);
        case Lists:
            break;
        }
        return tr("Your lists could not be saved: %1.").arg(m_reason);
    }
    switch (m_document) {
    case ListsGroups:
        return tr("Your list groups could not be saved to \"%1\": %2.").arg(path, m_reason);
    case Notes:
        return tr("Your notes could not be saved to \"%1\": %2.").arg(path, m_reason);
    case Lists:
        break;
    }
    return tr("Your lists could not be saved to \"%1\": %2.").arg(path, m_reason);
}

QString SaveFailure::nothingSentText(const QStringList &sent) const
{
    if (!sent.isEmpty())
        return text() + QLatin1Char('\n')
               + tr("Sent to the server before that: %1. Nothing else was sent. Synchronise again once the file "
                    "can be written (free some space on the disk).")
                     .arg(sent.join(QStringLiteral(", ")));
    return text() + QLatin1Char('\n')
           + tr("Nothing was sent to the server. Synchronise again once the file can be written (free some space "
                "on the disk).");
}

QString SaveFailure::sentText(Sent what, const QString &name)
{
    switch (what) {
    case SentList:
        return tr("the list \"%1\"").arg(name);
    case SentListRemoval:
        return tr("the removal of the list \"%1\"").arg(name);
    case SentSharing:
        return tr("the sharing of the list \"%1\"").arg(name);
    case SentListOrder:
        return tr("the order of the lists");
    case SentGroups:
        return tr("the list groups");
    case SentNote:
        return tr("the note \"%1\"").arg(name);
    case SentNoteRemoval:
        return tr("the removal of the note \"%1\"").arg(name);
    case SentNoteOrder:
        break;
    }
    return tr("the order of the notes");
}
