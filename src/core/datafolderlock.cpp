#include "core/datafolderlock.h"

DataFolderLock::DataFolderLock(const QDir &folder)
    : m_folderPath(folder.path()), m_lock(folder.filePath(QStringLiteral("plumdeck.lock")))
{
    // A run lasts for days: only a holder that is gone makes the lock stale,
    // never its age.
    m_lock.setStaleLockTime(0);
}

bool DataFolderLock::tryLock()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}
