#ifndef UPLOADSAVES_H
#define UPLOADSAVES_H

#include "sync/runs/savefailure.h"

#include <QString>
#include <QStringList>

class ListsGroups;
class ListsSyncHost;

// The saves a synchronisation makes before its uploads leave, so that the
// next run can recognise what they carried whatever becomes of the answers.
// All of a run's go through one of these: once one failed, the run sends
// nothing more and ends with failure(); the files stay as the last good save
// left them, and a later run sends everything then.
class UploadSaves
{
public:
    explicit UploadSaves(ListsSyncHost *host = nullptr)
        : m_host(host)
    {
    }

    // Each writes its file when anything in it changed; false once a save
    // of this run failed, this one or an earlier one (which is not tried
    // again).
    bool lists();
    bool groups();
    bool notes();
    // The groups about to go up are recorded as an upload in doubt and
    // written; when the write fails the record is taken back, as nothing
    // leaves.
    bool groupsBeforeUpload(ListsGroups *groups);

    bool failed() const { return m_failed; }
    // What the run ends with: the file, the reason, and what was sent
    // before (or that nothing was).
    QString failure() const { return m_failure.nothingSentText(m_sent); }
    // For a step's hook: empty when the lists were written, else failure().
    QString listsOrFailure() { return lists() ? QString() : failure(); }
    // An upload of the run leaves (each told once).
    void sent(SaveFailure::Sent what, const QString &name = QString());
    // listsOrFailure() before an upload that leaves when it is empty.
    QString listsBefore(SaveFailure::Sent what, const QString &name);
    // What went up so far, as failure() names it; a run's later step
    // carries it on.
    QStringList sentSoFar() const { return m_sent; }
    void setSentSoFar(const QStringList &sent) { m_sent = sent; }

private:
    bool keep(bool saved, const SaveFailure &why, SaveFailure::Document document);

    ListsSyncHost *m_host;
    bool m_failed = false;
    SaveFailure m_failure;
    QStringList m_sent;
};

#endif
