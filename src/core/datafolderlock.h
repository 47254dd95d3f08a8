#ifndef DATAFOLDERLOCK_H
#define DATAFOLDERLOCK_H

#include <QDateTime>
#include <QDir>
#include <QLockFile>
#include <QString>

// Holds a data folder for a whole run, so that a second instance on the same
// folder can tell and stay out: it would save its older copies over this
// one's files and post the lists new to both again. A lock whose process is
// gone (a crash, a kill) is taken over by the next start, and so is one that
// names no process at all (a power cut just after a start leaves it empty).
// One written on another machine cannot be looked into from here: the start
// asks the user before taking it over (takeOver()).
class DataFolderLock
{
public:
    explicit DataFolderLock(const QDir &folder);

    QString folderPath() const { return m_folderPath; }
    QString lockFilePath() const { return m_filePath; }

    // True when this process holds the folder now. False when another
    // process does (error() is QLockFile::LockFailedError) or the lock file
    // cannot be made (another error).
    bool tryLock();
    QLockFile::LockError error() const { return m_lock.error(); }

    // After tryLock() failed: the lock names a process on another machine
    // (a home folder copied or restored while the program ran, or shared
    // with another machine), which this one cannot tell alive or gone.
    bool isHeldElsewhere() const { return !m_otherHost.isEmpty(); }
    QString otherHost() const { return m_otherHost; }
    // When that lock was written: when the other machine's run began.
    QDateTime heldSince() const { return m_heldSince; }
    // Takes over the other machine's lock, once the user said no program
    // runs there on this folder. False when the lock changed meanwhile or
    // cannot be removed (a process still holds it).
    bool takeOver();

private:
    struct Holder
    {
        bool named = false;
        qint64 pid = 0;
        QString host;
        QString application;
        bool operator==(const Holder &other) const
        {
            return named == other.named && pid == other.pid && host == other.host
                   && application == other.application;
        }
    };
    // Who the lock file names. A start that has just made the file may not
    // have written it yet: `patience` reads give it a moment.
    Holder readHolder(int patience) const;
    // Removes the lock while it still names `holder`, and takes the folder.
    bool replace(const Holder &holder);

    QString m_folderPath;
    QString m_filePath;
    QLockFile m_lock;
    QString m_otherHost;
    QDateTime m_heldSince;
    Holder m_otherHolder;
};

#endif
