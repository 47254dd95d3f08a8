#include "core/datafolderlock.h"

#include <QCoreApplication>
#include <QSysInfo>

DataFolderLock::DataFolderLock(const QDir &folder)
    : m_folderPath(folder.path()), m_lock(folder.filePath(QStringLiteral("plumdeck.lock")))
{
    // A run lasts for days: only a holder that is gone makes the lock stale,
    // never its age.
    m_lock.setStaleLockTime(0);
}

bool DataFolderLock::tryLock()
{
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return true;
    // Left by a holder that had this process's id on this machine (a crash,
    // then a start given the same id): that holder is gone, not running.
    qint64 pid = 0;
    QString host, application;
    if (m_lock.error() == QLockFile::LockFailedError && m_lock.getLockInfo(&pid, &host, &application)
        && pid == QCoreApplication::applicationPid() && host == QSysInfo::machineHostName()
        && m_lock.removeStaleLockFile())
        return m_lock.tryLock(0);
    return false;
}
