#include "sync/runs/uploadsaves.h"

#include "model/listsgroups.h"
#include "model/notepadnotes.h"
#include "sync/runs/listssynchost.h"

#include <QDebug>

bool UploadSaves::keep(bool saved, const SaveFailure &why, SaveFailure::Document document)
{
    if (saved)
        return true;
    m_failed = true;
    m_failure = why.isNull() ? SaveFailure(document, QString(), QString()) : why;
    qWarning().noquote() << "nothing more is sent in this run:" << m_failure.text();
    return false;
}

void UploadSaves::sent(SaveFailure::Sent what, const QString &name)
{
    const QString text = SaveFailure::sentText(what, name);
    if (!m_sent.contains(text))
        m_sent << text;
}

QString UploadSaves::listsBefore(SaveFailure::Sent what, const QString &name)
{
    const QString failure = listsOrFailure();
    if (failure.isEmpty())
        sent(what, name);
    return failure;
}

bool UploadSaves::lists()
{
    if (m_failed)
        return false;
    SaveFailure why;
    return !m_host || keep(m_host->saveLists(&why), why, SaveFailure::Lists);
}

bool UploadSaves::groups()
{
    if (m_failed)
        return false;
    SaveFailure why;
    return !m_host || keep(m_host->saveListsGroups(&why), why, SaveFailure::ListsGroups);
}

bool UploadSaves::notes()
{
    if (m_failed)
        return false;
    NotepadNotes *notes = NotepadNotes::instance();
    QString reason;
    if (!notes || notes->saveIfChanged(&reason))
        return true;
    return keep(false, SaveFailure(SaveFailure::Notes, NotepadNotes::filePath(), reason), SaveFailure::Notes);
}

bool UploadSaves::groupsBeforeUpload(ListsGroups *groups)
{
    if (m_failed)
        return false;
    const bool wasInDoubt = groups->isUploadInDoubt();
    const ListsGroups::SentTrees sentBefore = groups->sentInDoubt();
    // Should the answer be lost, the next run knows what the server may
    // hold of it.
    groups->setUploadInDoubt(true);
    groups->keepSentInDoubt(*groups);
    groups->setModified();
    SaveFailure why;
    if (!m_host || keep(m_host->saveListsGroups(&why), why, SaveFailure::ListsGroups))
        return true;
    groups->setUploadInDoubt(wasInDoubt);
    groups->setSentInDoubt(sentBefore);
    return false;
}
