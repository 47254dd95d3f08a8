#include "model/documentfile.h"

#include "core/clock.h"

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

} // namespace

bool DocumentFile::save(const QString &path, const Writer &writer, QString *error)
{
    if (protectedPaths().contains(absolutePath(path))) {
        *error = QStringLiteral("refusing to overwrite the unreadable file ") + path;
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
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

QString DocumentFile::keepAside(const QString &path, const QString &what)
{
    if (!QFileInfo::exists(path))
        return QString();
    const QString stamp = Clock::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(path, target) || QFile::copy(path, target)) {
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
    // The six characters the writer's temporary name adds.
    const QRegularExpression leftover(QLatin1Char('^') + QRegularExpression::escape(info.fileName())
                                      + QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    int removed = 0;
    const QStringList names = dir.entryList({info.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (!leftover.match(name).hasMatch())
            continue;
        if (dir.remove(name)) {
            ++removed;
            qWarning().noquote() << "removed the leftover of an interrupted save" << dir.filePath(name);
        }
    }
    return removed;
}
