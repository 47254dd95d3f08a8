#ifndef UPLOADSAVES_H
#define UPLOADSAVES_H

#include "sync/savefailure.h"

#include <QString>

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
    // What the run ends with: the file, the reason, and that nothing was sent.
    QString failure() const { return m_failure.nothingSentText(); }
    // For a step's hook: empty when the lists were written, else failure().
    QString listsOrFailure() { return lists() ? QString() : failure(); }

private:
    bool keep(bool saved, const SaveFailure &why, SaveFailure::Document document);

    ListsSyncHost *m_host;
    bool m_failed = false;
    SaveFailure m_failure;
};

#endif
