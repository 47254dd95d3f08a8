#ifndef DATAFOLDERLOCK_H
#define DATAFOLDERLOCK_H

#include <QDir>
#include <QLockFile>
#include <QString>

// Holds a data folder for a whole run, so that a second instance on the same
// folder can tell and stay out: it would save its older copies over this
// one's files and post the lists new to both again. A lock whose process is
// gone (a crash, a kill) is taken over by the next start.
class DataFolderLock
{
public:
    explicit DataFolderLock(const QDir &folder);

    QString folderPath() const { return m_folderPath; }

    // True when this process holds the folder now. False when another
    // process does (error() is QLockFile::LockFailedError) or the lock file
    // cannot be made (another error).
    bool tryLock();
    QLockFile::LockError error() const { return m_lock.error(); }

private:
    QString m_folderPath;
    QLockFile m_lock;
};

#endif
