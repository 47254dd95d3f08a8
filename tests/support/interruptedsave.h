#ifndef INTERRUPTEDSAVE_H
#define INTERRUPTEDSAVE_H

// What a save cut short by a crash leaves beside a document: the writer's
// temporary and the save's note naming it. Written here as literal text.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace InterruptedSave {

// Gives the file the modification time `when`; false when it cannot.
inline bool setModified(const QString &path, const QDateTime &when)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime);
}

// An hour before this test program started.
inline QDateTime beforeTheStart()
{
    return QDateTime::currentDateTimeUtc().addSecs(-3600);
}

// Writes `path` with `bytes`, last modified at `when` (now when invalid).
inline bool plantFile(const QString &path, const QByteArray &bytes, const QDateTime &when = QDateTime())
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return !when.isValid() || setModified(path, when);
}

// The note of a save of `document` that was under way when the program
// ended, naming `temporary`, from before the start; `header` false writes
// a file of that name that is no such note.
inline bool plantNote(const QString &document, const QString &temporary, bool header = true)
{
    const QByteArray first = header ? "Plumdeck: a save of this document was under way" : "my own notes";
    return plantFile(document + QStringLiteral(".interrupted-save"), first + '\n' + temporary.toUtf8() + '\n',
                     beforeTheStart());
}

// A copy of `from` at `to` as "cp -p" makes it: the same bytes and
// modification time, on an inode of its own.
inline bool copyKeepingTimes(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QDateTime modified = source.fileTime(QFileDevice::FileModificationTime);
    return plantFile(to, source.readAll(), modified);
}

// The note an earlier version left when a save of `document` was killed
// before its unnamed temporary got a name: the temporary by device and
// inode, now those of `heir`, a file made since on the freed inode.
inline bool plantNoteByInode(const QString &document, const QString &heir)
{
    struct stat st;
    if (::stat(QFile::encodeName(heir).constData(), &st) != 0)
        return false;
    return plantNote(document, QStringLiteral("unnamed %1 %2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino)));
}

} // namespace InterruptedSave

#endif
