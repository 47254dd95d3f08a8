#include "model/documentfile.h"

#include "core/clock.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QSet<QString> &protectedPaths()
{
    static QSet<QString> paths;
    return paths;
}

QHash<QString, QString> &keptAsidePaths()
{
    static QHash<QString, QString> paths;
    return paths;
}

QString absolutePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

// Where a save of `path` writes: through links to the file they end at (a
// dangling one's target is made), as the toolkit's own atomic writer does.
QString writtenPath(const QString &path)
{
    QFileInfo info(path);
    int depth = 128;
    while (--depth && info.isSymLink())
        info.setFile(info.symLinkTarget());
    return depth > 0 ? info.absoluteFilePath() : absolutePath(path);
}

// The temporaries' names: the document's name, a marker and random letters
// and digits, "lists.xhtml.plumdeck-save-k3v9q0x2m7ab". No one names a file
// so, unlike "<name>." and six letters ("lists.xhtml.backup"), and the
// random part is never the same twice.
const char temporaryMarker[] = ".plumdeck-save-";
const char randomCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr int randomLength = 12;
// The longest name the usual file systems take, in bytes.
constexpr int longestName = 255;

// The temporaries' names up to the random part, for a document of `name`:
// the name is cut (at a character) so that a long one leaves room for the rest.
QByteArray temporaryPrefix(const QString &name)
{
    QByteArray bytes = QFile::encodeName(name);
    const int room = longestName - int(sizeof temporaryMarker - 1) - randomLength;
    if (bytes.size() > room) {
        int cut = room;
        while (cut > 0 && (uchar(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    return bytes + temporaryMarker;
}

bool isTemporaryName(const QByteArray &prefix, const QByteArray &name)
{
    if (name.size() != prefix.size() + randomLength || !name.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const char c = name.at(i);
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

QByteArray newTemporaryName(const QByteArray &prefix)
{
    QByteArray name = prefix;
    for (int i = 0; i < randomLength; ++i)
        name += randomCharacters[QRandomGenerator::system()->bounded(int(sizeof randomCharacters - 1))];
    return name;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// What stays the same of a file whatever its names while it exists: its
// device and inode. Compared only while this process holds the file open.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity &other) const { return device == other.device && inode == other.inode; }
};

FileIdentity identityOf(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// The file `path` names itself (a link is not followed); false when none.
bool statNoFollow(const QByteArray &path, struct stat *st)
{
    return ::lstat(path.constData(), st) == 0;
}

// One write: a kill leaves the bytes whole or missing.
bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

// The note of a save under way, made before its temporary: its first line
// alone says that no temporary was made yet. It is a file this save makes
// itself: a file or a link already of that name is someone else's and stays
// untouched (the save then goes un-noted); and only that same file is
// removed at the end. It stays locked while the save runs, so that a
// start-up elsewhere leaves a save under way alone.
class SaveNote
{
public:
    explicit SaveNote(const QString &document)
        : m_document(document), m_path(QFile::encodeName(DocumentFile::interruptedSaveNotePath(document)))
    {
        make(QByteArray(DocumentFile::interruptedSaveHeader) + '\n');
    }
    ~SaveNote()
    {
        if (m_fd < 0)
            return;
        struct stat st;
        if (statNoFollow(m_path, &st) && identityOf(st) == m_identity)
            ::unlink(m_path.constData());
        ::close(m_fd);
    }
    SaveNote(const SaveNote &) = delete;
    SaveNote &operator=(const SaveNote &) = delete;

    void add(const QByteArray &line)
    {
        if (m_fd >= 0)
            writeAll(m_fd, line + '\n');
    }

private:
    void make(const QByteArray &bytes)
    {
        struct stat st;
#ifdef O_TMPFILE
        // Where the system can, the note appears whole or not at all.
        const int unnamed = ::open(QFile::encodeName(QFileInfo(QFile::decodeName(m_path)).absolutePath()).constData(),
                                   O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (unnamed >= 0) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed);
            ::flock(unnamed, LOCK_EX | LOCK_NB);
            if (writeAll(unnamed, bytes) && ::fstat(unnamed, &st) == 0
                && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, m_path.constData(), AT_SYMLINK_FOLLOW) == 0) {
                made(unnamed, st);
                return;
            }
            const int error = errno;
            ::close(unnamed);
            if (error == EEXIST) {
                inTheWay();
                return;
            }
        }
#endif
        // O_EXCL: neither an existing file nor a link (even a dangling one)
        // is opened.
        const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                inTheWay();
            return;
        }
        ::flock(fd, LOCK_EX | LOCK_NB);
        writeAll(fd, bytes);
        if (::fstat(fd, &st) == 0)
            made(fd, st);
        else
            ::close(fd);
    }

    void made(int fd, const struct stat &st)
    {
        m_fd = fd;
        m_identity = identityOf(st);
    }

    // Said once a run for each note's name, not at every save.
    void inTheWay()
    {
        static QSet<QByteArray> told;
        if (told.contains(m_path))
            return;
        told.insert(m_path);
        qWarning().noquote() << "saves of" << m_document << "go without a note: a file" << QFile::decodeName(m_path)
                             << "is already there and is left as it is";
    }

    QString m_document;
    QByteArray m_path;
    int m_fd = -1;
    FileIdentity m_identity;
};

// The new content's file: beside the document under a temporary name of
// this program's own, noted before the file exists and made exclusively (no
// file or link of that name is opened), put in place by a rename once
// complete and on disk, and its folder synced after. Removed unless it was put
// in place.
class SaveTemporary : public QFile
{
public:
    SaveTemporary(const QString &document, SaveNote *note) : m_document(QFile::encodeName(document))
    {
        const QFileInfo info(document);
        const QByteArray name = newTemporaryName(temporaryPrefix(info.fileName()));
        m_path = QFile::encodeName(info.absolutePath()) + '/' + name;
        note->add(name);
        struct stat existing;
        const bool replaces = ::stat(m_document.constData(), &existing) == 0;
        // Private until it has the document's permissions.
        m_fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replaces ? 0600 : 0666);
        if (m_fd < 0) {
            setErrorString(systemError(errno));
            return;
        }
        m_made = true;
        if (replaces)
            ::fchmod(m_fd, existing.st_mode & 0777);
    }
    ~SaveTemporary() override
    {
        QFile::close();
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_made && !m_committed)
            ::unlink(m_path.constData());
    }

    bool made() const { return m_fd >= 0; }

    // Unbuffered: the writes are buffered here, so that a write the disk
    // takes only in part still says why the rest failed.
    bool open(OpenMode mode) override { return QFile::open(m_fd, mode | Unbuffered, DontCloseHandle); }
    // A writer that starts again (see TaskReaderWriter::restart) finds what
    // it wrote so far in the file.
    bool seek(qint64 offset) override { return writePending() && QFile::seek(offset); }
    bool resize(qint64 size) override { return writePending() && QFile::resize(size); }

    // Puts the content in place of the document; false, with the reason in
    // errorString(), when any of it failed to reach the disk.
    bool commit()
    {
        if (!isOpen()) {
            setErrorString(QStringLiteral("nothing was written"));
            return false;
        }
        writePending();
        QFile::close();
        if (m_failure.isEmpty() && ::fsync(m_fd) != 0 && errno != EINVAL)
            m_failure = systemError(errno);
        const int fd = m_fd;
        m_fd = -1;
        // A network share may report a failed write only here.
        if (::close(fd) != 0 && m_failure.isEmpty())
            m_failure = systemError(errno);
        if (m_failure.isEmpty() && ::rename(m_path.constData(), m_document.constData()) != 0)
            m_failure = systemError(errno);
        if (!m_failure.isEmpty()) {
            setErrorString(m_failure);
            return false;
        }
        m_committed = true;
        // The rename is a change of the folder: until the folder is on disk,
        // a power cut may bring back the previous file.
        const QString folderFailure = syncFolder();
        if (!folderFailure.isEmpty()) {
            setErrorString(QStringLiteral("the new file is in place, but its folder could not be synced to disk: ")
                           + folderFailure);
            return false;
        }
        return true;
    }

protected:
    // Any write that failed fails the save, even when later ones worked.
    qint64 writeData(const char *data, qint64 length) override
    {
        if (!m_failure.isEmpty())
            return -1;
        m_pending.append(data, length);
        if (m_pending.size() >= PendingBytes && !writePending())
            return -1;
        return length;
    }

private:
    enum { PendingBytes = 64 * 1024 };

    // The toolkit's own writes forget the system's reason when the disk
    // takes a part: the error comes only with the next write.
    bool writePending()
    {
        if (!m_failure.isEmpty())
            return false;
        const char *data = m_pending.constData();
        qsizetype left = m_pending.size();
        while (left > 0) {
            const ssize_t written = ::write(m_fd, data, size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                m_failure = systemError(written < 0 ? errno : ENOSPC);
                setErrorString(m_failure);
                return false;
            }
            data += written;
            left -= written;
        }
        m_pending.clear();
        return true;
    }

    // Syncs the folder of the document: empty when done, else why not.
    QString syncFolder() const
    {
        const qsizetype slash = m_path.lastIndexOf('/');
        const QByteArray folder = slash > 0 ? m_path.left(slash) : QByteArrayLiteral("/");
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return systemError(errno);
        QString failure;
        // As for the file: a file system without the call says EINVAL.
        if (::fsync(fd) != 0 && errno != EINVAL)
            failure = systemError(errno);
        ::close(fd);
        return failure;
    }

    QByteArray m_document;
    QByteArray m_path;
    int m_fd = -1;
    bool m_made = false;
    bool m_committed = false;
    QString m_failure;
    QByteArray m_pending;
};

} // namespace

const char DocumentFile::interruptedSaveHeader[] = "Plumdeck: a save of this document was under way";

QString DocumentFile::interruptedSaveNotePath(const QString &path)
{
    return path + QStringLiteral(".interrupted-save");
}

bool DocumentFile::save(const QString &path, const Writer &writer, QString *error)
{
    if (protectedPaths().contains(absolutePath(path))) {
        *error = QStringLiteral("refusing to overwrite the unreadable file ") + path;
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString document = writtenPath(path);
    const QFileInfo existing(document);
    if (existing.isDir()) {
        *error = QStringLiteral("Filename refers to a directory");
        return false;
    }
    if (existing.exists() && !existing.isWritable()) {
        *error = QStringLiteral("Existing file %1 is not writable").arg(document);
        return false;
    }
    // Declared first, gone last: after the temporary is removed.
    SaveNote note(document);
    SaveTemporary file(document, &note);
    if (!file.made()) {
        *error = file.errorString();
        return false;
    }
    if (!writer(&file, error))
        return false;
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QString DocumentFile::keepAside(const QString &path, const QString &what, Keeping keeping)
{
    if (!QFileInfo::exists(path))
        return QString();
    const QString stamp = Clock::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    const bool kept = keeping == CopyAside ? QFile::copy(path, target) || QFile::rename(path, target)
                                           : QFile::rename(path, target) || QFile::copy(path, target);
    if (kept) {
        qWarning().noquote() << "kept the unreadable" << what << "file as" << target;
        keptAsidePaths().insert(absolutePath(path), target);
        return target;
    }
    protectedPaths().insert(absolutePath(path));
    qWarning().noquote() << "could not keep the unreadable" << what << "file" << path
                         << "aside; it will not be saved over";
    return QString();
}

void DocumentFile::loaded(const QString &path)
{
    protectedPaths().remove(absolutePath(path));
}

QString DocumentFile::loadedInPart(const QString &path, const QString &what, const QString &kind,
                                   const UnreadRecords &unread)
{
    for (const UnreadRecord &record : unread)
        qWarning().noquote() << "left out" << kind << record.position << "of" << path << "named" << record.name
                             << "with server id" << record.serverId << ":" << record.reason;
    // The file stays in place until the next save, so that a crash before it
    // finds the records again; the copy keeps those left out.
    const QString aside = keepAside(path, what, CopyAside);
    if (!aside.isEmpty())
        loaded(path);
    return aside;
}

QString DocumentFile::lastKeptAside(const QString &path)
{
    return keptAsidePaths().value(absolutePath(path));
}

int DocumentFile::removeSaveLeftovers(const QString &path)
{
    const QFileInfo document(writtenPath(path));
    const QByteArray notePath = QFile::encodeName(interruptedSaveNotePath(document.absoluteFilePath()));
    // A link of the note's name is nobody's note. Not blocking: a pipe of
    // that name does not hold up the start (it reads as no note).
    const int fd = ::open(notePath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat noteStat;
    // Locked: a save under way, in another program, still needs its note.
    if (::fstat(fd, &noteStat) != 0 || (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)) {
        ::close(fd);
        return 0;
    }
    QFile note;
    note.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
    const QList<QByteArray> lines = note.read(4096).split('\n');
    note.close();
    // An empty file may be a note cut short before its first line, or
    // anybody's file of that name: it stays (later saves then go without a
    // note, and say so), as does any other file that is no note.
    if (lines.first() != interruptedSaveHeader) {
        ::close(fd);
        return 0;
    }
    // Only a name of this program's own temporaries is removed: a note is
    // no proof that a file is a temporary (a note of an earlier version's
    // names "<name>." and six letters, such as "lists.xhtml.backup", or a
    // file by its inode, which a user's copy may have taken since). Such a
    // version's leftover stays; it cannot be told from a user's file.
    const QByteArray prefix = temporaryPrefix(document.fileName());
    const QByteArray folder = QFile::encodeName(document.absolutePath()) + '/';
    int removed = 0;
    for (const QByteArray &line : lines.mid(1)) {
        if (!isTemporaryName(prefix, line))
            continue;
        struct stat st;
        const QByteArray temporary = folder + line;
        if (statNoFollow(temporary, &st) && S_ISREG(st.st_mode) && ::unlink(temporary.constData()) == 0) {
            ++removed;
            qWarning().noquote() << "removed the leftover of an interrupted save" << QFile::decodeName(temporary);
        }
    }
    // The note read, not a file put in its place since.
    struct stat now;
    if (statNoFollow(notePath, &now) && identityOf(now) == identityOf(noteStat))
        ::unlink(notePath.constData());
    ::close(fd);
    return removed;
}
