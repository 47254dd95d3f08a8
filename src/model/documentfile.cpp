#include "model/documentfile.h"

#include "core/clock.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
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

// Taken when the program is loaded: a temporary left by an earlier run is
// older than this, one of this run's saves is not.
const QDateTime programStart = QDateTime::currentDateTimeUtc();

// How far apart the times of a note and of the temporary made right after it
// may be: file systems keep times in steps of up to two seconds, a network
// share by the server's clock.
const qint64 madeWithTheNote = 3000;

// The writer's temporary names: "<name>." and six letters or digits.
QRegularExpression temporaryName(const QString &documentName)
{
    return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(documentName)
                              + QStringLiteral("\\.[A-Za-z0-9]{6}$"));
}

// Names in `dir` of the writer's form for `documentName`.
QStringList temporaryNames(const QDir &dir, const QString &documentName)
{
    const QRegularExpression pattern = temporaryName(documentName);
    QStringList names;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        if (pattern.match(name).hasMatch())
            names.append(name);
    }
    return names;
}

// What stays the same of a file whatever its names: its device and inode.
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
bool statNoFollow(const QString &path, struct stat *st)
{
    return ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

qint64 modifiedMSecs(const struct stat &st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

// One write: a kill leaves the bytes whole or missing.
bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

// A line of the note for a temporary that has no name yet: the toolkit gives
// it one of the writer's form only as the commit puts it in place.
const char unnamedPrefix[] = "unnamed ";

QByteArray unnamedLine(const FileIdentity &identity)
{
    return unnamedPrefix + QByteArray::number(identity.device) + ' ' + QByteArray::number(identity.inode);
}

bool parseUnnamedLine(const QByteArray &line, FileIdentity *identity)
{
    if (!line.startsWith(unnamedPrefix))
        return false;
    const QList<QByteArray> fields = line.mid(int(sizeof unnamedPrefix) - 1).split(' ');
    if (fields.size() != 2)
        return false;
    bool deviceOk = false;
    bool inodeOk = false;
    identity->device = fields.at(0).toULongLong(&deviceOk);
    identity->inode = fields.at(1).toULongLong(&inodeOk);
    return deviceOk && inodeOk;
}

// The note of a save under way, made before the toolkit's temporary exists:
// its first line alone says that the temporary was not known yet. It is a
// file this save makes itself: a file or a link already of that name is
// someone else's and stays untouched (the save then goes un-noted); and only
// that same file is removed at the end.
class SaveNote
{
public:
    explicit SaveNote(const QString &path) : m_document(path), m_path(DocumentFile::interruptedSaveNotePath(path))
    {
        make(QByteArray(DocumentFile::interruptedSaveHeader) + '\n');
    }
    ~SaveNote()
    {
        if (m_fd < 0)
            return;
        ::close(m_fd);
        struct stat st;
        if (statNoFollow(m_path, &st) && identityOf(st) == m_identity)
            ::unlink(QFile::encodeName(m_path).constData());
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
        const QByteArray path = QFile::encodeName(m_path);
        struct stat st;
#ifdef O_TMPFILE
        // Where the system can, the note appears whole or not at all.
        const int unnamed = ::open(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(),
                                   O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (unnamed >= 0) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed);
            if (writeAll(unnamed, bytes) && ::fstat(unnamed, &st) == 0
                && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0) {
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
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                inTheWay();
            return;
        }
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
        static QSet<QString> told;
        if (told.contains(m_path))
            return;
        told.insert(m_path);
        qWarning().noquote() << "saves of" << m_document << "go without a note: a file" << m_path
                             << "is already there and is left as it is";
    }

    QString m_document;
    QString m_path;
    int m_fd = -1;
    FileIdentity m_identity;
};

// Notes the temporary the toolkit makes for the new content. A named one is
// noted as soon as it exists. An unnamed one (where the system offers such
// files) gets a name of the writer's form only inside the commit, chosen
// there at random: it is noted just before the commit by what stays the
// same, its device and inode.
class NotedSaveFile : public QSaveFile
{
public:
    NotedSaveFile(const QString &path, SaveNote *note) : QSaveFile(path), m_path(path), m_note(note) {}

    bool open(OpenMode mode) override
    {
        if (!QSaveFile::open(mode))
            return false;
        struct stat st;
        if (::fstat(handle(), &st) != 0)
            return true;
        m_temporary = identityOf(st);
        m_unnamed = st.st_nlink == 0;
        if (!m_unnamed) {
            const QFileInfo info(m_path);
            const QDir dir = info.absoluteDir();
            for (const QString &name : temporaryNames(dir, info.fileName())) {
                struct stat entry;
                if (statNoFollow(dir.filePath(name), &entry) && identityOf(entry) == m_temporary) {
                    m_note->add(name.toUtf8());
                    break;
                }
            }
        }
        return true;
    }

    // Called when the content is complete, right before commit().
    void noteBeforeCommit()
    {
        if (m_unnamed)
            m_note->add(unnamedLine(m_temporary));
    }

private:
    QString m_path;
    SaveNote *m_note;
    FileIdentity m_temporary;
    bool m_unnamed = false;
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
    // Declared first, gone last: after the file has removed its temporary.
    SaveNote note(path);
    NotedSaveFile file(path, &note);
    if (!writer(&file, error)) {
        file.cancelWriting();
        return false;
    }
    // commit() ignores a failure of the last buffered write (Qt 6.4): the
    // file would be put in place cut short. Flushing first reports it.
    if (!file.flush()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    file.noteBeforeCommit();
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
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QString notePath = interruptedSaveNotePath(info.absoluteFilePath());
    const qint64 start = programStart.toMSecsSinceEpoch();
    // A link of the note's name is nobody's note; and a note of this run's
    // (or of another program's) is not ours to act on.
    struct stat noteStat;
    if (!statNoFollow(notePath, &noteStat) || !S_ISREG(noteStat.st_mode) || modifiedMSecs(noteStat) >= start)
        return 0;
    // An empty file may be a note cut short before its first line, or
    // anybody's file of that name: it is left alone (later saves then go
    // without a note, and say so).
    if (noteStat.st_size == 0)
        return 0;
    QFile note(notePath);
    if (!note.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = note.read(4096).split('\n');
    note.close();
    if (lines.isEmpty() || lines.first() != interruptedSaveHeader)
        return 0;
    const QRegularExpression pattern = temporaryName(info.fileName());
    int removed = 0;
    const auto remove = [&](const QString &name) {
        if (dir.remove(name)) {
            ++removed;
            qWarning().noquote() << "removed the leftover of an interrupted save" << dir.filePath(name);
        }
    };
    if (std::all_of(lines.cbegin() + 1, lines.cend(), [](const QByteArray &line) { return line.isEmpty(); })) {
        // Cut short before the temporary was known: it can only be one just
        // made, still empty, as the note was made.
        QStringList made;
        for (const QString &name : temporaryNames(dir, info.fileName())) {
            struct stat st;
            if (statNoFollow(dir.filePath(name), &st) && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_size == 0
                && qAbs(modifiedMSecs(st) - modifiedMSecs(noteStat)) <= madeWithTheNote && modifiedMSecs(st) < start)
                made.append(name);
        }
        if (made.size() == 1)
            remove(made.first());
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        FileIdentity noted;
        if (parseUnnamedLine(lines.at(i), &noted)) {
            // The noted file under a name the commit gave it, still as it was
            // when noted: a file made since on a reused inode was written
            // after the note.
            for (const QString &name : temporaryNames(dir, info.fileName())) {
                struct stat st;
                if (statNoFollow(dir.filePath(name), &st) && S_ISREG(st.st_mode) && st.st_nlink == 1
                    && identityOf(st) == noted && modifiedMSecs(st) <= modifiedMSecs(noteStat)) {
                    remove(name);
                    break;
                }
            }
            continue;
        }
        const QString name = QString::fromUtf8(lines.at(i));
        // Only a name the writer could have made, of a file from before the
        // program started.
        if (!pattern.match(name).hasMatch())
            continue;
        struct stat st;
        if (!statNoFollow(dir.filePath(name), &st) || !S_ISREG(st.st_mode) || modifiedMSecs(st) >= start)
            continue;
        remove(name);
    }
    QFile::remove(notePath);
    return removed;
}
