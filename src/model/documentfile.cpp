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

// The writer's temporary names: "<name>." and six letters or digits.
QRegularExpression temporaryName(const QString &documentName)
{
    return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(documentName)
                              + QStringLiteral("\\.[A-Za-z0-9]{6}$"));
}

QSet<QString> temporaryNames(const QDir &dir, const QString &documentName)
{
    const QRegularExpression pattern = temporaryName(documentName);
    QSet<QString> names;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        if (pattern.match(name).hasMatch())
            names.insert(name);
    }
    return names;
}

// The note of a save under way; gone when the save is over.
class SaveNote
{
public:
    explicit SaveNote(const QString &path) : m_path(DocumentFile::interruptedSaveNotePath(path)) {}
    ~SaveNote()
    {
        if (m_written)
            QFile::remove(m_path);
    }
    SaveNote(const SaveNote &) = delete;
    SaveNote &operator=(const SaveNote &) = delete;

    void write(const QString &temporary)
    {
        QFile note(m_path);
        if (!note.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        m_written = true;
        note.write(QByteArray(DocumentFile::interruptedSaveHeader) + '\n' + temporary.toUtf8() + '\n');
    }

private:
    QString m_path;
    bool m_written = false;
};

// Notes the named temporary the toolkit makes for the new content, if it
// makes one (where the system offers unnamed files it does not).
class NotedSaveFile : public QSaveFile
{
public:
    NotedSaveFile(const QString &path, SaveNote *note) : QSaveFile(path), m_path(path), m_note(note) {}

    bool open(OpenMode mode) override
    {
        const QFileInfo info(m_path);
        const QDir dir = info.absoluteDir();
        const QSet<QString> before = temporaryNames(dir, info.fileName());
        if (!QSaveFile::open(mode))
            return false;
        // Another file of that form made at the same moment would make the
        // temporary unknown: then nothing is noted.
        const QSet<QString> made = temporaryNames(dir, info.fileName()) - before;
        if (made.size() == 1)
            m_note->write(*made.begin());
        return true;
    }

private:
    QString m_path;
    SaveNote *m_note;
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

QString DocumentFile::lastKeptAside(const QString &path)
{
    return keptAsidePaths().value(absolutePath(path));
}

int DocumentFile::removeSaveLeftovers(const QString &path)
{
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QString notePath = interruptedSaveNotePath(info.absoluteFilePath());
    QFile note(notePath);
    // A note of this run's (or of another program's) is not ours to act on.
    if (!note.open(QIODevice::ReadOnly) || QFileInfo(notePath).lastModified().toUTC() >= programStart)
        return 0;
    const QList<QByteArray> lines = note.read(4096).split('\n');
    note.close();
    if (lines.isEmpty() || lines.first() != interruptedSaveHeader)
        return 0;
    const QRegularExpression pattern = temporaryName(info.fileName());
    int removed = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString name = QString::fromUtf8(lines.at(i));
        // Only a name the writer could have made, of a file from before the
        // program started.
        if (!pattern.match(name).hasMatch())
            continue;
        const QFileInfo temporary(dir.filePath(name));
        if (!temporary.isFile() || temporary.isSymLink() || temporary.lastModified().toUTC() >= programStart)
            continue;
        if (dir.remove(name)) {
            ++removed;
            qWarning().noquote() << "removed the leftover of an interrupted save" << dir.filePath(name);
        }
    }
    QFile::remove(notePath);
    return removed;
}
