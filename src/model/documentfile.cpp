#include "model/documentfile.h"

#include "core/clock.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {

QSet<QString> &protectedPaths()
{
    static QSet<QString> paths;
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
