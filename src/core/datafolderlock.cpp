#include "core/datafolderlock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

DataFolderLock::DataFolderLock(const QDir &folder)
    : m_folderPath(folder.path())
    , m_filePath(folder.filePath(QStringLiteral("plumdeck.lock")))
    , m_lock(m_filePath)
{
    // A run lasts for days: only a holder that is gone makes the lock stale,
    // never its age.
    m_lock.setStaleLockTime(0);
}

bool DataFolderLock::tryLock()
{
    m_otherHost.clear();
    m_heldSince = QDateTime();
    m_otherHolder = Holder();
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return true;
    if (m_lock.error() != QLockFile::LockFailedError)
        return false;
    const Holder holder = readHolder(10);
    // Empty or damaged (a power cut in the first moments of a start): it
    // names nobody who could still run.
    if (!holder.named)
        return replace(holder);
    // Left by a holder that had this process's id on this machine (a crash,
    // then a start given the same id): that holder is gone, not running.
    const QString here = QSysInfo::machineHostName();
    if (holder.pid == QCoreApplication::applicationPid() && holder.host == here)
        return replace(holder);
    if (!holder.host.isEmpty() && holder.host != here) {
        m_otherHost = holder.host;
        m_otherHolder = holder;
        m_heldSince = QFileInfo(m_filePath).lastModified();
    }
    return false;
}

bool DataFolderLock::takeOver()
{
    if (m_lock.isLocked())
        return true;
    if (!isHeldElsewhere() || !replace(m_otherHolder))
        return false;
    m_otherHost.clear();
    m_heldSince = QDateTime();
    m_otherHolder = Holder();
    return true;
}

DataFolderLock::Holder DataFolderLock::readHolder(int patience) const
{
    Holder holder;
    for (int attempt = 0; attempt < patience; ++attempt) {
        if (attempt > 0)
            QThread::msleep(50);
        holder.named = m_lock.getLockInfo(&holder.pid, &holder.host, &holder.application);
        if (holder.named || !QFileInfo::exists(m_filePath))
            break;
    }
    if (!holder.named)
        holder = Holder();
    return holder;
}

bool DataFolderLock::replace(const Holder &holder)
{
    {
        // One start at a time looks again and removes: two starts replacing
        // one lock could each remove the other's new one.
        QLockFile guard(m_filePath + QStringLiteral(".rmlock"));
        if (!guard.tryLock(2000))
            return false;
        // Gone meanwhile (its holder quit): nothing to remove. Changed
        // meanwhile: it is another holder's now, not the one judged.
        // Removing fails while a process on this machine holds the file.
        if (QFileInfo::exists(m_filePath)
            && (!(readHolder(1) == holder) || !m_lock.removeStaleLockFile()))
            return false;
    }
    return m_lock.tryLock(0);
}
