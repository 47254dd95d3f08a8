#include "core/paths.h"

#include <QCoreApplication>
#include <QStandardPaths>

QDir appDataFolder()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (path.isEmpty())
        qFatal("failed to find APPDATA dir");
    // A fresh account may have no data folder yet; only one that cannot be
    // made is fatal.
    QDir dir(path);
    if (!dir.exists() && !QDir().mkpath(path))
        qFatal("couldn't find Application Data dir %s", qPrintable(path));
    return dir;
}

QDir myDocumentsFolder()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (path.isEmpty()) {
        qWarning("failed to get path to My Documents");
        return QDir::home();
    }
    QDir dir(path);
    if (!dir.exists()) {
        qWarning("failed to find My Documents");
        return QDir::home();
    }
    return dir;
}

QDir makeSubDir(const QDir &base, const QString &relativePath)
{
    if (!base.mkpath(relativePath))
        qFatal("failed to make %s under %s", qPrintable(relativePath), qPrintable(base.path()));
    return QDir(base.filePath(relativePath));
}

QDir userDataDir()
{
    return makeSubDir(appDataFolder(), QStringLiteral("Marrowgate/PlumDeck"));
}

QString logFilePath()
{
    return userDataDir().filePath(QStringLiteral("plumdeck.log"));
}

QDir avatarsDir()
{
    return makeSubDir(userDataDir(), QStringLiteral("avatars"));
}

QString installerFilePath()
{
    return userDataDir().filePath(QStringLiteral("installer.exe"));
}

QDir helpDir()
{
    QDir dir = QDir::current();
    if (dir.cd(QStringLiteral("help")))
        return dir;
    // Started from elsewhere (a launcher, a shell in another folder): the
    // guide installed beside the program.
    if (QCoreApplication::instance()) {
        QDir beside(QCoreApplication::applicationDirPath());
        if (beside.cd(QStringLiteral("help")))
            return beside;
    }
    qWarning("failed to find help dir in current");
    return QDir::current();
}

QDir documentsDir()
{
    return myDocumentsFolder();
}
